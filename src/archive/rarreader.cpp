#include "archive/rarreader.h"

#include "archive/archivepath.h"
#include "archive/littleendian.h"
#include "archive/rar5reader.h"
#include "platform/dosattr.h"

#include <optional>

namespace dovex {

namespace {

constexpr std::size_t kMarkerSize = 7;
constexpr std::size_t kBlockSize = 7;
constexpr std::size_t kFileHeaderSize = 32;
constexpr std::uint8_t kMainBlock = 0x73;
constexpr std::uint8_t kFileBlock = 0x74;
constexpr std::uint8_t kServiceBlock = 0x7A;
constexpr std::uint8_t kEndBlock = 0x7B;
constexpr std::uint16_t kEncryptedHeaders = 0x0080;
constexpr std::uint16_t kUnicodeName = 0x0200;
// A high size word this large describes no file any archiver wrote (it would
// be 2^62 bytes and more): the header is damaged.
constexpr std::uint32_t kAbsurdHigh = 0x7FFFFFFF;
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

// The name of a header with the unicode flag: "plain\0encoded", where the
// encoded part gives each character of the name by two flag bits: a byte
// (0), a byte in the page of the high byte the encoding starts with (1), a
// whole 16-bit character (2), or a run (3) copied from the plain part,
// shifted into that page by a correction when its top bit asks for it.
QString decodeUnicodeName(std::span<const std::uint8_t> plain, std::span<const std::uint8_t> enc)
{
    QString out;
    std::size_t at = 0;
    const std::uint16_t high = enc.empty() ? 0 : std::uint16_t(enc[at++] << 8);
    std::uint8_t flags = 0;
    int flagBits = 0;
    const auto full = [&] { return std::size_t(out.size()) >= kMaxArchiveName; };
    while (at < enc.size() && !full()) {
        if (flagBits == 0) {
            flags = enc[at++];
            flagBits = 8;
        }
        switch (flags >> 6) {
        case 0:
            if (at < enc.size())
                out += QChar(char16_t(enc[at++]));
            break;
        case 1:
            if (at < enc.size())
                out += QChar(char16_t(high | enc[at++]));
            break;
        case 2:
            if (at + 1 < enc.size()) {
                out += QChar(char16_t(enc[at] | (enc[at + 1] << 8)));
                at += 2;
            }
            break;
        default: {
            if (at >= enc.size())
                break;
            int length = enc[at++];
            std::uint8_t correction = 0;
            const bool shifted = length & 0x80;
            if (shifted) {
                if (at >= enc.size())
                    break;
                correction = enc[at++];
            }
            for (length = (length & 0x7F) + 2; length > 0 && !full(); --length) {
                const std::size_t i = std::size_t(out.size());
                if (i >= plain.size())
                    break;
                out += shifted ? QChar(char16_t(high | std::uint8_t(plain[i] + correction)))
                               : QChar(char16_t(plain[i]));
            }
            break;
        }
        }
        flags = std::uint8_t(flags << 2);
        flagBits -= 2;
    }
    const qsizetype zero = out.indexOf(QChar(0));
    if (zero >= 0)
        out.truncate(zero);
    return out;
}

QString fileName(std::span<const std::uint8_t> name, bool unicode)
{
    std::size_t zero = 0;
    while (zero < name.size() && name[zero] != 0)
        ++zero;
    // Without the zero a unicode name is UTF-8 (and a plain one may be too).
    if (unicode && zero < name.size()) {
        const QString text = decodeUnicodeName(name.first(zero), name.subspan(zero + 1));
        if (!text.isEmpty())
            return text;
    }
    return decodeArchiveName(name.data(), name.size());
}

enum class FileBlock { Added, Full, Damaged };

// Adds the file of a file block, unless it is a directory; Damaged when the
// header cannot hold what its fields name.
FileBlock addFile(std::span<const std::uint8_t> h, ArchiveContents& out)
{
    const std::uint16_t flags = le::u16(h.data() + 3);
    const std::size_t nameAt = kFileHeaderSize + ((flags & kLargeFile) ? 8 : 0);
    const std::size_t nameLength = le::u16(h.data() + 26);
    if (nameAt + nameLength > h.size() || nameLength == 0)
        return FileBlock::Damaged;
    const std::uint8_t host = h[15];
    const std::uint32_t attributes = le::u32(h.data() + 28);
    if (isDirectory(flags, host, attributes))
        return FileBlock::Added;
    std::uint64_t size = le::u32(h.data() + 11);
    if (flags & kLargeFile) {
        const std::uint32_t highSize = le::u32(h.data() + 36);
        // Both words all ones: a size the archiver did not know.
        if (highSize >= kAbsurdHigh && !(highSize == 0xFFFFFFFF && size == 0xFFFFFFFF))
            return FileBlock::Damaged;
        size |= std::uint64_t(highSize) << 32;
    }
    const std::span<const std::uint8_t> name = h.subspan(nameAt, nameLength);
    ArchiveRecord r;
    r.path = NormalizeArchivePath(fileName(name, flags & kUnicodeName));
    if (r.path.isEmpty())
        return FileBlock::Added;
    r.keepStoredName(storedNameBytes(name.data(), name.size()));
    r.dosDateTime = le::u32(h.data() + 20);
    r.size = std::int64_t(size & 0x7FFFFFFFFFFFFFFF);
    r.attributes = dosAttributes(host, attributes);
    return out.add(std::move(r)) ? FileBlock::Added : FileBlock::Full;
}

// The bytes that follow a block's header; nothing when the header cannot
// hold the fields its flags name or names an absurd size.
std::optional<std::uint64_t> blockDataSize(std::span<const std::uint8_t> h, std::uint8_t type,
                                           std::uint16_t flags)
{
    std::uint64_t dataSize = 0;
    if (flags & kLongBlock) {
        if (h.size() < 11)
            return std::nullopt;
        dataSize = le::u32(h.data() + 7);
    }
    if (type != kFileBlock && type != kServiceBlock)
        return dataSize;
    if (h.size() < kFileHeaderSize + ((flags & kLargeFile) ? 8 : 0))
        return std::nullopt;
    if (flags & kLargeFile) {
        const std::uint32_t highPacked = le::u32(h.data() + 32);
        if (highPacked >= kAbsurdHigh)
            return std::nullopt;
        dataSize |= std::uint64_t(highPacked) << 32;
    }
    return dataSize;
}

ArchiveContents damagedAfter(ArchiveContents out)
{
    out.damaged = true;
    return out;
}

ArchiveContents readRar4(ByteSource& source)
{
    ArchiveContents out;
    std::int64_t pos = kMarkerSize;
    const std::int64_t size = source.size();
    bool mainSeen = false;
    while (pos < size) {
        const auto b = source.read(pos, kBlockSize);
        if (b.size() < kBlockSize)
            return damagedAfter(std::move(out));
        const std::uint8_t type = b[2];
        const std::uint16_t flags = le::u16(b.data() + 3);
        const std::size_t headSize = le::u16(b.data() + 5);
        const auto h = source.read(pos, headSize);
        if (headSize < kBlockSize || h.size() < headSize)
            return damagedAfter(std::move(out));
        if (type == kEndBlock)
            return out;
        mainSeen = mainSeen || type == kMainBlock;
        // With encrypted headers every block after this one is ciphertext.
        if (type == kMainBlock && (flags & kEncryptedHeaders)) {
            out.encrypted = true;
            return out;
        }
        const std::optional<std::uint64_t> dataSize = blockDataSize(h, type, flags);
        if (!dataSize)
            return damagedAfter(std::move(out));
        if (type == kFileBlock) {
            const FileBlock added = addFile(h, out);
            if (added == FileBlock::Full)
                return out;
            if (added == FileBlock::Damaged)
                return damagedAfter(std::move(out));
        }
        const std::uint64_t next = std::uint64_t(pos) + headSize + *dataSize;
        if (next > std::uint64_t(size))
            return damagedAfter(std::move(out));
        pos = std::int64_t(next);
    }
    // The end block is optional in this layout: an archive that ends where
    // a block ends is whole once its main header was read; a cut inside a
    // block was told above.
    out.damaged = !mainSeen;
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
