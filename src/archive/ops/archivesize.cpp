#include "archive/ops/archivesize.h"

#include "archive/archivereaders.h"

#include <algorithm>

namespace dovex {

Totals CalculateArchiveSizeTotals(const QString& archiveFile, const QString& innerDirectory,
                                  const PanelEntries& entries, int n, int cursorIndex)
{
    Totals t;
    n = std::clamp<int>(n, 0, int(entries.size()));
    t.bytes = ArchiveSelectionTotals(archiveFile, innerDirectory, QStringLiteral("*.*"), entries,
                                     n - 1, cursorIndex, true, t.files);
    return t;
}

} // namespace dovex
