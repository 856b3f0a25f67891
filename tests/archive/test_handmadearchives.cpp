// Rar and zoo archives, which no tool here writes, built from their formats,
// and the rar 5 sample made by the real rar.
#include "archivetestsupport.h"

#include "archive/archivekind.h"
#include "platform/dosattr.h"
#include "platform/dostime.h"

using namespace dovex;
using namespace dovex::test;

namespace {

constexpr std::uint8_t kHostDos = 0;
constexpr std::uint8_t kHostUnix = 3;

struct RarFile {
    QByteArray name;
    std::uint32_t size = 0;
    std::uint8_t host = kHostDos;
    std::uint32_t attributes = faArchive;
    std::uint16_t flags = 0;
    QByteArray data;
    std::uint32_t highSize = 0; // with the large-file flag
};

void rarBlock(QByteArray& b, std::uint8_t type, std::uint16_t flags, const QByteArray& body)
{
    put16(b, 0); // CRC, not checked
    b += char(type);
    put16(b, flags);
    put16(b, std::uint32_t(7 + body.size()));
    b += body;
}

QByteArray rar4(const std::vector<RarFile>& files, bool withComment)
{
    QByteArray b("Rar!\x1A\x07\x00", 7);
    rarBlock(b, 0x73, 0, QByteArray(6, '\0'));
    if (withComment) {
        QByteArray body;
        put32(body, 5); // added data size
        rarBlock(b, 0x75, 0x8000, body);
        b += "hello";
    }
    for (const RarFile& f : files) {
        const bool large = f.flags & 0x0100;
        QByteArray body;
        put32(body, std::uint32_t(f.data.size()));
        put32(body, f.size);
        body += char(f.host);
        put32(body, 0);
        put32(body, 0x52AF1234);
        body += char(29);
        body += char(0x30);
        put16(body, std::uint32_t(f.name.size()));
        put32(body, f.attributes);
        if (large) {
            put32(body, 0);
            put32(body, f.highSize);
        }
        body += f.name;
        rarBlock(b, 0x74, 0x8000 | f.flags, body);
        b += f.data;
    }
    rarBlock(b, 0x7B, 0x4000, {});
    return b;
}

struct ZooEntry {
    QByteArray shortName;
    QByteArray longName;
    QByteArray directory;
    std::uint32_t size = 0;
    bool deleted = false;
    QByteArray data;
};

QByteArray zooEntry(const ZooEntry& e, std::uint32_t next, std::uint32_t dataAt)
{
    QByteArray b;
    put32(b, 0xFDC4A7DC);
    b += char(2);
    b += char(0);
    put32(b, next);
    put32(b, dataAt);
    put16(b, 0x52AF);
    put16(b, 0x1234);
    put16(b, 0);
    put32(b, e.size);
    put32(b, std::uint32_t(e.data.size()));
    b += char(2);
    b += char(1);
    b += char(e.deleted ? 1 : 0);
    b += char(0);
    put32(b, 0);
    put16(b, 0);
    b += e.shortName.leftJustified(13, '\0', true);
    const QByteArray lname = e.longName.isEmpty() ? QByteArray() : e.longName + '\0';
    const QByteArray dname = e.directory.isEmpty() ? QByteArray() : e.directory + '\0';
    put16(b, std::uint32_t(2 + lname.size() + dname.size() + 9));
    b += char(0);
    put16(b, 0);
    b += char(lname.size());
    b += char(dname.size());
    b += lname + dname;
    b += QByteArray(9, '\0'); // system id, file attributes, version flags
    return b;
}

QByteArray zoo(const std::vector<ZooEntry>& entries)
{
    QByteArray b = QByteArray("ZOO 2.10 Archive.\x1A").leftJustified(20, '\0');
    put32(b, 0xFDC4A7DC);
    put32(b, 42);
    put32(b, std::uint32_t(-42));
    b += char(2);
    b += char(1);
    b = b.leftJustified(42, '\0');
    for (const ZooEntry& e : entries) {
        const std::uint32_t at = std::uint32_t(b.size());
        const std::uint32_t length = std::uint32_t(zooEntry(e, 0, 0).size());
        const std::uint32_t next = at + length + std::uint32_t(e.data.size());
        b += zooEntry(e, next, at + length);
        b += e.data;
    }
    b += zooEntry({}, 0, 0); // the entry that ends the chain
    return b;
}

QStringList pathsOf(const ArchiveContents& c)
{
    QStringList out;
    for (const ArchiveRecord& r : c.records)
        out << r.path;
    return out;
}

} // namespace

