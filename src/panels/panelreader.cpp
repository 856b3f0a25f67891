#include "panels/panelreader.h"

#include "panels/archivelister.h"
#include "panels/maskmatch.h"
#include "panels/textformat.h"
#include "platform/dirsearch.h"
#include "platform/dosattr.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/prompter.h"

#include <QHash>
#include <QSet>

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
    const auto up = std::find_if(entries.begin(), entries.end(),
                                 [](const PanelEntry& e) { return e.name == QLatin1String(".."); });
    if (up != entries.end())
        std::rotate(entries.begin(), up, up + 1);
    const int lastDir = int(entries.size()) - 1;
    const int firstDir = !entries.empty() && entries[0].name == QLatin1String("..") ? 1 : 0;
    sortRange(entries, firstDir, lastDir, sortMethod);

    // The filter is a mask of names: a separator in it would send the search
    // to another directory than the one the panel shows.
    const QString mask =
        filterMask.mid(std::max(filterMask.lastIndexOf('\\'), filterMask.lastIndexOf('/')) + 1);
    readPass(entries, capacity, base + (mask.isEmpty() ? QStringLiteral("*.*") : mask),
             faReadOnly | faHidden | faSysFile | faArchive, false, prompter,
             [](const FindRecord& r) { return !(r.attributes & faDirectory); });
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

// The text an entry is placed by in the incremental update: lower-cased
// names (extension first for files under SortExtension); the other methods
// compare numbers and need none.
QByteArray syncKey(const PanelEntry& e, int method)
{
    if (method == SortName || (method == SortExtension && e.directory))
        return lowerAscii(e.name);
    if (method == SortExtension)
        return lowerAscii(extensionOf(e.name) + e.name);
    return QByteArray();
}

// The entries with their placing keys, kept side by side while entries come
// and go, so that no key is computed twice.
struct SyncRows {
    PanelEntries& entries;
    std::vector<QByteArray> keys;
    int method;

    // Whether fresh belongs before the entry at i.
    bool before(const PanelEntry& fresh, const QByteArray& freshKey, size_t i) const
    {
        const PanelEntry& existing = entries[i];
        switch (method) {
        case SortName:
        case SortExtension:
            return keys[i] > freshKey;
        case SortDateTime:
            return std::int32_t(existing.dosDateTime) > std::int32_t(fresh.dosDateTime);
        case SortSize:
            return existing.size > fresh.size;
        default:
            return false;
        }
    }

    int insertionIndex(const PanelEntry& fresh, const QByteArray& freshKey) const
    {
        const int n = int(entries.size());
        const bool hasUp = n > 0 && entries[0].name == QLatin1String("..");
        if (fresh.directory) {
            // ".." keeps the first place whatever the names around it.
            if (fresh.name == QLatin1String(".."))
                return 0;
            int leading = 0;
            while (leading < n && entries[size_t(leading)].directory)
                ++leading;
            if (method == Unsorted)
                return leading;
            for (int i = hasUp ? 1 : 0; i < leading; ++i)
                if (before(fresh, freshKey, size_t(i)))
                    return i;
            return leading;
        }
        if (method == Unsorted)
            return n;
        for (int i = 0; i < n; ++i)
            if (!entries[size_t(i)].directory && before(fresh, freshKey, size_t(i)))
                return i;
        return n;
    }

    void insert(int at, PanelEntry fresh, QByteArray key)
    {
        entries.insert(entries.begin() + at, std::move(fresh));
        keys.insert(keys.begin() + at, std::move(key));
    }

    void removeLast()
    {
        entries.pop_back();
        keys.pop_back();
    }
};

} // namespace

bool isExistingDirectory(const QString& dosPath)
{
    return fileio::status(dosPath, true).directory;
}

