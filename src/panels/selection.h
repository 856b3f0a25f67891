#pragma once

#include "panels/panelentry.h"

#include <QString>

#include <vector>

namespace dovex {

enum class SelectMode { Mark, Unmark };

// The one rule every way of marking keeps (masks, Insert, the star key, the
// right mouse button, Compare Directories): ".." stands for no file, so it
// is never marked, and the selection line counts what the commands act on.
bool IsMarkable(const PanelEntry& entry);
// Whether the entry counts as marked: its mark is on and it is no "..".
bool IsMarked(const PanelEntry& entry);
// What a command acts on: the indexes of the marked entries, in order, or
// else the cursor entry's alone (never ".."; none for a cursor out of range).
std::vector<int> ActedOnIndexes(const PanelEntries& entries, int cursorIndex);
// The same among the first count entries only (a cursor beyond them names
// nothing).
std::vector<int> ActedOnIndexes(const PanelEntries& entries, int cursorIndex, int count);
// Gives the entry the mark on, unless on is set and it may not be marked.
// Returns whether the mark changed.
bool setMark(PanelEntry& entry, bool on);

// Applies a selection mask to every entry, directories included: Mark marks
// the unmarked entries whose names pass MaskMatches, Unmark unmarks the
// marked ones. Returns the number of entries changed.
int MaskonEnter(PanelEntries& entries, const QString& mask, SelectMode mode);

// Insert: inverts the mark of the cursor entry; returns the new cursor (the
// next entry, or the same one on the last entry). -1 stays -1.
int toggleAndAdvance(PanelEntries& entries, int cursor);

// Numeric-keypad star: inverts every mark, directories included.
void invertAll(PanelEntries& entries);

// The quick seek: the first entry whose name begins with text, both
// upper-cased (letters a to z only); -1 when none does or text is empty.
int seekEntry(const PanelEntries& entries, const QString& text);

} // namespace dovex
