// Member names, links and kinds as other programs wrote them: code pages,
// the unicode forms of names, Lha links and Unix headers, RAR 5 versions,
// DOS directory attributes, and where damage and encryption are reported.
// Layouts no tool here writes are built from the formats' documentation.
#include "archivetestsupport.h"

#include "archive/archivelevel.h"
#include "archive/archivepath.h"
#include "platform/dosattr.h"
#include "platform/dostime.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <zlib.h>

using namespace dovex;
using namespace dovex::test;

namespace {

QStringList pathsOf(const ArchiveContents& c)
{
    QStringList out;
    for (const ArchiveRecord& r : c.records)
        out << r.path;
    return out;
}

// "D:name", "F:name" or "L:name>target" for each entry after "..".
QStringList levelOf(const ArchiveContents& c, const QString& innerDir)
{
    PanelEntries entries;
    listArchiveLevel(c.records, innerDir, QStringLiteral("*.*"), entries);
    QStringList out;
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const PanelEntry& e = entries[i];
        out << (e.directory ? "D:" + e.name
                : e.link    ? "L:" + e.name + '>' + e.linkTarget
                            : "F:" + e.name);
    }
    return out;
}

// ---- zip ------------------------------------------------------------------

struct ZipEntry {
    QByteArray name;
    std::uint16_t flags = 0;
    std::uint8_t host = 0; // 0 DOS, 3 Unix
    std::uint32_t externalAttributes = 0;
    QByteArray extra;
    QByteArray data;
};

QByteArray unicodePathField(const QByteArray& headerName, const QByteArray& utf8, bool goodCrc)
{
    QByteArray f;
    put16(f, 0x7075);
    put16(f, std::uint32_t(5 + utf8.size()));
    f += char(1);
    const uLong crc =
        crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(headerName.constData()),
              uInt(headerName.size()));
    put32(f, std::uint32_t(goodCrc ? crc : crc ^ 1));
    f += utf8;
    return f;
}

QByteArray zipOf(const std::vector<ZipEntry>& entries)
{
    QByteArray out, central;
    for (const ZipEntry& e : entries) {
        const std::uint32_t offset = std::uint32_t(out.size());
        const uLong crc =
            crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(e.data.constData()),
                  uInt(e.data.size()));
        QByteArray common;
        put16(common, e.flags);
        put16(common, 0); // stored
        put32(common, 0x52AF1234);
        put32(common, std::uint32_t(crc));
        put32(common, std::uint32_t(e.data.size()));
        put32(common, std::uint32_t(e.data.size()));
        put16(common, std::uint32_t(e.name.size()));
        put16(common, std::uint32_t(e.extra.size()));
        put32(out, 0x04034B50);
        put16(out, 20);
        out += common + e.name + e.extra + e.data;
        put32(central, 0x02014B50);
        put16(central, (std::uint32_t(e.host) << 8) | 20);
        put16(central, 20);
        central += common;
        put16(central, 0); // comment
        put16(central, 0); // disk
        put16(central, 0); // internal attributes
        put32(central, e.externalAttributes);
        put32(central, offset);
        central += e.name + e.extra;
    }
    const std::uint32_t at = std::uint32_t(out.size());
    out += central;
    put32(out, 0x06054B50);
    put16(out, 0);
    put16(out, 0);
    put16(out, std::uint32_t(entries.size()));
    put16(out, std::uint32_t(entries.size()));
    put32(out, std::uint32_t(central.size()));
    put32(out, at);
    put16(out, 0);
    return out;
}

