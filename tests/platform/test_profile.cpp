#include "platform/profile.h"

#include "platform/hostname.h"
#include "platform/profiletext.h"

#include "support/drivefixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace dovex;

namespace {

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ProfileTest : public ::testing::Test {
protected:
    test::DriveFixture drives;
    QString ini() const { return drives.windowsDir() + QStringLiteral("/Dovex.Ini"); }
};

} // namespace

TEST_F(ProfileTest, MissingFileSectionOrKeyGiveTheDefault)
{
    EXPECT_EQ(profileString("Panels", "Dir1", "C:\\", "Dovex.Ini"), "C:\\");
    writeFile(ini(), "[Other]\nDir1=D:\\\n");
    EXPECT_EQ(profileString("Panels", "Dir1", "C:\\", "Dovex.Ini"), "C:\\");
    EXPECT_EQ(profileString("Other", "Dir2", "x", "Dovex.Ini"), "x");
    EXPECT_FALSE(QFile::exists(drives.windowsDir() + "/Nothing.ini"));
}

TEST_F(ProfileTest, NamesMatchWithoutRegardToCase)
{
    writeFile(ini(), "; comment\n[settings]\n  StatusBar = 0 \nEmpty=\n");
    EXPECT_EQ(profileString("Settings", "statusbar", "1", "Dovex.Ini"), "0");
    EXPECT_EQ(profileString("SETTINGS", "Empty", "d", "Dovex.Ini"), "");
}

TEST_F(ProfileTest, ReadsAreCutAt1023Bytes)
{
    writeFile(ini(), "[A]\nK=" + QByteArray(3000, 'x') + "\n");
    EXPECT_EQ(profileString("A", "K", "", "Dovex.Ini").size(), 1023);
}

TEST_F(ProfileTest, WriteReplacesInPlaceAndKeepsEveryOtherLine)
{
    const QByteArray before =
        "; my notes\n[Settings]\nStatusBar=1\nOwnKey=keep me\n\n[Mine]\nX=1\n";
    writeFile(ini(), before);
    ASSERT_TRUE(writeProfileString("Settings", "Statusbar", "0", "Dovex.Ini").ok());
    EXPECT_EQ(readFile(ini()),
              "; my notes\n[Settings]\nStatusbar=0\nOwnKey=keep me\n\n[Mine]\nX=1\n");
}

TEST_F(ProfileTest, NewKeysJoinTheirSectionAndNewSectionsGoLast)
{
    writeFile(ini(), "[A]\nK=1\n\n[B]\nL=2\n");
    ASSERT_TRUE(writeProfileString("a", "New", "v", "Dovex.Ini").ok());
    ASSERT_TRUE(writeProfileString("C", "M", "3", "Dovex.Ini").ok());
    EXPECT_EQ(readFile(ini()), "[A]\nK=1\nNew=v\n\n[B]\nL=2\n\n[C]\nM=3\n");
    EXPECT_EQ(profileString("A", "new", "", "Dovex.Ini"), "v");
}

TEST_F(ProfileTest, CarriageReturnLineEndsAreKept)
{
    writeFile(ini(), "[A]\r\nK=1\r\n");
    ASSERT_TRUE(writeProfileString("A", "K", "2", "Dovex.Ini").ok());
    EXPECT_EQ(readFile(ini()), "[A]\r\nK=2\r\n");
}

TEST_F(ProfileTest, EraseSectionRemovesOnlyThatSection)
{
    writeFile(ini(), "[Button3]\nText=a\nCommand=b\n[Button4]\nText=c\n");
    ASSERT_TRUE(eraseProfileSection("button3", "Dovex.Ini").ok());
    EXPECT_EQ(readFile(ini()), "[Button4]\nText=c\n");
}

