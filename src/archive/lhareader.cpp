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
constexpr std::uint8_t kExtUtf16Name = 0x44;
constexpr std::uint8_t kExtUtf16Directory = 0x45;
constexpr std::uint8_t kExtUnixMode = 0x50;
constexpr std::uint8_t kExtUnixTime = 0x54;
constexpr std::uint8_t kOsUnix = 'U';
// The Unix extension of a level 0 or 1 header: version, time, mode, uid, gid.
constexpr std::size_t kUnixExtension = 11;
constexpr std::uint16_t kModeType = 0170000;
constexpr std::uint16_t kModeLink = 0120000;

struct LhaMember {
    QByteArray name;
    QByteArray directory;
    std::optional<QString> utf16Name;
    std::optional<QString> utf16Directory;
    std::uint32_t dosDateTime = 0;
    std::optional<std::uint32_t> unixTime;
    std::optional<std::uint16_t> unixMode;
    std::uint32_t attributes = faArchive;
    std::uint64_t packed = 0;
    std::uint64_t size = 0;
    bool directoryMethod = false; // "-lhd-": a directory, or a link
    bool isDirectory = false;
};

// The Unix extension that may follow the name (and its CRC) of a level 0
// header, or the OS byte of a level 1 header: with it the DOS time field
// is not what the archiver meant (some hold years like 2098).
void readUnixExtension(std::span<const std::uint8_t> area, LhaMember& m)
{
    if (area.size() < 1 + kUnixExtension || area[0] != kOsUnix)
        return;
    m.unixTime = le::u32(area.data() + 2);
    m.unixMode = le::u16(area.data() + 6);
}

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
        case kExtUtf16Name:
            m.utf16Name = decodeUtf16Name(data, want - 1);
            break;
        case kExtUtf16Directory: {
            // Its separator is the character 0xFFFF.
            QString dir = decodeUtf16Name(data, want - 1);
            dir.replace(QChar(0xFFFF), u'/');
            m.utf16Directory = std::move(dir);
            break;
        }
        case kExtDosAttributes:
            if (dataLength >= 2) {
                m.attributes = le::u16(data) & 0x37;
                m.isDirectory = m.isDirectory || (m.attributes & faDirectory);
            }
            break;
        case kExtUnixMode:
            if (dataLength >= 2)
                m.unixMode = le::u16(data);
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

// A level 0 or 1 header of headerSize bytes at pos, its name nameLength
// bytes long; returns where the next header starts, or nullopt on damage.
std::optional<std::uint64_t> readOldHeader(ByteSource& source, std::int64_t pos,
                                           std::size_t headerSize, std::size_t nameLength,
                                           bool level1, LhaMember& m)
{
    if (kBaseSize + nameLength > headerSize)
        return std::nullopt;
    const auto full = source.read(pos, headerSize);
    if (full.size() < headerSize)
        return std::nullopt;
    m.name = boundedBytes(full.data() + kBaseSize, nameLength);
    m.dosDateTime = le::u32(full.data() + 15);
    // After the name: its CRC, then (level 0) an extension area or
    // (level 1) the OS byte and an old-style area before the next size.
    const std::size_t areaStart = kBaseSize + nameLength + 2;
    const std::size_t areaEnd = headerSize - (level1 ? 2 : 0);
    if (areaStart < areaEnd)
        readUnixExtension(full.subspan(areaStart, areaEnd - areaStart), m);
    const std::uint64_t next = std::uint64_t(pos) + headerSize + m.packed;
    if (!level1) {
        m.attributes = full[19] & 0x37;
        m.isDirectory = m.isDirectory || (full[19] & faDirectory);
        return next;
    }
    // The skip size covers the extended headers and the data.
    if (headerSize < kBaseSize + nameLength + 5)
        return std::nullopt;
    const auto ext = readExtensions(source, pos + std::int64_t(headerSize),
                                    le::u16(full.data() + headerSize - 2), 2, source.size(), m);
    if (!ext || *ext > m.packed)
        return std::nullopt;
    m.packed -= *ext;
    return next;
}

// A level 2 or 3 header whose first bytes are h; returns where the next
// header starts, or nullopt on damage.
std::optional<std::uint64_t> readNewHeader(ByteSource& source, std::int64_t pos,
                                           std::span<const std::uint8_t> h, bool wide, LhaMember& m)
{
    const std::size_t base = wide ? kLevel3Base : kLevel2Base;
    if (h.size() < base)
        return std::nullopt;
    const std::uint64_t headerSize = wide ? le::u32(h.data() + 24) : le::u16(h.data());
    if (headerSize < base)
        return std::nullopt;
    m.unixTime = le::u32(h.data() + 15);
    const std::uint64_t first = wide ? le::u32(h.data() + 28) : le::u16(h.data() + 24);
    const std::int64_t end =
        std::int64_t(std::min<std::uint64_t>(std::uint64_t(pos) + headerSize, source.size()));
    if (!readExtensions(source, pos + std::int64_t(base), first, wide ? 4 : 2, end, m))
        return std::nullopt;
    return std::uint64_t(pos) + headerSize + m.packed;
}

