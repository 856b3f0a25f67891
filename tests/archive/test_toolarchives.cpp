// Arj, lha and arc archives made by the real archivers at test time.
#include "archivetestsupport.h"

#include "archive/archivekind.h"
#include "platform/dosattr.h"

#include <QTemporaryDir>

using namespace dovex;
using namespace dovex::test;

namespace {

class ToolArchive : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        makeSampleTree(dir.path());
    }
    QString path(const QString& name) const { return dir.path() + "/" + name; }
    QTemporaryDir dir;
};

void expectMember(const ArchiveRecord& r, const char* path, std::int64_t size)
{
    EXPECT_EQ(r.path, path);
    EXPECT_EQ(r.size, size) << path;
    EXPECT_EQ(r.dosDateTime, sampleDosTime()) << path;
    EXPECT_EQ(r.attributes & faDirectory, 0u) << path;
}

void expectSample(const ArchiveContents& c)
{
    EXPECT_FALSE(c.damaged);
    ASSERT_EQ(c.records.size(), 3u);
    expectMember(c.records[0], "a.txt", 6);
    expectMember(c.records[1], "sub\\b.txt", 4000);
    expectMember(c.records[2], "sub\\deep\\c.dat", 300);
}

// The header of the second member, for damaging it.
// Where the arj header after the one at pos starts, found by walking the
// header's sizes: a search for the marker could stop inside compressed data
// or a time stamp that happens to hold its two bytes.
qsizetype nextArjHeader(const QByteArray& bytes, qsizetype pos)
{
    const auto le16 = [&](qsizetype at) {
        return qsizetype(std::uint8_t(bytes[at])) | qsizetype(std::uint8_t(bytes[at + 1])) << 8;
    };
    const qsizetype basic = le16(pos + 2);
    qsizetype data = 0;
    if (pos > 0) // a member's header: its compressed size follows the time
        for (int i = 3; i >= 0; --i)
            data = data << 8 | std::uint8_t(bytes[pos + 4 + 12 + i]);
    qsizetype next = pos + 4 + basic + 4;
    while (le16(next) != 0) // extended headers, each with its CRC
        next += 2 + le16(next) + 4;
    return next + 2 + data;
}

} // namespace

TEST_F(ToolArchive, ArjOfEveryMethodReadsNamesWhereTheirHeadersPutThem)
{
    REQUIRE_TOOL("arj");
    // The real arj writes first headers longer than 30 bytes, so a name read
    // at a fixed offset would come out wrong.
    for (const char* method : {"-m0", "-m1", "-m2", "-m3", "-m4"}) {
        const QString name = QStringLiteral("t%1.arj").arg(method + 2);
        ASSERT_TRUE(runTool(dir.path(), "arj",
                            {"a", "-y", method, name, "a.txt", "sub/b.txt", "sub/deep/c.dat"}));
        const QByteArray bytes = fileBytes(path(name));
        ASSERT_NE(std::uint8_t(bytes[4]), 30) << "first-header size";
        SCOPED_TRACE(method);
        expectSample(readBytes(bytes));
    }
}

TEST_F(ToolArchive, ArjDamageKeepsTheMembersBeforeIt)
{
    REQUIRE_TOOL("arj");
    ASSERT_TRUE(
        runTool(dir.path(), "arj", {"a", "-y", "d.arj", "a.txt", "sub/b.txt", "sub/deep/c.dat"}));
    QByteArray bytes = fileBytes(path("d.arj"));
    const qsizetype first = nextArjHeader(bytes, 0);
    const qsizetype second = nextArjHeader(bytes, first);
    ASSERT_EQ(bytes.mid(second, 2), QByteArray("\x60\xEA"));
    ASSERT_GT(second, first);
    QByteArray broken = bytes;
    broken[second] = 'X';
    ArchiveContents c = readBytes(broken);
    EXPECT_TRUE(c.damaged);
    ASSERT_EQ(c.records.size(), 1u);
    EXPECT_EQ(c.records[0].path, "a.txt");

    c = readBytes(bytes.left(bytes.size() - 8)); // the end header is gone
    EXPECT_TRUE(c.damaged);
    EXPECT_EQ(c.records.size(), 3u);
    expectRobust(bytes);
}