TEST_F(ProfileTest, AnUnwritableFileIsReportedAndLeftAlone)
{
    writeFile(ini(), "[A]\nK=1\n");
    QFile::setPermissions(drives.windowsDir(), QFile::ReadOwner | QFile::ExeOwner);
    const Result r = writeProfileString("A", "K", "2", "Dovex.Ini");
    QFile::setPermissions(drives.windowsDir(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes anywhere";
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error().contains("Dovex.Ini"));
    EXPECT_EQ(readFile(ini()), "[A]\nK=1\n");
}

namespace {

struct stat statOf(const QString& path)
{
    struct stat st = {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

} // namespace

TEST_F(ProfileTest, AMissingFileIsNormalButOneThatCannotBeReadIsTold)
{
    EXPECT_EQ(checkProfileFile("Dovex.Ini").state, ProfileFileState::Missing);
    writeFile(ini(), "[A]\nK=1\n");
    EXPECT_EQ(checkProfileFile("Dovex.Ini").state, ProfileFileState::Readable);
    QFile::remove(ini());

    // A directory, a FIFO (which must not stop the reader) and a link
    // pointing at itself, each in the file's place.
    ASSERT_EQ(::mkdir(QFile::encodeName(ini()).constData(), 0755), 0);
    writeFile(ini() + "/inside", "mine");
    ProfileFileCheck c = checkProfileFile("Dovex.Ini");
    EXPECT_EQ(c.state, ProfileFileState::Unreadable);
    EXPECT_EQ(c.reason, QString::fromLocal8Bit(std::strerror(EISDIR)));
    EXPECT_EQ(profileString("A", "K", "dflt", "Dovex.Ini"), "dflt");
    const Result r = writeProfileString("A", "K", "2", "Dovex.Ini");
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.error().contains(ini())) << r.error().toStdString();
    EXPECT_TRUE(r.error().contains(c.reason)) << r.error().toStdString();
    EXPECT_FALSE(eraseProfileSection("A", "Dovex.Ini").ok());
    EXPECT_EQ(readFile(ini() + "/inside"), "mine");
    QFile::remove(ini() + "/inside");
    ::rmdir(QFile::encodeName(ini()).constData());

    ASSERT_EQ(::mkfifo(QFile::encodeName(ini()).constData(), 0644), 0);
    EXPECT_EQ(checkProfileFile("Dovex.Ini").state, ProfileFileState::Unreadable);
    EXPECT_FALSE(writeProfileString("A", "K", "2", "Dovex.Ini").ok());
    EXPECT_TRUE(S_ISFIFO(statOf(ini()).st_mode));
    QFile::remove(ini());

    ASSERT_TRUE(QFile::link("Dovex.Ini", ini()));
    EXPECT_EQ(checkProfileFile("Dovex.Ini").state, ProfileFileState::Unreadable);
    EXPECT_FALSE(writeProfileString("A", "K", "2", "Dovex.Ini").ok());
    EXPECT_TRUE(S_ISLNK(statOf(ini()).st_mode));
    QFile::remove(ini());

    // A file past the size limit is refused before it is loaded.
    {
        QFile big(ini());
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(qint64(300) << 20)); // sparse
    }
    EXPECT_EQ(checkProfileFile("Dovex.Ini").state, ProfileFileState::Unreadable);
    EXPECT_FALSE(writeProfileString("A", "K", "2", "Dovex.Ini").ok());
    EXPECT_EQ(QFileInfo(ini()).size(), qint64(300) << 20);
}

TEST_F(ProfileTest, AFileWithoutReadPermissionIsNeverRewritten)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads anything";
    writeFile(ini(), "[Mine]\nlots=of work\n");
    QFile::setPermissions(ini(), QFile::WriteOwner);
    const ProfileFileCheck c = checkProfileFile("Dovex.Ini");
    const Result r = writeProfileString("A", "K", "2", "Dovex.Ini");
    QFile::setPermissions(ini(), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(c.state, ProfileFileState::Unreadable);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(readFile(ini()), "[Mine]\nlots=of work\n");
}

TEST_F(ProfileTest, AReadOnlyFileIsLeftAsItIs)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes anything";
    writeFile(ini(), "[A]\nK=1\n");
    QFile::setPermissions(ini(), QFile::ReadOwner);
    const Result r = writeProfileString("A", "K", "2", "Dovex.Ini");
    QFile::setPermissions(ini(), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error().contains(ini()));
    EXPECT_EQ(readFile(ini()), "[A]\nK=1\n");
}