bool isExistingFile(const QString& dosPath)
{
    return fileio::status(dosPath, true).regular;
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
        // A directory typed or stored with ".." in it is shown as the one
        // it names, which never lies above its drive's root.
        if (const std::optional<QString> normal = dospath::normalize(panel.path))
            panel.path = *normal;
        // A network drive whose server stopped answering is said to be not
        // ready (Abort falls back to drive c) before it could pass for a
        // missing directory.
        const QChar letter = panel.path.isEmpty() ? QChar() : panel.path[0];
        if (DriveMap::instance().isNetworkDrive(letter) && !waitForDrive(letter, prompter))
            panel.path = QStringLiteral("c:\\");
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
    RefreshBest(panel.entries, kPanelCapacity, panel.sortMethod, panel.inArchive, panel.filterMask,
                panel.archiveFile, panel.innerDirectory, panel.path, prompter);
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

namespace {

// What the disk holds now, each name once.
struct FoundNow {
    std::vector<FindRecord> records;
    QHash<QString, int> index;
};

FoundNow findNow(const QString& path)
{
    const QString pattern = (path.endsWith('\\') ? path : path + '\\') + QStringLiteral("*.*");
    FoundNow found;
    DirSearch search;
    for (std::optional<FindRecord> rec =
             search.findFirst(pattern, faReadOnly | faHidden | faSysFile | faDirectory | faArchive);
         rec; rec = search.findNext()) {
        if (rec->name == QLatin1String(".") || found.index.contains(rec->name))
            continue;
        found.index.insert(rec->name, int(found.records.size()));
        found.records.push_back(std::move(*rec));
    }
    return found;
}

// Removal, in one pass. An entry whose name is now a directory where it
// was a file (or the reverse) goes too, and comes back in its own group.
// The others take what the disk says now (a copy may have replaced a
// file), and keep their marks; their names go to present. Returns whether
// an entry went.
bool dropGone(PanelEntries& entries, const FoundNow& found, int& cursor, QSet<QString>& present)
{
    bool changed = false;
    size_t kept = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        PanelEntry& e = entries[i];
        const auto it = found.index.constFind(e.name);
        const FindRecord* rec = it == found.index.cend() ? nullptr : &found.records[size_t(*it)];
        if (!rec || bool(rec->attributes & faDirectory) != e.directory) {
            // The entry at i now stands at kept, after the earlier removals.
            if (cursor >= int(kept) && cursor > 0)
                --cursor;
            changed = true;
            continue;
        }
        if (e.name != QLatin1String("..")) {
            e.dosDateTime = rec->dosDateTime;
            e.size = rec->size;
            e.attributes = rec->attributes;
        }
        present.insert(e.name);
        if (kept != i)
            entries[kept] = std::move(e);
        ++kept;
    }
    entries.resize(kept);
    // After removals an emptied panel has no cursor line.
    if (cursor >= int(entries.size()))
        cursor = int(entries.size()) - 1;
    return changed;
}

// The filter as the full read applies it: its last component only.
QString filterOf(const QString& filterMask)
{
    const QString mask =
        filterMask.mid(std::max(filterMask.lastIndexOf('\\'), filterMask.lastIndexOf('/')) + 1);
    return mask.isEmpty() ? QStringLiteral("*.*") : mask;
}

// Inserts, each at its sorted place, what the disk holds and the panel
// does not. Returns whether anything came.
bool addNew(int sortMethod, PanelEntries& entries, const FoundNow& found, int& cursor,
            QSet<QString>& present, const QString& mask)
{
    SyncRows rows{entries, {}, sortMethod};
    rows.keys.reserve(entries.size() + 1);
    for (const PanelEntry& e : entries)
        rows.keys.push_back(syncKey(e, sortMethod));
    bool changed = false;
    for (const FindRecord& rec : found.records) {
        if (present.contains(rec.name))
            continue;
        const bool directory = rec.attributes & faDirectory;
        // A filtered panel keeps showing only the files that pass its filter.
        if (!directory && !MaskMatches(rec.name, mask))
            continue;
        if (int(entries.size()) >= kPanelCapacity) {
            // A full panel: a re-read would list directories before any
            // file, so a new directory takes the place of the last file.
            if (!directory || entries.empty() || entries.back().directory)
                continue;
            if (cursor == int(entries.size()) - 1)
                --cursor;
            rows.removeLast();
        }
        PanelEntry fresh = entryFrom(rec, directory);
        QByteArray key = syncKey(fresh, sortMethod);
        const int at = rows.insertionIndex(fresh, key);
        rows.insert(at, std::move(fresh), std::move(key));
        if (cursor >= at)
            ++cursor;
        present.insert(rec.name);
        changed = true;
    }
    return changed;
}

} // namespace

bool SyncPanelEntries(int sortMethod, PanelEntries& entries, const QString& path, int& cursor,
                      const QString& filterMask)
{
    const FoundNow found = findNow(path);
    QSet<QString> present;
    const bool dropped = dropGone(entries, found, cursor, present);
    const bool added = addNew(sortMethod, entries, found, cursor, present, filterOf(filterMask));
    return dropped || added;
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
