#include "fileops/comparesize.h"

#include "fileops/operationstate.h"
#include "panels/selection.h"
#include "panels/textformat.h"
#include "platform/progresssink.h"
#include "platform/prompter.h"

#include <QHash>

#include <vector>

namespace dovex {

namespace {

// Marks the entries of one side that the other side does not match.
int markUnmatched(PanelEntries& side, int n, const PanelEntries& other, int otherN)
{
    QHash<QString, std::vector<int>> byName;
    byName.reserve(otherN);
    for (int i = 0; i < otherN; ++i)
        byName[other[size_t(i)].name].push_back(i);
    int marked = 0;
    for (int i = 0; i < n; ++i) {
        PanelEntry& e = side[size_t(i)];
        if (!IsMarkable(e))
            continue;
        bool matched = false;
        const auto it = byName.constFind(e.name);
        if (it != byName.cend())
            for (const int j : *it) {
                const PanelEntry& o = other[size_t(j)];
                // Packed dates grow with time as unsigned numbers; taken as
                // signed ones, every date from 2044 on would seem older.
                if (o.size == e.size && o.attributes == e.attributes &&
                    o.dosDateTime >= e.dosDateTime) {
                    matched = true;
                    break;
                }
            }
        if (!matched) {
            e.selected = true;
            ++marked;
        }
    }
    return marked;
}

class SilentPrompter : public Prompter {
public:
    Answer ask(Severity, const QString&, Buttons, const QString&) override { return Answer::Ok; }
};

} // namespace

CompareCount CompareDirs(PanelEntries& left, int nLeft, PanelEntries& right, int nRight)
{
    for (PanelEntry& e : left)
        e.selected = false;
    for (PanelEntry& e : right)
        e.selected = false;
    nLeft = std::clamp<int>(nLeft, 0, int(left.size()));
    nRight = std::clamp<int>(nRight, 0, int(right.size()));
    CompareCount count;
    count.left = markUnmatched(left, nLeft, right, nRight);
    count.right = markUnmatched(right, nRight, left, nLeft);
    return count;
}

Totals CalculateSizeTotals(const QString& directory, const PanelEntries& entries, int n,
                           int cursorIndex)
{
    SilentPrompter prompter;
    SilentSink sink;
    OperationState state(prompter, sink);
    SelectionTotals(state, directory, entries, n, cursorIndex, false);
    Totals t;
    t.bytes = state.totalBytes;
    t.files = state.totalFiles;
    return t;
}

QString CalculateSizeText(const Totals& totals)
{
    return QStringLiteral("Total size of selected files: ") + thousands(totals.bytes) +
           QStringLiteral(" bytes\rTotal selected files: ") + QString::number(totals.files);
}

} // namespace dovex