TEST_F(ProfileTest, AnotherProgramsWriteIsSeenAtTheNextRead)
{
    writeFile(ini(), "[A]\nK=1\n");
    EXPECT_EQ(profileString("A", "K", "", "Dovex.Ini"), "1");
    const struct stat before = statOf(ini());

    // In place, the same size, at once, and with the old modification
    // time put back.
    writeFile(ini(), "[A]\nK=2\n");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(ini()).constData(), times, 0), 0);
    EXPECT_EQ(profileString("A", "K", "", "Dovex.Ini"), "2");

    // Replaced by a new file, and grown.
    writeFile(ini() + ".new", "[A]\nK=3\n");
    ASSERT_EQ(::rename(QFile::encodeName(ini() + ".new").constData(),
                       QFile::encodeName(ini()).constData()),
              0);
    EXPECT_EQ(profileString("A", "K", "", "Dovex.Ini"), "3");
    writeFile(ini(), "[A]\nK=4\n[B]\nL=5\n");
    EXPECT_EQ(profileString("a", "k", "", "Dovex.Ini"), "4");
    EXPECT_EQ(profileString("B", "L", "", "Dovex.Ini"), "5");

    // Our own write, then another program's at once.
    ASSERT_TRUE(writeProfileString("A", "K", "6", "Dovex.Ini").ok());
    EXPECT_EQ(profileString("A", "K", "", "Dovex.Ini"), "6");
    writeFile(ini(), "[A]\nK=7\n[B]\nL=5\n");
    EXPECT_EQ(profileString("A", "K", "", "Dovex.Ini"), "7");
    QFile::remove(ini());
    EXPECT_EQ(profileString("A", "K", "gone", "Dovex.Ini"), "gone");
}

TEST_F(ProfileTest, AWriteChangesOneLineAndKeepsEveryOtherByte)
{
    // Mixed line ends, odd lines, bytes that are not UTF-8, a NUL, and no
    // line end at the end.
    static const char raw[] = "\xEF\xBB\xBF; notes\r\n"
                              "=no key\r\n"
                              "[Settings]\r\n"
                              "  StatusBar = 1  \r\n"
                              "junk without equals\n"
                              "Caf\xE9=latin\x00one\r\n"
                              "\r\n"
                              "[broken\n"
                              "\t\n"
                              "[Last]\n"
                              "X=1";
    const QByteArray text(raw, sizeof(raw) - 1);
    writeFile(ini(), text);
    ASSERT_TRUE(writeProfileString("settings", "statusbar", "0", "Dovex.Ini").ok());
    QByteArray expected = text;
    expected.replace("  StatusBar = 1  \r\n", "statusbar=0\r\n");
    EXPECT_EQ(readFile(ini()), expected);

    // A new key follows the section's last line that is not blank ("[broken"
    // is no header) and ends as the file's first line does.
    ASSERT_TRUE(writeProfileString("Settings", "New", "v", "Dovex.Ini").ok());
    expected.replace("[broken\n\t\n", "[broken\nNew=v\r\n\t\n");
    EXPECT_EQ(readFile(ini()), expected);

    // The last line gets its end before the next line is added.
    ASSERT_TRUE(writeProfileString("Last", "Y", "2", "Dovex.Ini").ok());
    expected += "\r\nY=2\r\n";
    EXPECT_EQ(readFile(ini()), expected);
    ASSERT_TRUE(writeProfileString("Extra", "Z", "3", "Dovex.Ini").ok());
    expected += "\r\n[Extra]\r\nZ=3\r\n";
    EXPECT_EQ(readFile(ini()), expected);
    EXPECT_EQ(profileString("Settings", "Caf\xE9", "?", "Dovex.Ini").size(), 9); // with its NUL
}

