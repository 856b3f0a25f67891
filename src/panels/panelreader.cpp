#include "panels/panelreader.h"

#include "panels/archivelister.h"
#include "panels/maskmatch.h"
#include "platform/dirsearch.h"
#include "platform/dosattr.h"
#include "platform/drivemap.h"
#include "platform/prompter.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace dovex {

namespace {

PanelEntry entryFrom(const FindRecord& rec, bool directory)
{
    PanelEntry e;
    e.name = rec.name;
    e.dosDateTime = rec.dosDateTime;
    e.size = rec.size;
    e.attributes = rec.attributes;
    e.directory = directory;
    return e;
}

QString searchBase(const QString& path)
{
    return path.size() > 3 ? path + '\\' : path;
}

// One reading pass; returns false when it stopped at the limit.
template <typename Keep>
void readPass(PanelEntries& entries, int capacity, const QString& pattern, std::uint32_t mask,
              bool directories, Prompter& prompter, Keep keep)
{
    DirSearch search;
    for (std::optional<FindRecord> rec = search.findFirst(pattern, mask); rec;
         rec = search.findNext()) {
        if (!keep(*rec))
            continue;
        if (int(entries.size()) >= capacity) {
            prompter.information(kTooManyFiles);
            return;
        }
        entries.push_back(entryFrom(*rec, directories));
    }
}

int readDirectory(PanelEntries& entries, int capacity, int sortMethod, const QString& filterMask,
                  const QString& path, Prompter& prompter)
{
    const QString base = searchBase(path);
    readPass(entries, capacity, base + QStringLiteral("*.*"),
             faReadOnly | faHidden | faSysFile | faDirectory | faArchive | faDirectoriesOnly, true,
             prompter, [](const FindRecord& r) {
                 return (r.attributes & faDirectory) && r.name != QLatin1String(".");
             });
    // The host lists ".." wherever its directory order puts it; the panel
    // wants it first, whatever the sort method.
    const auto up = std::find_if(entries.begin(), entries.end(), [](const PanelEntry& e) {
        return e.name == QLatin1String("..");
    });
    if (up != entries.end())
        std::rotate(entries.begin(), up, up + 1);
    const int lastDir = int(entries.size()) - 1;
    const int firstDir = !entries.empty() && entries[0].name == QLatin1String("..") ? 1 : 0;
    sortRange(entries, firstDir, lastDir, sortMethod);

    readPass(entries, capacity, base + filterMask, faReadOnly | faHidden | faSysFile | faArchive,
             false, prompter, [](const FindRecord& r) { return !(r.attributes & faDirectory); });
    sortRange(entries, lastDir + 1, int(entries.size()) - 1, sortMethod);
    return int(entries.size()) - 1;
}

QByteArray lowerAscii(const QString& s)
{
    QByteArray b = s.toUtf8();
    for (char& c : b)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return b;
}

// Whether the new entry belongs before an existing one in the order of the
// incremental update (lower-cased names rather than the full sort keys).
bool belongsBefore(const PanelEntry& fresh, const PanelEntry& existing, int method, bool directory)
{
    switch (method) {
    case SortName:
        return lowerAscii(existing.name) > lowerAscii(fresh.name);
    case SortExtension:
        if (directory)
            return lowerAscii(existing.name) > lowerAscii(fresh.name);
        return lowerAscii(extensionOf(existing.name) + existing.name) >
               lowerAscii(extensionOf(fresh.name) + fresh.name);
    case SortDateTime:
        return std::int32_t(existing.dosDateTime) > std::int32_t(fresh.dosDateTime);
    case SortSize:
        return existing.size > fresh.size;
    default:
        return false;
    }
}

int insertionIndex(const PanelEntries& entries, const PanelEntry& fresh, int method)
{
    const int n = int(entries.size());
    if (fresh.directory) {
        int leading = 0;
        while (leading < n && entries[size_t(leading)].directory)
            ++leading;
        if (method == Unsorted)
            return leading;
        // ".." keeps the first place whatever the names around it.
        const int start = n > 0 && entries[0].name == QLatin1String("..") ? 1 : 0;
        for (int i = start; i < leading; ++i)
            if (belongsBefore(fresh, entries[size_t(i)], method, true))
                return i;
        return leading;
    }
    if (method == Unsorted)
        return n;
    for (int i = 0; i < n; ++i) {
        const PanelEntry& e = entries[size_t(i)];
        if (!e.directory && belongsBefore(fresh, e, method, false))
            return i;
    }
    return n;
}

} // namespace

bool isExistingDirectory(const QString& dosPath)
{
    const std::optional<QString> host = DriveMap::instance().toHost(dosPath);
    return host && QFileInfo(*host).isDir();
}

bool isExistingFile(const QString& dosPath)
{
    const std::optional<QString> host = DriveMap::instance().toHost(dosPath);
    return host && QFileInfo(*host).isFile();
}

