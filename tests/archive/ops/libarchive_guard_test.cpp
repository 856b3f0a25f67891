// What an extraction through libarchive may create, and where: link chains
// from the real archivers, links that later members turn outward,
// directories that were there before, the program's and the settings'
// directories, replacement questions, a disk that stops taking bytes and
// names longer than the listing shows.
#include "archive/archivekind.h"
#include "archive/archivereaders.h"
#include "archive/ops/archiveoperations.h"
#include "archive/ops/archiveprogress.h"
#include "archive/ops/libarchiveextract.h"
#include "platform/beneath.h"
#include "support/drivefixture.h"
#include "support/scriptedprompter.h"
#include "tarwriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <ostream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace dovex;
using dovex::test::TarWriter;

namespace {

#define REQUIRE_PROGRAM(name)                                                                      \
    do {                                                                                           \
        if (QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty())                   \
            GTEST_SKIP() << name << " is not installed";                                           \
    } while (0)

bool run(const QString& dir, const QString& program, const QStringList& args,
         const QByteArray& input = {})
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return false;
    p.write(input);
    p.closeWriteChannel();
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Links under root that lead to something outside it.
QStringList linksLeadingOut(const QString& root)
{
    const QString inside = QFileInfo(root).canonicalFilePath();
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo fi(it.next());
        const QString to = fi.isSymLink() ? fi.canonicalFilePath() : QString();
        if (!to.isEmpty() && to != inside && !to.startsWith(inside + '/'))
            out << fi.filePath() + " -> " + to;
    }
    return out;
}

mode_t modeOf(const QString& host)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(host).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::time_t mtimeOf(const QString& host)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(host).constData(), &st) == 0 ? st.st_mtime : 0;
}

// Makes the walk that stands in for openat2 do the work while it lives.
class KernelGuards {
public:
    explicit KernelGuards(bool on) { BeneathRoot::setKernelGuardsForTesting(on); }
    ~KernelGuards() { BeneathRoot::setKernelGuardsForTesting(true); }
};

class Guarded : public ::testing::Test {
protected:
    test::DriveFixture drives{QStringLiteral("CDE")};
    test::ScriptedPrompter prompter;
    SilentArchiveProgress progress;

    void SetUp() override { InvalidateArchiveCache(); }

    QString host(const QString& dos) const { return drives.host(dos); }
    QString told() const { return prompter.texts().join('\n'); }

    void write(const QString& dos, const QByteArray& bytes)
    {
        QFile f(host(dos));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    ArchiveOpResult extract(const QString& archive, const QString& target)
    {
        return ExtractWholeLibarchive(archive, target, true, prompter, progress);
    }

    void link(const QString& dos, const char* target)
    {
        ASSERT_EQ(::symlink(target, QFile::encodeName(host(dos)).constData()), 0);
    }

    // Names under a directory that a failed or refused write left behind.
    QStringList temporaries(const QString& dos)
    {
        return QDir(host(dos)).entryList({QStringLiteral(".dvx*")},
                                         QDir::AllEntries | QDir::Hidden | QDir::System);
    }
};

struct Archiver {
    const char* label;
    const char* program;
};

void PrintTo(const Archiver& a, std::ostream* os)
{
    *os << a.label;
}

class ChainedLinks : public Guarded, public ::testing::WithParamInterface<Archiver> {
protected:
    // The members of s1 (a -> ".", b -> "a/..", c -> "a/a/..") and then
    // those of s2 (b/<escape>, a/d -> "../.."), in one archive.
    bool pack(const QString& archive, const QString& escape)
    {
        const QString s1 = host(QStringLiteral("D:\\s1"));
        const QString s2 = host(QStringLiteral("D:\\s2"));
        const QString label = QString::fromLatin1(GetParam().label);
        if (label == QLatin1String("tar"))
            return run(s1, QStringLiteral("tar"),
                       {"-cf", archive, "a", "b", "c", "-C", s2, "b/" + escape, "a/d"});
        if (label == QLatin1String("cpio"))
            return run(s1, QStringLiteral("cpio"), {"-o", "-H", "newc", "--quiet", "-O", archive},
                       "a\nb\nc\n") &&
                   run(s2, QStringLiteral("cpio"),
                       {"-o", "-A", "-H", "newc", "--quiet", "-O", archive},
                       ("b/" + escape + "\na/d\n").toUtf8());
        return run(s1, QStringLiteral("7zz"), {"a", "-bso0", "-snl", archive, "a", "b", "c"}) &&
               run(s2, QStringLiteral("7zz"),
                   {"a", "-bso0", "-snl", archive, "b/" + escape, "a/d"});
    }
};

} // namespace