TEST(ZipNames, CodePage437Utf8AndTheUnicodePathField)
{
    const QByteArray cp437("\x82t\x82\\M\x94ller.txt"); // "été\Möller.txt" in code page 437
    const QByteArray b = zipOf({
        {cp437, 0, 0, faArchive, {}, "a"},
        // Bit 11: UTF-8.
        {"gr\xc3\xbc\xc3\x9f.txt", 0x0800, 0, faArchive, {}, "b"},
        // Valid UTF-8 without the bit is UTF-8 too.
        {"\xe6\x97\xa5.txt", 0, 3, 0100644u << 16, {}, "c"},
        // A Unicode Path field written for this very name gives the name...
        {"?.txt", 0, 0, faArchive, unicodePathField("?.txt", "\xce\xbb.txt", true), "d"},
        // ...one whose CRC belongs to another name is stale and ignored.
        {"x\x8e.txt", 0, 0, faArchive, unicodePathField("old", "\xce\xbc.txt", false), "e"},
    });
    const ArchiveContents c = readBytes(b);
    EXPECT_FALSE(c.damaged);
    EXPECT_EQ(pathsOf(c), QStringList({QString::fromUtf8("été\\Möller.txt"),
                                       QString::fromUtf8("grüß.txt"), QString::fromUtf8("日.txt"),
                                       QString::fromUtf8("λ.txt"), QString::fromUtf8("xÄ.txt")}));
    // The bytes the archive's own tools match stay with each record.
    ASSERT_EQ(c.records.size(), 5u);
    EXPECT_EQ(c.records[0].storedBytes(), cp437);
    EXPECT_EQ(c.records[1].storedBytes(), QByteArray("gr\xc3\xbc\xc3\x9f.txt"));
    EXPECT_EQ(c.records[2].storedBytes(), QByteArray("\xe6\x97\xa5.txt"));
    EXPECT_EQ(c.records[3].storedBytes(), QByteArray("?.txt"));
    EXPECT_EQ(c.records[4].storedBytes(), QByteArray("x\x8e.txt"));
    expectRobust(b);
}

TEST(ZipNames, ADosDirectoryAttributeMarksADirectoryWithoutItsSlash)
{
    const QByteArray b = zipOf({
        {"OLD", 0, 0, faDirectory, {}, {}},
        {"OLD/A.TXT", 0, 0, faArchive, {}, "aa"},
        {"EMPTY", 0, 0, faDirectory | faHidden, {}, {}},
        // A Unix mode decides for a Unix-made member.
        {"udir", 0, 3, (040755u << 16) | faDirectory, {}, {}},
        {"ufile", 0, 3, 0100644u << 16, {}, "u"},
    });
    const ArchiveContents c = readBytes(b);
    EXPECT_FALSE(c.damaged);
    EXPECT_EQ(pathsOf(c), QStringList({"OLD\\A.TXT", "ufile"}));
    EXPECT_EQ(levelOf(c, {}), QStringList({"D:OLD", "F:ufile"}));
}

TEST(ZipNames, TheRealZipListsUtf8NamesAndLinksAsWritten)
{
    REQUIRE_TOOL("zip");
    QTemporaryDir dir;
    writeBytes(dir.path() + QString::fromUtf8("/d/naïve café.txt"), "x");
    ASSERT_TRUE(QFile::link(QString::fromUtf8("naïve café.txt"), dir.path() + "/d/lnk"));
    ASSERT_TRUE(QFile::link(QString(300, 'x'), dir.path() + "/d/long"));
    ASSERT_TRUE(
        runTool(dir.path(), "env", {"LC_ALL=C.UTF-8", "zip", "-q", "-r", "-y", "t.zip", "d"}));
    const ArchiveContents c = readHostFile(dir.path() + "/t.zip");
    EXPECT_FALSE(c.damaged);
    QStringList listed = levelOf(c, "d");
    listed.sort();
    EXPECT_EQ(listed, QStringList({QString::fromUtf8("F:naïve café.txt"),
                                   QString::fromUtf8("L:lnk>naïve café.txt"),
                                   "L:long>" + QString(300, 'x')}));
}

// ---- lha ------------------------------------------------------------------

QByteArray lhaExt(std::uint8_t type, const QByteArray& data)
{
    QByteArray e;
    put16(e, std::uint32_t(3 + data.size()));
    e += char(type);
    e += data;
    return e;
}

