#include "panels/panelreader.h"
#include "platform/dosattr.h"
#include "platform/drivemap.h"
#include "platform/fileattr.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace dovex;

namespace {

QStringList names(const PanelEntries& entries)
{
    QStringList out;
    for (const PanelEntry& e : entries)
        out << e.name;
    return out;
}

class PanelReaderTest : public ::testing::Test {
protected:
    test::DriveFixture drives{"CD"};
    test::ScriptedPrompter prompter;

    FilePanel read(const QString& path, int sort = SortName, const QString& filter = "*.*")
    {
        FilePanel p;
        p.path = path;
        p.sortMethod = sort;
        p.filterMask = filter;
        EXPECT_EQ(readPanel(p, prompter), PanelReadOutcome::Read);
        return p;
    }
};

} // namespace

TEST_F(PanelReaderTest, DirectoriesFirstDotDotFirstFilterOnFilesOnly)
{
    drives.file("C:\\w\\zeta.txt", 3);
    drives.file("C:\\w\\Alpha.doc", 1);
    drives.file("C:\\w\\.hidden.txt", 1);
    drives.directory("C:\\w\\beta");
    drives.directory("C:\\w\\Able");
    drives.directory("C:\\w\\.git");
    FilePanel p = read("C:\\w");
    EXPECT_EQ(names(p.entries),
              (QStringList{"..", ".git", "Able", "beta", ".hidden.txt", "Alpha.doc", "zeta.txt"}));
    EXPECT_TRUE(p.entries[0].directory);
    EXPECT_FALSE(p.entries[4].directory);
    EXPECT_EQ(p.entries[4].attributes & faHidden, faHidden);
    EXPECT_EQ(p.entries[6].size, 3);

    p = read("C:\\w", SortName, "*.TXT");
    EXPECT_EQ(names(p.entries),
              (QStringList{"..", ".git", "Able", "beta", ".hidden.txt", "zeta.txt"}));
    EXPECT_TRUE(prompter.asked().isEmpty());
}

TEST_F(PanelReaderTest, PathsAndFiltersThatClimbStayInTheirPlace)
{
    drives.file("C:\\top.txt", 1);
    drives.file("C:\\w\\inner.txt", 1);
    // A filter is a mask of names: its directory part never moves the search.
    FilePanel p = read("C:\\w", SortName, "..\\..\\*.txt");
    EXPECT_EQ(names(p.entries), (QStringList{"..", "inner.txt"}));
    p = read("C:\\w", SortName, "../*.*");
    EXPECT_EQ(names(p.entries), (QStringList{"..", "inner.txt"}));
    // A directory with ".." in it is shown as the one it names, inside the drive.
    p = read("C:\\w\\..\\..\\..\\w");
    EXPECT_EQ(p.path, "C:\\w");
    p = read("C:\\w\\..\\..");
    EXPECT_EQ(p.path, "C:\\");
    EXPECT_EQ(names(p.entries), (QStringList{"w", "top.txt"}));
}

TEST_F(PanelReaderTest, ARootHasNoDotDotAndSortsFromIndexZero)
{
    drives.directory("D:\\b");
    drives.directory("D:\\a");
    drives.file("D:\\y.txt");
    drives.file("D:\\x.txt");
    const FilePanel p = read("D:\\");
    EXPECT_EQ(names(p.entries), (QStringList{"a", "b", "x.txt", "y.txt"}));
    EXPECT_EQ(read("D:\\", Unsorted).entries.size(), 4u);
}

TEST_F(PanelReaderTest, TheLimitIs2048WithOneMessagePerPass)
{
    for (int i = 0; i < 2100; ++i)
        drives.file(QStringLiteral("C:\\many\\f%1.dat").arg(i, 4, 10, QChar('0')));
    const FilePanel p = read("C:\\many");
    EXPECT_EQ(p.entries.size(), 2048u);
    EXPECT_EQ(p.entries[0].name, "..");
    EXPECT_EQ(prompter.count(kTooManyFiles), 1);
    EXPECT_EQ(prompter.asked().size(), 1);
}