TEST_F(ProfileTest, TheFirstSectionAndTheFirstKeyOfANameWin)
{
    writeFile(ini(), "[A]\nK=1\nk=2\n[B]\nK=b\n[a]\nK=3\nM=4\n");
    EXPECT_EQ(profileString("A", "K", "", "Dovex.Ini"), "1");
    EXPECT_EQ(profileString("A", "M", "none", "Dovex.Ini"), "none");
    ASSERT_TRUE(writeProfileString("A", "K", "x", "Dovex.Ini").ok());
    EXPECT_EQ(readFile(ini()), "[A]\nK=x\nk=2\n[B]\nK=b\n[a]\nK=3\nM=4\n");
    ASSERT_TRUE(eraseProfileSection("a", "Dovex.Ini").ok());
    EXPECT_EQ(profileString("A", "M", "none", "Dovex.Ini"), "4");
    ASSERT_TRUE(eraseProfileSection("a", "Dovex.Ini").ok());
    EXPECT_EQ(readFile(ini()), "[B]\nK=b\n");
}

TEST_F(ProfileTest, NamesMatchAsCaseInsensitiveTextComparesThem)
{
    writeFile(ini(), "[\xC3\x84rger]\n\xC3\xA9t\xC3\xA9=summer\nk=kelvin\n");
    const struct {
        const char16_t* section;
        const char16_t* key;
    } tries[] = {{u"\u00E4RGER", u"\u00C9T\u00C9"},
                 {u"\u00C4rger", u"\u212A"},
                 {u"Arger", u"ete"},
                 {u"\u00E4rger", u"K"}};
    for (const auto& t : tries) {
        const QString section = QString::fromUtf16(t.section);
        const QString key = QString::fromUtf16(t.key);
        const bool same =
            section.compare(QString::fromUtf8("\xC3\x84rger"), Qt::CaseInsensitive) == 0 &&
            (key.compare(QString::fromUtf8("\xC3\xA9t\xC3\xA9"), Qt::CaseInsensitive) == 0 ||
             key.compare(QStringLiteral("k"), Qt::CaseInsensitive) == 0);
        EXPECT_EQ(profileString(section, key, "-", "Dovex.Ini") != "-", same)
            << section.toStdString() << " " << key.toStdString();
    }
}

TEST_F(ProfileTest, ValuesKeepBytesThatAreNotUtf8)
{
    writeFile(ini(), "[A]\nLatin=Caf\xE9\nStandIn=x\xEF\x81\x9Cy\n");
    const QString latin = profileString("A", "Latin", "", "Dovex.Ini");
    const QString standIn = profileString("A", "StandIn", "", "Dovex.Ini");
    EXPECT_EQ(standIn, QString::fromUtf16(u"x\uF05Cy"));
    ASSERT_TRUE(writeProfileString("B", "Latin", latin, "Dovex.Ini").ok());
    ASSERT_TRUE(writeProfileString("B", "StandIn", standIn, "Dovex.Ini").ok());
    ASSERT_TRUE(writeProfileString("B", "Path", "C:\\dir\\a", "Dovex.Ini").ok());
    EXPECT_EQ(readFile(ini()), "[A]\nLatin=Caf\xE9\nStandIn=x\xEF\x81\x9Cy\n\n[B]\nLatin=Caf\xE9\n"
                               "StandIn=x\xEF\x81\x9Cy\nPath=C:\\dir\\a\n");
}

TEST_F(ProfileTest, NamesAndValuesThatWouldNotStayOneLineAreRefused)
{
    writeFile(ini(), "[A]\nK=1\n");
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } bad[] = {{"A", "K", "1\n[Settings]\nShowIntro=0"},
               {"A", "K", "cr\r"},
               {"A", "K=", "x"},
               {"A", ";K", "x"},
               {"A", "[K]", "x"},
               {"A", " K", "x"},
               {"A", "", "x"},
               {"A]B", "K", "x"},
               {"A\nB", "K", "x"}};
    for (const auto& b : bad) {
        const Result r = writeProfileString(b.section, b.key, b.value, "Dovex.Ini");
        EXPECT_FALSE(r.ok()) << b.section << "/" << b.key;
        EXPECT_TRUE(r.error().contains(ini()));
    }
    EXPECT_FALSE(eraseProfileSection("A]", "Dovex.Ini").ok());
    EXPECT_EQ(readFile(ini()), "[A]\nK=1\n");
}