// A level 2 member; its extended headers follow the fixed part.
QByteArray lha2(const char* method, std::uint32_t unixTime, const QByteArray& data,
                std::uint32_t size, const QByteArrayList& exts)
{
    QByteArray rest;
    for (const QByteArray& e : exts)
        rest += e;
    put16(rest, 0);
    QByteArray h;
    put16(h, std::uint32_t(24 + rest.size()));
    h += method;
    put32(h, std::uint32_t(data.size()));
    put32(h, size);
    put32(h, unixTime);
    h += char(0x20);
    h += char(2);
    put16(h, 0); // CRC
    h += 'U';
    h += rest;
    return h + data;
}

// A level 0 member: name, CRC, then the extension area.
QByteArray lha0(const char* method, std::uint32_t dosTime, const QByteArray& name,
                const QByteArray& data, const QByteArray& extension)
{
    QByteArray body = QByteArray(method);
    put32(body, std::uint32_t(data.size()));
    put32(body, std::uint32_t(data.size()));
    put32(body, dosTime);
    body += char(0x20);
    body += char(0);
    body += char(name.size());
    body += name;
    put16(body, 0); // CRC
    body += extension;
    QByteArray h;
    h += char(body.size());
    h += char(0); // checksum, not tested
    return h + body + data;
}

QByteArray unixExtension(std::uint32_t time, std::uint16_t mode)
{
    QByteArray e("U");
    e += char(0);
    put32(e, time);
    put16(e, mode);
    put16(e, 1000);
    put16(e, 1000);
    return e;
}

QByteArray utf16(const QString& s)
{
    QByteArray b;
    for (const QChar c : s)
        put16(b, c.unicode());
    return b;
}

TEST(LhaNames, LinksAreFilesOfTheirLevelWithTheirTargets)
{
    const std::uint32_t t = 1600000000;
    QByteArray modeLink;
    put16(modeLink, 0120777);
    const QByteArray b =
        lha2("-lhd-", t, {}, 0, {lhaExt(0x01, {}), lhaExt(0x02, "d\xff")}) +
        lha2("-lh0-", t, "hi\n", 3, {lhaExt(0x01, "f.txt"), lhaExt(0x02, "d\xffsub\xff")}) +
        lha2("-lhd-", t, {}, 0, {lhaExt(0x01, "lnk|f.txt"), lhaExt(0x02, "d\xffsub\xff")}) +
        // The archiver split "only/l2|../d/sub/f.txt" at its last "/".
        lha2("-lhd-", t, {}, 0,
             {lhaExt(0x01, "f.txt"), lhaExt(0x02, "only\xffl2|..\xff"
                                                  "d\xffsub\xff")}) +
        // A link whose mode says so but whose target is left out.
        lha2("-lhd-", t, {}, 0,
             {lhaExt(0x01, "gone"), lhaExt(0x02, "d\xff"), lhaExt(0x50, modeLink)}) +
        QByteArray(1, '\0');
    const ArchiveContents c = readBytes(b);
    EXPECT_FALSE(c.damaged);
    EXPECT_EQ(pathsOf(c), QStringList({"d\\sub\\f.txt", "d\\sub\\lnk", "only\\l2", "d\\gone"}));
    // The directory that holds only a link is listed.
    EXPECT_EQ(levelOf(c, {}), QStringList({"D:d", "D:only"}));
    EXPECT_EQ(levelOf(c, "d\\sub"), QStringList({"F:f.txt", "L:lnk>f.txt"}));
    EXPECT_EQ(levelOf(c, "only"), QStringList({"L:l2>../d/sub/f.txt"}));
    EXPECT_EQ(levelOf(c, "d"), QStringList({"D:sub", "L:gone>"}));
    ASSERT_EQ(c.records.size(), 4u);
    EXPECT_TRUE(c.records[3].link);
    EXPECT_EQ(c.records[3].size, 0);
    EXPECT_EQ(c.records[1].storedBytes(), QByteArray("d/sub/lnk|f.txt"));
    expectRobust(b);
}

