// dovex-cli shortcut and buttons run as programs over a temporary drive.
#include "support/drivefixture.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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

TEST(LaunchCli, ShortcutReplacesAnExistingOneOnlyAsTheOptionsSay)
{
    DriveFixture drives;
    drives.file(QStringLiteral("C:\\apps\\EDITOR.EXE"), 5);
    drives.file(QStringLiteral("C:\\links\\Editor.lnk"), 0, "mine");
    CliResult r = cli({"shortcut", "C:\\apps\\EDITOR.EXE", "C:\\links"});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains("File C:\\links\\Editor.lnk Exists,Overwrite? [No]"))
        << r.err.toStdString();
    EXPECT_EQ(drives.read(QStringLiteral("C:\\links\\Editor.lnk")), QByteArray("mine"));
    EXPECT_EQ(cli({"shortcut", "C:\\apps\\EDITOR.EXE", "C:\\links", "--overwrite=maybe"}).rc, 2);

    // Read-only: --overwrite=all alone keeps it, --protected=all too replaces it.
    QFile::setPermissions(drives.host(QStringLiteral("C:\\links\\Editor.lnk")),
                          QFileDevice::ReadOwner);
    r = cli({"shortcut", "C:\\apps\\EDITOR.EXE", "C:\\links", "--overwrite=all"});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(drives.read(QStringLiteral("C:\\links\\Editor.lnk")), QByteArray("mine"));
    r = cli(
        {"shortcut", "C:\\apps\\EDITOR.EXE", "C:\\links", "--overwrite=all", "--protected=all"});
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_EQ(cli({"link-target", "C:\\links\\Editor.lnk"}).lines,
              QStringList{"C:\\apps\\EDITOR.EXE"});

    // A shortcut named like its source is refused, the source kept.
    drives.file(QStringLiteral("C:\\notes.lnk"), 0, "source");
    r = cli({"shortcut", "C:\\notes.lnk", "C:\\", "--overwrite=all", "--protected=all"});
    EXPECT_NE(r.rc, 0);
    EXPECT_TRUE(r.err.contains("its own source")) << r.err.toStdString();
    EXPECT_EQ(drives.read(QStringLiteral("C:\\notes.lnk")), QByteArray("source"));
}

TEST(LaunchCli, LinkTargetFailsOnAShortcutItCannotRead)
{
    DriveFixture drives;
    drives.file(QStringLiteral("C:\\real.lnk"), 0, QByteArray("x\0.\\work\\a.txt", 14));
    ASSERT_EQ(cli({"link-target", "C:\\real.lnk"}).lines, QStringList{"C:\\work\\a.txt"});
    const QByteArray real = QFile::encodeName(drives.host(QStringLiteral("C:\\real.lnk")));
    ::symlink(real.constData(),
              QFile::encodeName(drives.host(QStringLiteral("C:\\linked.lnk"))).constData());
    ::mkfifo(QFile::encodeName(drives.host(QStringLiteral("C:\\fifo.lnk"))).constData(), 0644);
    drives.directory(QStringLiteral("C:\\dir.lnk"));
    drives.file(QStringLiteral("C:\\cut.lnk"), 0, QByteArray("L\0\0\0", 4));
    for (const char* name :
         {"C:\\linked.lnk", "C:\\fifo.lnk", "C:\\dir.lnk", "C:\\cut.lnk", "C:\\missing.lnk"}) {
        const CliResult r = cli({"link-target", name});
        EXPECT_NE(r.rc, 0) << name;
        EXPECT_TRUE(r.lines.isEmpty()) << name;
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(name))) << r.err.toStdString();
    }
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