TEST_F(PanelReaderTest, AVanishedDirectoryFallsBackToItsRootThenToC)
{
    drives.file("D:\\keep.txt");
    FilePanel p = read("D:\\gone\\deeper");
    EXPECT_EQ(p.path, "D:\\");
    EXPECT_EQ(names(p.entries), QStringList{"keep.txt"});

    p.path = "Q:\\nowhere";
    ASSERT_EQ(readPanel(p, prompter), PanelReadOutcome::Read);
    EXPECT_EQ(p.path, "c:\\");

    qputenv("DOVEX_DRIVES", "C=/nonexistent/dovex/c");
    DriveMap::instance().reload();
    p.path = "Q:\\nowhere";
    EXPECT_EQ(readPanel(p, prompter), PanelReadOutcome::DriveCUnreadable);
}

TEST_F(PanelReaderTest, AVanishedArchiveShowsTheDirectoryThatHeldIt)
{
    drives.file("C:\\arc\\other.txt");
    FilePanel p;
    p.path = "C:\\arc\\gone.zip";
    p.archiveFile = p.path;
    p.inArchive = true;
    p.archiveKind = 'Z';
    p.innerDirectory = "sub";
    ASSERT_EQ(readPanel(p, prompter), PanelReadOutcome::Read);
    EXPECT_FALSE(p.inArchive);
    EXPECT_EQ(p.archiveKind, QChar(' '));
    EXPECT_EQ(p.path, "C:\\arc");
    EXPECT_TRUE(p.innerDirectory.isEmpty());
    EXPECT_EQ(names(p.entries), (QStringList{"..", "other.txt"}));
}

TEST_F(PanelReaderTest, SyncAddsAndRemovesKeepingMarksAndCursor)
{
    drives.file("C:\\s\\b.txt", 2);
    drives.file("C:\\s\\d.txt", 4);
    drives.file("C:\\s\\f.txt", 6);
    drives.directory("C:\\s\\m");
    FilePanel p = read("C:\\s");
    ASSERT_EQ(names(p.entries), (QStringList{"..", "m", "b.txt", "d.txt", "f.txt"}));
    p.entries[4].selected = true; // f.txt
    p.entries[1].selected = true; // m
    int cursor = 4;

    QFile::remove(drives.host("C:\\s\\b.txt"));
    drives.file("C:\\s\\c.txt", 1);
    drives.file("C:\\s\\z.txt", 1);
    drives.directory("C:\\s\\a");
    SyncPanelEntries(SortName, p.entries, p.path, cursor);

    EXPECT_EQ(names(p.entries), (QStringList{"..", "a", "m", "c.txt", "d.txt", "f.txt", "z.txt"}));
    EXPECT_TRUE(p.entries[2].selected);
    EXPECT_TRUE(p.entries[5].selected);
    EXPECT_FALSE(p.entries[3].selected);
    EXPECT_EQ(p.entries[size_t(cursor)].name, "f.txt");
}

TEST_F(PanelReaderTest, SyncPlacesBySizeAndKeepsTheFilter)
{
    drives.file("C:\\s\\small.txt", 1);
    drives.file("C:\\s\\big.txt", 100);
    FilePanel p = read("C:\\s", SortSize, "*.TXT");
    int cursor = 0;
    drives.file("C:\\s\\mid.txt", 50);
    drives.file("C:\\s\\skip.doc", 50);
    SyncPanelEntries(SortSize, p.entries, p.path, cursor, p.filterMask);
    EXPECT_EQ(names(p.entries), (QStringList{"..", "small.txt", "mid.txt", "big.txt"}));
}

