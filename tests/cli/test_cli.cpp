// dovex-cli list run as a program over a temporary drive: the child inherits
// DOVEX_DRIVES and DOVEX_HOME from the fixture, and the locale of this
// process, so texts with separators are computed with QLocale() here.
#include "support/drivefixture.h"

#include "platform/dosattr.h"
#include "platform/fileattr.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>

#include <gtest/gtest.h>

#include <unistd.h>

namespace dovex::test {

namespace {

struct CliRun {
    int rc = -1;
    QStringList lines; // stdout, one entry per line
    QString err;
};

CliRun list(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(DOVEX_CLI), QStringList{QStringLiteral("list")} + args);
    CliRun r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n');
    if (!r.lines.isEmpty() && r.lines.last().isEmpty())
        r.lines.removeLast();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// The row of a name, split into its fields; empty when not listed.
QStringList fields(const CliRun& r, const QString& name)
{
    for (const QString& line : r.lines) {
        const QStringList f = line.split('\t');
        if (f.size() > 1 && f[0] == name)
            return f;
    }
    return {};
}

QString grouped(const char* digitsWithCommas)
{
    return QString::fromLatin1(digitsWithCommas).replace(',', QLocale().groupSeparator());
}

const DosDateTimeParts kWhen{2021, 3, 4, 5, 6, 8};

class CliList : public ::testing::Test {
protected:
    DriveFixture drives;

    void SetUp() override
    {
        drives.directory(QStringLiteral("C:\\sub"));
        drives.file(QStringLiteral("C:\\readme.txt"), 1000);
        drives.file(QStringLiteral("C:\\NOTES.TXT"), 234);
        drives.file(QStringLiteral("C:\\notes.txt1"), 7);
        drives.file(QStringLiteral("C:\\data.xyz"), 12'345'678);
        drives.file(QStringLiteral("C:\\locked.bin"), 5);
        for (const char* name : {"C:\\sub", "C:\\readme.txt", "C:\\NOTES.TXT", "C:\\notes.txt1",
                                 "C:\\data.xyz", "C:\\locked.bin"})
            drives.setTime(QString::fromLatin1(name), kWhen);
        ASSERT_TRUE(
            setFileAttributes(drives.host(QStringLiteral("C:\\locked.bin")), faReadOnly | faArchive)
                .ok());
    }
};

TEST_F(CliList, DefaultViewKeepsItsColumns)
{
    const CliRun r = list({QStringLiteral("C:\\")});
    ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines.size(), 7);
    EXPECT_EQ(r.lines[0], QStringLiteral("C:\\"));
    EXPECT_EQ(r.lines[1], QStringLiteral("sub\t0\t___D\t2021-03-04 05:06:08"));
    EXPECT_EQ(fields(r, QStringLiteral("data.xyz")),
              QStringList({"data.xyz", "12345678", "___A", "2021-03-04 05:06:08"}));
    EXPECT_EQ(fields(r, QStringLiteral("locked.bin"))[2], QStringLiteral("R__A"));
    for (const QString& line : r.lines)
        EXPECT_FALSE(line.endsWith(QStringLiteral("\t*"))) << line.toStdString();
}

TEST_F(CliList, FullViewWritesTheSizeColumnAndAttributeTexts)
{
    // A sparse file above 999,999,999 bytes shows whole MB, and its size
    // must not wrap at 32 bits.
    QFile huge(drives.host(QStringLiteral("C:\\huge.iso")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(1'500'000'000));
    huge.close();

    const CliRun r =
        list({QStringLiteral("C:\\sub"), QStringLiteral("--view"), QStringLiteral("full")});
    ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines.size(), 2);
    const QStringList up = r.lines[1].split('\t');
    ASSERT_EQ(up.size(), 4);
    EXPECT_EQ(up[0], QStringLiteral(".."));
    EXPECT_EQ(up[1], QStringLiteral("[UP--DIR]"));
    EXPECT_EQ(up[2], QStringLiteral("___D"));

    const CliRun root = list({QStringLiteral("C:\\"), QStringLiteral("--view=full")});
    ASSERT_EQ(root.rc, 0) << root.err.toStdString();
    EXPECT_EQ(fields(root, QStringLiteral("sub"))[1], QStringLiteral("[SUB-DIR]"));
    EXPECT_EQ(fields(root, QStringLiteral("data.xyz"))[1], grouped("12,056KB"));
    EXPECT_EQ(fields(root, QStringLiteral("huge.iso"))[1], grouped("1,430MB"));
    EXPECT_EQ(fields(root, QStringLiteral("readme.txt"))[1], grouped("1,000"));
    const QStringList locked = fields(root, QStringLiteral("locked.bin"));
    ASSERT_EQ(locked.size(), 4);
    EXPECT_EQ(locked[1], QStringLiteral("5")); // left padding dropped
    EXPECT_EQ(locked[2], QStringLiteral("R__A"));
    // The date is the locale's; its time part is the stored one.
    EXPECT_TRUE(locked[3].contains(QStringLiteral("05:06:08"))) << locked[3].toStdString();
    EXPECT_TRUE(locked[3].contains(QStringLiteral("2021"))) << locked[3].toStdString();
}

TEST_F(CliList, TypesComeFromTheCacheFileWhichIsNeverWritten)
{
    const QString cache = drives.programDir() + QStringLiteral("/regprop.dat");
    CliRun r = list({QStringLiteral("C:\\"), QStringLiteral("--view"), QStringLiteral("full"),
                     QStringLiteral("--types")});
    ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(cache));
    const QStringList sub = fields(r, QStringLiteral("sub"));
    ASSERT_EQ(sub.size(), 3);
    EXPECT_EQ(sub[1], QStringLiteral("[SUB-DIR]"));
    EXPECT_TRUE(sub[2].startsWith(' ') && sub[2].size() > 1);
    EXPECT_EQ(fields(r, QStringLiteral("data.xyz"))[2], QStringLiteral(" XYZ-File"));
    EXPECT_EQ(fields(r, QStringLiteral("notes.txt1"))[2], QStringLiteral(" TXT1-File"));

    // One 68-byte record: ".TXT" described as "Plain Words".
    QByteArray record(68, '\0');
    record[0] = 4;
    record.replace(1, 4, ".TXT");
    record[5] = 11;
    record.replace(6, 11, "Plain Words");
    QFile f(cache);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(record) == 68);
    f.close();
    r = list({QStringLiteral("C:\\"), QStringLiteral("--view=full"), QStringLiteral("--types")});
    ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_EQ(fields(r, QStringLiteral("readme.txt"))[2], QStringLiteral(" Plain Words"));
    EXPECT_EQ(fields(r, QStringLiteral("NOTES.TXT"))[2], QStringLiteral(" Plain Words"));
    EXPECT_EQ(fields(r, QStringLiteral("data.xyz"))[2], QStringLiteral(" XYZ-File"));
}

TEST_F(CliList, SelectMarksByMaskAndEndsWithTheSelectionLine)
{
    const CliRun r =
        list({QStringLiteral("C:\\"), QStringLiteral("--select"), QStringLiteral("*.TXT")});
    ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    // notes.txt1 passes too: the name's extension is cut to four characters.
    EXPECT_EQ(r.lines.last(), grouped("1,241") + QStringLiteral(" bytes in 3 files"));
    EXPECT_EQ(fields(r, QStringLiteral("readme.txt")).last(), QStringLiteral("*"));
    EXPECT_EQ(fields(r, QStringLiteral("notes.txt1")).size(), 5);
    EXPECT_EQ(fields(r, QStringLiteral("data.xyz")).size(), 4);
    EXPECT_EQ(fields(r, QStringLiteral("sub")).size(), 4);

    const CliRun full = list({QStringLiteral("C:\\"), QStringLiteral("--view=full"),
                              QStringLiteral("--types"), QStringLiteral("--select=*.TXT")});
    ASSERT_EQ(full.rc, 0) << full.err.toStdString();
    EXPECT_EQ(fields(full, QStringLiteral("NOTES.TXT")).size(), 4);
    EXPECT_EQ(fields(full, QStringLiteral("NOTES.TXT")).last(), QStringLiteral("*"));
    EXPECT_EQ(full.lines.last(), r.lines.last());
}

TEST_F(CliList, SelectMarksDirectoriesAndFallsBackToTheFirstRow)
{
    drives.file(QStringLiteral("C:\\sub\\a.c"), 3);
    CliRun r = list({QStringLiteral("C:\\sub"), QStringLiteral("--select"), QStringLiteral("*.*")});
    ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_NE(fields(r, QStringLiteral("..")).last(), QStringLiteral("*")); // never marked
    EXPECT_EQ(fields(r, QStringLiteral("a.c")).last(), QStringLiteral("*"));
    EXPECT_EQ(r.lines.last(), QStringLiteral("3 bytes in 1 files"));

    // Nothing marked: the line describes the row under a fresh panel's cursor.
    r = list({QStringLiteral("C:\\sub"), QStringLiteral("--select"), QStringLiteral("*.C")});
    ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines.size(), 4);
    EXPECT_TRUE(r.lines.last().startsWith(QStringLiteral("..   [UP--DIR] ")))
        << r.lines.last().toStdString();

