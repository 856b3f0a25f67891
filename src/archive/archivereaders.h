#pragma once

#include "archive/archiverecord.h"
#include "archive/bytesource.h"
#include "panels/archivelister.h"

namespace dovex {

// The members of an archive of the given kind; none for "?".
ArchiveContents readArchiveRecords(QChar kind, ByteSource& source);

// The archive readers as the panels use them, with the records of the
// archive read last. Both panels share the one instance, archiveReaders():
// listing another level of the same archive with the same mask reads
// nothing from disk.
class ArchiveReaders : public ArchiveLister {
public:
    int listDirectory(const QString& archiveFile, const QString& innerDirectory,
                      const QString& filterMask, PanelEntries& entries,
                      Prompter& prompter) override;
    QString kindTag(QChar kind) const override;
    QChar detectKind(const QString& path) override;
    void invalidate() override;

    // Forgets the records and both cached texts.
    void reset();
    // The listing without a Prompter (the readers never ask anything).
    int list(const QString& archiveFile, const QString& innerDirectory, const QString& mask,
             PanelEntries& entries);
    std::int64_t selectionTotals(const QString& archiveFile, const QString& innerDirectory,
                                 const PanelEntries& entries, int lastIndex, int cursorIndex,
                                 bool includeSubdirectories, std::int64_t& fileCount);

    // The records of the archive read last, whether its walk met damage and
    // whether it held more members than are kept (only the first are).
    const std::vector<ArchiveRecord>& records() const { return m_records; }
    bool lastReadDamaged() const { return m_damaged; }
    bool lastReadTooLarge() const { return m_tooLarge; }
    // Its headers are encrypted: only what stands before them was read.
    bool lastReadEncrypted() const { return m_encrypted; }
    // How many times an archive file has been opened to read its records.
    int fileReads() const { return m_fileReads; }

private:
    void load(const QString& archiveFile);

    QString m_cachedPath;
    QString m_cachedMask;
    QString m_recordsPath; // the archive the records came from, kept over invalidate()
    std::vector<ArchiveRecord> m_records;
    bool m_damaged = false;
    bool m_tooLarge = false;
    bool m_encrypted = false;
    int m_fileReads = 0;
};

ArchiveReaders& archiveReaders();

// The free functions the rest of the program calls.
int ListArchiveDirectory(const QString& archivePath, const QString& innerDir, const QString& mask,
                         PanelEntries& entries);
void InvalidateArchiveCache();
// archivePath and mask name the listing the entries came from.
std::int64_t ArchiveSelectionTotals(const QString& archivePath, const QString& innerDir,
                                    const QString& mask, const PanelEntries& entries, int lastIndex,
                                    int cursorIndex, bool includeSubdirectories,
                                    std::int64_t& fileCount);
// Empties the cache and installs the readers as the panels' archive lister.
void InitArchiveReaders();

} // namespace dovex