TEST(LhaNames, Utf16HeadersGiveTheName)
{
    const QString dir = QString::fromUtf8("Ünï") + QChar(0xFFFF) + QString::fromUtf8("日本");
    const QByteArray b =
        lha2("-lh0-", 1600000000, "x", 1,
             {lhaExt(0x01, "fallback.txt"), lhaExt(0x44, utf16(QString::fromUtf8("名前\\x.txt"))),
              lhaExt(0x45, utf16(dir))}) +
        QByteArray(1, '\0');
    const ArchiveContents c = readBytes(b);
    EXPECT_FALSE(c.damaged);
    EXPECT_EQ(pathsOf(c), QStringList({QString::fromUtf8("Ünï\\日本\\名前\\x.txt")}));
}

TEST(LhaNames, AUnixExtensionGivesTheTimeOfLevelZero)
{
    const std::uint32_t garbage = packDosDateTime({2098, 3, 4, 5, 6, 8});
    const std::uint32_t t = 1234567890;
    const QByteArray b = lha0("-lh0-", garbage, "unix.txt", "abc", unixExtension(t, 0100644)) +
                         lha0("-lh0-", 0x52AF1234, "DOS.TXT", "de", {}) + QByteArray(1, '\0');
    const ArchiveContents c = readBytes(b);
    EXPECT_FALSE(c.damaged);
    ASSERT_EQ(pathsOf(c), QStringList({"unix.txt", "DOS.TXT"}));
    EXPECT_EQ(c.records[0].dosDateTime, dosDateTimeFromUnix(t));
    EXPECT_EQ(c.records[1].dosDateTime, 0x52AF1234u);
    expectRobust(b);
}

TEST(LhaNames, ALevelZeroLinkWithAUnixExtension)
{
    const QByteArray b =
        lha0("-lhd-", 0, "bin\\sh|busybox", {}, unixExtension(1, 0120777)) + QByteArray(1, '\0');
    const ArchiveContents c = readBytes(b);
    EXPECT_EQ(levelOf(c, "bin"), QStringList({"L:sh>busybox"}));
}

// jlha writes Shift-JIS names with "y"; two of these characters have 0x5C
// as their second byte, which is no separator.
TEST(LhaNames, ShiftJisNamesFromTheRealTool)
{
    REQUIRE_TOOL("lha");
    QTemporaryDir dir;
    writeBytes(dir.path() + QString::fromUtf8("/表示/ソ.txt"), "x\n");
    writeBytes(dir.path() + QString::fromUtf8("/café.txt"), "y\n");
    for (const char* command : {"ay", "ay0", "ay1"}) {
        const QString name = QStringLiteral("%1.lzh").arg(command);
        ASSERT_TRUE(runTool(dir.path(), "env",
                            {"LC_ALL=C.UTF-8", "lha", command, name, QString::fromUtf8("表示")}));
        const ArchiveContents c = readHostFile(dir.path() + '/' + name);
        EXPECT_FALSE(c.damaged) << command;
        EXPECT_EQ(pathsOf(c), QStringList({QString::fromUtf8("表示\\ソ.txt")})) << command;
        ASSERT_EQ(c.records.size(), 1u);
        EXPECT_TRUE(c.records[0].storedBytes().endsWith("\x83\x5c.txt")) << command;
    }
    // Without "y" the name keeps its Latin-1 byte, which no double-byte
    // character takes.
    ASSERT_TRUE(runTool(dir.path(), "env",
                        {"LC_ALL=C.UTF-8", "lha", "a", "l.lzh", QString::fromUtf8("café.txt")}));
    EXPECT_EQ(pathsOf(readHostFile(dir.path() + "/l.lzh")),
              QStringList({QString::fromUtf8("café.txt")}));
}

