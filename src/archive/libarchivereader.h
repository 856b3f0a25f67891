#pragma once

#include "archive/archiverecord.h"
#include "archive/bytesource.h"

#include <QChar>
#include <QString>

#include <cstdint>
#include <vector>

struct archive;
struct archive_entry;

namespace dovex {

class DecompressAhead;

// The kinds read through libarchive: tar (plain or compressed with gzip,
// bzip2, xz, zstd or lzip), 7z, ISO 9660 and cpio. Only these formats are
// enabled, so that a zip, rar or lha file is never read here: the program's
// own readers keep those.
bool isLibarchiveKind(QChar kind);

// The kind of the archive a source holds, found from its content by
// reading its first header; "?" when it is none of them.
QChar detectLibarchiveKind(ByteSource& source);

// Every member of such an archive, read as one stream: the records of its
// files and links (directories are listed through the paths below them).
// Names keep their stored bytes; those that lead out of the root are made
// harmless as for the other kinds. kind, when given, receives the kind.
ArchiveContents readLibarchiveArchive(ByteSource& source, QChar* kind = nullptr);

// One libarchive read handle over a ByteSource, restricted to the formats
// above; the extraction walks archives through it too.
class LibarchiveInput {
public:
    explicit LibarchiveInput(ByteSource& source);
    // The archive inside a stream another thread inflates: a tar or a cpio
    // (the formats read straight through).
    explicit LibarchiveInput(DecompressAhead& stream);
    ~LibarchiveInput();
    LibarchiveInput(const LibarchiveInput&) = delete;
    LibarchiveInput& operator=(const LibarchiveInput&) = delete;

    // False when libarchive could not start on the bytes.
    bool isOpen() const { return m_open; }
    ::archive* handle() const { return m_archive; }
    // The next header: 1 read, 0 at the archive's end, -1 at damage (the
    // walk must stop; error() tells why).
    int next(archive_entry*& entry);
    QString error() const;
    QChar kind() const;

    // Bytes of the source handed to libarchive (or to the inflating
    // thread) so far.
    std::int64_t consumed() const;

    // Where libarchive's callbacks read: the source and the next offset,
    // or the inflated stream and its piece at hand.
    struct Cursor {
        ByteSource* source = nullptr;
        std::int64_t offset = 0;
        DecompressAhead* stream = nullptr;
        std::vector<char> chunk;
    };

private:
    void open();

    Cursor m_cursor;
    ::archive* m_archive = nullptr;
    bool m_open = false;
};

// The listed path of an entry (NormalizeArchivePath of its stored bytes,
// cut at kMaxArchiveName) and those bytes; false for a name left empty.
bool LibarchiveEntryPath(archive_entry* entry, QString& path, QByteArray& stored);

// The path of an entry from all its stored bytes, however long: what an
// extraction writes, so that two names differing past the listing's cut
// stay two files. Empty for a name left empty.
QString LibarchiveEntryWholePath(archive_entry* entry);

} // namespace dovex