// Reads the member at pos; returns where the next header starts, or nullopt
// on damage.
std::optional<std::int64_t> readMember(ByteSource& source, std::int64_t pos, LhaMember& m)
{
    const auto h = source.read(pos, kLevel3Base);
    if (h.size() < kBaseSize || h[2] != '-' || h[6] != '-')
        return std::nullopt;
    m.directoryMethod = std::memcmp(h.data() + 2, "-lhd-", 5) == 0;
    m.isDirectory = m.directoryMethod;
    m.packed = le::u32(h.data() + 7);
    m.size = le::u32(h.data() + 11);
    const std::uint8_t level = h[20];
    std::optional<std::uint64_t> next;
    // h may not outlive the next read: a level 0 or 1 header is read anew.
    if (level == 0 || level == 1)
        next = readOldHeader(source, pos, std::size_t(h[0]) + 2, h[21], level == 1, m);
    else if (level == 2 || level == 3)
        next = readNewHeader(source, pos, h, level == 3, m);
    if (!next || *next > std::uint64_t(source.size()))
        return std::nullopt;
    return std::int64_t(*next);
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

// A part of a name as stored: the format's 0xFF separator (no byte of a
// double-byte character) is "/" before anything else is decoded.
QString decodePart(QByteArray bytes)
{
    bytes.replace(char(0xFF), '/');
    return decodeArchiveName(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                             std::size_t(bytes.size()), LegacyNameCoding::ShiftJis);
}

// The record of a member, or nothing for a directory. A link is a
// directory-type member named "name|target" (its archiver split the whole
// at the last "/", so the bar may stand in the directory part when the
// target holds a "/"), or one whose Unix mode says link, with the target
// left out.
std::optional<ArchiveRecord> recordOf(const LhaMember& m)
{
    // The stored bytes, directory and name joined by "/", which also stands
    // for the format's 0xFF separator (no byte of a double-byte character).
    QByteArray stored = m.directory;
    if (!stored.isEmpty() && stored.back() != char(0xFF) && stored.back() != '/')
        stored += '/';
    stored += m.name;
    if (stored.contains(char(0xFF)))
        stored.replace(char(0xFF), '/');
    // The UTF-16 forms, where an archiver wrote them, are the name; the
    // bytes otherwise, decoded whole before they are split.
    bool legacy = false;
    QString full;
    if (m.utf16Directory || m.utf16Name) {
        legacy = true;
        full = m.utf16Directory ? *m.utf16Directory : decodePart(m.directory);
        if (!full.isEmpty() && !full.endsWith(u'/') && !full.endsWith(u'\\'))
            full += u'/';
        full += m.utf16Name ? *m.utf16Name : decodePart(m.name);
    } else {
        full = decodeArchiveName(reinterpret_cast<const std::uint8_t*>(stored.constData()),
                                 std::size_t(stored.size()), LegacyNameCoding::ShiftJis, &legacy);
    }
    ArchiveRecord r;
    if (m.directoryMethod) {
        const qsizetype bar = full.indexOf(u'|');
        const bool modeLink = m.unixMode && (*m.unixMode & kModeType) == kModeLink;
        if (bar < 0 && !modeLink)
            return std::nullopt;
        r.link = true;
        if (bar >= 0) {
            r.linkTarget = full.mid(bar + 1);
            full.truncate(bar);
        }
    } else if (m.isDirectory) {
        return std::nullopt;
    }
    bool exact = false;
    r.path = NormalizeArchivePath(full, &exact);
    if (r.path.isEmpty())
        return std::nullopt;
    // A UTF-8 name that only had its separators turned gives its bytes back.
    const auto whole = reinterpret_cast<const std::uint8_t*>(stored.constData());
    if (legacy || !exact || r.link ||
        storedNameBytes(whole, std::size_t(stored.size())).size() != stored.size())
        r.storedName = std::move(stored);
    r.dosDateTime = m.unixTime ? dosDateTimeFromUnix(std::time_t(*m.unixTime)) : m.dosDateTime;
    r.size = r.link ? 0 : std::int64_t(m.size);
    r.attributes = m.attributes & ~std::uint32_t(faDirectory);
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
        if (std::optional<ArchiveRecord> r = recordOf(m); r && !out.add(*std::move(r)))
            return out;
        pos = *next;
    }
    // No end marker: the archive was cut short, perhaps at a member's end.
    out.damaged = true;
    return out;
}

} // namespace dovex
