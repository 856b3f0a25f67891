#include "archive/lhareader.h"

#include "archive/archivepath.h"
#include "archive/littleendian.h"
#include "platform/dosattr.h"
#include "platform/dostime.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace dovex {

namespace {

constexpr std::size_t kBaseSize = 22;
constexpr std::size_t kLevel2Base = 26;
constexpr std::size_t kLevel3Base = 32;
constexpr std::uint8_t kExtFileName = 0x01;
constexpr std::uint8_t kExtDirectory = 0x02;
constexpr std::uint8_t kExtDosAttributes = 0x40;
constexpr std::uint8_t kExtUnixTime = 0x54;

struct LhaMember {
    QByteArray name;
    QByteArray directory;
    std::uint32_t dosDateTime = 0;
    std::optional<std::uint32_t> unixTime;
    std::uint32_t attributes = faArchive;
    std::uint64_t packed = 0;
    std::uint64_t size = 0;
    bool isDirectory = false;
};

QByteArray boundedBytes(const std::uint8_t* p, std::size_t n)
{
    return QByteArray(reinterpret_cast<const char*>(p), qsizetype(std::min(n, kMaxArchiveName)));
}

// Walks a chain of extended headers starting at pos whose first size is
// firstSize; width is 2 (levels 1, 2) or 4 (level 3). Returns the bytes the
// chain takes, or nullopt when it runs past limit. Of each header only its
// type, the few bytes of a name and the next size are read, whatever size
// it claims.
std::optional<std::uint64_t> readExtensions(ByteSource& source, std::int64_t pos,
                                            std::uint64_t firstSize, std::size_t width,
                                            std::int64_t limit, LhaMember& m)
{
    std::uint64_t total = 0;
    std::uint64_t n = firstSize;
    while (n != 0) {
        if (n < 1 + width || std::uint64_t(pos) + n > std::uint64_t(limit))
            return std::nullopt;
        const std::size_t dataLength = std::size_t(n) - 1 - width;
        const std::size_t want = 1 + std::min(dataLength, kMaxArchiveName);
        const auto e = source.read(pos, want);
        if (e.size() < want)
            return std::nullopt;
        const std::uint8_t* data = e.data() + 1;
        switch (e[0]) {
        case kExtFileName:
            m.name = boundedBytes(data, want - 1);
            break;
        case kExtDirectory:
            m.directory = boundedBytes(data, want - 1);
            break;
        case kExtDosAttributes:
            if (dataLength >= 2) {
                m.attributes = le::u16(data) & 0x37;
                m.isDirectory = m.isDirectory || (m.attributes & faDirectory);
            }
            break;
        case kExtUnixTime:
            if (dataLength >= 4)
                m.unixTime = le::u32(data);
            break;
        default:
            break;
        }
        const auto next = source.read(pos + std::int64_t(n - width), width);
        if (next.size() < width)
            return std::nullopt;
        total += n;
        pos += std::int64_t(n);
        n = width == 2 ? le::u16(next.data()) : le::u32(next.data());
    }
    return total;
}

// Reads the member at pos; returns where the next header starts, or nullopt
// on damage.
std::optional<std::int64_t> readMember(ByteSource& source, std::int64_t pos, LhaMember& m)
{
    const std::int64_t fileSize = source.size();
    const auto h = source.read(pos, kLevel3Base);
    if (h.size() < kBaseSize || h[2] != '-' || h[6] != '-')
        return std::nullopt;
    m.isDirectory = std::memcmp(h.data() + 2, "-lhd-", 5) == 0;
    m.packed = le::u32(h.data() + 7);
    m.size = le::u32(h.data() + 11);
    const std::uint8_t level = h[20];
    std::uint64_t next = 0;
    if (level == 0 || level == 1) {
        const std::size_t headerSize = std::size_t(h[0]) + 2;
        const std::size_t nameLength = h[21];
        if (kBaseSize + nameLength > headerSize)
            return std::nullopt;
        // h may not outlive this read: the fields come from full.
        const auto full = source.read(pos, headerSize);
        if (full.size() < headerSize)
            return std::nullopt;
        m.name = boundedBytes(full.data() + kBaseSize, nameLength);
        m.dosDateTime = le::u32(full.data() + 15);
        if (level == 0) {
            m.attributes = full[19] & 0x37;
            m.isDirectory = m.isDirectory || (full[19] & faDirectory);
            next = std::uint64_t(pos) + headerSize + m.packed;
        } else {
            // The skip size covers the extended headers and the data.
            if (headerSize < kBaseSize + nameLength + 5)
                return std::nullopt;
            const auto ext = readExtensions(source, pos + std::int64_t(headerSize),
                                            le::u16(full.data() + headerSize - 2), 2,
                                            fileSize, m);
            if (!ext || *ext > m.packed)
                return std::nullopt;
            next = std::uint64_t(pos) + headerSize + m.packed;
            m.packed -= *ext;
        }
    } else if (level == 2 || level == 3) {
        const bool wide = level == 3;
        const std::size_t base = wide ? kLevel3Base : kLevel2Base;
        if (h.size() < base)
            return std::nullopt;
        const std::uint64_t headerSize = wide ? le::u32(h.data() + 24) : le::u16(h.data());
        if (headerSize < base)
            return std::nullopt;
        m.unixTime = le::u32(h.data() + 15);
        const std::uint64_t first = wide ? le::u32(h.data() + 28) : le::u16(h.data() + 24);
        const std::int64_t end =
            std::int64_t(std::min<std::uint64_t>(std::uint64_t(pos) + headerSize, fileSize));
        if (!readExtensions(source, pos + std::int64_t(base), first, wide ? 4 : 2, end, m))
            return std::nullopt;
        next = std::uint64_t(pos) + headerSize + m.packed;
    } else {
        return std::nullopt;
    }
    if (next > std::uint64_t(fileSize))
        return std::nullopt;
    return std::int64_t(next);
}

// Whether the zero byte at pos ends the archive. An archive starts with a
// member, and a level 2 header whose size is a multiple of 256 starts with a
// zero byte too; neither is the end.
bool isEndMarker(ByteSource& source, std::int64_t pos)
{
    const auto h = source.read(pos, kBaseSize);
    if (h.empty() || h[0] != 0 || pos == 0)
        return false;
    const bool level2 = h.size() == kBaseSize && h[2] == '-' && h[6] == '-' && h[20] == 2;
    return !level2;
}

ArchiveRecord recordOf(const LhaMember& m)
{
    QByteArray stored = m.directory;
    if (!stored.isEmpty() && stored.back() != char(0xFF) && stored.back() != '/' &&
        stored.back() != '\\')
        stored += '\\';
    stored += m.name;
    // 0xFF is the format's own path separator.
    stored.replace(char(0xFF), '\\');
    ArchiveRecord r;
    const QString name = decodeArchiveName(
        reinterpret_cast<const std::uint8_t*>(stored.constData()), std::size_t(stored.size()));
    r.path = NormalizeArchivePath(name);
    r.leavesRoot = ArchivePathLeavesRoot(name);
    r.dosDateTime = m.unixTime ? dosDateTimeFromUnix(std::time_t(*m.unixTime)) : m.dosDateTime;
    r.size = std::int64_t(m.size);
    r.attributes = m.attributes;
    return r;
}

} // namespace

ArchiveContents readLhaArchive(ByteSource& source)
{
    ArchiveContents out;
    std::int64_t pos = 0;
    while (pos < source.size()) {
        if (isEndMarker(source, pos))
            return out;
        LhaMember m;
        const std::optional<std::int64_t> next = readMember(source, pos, m);
        if (!next) {
            out.damaged = true;
            return out;
        }
        if (!m.isDirectory) {
            ArchiveRecord r = recordOf(m);
            if (!r.path.isEmpty() && !out.add(std::move(r)))
                return out;
        }
        pos = *next;
    }
    // No end marker: the archive was cut short, perhaps at a member's end.
    out.damaged = true;
    return out;
}

} // namespace dovex