TEST(Rar4, BlocksAreSteppedOverByTheirOwnSizes)
{
    const QByteArray b = rar4({{"readme.txt", 11, kHostDos, faArchive, 0, "xxxx"},
                               {"docs", 0, kHostDos, faDirectory, 0x00E0, {}},
                               {"docs\\guide.txt", 99, kHostDos, faArchive | faReadOnly, 0, "yy"},
                               // A group-writable Unix file: mode 0100664 has bit 0x10.
                               {"src/main.c", 5, kHostUnix, 0100664, 0, "z"},
                               {"src", 0, kHostUnix, 040755, 0, {}},
                               {"huge.bin", 0x10, kHostDos, faArchive, 0x0100, "q", 1}},
                              true);
    EXPECT_EQ(detectArchiveKind({reinterpret_cast<const std::uint8_t*>(b.constData()), 11}),
              QChar(kKindRar));
    const ArchiveContents c = readBytes(b);
    EXPECT_FALSE(c.damaged);
    EXPECT_EQ(pathsOf(c),
              QStringList({"readme.txt", "docs\\guide.txt", "src\\main.c", "huge.bin"}));
    ASSERT_EQ(c.records.size(), 4u);
    EXPECT_EQ(c.records[0].size, 11);
    EXPECT_EQ(c.records[0].dosDateTime, 0x52AF1234u);
    EXPECT_EQ(c.records[1].attributes, faArchive | faReadOnly);
    EXPECT_EQ(c.records[2].attributes, faArchive);
    EXPECT_EQ(c.records[3].size, 0x100000010LL);
    // The end block is optional: without it the archive is whole; a cut
    // inside the last file's data is not.
    const ArchiveContents noEnd = readBytes(b.chopped(7));
    EXPECT_FALSE(noEnd.damaged);
    EXPECT_EQ(pathsOf(noEnd), pathsOf(c));
    EXPECT_TRUE(readBytes(b.chopped(8)).damaged);
    expectRobust(b);
}

TEST(Rar4, AUnicodeNameIsDecodedAndDamageEndsTheWalk)
{
    // The encoded part: page 0, then one run of the whole plain name.
    QByteArray name("plain.txt");
    name += '\0';
    name += QByteArray("\x00\xC0\x07", 3);
    QByteArray b = rar4({{name, 1, kHostDos, faArchive, 0x0200, "a"},
                         {"second.txt", 2, kHostDos, faArchive, 0, "bb"}},
                        false);
    EXPECT_EQ(pathsOf(readBytes(b)), QStringList({"plain.txt", "second.txt"}));
    // A packed size past the end of the file.
    const qsizetype second = b.indexOf("second.txt") - 32;
    b[second + 10] = char(0x7F);
    const ArchiveContents c = readBytes(b);
    EXPECT_TRUE(c.damaged);
    EXPECT_EQ(pathsOf(c), QStringList({"plain.txt", "second.txt"}));
}

TEST(Rar5, TheSampleMadeByRarIsListed)
{
    const QByteArray b = fileBytes(fixturePath("rar5-sample.rar"));
    const ArchiveContents c = readBytes(b);
    EXPECT_FALSE(c.damaged);
    ASSERT_EQ(pathsOf(c), QStringList({"readme.txt", "sub\\data.txt"}));
    EXPECT_EQ(c.records[0].size, 20);
    EXPECT_EQ(c.records[1].size, 340);
    // Its times are Unix times in the extra area of each file header.
    EXPECT_EQ(c.records[0].dosDateTime, dosDateTimeFromUnix(0x6B17D038));
    expectRobust(b);
}

TEST(Zoo, TheChainOfEntriesGivesDirectoriesAndLongNames)
{
    const QByteArray b = zoo({{"A.TXT", {}, {}, 6, false, "xx"},
                              {"LONGNA~1.TXT", "long name.txt", "docs/more", 100, false, "yyy"},
                              {"GONE.TXT", {}, {}, 1, true, "z"},
                              {"B.TXT", {}, "/abs", 2, false, {}}});
    EXPECT_EQ(detectArchiveKind({reinterpret_cast<const std::uint8_t*>(b.constData()), 11}),
              QChar(kKindZoo));
    const ArchiveContents c = readBytes(b);
    EXPECT_FALSE(c.damaged);
    EXPECT_EQ(pathsOf(c), QStringList({"A.TXT", "docs\\more\\long name.txt", "abs\\B.TXT"}));
    ASSERT_EQ(c.records.size(), 3u);
    EXPECT_EQ(c.records[1].size, 100);
    EXPECT_EQ(c.records[1].dosDateTime, 0x52AF1234u);
    expectRobust(b);
}

TEST(Zoo, AChainThatPointsBackEnds)
{
    QByteArray b = zoo({{"A.TXT", {}, {}, 6, false, "xx"}, {"B.TXT", {}, {}, 6, false, "xx"}});
    // Make the second entry name the first as its next.
    const qsizetype second = b.indexOf("B.TXT") - 38;
    b[second + 6] = 42;
    b[second + 7] = 0;
    b[second + 8] = 0;
    b[second + 9] = 0;
    const ArchiveContents c = readBytes(b);
    EXPECT_TRUE(c.damaged);
    EXPECT_EQ(pathsOf(c), QStringList({"A.TXT", "B.TXT"}));
}

TEST(Lha, AHeaderCutBeforeItsLevelFieldsEnds)
{
    // Found by fuzzing: a level 3 header shorter than its fixed part.
    const QByteArray b = QByteArray::fromBase64("J4AtbGhkLQYAAAAG//8AWRsYayADNGJISHw=");
    ASSERT_EQ(b[20], 3);
    const ArchiveContents c = readBytes(b);
    EXPECT_TRUE(c.damaged);
    EXPECT_TRUE(c.records.empty());
}
