#include "archive/rarreader.h"

#include "archive/archivepath.h"
#include "archive/littleendian.h"
#include "archive/rar5reader.h"
#include "platform/dosattr.h"

namespace dovex {

namespace {

constexpr std::size_t kMarkerSize = 7;
constexpr std::size_t kBlockSize = 7;
constexpr std::size_t kFileHeaderSize = 32;
constexpr std::uint8_t kFileBlock = 0x74;
constexpr std::uint8_t kEndBlock = 0x7B;
constexpr std::uint16_t kLongBlock = 0x8000;
constexpr std::uint16_t kLargeFile = 0x0100;
constexpr std::uint16_t kDirectoryMask = 0x00E0;
constexpr std::uint8_t kHostUnix = 3;

bool isDirectory(std::uint16_t flags, std::uint8_t host, std::uint32_t attributes)
{
    if ((flags & kDirectoryMask) == kDirectoryMask)
        return true;
    if (host == kHostUnix)
        return (attributes & 0xF000) == 0x4000;
    return host <= 2 && (attributes & faDirectory);
}

std::uint32_t dosAttributes(std::uint8_t host, std::uint32_t attributes)
{
    if (host == kHostUnix)
        return faArchive | ((attributes & 0200) ? 0 : faReadOnly);
    if (host <= 2)
        return attributes & (faReadOnly | faHidden | faSysFile | faArchive);
    return faArchive;
}

// Adds the file of a file block, unless it is a directory; false when the
// archive holds more than can be listed.
bool addFile(std::span<const std::uint8_t> h, std::size_t headSize, ArchiveContents& out)
{
    const std::uint16_t flags = le::u16(h.data() + 3);
    const std::size_t nameAt = kFileHeaderSize + ((flags & kLargeFile) ? 8 : 0);
    const std::size_t nameLength = le::u16(h.data() + 26);
    if (nameAt + nameLength > headSize || nameAt + nameLength > h.size())
        return true;
    const std::uint8_t host = h[15];
    const std::uint32_t attributes = le::u32(h.data() + 28);
    if (isDirectory(flags, host, attributes))
        return true;
    std::uint64_t size = le::u32(h.data() + 11);
    if (flags & kLargeFile)
        size |= std::uint64_t(le::u32(h.data() + 36)) << 32;
    ArchiveRecord r;
    // A unicode name is stored as "plain\0encoded"; the plain part is the
    // name as older readers see it. Without the zero the name is UTF-8.
    const QString stored = decodeArchiveName(h.data() + nameAt, nameLength);
    r.path = NormalizeArchivePath(stored);
    r.leavesRoot = ArchivePathLeavesRoot(stored);
    if (r.path.isEmpty())
        return true;
    r.dosDateTime = le::u32(h.data() + 20);
    r.size = std::int64_t(size & 0x7FFFFFFFFFFFFFFF);
    r.attributes = dosAttributes(host, attributes);
    return out.add(std::move(r));
}

ArchiveContents readRar4(ByteSource& source)
{
    ArchiveContents out;
    std::int64_t pos = kMarkerSize;
    const std::int64_t size = source.size();
    while (pos < size) {
        const auto b = source.read(pos, kBlockSize);
        if (b.size() < kBlockSize) {
            out.damaged = true;
            return out;
        }
        const std::uint8_t type = b[2];
        const std::uint16_t flags = le::u16(b.data() + 3);
        const std::size_t headSize = le::u16(b.data() + 5);
        if (headSize < kBlockSize) {
            out.damaged = true;
            return out;
        }
        if (type == kEndBlock)
            return out;
        const auto h = source.read(pos, headSize);
        if (h.size() < headSize) {
            out.damaged = true;
            return out;
        }
        std::uint64_t dataSize = 0;
        if ((flags & kLongBlock) && headSize >= 11)
            dataSize = le::u32(h.data() + 7);
        if (type == kFileBlock && headSize >= kFileHeaderSize) {
            if ((flags & kLargeFile) && headSize >= kFileHeaderSize + 8)
                dataSize |= std::uint64_t(le::u32(h.data() + 32)) << 32;
            if (!addFile(h, headSize, out))
                return out;
        }
        const std::uint64_t next = std::uint64_t(pos) + headSize + dataSize;
        if (next > std::uint64_t(size)) {
            out.damaged = true;
            return out;
        }
        pos = std::int64_t(next);
    }
    // Every archiver since the format's 3.0 ends an archive with an end
    // block; without it the archive was cut short, perhaps at a block's end.
    out.damaged = true;
    return out;
}

} // namespace

ArchiveContents readRarArchive(ByteSource& source)
{
    if (isRar5Marker(source.read(0, 8)))
        return readRar5Archive(source);
    return readRar4(source);
}

} // namespace dovex
