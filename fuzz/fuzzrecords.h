#pragma once

// What every archive reader's records must be, whatever the bytes: bounded
// names that stay inside the archive (no empty, "." or ".." component, no
// drive prefix, "\" separators only) and sizes that are not negative.
#include "archive/archiverecord.h"

#include <QStringView>

namespace dovex::fuzz {

inline bool isListablePath(const QString& path)
{
    if (path.isEmpty() || path.size() > 4096 || path.contains(u'/'))
        return false;
    if (path.size() >= 2 && path[1] == u':' && path[0].isLetter() && path[0].unicode() < 0x80)
        return false;
    qsizetype start = 0;
    while (start <= path.size()) {
        qsizetype end = path.indexOf(u'\\', start);
        if (end < 0)
            end = path.size();
        const QStringView part = QStringView(path).mid(start, end - start);
        if (part.isEmpty() || part == u"." || part == u"..")
            return false;
        start = end + 1;
    }
    return true;
}

inline void checkRecords(const ArchiveContents& contents)
{
    for (const ArchiveRecord& r : contents.records) {
        if (!isListablePath(r.path) || r.size < 0 || r.linkTarget.size() > 4096)
            __builtin_trap();
        // The bytes to ask the archive's tools for are there, whichever
        // way the record keeps them.
        if (r.storedBytes().isEmpty())
            __builtin_trap();
    }
    if (contents.records.size() > kMaxArchiveRecords)
        __builtin_trap();
}

} // namespace dovex::fuzz
