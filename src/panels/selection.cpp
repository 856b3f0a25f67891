#include "panels/selection.h"

#include "panels/maskmatch.h"
#include "panels/sorting.h"

namespace dovex
{

int MaskonEnter(PanelEntries& entries, const QString& mask, SelectMode mode)
{
    const bool mark = mode == SelectMode::Mark;
    int changed = 0;
    for (PanelEntry& e : entries) {
        if (e.selected != mark && MaskMatches(e.name, mask)) {
            e.selected = mark;
            ++changed;
        }
    }
    return changed;
}

int toggleAndAdvance(PanelEntries& entries, int cursor)
{
    if (cursor < 0 || cursor >= int(entries.size()))
        return cursor;
    entries[size_t(cursor)].selected = !entries[size_t(cursor)].selected;
    return cursor + 1 < int(entries.size()) ? cursor + 1 : cursor;
}

void invertAll(PanelEntries& entries)
{
    for (PanelEntry& e : entries)
        e.selected = !e.selected;
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
