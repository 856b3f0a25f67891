// A directory walked by names relative to open descriptors.
#include "platform/directory.h"

#include "support/drivefixture.h"

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

TEST(Directory, ADeepTreeIsSizedWholeAndEveryDescriptorIsLetGo)
{
    DriveFixture drives;
    // Two branches, which the walk shares out to two threads, each deeper
    // than the levels that keep their descriptors: the walk takes its way
    // back up through "..".
    QString a = QStringLiteral(R"(C:\top\a)");
    QString b = QStringLiteral(R"(C:\top\b)");
    for (int depth = 0; depth < 80; ++depth) {
        a += QStringLiteral(R"(\d)");
        b += QStringLiteral(R"(\d)");
        drives.file(a + QStringLiteral(R"(\f)"), 10);
        drives.file(b + QStringLiteral(R"(\f)"), 3);
    }
    drives.file(QStringLiteral(R"(C:\top\g)"), 5);
    const int open = openDescriptorCount();
    {
        Directory top;
        ASSERT_TRUE(top.open(QStringLiteral(R"(C:\top)")));
        const TreeSize size = top.treeSize(true);
        EXPECT_EQ(size.files, 161);
        EXPECT_EQ(size.bytes, 80 * 10 + 80 * 3 + 5);
        EXPECT_EQ(size.unreadable, 0);
        const auto items = top.list(false);
        ASSERT_TRUE(items);
        EXPECT_EQ(items->size(), 3u);
        EXPECT_EQ(entryNames(top.descriptor()).size(), 3);
    }
    EXPECT_EQ(openDescriptorCount(), open);
}

} // namespace

} // namespace dovex::test
