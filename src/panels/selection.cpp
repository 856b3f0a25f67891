#include "panels/selection.h"

#include "panels/maskmatch.h"
#include "panels/sorting.h"

#include <algorithm>

namespace dovex {

bool IsMarkable(const PanelEntry& entry)
{
    return entry.name != QLatin1String("..");
}

bool IsMarked(const PanelEntry& entry)
{
    return entry.selected && IsMarkable(entry);
}

std::vector<int> ActedOnIndexes(const PanelEntries& entries, int cursorIndex)
{
    return ActedOnIndexes(entries, cursorIndex, int(entries.size()));
}

std::vector<int> ActedOnIndexes(const PanelEntries& entries, int cursorIndex, int count)
{
    count = std::clamp(count, 0, int(entries.size()));
    std::vector<int> on;
    for (int i = 0; i < count; ++i)
        if (IsMarked(entries[size_t(i)]))
            on.push_back(i);
    if (on.empty() && cursorIndex >= 0 && cursorIndex < count &&
        IsMarkable(entries[size_t(cursorIndex)]))
        on.push_back(cursorIndex);
    return on;
}

bool setMark(PanelEntry& entry, bool on)
{
    if (entry.selected == on || (on && !IsMarkable(entry)))
        return false;
    entry.selected = on;
    return true;
}

int MaskonEnter(PanelEntries& entries, const QString& mask, SelectMode mode)
{
    const bool mark = mode == SelectMode::Mark;
    int changed = 0;
    for (PanelEntry& e : entries)
        if (e.selected != mark && MaskMatches(e.name, mask))
            changed += setMark(e, mark);
    return changed;
}

int toggleAndAdvance(PanelEntries& entries, int cursor)
{
    if (cursor < 0 || cursor >= int(entries.size()))
        return cursor;
    PanelEntry& e = entries[size_t(cursor)];
    setMark(e, !e.selected);
    return cursor + 1 < int(entries.size()) ? cursor + 1 : cursor;
}

void invertAll(PanelEntries& entries)
{
    for (PanelEntry& e : entries)
        setMark(e, !e.selected);
}

int seekEntry(const PanelEntries& entries, const QString& text)
{
    if (text.isEmpty())
        return -1;
    const QByteArray key = upperAscii(text.toUtf8());
    for (size_t i = 0; i < entries.size(); ++i)
        if (upperAscii(entries[i].name.toUtf8()).startsWith(key))
            return int(i);
    return -1;
}

} // namespace dovex