TEST(LhaNames, BytesThatAreNoShiftJisReadAsLatin1)
{
    // 0xFC 0x6C has the shape of a double-byte character but is none.
    const QByteArray b = lha0("-lh0-", 0x52AF1234, "M\xfcller\\x", "a", {}) + QByteArray(1, '\0');
    EXPECT_EQ(pathsOf(readBytes(b)), QStringList({QString::fromUtf8("Müller\\x")}));
    // A lone half-width katakana byte and a double-byte name both decode.
    const QByteArray k = lha0("-lh0-", 0x52AF1234, "\xb1\x82\xa0", "a", {}) + QByteArray(1, '\0');
    EXPECT_EQ(pathsOf(readBytes(k)), QStringList({QString::fromUtf8("ｱあ")}));
}

// ---- rar 4 ----------------------------------------------------------------

void rarBlock(QByteArray& b, std::uint8_t type, std::uint16_t flags, const QByteArray& body)
{
    put16(b, 0);
    b += char(type);
    put16(b, flags);
    put16(b, std::uint32_t(7 + body.size()));
    b += body;
}

QByteArray rarFile(const QByteArray& name, std::uint16_t flags, const QByteArray& data,
                   std::uint32_t highPacked = 0, std::uint32_t highSize = 0)
{
    QByteArray body;
    put32(body, std::uint32_t(data.size()));
    put32(body, std::uint32_t(data.size()));
    body += char(2); // Windows
    put32(body, 0);
    put32(body, 0x52AF1234);
    body += char(29);
    body += char(0x30);
    put16(body, std::uint32_t(name.size()));
    put32(body, faArchive);
    if (flags & 0x0100) {
        put32(body, highPacked);
        put32(body, highSize);
    }
    body += name;
    QByteArray b;
    rarBlock(b, 0x74, 0x8000 | flags, body);
    return b + data;
}

QByteArray rar4Of(const QByteArray& files, std::uint16_t mainFlags = 0)
{
    QByteArray b("Rar!\x1A\x07\x00", 7);
    rarBlock(b, 0x73, mainFlags, QByteArray(6, '\0'));
    b += files;
    rarBlock(b, 0x7B, 0x4000, {});
    return b;
}

TEST(Rar4Names, TheEncodedUnicodeNameIsTheName)
{
    // "日本.txt": the page 0x65, then 日 in that page (1), 本 whole (2) and
    // ".txt" copied from the plain name (3).
    const QByteArray japanese =
        QByteArray("__.txt") + '\0' + QByteArray("\x65\x6c\xe5\x2c\x67\x02", 6);
    // A run shifted by a correction into page 0x04: "AB" becomes U+0471 U+0472.
    const QByteArray shifted = QByteArray("AB") + '\0' + QByteArray("\x04\xc0\x80\x30", 4);
    // ぜ (U+305C) ends in 0x5C, which no separator is: "ぜ\a" in page 0x30.
    const QByteArray ze = QByteArray("?\\a") + '\0' + QByteArray("\x30\x40\x5c\x5c\x61", 5);
    const QByteArray b = rar4Of(rarFile(japanese, 0x0200, "a") + rarFile(shifted, 0x0200, "b") +
                                rarFile(ze, 0x0200, "c") +
                                // The flag without a zero: the name is UTF-8.
                                rarFile("\xc3\xa9t\xc3\xa9.txt", 0x0200, "d"));
    const ArchiveContents c = readBytes(b);
    EXPECT_FALSE(c.damaged);
    EXPECT_EQ(pathsOf(c), QStringList({QString::fromUtf8("日本.txt"), QString::fromUtf8("ѱѲ"),
                                       QString::fromUtf8("ぜ\\a"), QString::fromUtf8("été.txt")}));
    ASSERT_EQ(c.records.size(), 4u);
    EXPECT_EQ(c.records[0].storedBytes(), QByteArray("__.txt"));
    EXPECT_EQ(levelOf(c, {}).first(), QString::fromUtf8("F:日本.txt"));
    expectRobust(b);
}

