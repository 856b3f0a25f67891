#include "archive/pakreader.h"

#include "archive/archivepath.h"
#include "archive/littleendian.h"
#include "platform/dosattr.h"

namespace dovex {

namespace {

constexpr std::size_t kHeaderSize = 29;
constexpr std::size_t kOldHeaderSize = 25;
constexpr std::size_t kNameField = 13;
constexpr std::uint8_t kMarker = 0x1A;
constexpr std::uint8_t kOldStored = 1;
constexpr std::uint8_t kFirstNonFile = 20;

} // namespace

ArchiveContents readPakArchive(ByteSource& source)
{
    ArchiveContents out;
    std::int64_t pos = 0;
    const std::int64_t size = source.size();
    while (pos < size) {
        const auto h = source.read(pos, kHeaderSize);
        if (h.size() < 2 || h[0] != kMarker) {
            out.damaged = true;
            return out;
        }
        const std::uint8_t method = h[1];
        if (method == 0)
            return out;
        const std::size_t headerSize = method == kOldStored ? kOldHeaderSize : kHeaderSize;
        if (h.size() < headerSize) {
            out.damaged = true;
            return out;
        }
        const std::uint32_t packed = le::u32(h.data() + 15);
        if (method < kFirstNonFile) {
            ArchiveRecord r;
            // The format keeps base names; a separator, "." or ".." in the
            // field is made harmless like any other archive's.
            r.path = NormalizeArchivePath(decodeArchiveName(h.data() + 2, kNameField));
            r.keepStoredName(storedNameBytes(h.data() + 2, kNameField));
            r.dosDateTime = (std::uint32_t(le::u16(h.data() + 19)) << 16) | le::u16(h.data() + 21);
            r.size = method == kOldStored ? packed : le::u32(h.data() + 25);
            r.attributes = faArchive;
            if (!r.path.isEmpty() && !out.add(std::move(r)))
                return out;
        }
        const std::int64_t next = pos + std::int64_t(headerSize) + packed;
        if (next > size) {
            out.damaged = true;
            return out;
        }
        pos = next;
    }
    // The end marker is missing: the archive was cut short, perhaps just
    // before members that are gone.
    out.damaged = true;
    return out;
}

} // namespace dovex
