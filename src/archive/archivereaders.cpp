#include "archive/archivereaders.h"

#include "archive/archivekind.h"
#include "archive/archivelevel.h"
#include "archive/arjreader.h"
#include "archive/filesource.h"
#include "archive/lhareader.h"
#include "archive/libarchivereader.h"
#include "archive/pakreader.h"
#include "archive/rarreader.h"
#include "archive/zipreader.h"
#include "archive/zooreader.h"
#include "platform/drivemap.h"

namespace dovex {

ArchiveContents readArchiveRecords(QChar kind, ByteSource& source)
{
    switch (kind.unicode()) {
    case kKindZip:
        return readZipArchive(source);
    case kKindArj:
        return readArjArchive(source);
    case kKindRar:
        return readRarArchive(source);
    case kKindLha:
        return readLhaArchive(source);
    case kKindPak:
        return readPakArchive(source);
    case kKindZoo:
        return readZooArchive(source);
    default:
        return isLibarchiveKind(kind) ? readLibarchiveArchive(source) : ArchiveContents{};
    }
}

int ArchiveReaders::listDirectory(const QString& archiveFile, const QString& innerDirectory,
                                  const QString& filterMask, PanelEntries& entries, Prompter&)
{
    return list(archiveFile, innerDirectory, filterMask, entries);
}

QString ArchiveReaders::kindTag(QChar kind) const
{
    return ArchiveKindTag(kind);
}

QChar ArchiveReaders::detectKind(const QString& path)
{
    return DetectArchiveKind(path);
}

void ArchiveReaders::invalidate()
{
    m_cachedPath.clear();
}

void ArchiveReaders::reset()
{
    m_cachedPath.clear();
    m_cachedMask.clear();
    m_recordsPath.clear();
    m_records.clear();
    m_damaged = false;
    m_tooLarge = false;
    m_encrypted = false;
}

void ArchiveReaders::load(const QString& archiveFile)
{
    m_records.clear();
    m_records.shrink_to_fit();
    m_damaged = false;
    m_tooLarge = false;
    m_encrypted = false;
    m_recordsPath = archiveFile;
    const std::optional<QString> host = DriveMap::instance().toHost(archiveFile);
    FileSource file;
    if (!host || !file.open(*host))
        return;
    ++m_fileReads;
    // One of the six by its first bytes, else whatever libarchive makes of
    // the content: a compressed tar is read once, as one stream.
    const QChar classic = detectArchiveKind(file.read(0, 11));
    ArchiveContents contents =
        classic != kKindNone ? readArchiveRecords(classic, file) : readLibarchiveArchive(file);
    m_records = std::move(contents.records);
    m_damaged = contents.damaged;
    m_tooLarge = contents.tooLarge;
    m_encrypted = contents.encrypted;
}

int ArchiveReaders::list(const QString& archiveFile, const QString& innerDirectory,
                         const QString& mask, PanelEntries& entries)
{
    if (archiveFile != m_cachedPath || mask != m_cachedMask) {
        m_cachedMask = mask;
        m_cachedPath = archiveFile;
        load(archiveFile);
    }
    return listArchiveLevel(m_records, innerDirectory, mask, entries);
}

std::int64_t ArchiveReaders::selectionTotals(const QString& archiveFile,
                                             const QString& innerDirectory,
                                             const PanelEntries& entries, int lastIndex,
                                             int cursorIndex, bool includeSubdirectories,
                                             std::int64_t& fileCount)
{
    // The records normally are those of this very listing; should another
    // archive have been read since, count from this one rather than from it.
    if (archiveFile != m_recordsPath) {
        m_cachedPath.clear();
        load(archiveFile);
    }
    return archiveLevelTotals(m_records, innerDirectory, entries, lastIndex, cursorIndex,
                              includeSubdirectories, fileCount);
}

ArchiveReaders& archiveReaders()
{
    static ArchiveReaders readers;
    return readers;
}

int ListArchiveDirectory(const QString& archivePath, const QString& innerDir, const QString& mask,
                         PanelEntries& entries)
{
    return archiveReaders().list(archivePath, innerDir, mask, entries);
}

void InvalidateArchiveCache()
{
    archiveReaders().invalidate();
}

std::int64_t ArchiveSelectionTotals(const QString& archivePath, const QString& innerDir,
                                    const QString&, const PanelEntries& entries, int lastIndex,
                                    int cursorIndex, bool includeSubdirectories,
                                    std::int64_t& fileCount)
{
    return archiveReaders().selectionTotals(archivePath, innerDir, entries, lastIndex, cursorIndex,
                                            includeSubdirectories, fileCount);
}

void InitArchiveReaders()
{
    archiveReaders().reset();
    setArchiveLister(&archiveReaders());
}

} // namespace dovex