// A link to ".", then a link through it to "..": each harmless by its text,
// together the drive's parent. Extracted into a drive's root (C: with the
// kernel's guard, E: with the walk that stands in for it), no link made
// leads out, the file member through one lands inside, and each link
// refused is named. (The archive is made from directories on D:.)
TEST_P(ChainedLinks, NeverLeadOutOfTheDriveRoot)
{
    REQUIRE_PROGRAM(GetParam().program);
    const QString escape = QFileInfo(drives.root(u'C')).fileName() + QStringLiteral(".escaped");
    drives.directory(QStringLiteral("D:\\s1"));
    link(QStringLiteral("D:\\s1\\a"), ".");
    link(QStringLiteral("D:\\s1\\b"), "a/..");
    link(QStringLiteral("D:\\s1\\c"), "a/a/..");
    drives.file(QStringLiteral("D:\\s2\\b\\") + escape, 0, "out");
    drives.directory(QStringLiteral("D:\\s2\\a"));
    link(QStringLiteral("D:\\s2\\a\\d"), "../..");
    const QString archive = host(QStringLiteral("D:\\chain.bin"));
    ASSERT_TRUE(pack(archive, escape));

    for (const char16_t drive : {u'C', u'E'}) {
        const KernelGuards guards(drive == u'C');
        prompter.clear();
        const QString target = QString(QChar(drive)) + QStringLiteral(":\\");
        EXPECT_FALSE(extract(QStringLiteral("D:\\chain.bin"), target).passed);
        const QString root = drives.root(drive);
        EXPECT_EQ(linksLeadingOut(root), QStringList());
        EXPECT_FALSE(QFileInfo::exists(QFileInfo(root).path() + '/' + escape));
        EXPECT_TRUE(told().contains(QStringLiteral("Refused ") + target + 'b'));
        EXPECT_TRUE(told().contains(QStringLiteral("Refused ") + target + 'c'));
        EXPECT_TRUE(told().contains(QStringLiteral("Refused ") + target + QStringLiteral("a\\d")) ||
                    told().contains(QStringLiteral("Refused ") + target + 'd'))
            << told().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Archivers, ChainedLinks,
                         ::testing::Values(Archiver{"tar", "tar"}, Archiver{"cpio", "cpio"},
                                           Archiver{"sevenzip", "7zz"}),
                         [](const ::testing::TestParamInfo<Archiver>& info) {
                             return std::string(info.param.label);
                         });

// A link that stays inside when made can be turned outward by a later
// member: the link it leads through replaced, or the name it waited for
// made a link. Every link made is looked at again at the end.
TEST_F(Guarded, LinksThatLaterMembersTurnOutwardAreRemoved)
{
    TarWriter t;
    t.add("sub/", '5');
    t.add("a", '2', {}, "sub");
    t.add("b", '2', {}, "a/.."); // the target itself, for now
    t.add("d", '2', {}, "p/.."); // leads nowhere yet
    t.add("a", '2', {}, ".");    // replaces the link: b is now the parent
    t.add("p", '2', {}, ".");    // d is now the parent
    t.add("a/x.txt", '0', "x");  // through a link, inside
    // A file replaced by a link inside; a hard link to that name would be
    // the same link one level up, leading out.
    t.add("sub/orig", '0', "o");
    t.add("sub/orig", '2', {}, "../x.txt");
    t.add("h", '1', {}, "sub/orig");
    write(QStringLiteral("C:\\l.tar"), t.finish());

    for (const bool kernel : {true, false}) {
        const KernelGuards guards(kernel);
        const QString dst = kernel ? QStringLiteral("C:\\kernel") : QStringLiteral("C:\\walk");
        drives.directory(dst);
        prompter.clear();
        EXPECT_FALSE(extract(QStringLiteral("C:\\l.tar"), dst).passed);
        EXPECT_EQ(linksLeadingOut(host(dst)), QStringList());
        EXPECT_FALSE(QFileInfo(host(dst + QStringLiteral("\\b"))).isSymLink());
        EXPECT_FALSE(QFileInfo(host(dst + QStringLiteral("\\d"))).isSymLink());
        EXPECT_TRUE(told().contains(QStringLiteral("Refused ") + dst +
                                    QStringLiteral("\\b: its link leads out")));
        EXPECT_TRUE(told().contains(QStringLiteral("Refused ") + dst +
                                    QStringLiteral("\\d: its link leads out")));
        EXPECT_EQ(modeOf(host(dst + QStringLiteral("\\h"))), 0u);
        EXPECT_TRUE(told().contains(QStringLiteral("Refused ") + dst +
                                    QStringLiteral("\\h: it is a hard link")));
        // The walk follows no link at all, not even one that stays inside.
        EXPECT_EQ(drives.exists(dst + QStringLiteral("\\x.txt")), BeneathRoot::kernelGuards());
        EXPECT_TRUE(temporaries(dst).isEmpty());
    }
}

// A directory member leaves a directory that was there as it was; one this
// extraction made gets the stored time and mode.
TEST_F(Guarded, ADirectoryThatWasThereKeepsItsModeAndTime)
{
    REQUIRE_PROGRAM("tar");
    const std::time_t stored = 1500000000;
    drives.file(QStringLiteral("C:\\src\\fresh\\g"), 0, "g");
    drives.directory(QStringLiteral("C:\\src\\keep"));
    ASSERT_EQ(::chmod(QFile::encodeName(host(QStringLiteral("C:\\src\\keep"))).constData(), 0777),
              0);
    ASSERT_EQ(::chmod(QFile::encodeName(host(QStringLiteral("C:\\src\\fresh"))).constData(), 0750),
              0);
    ASSERT_TRUE(run(host(QStringLiteral("C:\\src")), QStringLiteral("touch"),
                    {"-d", "@1500000000", "keep", "fresh"}));
    ASSERT_TRUE(run(
        host(QStringLiteral("C:\\src")), QStringLiteral("tar"),
        {"--no-recursion", "-cf", host(QStringLiteral("C:\\d.tar")), "keep", "fresh", "fresh/g"}));
    drives.directory(QStringLiteral("C:\\dst\\keep"));
    const QString keep = host(QStringLiteral("C:\\dst\\keep"));
    ASSERT_EQ(::chmod(QFile::encodeName(keep).constData(), 0700), 0);
    ASSERT_TRUE(run(host(QStringLiteral("C:\\dst")), QStringLiteral("touch"),
                    {"-d", "@1000000000", "keep"}));

    EXPECT_TRUE(extract(QStringLiteral("C:\\d.tar"), QStringLiteral("C:\\dst")).passed)
        << told().toStdString();
    EXPECT_EQ(modeOf(keep), 0700u);
    EXPECT_EQ(mtimeOf(keep), 1000000000);
    const mode_t mask = ::umask(022);
    ::umask(mask);
    EXPECT_EQ(modeOf(host(QStringLiteral("C:\\dst\\fresh"))), 0750u & ~mask);
    EXPECT_EQ(mtimeOf(host(QStringLiteral("C:\\dst\\fresh"))), stored);
}

// With the program's and the settings' directories inside the target, no
// member lands in either, named or reached through a link.
TEST_F(Guarded, NothingLandsInTheProgramOrSettingsDirectory)
{
    drives.directory(QStringLiteral("C:\\home\\prog"));
    drives.directory(QStringLiteral("C:\\home\\cfg"));
    qputenv("DOVEX_HOME", QFile::encodeName(host(QStringLiteral("C:\\home\\prog"))));
    qputenv("DOVEX_WINDIR", QFile::encodeName(host(QStringLiteral("C:\\home\\cfg"))));
    TarWriter t;
    t.add("home/prog/arj", '0', "#!/bin/sh\n");
    t.add("home/cfg/Dovex.Ini", '0', "[x]\n");
    t.add("p", '2', {}, "home/prog");
    t.add("p/lha", '0', "#!/bin/sh\n");
    t.add("fine.txt", '0', "fine");
    write(QStringLiteral("C:\\f.tar"), t.finish());

    EXPECT_FALSE(extract(QStringLiteral("C:\\f.tar"), QStringLiteral("C:\\")).passed);
    EXPECT_TRUE(QDir(host(QStringLiteral("C:\\home\\prog"))).isEmpty());
    EXPECT_TRUE(QDir(host(QStringLiteral("C:\\home\\cfg"))).isEmpty());
    EXPECT_EQ(drives.read(QStringLiteral("C:\\fine.txt")), QByteArray("fine"));
    for (const char* name : {"C:\\home\\prog\\arj", "C:\\home\\cfg\\Dovex.Ini", "C:\\p\\lha"})
        EXPECT_TRUE(told().contains(QStringLiteral("Refused ") + QString::fromLatin1(name)))
            << name << '\n'
            << told().toStdString();

    // Into the program's directory itself: nothing directly in it.
    prompter.clear();
    EXPECT_FALSE(extract(QStringLiteral("C:\\f.tar"), QStringLiteral("C:\\home\\prog")).passed);
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\home\\prog\\fine.txt")));
    EXPECT_FALSE(QFileInfo(host(QStringLiteral("C:\\home\\prog\\p"))).isSymLink());
}

// Each member that meets a file asks first, two of one name as well; a No,
// to either question, leaves the old file byte for byte, and what replaces
// a file reaches its name only once whole.
TEST_F(Guarded, EveryReplacementIsAskedAndNoKeepsTheOldFile)
{
    TarWriter t;
    t.add("a.txt", '0', "new one");
    t.add("a.txt", '0', "new two");
    t.add("b.txt", '0', "first");
    t.add("b.txt", '0', "second");
    write(QStringLiteral("C:\\r.tar"), t.finish());
    drives.file(QStringLiteral("C:\\dst\\a.txt"), 0, "old");
    const QString a = host(QStringLiteral("C:\\dst\\a.txt"));
    ASSERT_EQ(::chmod(QFile::encodeName(a).constData(), 0444), 0);

    prompter.script({Answer::Yes, Answer::No, Answer::No, Answer::No});
    EXPECT_FALSE(extract(QStringLiteral("C:\\r.tar"), QStringLiteral("C:\\dst")).passed);
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\a.txt")), QByteArray("old"));
    EXPECT_EQ(modeOf(a), 0444u);
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\b.txt")), QByteArray("first"));
    ASSERT_EQ(prompter.asked().size(), 4) << told().toStdString();
    EXPECT_EQ(prompter.asked()[0].text, QStringLiteral("File C:\\dst\\a.txt Exists,Overwrite?"));
    EXPECT_EQ(
        prompter.asked()[1].text,
        QStringLiteral("C:\\dst\\a.txt is a read-only file, do you wish to Delete this file?"));
    EXPECT_EQ(prompter.asked()[2].text, prompter.asked()[0].text);
    EXPECT_EQ(prompter.asked()[3].text, QStringLiteral("File C:\\dst\\b.txt Exists,Overwrite?"));
    EXPECT_TRUE(temporaries(QStringLiteral("C:\\dst")).isEmpty());

    // All, and Yes to the protected file: the last of each name stays.
    prompter.clear();
    prompter.script({Answer::All, Answer::Yes});
    EXPECT_TRUE(extract(QStringLiteral("C:\\r.tar"), QStringLiteral("C:\\dst")).passed);
    EXPECT_EQ(prompter.asked().size(), 2) << told().toStdString();
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\a.txt")), QByteArray("new two"));
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\b.txt")), QByteArray("second"));
}

// Small files are written beside the walk, yet later members meet them as
// if each had been written before the next was read: a path through a file
// is refused as such, a name that comes again is asked about (and No keeps
// the first), a link to a file is made once the file is there.
TEST_F(Guarded, FilesWrittenBesideTheWalkMeetLaterMembersInOrder)
{
    TarWriter t;
    for (int i = 0; i < 80; ++i) {
        t.add("d/m" + QByteArray::number(i), '0', "x" + QByteArray::number(i));
        if (i == 20) {
            t.add("f", '0', "a file");
            t.add("f/x", '0', "through a file");
            t.add("d/m5", '0', "again");
            t.add("d/hard", '1', {}, "d/m19");
        }
    }
    write(QStringLiteral("C:\\o.tar"), t.finish());
    drives.directory(QStringLiteral("C:\\dst"));
    prompter.script({Answer::No});
    EXPECT_FALSE(extract(QStringLiteral("C:\\o.tar"), QStringLiteral("C:\\dst")).passed);
    ASSERT_EQ(prompter.asked().size(), 2) << told().toStdString();
    EXPECT_EQ(prompter.asked()[0].text,
              QStringLiteral("Refused C:\\dst\\f\\x: its path leads through a file"));
    EXPECT_EQ(prompter.asked()[1].text, QStringLiteral("File C:\\dst\\d\\m5 Exists,Overwrite?"));
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\f")), QByteArray("a file"));
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\d\\m5")), QByteArray("x5"));
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\d\\hard")), QByteArray("x19"));
    for (int i = 0; i < 80; ++i)
        EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\d\\m%1").arg(i)),
                  "x" + QByteArray::number(i));
    EXPECT_TRUE(temporaries(QStringLiteral("C:\\dst")).isEmpty());
}

