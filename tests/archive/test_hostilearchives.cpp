// Files that attack the readers: FIFOs, sockets and devices where an
// archive is expected, sizes that claim gigabytes, archives cut short and
// names that climb out of the archive.
#include "archivetestsupport.h"

#include "archive/archivekind.h"
#include "archive/archivelevel.h"
#include "archive/archivepath.h"
#include "archive/archivereaders.h"
#include "archive/filesource.h"
#include "platform/dosattr.h"
#include "support/drivefixture.h"

#include <QFile>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace dovex;
using namespace dovex::test;

namespace {

constexpr int kGuardSeconds = 30; // only a call that blocks comes near it
constexpr std::size_t kFewMegabytes = 48u << 20;

QStringList shown(const PanelEntries& entries)
{
    QStringList out;
    for (const PanelEntry& e : entries)
        out << (e.directory ? "D:" : "F:") + e.name;
    return out;
}

QStringList pathsOf(const ArchiveContents& c)
{
    QStringList out;
    for (const ArchiveRecord& r : c.records)
        out << r.path;
    return out;
}

// A sparse file of size bytes with pieces written at the given offsets.
void sparseFile(const QString& hostPath, std::int64_t size,
                const std::vector<std::pair<std::int64_t, QByteArray>>& pieces)
{
    QFile f(hostPath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_TRUE(f.resize(size));
    for (const auto& [at, bytes] : pieces) {
        ASSERT_TRUE(f.seek(at));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
}

QByteArray zipEnd(std::uint16_t entries, std::uint32_t size, std::uint32_t offset)
{
    QByteArray b;
    put32(b, 0x06054B50);
    put32(b, 0);
    put16(b, entries);
    put16(b, entries);
    put32(b, size);
    put32(b, offset);
    put16(b, 0);
    return b;
}

// A level 3 lha header whose size (and that of its file-name extension)
// is claimed, followed by no data.
QByteArray lhaLevel3(std::uint32_t headerSize, std::uint32_t extensionSize)
{
    QByteArray b;
    put16(b, 4); // word size
    b += "-lh0-";
    put32(b, 0); // packed
    put32(b, 5); // original size
    put32(b, 0); // time
    b += char(0x20);
    b += char(3); // level
    put16(b, 0);  // CRC
    b += 'U';
    put32(b, headerSize);
    put32(b, extensionSize);
    b += char(0x01); // file name
    b += "huge.txt";
    return b;
}

// A level 2 lha member of headerSize bytes (its name extension, then
// padding) and its data.
QByteArray lhaLevel2(const QByteArray& name, const QByteArray& data, std::uint16_t headerSize)
{
    QByteArray b;
    put16(b, headerSize);
    b += "-lh0-";
    put32(b, std::uint32_t(data.size()));
    put32(b, std::uint32_t(data.size()));
    put32(b, 1600000000);
    b += char(0x20);
    b += char(2);
    put16(b, 0);
    b += 'U';
    put16(b, std::uint32_t(1 + name.size() + 2));
    b += char(0x01);
    b += name;
    put16(b, 0);
    return b.leftJustified(headerSize, '\0') + data;
}

void makeLink(const char* target, const QString& hostPath)
{
    ASSERT_EQ(::symlink(target, QFile::encodeName(hostPath).constData()), 0);
}

void makeFifo(const QString& hostPath)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(hostPath).constData(), 0600), 0);
}

