#include "archive/zipreader.h"

#include "archive/archivepath.h"
#include "archive/littleendian.h"
#include "platform/dosattr.h"

#include <zlib.h>

#include <algorithm>
#include <optional>

namespace dovex {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint32_t kEnd64Signature = 0x06064B50;
constexpr std::uint32_t kLocator64Signature = 0x07064B50;
constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kEndSize = 22;
constexpr std::uint32_t kSaturated = 0xFFFFFFFF;
constexpr std::uint16_t kUnicodePathId = 0x7075;
constexpr std::uint8_t kHostDos = 0;
constexpr std::uint8_t kHostUnix = 3;
constexpr std::uint32_t kModeType = 0170000;
constexpr std::uint32_t kModeDirectory = 0040000;
constexpr std::uint32_t kModeLink = 0120000;
constexpr std::size_t kMaxLinkTarget = 4096;

struct CentralDirectory {
    std::int64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t entries = 0;
    std::int64_t endOffset = 0; // where the end record (or its ZIP64 form) starts
    bool cut = false;           // the end record's comment runs past the end of the file
};

// Sizes from a ZIP64 extra field (id 1): each field is present only when the
// 32-bit one is saturated, in the order uncompressed, compressed.
void applyZip64(const std::uint8_t* extra, std::size_t length, std::uint64_t& size,
                std::uint64_t& packed)
{
    std::size_t at = 0;
    while (at + 4 <= length) {
        const std::uint16_t id = le::u16(extra + at);
        const std::uint16_t n = le::u16(extra + at + 2);
        const std::size_t end = at + 4 + n;
        if (end > length)
            return;
        if (id == 1) {
            std::size_t f = at + 4;
            if (size == kSaturated && f + 8 <= end) {
                size = le::u64(extra + f);
                f += 8;
            }
            if (packed == kSaturated && f + 8 <= end)
                packed = le::u64(extra + f);
            return;
        }
        at = end;
    }
}

// The name of an Info-ZIP Unicode Path extra field (id 0x7075) that was
// written for exactly the name the header holds: a tool that renamed the
// member without knowing the field leaves a CRC that no longer matches.
std::optional<QString> unicodePath(const std::uint8_t* extra, std::size_t length,
                                   const std::uint8_t* name, std::size_t nameLength)
{
    std::size_t at = 0;
    while (at + 4 <= length) {
        const std::uint16_t id = le::u16(extra + at);
        const std::size_t n = le::u16(extra + at + 2);
        const std::size_t data = at + 4;
        if (data + n > length)
            return std::nullopt;
        if (id == kUnicodePathId && n >= 5 && extra[data] == 1) {
            const uLong crc = crc32(crc32(0, nullptr, 0), name, uInt(nameLength));
            if (le::u32(extra + data + 1) != std::uint32_t(crc))
                return std::nullopt;
            const std::size_t textLength = std::min(n - 5, kMaxArchiveName);
            const QByteArrayView text(reinterpret_cast<const char*>(extra + data + 5),
                                      qsizetype(textLength));
            if (text.isEmpty() || !text.isValidUtf8() || text.contains('\0'))
                return std::nullopt;
            return QString::fromUtf8(text);
        }
        at = data + n;
    }
    return std::nullopt;
}

// What the central directory says of a member beyond its sizes; the local
// walk has none of it.
struct MemberKind {
    std::uint8_t host = kHostDos;
    std::uint32_t externalAttributes = 0;
    std::optional<QString> linkTarget; // a symbolic link's, when it is one
};

// A directory by its name, or by its attributes: DOS and early Windows
// tools marked a directory only with the DOS directory bit, Unix tools set
// the type in the mode of the high 16 bits.
bool isDirectory(const std::uint8_t* name, std::size_t length, const MemberKind& kind)
{
    if (length == 0 || name[length - 1] == '/' || name[length - 1] == '\\')
        return true;
    const std::uint32_t mode = kind.externalAttributes >> 16;
    if (kind.host == kHostUnix && mode != 0)
        return (mode & kModeType) == kModeDirectory;
    return (kind.externalAttributes & faDirectory) != 0;
}

// False when the archive holds more than can be listed.
bool addRecord(ArchiveContents& out, const std::uint8_t* name, std::size_t nameLength,
               const std::uint8_t* extra, std::size_t extraLength, const MemberKind& kind,
               std::uint32_t dosDateTime, std::uint64_t size)
{
    if (isDirectory(name, nameLength, kind))
        return true;
    ArchiveRecord r;
    // A name is UTF-8 when the header says so (bit 11) and whenever it is
    // valid UTF-8; any other is code page 437, as the format defines it.
    const std::optional<QString> unicode = unicodePath(extra, extraLength, name, nameLength);
    bool cp437 = false;
    bool exact = false;
    r.path = NormalizeArchivePath(
        unicode ? *unicode : decodeArchiveName(name, nameLength, LegacyNameCoding::Cp437, &cp437),
        &exact);
    if (r.path.isEmpty())
        return true;
    // Both decodings give the bytes back exactly, so a name whose path only
    // had its separators turned needs no copy of them.
    const QByteArrayView stored = storedNameBytes(name, nameLength);
    r.storedCp437 = cp437;
    if (unicode || !exact || std::size_t(stored.size()) != nameLength)
        r.storedName = stored.toByteArray();
    r.dosDateTime = dosDateTime;
    r.size = size > std::uint64_t(INT64_MAX) ? INT64_MAX : std::int64_t(size);
    r.attributes = faArchive;
    if (kind.linkTarget) {
        r.link = true;
        r.linkTarget = *kind.linkTarget;
    }
    return out.add(std::move(r));
}

// The target of a member a Unix tool stored as a symbolic link: its data,
// stored or deflated, when it is short enough to be a path. Empty when it
// cannot be read.
QString linkTarget(ByteSource& source, std::uint64_t localOffset, std::uint16_t method,
                   std::uint64_t packed)
{
    if (packed == 0 || packed > kMaxLinkTarget || (method != 0 && method != 8))
        return {};
    const auto h = source.read(std::int64_t(localOffset & 0x7FFFFFFFFFFFFFFF), kLocalSize);
    if (h.size() < kLocalSize || le::u32(h.data()) != kLocalSignature)
        return {};
    const std::int64_t dataAt = std::int64_t(localOffset) + std::int64_t(kLocalSize) +
                                le::u16(h.data() + 26) + le::u16(h.data() + 28);
    const auto data = source.read(dataAt, std::size_t(packed));
    if (data.size() < packed)
        return {};
    if (method == 0)
        return decodeArchiveName(data.data(), data.size(), LegacyNameCoding::Cp437);
    std::uint8_t text[kMaxLinkTarget];
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return {};
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = uInt(data.size());
    z.next_out = text;
    z.avail_out = sizeof text;
    const int status = inflate(&z, Z_FINISH);
    const std::size_t length = sizeof text - z.avail_out;
    inflateEnd(&z);
    if (status != Z_STREAM_END)
        return {};
    return decodeArchiveName(text, length, LegacyNameCoding::Cp437);
}

// The ZIP64 end record named by the locator just before the end record.
void applyEnd64(ByteSource& source, std::int64_t endPos, CentralDirectory& cd)
{
    if (endPos < 20)
        return;
    const auto loc = source.read(endPos - 20, 20);
    if (loc.size() < 20 || le::u32(loc.data()) != kLocator64Signature)
        return;
    const std::uint64_t at = le::u64(loc.data() + 8);
    if (at > std::uint64_t(endPos))
        return;
    const auto rec = source.read(std::int64_t(at), 56);
    if (rec.size() < 56 || le::u32(rec.data()) != kEnd64Signature)
        return;
    cd.entries = le::u64(rec.data() + 32);
    cd.size = le::u64(rec.data() + 40);
    cd.offset = std::int64_t(le::u64(rec.data() + 48) & 0x7FFFFFFFFFFFFFFF);
    cd.endOffset = std::int64_t(at);
}

std::optional<CentralDirectory> findCentralDirectory(ByteSource& source)
{
    const std::int64_t size = source.size();
    if (size < std::int64_t(kEndSize))
        return std::nullopt;
    const std::int64_t tailStart =
        size > 0xFFFF + std::int64_t(kEndSize) ? size - (0xFFFF + std::int64_t(kEndSize)) : 0;
    const auto tail = source.read(tailStart, std::size_t(size - tailStart));
    if (tail.size() < kEndSize)
        return std::nullopt;
    // The last end record whose comment reaches the end of the file; failing
    // that, the last one at all (a file with junk appended).
    std::optional<std::size_t> found;
    for (std::size_t i = tail.size() - kEndSize + 1; i-- > 0;) {
        if (le::u32(tail.data() + i) != kEndSignature)
            continue;
        if (i + kEndSize + le::u16(tail.data() + i + 20) == tail.size()) {
            found = i;
            break;
        }
        if (!found)
            found = i;
    }
    if (!found)
        return std::nullopt;
    const std::uint8_t* e = tail.data() + *found;
    CentralDirectory cd;
    cd.cut = *found + kEndSize + le::u16(e + 20) > tail.size();
    cd.entries = le::u16(e + 10);
    cd.size = le::u32(e + 12);
    cd.offset = le::u32(e + 16);
    cd.endOffset = tailStart + std::int64_t(*found);
    applyEnd64(source, cd.endOffset, cd);
    return cd;
}

// Where the directory starts: at cd.offset, or where it must lie when data
// was put in front of the archive (a self-extractor) and the offsets are
// shifted. Negative when the sizes cannot describe a directory.
std::int64_t directoryStart(ByteSource& source, const CentralDirectory& cd)
{
    if (cd.size > std::uint64_t(cd.endOffset) || cd.offset < 0)
        return -1;
    const std::int64_t expected = cd.endOffset - std::int64_t(cd.size);
    std::int64_t start = cd.offset <= expected ? cd.offset : expected;
    const auto head = source.read(start, 4);
    if ((head.size() < 4 || le::u32(head.data()) != kCentralSignature) && start != expected)
        start = expected;
    return start;
}

// Walks the directory header by header, so that what is read at a time is
// one header however large the directory claims to be. False when it ends
// before the count of the end record.
bool walkCentral(ByteSource& source, std::int64_t start, std::int64_t end, std::uint64_t expected,
                 ArchiveContents& out)
{
    std::int64_t at = start;
    std::uint64_t seen = 0;
    while (at + std::int64_t(kCentralSize) <= end) {
        const auto h = source.read(at, kCentralSize);
        if (h.size() < kCentralSize || le::u32(h.data()) != kCentralSignature)
            break;
        const std::size_t nameLength = le::u16(h.data() + 28);
        const std::size_t extraLength = le::u16(h.data() + 30);
        const std::int64_t next =
            at + std::int64_t(kCentralSize + nameLength + extraLength + le::u16(h.data() + 32));
        if (next > end)
            return false;
        const std::uint32_t dosDateTime = le::u32(h.data() + 12);
        std::uint64_t size = le::u32(h.data() + 24);
        std::uint64_t packed = le::u32(h.data() + 20);
        const std::uint16_t method = le::u16(h.data() + 10);
        const std::uint32_t localOffset = le::u32(h.data() + 42);
        MemberKind kind{h[5], le::u32(h.data() + 38), std::nullopt};
        // h is not valid past the next read.
        if (kind.host == kHostUnix && ((kind.externalAttributes >> 16) & kModeType) == kModeLink)
            kind.linkTarget = localOffset == kSaturated
                                  ? QString()
                                  : linkTarget(source, localOffset, method, packed);
        const auto var = source.read(at + std::int64_t(kCentralSize), nameLength + extraLength);
        if (var.size() < nameLength + extraLength)
            return false;
        applyZip64(var.data() + nameLength, extraLength, size, packed);
        if (!addRecord(out, var.data(), nameLength, var.data() + nameLength, extraLength, kind,
                       dosDateTime, size))
            return false;
        ++seen;
        at = next;
    }
    // A count that disagrees only in its low 16 bits is an old archiver's
    // overflow of the 16-bit field, not damage.
    return seen == expected || (expected < 0xFFFF && (seen & 0xFFFF) == expected);
}

// The walk along the local headers, for an archive without its directory.
void walkLocal(ByteSource& source, ArchiveContents& out)
{
    std::int64_t pos = 0;
    const std::int64_t size = source.size();
    while (pos < size) {
        const auto h = source.read(pos, kLocalSize);
        if (h.size() < kLocalSize || le::u32(h.data()) != kLocalSignature) {
            out.damaged = true;
            return;
        }
        const std::uint16_t flags = le::u16(h.data() + 6);
        const std::uint32_t dosDateTime = le::u32(h.data() + 10);
        std::uint64_t packed = le::u32(h.data() + 18);
        std::uint64_t unpacked = le::u32(h.data() + 22);
        const std::size_t nameLength = le::u16(h.data() + 26);
        const std::size_t extraLength = le::u16(h.data() + 28);
        const auto var = source.read(pos + std::int64_t(kLocalSize), nameLength + extraLength);
        if (var.size() < nameLength + extraLength) {
            out.damaged = true;
            return;
        }
        applyZip64(var.data() + nameLength, extraLength, unpacked, packed);
        if (!addRecord(out, var.data(), nameLength, var.data() + nameLength, extraLength, {},
                       dosDateTime, unpacked))
            return;
        // A streamed member keeps its sizes behind the data: nothing tells
        // where the next header begins.
        if ((flags & 0x08) && packed == 0) {
            out.damaged = true;
            return;
        }
        const std::uint64_t next =
            std::uint64_t(pos) + kLocalSize + nameLength + extraLength + packed;
        if (next > std::uint64_t(size)) {
            out.damaged = true;
            return;
        }
        pos = std::int64_t(next);
        const auto sig = source.read(pos, 4);
        if (sig.size() == 4 && le::u32(sig.data()) != kLocalSignature)
            return; // what is left of the directory begins
    }
}

} // namespace

ArchiveContents readZipArchive(ByteSource& source)
{
    ArchiveContents out;
    if (const std::optional<CentralDirectory> cd = findCentralDirectory(source)) {
        const std::int64_t start = directoryStart(source, *cd);
        const bool complete =
            start >= 0 && walkCentral(source, start, cd->endOffset, cd->entries, out);
        if (complete || !out.records.empty() || out.tooLarge) {
            out.damaged = cd->cut || (!complete && !out.tooLarge);
            return out;
        }
        out = ArchiveContents();
    }
    // Only a damaged archive lacks a usable directory.
    walkLocal(source, out);
    out.damaged = true;
    return out;
}

} // namespace dovex
