#include "archive/libarchivereader.h"

#include "archive/archivekind.h"
#include "archive/archivepath.h"
#include "archive/decompressahead.h"
#include "archive/littleendian.h"
#include "platform/dosattr.h"
#include "platform/dostime.h"
#include "platform/hostname.h"

#include <archive.h>
#include <archive_entry.h>

#include <cstdio>
#include <cstring>

namespace dovex {

namespace {

// What one read callback hands to libarchive: large enough that a
// compressed stream is fed in few calls, small enough for FileSource's window.
constexpr std::size_t kReadChunk = 1u << 20;

la_ssize_t readCallback(archive*, void* data, const void** buffer)
{
    auto* cursor = static_cast<LibarchiveInput::Cursor*>(data);
    const std::span<const std::uint8_t> bytes = cursor->source->read(cursor->offset, kReadChunk);
    *buffer = bytes.data();
    cursor->offset += std::int64_t(bytes.size());
    return la_ssize_t(bytes.size());
}

la_ssize_t streamCallback(archive* a, void* data, const void** buffer)
{
    auto* cursor = static_cast<LibarchiveInput::Cursor*>(data);
    if (!cursor->stream->next(cursor->chunk)) {
        archive_set_error(a, EIO, "%s", cursor->stream->error().toLocal8Bit().constData());
        return -1;
    }
    *buffer = cursor->chunk.data();
    return la_ssize_t(cursor->chunk.size());
}

la_int64_t skipCallback(archive*, void* data, la_int64_t request)
{
    auto* cursor = static_cast<LibarchiveInput::Cursor*>(data);
    const std::int64_t left = cursor->source->size() - cursor->offset;
    const std::int64_t step = request < 0 ? 0 : (request < left ? request : left);
    cursor->offset += step;
    return step;
}

la_int64_t seekCallback(archive*, void* data, la_int64_t offset, int whence)
{
    auto* cursor = static_cast<LibarchiveInput::Cursor*>(data);
    const std::int64_t size = cursor->source->size();
    std::int64_t to = offset;
    if (whence == SEEK_CUR)
        to = cursor->offset + offset;
    else if (whence == SEEK_END)
        to = size + offset;
    if (to < 0)
        return ARCHIVE_FATAL;
    cursor->offset = to > size ? size : to;
    return cursor->offset;
}

QChar kindOfFormat(int format)
{
    switch (format & ARCHIVE_FORMAT_BASE_MASK) {
    case ARCHIVE_FORMAT_TAR:
        return kKindTar;
    case ARCHIVE_FORMAT_7ZIP:
        return kKind7z;
    case ARCHIVE_FORMAT_ISO9660:
        return kKindIso;
    case ARCHIVE_FORMAT_CPIO:
        return kKindCpio;
    default:
        return kKindNone;
    }
}

// Whether an ISO 9660 image is shorter than the volume its primary
// descriptor declares: a listing reads only the directories near the start,
// so an image cut inside its file data lists whole otherwise.
bool isoCutShort(ByteSource& source)
{
    constexpr std::int64_t kDescriptorAt = 16 * 2048;
    const std::span<const std::uint8_t> d = source.read(kDescriptorAt, 132);
    if (d.size() < 132 || d[0] != 1 || std::memcmp(d.data() + 1, "CD001", 5) != 0)
        return false;
    const std::int64_t blocks = le::u32(d.data() + 80);
    const std::int64_t blockSize = le::u16(d.data() + 128);
    return blocks * blockSize > source.size();
}

} // namespace

bool isLibarchiveKind(QChar kind)
{
    return kind == kKindTar || kind == kKind7z || kind == kKindIso || kind == kKindCpio;
}

LibarchiveInput::LibarchiveInput(ByteSource& source)
{
    m_cursor.source = &source;
    m_archive = archive_read_new();
    if (!m_archive)
        return;
    // Only filters libarchive runs itself, and only the formats that are
    // not the program's own: no external program ever sees these bytes.
    archive_read_support_filter_gzip(m_archive);
    archive_read_support_filter_bzip2(m_archive);
    archive_read_support_filter_xz(m_archive);
    archive_read_support_filter_lzma(m_archive);
    archive_read_support_filter_lzip(m_archive);
    archive_read_support_filter_zstd(m_archive);
    archive_read_support_filter_compress(m_archive);
    archive_read_support_format_tar(m_archive);
    archive_read_support_format_7zip(m_archive);
    archive_read_support_format_iso9660(m_archive);
    archive_read_support_format_cpio(m_archive);
    archive_read_set_read_callback(m_archive, readCallback);
    archive_read_set_skip_callback(m_archive, skipCallback);
    archive_read_set_seek_callback(m_archive, seekCallback);
    open();
}

LibarchiveInput::LibarchiveInput(DecompressAhead& stream)
{
    m_cursor.stream = &stream;
    m_archive = archive_read_new();
    if (!m_archive)
        return;
    archive_read_support_format_tar(m_archive);
    archive_read_support_format_cpio(m_archive);
    archive_read_set_read_callback(m_archive, streamCallback);
    open();
}

void LibarchiveInput::open()
{
    archive_read_set_callback_data(m_archive, &m_cursor);
    m_open = archive_read_open1(m_archive) == ARCHIVE_OK;
}

std::int64_t LibarchiveInput::consumed() const
{
    return m_cursor.stream ? m_cursor.stream->consumed() : m_cursor.offset;
}

LibarchiveInput::~LibarchiveInput()
{
    if (m_archive)
        archive_read_free(m_archive);
}

int LibarchiveInput::next(archive_entry*& entry)
{
    if (!m_open)
        return -1;
    const int r = archive_read_next_header(m_archive, &entry);
    if (r == ARCHIVE_EOF)
        return 0;
    return r == ARCHIVE_OK || r == ARCHIVE_WARN ? 1 : -1;
}

QString LibarchiveInput::error() const
{
    const char* text = m_archive ? archive_error_string(m_archive) : nullptr;
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("the archive is damaged");
}

QChar LibarchiveInput::kind() const
{
    return m_archive ? kindOfFormat(archive_format(m_archive)) : QChar(kKindNone);
}

bool LibarchiveEntryPath(archive_entry* entry, QString& path, QByteArray& stored)
{
    // The stored bytes where libarchive has them; a name it holds only as
    // text (7z, Joliet) that the locale cannot write comes as UTF-8.
    const char* name = archive_entry_pathname(entry);
    if (!name)
        name = archive_entry_pathname_utf8(entry);
    if (!name)
        return false;
    const QByteArrayView bytes =
        storedNameBytes(reinterpret_cast<const std::uint8_t*>(name), std::strlen(name));
    stored = bytes.toByteArray();
    path = NormalizeArchivePath(hostname::decode(stored));
    return !path.isEmpty();
}

QString LibarchiveEntryWholePath(archive_entry* entry)
{
    const char* name = archive_entry_pathname(entry);
    if (!name)
        name = archive_entry_pathname_utf8(entry);
    return name ? NormalizeArchivePath(hostname::decode(QByteArray(name))) : QString();
}

QChar detectLibarchiveKind(ByteSource& source)
{
    LibarchiveInput in(source);
    archive_entry* entry = nullptr;
    // A first header that reads (or a clean end) tells the format; bytes
    // that merely start like one of them are no archive.
    return in.isOpen() && in.next(entry) >= 0 ? in.kind() : QChar(kKindNone);
}

ArchiveContents readLibarchiveArchive(ByteSource& source, QChar* kind)
{
    ArchiveContents contents;
    LibarchiveInput in(source);
    if (kind)
        *kind = kKindNone;
    if (!in.isOpen()) {
        contents.damaged = true;
        return contents;
    }
    archive_entry* entry = nullptr;
    for (;;) {
        const int r = in.next(entry);
        if (kind && *kind == kKindNone)
            *kind = in.kind();
        if (r == 0)
            break;
        if (r < 0) {
            // A 7z whose headers are encrypted cannot be listed without
            // its password: that is no damage.
            if (archive_read_has_encrypted_entries(in.handle()) > 0)
                contents.encrypted = true;
            else
                contents.damaged = true;
            break;
        }
        const mode_t type = archive_entry_filetype(entry);
        if (type == AE_IFDIR)
            continue;
        ArchiveRecord rec;
        QByteArray stored;
        if (!LibarchiveEntryPath(entry, rec.path, stored))
            continue;
        rec.keepStoredName(stored);
        const la_int64_t size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
        rec.size = size > 0 && type == AE_IFREG ? size : 0;
        rec.dosDateTime = dosDateTimeFromUnix(std::time_t(archive_entry_mtime(entry)));
        rec.attributes = faArchive;
        if (!(archive_entry_perm(entry) & 0200))
            rec.attributes |= faReadOnly;
        if (type == AE_IFLNK) {
            rec.link = true;
            if (const char* target = archive_entry_symlink(entry)) {
                const QByteArrayView t = storedNameBytes(
                    reinterpret_cast<const std::uint8_t*>(target), std::strlen(target));
                rec.linkTarget = hostname::decode(t.toByteArray());
            }
        }
        if (!contents.add(std::move(rec)))
            break;
    }
    if (!contents.damaged && !contents.encrypted && in.kind() == kKindIso && isoCutShort(source))
        contents.damaged = true;
    return contents;
}

} // namespace dovex