int RefreshBest(PanelEntries& entries, int capacity, int sortMethod, bool& inArchive,
                const QString& filterMask, const QString& archiveFile,
                const QString& innerDirectory, QString& path, Prompter& prompter)
{
    entries.clear();
    if (inArchive) {
        if (isExistingFile(archiveFile)) {
            if (ArchiveLister* lister = archiveLister()) {
                lister->listDirectory(archiveFile, innerDirectory, filterMask, entries, prompter);
            } else {
                PanelEntry up;
                up.name = QStringLiteral("..");
                up.directory = true;
                up.attributes = faDirectory;
                entries.push_back(up);
            }
            // An archive level holds ".." and up to capacity members.
            if (int(entries.size()) > capacity + 1)
                entries.resize(size_t(capacity + 1));
            sortRange(entries, 0, int(entries.size()) - 1, sortMethod);
            directoriesFirst(entries);
            return int(entries.size()) - 1;
        }
        inArchive = false;
        path = dospath::directoryPart(path);
    }
    return readDirectory(entries, capacity, sortMethod, filterMask, path, prompter);
}

PanelReadOutcome readPanel(FilePanel& panel, Prompter& prompter, bool allowArchiveVanish)
{
    if (panel.inArchive && allowArchiveVanish && !isExistingFile(panel.archiveFile)) {
        panel.inArchive = false;
        panel.archiveKind = QChar(' ');
        panel.path = dospath::directoryPart(panel.path);
        panel.innerDirectory.clear();
    }
    if (!panel.inArchive) {
        panel.innerDirectory.clear();
        panel.archiveKind = QChar(' ');
        if (!isExistingDirectory(panel.path)) {
            panel.path = panel.path.left(3);
            if (!isExistingDirectory(panel.path)) {
                panel.path = QStringLiteral("c:\\");
                if (!isExistingDirectory(panel.path))
                    return PanelReadOutcome::DriveCUnreadable;
            }
        }
    }
    const bool wasInArchive = panel.inArchive;
    RefreshBest(panel.entries, kPanelCapacity, panel.sortMethod, panel.inArchive,
                panel.filterMask, panel.archiveFile, panel.innerDirectory, panel.path, prompter);
    if (wasInArchive && !panel.inArchive) {
        panel.archiveKind = QChar(' ');
        panel.innerDirectory.clear();
    }
    return PanelReadOutcome::Read;
}

QString panelCaption(const FilePanel& panel)
{
    QString tag;
    if (ArchiveLister* lister = archiveLister(); lister && panel.archiveKind != QChar(' '))
        tag = lister->kindTag(panel.archiveKind);
    if (panel.inArchive && !panel.innerDirectory.isEmpty())
        return panel.path + '\\' + panel.innerDirectory + tag;
    return panel.path + tag;
}

void SyncPanelEntries(int sortMethod, PanelEntries& entries, const QString& path, int& cursor,
                      const QString& filterMask)
{
    const QString pattern =
        (path.endsWith('\\') ? path : path + '\\') + QStringLiteral("*.*");
    std::vector<FindRecord> found;
    QHash<QString, int> foundIndex;
    DirSearch search;
    for (std::optional<FindRecord> rec =
             search.findFirst(pattern, faReadOnly | faHidden | faSysFile | faDirectory | faArchive);
         rec; rec = search.findNext()) {
        if (rec->name == QLatin1String("."))
            continue;
        foundIndex.insert(rec->name, int(found.size()));
        found.push_back(std::move(*rec));
    }

    QHash<QString, int> present;
    for (int i = 0; i < int(entries.size());) {
        if (foundIndex.contains(entries[size_t(i)].name)) {
            present.insert(entries[size_t(i)].name, i);
            ++i;
            continue;
        }
        entries.erase(entries.begin() + i);
        if (cursor >= i && cursor > 0)
            --cursor;
    }

    for (const FindRecord& rec : found) {
        if (present.contains(rec.name))
            continue;
        const bool directory = rec.attributes & faDirectory;
        // A filtered panel keeps showing only the files that pass its filter.
        if (!directory && !MaskMatches(rec.name, filterMask))
            continue;
        if (int(entries.size()) >= kPanelCapacity)
            break;
        const PanelEntry fresh = entryFrom(rec, directory);
        const int at = insertionIndex(entries, fresh, sortMethod);
        entries.insert(entries.begin() + at, fresh);
        if (cursor >= at)
            ++cursor;
        present.insert(rec.name, at);
    }
}

void enterArchive(FilePanel& panel, const QString& name, QChar kind)
{
    panel.archiveFile = dospath::join(panel.path, name);
    panel.path = panel.archiveFile;
    panel.inArchive = true;
    panel.archiveKind = kind;
    panel.innerDirectory.clear();
    if (ArchiveLister* lister = archiveLister())
        lister->invalidate();
}

QString leaveArchive(FilePanel& panel)
{
    const QString name = dospath::fileName(panel.archiveFile);
    panel.inArchive = false;
    panel.archiveKind = QChar(' ');
    panel.innerDirectory.clear();
    panel.path = dospath::directoryPart(panel.path);
    return name;
}

QString archiveUp(FilePanel& panel)
{
    if (panel.innerDirectory.isEmpty())
        return leaveArchive(panel);
    const int cut = panel.innerDirectory.lastIndexOf('\\');
    const QString left = panel.innerDirectory.mid(cut + 1);
    panel.innerDirectory = cut < 0 ? QString() : panel.innerDirectory.left(cut);
    return left;
}

void archiveEnterDirectory(FilePanel& panel, const QString& name)
{
    panel.innerDirectory =
        panel.innerDirectory.isEmpty() ? name : panel.innerDirectory + '\\' + name;
}

QString directoryUp(FilePanel& panel)
{
    if (dospath::isRoot(panel.path))
        return QString();
    const QString left = dospath::fileName(panel.path);
    panel.path = dospath::directoryPart(panel.path);
    return left;
}

} // namespace dovex
