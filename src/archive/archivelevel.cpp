#include "archive/archivelevel.h"

#include <limits>

#include "panels/maskmatch.h"
#include "platform/dosattr.h"
#include "platform/dostime.h"

#include <algorithm>
#include <ctime>

namespace dovex {

namespace {

// Sizes come from the archive's headers: a total of claimed sizes stops at
// the largest number rather than wrapping round.
std::int64_t addSize(std::int64_t total, std::int64_t size)
{
    if (size <= 0)
        return total;
    return total > std::numeric_limits<std::int64_t>::max() - size
               ? std::numeric_limits<std::int64_t>::max()
               : total + size;
}

QStringView withoutSeparators(QStringView dir)
{
    while (!dir.isEmpty() && dir.front() == u'\\')
        dir = dir.mid(1);
    while (!dir.isEmpty() && dir.back() == u'\\')
        dir.chop(1);
    return dir;
}

// Whether path lies below dir ("dir\..."); dir may be empty (the root).
bool isBelow(QStringView path, QStringView dir)
{
    if (dir.isEmpty())
        return true;
    return path.size() > dir.size() && path[dir.size()] == u'\\' && path.startsWith(dir);
}

PanelEntry parentEntry()
{
    PanelEntry up;
    up.name = QStringLiteral("..");
    up.dosDateTime = dosDateTimeFromUnix(std::time(nullptr));
    up.attributes = faDirectory;
    up.directory = true;
    return up;
}

} // namespace

RecordClassification ClassifyArchiveRecord(QStringView path, QStringView innerDir,
                                           SubdirectorySet& seen)
{
    if (!isBelow(path, innerDir))
        return {};
    const QStringView rest = innerDir.isEmpty() ? path : path.mid(innerDir.size() + 1);
    qsizetype cut = rest.indexOf(u'\\');
    if (cut < 0)
        cut = rest.indexOf(u'/');
    if (cut < 0)
        return rest.isEmpty() ? RecordClassification{}
                              : RecordClassification{RecordPlace::File, rest};
    const QStringView first = rest.left(cut);
    if (first.isEmpty() || seen.contains(first))
        return {};
    seen.insert(first);
    return {RecordPlace::Directory, first};
}

int listArchiveLevel(const std::vector<ArchiveRecord>& records, QStringView innerDir,
                     const QString& mask, PanelEntries& entries)
{
    entries.clear();
    entries.push_back(parentEntry());
    innerDir = withoutSeparators(innerDir);
    SubdirectorySet seen;
    for (const ArchiveRecord& r : records) {
        const RecordClassification c = ClassifyArchiveRecord(r.path, innerDir, seen);
        if (c.place == RecordPlace::Outside || int(entries.size()) > kPanelCapacity)
            continue;
        const bool directory = c.place == RecordPlace::Directory;
        QString name = c.name.toString();
        if (!directory && !MaskMatches(name, mask))
            continue;
        PanelEntry e;
        e.name = std::move(name);
        e.archivePath = r.path;
        e.dosDateTime = r.dosDateTime;
        e.size = r.size;
        e.attributes = directory ? faDirectory : r.attributes;
        e.directory = directory;
        if (!directory && r.link) {
            e.link = true;
            e.linkTarget = r.linkTarget;
        }
        entries.push_back(std::move(e));
    }
    return int(entries.size()) - 1;
}

std::int64_t archiveLevelTotals(const std::vector<ArchiveRecord>& records, QStringView innerDir,
                                const PanelEntries& entries, int lastIndex, int cursorIndex,
                                bool includeSubdirectories, std::int64_t& fileCount)
{
    fileCount = 0;
    if (records.empty())
        return 0;
    lastIndex = std::min(lastIndex, int(entries.size()) - 1);
    bool anySelected = false;
    for (int i = 0; i <= lastIndex; ++i)
        anySelected = anySelected || entries[std::size_t(i)].selected;
    innerDir = withoutSeparators(innerDir);

    // Files are counted at once; the chosen directories are gathered, and
    // one pass over the records counts what lies below any of them.
    std::int64_t bytes = 0;
    QSet<QStringView> directories;
    for (int i = 0; i <= lastIndex; ++i) {
        const PanelEntry& e = entries[std::size_t(i)];
        if (anySelected ? !e.selected : i != cursorIndex)
            continue;
        if (!e.directory) {
            ++fileCount;
            bytes = addSize(bytes, e.size);
        } else if (includeSubdirectories && e.name != QLatin1String("..")) {
            directories.insert(e.name);
        }
    }
    if (directories.isEmpty())
        return bytes;
    for (const ArchiveRecord& r : records) {
        if (!isBelow(r.path, innerDir))
            continue;
        const QStringView rest =
            innerDir.isEmpty() ? QStringView(r.path) : QStringView(r.path).mid(innerDir.size() + 1);
        const qsizetype cut = rest.indexOf(u'\\');
        if (cut > 0 && directories.contains(rest.left(cut))) {
            ++fileCount;
            bytes = addSize(bytes, r.size);
        }
    }
    return bytes;
}

} // namespace dovex
