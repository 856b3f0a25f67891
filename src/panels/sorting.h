#pragma once

#include "panels/panelentry.h"

#include <QByteArray>

namespace dovex {

enum SortMethod { SortName = 0, SortExtension = 1, SortDateTime = 2, SortSize = 3, Unsorted = 4 };

// Upper-cases the letters a to z only; every other byte is kept.
QByteArray upperAscii(const QByteArray& text);
// The extension of a name: from its last "." to the end, with the dot, when
// no ":" or "\" follows that dot; empty otherwise.
QString extensionOf(const QString& name);
// The key of the extension order: upper-cased extension followed by the name.
QByteArray extensionSortKey(const QString& name);

// Sorts entries[first..last] in place by the method (a quicksort, not
// stable); does nothing for Unsorted or a range of fewer than two entries.
void sortRange(PanelEntries& entries, int first, int last, int method);

// Moves every directory before the files, keeping their order, then puts the
// first ".." at index 0.
void directoriesFirst(PanelEntries& entries);

} // namespace dovex
