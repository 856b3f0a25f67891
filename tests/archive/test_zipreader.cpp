#include "archivetestsupport.h"

#include "archive/archivepath.h"

#include <QTemporaryDir>

using namespace dovex;
using namespace dovex::test;

namespace {

void expectSampleMembers(const ArchiveContents& c)
{
    ASSERT_EQ(c.records.size(), 3u);
    EXPECT_EQ(c.records[0].path, "a.txt");
    EXPECT_EQ(c.records[0].size, 6);
    EXPECT_EQ(c.records[1].path, "sub\\b.txt");
    EXPECT_EQ(c.records[1].size, 4000);
    EXPECT_EQ(c.records[2].path, "sub\\deep\\c.dat");
    EXPECT_EQ(c.records[2].size, 300);
    for (const ArchiveRecord& r : c.records)
        EXPECT_EQ(r.dosDateTime, sampleDosTime()) << r.path.toStdString();
    EXPECT_FALSE(c.damaged);
}

class ZipReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        makeSampleTree(dir.path());
    }
    QString zipOf(const QString& name, const QStringList& options)
    {
        runTool(dir.path(), "zip", options + QStringList{name, "a.txt", "sub"});
        return dir.path() + "/" + name;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(ZipReader, ListsFilesWithAndWithoutDirectoryEntriesAndExtraFields)
{
    REQUIRE_TOOL("zip");
    // -r stores "sub/" and "sub/deep/" entries and the time/uid extra fields;
    // -D leaves the directory entries out, -X the extra fields.
    expectSampleMembers(readHostFile(zipOf("dirs.zip", {"-q", "-r"})));
    expectSampleMembers(readHostFile(zipOf("nodirs.zip", {"-q", "-r", "-D"})));
    expectSampleMembers(readHostFile(zipOf("noextra.zip", {"-q", "-r", "-X", "-0"})));
}

TEST_F(ZipReader, StreamedMembersWithDataDescriptorsAreAllListed)
{
    REQUIRE_TOOL("zip");
    // Written to a pipe, zip cannot seek back: every local header carries a
    // zero compressed size and the sizes follow the data.
    QByteArray piped;
    ASSERT_TRUE(runTool(dir.path(), "zip", {"-q", "-r", "-", "a.txt", "sub"}, {}, &piped));
    ASSERT_EQ(piped[6] & 0x08, 0x08) << "expected a data descriptor";
    writeBytes(dir.path() + "/piped.zip", piped);
    expectSampleMembers(readHostFile(dir.path() + "/piped.zip"));

    // From stdin, zip writes ZIP64 local headers with saturated sizes.
    QByteArray fromStdin;
    ASSERT_TRUE(runTool(dir.path(), "zip", {"-q", "-", "-"}, "some text\n", &fromStdin));
    const ArchiveContents c = readBytes(fromStdin);
    ASSERT_EQ(c.records.size(), 1u);
    EXPECT_EQ(c.records[0].path, "-");
    EXPECT_EQ(c.records[0].size, 10);
}

TEST_F(ZipReader, WithoutItsCentralDirectoryTheLocalHeadersAreWalked)
{
    REQUIRE_TOOL("zip");
    const QByteArray whole = fileBytes(zipOf("cut.zip", {"-q", "-r", "-D"}));
    const qsizetype central = whole.indexOf("PK\x01\x02");
    ASSERT_GT(central, 0);
    const ArchiveContents c = readBytes(whole.left(central + 10));
    EXPECT_TRUE(c.damaged);
    ASSERT_EQ(c.records.size(), 3u);
    EXPECT_EQ(c.records[2].path, "sub\\deep\\c.dat");
    EXPECT_EQ(c.records[2].size, 300);

    // Cut inside the second member: the first is kept, the walk ends.
    const qsizetype second = whole.indexOf("PK\x03\x04", 4);
    const ArchiveContents early = readBytes(whole.left(second + 20));
    EXPECT_TRUE(early.damaged);
    ASSERT_EQ(early.records.size(), 1u);
    EXPECT_EQ(early.records[0].path, "a.txt");
}

TEST_F(ZipReader, RealArchivesSurviveEveryCutAndDamagedByte)
{
    REQUIRE_TOOL("zip");
    expectRobust(fileBytes(zipOf("robust.zip", {"-q", "-r"})));
}

TEST(ZipLayouts, Zip64SizesLeadingSlashesAndLongNames)
{
    const QByteArray longName(3000, 'n');
    const QByteArray zip = buildZip({{"big.iso", 5'000'000'000ULL, 0x52AF1234, true},
                                     {"/etc/abs.txt", 7, 0, false},
                                     {"dir/", 0, 0, false},
                                     {longName, 1, 0, false}});
    const ArchiveContents c = readBytes(zip);
    EXPECT_FALSE(c.damaged);
    ASSERT_EQ(c.records.size(), 3u);
    EXPECT_EQ(c.records[0].path, "big.iso");
    EXPECT_EQ(c.records[0].size, 5'000'000'000LL);
    EXPECT_EQ(c.records[0].dosDateTime, 0x52AF1234u);
    EXPECT_EQ(c.records[1].path, "etc\\abs.txt");
    EXPECT_EQ(c.records[2].path.size(), qsizetype(kMaxArchiveName));
}

TEST(ZipLayouts, AnArchivePutBehindOtherDataIsFound)
{
    // A self-extractor's stub shifts every offset the directory names.
    const QByteArray zip = QByteArray(1000, 'x') + buildZip({{"x.txt", 3, 0, false}});
    QByteArray withHead = zip;
    withHead.replace(0, 2, "PK");
    const ArchiveContents c = readBytes(withHead);
    ASSERT_EQ(c.records.size(), 1u);
    EXPECT_EQ(c.records[0].path, "x.txt");
    EXPECT_FALSE(c.damaged);
}

TEST(ZipLayouts, AHostileDirectoryEndsTheWalkInsideTheFile)
{
    QByteArray zip = buildZip({{"a.txt", 1, 0, false}, {"b.txt", 2, 0, false}});
    // The directory claims more entries and a size far past the file.
    const qsizetype end = zip.lastIndexOf("PK\x05\x06");
    zip[end + 10] = char(0xFF);
    zip[end + 12] = char(0xFF);
    zip[end + 13] = char(0xFF);
    zip[end + 14] = char(0xFF);
    const ArchiveContents c = readBytes(zip);
    EXPECT_LE(c.records.size(), 2u);
    expectRobust(buildZip({{"a.txt", 1, 0, false}, {"dir/b.txt", 2, 0, true}}));
}
