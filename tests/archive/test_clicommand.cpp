// dovex-cli archive, run as the separate program it is.
#include "archivetestsupport.h"

#include "support/drivefixture.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

using namespace dovex;
using namespace dovex::test;

namespace {

struct CliRun {
    int exitCode = -1;
    QStringList lines;
    QString error;
};

QString cliPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../src/dovex-cli");
}

CliRun runCli(const QStringList& args)
{
    QProcess p;
    p.start(cliPath(), QStringList{QStringLiteral("archive")} + args);
    p.waitForFinished(30000);
    CliRun r;
    r.exitCode = p.exitCode();
    r.lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    r.error = QString::fromUtf8(p.readAllStandardError()).trimmed();
    return r;
}

} // namespace

TEST(CliArchive, PrintsTheLevelAsThePanelListsIt)
{
    if (!QFileInfo(cliPath()).isExecutable())
        GTEST_SKIP() << "dovex-cli is not built next to the tests";
    DriveFixture drives;
    const std::uint32_t when = 0x52AF1234; // 2021-05-15 02:17:40
    drives.file("C:\\t.zip", 0,
                buildZip({{"b.txt", 5, when, false},
                          {"docs/a.txt", 7, when, false},
                          {"docs/deep/x.TXT", 9, when, false},
                          {"docs/y.doc", 9, when, false}}));
    CliRun r = runCli({"C:\\t.zip"});
    EXPECT_EQ(r.exitCode, 0) << r.error.toStdString();
    ASSERT_EQ(r.lines.size(), 4);
    EXPECT_EQ(r.lines[0], "  [PkZip]");
    EXPECT_TRUE(r.lines[1].startsWith("..\tD\t0\t"));
    EXPECT_EQ(r.lines[2], "docs\tD\t7\t2021-05-15 02:17:40\tdocs\\a.txt");
    EXPECT_EQ(r.lines[3], "b.txt\tF\t5\t2021-05-15 02:17:40\tb.txt");

    r = runCli({"C:\\t.zip", "docs", "--filter", "*.TXT"});
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.lines.size(), 4);
    EXPECT_TRUE(r.lines[2].startsWith("deep\tD\t"));
    EXPECT_TRUE(r.lines[3].startsWith("a.txt\tF\t7\t"));
}

TEST(CliArchive, BadFilesExitWithOneLine)
{
    if (!QFileInfo(cliPath()).isExecutable())
        GTEST_SKIP() << "dovex-cli is not built next to the tests";
    DriveFixture drives;
    drives.file("C:\\plain.txt", 0, "not an archive");
    const QByteArray zip = buildZip({{"a.txt", 1, 0, false}, {"b.txt", 2, 0, false}});
    drives.file("C:\\cut.zip", 0, zip.left(zip.indexOf("PK\x03\x04", 4) + 10));
    drives.file("C:\\ok.zip", 0, zip);
    for (const QStringList& args : {QStringList{"C:\\missing.zip"}, QStringList{"C:\\plain.txt"},
                                    QStringList{"C:\\ok.zip", "nodir"}}) {
        const CliRun r = runCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.lines.isEmpty());
        EXPECT_EQ(r.error.count('\n'), 0);
        EXPECT_FALSE(r.error.isEmpty());
    }
    // A damaged archive lists what could be read, and says so.
    const CliRun r = runCli({"C:\\cut.zip"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.lines.size(), 3);
    EXPECT_TRUE(r.error.contains("damaged"));
}