TEST_F(PanelReaderTest, SyncRefreshesKeptEntriesAndRegroupsChangedOnes)
{
    drives.file("C:\\s\\a.txt", 1);
    drives.file("C:\\s\\b.txt", 2);
    drives.file("C:\\s\\case.txt", 3);
    drives.file("C:\\s\\x", 4);
    FilePanel p = read("C:\\s");
    ASSERT_EQ(names(p.entries), (QStringList{"..", "a.txt", "b.txt", "case.txt", "x"}));
    for (PanelEntry& e : p.entries)
        e.selected = e.name != "..";
    int cursor = 2;
    // Nothing changed: no row comes or goes.
    EXPECT_FALSE(SyncPanelEntries(SortName, p.entries, p.path, cursor));

    // A copy replaced a.txt: same row, same mark, the new size.
    drives.file("C:\\s\\a.txt", 5000);
    EXPECT_FALSE(SyncPanelEntries(SortName, p.entries, p.path, cursor));
    EXPECT_EQ(p.entries[1].size, 5000);
    EXPECT_TRUE(p.entries[1].selected);

    // The file x became a directory, and case.txt was renamed by case only.
    QFile::remove(drives.host("C:\\s\\x"));
    drives.directory("C:\\s\\x");
    QFile::rename(drives.host("C:\\s\\case.txt"), drives.host("C:\\s\\Case.txt"));
    EXPECT_TRUE(SyncPanelEntries(SortName, p.entries, p.path, cursor));
    EXPECT_EQ(names(p.entries), (QStringList{"..", "x", "a.txt", "b.txt", "Case.txt"}));
    EXPECT_TRUE(p.entries[1].directory);
    EXPECT_FALSE(p.entries[1].selected);
    EXPECT_FALSE(p.entries[4].selected);
    EXPECT_TRUE(p.entries[3].selected);
    EXPECT_EQ(p.entries[size_t(cursor)].name, "b.txt");

    // The cursor's entry goes: one row up; everything goes: no cursor.
    QFile::remove(drives.host("C:\\s\\b.txt"));
    SyncPanelEntries(SortName, p.entries, p.path, cursor);
    EXPECT_EQ(p.entries[size_t(cursor)].name, "a.txt");
    FilePanel root = read("D:\\");
    drives.file("D:\\only.txt");
    cursor = -1;
    SyncPanelEntries(SortName, root.entries, root.path, cursor);
    EXPECT_EQ(names(root.entries), QStringList{"only.txt"});
    EXPECT_EQ(cursor, -1);
    cursor = 0;
    QFile::remove(drives.host("D:\\only.txt"));
    SyncPanelEntries(SortName, root.entries, root.path, cursor);
    EXPECT_TRUE(root.entries.empty());
    EXPECT_EQ(cursor, -1);
}

TEST_F(PanelReaderTest, SyncOnAFullPanelMakesRoomForDirectoriesOnly)
{
    for (int i = 0; i < kPanelCapacity; ++i)
        drives.file(QStringLiteral("D:\\f%1").arg(i, 4, 10, QChar('0')));
    FilePanel p = read("D:\\");
    ASSERT_EQ(int(p.entries.size()), kPanelCapacity);
    p.entries[0].selected = true;
    int cursor = kPanelCapacity - 1;
    drives.file("D:\\a-new-file");
    drives.directory("D:\\newdir");
    EXPECT_TRUE(SyncPanelEntries(SortName, p.entries, p.path, cursor));
    ASSERT_EQ(int(p.entries.size()), kPanelCapacity);
    EXPECT_EQ(p.entries[0].name, "newdir");
    EXPECT_TRUE(p.entries[1].selected); // f0000 kept its mark
    EXPECT_EQ(p.entries.back().name, "f2046");
    EXPECT_EQ(p.entries[size_t(cursor)].name, "f2046"); // its entry went: one row up
    for (const PanelEntry& e : p.entries)
        EXPECT_NE(e.name, "a-new-file");
}

TEST_F(PanelReaderTest, EnteringAndLeavingArchiveLevels)
{
    FilePanel p;
    p.path = "C:\\dl";
    enterArchive(p, "pack.zip", 'Z');
    EXPECT_TRUE(p.inArchive);
    EXPECT_EQ(p.path, "C:\\dl\\pack.zip");
    EXPECT_EQ(p.archiveFile, "C:\\dl\\pack.zip");
    archiveEnterDirectory(p, "docs");
    archiveEnterDirectory(p, "old");
    EXPECT_EQ(p.innerDirectory, "docs\\old");
    EXPECT_EQ(archiveUp(p), "old");
    EXPECT_EQ(archiveUp(p), "docs");
    EXPECT_TRUE(p.inArchive);
    EXPECT_EQ(archiveUp(p), "pack.zip");
    EXPECT_FALSE(p.inArchive);
    EXPECT_EQ(p.path, "C:\\dl");
    EXPECT_EQ(directoryUp(p), "dl");
    EXPECT_EQ(p.path, "C:\\");
    EXPECT_EQ(directoryUp(p), "");
}
