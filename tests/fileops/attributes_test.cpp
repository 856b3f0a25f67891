#include "recordingsink.h"

#include "fileops/attributes.h"
#include "panels/panelreader.h"
#include "platform/dosattr.h"

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace dovex::test {

namespace {

constexpr std::uint32_t kFour = faReadOnly | faHidden | faSysFile | faArchive;

class AttributesTest : public FileOpsTest {
protected:
    std::uint32_t attrs(const QString& dosPath) { return fileio::attributes(dosPath) & kFour; }
    void setAttrs(const QString& dosPath, std::uint32_t a)
    {
        ASSERT_EQ(fileio::setAttributes(dosPath, a), 0);
    }
    std::time_t mtime(const QString& dosPath) { return fileio::status(dosPath).modified.tv_sec; }
    FilePanel panelOf(const QString& path)
    {
        FilePanel p;
        p.path = path;
        EXPECT_EQ(readPanel(p, prompter), PanelReadOutcome::Read);
        return p;
    }
    static int indexOf(const FilePanel& p, const QString& name)
    {
        for (int i = 0; i < int(p.entries.size()); ++i)
            if (p.entries[size_t(i)].name == name)
                return i;
        return -1;
    }
    const std::uint32_t newDate = packDosDateTime({2001, 2, 3, 4, 5, 6});
    const std::time_t oldTime = unixFromDosDateTime(packDosDateTime({1999, 1, 1, 0, 0, 0}));
};

TEST_F(AttributesTest, CheckedSetUncheckedClearGrayedKeeps)
{
    drives.file("C:\\d\\one.txt", 5);
    setAttrs("C:\\d\\one.txt", faReadOnly | faHidden | faSysFile);
    FilePanel p = panelOf("C:\\d");
    const int one = indexOf(p, "one.txt");

    AttributeRequest r;
    SetMasksFrom(r, TriState::Clear, TriState::Clear, TriState::Clear, TriState::Set);
    RunAttributes(state, p.path, p.entries, int(p.entries.size()), one, r);
    EXPECT_EQ(attrs("C:\\d\\one.txt"), faArchive);
    EXPECT_EQ(p.entries[size_t(one)].attributes & kFour, faArchive);
    EXPECT_FALSE(p.entries[size_t(one)].selected); // the cursor's mark is taken back
    EXPECT_EQ(state.doneFiles, 1);
    EXPECT_EQ(state.progressWord, "Changed");
    EXPECT_FALSE(state.byteMode);
    EXPECT_EQ(sink.line2, "In C:\\d");

    // Several files, every box grayed, the date set: only the times change.
    drives.file("C:\\d\\two.txt", 6);
    setAttrs("C:\\d\\two.txt", faSysFile | faArchive);
    p = panelOf("C:\\d");
    for (PanelEntry& e : p.entries)
        e.selected = e.name != "..";
    r = {};
    SetMasksFrom(r, TriState::Keep, TriState::Keep, TriState::Keep, TriState::Keep);
    r.setTime = true;
    r.fileDate = newDate;
    RunAttributes(state, p.path, p.entries, int(p.entries.size()), 0, r);
    EXPECT_EQ(attrs("C:\\d\\one.txt"), faArchive);
    EXPECT_EQ(attrs("C:\\d\\two.txt"), faSysFile | faArchive);
    EXPECT_EQ(mtime("C:\\d\\one.txt"), unixFromDosDateTime(newDate));
    EXPECT_EQ(mtime("C:\\d\\two.txt"), unixFromDosDateTime(newDate));
    EXPECT_EQ(p.entries[size_t(indexOf(p, "two.txt"))].dosDateTime, newDate);
}

TEST_F(AttributesTest, AReadOnlyFileKeepsItsTimeWhileLosingTheBit)
{
    drives.file("C:\\ro.txt", 3);
    setAttrs("C:\\ro.txt", faReadOnly | faArchive);
    const std::time_t before = mtime("C:\\ro.txt");
    AttributeRequest r;
    SetMasksFrom(r, TriState::Keep, TriState::Keep, TriState::Clear, TriState::Keep);
    r.setTime = true;
    r.fileDate = newDate;
    const AppliedAttributes done = ApplyAttributes(state, "C:\\ro.txt", r);
    EXPECT_FALSE(done.timeSet);
    EXPECT_EQ(done.attributes & kFour, faArchive);
    EXPECT_EQ(mtime("C:\\ro.txt"), before);
    EXPECT_EQ(attrs("C:\\ro.txt"), faArchive);
}

TEST_F(AttributesTest, TreesChangeEveryFileBelowButNoDirectoryNorWhatALinkReaches)
{
    drives.file("C:\\w\\t\\a.txt", 1);
    drives.file("C:\\w\\t\\.git\\objects\\x", 2);
    drives.file("C:\\w\\t\\sub\\b.txt", 3);
    drives.file("C:\\outside.txt", 4);
    ::symlink(QFile::encodeName(drives.host("C:\\outside.txt")).constData(),
              QFile::encodeName(drives.host("C:\\w\\t\\link")).constData());
    ::mkfifo(QFile::encodeName(drives.host("C:\\w\\t\\pipe")).constData(), 0644);
    const std::uint32_t outsideBefore = attrs("C:\\outside.txt");
    const std::time_t outsideTime = mtime("C:\\outside.txt");
    for (const char* d : {"C:\\w\\t", "C:\\w\\t\\sub", "C:\\w\\t\\.git"})
        drives.setTime(d, {1999, 1, 1, 0, 0, 0});

    FilePanel p = panelOf("C:\\w");
    const int t = indexOf(p, "t");
    p.entries[size_t(t)].selected = true;
    AttributeRequest r;
    SetMasksFrom(r, TriState::Set, TriState::Set, TriState::Set, TriState::Keep);
    r.setTime = true;
    r.fileDate = newDate;

    r.includeSubdirs = false; // a directory without its tree is not touched
    RunAttributes(state, p.path, p.entries, int(p.entries.size()), t, r);
    EXPECT_EQ(attrs("C:\\w\\t\\a.txt") & faSysFile, 0u);

    r.includeSubdirs = true;
    RunAttributes(state, p.path, p.entries, int(p.entries.size()), t, r);
    for (const char* f :
         {"C:\\w\\t\\a.txt", "C:\\w\\t\\.git\\objects\\x", "C:\\w\\t\\sub\\b.txt"}) {
        EXPECT_EQ(attrs(f), faReadOnly | faHidden | faSysFile | faArchive) << f;
        EXPECT_EQ(mtime(f), unixFromDosDateTime(newDate)) << f;
    }
    for (const char* d : {"C:\\w\\t", "C:\\w\\t\\sub", "C:\\w\\t\\.git"}) {
        EXPECT_EQ(mtime(d), oldTime) << d;
        EXPECT_EQ(attrs(d) & faReadOnly, 0u) << d;
    }
    EXPECT_EQ(attrs("C:\\outside.txt"), outsideBefore);
    EXPECT_EQ(mtime("C:\\outside.txt"), outsideTime);
    EXPECT_EQ(state.totalFiles, 5); // three files, the link and the pipe, counted and passed
    EXPECT_EQ(state.doneFiles, 5);
}

TEST_F(AttributesTest, ADotNameStaysHiddenInWhatTheEntryShows)
{
    drives.file("C:\\.profile", 1);
    AttributeRequest r;
    SetMasksFrom(r, TriState::Set, TriState::Clear, TriState::Keep, TriState::Keep);
    const AppliedAttributes done = ApplyAttributes(state, "C:\\.profile", r);
    EXPECT_EQ(done.attributes & kFour, attrs("C:\\.profile"));
    EXPECT_EQ(attrs("C:\\.profile"), faHidden | faSysFile | faArchive);
}

TEST_F(AttributesTest, EscapeStopsAfterTheCurrentFile)
{
    for (int i = 0; i < 5; ++i)
        drives.file(QStringLiteral("C:\\many\\f%1").arg(i), 1);
    sink.abortAfter = 2;
    AttributeRequest r;
    SetMasksFrom(r, TriState::Set, TriState::Keep, TriState::Keep, TriState::Keep);
    AttributeTree(state, "C:\\many", r);
    int changed = 0;
    for (int i = 0; i < 5; ++i)
        changed += (attrs(QStringLiteral("C:\\many\\f%1").arg(i)) & faSysFile) ? 1 : 0;
    EXPECT_EQ(changed, 3);
    EXPECT_TRUE(state.abortRequested);
}

TEST_F(AttributesTest, ATreeEndsExactlyAsEveryFileChangedByItsPathWould)
{
    // The same files with every mix of starting bits, a name beginning with
    // a dot and one whose owner may not read it, in a tree and beside it;
    // each request is made to the tree and file by file to the others.
    struct Start {
        const char* name;
        std::uint32_t bits;
        bool stored; // the extended attribute is written (else absent)
        mode_t mode;
    };
    const Start starts[] = {
        {"plain", 0, false, 0644},       {"arch", faArchive, true, 0644},
        {"ro", faReadOnly, false, 0644}, {"hs", faHidden | faSysFile, true, 0664},
        {".dot", 0, false, 0644},        {"closed", faSysFile, true, 0200}};
    struct Request {
        TriState s, h, r, a;
        bool time;
    };
    const Request requests[] = {
        {TriState::Keep, TriState::Keep, TriState::Set, TriState::Keep, false},
        {TriState::Keep, TriState::Keep, TriState::Clear, TriState::Keep, true},
        {TriState::Set, TriState::Clear, TriState::Keep, TriState::Clear, true},
        {TriState::Clear, TriState::Set, TriState::Set, TriState::Set, false},
        {TriState::Keep, TriState::Keep, TriState::Keep, TriState::Keep, true}};
    int round = 0;
    for (const Request& q : requests) {
        ++round;
        const QString tree = QStringLiteral("C:\\eq%1\\tree\\deep").arg(round);
        const QString flat = QStringLiteral("C:\\eq%1\\flat").arg(round);
        for (const Start& st : starts)
            for (const QString& dir : {tree, flat}) {
                const QString f = dir + '\\' + st.name;
                drives.file(f, 3);
                drives.setTime(f, {1999, 1, 1, 0, 0, 0});
                if (st.stored)
                    setAttrs(f, st.bits);
                ::chmod(QFile::encodeName(drives.host(f)).constData(),
                        st.bits & faReadOnly ? st.mode & ~0222 : st.mode);
            }
        AttributeRequest r;
        SetMasksFrom(r, q.s, q.h, q.r, q.a);
        r.setTime = q.time;
        r.fileDate = newDate;
        AttributeTree(state, QStringLiteral("C:\\eq%1\\tree").arg(round), r);
        for (const Start& st : starts)
            ApplyAttributes(state, flat + '\\' + st.name, r);
        for (const Start& st : starts) {
            const QString a = tree + '\\' + st.name, b = flat + '\\' + st.name;
            EXPECT_EQ(attrs(a), attrs(b)) << round << st.name;
            EXPECT_EQ(fileio::status(a).mode, fileio::status(b).mode) << round << st.name;
            EXPECT_EQ(mtime(a), mtime(b)) << round << st.name;
            char x[64] = {}, y[64] = {};
            EXPECT_EQ(::lgetxattr(QFile::encodeName(drives.host(a)).constData(), "user.DOSATTRIB",
                                  x, sizeof x),
                      ::lgetxattr(QFile::encodeName(drives.host(b)).constData(), "user.DOSATTRIB",
                                  y, sizeof y))
                << round << st.name;
            EXPECT_STREQ(x, y) << round << st.name;
        }
    }
}

TEST_F(AttributesTest, DatesAreCheckedBeforeAnythingChanges)
{
    EXPECT_FALSE(ParseFixedDateTime("31/02/99 10:00:00"));
    EXPECT_FALSE(ParseFixedDateTime("01/13/99 10:00:00"));
    EXPECT_FALSE(ParseFixedDateTime("01/01/99 24:00:00"));
    EXPECT_FALSE(ParseFixedDateTime("1/1/1999 10:00:00"));
    EXPECT_FALSE(ParseFixedDateTime("abc"));
    EXPECT_EQ(ParseFixedDateTime("29/02/00 12:30:58"), packDosDateTime({2000, 2, 29, 12, 30, 58}));
    EXPECT_EQ(ParseFixedDateTime("03/02/01 04:05:06"), newDate);
    EXPECT_EQ(ParseFixedDateTime("31/12/80 23:59:58"), packDosDateTime({1980, 12, 31, 23, 59, 58}));
    EXPECT_FALSE(DosDateFrom(QDateTime(QDate(1979, 12, 31), QTime(0, 0))));
    EXPECT_EQ(InvalidDateTimeText("31/02/99 10:00:00"),
              "'31/02/99 10:00:00' is not a valid date and time");
}

// Makes a file immutable (even root may then not change it); false where
// the file system or the process cannot.
bool setImmutable(const QString& host, bool on)
{
    const int fd = ::open(QFile::encodeName(host).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}

TEST_F(AttributesTest, AFileThatCannotBeChangedIsToldOfAndTheTreeGoesOn)
{
    drives.file("C:\\t\\fixed.txt", 1);
    drives.file("C:\\t\\sub\\free.txt", 1);
    const QString fixed = drives.host("C:\\t\\fixed.txt");
    if (!setImmutable(fixed, true))
        GTEST_SKIP() << "no immutable files here";
    AttributeRequest r;
    SetMasksFrom(r, TriState::Keep, TriState::Keep, TriState::Set, TriState::Keep);

    const AppliedAttributes one = ApplyAttributes(state, "C:\\t\\fixed.txt", r);
    EXPECT_NE(one.error, 0);
    EXPECT_EQ(one.attributes & faReadOnly, 0u);

    QStringList failed;
    AttributeTree(state, "C:\\t", r, [&failed](const QString& path, int error) {
        if (error != 0)
            failed << path;
    });
    EXPECT_EQ(failed, QStringList{"C:\\t\\fixed.txt"});
    EXPECT_EQ(attrs("C:\\t\\sub\\free.txt") & faReadOnly, faReadOnly);

    // So is a time that cannot be set on a file that is not read-only.
    r = {};
    r.setTime = true;
    r.fileDate = newDate;
    EXPECT_NE(ApplyAttributes(state, "C:\\t\\fixed.txt", r).error, 0);
    setImmutable(fixed, false);
    // A read-only file keeping its time is as designed, no failure.
    EXPECT_EQ(ApplyAttributes(state, "C:\\t\\sub\\free.txt", r).error, 0);
}

TEST_F(AttributesTest, FailuresDeepInATreeAreToldInTheOrderTheLevelsEnd)
{
    // More levels than the walk leaves to the worker threads at once: every
    // level ends after the ones below it, and so do its failures.
    QString dir = R"(C:\deep)";
    QStringList expected;
    QStringList fixed;
    for (int level = 0; level < 40; ++level) {
        dir += QStringLiteral(R"(\l%1)").arg(level);
        for (int i = 0; i < 3; ++i)
            drives.file(dir + QStringLiteral(R"(\f%1)").arg(i), 1);
        if (level % 7 == 3) {
            expected.prepend(dir + R"(\f1)");
            fixed << drives.host(dir + R"(\f1)");
        }
    }
    for (const QString& host : fixed)
        if (!setImmutable(host, true))
            GTEST_SKIP() << "no immutable files here";
    AttributeRequest r;
    SetMasksFrom(r, TriState::Keep, TriState::Keep, TriState::Set, TriState::Keep);
    QStringList failed;
    AttributeTree(state, R"(C:\deep)", r, [&failed](const QString& path, int error) {
        if (error != 0)
            failed << path;
    });
    for (const QString& host : fixed)
        setImmutable(host, false);
    EXPECT_EQ(failed, expected);
    int readOnly = 0;
    dir = R"(C:\deep)";
    for (int level = 0; level < 40; ++level) {
        dir += QStringLiteral(R"(\l%1)").arg(level);
        for (int i = 0; i < 3; ++i)
            readOnly += (attrs(dir + QStringLiteral(R"(\f%1)").arg(i)) & faReadOnly) ? 1 : 0;
    }
    EXPECT_EQ(readOnly, 40 * 3 - int(fixed.size()));
}

} // namespace

} // namespace dovex::test
