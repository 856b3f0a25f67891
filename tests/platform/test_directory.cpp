// A directory walked by names relative to open descriptors.
#include "platform/directory.h"

#include "support/drivefixture.h"

#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

#include <unistd.h>

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

// A listing longer than one read of the directory comes whole, every
// time it is asked for, with each item's kind and, asked for, its size.
TEST(Directory, AListingOfManyReadsIsWholeAndRepeatable)
{
    DriveFixture drives;
    QSet<QString> made;
    for (int i = 0; i < 2500; ++i) {
        const QString name = QStringLiteral("a-rather-long-name-to-fill-the-reads-%1.dat").arg(i);
        drives.file(QStringLiteral(R"(C:\big\)") + name, i % 7);
        made.insert(name);
    }
    drives.directory(QStringLiteral(R"(C:\big\sub)"));
    Directory big;
    ASSERT_TRUE(big.open(QStringLiteral(R"(C:\big)")));
    for (const bool withStatus : {false, true, false}) {
        const auto items = big.list(withStatus);
        ASSERT_TRUE(items);
        ASSERT_EQ(items->size(), 2501u);
        QSet<QString> seen;
        for (const DirItem& item : *items) {
            if (item.name == QStringLiteral("sub")) {
                EXPECT_TRUE(item.directory);
                continue;
            }
            EXPECT_TRUE(item.regular) << item.name.toStdString();
            if (withStatus) {
                EXPECT_EQ(item.size, item.name.section('-', -1).section('.', 0, 0).toInt() % 7);
            }
            seen.insert(item.name);
        }
        EXPECT_EQ(seen, made);
    }
    const auto dirs = big.listDirectories();
    ASSERT_TRUE(dirs);
    ASSERT_EQ(dirs->size(), 1u);
    EXPECT_EQ(dirs->front().name, QStringLiteral("sub"));
    EXPECT_TRUE(dirs->front().directory);
}

// A directory met inside a walk is not taken through a link swapped in for
// it, however its path is written; the start of a walk may be a link.
TEST(Directory, OpenNoFollowRefusesALinkInTheDirectorysPlace)
{
    DriveFixture drives;
    drives.file(QStringLiteral(R"(C:\real\f)"), 3);
    ASSERT_EQ(::symlink(QFile::encodeName(drives.host(QStringLiteral(R"(C:\real)"))).constData(),
                        QFile::encodeName(drives.host(QStringLiteral(R"(C:\link)"))).constData()),
              0);
    Directory dir;
    EXPECT_TRUE(dir.openNoFollow(QStringLiteral(R"(C:\real)")));
    EXPECT_TRUE(dir.openNoFollow(QStringLiteral(R"(C:\real\)")));
    EXPECT_FALSE(dir.openNoFollow(QStringLiteral(R"(C:\link)")));
    EXPECT_FALSE(dir.openNoFollow(QStringLiteral(R"(C:\link\)")));
    EXPECT_TRUE(dir.open(QStringLiteral(R"(C:\link\)")));
    const auto items = dir.list(false);
    ASSERT_TRUE(items);
    EXPECT_EQ(items->size(), 1u);
}

} // namespace

} // namespace dovex::test