TEST_F(ProfileTest, AReplacedFileKeepsItsPermissionsAndItsLink)
{
    writeFile(ini(), "[A]\nK=1\n");
    ASSERT_EQ(::chmod(QFile::encodeName(ini()).constData(), 0640), 0);
    ASSERT_TRUE(writeProfileString("A", "K", "2", "Dovex.Ini").ok());
    EXPECT_EQ(statOf(ini()).st_mode & 07777, 0640u);

    // A settings file kept elsewhere and linked in stays linked.
    ASSERT_TRUE(QDir(drives.windowsDir()).mkpath("real"));
    writeFile(drives.windowsDir() + "/real/settings.ini", "[A]\nK=1\n");
    ::chmod(QFile::encodeName(drives.windowsDir() + "/real/settings.ini").constData(), 0600);
    QFile::remove(ini());
    ASSERT_EQ(::symlink("real/settings.ini", QFile::encodeName(ini()).constData()), 0);
    ASSERT_TRUE(writeProfileString("A", "K", "3", "Dovex.Ini").ok());
    EXPECT_TRUE(S_ISLNK(statOf(ini()).st_mode));
    EXPECT_EQ(readFile(drives.windowsDir() + "/real/settings.ini"), "[A]\nK=3\n");
    EXPECT_EQ(statOf(drives.windowsDir() + "/real/settings.ini").st_mode & 07777, 0600u);

    // A dangling link is written where it points, but no directory is made
    // for it.
    QFile::remove(ini());
    ASSERT_EQ(::symlink("gone/settings.ini", QFile::encodeName(ini()).constData()), 0);
    EXPECT_EQ(checkProfileFile("Dovex.Ini").state, ProfileFileState::Missing);
    EXPECT_FALSE(writeProfileString("A", "K", "4", "Dovex.Ini").ok());
    EXPECT_FALSE(QFileInfo::exists(drives.windowsDir() + "/gone"));
    ASSERT_TRUE(QDir(drives.windowsDir()).mkdir("gone"));
    ASSERT_TRUE(writeProfileString("A", "K", "4", "Dovex.Ini").ok());
    EXPECT_EQ(readFile(drives.windowsDir() + "/gone/settings.ini"), "[A]\nK=4\n");
    EXPECT_TRUE(S_ISLNK(statOf(ini()).st_mode));

    // No temporary file is left behind.
    EXPECT_EQ(QDir(drives.windowsDir()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{"Dovex.Ini"});
    for (const char* dir : {"/real", "/gone"})
        EXPECT_EQ(QDir(drives.windowsDir() + dir).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"settings.ini"});
}

TEST_F(ProfileTest, AFileIsCreatedWithItsDirectoryAndHostPathsKeepTheirBytes)
{
    const QByteArray top = QFile::encodeName(drives.windowsDir()) + "/new\xFF";
    const QByteArray path = top + "/deeper/s\xE9.ini";
    const QString file = hostname::decode(path);
    ASSERT_TRUE(writeProfileString("A", "K", "1", file).ok());
    struct stat st = {};
    EXPECT_EQ(::stat(path.constData(), &st), 0);
    EXPECT_EQ(st.st_size, 8);
    EXPECT_EQ(profileString("A", "K", "", file), "1");
    EXPECT_TRUE(eraseProfileSection("A", file).ok());
    EXPECT_EQ(::unlink(path.constData()), 0);
    EXPECT_EQ(::rmdir((top + "/deeper").constData()), 0);

    // The Windows directory named by bytes that are not UTF-8.
    qputenv("DOVEX_WINDIR", top);
    ASSERT_TRUE(writeProfileString("A", "K", "2", "Dovex.Ini").ok());
    EXPECT_EQ(profileString("A", "K", "", "Dovex.Ini"), "2");
    EXPECT_EQ(::unlink((top + "/Dovex.Ini").constData()), 0);
    EXPECT_EQ(::rmdir(top.constData()), 0);
}

