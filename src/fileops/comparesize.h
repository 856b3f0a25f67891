#pragma once

#include "fileops/treewalk.h"
#include "panels/panelentry.h"

#include <QString>

namespace dovex {

inline const QString kCompareCaption = QStringLiteral("Compare");
inline const QString kCompareIdentical =
    QStringLiteral("The two Directory's apears to be identical.");

struct CompareCount {
    int left = 0;
    int right = 0;
    int total() const { return left + right; }
};

// Marks, among the first nLeft and nRight entries, every entry that has no
// namesake (exact, case-sensitive) of the same size and attributes that is
// at least as new on the other side; every other mark is cleared. ".." is
// never marked. Times compare as moments, so dates from 2044 on are later
// than earlier ones. When nothing is marked the window shows
// kCompareIdentical under kCompareCaption.
CompareCount CompareDirs(PanelEntries& left, int nLeft, PanelEntries& right, int nRight);

// Calculate Size over a disk directory: the selected entries among the
// first n (directories with every file below them, those whose names begin
// with a dot included), or the cursor entry when that counts nothing.
Totals CalculateSizeTotals(const QString& directory, const PanelEntries& entries, int n,
                           int cursorIndex);

// "Total size of selected files: 1,234,567 bytes", a carriage return and
// "Total selected files: 1" (the system's thousands separator).
QString CalculateSizeText(const Totals& totals);

} // namespace dovex