TEST(Rar4Names, AbsurdSizesAndHeadersPastTheirEndAreDamage)
{
    // A high packed-size word of 0x7FFFFFFF.
    const ArchiveContents high = readBytes(rar4Of(rarFile("a.txt", 0x0100, "a", 0x7FFFFFFF)));
    EXPECT_TRUE(high.damaged);
    const ArchiveContents highSize =
        readBytes(rar4Of(rarFile("a.txt", 0x0100, "a", 0, 0x7FFFFFFF)));
    EXPECT_TRUE(highSize.damaged);
    // A size the archiver did not know (both words all ones) is no damage.
    QByteArray unknown = rar4Of(rarFile("a.txt", 0x0100, "a", 0, 0xFFFFFFFF));
    unknown.replace(7 + 13 + 7 + 4, 4, QByteArray(4, '\xff'));
    EXPECT_FALSE(readBytes(unknown).damaged);
    // A name that runs past its header, and a header too short for the
    // high words its flag announces: no empty, complete listing.
    QByteArray longName = rarFile("name.txt", 0, "a");
    longName[7 + 19] = char(60);
    const ArchiveContents past = readBytes(rar4Of(longName));
    EXPECT_TRUE(past.damaged);
    EXPECT_TRUE(past.records.empty());
    QByteArray shortLarge = rarFile("n", 0, {});
    shortLarge[4] = char(shortLarge[4] | 0x01); // the large flag, without its words
    EXPECT_TRUE(readBytes(rar4Of(shortLarge)).damaged);
    // An end block whose header runs past the file.
    QByteArray b("Rar!\x1A\x07\x00", 7);
    rarBlock(b, 0x73, 0, QByteArray(6, '\0'));
    put16(b, 0);
    b += char(0x7B);
    put16(b, 0);
    put16(b, 200);
    EXPECT_TRUE(readBytes(b).damaged);
}

TEST(Rar4Names, EncryptedHeadersAreReportedAsSuchNotAsDamage)
{
    QByteArray b = rar4Of({}, 0x0080);
    b.chop(7);
    b += QByteArray(64, '\x5a'); // ciphertext
    const ArchiveContents c = readBytes(b);
    EXPECT_TRUE(c.encrypted);
    EXPECT_FALSE(c.damaged);
    EXPECT_FALSE(c.complete());
}

// ---- rar 5 ----------------------------------------------------------------

QByteArray vint(std::uint64_t v)
{
    QByteArray b;
    do {
        b += char((v & 0x7F) | (v > 0x7F ? 0x80 : 0));
        v >>= 7;
    } while (v);
    return b;
}

QByteArray rar5Header(std::uint64_t type, const QByteArray& fields, const QByteArray& extra,
                      std::uint64_t dataSize)
{
    QByteArray h = vint(type);
    h += vint((extra.isEmpty() ? 0 : 0x1) | (dataSize ? 0x2 : 0));
    if (!extra.isEmpty())
        h += vint(std::uint64_t(extra.size()));
    if (dataSize)
        h += vint(dataSize);
    h += fields + extra;
    QByteArray b;
    put32(b, 0); // CRC, not tested
    return b + vint(std::uint64_t(h.size())) + h;
}

QByteArray rar5Record(std::uint64_t type, const QByteArray& data)
{
    const QByteArray body = vint(type) + data;
    return vint(std::uint64_t(body.size())) + body;
}

QByteArray rar5File(const QByteArray& name, const QByteArray& data, const QByteArray& extra)
{
    QByteArray f = vint(0);                // file flags
    f += vint(std::uint64_t(data.size())); // unpacked size
    f += vint(0x20);                       // attributes
    f += vint(0);                          // compression: stored
    f += vint(0);                          // Windows
    f += vint(std::uint64_t(name.size())) + name;
    return rar5Header(2, f, extra, std::uint64_t(data.size())) + data;
}

QByteArray rar5Of(const QByteArray& body)
{
    QByteArray b("Rar!\x1A\x07\x01\x00", 8);
    b += rar5Header(1, vint(0), {}, 0);
    b += body;
    b += rar5Header(5, vint(0), {}, 0);
    return b;
}

