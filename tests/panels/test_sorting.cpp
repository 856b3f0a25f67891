#include "panels/sorting.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>
#include <random>

using namespace dovex;

namespace {

PanelEntry file(const QString& name, std::int64_t size = 0, std::uint32_t when = 0)
{
    PanelEntry e;
    e.name = name;
    e.size = size;
    e.dosDateTime = when;
    return e;
}

PanelEntry dir(const QString& name)
{
    PanelEntry e = file(name);
    e.directory = true;
    e.attributes = 0x10;
    return e;
}

QStringList names(const PanelEntries& entries)
{
    QStringList out;
    for (const PanelEntry& e : entries)
        out << e.name;
    return out;
}

PanelEntries files(const QStringList& list)
{
    PanelEntries out;
    for (const QString& n : list)
        out.push_back(file(n));
    return out;
}

void sortAll(PanelEntries& entries, int method)
{
    sortRange(entries, 0, int(entries.size()) - 1, method);
}

} // namespace

TEST(Sorting, NameOrderIsByteOrderOfUpperCasedNames)
{
    PanelEntries e = files({"_x", "Zebra", "abc", "a.txt", "1.txt"});
    sortAll(e, SortName);
    EXPECT_EQ(names(e), QStringList({"1.txt", "a.txt", "abc", "Zebra", "_x"}));
}

TEST(Sorting, NamesDifferingInCaseStandTogether)
{
    PanelEntries e = files({"b", "A.TXT", "c", "a.txt", "B0"});
    sortAll(e, SortName);
    const QStringList n = names(e);
    EXPECT_EQ(std::abs(n.indexOf("A.TXT") - n.indexOf("a.txt")), 1);
    EXPECT_EQ(n.last(), "c");
}

TEST(Sorting, ShorterPrefixComesFirst)
{
    PanelEntries e = files({"abcd", "ab", "abc"});
    sortAll(e, SortName);
    EXPECT_EQ(names(e), QStringList({"ab", "abc", "abcd"}));
}

TEST(Sorting, ExtensionKeys)
{
    EXPECT_EQ(extensionSortKey("readme.txt"), QByteArray(".TXTREADME.TXT"));
    EXPECT_EQ(extensionSortKey("makefile"), QByteArray("MAKEFILE"));
    EXPECT_EQ(extensionOf("a.b\\c"), QString());
    EXPECT_EQ(extensionOf("c:x"), QString());
    EXPECT_EQ(extensionOf("arc.tar.gz"), QString(".gz"));
}

TEST(Sorting, ExtensionOrder)
{
    PanelEntries e = files({"makefile", "readme.txt", "-x", "b.doc", "a.txt"});
    sortAll(e, SortExtension);
    EXPECT_EQ(names(e), QStringList({"-x", "b.doc", "a.txt", "readme.txt", "makefile"}));
}

TEST(Sorting, DateOldestFirstAndSizeSmallestFirst)
{
    PanelEntries e = {file("new", 1, 0x5A000000), file("old", 2, 0x21000000),
                      file("mid", 3, 0x40000000)};
    sortAll(e, SortDateTime);
    EXPECT_EQ(names(e), QStringList({"old", "mid", "new"}));

    e = {file("big", 5'000'000'000LL), file("none", 0), file("small", 10)};
    sortAll(e, SortSize);
    EXPECT_EQ(names(e), QStringList({"none", "small", "big"}));
}

TEST(Sorting, RangeLeavesTheRestAndUnsortedDoesNothing)
{
    PanelEntries e = files({"z", "c", "b", "a", "y"});
    sortRange(e, 1, 3, SortName);
    EXPECT_EQ(names(e), QStringList({"z", "a", "b", "c", "y"}));
    sortRange(e, 0, 4, Unsorted);
    EXPECT_EQ(names(e), QStringList({"z", "a", "b", "c", "y"}));
    sortRange(e, 3, 9, SortName); // out of range: nothing moves
    EXPECT_EQ(names(e), QStringList({"z", "a", "b", "c", "y"}));
}

TEST(Sorting, WholeEntriesTravel)
{
    PanelEntries e = {file("b", 2, 7), file("a", 1, 9)};
    e[0].selected = true;
    e[0].archivePath = "x\\b";
    sortAll(e, SortName);
    EXPECT_EQ(e[1].name, "b");
    EXPECT_TRUE(e[1].selected);
    EXPECT_EQ(e[1].archivePath, "x\\b");
    EXPECT_EQ(e[1].dosDateTime, 7u);
}

TEST(Sorting, LargeShuffledRangesComeOutOrdered)
{
    std::mt19937 rng(42);
    for (int method : {SortName, SortExtension, SortDateTime, SortSize}) {
        PanelEntries e;
        for (int i = 0; i < 2048; ++i)
            e.push_back(file(QStringLiteral("f%1.%2").arg(rng() % 500).arg(rng() % 7), rng() % 100,
                             std::uint32_t(rng())));
        sortAll(e, method);
        for (size_t i = 1; i < e.size(); ++i) {
            const PanelEntry &a = e[i - 1], &b = e[i];
            switch (method) {
            case SortName:
                ASSERT_LE(upperAscii(a.name.toUtf8()), upperAscii(b.name.toUtf8()));
                break;
            case SortExtension:
                ASSERT_LE(extensionSortKey(a.name), extensionSortKey(b.name));
                break;
            case SortDateTime:
                ASSERT_LE(std::int32_t(a.dosDateTime), std::int32_t(b.dosDateTime));
                break;
            default:
                ASSERT_LE(a.size, b.size);
            }
        }
    }
}

TEST(Sorting, DirectoriesFirstKeepsOrderAndPutsParentFirst)
{
    PanelEntries e = {file("f1"), dir("d1"), file("f2"), dir(".."), dir("d2"), file("f3")};
    directoriesFirst(e);
    EXPECT_EQ(names(e), QStringList({"..", "d1", "d2", "f1", "f2", "f3"}));
}

TEST(Sorting, UnsortedKeepsEnumerationOrderWithDirectoriesFirst)
{
    PanelEntries e = {file("z"), dir("q"), file("a"), dir(".."), dir("b")};
    sortAll(e, Unsorted);
    directoriesFirst(e);
    EXPECT_EQ(names(e), QStringList({"..", "q", "b", "z", "a"}));
}

TEST(Sorting, ParentAlreadyFirstAndEmptyList)
{
    PanelEntries e = {dir(".."), file("a"), dir("x")};
    directoriesFirst(e);
    EXPECT_EQ(names(e), QStringList({"..", "x", "a"}));
    PanelEntries none;
    directoriesFirst(none);
    sortRange(none, 0, -1, SortName);
    EXPECT_TRUE(none.empty());
}
