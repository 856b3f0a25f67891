// dovex-cli split and merge run as programs over a temporary drive.
#include "support/drivefixture.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

struct CliRun {
    int rc = -1;
    QString err;
};

CliRun run(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(DOVEX_CLI), args);
    p.closeWriteChannel();
    CliRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

TEST(SplitMergeCli, SplitThenMergeGivesTheSameBytes)
{
    DriveFixture drives(QStringLiteral("CD"));
    drives.file(QStringLiteral("C:\\in\\movie.avi"), 3000000);
    const CliRun split = run({"split", "C:\\in\\movie.avi", "--size", "1420"});
    EXPECT_EQ(split.rc, 0) << split.err.toStdString();
    EXPECT_EQ(drives.read(QStringLiteral("C:\\in\\movie.003")).size(), 83648);
    EXPECT_TRUE(
        drives.read(QStringLiteral("C:\\in\\movie.crc")).startsWith("filename=movie.avi\n"));

    const CliRun merge = run({"merge", "C:\\in\\movie.001", "--to", "D:\\movie.avi"});
    EXPECT_EQ(merge.rc, 0) << merge.err.toStdString();
    EXPECT_EQ(drives.read(QStringLiteral("D:\\movie.avi")),
              drives.read(QStringLiteral("C:\\in\\movie.avi")));

    // Without --to the set's base is proposed; an existing target is kept
    // under --overwrite=none and a part as target is refused.
    EXPECT_EQ(run({"merge", "C:\\in\\movie.001"}).rc, 0);
    EXPECT_EQ(drives.read(QStringLiteral("C:\\in\\movie")).size(), 3000000);
    const CliRun kept = run({"merge", "C:\\in\\movie.001", "--to", "C:\\in\\movie.avi"});
    EXPECT_EQ(kept.rc, 1);
    EXPECT_TRUE(kept.err.contains("Exists, Overwrite? [No]")) << kept.err.toStdString();
    const CliRun self = run({"merge", "C:\\in\\movie.001", "--to", "C:\\in\\movie.003"});
    EXPECT_EQ(self.rc, 1);
    EXPECT_TRUE(self.err.contains("Cannot copy to itself"));
    EXPECT_EQ(drives.read(QStringLiteral("C:\\in\\movie.003")).size(), 83648);

    EXPECT_EQ(run({"merge", "C:\\in\\movie.002"}).rc, 2);
    EXPECT_EQ(run({"split", "C:\\in\\movie.avi"}).rc, 2);
    EXPECT_EQ(run({"split", "/etc/passwd", "--size", "1"}).rc, 2);
}

} // namespace dovex::test