    DriveFixture empty;
    r = list({QStringLiteral("C:\\"), QStringLiteral("--select"), QStringLiteral("*.*")});
    ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_EQ(r.lines, QStringList({"C:\\", "No files"}));
}

TEST_F(CliList, UnlistablePathsAndBadOptionsFailWithOneLine)
{
    const auto expectFailure = [](const QStringList& args) {
        const CliRun r = list(args);
        EXPECT_EQ(r.rc, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.lines.isEmpty()) << r.lines.join('|').toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("dovex-cli: ")));
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    };
    expectFailure({QStringLiteral("C:\\missing")});
    expectFailure({QStringLiteral("C:\\readme.txt")});
    expectFailure({QStringLiteral("Q:\\")});
    expectFailure({QStringLiteral("C:\\"), QStringLiteral("--view"), QStringLiteral("wide")});
    expectFailure({QStringLiteral("C:\\"), QStringLiteral("--types")});
    expectFailure({QStringLiteral("C:\\"), QStringLiteral("--sort"), QStringLiteral("9")});
    if (geteuid() != 0) {
        // A directory the search cannot open must not pass for an empty one.
        const QString host = drives.host(QStringLiteral("C:\\sub"));
        QFile::setPermissions(host, QFile::WriteOwner);
        expectFailure({QStringLiteral("C:\\sub")});
        QFile::setPermissions(host, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

} // namespace

} // namespace dovex::test
