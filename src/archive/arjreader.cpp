#include "archive/arjreader.h"

#include "archive/archivepath.h"
#include "archive/littleendian.h"
#include "platform/dosattr.h"
#include "platform/dostime.h"

namespace dovex {

namespace {

constexpr std::size_t kMaxBasicHeader = 2600; // the format's own limit
constexpr std::size_t kMinFirstHeader = 30;
constexpr std::uint8_t kTypeBinary = 0;
constexpr std::uint8_t kTypeText = 1;
constexpr std::uint8_t kHostUnix = 2;
constexpr std::uint8_t kHostNext = 8;

struct ArjHeader {
    bool end = false;
    std::uint8_t type = 0;
    std::uint32_t dosDateTime = 0;
    std::uint32_t packed = 0;
    std::uint32_t size = 0;
    QString name;
    QByteArray storedName;
    std::int64_t dataStart = 0; // after the CRC and the extended headers
};

// Reads the header at pos; false on damage.
bool readHeader(ByteSource& source, std::int64_t pos, ArjHeader& out)
{
    const auto id = source.read(pos, 4);
    if (id.size() < 4 || id[0] != 0x60 || id[1] != 0xEA)
        return false;
    const std::size_t basic = le::u16(id.data() + 2);
    if (basic == 0) {
        out.end = true;
        return true;
    }
    if (basic > kMaxBasicHeader)
        return false;
    const auto h = source.read(pos + 4, basic);
    if (h.size() < basic)
        return false;
    const std::size_t first = h[0];
    if (first < kMinFirstHeader || first > basic)
        return false;
    out.type = h[6];
    // Archives made on Unix hosts keep Unix times in the date/time field.
    const std::uint8_t host = h[3];
    const std::uint32_t stamp = le::u32(h.data() + 8);
    out.dosDateTime =
        host == kHostUnix || host == kHostNext ? dosDateTimeFromUnix(std::time_t(stamp)) : stamp;
    out.packed = le::u32(h.data() + 12);
    out.size = le::u32(h.data() + 16);
    out.name = NormalizeArchivePath(decodeArchiveName(h.data() + first, basic - first));
    out.storedName = storedNameBytes(h.data() + first, basic - first).toByteArray();

    std::int64_t at = pos + 4 + std::int64_t(basic) + 4; // basic header CRC
    for (;;) {
        const auto ext = source.read(at, 2);
        if (ext.size() < 2)
            return false;
        const std::uint16_t n = le::u16(ext.data());
        at += 2;
        if (n == 0)
            break;
        at += n + 4;
    }
    out.dataStart = at;
    return at <= source.size();
}

} // namespace

ArchiveContents readArjArchive(ByteSource& source)
{
    ArchiveContents out;
    ArjHeader main;
    if (!readHeader(source, 0, main) || main.end) {
        out.damaged = !main.end;
        return out;
    }
    std::int64_t pos = main.dataStart;
    for (;;) {
        ArjHeader h;
        if (!readHeader(source, pos, h)) {
            out.damaged = true;
            return out;
        }
        if (h.end)
            return out;
        if ((h.type == kTypeBinary || h.type == kTypeText) && !h.name.isEmpty()) {
            ArchiveRecord r;
            r.path = std::move(h.name);
            r.keepStoredName(h.storedName);
            r.dosDateTime = h.dosDateTime;
            r.size = h.size;
            r.attributes = faArchive;
            if (!out.add(std::move(r)))
                return out;
        }
        pos = h.dataStart + std::int64_t(h.packed);
        if (pos > source.size()) {
            out.damaged = true;
            return out;
        }
    }
}

} // namespace dovex