namespace {

// Files may grow to limit bytes while it lives; SIGXFSZ is ignored, so a
// write past it fails with EFBIG as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lower{limit, m_old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
};

} // namespace

// A write that fails ends the extraction there, as a copy does: the members
// after it are not written, and no part of the failed one stays under a
// real name; a file it was to replace stays as it was.
TEST_F(Guarded, AFailedWriteEndsTheExtractionWithNothingHalfWritten)
{
    TarWriter t;
    t.add("first.txt", '0', "1");
    t.add("big.bin", '0', QByteArray(3 << 20, 'b'));
    t.add("after.txt", '0', "2");
    write(QStringLiteral("C:\\w.tar"), t.finish());
    drives.directory(QStringLiteral("C:\\dst"));
    drives.file(QStringLiteral("C:\\old\\big.bin"), 0, "old");

    ArchiveOpResult fresh, replacing;
    {
        const FileSizeLimit limit(1 << 20);
        fresh = extract(QStringLiteral("C:\\w.tar"), QStringLiteral("C:\\dst"));
        replacing = extract(QStringLiteral("C:\\w.tar"), QStringLiteral("C:\\old"));
    }
    EXPECT_FALSE(fresh.passed);
    EXPECT_FALSE(fresh.aborted);
    EXPECT_EQ(QDir(host(QStringLiteral("C:\\dst")))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"first.txt"});
    EXPECT_TRUE(told().contains(QStringLiteral("Write error File C:\\dst\\big.bin\r")))
        << told().toStdString();
    EXPECT_FALSE(told().contains(QStringLiteral("after.txt")));

    EXPECT_FALSE(replacing.passed);
    EXPECT_EQ(drives.read(QStringLiteral("C:\\old\\big.bin")), QByteArray("old"));
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\old\\after.txt")));
    EXPECT_TRUE(temporaries(QStringLiteral("C:\\old")).isEmpty());
}

