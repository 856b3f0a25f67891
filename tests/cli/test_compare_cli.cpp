// dovex-cli compare, size and attrib run as programs over temporary drives.
#include "support/drivefixture.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace dovex::test {

namespace {

struct CliResult {
    int rc = -1;
    QStringList lines;
    QString err;
};

CliResult cli(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(DOVEX_CLI), args);
    CliResult r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

struct stat statOf(const QString& host)
{
    struct stat st {};
    ::lstat(QFile::encodeName(host).constData(), &st);
    return st;
}

} // namespace

TEST(CompareCli, CompareAndSizePrintWhatTheWindowWouldShow)
{
    DriveFixture drives(QStringLiteral("CD"));
    drives.file("C:\\l\\same", 4);
    drives.file("D:\\r\\same", 4);
    drives.file("C:\\l\\left", 1);
    drives.file("D:\\r\\Left", 1);
    for (const char* p : {"C:\\l\\same", "D:\\r\\same", "C:\\l\\left", "D:\\r\\Left"})
        drives.setTime(p, {2010, 1, 1, 0, 0, 0});
    CliResult r = cli({"compare", "C:\\l", "D:\\r"});
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.lines, QStringList({"L\tleft", "R\tLeft"}));
    r = cli({"compare", "C:\\l", "C:\\l"});
    EXPECT_EQ(r.lines, QStringList({"The two Directory's apears to be identical."}));
    EXPECT_EQ(cli({"compare", "C:\\l", "C:\\missing"}).rc, 2);

    drives.file("C:\\l\\.git\\objects\\a", 1000);
    r = cli({"size", "C:\\l", "D:\\r\\same"});
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.lines, QStringList({"Total size of selected files: 1,009 bytes",
                                    "Total selected files: 4"}));
}

TEST(CompareCli, AttribChangesOnlyTheNamedBitsAndRefusesABadDate)
{
    DriveFixture drives;
    drives.file("C:\\t\\a", 1);
    drives.file("C:\\t\\.cfg\\b", 1);
    const QString a = drives.host("C:\\t\\a");
    const auto before = statOf(a).st_mtim.tv_sec;

    CliResult r = cli({"attrib", "C:\\t\\a", "+R", "--date", "31/02/99 10:00:00"});
    EXPECT_EQ(r.rc, 2);
    EXPECT_TRUE(r.err.contains("'31/02/99 10:00:00' is not a valid date and time"));
    EXPECT_TRUE(statOf(a).st_mode & S_IWUSR);

    r = cli({"attrib", "C:\\t\\a", "+S", "-A"});
    EXPECT_EQ(r.lines, QStringList({"C:\\\\t\\\\a\t__S_"}));
    r = cli({"attrib", "C:\\t\\a", "+R"}); // S and A as they were
    EXPECT_EQ(r.lines, QStringList({"C:\\\\t\\\\a\tR_S_"}));
    EXPECT_EQ(statOf(a).st_mtim.tv_sec, before);

    const QString b = drives.host("C:\\t\\.cfg\\b");
    r = cli({"attrib", "C:\\t", "+R", "--date", "03/02/01 04:05:06"});
    EXPECT_TRUE(statOf(b).st_mode & S_IWUSR); // without --subdirs nothing below changes
    r = cli({"attrib", "C:\\t", "+R", "--date", "03/02/01 04:05:06", "--subdirs"});
    EXPECT_EQ(r.rc, 0);
    EXPECT_FALSE(statOf(b).st_mode & S_IWUSR);
    EXPECT_EQ(statOf(b).st_mtim.tv_sec, unixFromDosDateTime(packDosDateTime({2001, 2, 3, 4, 5, 6})));
    EXPECT_EQ(statOf(a).st_mtim.tv_sec, before); // read-only already: keeps its time
    EXPECT_TRUE(statOf(drives.host("C:\\t\\.cfg")).st_mode & S_IWUSR);
}

} // namespace dovex::test
