#include "archivetestsupport.h"

#include "archive/archivekind.h"
#include "archive/archivelevel.h"
#include "archive/archivereaders.h"
#include "panels/panelreader.h"
#include "platform/dosattr.h"
#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <limits>

using namespace dovex;
using namespace dovex::test;

namespace {

QStringList shown(const PanelEntries& entries)
{
    QStringList out;
    for (const PanelEntry& e : entries)
        out << (e.directory ? "D:" : "F:") + e.name;
    return out;
}

std::vector<ArchiveRecord> records(const QStringList& paths)
{
    std::vector<ArchiveRecord> out;
    for (const QString& p : paths)
        out.push_back({p, 0x52AF1234, p.size(), faArchive});
    return out;
}

class ArchiveListing : public ::testing::Test {
protected:
    void SetUp() override { InitArchiveReaders(); }
    void TearDown() override { InitArchiveReaders(); }
    void zipAt(const QString& dosPath, const QList<QByteArray>& names)
    {
        std::vector<ZipMember> members;
        for (const QByteArray& n : names)
            members.push_back({n, std::uint64_t(n.size()), 0x52AF1234, false});
        drives.file(dosPath, 0, buildZip(members));
    }
    DriveFixture drives;
};

} // namespace

TEST(ArchiveLevel, OneLevelWithEachSubdirectoryOnceAndParentFirst)
{
    const auto recs = records({"a\\b\\c.txt", "a\\d.txt", "top.txt", "a\\b\\e.txt", "z\\y.txt"});
    PanelEntries entries;
    EXPECT_EQ(listArchiveLevel(recs, u"", "*.*", entries), 3);
    EXPECT_EQ(shown(entries), QStringList({"D:..", "D:a", "F:top.txt", "D:z"}));
    EXPECT_EQ(entries[1].archivePath, "a\\b\\c.txt");
    EXPECT_EQ(entries[1].attributes, faDirectory);
    EXPECT_TRUE(entries[0].archivePath.isEmpty());

    listArchiveLevel(recs, u"a", "*.*", entries);
    EXPECT_EQ(shown(entries), QStringList({"D:..", "D:b", "F:d.txt"}));
    listArchiveLevel(recs, u"a\\b", "*.*", entries);
    EXPECT_EQ(shown(entries), QStringList({"D:..", "F:c.txt", "F:e.txt"}));
    // Comparisons keep case, and a prefix is only a prefix up to a separator.
    listArchiveLevel(recs, u"A", "*.*", entries);
    EXPECT_EQ(shown(entries), QStringList({"D:.."}));
    listArchiveLevel(records({"ab\\x.txt", "a"}), u"a", "*.*", entries);
    EXPECT_EQ(shown(entries), QStringList({"D:.."}));
}

TEST(ArchiveLevel, TheMaskLimitsFilesButNeverDirectories)
{
    const auto recs = records({"read.me", "notes.txt", "sub\\x.doc", "b.TXT"});
    PanelEntries entries;
    listArchiveLevel(recs, u"", "*.TXT", entries);
    EXPECT_EQ(shown(entries), QStringList({"D:..", "F:notes.txt", "D:sub", "F:b.TXT"}));
}

TEST(ArchiveLevel, AtMost2048EntriesFollowTheParent)
{
    QStringList paths;
    for (int i = 0; i < 2100; ++i)
        paths << QStringLiteral("f%1.txt").arg(i);
    paths << "late\\x.txt";
    PanelEntries entries;
    EXPECT_EQ(listArchiveLevel(records(paths), u"", "*.*", entries), 2048);
    EXPECT_EQ(entries.size(), 2049u);
    EXPECT_EQ(entries.back().name, "f2047.txt");
}

