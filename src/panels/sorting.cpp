#include "panels/sorting.h"

#include <algorithm>
#include <utility>

namespace dovex {

namespace {

// Each entry is sorted with its key built once; the keys travel with the
// entries through the exchanges.
struct Keyed {
    QByteArray text;
    std::int64_t number = 0;
};

Keyed keyOf(const PanelEntry& e, int method)
{
    switch (method) {
    case SortName:
        return {upperAscii(e.name.toUtf8()), 0};
    case SortExtension:
        return {extensionSortKey(e.name), 0};
    case SortDateTime:
        return {{}, std::int32_t(e.dosDateTime)};
    default:
        return {{}, e.size};
    }
}

int compareKeys(const Keyed& a, const Keyed& b, bool textual)
{
    if (textual)
        return a.text.compare(b.text);
    return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
}

void quicksort(PanelEntries& entries, std::vector<Keyed>& keys, int first, int last, bool textual)
{
    const Keyed pivot = keys[size_t((first + last) / 2)];
    int i = first, j = last;
    do {
        while (compareKeys(keys[size_t(i)], pivot, textual) < 0)
            ++i;
        while (compareKeys(keys[size_t(j)], pivot, textual) > 0)
            --j;
        if (i <= j) {
            std::swap(entries[size_t(i)], entries[size_t(j)]);
            std::swap(keys[size_t(i)], keys[size_t(j)]);
            ++i;
            --j;
        }
    } while (i <= j);
    if (first < j)
        quicksort(entries, keys, first, j, textual);
    if (i < last)
        quicksort(entries, keys, i, last, textual);
}

} // namespace

QByteArray upperAscii(const QByteArray& text)
{
    QByteArray out = text;
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return out;
}

QString extensionOf(const QString& name)
{
    const int dot = name.lastIndexOf('.');
    if (dot < 0)
        return QString();
    for (int i = dot + 1; i < name.size(); ++i)
        if (name[i] == ':' || name[i] == '\\')
            return QString();
    return name.mid(dot);
}

QByteArray extensionSortKey(const QString& name)
{
    return upperAscii((extensionOf(name) + name).toUtf8());
}

void sortRange(PanelEntries& entries, int first, int last, int method)
{
    if (method < SortName || method > SortSize || first < 0 || last >= int(entries.size()) ||
        last - first < 1)
        return;
    std::vector<Keyed> keys(entries.size());
    for (int i = first; i <= last; ++i)
        keys[size_t(i)] = keyOf(entries[size_t(i)], method);
    quicksort(entries, keys, first, last, method == SortName || method == SortExtension);
}

void directoriesFirst(PanelEntries& entries)
{
    std::stable_partition(entries.begin(), entries.end(),
                          [](const PanelEntry& e) { return e.directory; });
    for (size_t i = 1; i < entries.size(); ++i) {
        if (entries[i].directory && entries[i].name == QLatin1String("..")) {
            std::rotate(entries.begin(), entries.begin() + long(i), entries.begin() + long(i) + 1);
            break;
        }
    }
}

} // namespace dovex
