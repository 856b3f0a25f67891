#pragma once

#include "panels/panelentry.h"

#include <QString>

namespace dovex
{

enum class SelectMode { Mark, Unmark };

// Applies a selection mask to every entry, directories and ".." included:
// Mark marks the unmarked entries whose names pass MaskMatches, Unmark
// unmarks the marked ones. Returns the number of entries changed.
int MaskonEnter(PanelEntries& entries, const QString& mask, SelectMode mode);

// Insert: inverts the mark of the cursor entry; returns the new cursor (the
// next entry, or the same one on the last entry). -1 stays -1.
int toggleAndAdvance(PanelEntries& entries, int cursor);

// Numeric-keypad star: inverts every mark, directories and ".." included.
void invertAll(PanelEntries& entries);

// The quick seek: the first entry whose name begins with text, both
// upper-cased (letters a to z only); -1 when none does or text is empty.
int seekEntry(const PanelEntries& entries, const QString& text);

} // namespace dovex
