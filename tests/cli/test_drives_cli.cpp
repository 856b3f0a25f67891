// dovex-cli drives lists what the drive boxes list.
#include "support/drivefixture.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace dovex::test {

TEST(DrivesCli, ListsEachMappedDriveWithItsNameAndKindOnly)
{
    DriveFixture drives(QStringLiteral("CD"));
    // A letter mapped twice and a malformed entry are not drives of their own.
    qputenv("DOVEX_DRIVES", qgetenv("DOVEX_DRIVES") + ";1=/tmp;QQ=/tmp;;");
    QProcess p;
    p.start(QStringLiteral(DOVEX_CLI), {QStringLiteral("drives")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    const QStringList lines =
        QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << lines.join('|').toStdString();
    const QString c = QFileInfo(drives.root('C')).fileName();
    const QString d = QFileInfo(drives.root('D')).fileName();
    EXPECT_TRUE(lines[0].startsWith("c: " + c + '\t')) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("d: " + d + '\t')) << lines[1].toStdString();
    for (const QString& line : lines)
        EXPECT_TRUE(QStringList({"removable", "fixed", "remote", "cdrom", "ramdisk"})
                        .contains(line.section('\t', 1)))
            << line.toStdString();

    QProcess extra;
    extra.start(QStringLiteral(DOVEX_CLI), {QStringLiteral("drives"), QStringLiteral("x")});
    ASSERT_TRUE(extra.waitForFinished(30000));
    EXPECT_EQ(extra.exitCode(), 2);
}

} // namespace dovex::test
