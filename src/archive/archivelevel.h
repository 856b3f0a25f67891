#pragma once

#include "archive/archiverecord.h"
#include "panels/panelentry.h"

#include <QSet>
#include <QStringView>

namespace dovex {

// The subdirectories one listing has already shown; the views point into
// the record paths, which outlive the listing.
using SubdirectorySet = QSet<QStringView>;

enum class RecordPlace { Outside, File, Directory };

struct RecordClassification {
    RecordPlace place = RecordPlace::Outside;
    QStringView name; // the file's name, or the subdirectory's
};

// Where a record lies relative to innerDir (compared with case): a file
// directly in it, the first record of one of its subdirectories (which is
// then added to seen), or outside (elsewhere, or a subdirectory already
// seen, or innerDir itself).
RecordClassification ClassifyArchiveRecord(QStringView path, QStringView innerDir,
                                           SubdirectorySet& seen);

// Fills entries with ".." and the level innerDir of records: files that pass
// mask and one directory per subdirectory, in record order, at most 2048
// after "..". Returns the last index.
int listArchiveLevel(const std::vector<ArchiveRecord>& records, QStringView innerDir,
                     const QString& mask, PanelEntries& entries);

// Files and bytes of the selected entries of a level (or of the entry at
// cursorIndex when none is selected); a directory counts the records below
// it when includeSubdirectories is set.
std::int64_t archiveLevelTotals(const std::vector<ArchiveRecord>& records, QStringView innerDir,
                                const PanelEntries& entries, int lastIndex, int cursorIndex,
                                bool includeSubdirectories, std::int64_t& fileCount);

} // namespace dovex
