#include "archive/rar5reader.h"

#include "archive/archivepath.h"
#include "archive/littleendian.h"
#include "platform/dosattr.h"
#include "platform/dostime.h"

#include <optional>

namespace dovex {

namespace {

constexpr std::uint8_t kMarker[8] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
constexpr std::uint64_t kMaxHeader = 2 * 1024 * 1024; // the format's own bound
constexpr std::uint64_t kFileHeader = 2;
constexpr std::uint64_t kEncryptionHeader = 4;
constexpr std::uint64_t kEndHeader = 5;
constexpr std::uint64_t kTimeRecord = 3;
constexpr std::uint64_t kVersionRecord = 4;
constexpr std::uint64_t kRedirectionRecord = 5;
constexpr std::uint64_t kHostUnix = 1;
// Seconds from 1601-01-01 (Windows file times) to 1970-01-01.
constexpr std::uint64_t kWindowsEpochOffset = 11644473600ULL;

// Reads the variable-length integers of the format from a bounded span.
class VarReader {
public:
    explicit VarReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::optional<std::uint64_t> vint()
    {
        std::uint64_t value = 0;
        for (int shift = 0; shift < 70 && m_at < m_bytes.size(); shift += 7) {
            const std::uint8_t b = m_bytes[m_at++];
            if (shift < 64)
                value |= std::uint64_t(b & 0x7F) << shift;
            if (!(b & 0x80))
                return value;
        }
        return std::nullopt;
    }
    std::optional<std::uint32_t> u32()
    {
        if (m_bytes.size() - m_at < 4)
            return std::nullopt;
        m_at += 4;
        return le::u32(m_bytes.data() + m_at - 4);
    }
    std::optional<std::uint64_t> u64()
    {
        if (m_bytes.size() - m_at < 8)
            return std::nullopt;
        m_at += 8;
        return le::u64(m_bytes.data() + m_at - 8);
    }
    std::span<const std::uint8_t> take(std::uint64_t n)
    {
        if (n > m_bytes.size() - m_at)
            return {};
        m_at += std::size_t(n);
        return m_bytes.subspan(m_at - std::size_t(n), std::size_t(n));
    }
    std::size_t position() const { return m_at; }
    std::size_t left() const { return m_bytes.size() - m_at; }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

std::uint32_t dosTimeOfUnix(std::uint64_t seconds)
{
    if (seconds > std::uint64_t(INT32_MAX) * 4)
        seconds = std::uint64_t(INT32_MAX) * 4;
    return dosDateTimeFromUnix(std::time_t(seconds));
}

// What the extra area of a file header adds to the member.
struct FileExtra {
    std::optional<std::uint32_t> time;    // the modification time of a time record
    std::optional<std::uint64_t> version; // a version record's number
    bool link = false;                    // a redirection to a symbolic link
    QString linkTarget;
};

void readTime(VarReader& rec, FileExtra& out)
{
    const auto flags = rec.vint();
    if (!flags || !(*flags & 0x2))
        return;
    if (*flags & 0x1) {
        if (const auto t = rec.u32())
            out.time = dosTimeOfUnix(*t);
    } else if (const auto t = rec.u64()) {
        out.time = dosTimeOfUnix(
            *t / 10000000 > kWindowsEpochOffset ? *t / 10000000 - kWindowsEpochOffset : 0);
    }
}

// A redirection names a Unix or Windows symbolic link or a junction (1 to
// 3) with its target; hard links and file copies are files of their own.
void readRedirection(VarReader& rec, FileExtra& out)
{
    const auto type = rec.vint();
    const auto flags = rec.vint();
    const auto length = flags ? rec.vint() : std::nullopt;
    if (!type || *type < 1 || *type > 3 || !length)
        return;
    out.link = true;
    const auto target = rec.take(*length);
    out.linkTarget = decodeArchiveName(target.data(), target.size());
}

FileExtra readExtra(std::span<const std::uint8_t> extra)
{
    FileExtra out;
    VarReader r(extra);
    while (r.left() > 0) {
        const auto size = r.vint();
        if (!size || *size == 0 || *size > r.left())
            return out;
        VarReader rec(r.take(*size));
        const auto type = rec.vint();
        if (!type)
            continue;
        if (*type == kTimeRecord && !out.time) {
            readTime(rec, out);
        } else if (*type == kVersionRecord) {
            if (rec.vint())
                out.version = rec.vint();
        } else if (*type == kRedirectionRecord) {
            readRedirection(rec, out);
        }
    }
    return out;
}

std::uint32_t dosAttributes(std::uint64_t host, std::uint64_t attributes)
{
    if (host == kHostUnix)
        return faArchive | ((attributes & 0200) ? 0 : faReadOnly);
    return std::uint32_t(attributes) & (faReadOnly | faHidden | faSysFile | faArchive);
}

// Parses the type-specific part of a file header; extra is the extra area.
// False when the archive holds more than can be listed.
bool addFile(VarReader& r, std::span<const std::uint8_t> extra, ArchiveContents& out)
{
    const auto fileFlags = r.vint();
    const auto size = r.vint();
    const auto attributes = r.vint();
    if (!fileFlags || !size || !attributes)
        return true;
    std::optional<std::uint32_t> mtime;
    if (*fileFlags & 0x2)
        mtime = r.u32();
    if (*fileFlags & 0x4)
        r.u32();
    r.vint(); // compression information
    const auto host = r.vint();
    const auto nameLength = r.vint();
    if (!host || !nameLength)
        return true;
    const auto name = r.take(*nameLength);
    if ((*fileFlags & 0x1) || name.empty())
        return true;
    const FileExtra more = readExtra(extra);
    ArchiveRecord rec;
    const QString stored = decodeArchiveName(name.data(), name.size());
    rec.path = NormalizeArchivePath(stored);
    if (rec.path.isEmpty())
        return true;
    // A member kept with a version number is "name;N", so that the versions
    // of one file are entries of their own.
    if (more.version)
        rec.path += u';' + QString::number(*more.version);
    rec.keepStoredName(storedNameBytes(name.data(), name.size()));
    if (mtime)
        rec.dosDateTime = dosTimeOfUnix(*mtime);
    else if (more.time)
        rec.dosDateTime = *more.time;
    rec.link = more.link;
    rec.linkTarget = more.linkTarget;
    rec.size = (*fileFlags & 0x8) ? 0 : std::int64_t(*size & 0x7FFFFFFFFFFFFFFF);
    rec.attributes = dosAttributes(*host, *attributes);
    return out.add(std::move(rec));
}

} // namespace

bool isRar5Marker(std::span<const std::uint8_t> head)
{
    if (head.size() < sizeof kMarker)
        return false;
    for (std::size_t i = 0; i < sizeof kMarker; ++i)
        if (head[i] != kMarker[i])
            return false;
    return true;
}

ArchiveContents readRar5Archive(ByteSource& source)
{
    ArchiveContents out;
    const std::uint64_t size = std::uint64_t(source.size());
    std::uint64_t pos = sizeof kMarker;
    while (pos < size) {
        // CRC32, then the header size as a variable integer of up to 3 bytes.
        VarReader lead(source.read(std::int64_t(pos), 4 + 3));
        const bool crc = lead.u32().has_value();
        const auto headSize = lead.vint();
        if (!crc || !headSize || *headSize == 0 || *headSize > kMaxHeader ||
            pos + lead.position() + *headSize > size) {
            out.damaged = true;
            return out;
        }
        const std::uint64_t headStart = pos + lead.position();
        const auto head = source.read(std::int64_t(headStart), std::size_t(*headSize));
        VarReader r(head);
        const auto type = r.vint();
        const auto flags = r.vint();
        if (!type || !flags || head.size() < *headSize) {
            out.damaged = true;
            return out;
        }
        std::uint64_t extraSize = 0, dataSize = 0;
        if (*flags & 0x1)
            extraSize = r.vint().value_or(UINT64_MAX);
        if (*flags & 0x2)
            dataSize = r.vint().value_or(UINT64_MAX);
        if (extraSize > r.left() || dataSize > size) {
            out.damaged = true;
            return out;
        }
        if (*type == kEndHeader)
            return out;
        // Every header after this one is ciphertext.
        if (*type == kEncryptionHeader) {
            out.encrypted = true;
            return out;
        }
        if (*type == kFileHeader &&
            !addFile(r, head.subspan(head.size() - std::size_t(extraSize)), out))
            return out;
        const std::uint64_t next = headStart + *headSize + dataSize;
        if (next > size) {
            out.damaged = true;
            return out;
        }
        pos = next;
    }
    // The format always ends with an end header: the archive was cut short.
    out.damaged = true;
    return out;
}

} // namespace dovex
