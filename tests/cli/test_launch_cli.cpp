// dovex-cli shortcut and buttons run as programs over a temporary drive.
#include "support/drivefixture.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

struct CliResult {
    int rc = -1;
    QStringList lines;
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
    return r;
}

} // namespace

TEST(LaunchCli, ShortcutWritesTheLinkAndPrintsItsPath)
{
    DriveFixture drives(QStringLiteral("CD"));
    drives.file(QStringLiteral("C:\\apps\\EDITOR.EXE"), 5);
    drives.directory(QStringLiteral("C:\\apps\\links"));
    CliResult r = cli({"shortcut", "C:\\apps\\EDITOR.EXE", "C:\\apps\\links"});
    ASSERT_EQ(r.rc, 0);
    EXPECT_EQ(r.lines, QStringList{"C:\\apps\\links\\Editor.lnk"});
    const QByteArray bytes = drives.read(QStringLiteral("C:\\apps\\links\\Editor.lnk"));
    EXPECT_EQ(bytes.left(4), QByteArray("\x4C\0\0\0", 4));
    EXPECT_TRUE(bytes.contains("..\\..\\apps\\EDITOR.EXE"));

    EXPECT_EQ(cli({"shortcut", "C:\\apps\\missing", "C:\\apps"}).rc, 2);
    EXPECT_EQ(cli({"shortcut", "C:\\apps\\EDITOR.EXE", "C:\\nowhere"}).rc, 2);
    EXPECT_EQ(cli({"shortcut", "C:\\apps\\EDITOR.EXE"}).rc, 2);
}

TEST(LaunchCli, ButtonsPrintTheDefinedSlotsWithTheirPositions)
{
    DriveFixture drives;
    QFile f(drives.windowsDir() + "/Dovex.Ini");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Button1]\nCommand=a\n[Button2]\nCommand=b\n[Button3]\nCommand=xx\n"
            "[Button5]\nCommand=c\n[Button40]\nCommand=\n");
    f.close();
    const CliResult r = cli({"buttons"});
    ASSERT_EQ(r.rc, 0);
    EXPECT_EQ(r.lines, (QStringList{"1\t14", "2\t39", "5\t80", "40\t377"}));
    // Listing writes nothing back.
    QFile again(drives.windowsDir() + "/Dovex.Ini");
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_FALSE(again.readAll().contains("Icon"));
}

} // namespace dovex::test
