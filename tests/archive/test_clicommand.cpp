// dovex-cli archive, run as the separate program it is.
#include "archivetestsupport.h"

#include "support/drivefixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sys/stat.h>

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
    CliRun r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "dovex-cli archive " << args.join(' ').toStdString() << " hung";
        return r;
    }
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
    // The backslashes of a path are written doubled, as in every field.
    EXPECT_EQ(r.lines[2], "docs\tD\t7\t2021-05-15 02:17:40\tdocs\\\\a.txt");
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

TEST(CliArchive, FifosAndArchivesCutShortExitWithTwo)
{
    if (!QFileInfo(cliPath()).isExecutable())
        GTEST_SKIP() << "dovex-cli is not built next to the tests";
    DriveFixture drives;
    drives.directory("C:\\d");
    ASSERT_EQ(::mkfifo(QFile::encodeName(drives.host("C:\\d\\x.zip")).constData(), 0600), 0);
    CliRun r = runCli({"C:\\d\\x.zip"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.lines.isEmpty());
    EXPECT_TRUE(r.error.contains("not a regular file")) << r.error.toStdString();

    // A rar 4 archive cut inside its main header, a bare rar 5 signature,
    // and lha archives cut inside a header and before their end marker. A
    // rar 4 archive that merely lacks its (optional) end block is whole.
    QByteArray rar("Rar!\x1A\x07\x00", 7);
    rar += QByteArray::fromHex("0000730000"
                               "0d00"
                               "000000000000");
    drives.file("C:\\d\\noend.rar", 0, rar);
    rar.chop(3);
    QByteArray lha;
    lha += char(27);
    lha += char(0);
    lha += "-lh0-";
    put32(lha, 2);
    put32(lha, 2);
    put32(lha, 0x52AF1234);
    lha += char(0x20);
    lha += char(0);
    lha += char(5);
    lha += "a.txt";
    put16(lha, 0);
    lha += "hi";
    ASSERT_EQ(lha.size(), 27 + 2 + 2);
    drives.file("C:\\d\\cut.rar", 0, rar);
    drives.file("C:\\d\\bare.rar", 0, QByteArray("Rar!\x1A\x07\x01\x00", 8));
    drives.file("C:\\d\\inside.lzh", 0, lha + lha.left(12));
    drives.file("C:\\d\\noend.lzh", 0, lha);
    drives.file("C:\\d\\whole.lzh", 0, lha + '\0');
    for (const char* path :
         {"C:\\d\\cut.rar", "C:\\d\\bare.rar", "C:\\d\\inside.lzh", "C:\\d\\noend.lzh"}) {
        r = runCli({path});
        EXPECT_EQ(r.exitCode, 2) << path;
        EXPECT_TRUE(r.error.contains("damaged")) << path;
    }
    r = runCli({"C:\\d\\noend.rar"});
    EXPECT_EQ(r.exitCode, 0) << r.error.toStdString();
    r = runCli({"C:\\d\\whole.lzh"});
    EXPECT_EQ(r.exitCode, 0) << r.error.toStdString();
    ASSERT_EQ(r.lines.size(), 3);
    EXPECT_EQ(r.lines[2], "a.txt\tF\t2\t2021-05-15 02:17:40\ta.txt");
}

TEST(CliArchive, LinksHaveTheirOwnKindAndEncryptedHeadersTheirOwnMessage)
{
    if (!QFileInfo(cliPath()).isExecutable())
        GTEST_SKIP() << "dovex-cli is not built next to the tests";
    DriveFixture drives;
    // An Lha link "d/lnk|f.txt" at level 0, and the end marker.
    QByteArray lha;
    const QByteArray name("d\\lnk|f.txt");
    lha += char(22 + name.size());
    lha += char(0);
    lha += "-lhd-";
    put32(lha, 0);
    put32(lha, 0);
    put32(lha, 0x52AF1234);
    lha += char(0x20);
    lha += char(0);
    lha += char(name.size());
    lha += name;
    put16(lha, 0);
    drives.file("C:\\l.lzh", 0, lha + '\0');
    CliRun r = runCli({"C:\\l.lzh", "d"});
    EXPECT_EQ(r.exitCode, 0) << r.error.toStdString();
    ASSERT_EQ(r.lines.size(), 3);
    EXPECT_EQ(r.lines[2], "lnk\tL\t0\t2021-05-15 02:17:40\td\\\\lnk");

    QByteArray rar("Rar!\x1A\x07\x00", 7);
    rar += QByteArray::fromHex("0000738000"
                               "0d00"
                               "000000000000");
    rar += QByteArray(48, '\x5A');
    drives.file("C:\\e.rar", 0, rar);
    r = runCli({"C:\\e.rar"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.error.contains("encrypted")) << r.error.toStdString();
    EXPECT_FALSE(r.error.contains("damaged")) << r.error.toStdString();
}

TEST(CliArchive, EveryRowIsOneLineOfFiveFieldsWithARealDate)
{
    if (!QFileInfo(cliPath()).isExecutable())
        GTEST_SKIP() << "dovex-cli is not built next to the tests";
    DriveFixture drives;
    // Month 13, day 0 and hour 25 cannot be; neither can a zero date.
    drives.file("C:\\n.zip", 0,
                buildZip({{"tab\there.txt", 1, 0, false},
                          {"line\nfeed.txt", 2, 0x01A0C800, false},
                          {"cr\r.txt", 3, 0, false},
                          {"dir/back\\slash.txt", 4, 0, false},
                          {"v\x0Bt\xE2\x80\xA8.txt", 5, 0, false}}));
    const CliRun r = runCli({"C:\\n.zip"});
    EXPECT_EQ(r.exitCode, 0) << r.error.toStdString();
    ASSERT_EQ(r.lines.size(), 7);
    for (const QString& line : r.lines.mid(1)) {
        EXPECT_EQ(line.count('\t'), 4) << line.toStdString();
        EXPECT_FALSE(line.contains('\r')) << line.toStdString();
    }
    for (const char* row : {"dir\tD\t4\t1980-01-01 00:00:00\tdir\\\\back\\\\slash.txt",
                            "tab\\there.txt\tF\t1\t1980-01-01 00:00:00\ttab\\there.txt",
                            "line\\nfeed.txt\tF\t2\t1980-12-01 23:00:00\tline\\nfeed.txt",
                            "cr\\r.txt\tF\t3\t1980-01-01 00:00:00\tcr\\r.txt",
                            "v\\x0bt\\u2028.txt\tF\t5\t1980-01-01 00:00:00\tv\\x0bt\\u2028.txt"})
        EXPECT_TRUE(r.lines.contains(QString::fromUtf8(row))) << row;
}