TEST_F(ProfileTest, ABatchWritesOnceWithTheEffectOfSingleWrites)
{
    writeFile(ini(), "; mine\n[Settings]\nStatusBar=1\n[Packer1]\nName=ARJ\n");
    const QByteArray before = readFile(ini());
    ProfileBatch batch("Dovex.Ini");
    ASSERT_TRUE(batch.writeString("Settings", "Statusbar", "0").ok());
    ASSERT_TRUE(batch.writeString("Panels", "Dir1", "C:\\work").ok());
    ASSERT_TRUE(batch.writeString("Settings", "SortMeth1", "2").ok());
    ASSERT_TRUE(batch.eraseSection("Packer1").ok());
    ASSERT_TRUE(batch.writeString("Panels", "dir1", "C:\\other").ok());
    EXPECT_EQ(batch.readString("PANELS", "DIR1", ""), "C:\\other");
    EXPECT_EQ(batch.readString("Packer1", "Name", "gone"), "gone");
    EXPECT_EQ(readFile(ini()), before); // nothing reaches the disk before the commit
    EXPECT_EQ(profileString("Settings", "StatusBar", "", "Dovex.Ini"), "1");

    // Another program adds a key meanwhile: it is kept.
    writeFile(ini(), before + "[Theirs]\nT=1\n");
    ASSERT_TRUE(batch.commit().ok());
    EXPECT_EQ(readFile(ini()), "; mine\n[Settings]\nStatusbar=0\nSortMeth1=2\n[Theirs]\nT=1\n\n"
                               "[Panels]\ndir1=C:\\other\n");
}

TEST_F(ProfileTest, ABatchThatChangesNothingDoesNotWrite)
{
    writeFile(ini(), "[A]\nK=1\n");
    const struct stat before = statOf(ini());
    ProfileBatch batch("Dovex.Ini");
    ASSERT_TRUE(batch.writeString("A", "K", "1").ok());
    ASSERT_TRUE(batch.eraseSection("Nothing").ok());
    ASSERT_TRUE(batch.commit().ok());
    EXPECT_EQ(statOf(ini()).st_ino, before.st_ino);
    ProfileBatch missing(drives.windowsDir() + "/Other.ini");
    ASSERT_TRUE(missing.eraseSection("A").ok());
    ASSERT_TRUE(missing.commit().ok());
    EXPECT_FALSE(QFile::exists(drives.windowsDir() + "/Other.ini"));
}

TEST_F(ProfileTest, ManyKeysAreFoundByTheirIndex)
{
    QByteArray text = "[Big]\n";
    for (int i = 0; i < 30000; ++i)
        text += "Key" + QByteArray::number(i % 20000) + "=" + QByteArray::number(i) + "\n";
    text += "[Small]\nA=1\n";
    writeFile(ini(), text);
    for (int i : {0, 1, 15, 16, 17, 12345, 19999})
        EXPECT_EQ(profileString("big", "key" + QString::number(i), "", "Dovex.Ini"),
                  QString::number(i)); // the first of the two
    EXPECT_EQ(profileString("Big", "Key20000", "none", "Dovex.Ini"), "none");
    EXPECT_EQ(profileString("Small", "A", "", "Dovex.Ini"), "1");
}

namespace {

// The classic line-by-line algorithm, as a reference for files whose lines
// all end in "\n": find the first section of the name, replace its first key
// of the name or add after its last line that is not blank, or append the
// section after a blank line.
struct ReferenceIni {
    QList<QByteArray> lines;