void makeSocket(const QString& hostPath)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(hostPath);
    ASSERT_LT(std::size_t(name.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

} // namespace

TEST(NonBlocking, FifosSocketsAndDevicesAreRefusedWithoutWaiting)
{
    DriveFixture drives;
    drives.directory("C:\\d");
    makeFifo(drives.host("C:\\d\\pipe.zip"));
    makeSocket(drives.host("C:\\d\\sock.zip"));
    makeLink("/dev/zero", drives.host("C:\\d\\zero.zip"));
    makeLink("pipe.zip", drives.host("C:\\d\\topipe.zip"));
    const QStringList paths{"C:\\d\\pipe.zip", "C:\\d\\sock.zip", "C:\\d\\zero.zip",
                            "C:\\d\\topipe.zip"};
    // Each check runs in a child, so that a call that waits for a writer
    // fails here rather than hanging the tests.
    const auto status = runInChild(
        [&] {
            bool ok = true;
            for (const QString& path : paths) {
                FileSource source;
                ok = ok && !source.open(drives.host(path));
                // The window's Enter and dovex-cli ask this first.
                ok = ok && archiveReaders().detectKind(path) == QChar(kKindNone);
                PanelEntries entries;
                ok = ok && ListArchiveDirectory(path, "", "*.*", entries) == 0;
            }
            return ok;
        },
        kGuardSeconds);
    ASSERT_TRUE(status.has_value()) << "reading a FIFO or a device blocked";
    EXPECT_EQ(*status, 0);
}

TEST(NonBlocking, ALinkToAnArchiveIsStillRead)
{
    DriveFixture drives;
    drives.file("C:\\real.zip", 0, buildZip({{"a.txt", 1, 0x52AF1234, false}}));
    makeLink("real.zip", drives.host("C:\\link.zip"));
    InitArchiveReaders();
    EXPECT_EQ(DetectArchiveKind("C:\\link.zip"), QChar(kKindZip));
    PanelEntries entries;
    EXPECT_EQ(ListArchiveDirectory("C:\\link.zip", "", "*.*", entries), 1);
    EXPECT_EQ(shown(entries), QStringList({"D:..", "F:a.txt"}));
    InitArchiveReaders();
}

// Sizes that claim gigabytes, in sparse files of gigabytes: each is listed
// or refused as damaged in a child whose address space may grow by a few
// megabytes only. A reader that allocates by a size field dies there.
TEST(BoundedMemory, HugeClaimsInHugeSparseFilesReadInAFewMegabytes)
{
    DriveFixture drives;
    constexpr std::int64_t k3GB = 3'000'000'000LL;
    // A zip end record whose directory spans almost the whole file.
    sparseFile(drives.host("C:\\huge.zip"), k3GB,
               {{0, "PK\x03\x04"}, {k3GB - 22, zipEnd(0xFFFF, 0xB0000000u, 0x100)}});
    // The same with a real first directory entry, and a ZIP64 end record
    // claiming 2^40 entries.
    QByteArray first = buildZip({{"first.txt", 3, 0x52AF1234, false}});
    const QByteArray entry = first.mid(first.indexOf("PK\x01\x02"));
    QByteArray end64;
    put32(end64, 0x06064B50);
    put64(end64, 44);
    put16(end64, 45);
    put16(end64, 45);
    put32(end64, 0);
    put32(end64, 0);
    put64(end64, 1ULL << 40);
    put64(end64, 1ULL << 40);
    put64(end64, std::uint64_t(k3GB) - 0x1000 - 98);
    put64(end64, 0x1000);
    QByteArray locator;
    put32(locator, 0x07064B50);
    put32(locator, 0);
    put64(locator, std::uint64_t(k3GB) - 98);
    put32(locator, 1);
    ASSERT_EQ(end64.size() + locator.size(), 76);
    sparseFile(drives.host("C:\\huge64.zip"), k3GB,
               {{0, "PK\x03\x04"},
                {0x1000, entry},
                {k3GB - 98, end64 + locator + zipEnd(0xFFFF, 0xFFFFFFFFu, 0xFFFFFFFFu)}});
    // An lha level 3 header (and its first extension) claiming 3 GiB.
    constexpr std::int64_t k3GiB = 3LL << 30;
    sparseFile(drives.host("C:\\huge.lzh"), k3GiB + 4096,
               {{0, lhaLevel3(std::uint32_t(k3GiB), std::uint32_t(k3GiB) - 32)}});

    const auto status = runInChild(
        [&] {
            bool ok = true;
            for (const char* path : {"C:\\huge.zip", "C:\\huge64.zip", "C:\\huge.lzh"}) {
                InitArchiveReaders();
                PanelEntries entries;
                ListArchiveDirectory(path, "", "*.*", entries);
                ok = ok && entries.size() <= 2;
            }
            const ArchiveContents zip = readHostFile(drives.host("C:\\huge.zip"));
            const ArchiveContents zip64 = readHostFile(drives.host("C:\\huge64.zip"));
            const ArchiveContents lha = readHostFile(drives.host("C:\\huge.lzh"));
            return ok && zip.damaged && zip.records.empty() && zip64.damaged &&
                   pathsOf(zip64) == QStringList{"first.txt"} && !lha.damaged &&
                   pathsOf(lha) == QStringList{"huge.txt"};
        },
        kGuardSeconds, kFewMegabytes);
    ASSERT_TRUE(status.has_value()) << "the readers did not finish";
    EXPECT_EQ(*status, 0) << "a reader ran out of its few megabytes, or misread";
}

TEST(BoundedMemory, AnArchiveHoldsAtMostSoManyRecordsAndSoMuchNameText)
{
    ArchiveContents c;
    const QString longName(1000, u'n'); // shared: the test itself stays small
    std::size_t added = 0;
    while (c.add({longName, 0, 1, faArchive}))
        ++added;
    EXPECT_TRUE(c.tooLarge);
    EXPECT_EQ(added, kMaxArchivePathChars / 1000);
    EXPECT_FALSE(c.complete());

    ArchiveContents many;
    const QString shortName(QStringLiteral("a"));
    while (many.add({shortName, 0, 1, faArchive})) {
    }
    EXPECT_EQ(many.records.size(), kMaxArchiveRecords);
}

TEST(Truncation, ArchivesCutAtAMemberBoundaryOrToTheirSignatureAreDamaged)
{
    // Signatures alone.
    for (const QByteArray& bare :
         {QByteArray("Rar!\x1A\x07\x00", 7), QByteArray("Rar!\x1A\x07\x01\x00", 8),
          QByteArray("PK\x03\x04"), QByteArray("\x60\xEA", 2), QByteArray("\x1A", 1),
          QByteArray("ZOO 2.10 Archive.\x1A")}) {
        const ArchiveContents c = readBytes(bare);
        EXPECT_TRUE(c.damaged) << bare.toHex().toStdString();
        EXPECT_TRUE(c.records.empty());
    }
    // The rar 5 sample without its end header: both members, but damaged.
    const QByteArray rar5 = fileBytes(fixturePath("rar5-sample.rar"));
    const ArchiveContents whole = readBytes(rar5);
    ASSERT_FALSE(whole.damaged);
    const ArchiveContents cut = readBytes(rar5.left(rar5.size() - 8));
    EXPECT_TRUE(cut.damaged);
    EXPECT_EQ(pathsOf(cut), pathsOf(whole));

    // A zip whose comment is cut: every member is there, but not the archive.
    QByteArray zip = buildZip({{"a.txt", 1, 0, false}});
    zip[zip.size() - 2] = 40;
    zip += "a comment cut short";
    const ArchiveContents commented = readBytes(zip);
    EXPECT_TRUE(commented.damaged);
    EXPECT_EQ(pathsOf(commented), QStringList{"a.txt"});
    zip[zip.size() - 21] = 19;
    EXPECT_FALSE(readBytes(zip).damaged);
}

TEST(Truncation, AZeroByteEndsAnLhaArchiveOnlyWhereNoHeaderCanStart)
{
    // Headers of 256 bytes start with a zero byte, as the end marker does.
    const QByteArray two = lhaLevel2("a.txt", "hi", 256) + lhaLevel2("b.txt", "xyz", 512);
    const ArchiveContents c = readBytes(two + '\0');
    EXPECT_FALSE(c.damaged);
    EXPECT_EQ(pathsOf(c), QStringList({"a.txt", "b.txt"}));
    EXPECT_TRUE(readBytes(two).damaged);
    // Nor is a zero byte where the first member must start an empty archive.
    EXPECT_TRUE(readBytes(QByteArray("\0\0-lh0-", 7) + QByteArray(20, '\0')).damaged);
}

TEST(ArchivePaths, DotsDrivesAndSeparatorsNeverLeaveTheArchive)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\win\\x", "win\\x"},
        {"c:x.txt", "x.txt"},
        {"/etc/x", "etc\\x"},
        {"..\\..\\etc\\passwd", "etc\\passwd"},
        {"a//b", "a\\b"},
        {"./a", "a"},
        {"a/./b", "a\\b"},
        {"a/../b", "a\\b"},
        {"..\\C:\\D:\\x", "x"},
        {"\\\\server\\share\\f", "server\\share\\f"},
        {"dir\\", "dir"},
        {"...", "..."},
        {"a\\C:\\b", "a\\C:\\b"},
        {".a/b.", ".a\\b."},
        {".", ""},
        {"..", ""},
        {"C:", ""},
        {"/./../", ""},
    };
    for (const auto& [stored, listed] : cases)
        EXPECT_EQ(NormalizeArchivePath(stored), listed) << stored;

    // A name cut at the length limit keeps whole characters.
    const QByteArray name = QByteArray(kMaxArchiveName - 1, 'a') + "\xC3\xA9";
    const QString decoded = decodeArchiveName(
        reinterpret_cast<const std::uint8_t*>(name.constData()), std::size_t(name.size()));
    EXPECT_EQ(decoded, QString(qsizetype(kMaxArchiveName - 1), u'a'));
}

TEST(ArchivePaths, HostileNamesListAsOneParentRowAndNormalDirectories)
{
    const QByteArray zip = buildZip({{".", 1, 0, false},
                                     {"..", 1, 0, false},
                                     {"../../etc/passwd", 2, 0, false},
                                     {"C:\\win\\x", 3, 0, false},
                                     {"/etc/x", 4, 0, false},
                                     {"a//b", 5, 0, false},
                                     {"./c", 6, 0, false},
                                     {"a/./d", 7, 0, false},
                                     {"C:", 8, 0, false}});
    const ArchiveContents c = readBytes(zip);
    EXPECT_FALSE(c.damaged);
    EXPECT_EQ(pathsOf(c), QStringList({"etc\\passwd", "win\\x", "etc\\x", "a\\b", "c", "a\\d"}));
    PanelEntries entries;
    listArchiveLevel(c.records, u"", "*.*", entries);
    EXPECT_EQ(shown(entries), QStringList({"D:..", "D:etc", "D:win", "D:a", "F:c"}));
    listArchiveLevel(c.records, u"etc", "*.*", entries);
    EXPECT_EQ(shown(entries), QStringList({"D:..", "F:passwd", "F:x"}));
}
