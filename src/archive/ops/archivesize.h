#pragma once

#include "fileops/treewalk.h"
#include "panels/panelentry.h"

#include <QString>

namespace dovex {

// Calculate Size over an archive level: the selected entries among the
// first n, or the cursor entry when none is selected, subdirectories
// included; the same Totals CalculateSizeTotals gives over a disk directory.
Totals CalculateArchiveSizeTotals(const QString& archiveFile, const QString& innerDirectory,
                                  const PanelEntries& entries, int n, int cursorIndex);

} // namespace dovex