    explicit ReferenceIni(const QByteArray& text)
    {
        lines = text.split('\n');
        lines.removeLast(); // every line ends in "\n"
    }
    static bool same(const QByteArray& a, const QString& b)
    {
        return QString::fromUtf8(a).compare(b, Qt::CaseInsensitive) == 0;
    }
    static bool header(const QByteArray& line, QByteArray* name)
    {
        const QByteArray t = line.trimmed();
        const int close = t.indexOf(']');
        if (!t.startsWith('[') || close < 0)
            return false;
        *name = t.mid(1, close - 1).trimmed();
        return true;
    }
    static bool key(const QByteArray& line, QByteArray* k)
    {
        const QByteArray t = line.trimmed();
        const int eq = t.indexOf('=');
        if (t.isEmpty() || t.startsWith(';') || eq < 0)
            return false;
        *k = t.left(eq).trimmed();
        return true;
    }
    std::pair<int, int> span(const QString& section) const
    {
        int start = -1;
        for (int i = 0; i < lines.size(); ++i) {
            QByteArray name;
            if (!header(lines[i], &name))
                continue;
            if (start >= 0)
                return {start, i};
            if (same(name, section))
                start = i;
        }
        return {start, int(lines.size())};
    }
    void write(const QString& section, const QString& k, const QByteArray& entry)
    {
        const auto [start, end] = span(section);
        if (start < 0) {
            if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
                lines.append(QByteArray());
            lines.append('[' + section.toUtf8() + ']');
            lines.append(entry);
            return;
        }
        int last = start;
        for (int i = start + 1; i < end; ++i) {
            QByteArray name;
            if (key(lines[i], &name) && same(name, k)) {
                lines[i] = entry;
                return;
            }
            if (!lines[i].trimmed().isEmpty())
                last = i;
        }
        lines.insert(last + 1, entry);
    }
    void erase(const QString& section)
    {
        const auto [start, end] = span(section);
        if (start >= 0)
            lines.erase(lines.begin() + start, lines.begin() + end);
    }
    QByteArray text() const
    {
        QByteArray out;
        for (const QByteArray& l : lines)
            out += l + '\n';
        return out;
    }
};

} // namespace

TEST(ProfileText, OneBatchOfEditsEqualsTheSameWritesOneByOne)
{
    using namespace profiletext;
    const QByteArray bases[] = {"",
                                "[A]\nk=1\n",
                                "x=0\n[a]\n\n[A]\nK2=5\n  \n",
                                "; c\n[C]\nk=1\n;x=1\n[A]\n[B]\n\n\n",
                                "junk\n[a]\nk\n=v\n[b]\nk=1\nk=2\n",
                                "; c\r\n[A]\r\nk=1\r\n\r\n[b]\r\nx=2",
                                "[D]\nk=1"};
    const QString sections[] = {"A", "a", "B", "C", "D"};
    const QString keys[] = {"k", "K", "K2", "x", "y"};
    std::mt19937 rng(1234);
    for (const QByteArray& base : bases) {
        const bool plain = !base.contains('\r') && (base.isEmpty() || base.endsWith('\n'));
        for (int round = 0; round < 150; ++round) {
            QByteArray oneByOne = base;
            ReferenceIni reference(base);
            Edit batch(std::make_shared<Text>(base));
            QString ops;
            for (int n = 1 + int(rng() % 12); n > 0; --n) {
                const QString& section = sections[rng() % 5];
                Edit single(std::make_shared<Text>(oneByOne));
                if (rng() % 5 == 0) {
                    ops += " erase " + section;
                    single.erase(section);
                    batch.erase(section);
                    reference.erase(section);
                } else {
                    const QString& key = keys[rng() % 5];
                    const QByteArray entry = key.toUtf8() + '=' + QByteArray::number(rng() % 100);
                    ops += " " + section + "/" + QString::fromUtf8(entry);
                    single.write(section, key, section.toUtf8(), entry);
                    batch.write(section, key, section.toUtf8(), entry);
                    reference.write(section, key, entry);
                }
                oneByOne = single.text();
                const QString& s = sections[rng() % 5];
                const QString& k = keys[rng() % 5];
                ASSERT_EQ(batch.value(s, k), Edit(std::make_shared<Text>(oneByOne)).value(s, k))
                    << base.toStdString() << ":" << ops.toStdString();
            }
            ASSERT_EQ(batch.text(), oneByOne) << base.toStdString() << ":" << ops.toStdString();
            if (plain) {
                ASSERT_EQ(oneByOne, reference.text())
                    << base.toStdString() << ":" << ops.toStdString();
            }
        }
    }
}