TEST(Rar5Names, VersionsAreEntriesOfTheirOwnAndRedirectionsLinks)
{
    const QByteArray b = rar5Of(
        rar5File("doc/notes.txt", "new", {}) +
        rar5File("doc/notes.txt", "older", rar5Record(4, vint(0) + vint(2))) +
        rar5File("doc/notes.txt", "oldest", rar5Record(4, vint(0) + vint(1))) +
        rar5File("doc/latest", {}, rar5Record(5, vint(1) + vint(0) + vint(9) + "notes.txt")));
    const ArchiveContents c = readBytes(b);
    EXPECT_FALSE(c.damaged);
    EXPECT_EQ(pathsOf(c), QStringList({"doc\\notes.txt", "doc\\notes.txt;2", "doc\\notes.txt;1",
                                       "doc\\latest"}));
    EXPECT_EQ(levelOf(c, "doc"),
              QStringList({"F:notes.txt", "F:notes.txt;2", "F:notes.txt;1", "L:latest>notes.txt"}));
    ASSERT_EQ(c.records.size(), 4u);
    EXPECT_EQ(c.records[1].size, 5);
    EXPECT_EQ(c.records[1].storedBytes(), QByteArray("doc/notes.txt"));
    expectRobust(b);
}

TEST(Rar5Names, EncryptedHeadersAreReportedAsSuchNotAsDamage)
{
    QByteArray b("Rar!\x1A\x07\x01\x00", 8);
    b += rar5Header(4, vint(0) + vint(1) + char(15) + QByteArray(16, 's'), {}, 0);
    b += QByteArray(80, '\x33'); // ciphertext
    const ArchiveContents c = readBytes(b);
    EXPECT_TRUE(c.encrypted);
    EXPECT_FALSE(c.damaged);
}

// ---- names in general -----------------------------------------------------

TEST(ArchiveNames, AStoredNameIsKeptOnlyWhereThePathCannotGiveItBack)
{
    const auto check = [](const QByteArray& bytes, const QString& path, bool cp437, bool same) {
        ArchiveRecord r;
        r.path = path;
        r.keepStoredName(bytes, cp437);
        EXPECT_EQ(r.storedName.isEmpty(), same) << bytes.toStdString();
        EXPECT_EQ(r.storedBytes(), bytes) << bytes.toStdString();
    };
    check("a/b\xf0\x9f\x98\x80.txt", QString::fromUtf8("a\\b😀.txt"), false, true);
    check("\x82t\x82/x", QString::fromUtf8("été\\x"), true, true);
    check("a\\b", "a\\b", false, false);       // the separator was "\\"
    check("/lead/x", "lead\\x", false, false); // normalised away
    check("\xe6\x97", QString::fromUtf8("\u00e6\u0097"), false, false);
}

TEST(ArchiveNames, ANameCutAtTheLimitKeepsWholeDoubleByteCharacters)
{
    QByteArray sjis;
    while (std::size_t(sjis.size()) < kMaxArchiveName + 10)
        sjis += "a\x95\x5c"; // 0x5C: the second byte of 表
    const QString text = decodeArchiveName(reinterpret_cast<const std::uint8_t*>(sjis.constData()),
                                           std::size_t(sjis.size()), LegacyNameCoding::ShiftJis);
    EXPECT_FALSE(text.contains(u'\\'));
    EXPECT_TRUE(text.startsWith(QString::fromUtf8("a表a表")));
    // An empty name may come as a null pointer (found by fuzzing: a RAR 5
    // link whose target runs past its record).
    EXPECT_TRUE(decodeArchiveName(nullptr, 0).isEmpty());
    EXPECT_TRUE(storedNameBytes(nullptr, 0).isEmpty());
    EXPECT_EQ(storedNameBytes(reinterpret_cast<const std::uint8_t*>(sjis.constData()),
                              std::size_t(sjis.size()))
                  .size(),
              qsizetype(kMaxArchiveName));
}

} // namespace