// Names longer than the listing shows (1,024 bytes) are written whole: two
// that differ only past that point stay two files, whether the whole
// archive or the member the panel lists under the cut name is taken out. A
// name the file system cannot hold is refused by name, and dovex-cli says
// so in its exit status.
TEST_F(Guarded, NamesPastTheListingCapAreWrittenWhole)
{
    REQUIRE_PROGRAM("tar");
    QStringList dirs;
    for (char c : {'a', 'b', 'c', 'd', 'e'})
        dirs << QString(240, QLatin1Char(c));
    const QString deep = dirs.join('\\');
    drives.file(QStringLiteral("C:\\src\\") + deep + QStringLiteral("\\x1"), 0, QByteArray("one"));
    drives.file(QStringLiteral("C:\\src\\") + deep + QStringLiteral("\\x2"), 0, QByteArray("two"));
    ASSERT_TRUE(run(host(QStringLiteral("C:\\src")), QStringLiteral("tar"),
                    {"-cf", host(QStringLiteral("C:\\long.tar")), dirs.first()}));

    drives.directory(QStringLiteral("C:\\all"));
    EXPECT_TRUE(extract(QStringLiteral("C:\\long.tar"), QStringLiteral("C:\\all")).passed);
    EXPECT_EQ(drives.read(QStringLiteral("C:\\all\\") + deep + QStringLiteral("\\x1")),
              QByteArray("one"));
    EXPECT_EQ(drives.read(QStringLiteral("C:\\all\\") + deep + QStringLiteral("\\x2")),
              QByteArray("two"));
    EXPECT_TRUE(prompter.asked().isEmpty()) << told().toStdString();

    // The panel lists both under one cut name, as files of the fourth level.
    const QString inner = dirs.mid(0, 4).join('\\');
    PanelEntries level;
    archiveReaders().list(QStringLiteral("C:\\long.tar"), inner, QStringLiteral("*.*"), level);
    ASSERT_EQ(level.size(), 3u);
    drives.directory(QStringLiteral("C:\\one"));
    EXPECT_TRUE(OperateFromArchive(ArchiveOp::Copy, QStringLiteral("C:\\long.tar"), kKindTar, inner,
                                   {MemberItem{level[1].name, false}}, QStringLiteral("C:\\one"),
                                   false, prompter, progress)
                    .passed);
    EXPECT_EQ(drives.read(QStringLiteral("C:\\one\\x1")), QByteArray("one"));
    EXPECT_EQ(drives.read(QStringLiteral("C:\\one\\x2")), QByteArray("two"));

    TarWriter t;
    t.add(QByteArray(300, 'n') + "/f", '0', "f");
    t.add("ok", '0', "ok");
    write(QStringLiteral("C:\\toolong.tar"), t.finish());
    drives.directory(QStringLiteral("C:\\t"));
    QProcess cli;
    cli.start(QStringLiteral(DOVEX_CLI), {"decompress", "C:\\toolong.tar", "C:\\t", "--subdirs"});
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 1);
    const QByteArray err = cli.readAllStandardError();
    EXPECT_TRUE(
        err.contains("Refused C:\\t\\" + QByteArray(300, 'n') + "\\f: its name is too long"))
        << err.constData();
    EXPECT_EQ(drives.read(QStringLiteral("C:\\t\\ok")), QByteArray("ok"));
}