TEST(ArchiveLevel, TotalsOfHugeClaimedSizesStopAtTheLargestNumber)
{
    auto recs = records({"d\\a", "d\\b"});
    for (ArchiveRecord& r : recs)
        r.size = std::numeric_limits<std::int64_t>::max();
    PanelEntries entries;
    const int last = listArchiveLevel(recs, u"", "*.*", entries);
    std::int64_t files = 0;
    EXPECT_EQ(archiveLevelTotals(recs, u"", entries, last, last, true, files),
              std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(files, 2);
}

TEST(ArchiveLevel, TotalsCountTheSelectionOrTheCursor)
{
    const auto recs =
        records({"doc\\a.txt", "docs\\b.txt", "doc\\deep\\c.txt", "top.txt", "Doc\\upper.txt"});
    PanelEntries entries;
    const int last = listArchiveLevel(recs, u"", "*.*", entries);
    auto indexOf = [&](const char* name) {
        for (int i = 0; i <= last; ++i)
            if (entries[std::size_t(i)].name == name)
                return i;
        return -1;
    };
    std::int64_t files = 0;
    // The cursor on "doc": its two records, none of "docs" or "Doc".
    EXPECT_EQ(archiveLevelTotals(recs, u"", entries, last, indexOf("doc"), true, files), 9 + 14);
    EXPECT_EQ(files, 2);
    EXPECT_EQ(archiveLevelTotals(recs, u"", entries, last, indexOf("doc"), false, files), 0);
    EXPECT_EQ(files, 0);
    // A selection overrides the cursor; ".." counts nothing.
    entries[std::size_t(indexOf("top.txt"))].selected = true;
    entries[0].selected = true;
    EXPECT_EQ(archiveLevelTotals(recs, u"", entries, last, indexOf("doc"), true, files), 7);
    EXPECT_EQ(files, 1);
    EXPECT_EQ(archiveLevelTotals({}, u"", entries, last, 0, true, files), 0);
}

TEST_F(ArchiveListing, TheRecordsAreCachedPerArchiveAndMask)
{
    zipAt("C:\\a.zip", {"one.txt", "dir/two.txt"});
    PanelEntries entries;
    EXPECT_EQ(ListArchiveDirectory("C:\\a.zip", "", "*.*", entries), 2);
    const int reads = archiveReaders().fileReads();
    // Another level, and the same level again: no file is opened. The file
    // is replaced on disk to prove it.
    zipAt("C:\\a.zip", {"other.txt"});
    EXPECT_EQ(ListArchiveDirectory("C:\\a.zip", "dir", "*.*", entries), 1);
    EXPECT_EQ(ListArchiveDirectory("C:\\a.zip", "", "*.*", entries), 2);
    EXPECT_EQ(archiveReaders().fileReads(), reads);
    // Another mask reads again, and so does an invalidated cache.
    EXPECT_EQ(ListArchiveDirectory("C:\\a.zip", "", "*.TXT", entries), 1);
    EXPECT_EQ(archiveReaders().fileReads(), reads + 1);
    zipAt("C:\\a.zip", {"x.txt", "y.txt", "z.txt"});
    InvalidateArchiveCache();
    EXPECT_EQ(ListArchiveDirectory("C:\\a.zip", "", "*.TXT", entries), 3);
    EXPECT_EQ(archiveReaders().fileReads(), reads + 2);

    std::int64_t files = 0;
    EXPECT_EQ(ArchiveSelectionTotals("C:\\a.zip", "", "*.TXT", entries, 3, 1, true, files), 5);
    EXPECT_EQ(files, 1);
}

TEST_F(ArchiveListing, EmptyMissingAndForeignFilesListOnlyTheParent)
{
    drives.file("C:\\empty.zip", 0);
    drives.file("C:\\text.txt", 0, "just some text");
    PanelEntries entries;
    for (const char* path : {"C:\\empty.zip", "C:\\text.txt", "C:\\missing.zip", "Q:\\x.zip"}) {
        EXPECT_EQ(DetectArchiveKind(path), QChar(kKindNone)) << path;
        EXPECT_EQ(ListArchiveDirectory(path, "", "*.*", entries), 0) << path;
        EXPECT_EQ(shown(entries), QStringList({"D:.."}));
    }
}

TEST_F(ArchiveListing, APanelEntersBrowsesAndLeavesARealZip)
{
    REQUIRE_TOOL("zip");
    drives.directory("C:\\work");
    makeSampleTree(drives.host("C:\\work\\src"));
    ASSERT_TRUE(runTool(drives.host("C:\\work\\src"), "zip",
                        {"-q", "-r", drives.host("C:\\work\\pack.zip"), "a.txt", "sub"}));
    ScriptedPrompter prompter;
    FilePanel panel;
    panel.path = "C:\\work";
    ASSERT_EQ(readPanel(panel, prompter), PanelReadOutcome::Read);

    const QChar kind = archiveLister()->detectKind("C:\\work\\pack.zip");
    ASSERT_EQ(kind, QChar(kKindZip));
    enterArchive(panel, "pack.zip", kind);
    readPanel(panel, prompter);
    EXPECT_EQ(panelCaption(panel), "C:\\work\\pack.zip  [PkZip]");
    EXPECT_EQ(shown(panel.entries), QStringList({"D:..", "D:sub", "F:a.txt"}));

    archiveEnterDirectory(panel, "sub");
    readPanel(panel, prompter);
    EXPECT_EQ(panelCaption(panel), "C:\\work\\pack.zip\\sub  [PkZip]");
    EXPECT_EQ(shown(panel.entries), QStringList({"D:..", "D:deep", "F:b.txt"}));
    EXPECT_EQ(panel.entries[2].archivePath, "sub\\b.txt");
    EXPECT_EQ(panel.entries[2].size, 4000);

    EXPECT_EQ(archiveUp(panel), "sub");
    EXPECT_EQ(archiveUp(panel), "pack.zip");
    readPanel(panel, prompter);
    EXPECT_FALSE(panel.inArchive);
    EXPECT_EQ(panel.path, "C:\\work");
    EXPECT_TRUE(prompter.asked().isEmpty());
}
