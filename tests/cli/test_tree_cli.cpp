// dovex-cli tree prints a drive's tree as the tree view reads it.
#include "support/drivefixture.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <unistd.h>

namespace dovex::test {

namespace {

QProcess* run(QProcess& p, const QStringList& args)
{
    p.start(QStringLiteral(DOVEX_CLI), args);
    p.waitForFinished(30000);
    return &p;
}

} // namespace

TEST(TreeCli, OnePathALineInTreeOrderWithLinksNotEnteredAndNamesEscaped)
{
    DriveFixture drives(QStringLiteral("C"));
    drives.directory(QStringLiteral("C:\\b\\inner"));
    drives.directory(QStringLiteral("C:\\A"));
    const QByteArray root = drives.root('C').toUtf8();
    ASSERT_EQ(::mkdir((root + "/tab\there").constData(), 0755), 0);
    ASSERT_EQ(::mkdir((root + "/back\\slash").constData(), 0755), 0);
    ASSERT_EQ(::symlink("/", (root + "/b/inner/toroot").constData()), 0);
    ASSERT_EQ(::symlink("..", (root + "/b/up").constData()), 0);
    QProcess p;
    run(p, {QStringLiteral("tree"), QStringLiteral("c:")});
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()),
              QStringLiteral("C:\\A\nC:\\b\nC:\\b\\inner\nC:\\b\\inner\\toroot\nC:\\b\\up\n"
                             "C:\\back\\\\slash\nC:\\tab\\there\n"));

    QProcess bad;
    run(bad, {QStringLiteral("tree"), QStringLiteral("C:\\b")});
    EXPECT_EQ(bad.exitCode(), 2);
    QProcess unmapped;
    run(unmapped, {QStringLiteral("tree"), QStringLiteral("Q")});
    EXPECT_EQ(unmapped.exitCode(), 2);
}

} // namespace dovex::test
