#include "fileops/treewalk.h"

#include "fileops/operationstate.h"
#include "fileops/pathrules.h"
#include "panels/selection.h"
#include "platform/directory.h"
#include "platform/fileio.h"

#include <cerrno>

namespace dovex {

namespace {

bool endsWithDotDot(const QString& path)
{
    return path == QLatin1String("..") || path.endsWith(QLatin1String("\\.."));
}

// A root such as "C:\" is walked as "C:" so that children join as "C:\x".
QString walkRoot(const QString& root)
{
    return root.size() < 4 ? root.left(2) : root;
}

void collectBelow(const QString& dir, QStringList& out, bool crossMounts)
{
    std::optional<std::vector<DirItem>> items;
    {
        // Closed before the walk goes down: a deep tree holds no descriptor
        // per level.
        Directory listed;
        if (listed.open(dir.size() == 2 ? dir + '\\' : dir))
            items = listed.listDirectories();
    }
    if (!items)
        return;
    for (const DirItem& item : *items) {
        if (item.mountPoint && !crossMounts)
            continue;
        const QString child = dir + '\\' + item.name;
        out << child;
        collectBelow(child, out, crossMounts);
    }
}

} // namespace

QStringList CollectDirectoryTree(const QString& root, bool crossMounts)
{
    QStringList out;
    if (endsWithDotDot(root))
        return out;
    const QString start = walkRoot(root);
    out << start;
    collectBelow(start, out, crossMounts);
    return out;
}

QStringList CollectFiles(const QString& directory, bool* readable)
{
    QStringList out;
    const QString dir = walkRoot(directory);
    const auto items = fileio::listDirectory(dir.size() == 2 ? dir + '\\' : dir, false);
    if (readable)
        *readable = items.has_value();
    if (!items)
        return out;
    for (const DirItem& item : *items)
        if (!item.directory)
            out << dir + '\\' + item.name;
    return out;
}

Totals DirectoryTotals(const QString& directory, bool withBytes)
{
    if (endsWithDotDot(directory))
        return {};
    const QString root = walkRoot(directory);
    Directory dir;
    if (!dir.open(root.size() == 2 ? root + '\\' : root))
        return {0, 0, 1, directory, errno ? errno : EIO};
    const TreeSize size = dir.treeSize(withBytes);
    return {size.bytes, size.files, size.unreadable, size.firstUnreadable, size.error};
}

std::int64_t FileSizeOf(const QString& path)
{
    return fileio::status(path).size;
}

namespace {

void countEntry(OperationState& state, const QString& sourceDirectory, const PanelEntry& e)
{
    const QString path = WithBackslash(sourceDirectory) + e.name;
    const FileStatus st = fileio::status(path);
    if (st.directory) {
        const Totals t = DirectoryTotals(path, state.countBytes);
        state.totalBytes += t.bytes;
        state.totalFiles += t.files;
    } else {
        state.totalBytes += st.size;
        state.totalFiles += 1;
    }
}

} // namespace

void SelectionTotals(OperationState& state, const QString& sourceDirectory,
                     const PanelEntries& entries, int n, int cursorIndex, bool takeAll)
{
    state.totalFiles = state.totalBytes = state.doneFiles = state.doneBytes = 0;
    if (n <= 0)
        return;
    n = std::min<int>(n, int(entries.size()));
    if (takeAll) {
        for (int i = 0; i < n; ++i)
            if (IsMarkable(entries[size_t(i)]))
                countEntry(state, sourceDirectory, entries[size_t(i)]);
        return;
    }
    for (const int i : ActedOnIndexes(entries, cursorIndex, n))
        countEntry(state, sourceDirectory, entries[size_t(i)]);
}

} // namespace dovex
