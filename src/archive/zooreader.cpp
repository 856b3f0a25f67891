#include "archive/zooreader.h"

#include "archive/archivepath.h"
#include "archive/littleendian.h"
#include "platform/dosattr.h"

namespace dovex {

namespace {

constexpr std::uint32_t kTag = 0xFDC4A7DC;
constexpr std::size_t kArchiveHeader = 34; // up to the version bytes
constexpr std::size_t kEntrySize = 56;     // the fixed part of an entry, short name included
constexpr std::size_t kVariableStart = 58; // long name, then directory name
constexpr std::size_t kShortName = 13;
constexpr std::size_t kOldEntrySize = 51; // type 1: the fixed part ends with the short name

// False when the archive holds more than can be listed.
bool addEntry(ByteSource& source, std::int64_t pos, std::span<const std::uint8_t> e,
              ArchiveContents& out)
{
    ArchiveRecord r;
    r.dosDateTime = (std::uint32_t(le::u16(e.data() + 14)) << 16) | le::u16(e.data() + 16);
    r.size = le::u32(e.data() + 20);
    r.attributes = faArchive;
    QString name = decodeArchiveName(e.data() + 38, kShortName);
    QByteArray storedName = storedNameBytes(e.data() + 38, kShortName).toByteArray();
    QString directory;
    QByteArray storedDirectory;
    // The read below may move the bytes e points at: e is not used after it.
    if (e[4] == 2 && e.size() >= kVariableStart) {
        const std::size_t nameLength = e[56];
        const std::size_t dirLength = e[57];
        const auto var = source.read(pos + std::int64_t(kVariableStart), nameLength + dirLength);
        if (var.size() == nameLength + dirLength) {
            if (nameLength > 0) {
                name = decodeArchiveName(var.data(), nameLength);
                storedName = storedNameBytes(var.data(), nameLength).toByteArray();
            }
            if (dirLength > 0) {
                directory = decodeArchiveName(var.data() + nameLength, dirLength);
                storedDirectory = storedNameBytes(var.data() + nameLength, dirLength).toByteArray();
            }
        }
    }
    const QString stored = directory.isEmpty() ? name : directory + u'\\' + name;
    r.path = NormalizeArchivePath(stored);
    if (r.path.isEmpty())
        return true;
    r.keepStoredName(storedDirectory.isEmpty() ? storedName : storedDirectory + '/' + storedName);
    return out.add(std::move(r));
}

// The bytes the entry at pos takes: its fixed part and, for type 2, the
// variable part whose length it names.
std::int64_t entryLength(std::span<const std::uint8_t> e)
{
    if (e[4] != 2)
        return std::int64_t(kOldEntrySize);
    return std::int64_t(kEntrySize) + le::u16(e.data() + 51);
}

} // namespace

ArchiveContents readZooArchive(ByteSource& source)
{
    ArchiveContents out;
    const auto header = source.read(0, kArchiveHeader);
    if (header.size() < kArchiveHeader || le::u32(header.data() + 20) != kTag) {
        out.damaged = true;
        return out;
    }
    std::int64_t pos = le::u32(header.data() + 24);
    if (pos < std::int64_t(kArchiveHeader)) {
        out.damaged = true;
        return out;
    }
    for (;;) {
        const auto e = source.read(pos, kVariableStart);
        if (e.size() < kOldEntrySize || le::u32(e.data()) != kTag ||
            (e[4] == 2 && e.size() < kEntrySize)) {
            out.damaged = true;
            return out;
        }
        const std::int64_t next = le::u32(e.data() + 6);
        const std::int64_t length = entryLength(e);
        // The chain ends with an entry that names no next one; an archive
        // cut inside it was cut short.
        if (next == 0) {
            out.damaged = pos + length > source.size();
            return out;
        }
        const std::int64_t dataAt = le::u32(e.data() + 10);
        const std::int64_t packed = le::u32(e.data() + 24);
        if (pos + length > source.size() || dataAt + packed > source.size()) {
            out.damaged = true;
            return out;
        }
        if (e[30] == 0 && !addEntry(source, pos, e, out))
            return out;
        // Each entry is written after the one before it, so a chain that
        // points back (or at itself) is damage, and the walk always ends.
        if (next <= pos || next >= source.size()) {
            out.damaged = true;
            return out;
        }
        pos = next;
    }
}

} // namespace dovex