TEST_F(ToolArchive, LhaHeaderLevelsZeroOneAndTwo)
{
    REQUIRE_TOOL("lha");
    for (const char* level : {"0", "1", "2"}) {
        const QString name = QStringLiteral("t%1.lzh").arg(level);
        ASSERT_TRUE(
            runTool(dir.path(), "lha",
                    {QStringLiteral("a") + level, name, "a.txt", "sub/b.txt", "sub/deep/c.dat"}));
        const QByteArray bytes = fileBytes(path(name));
        ASSERT_EQ(int(bytes[20]), QByteArray(level).toInt()) << "header level";
        EXPECT_EQ(DetectArchiveKind(QString()), QChar(kKindNone));
        SCOPED_TRACE(level);
        expectSample(readBytes(bytes));
    }
}

TEST_F(ToolArchive, LhaDirectoryEntriesInTheMiddleAreSteppedOver)
{
    REQUIRE_TOOL("lha");
    // Given directories, lha stores "-lhd-" entries before their files.
    ASSERT_TRUE(runTool(dir.path(), "lha", {"a2", "dirs.lzh", "a.txt", "sub"}));
    const QByteArray bytes = fileBytes(path("dirs.lzh"));
    ASSERT_TRUE(bytes.contains("-lhd-"));
    const ArchiveContents c = readBytes(bytes);
    EXPECT_FALSE(c.damaged);
    QStringList paths;
    for (const ArchiveRecord& r : c.records)
        paths << r.path;
    paths.sort();
    EXPECT_EQ(paths, QStringList({"a.txt", "sub\\b.txt", "sub\\deep\\c.dat"}));
}

TEST_F(ToolArchive, LhaDamageAndCuts)
{
    REQUIRE_TOOL("lha");
    for (const char* level : {"0", "1", "2"}) {
        const QString name = QStringLiteral("r%1.lzh").arg(level);
        ASSERT_TRUE(
            runTool(dir.path(), "lha", {QStringLiteral("a") + level, name, "a.txt", "sub/b.txt"}));
        const QByteArray bytes = fileBytes(path(name));
        // Cut inside the second member's data: its size points past the end.
        const ArchiveContents c = readBytes(bytes.left(bytes.size() - 100));
        EXPECT_TRUE(c.damaged) << level;
        ASSERT_EQ(c.records.size(), 1u) << level;
        EXPECT_EQ(c.records[0].path, "a.txt");
        expectRobust(bytes);
    }
}

TEST_F(ToolArchive, ArcArchivesReadAsPak)
{
    REQUIRE_TOOL("arc");
    // arc keeps base names only; stored, packed and squeezed members.
    ASSERT_TRUE(runTool(dir.path(), "arc", {"a", "t.arc", "a.txt", "sub/b.txt", "sub/deep/c.dat"}));
    const QByteArray bytes = fileBytes(path("t.arc"));
    ArchiveContents c = readBytes(bytes);
    EXPECT_FALSE(c.damaged);
    ASSERT_EQ(c.records.size(), 3u);
    expectMember(c.records[0], "a.txt", 6);
    expectMember(c.records[1], "b.txt", 4000);
    expectMember(c.records[2], "c.dat", 300);

    c = readBytes(bytes.left(bytes.size() - 10));
    EXPECT_TRUE(c.damaged);
    EXPECT_EQ(c.records.size(), 2u);
    expectRobust(bytes);
}

TEST(PakLayouts, TheOldStoredMethodHasAShorterHeader)
{
    QByteArray b;
    b += '\x1A';
    b += '\x01';
    b += QByteArray("OLD.TXT").leftJustified(13, '\0');
    put32(b, 4);
    put16(b, 0x52AF);
    put16(b, 0x1234);
    put16(b, 0);
    b += "data";
    b += '\x1A';
    b += '\x08';
    b += QByteArray("NEW.TXT").leftJustified(13, '\0');
    put32(b, 2);
    put16(b, 0x52AF);
    put16(b, 0x1234);
    put16(b, 0);
    put32(b, 9);
    b += "zz";
    b += QByteArray("\x1A\x00", 2);
    const ArchiveContents c = readBytes(b);
    EXPECT_FALSE(c.damaged);
    ASSERT_EQ(c.records.size(), 2u);
    EXPECT_EQ(c.records[0].path, "OLD.TXT");
    EXPECT_EQ(c.records[0].size, 4);
    EXPECT_EQ(c.records[0].dosDateTime, 0x52AF1234u);
    EXPECT_EQ(c.records[1].path, "NEW.TXT");
    EXPECT_EQ(c.records[1].size, 9);
    expectRobust(b);
}