namespace {

class CutIso : public Guarded, public ::testing::WithParamInterface<Archiver> {};

} // namespace

// An ISO image cut short lists as damaged, wherever the cut falls in the
// files' data (the listing reads only the directories at its start).
TEST_P(CutIso, ListsAsDamaged)
{
    const QString program = QString::fromLatin1(GetParam().program);
    REQUIRE_PROGRAM(GetParam().program);
    drives.file(QStringLiteral("C:\\src\\a.txt"), 0, "a");
    drives.file(QStringLiteral("C:\\src\\big.bin"), 400000);
    drives.file(QStringLiteral("C:\\src\\z.bin"), 300000);
    QStringList args{"-quiet", "-R", "-o", host(QStringLiteral("C:\\i.iso")), "."};
    if (program == QLatin1String("xorriso"))
        args = QStringList{"-as", "mkisofs"} + args;
    ASSERT_TRUE(run(host(QStringLiteral("C:\\src")), program, args));
    const QByteArray whole = drives.read(QStringLiteral("C:\\i.iso"));
    PanelEntries entries;
    archiveReaders().list(QStringLiteral("C:\\i.iso"), {}, QStringLiteral("*.*"), entries);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_FALSE(archiveReaders().lastReadDamaged());

    for (qsizetype keep : {whole.size() / 2, whole.size() * 3 / 4, whole.size() - 2048}) {
        const QString cut = QStringLiteral("C:\\cut%1.iso").arg(keep);
        write(cut, whole.left(keep));
        ASSERT_EQ(DetectArchiveKind(cut), QChar(kKindIso));
        archiveReaders().list(cut, {}, QStringLiteral("*.*"), entries);
        EXPECT_TRUE(archiveReaders().lastReadDamaged()) << keep << " of " << whole.size();
    }
}

INSTANTIATE_TEST_SUITE_P(Makers, CutIso,
                         ::testing::Values(Archiver{"genisoimage", "genisoimage"},
                                           Archiver{"xorriso", "xorriso"}),
                         [](const ::testing::TestParamInfo<Archiver>& info) {
                             return std::string(info.param.label);
                         });
