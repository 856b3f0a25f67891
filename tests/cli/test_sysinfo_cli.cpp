// dovex-cli sysinfo prints the System Info table.
#include "support/drivefixture.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace dovex::test {

TEST(SysinfoCli, PrintsTheSixRowsAsLabelTabText)
{
    DriveFixture drives(QStringLiteral("CD"));
    QProcess p;
    p.start(QStringLiteral(DOVEX_CLI), {QStringLiteral("sysinfo")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    const QStringList lines =
        QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    const QStringList labels = {"System Info",  "CPU-Type",         "VGA-resolution",
                                "Total Memory", "Operating System", "Harddisk(s)"};
    for (int i = 0; i < 6; ++i) {
        const QStringList fields = lines[i].split('\t');
        ASSERT_EQ(fields.size(), 2) << qPrintable(lines[i]);
        EXPECT_EQ(fields[0], labels[i]);
        EXPECT_FALSE(fields[1].isEmpty()) << qPrintable(lines[i]);
    }
    EXPECT_EQ(lines[0], QStringLiteral("System Info\tThis system"));
    EXPECT_TRUE(lines[3].endsWith(QStringLiteral(" MB")));
    EXPECT_TRUE(lines[5].startsWith(QStringLiteral("Harddisk(s)\tTotal ")));

    p.start(QStringLiteral(DOVEX_CLI), {QStringLiteral("sysinfo"), QStringLiteral("extra")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
}

} // namespace dovex::test
