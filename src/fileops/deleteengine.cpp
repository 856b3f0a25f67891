#include "fileops/deleteengine.h"

#include "fileops/operationstate.h"
#include "fileops/treewalk.h"
#include "platform/dosattr.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"

#include <algorithm>

namespace dovex
{

namespace
{

struct Protection {
    std::uint32_t bit;
    const char* question;
};

constexpr Protection kProtections[] = {
    {faSysFile, " is a systemfile, do you wish to Delete this file?"},
    {faHidden, " is a Hidden file, do you wish to Delete this file?"},
    {faReadOnly, " is a read-only file, do you wish to Delete this file?"},
};

// The questions about a protected file; false when the person keeps it.
bool agreeToDelete(OperationState& state, const QString& path, std::uint32_t attributes)
{
    bool allNow = false;
    for (const Protection& p : kProtections) {
        if (state.deleteProtectedAll || !(attributes & p.bit))
            continue;
        const Answer a =
            state.ask(Severity::Information, path + QLatin1String(p.question), Buttons::YesNoAll);
        if (a == Answer::All) {
            state.deleteProtectedAll = allNow = true;
        } else if (a != Answer::Yes) {
            return false;
        }
    }
    if (allNow &&
        state.ask(Severity::Information,
                  QStringLiteral(
                      "Are you sure to delete all selected hidden, system and read-only files?"),
                  Buttons::YesNo) != Answer::Yes)
        state.deleteProtectedAll = false; // this file still goes; the next are asked about
    return true;
}

// attributes: a function, so that they are read only when a question may
// follow (not after an "All").
template <typename Attributes>
bool deleteFile(OperationState& state, const QString& path, Attributes attributes)
{
    // The attributes are left alone: a file that is kept, or that cannot be
    // deleted, stays exactly as it was (removing a name needs no permission
    // on the file itself here).
    if (!state.deleteProtectedAll && !agreeToDelete(state, path, attributes())) {
        ++state.notDone;
        return false;
    }
    if (fileio::removeFile(path) != 0) {
        state.error(QStringLiteral("Could not delete ") + path);
        ++state.notDone;
        return false;
    }
    return true;
}

} // namespace

bool DeleteOneFile(OperationState& state, const QString& path)
{
    return deleteFile(state, path, [&] { return fileio::attributes(path); });
}

bool RemoveDirectories(const QStringList& tree)
{
    // Pre-order puts every directory before its children, so the reverse
    // order empties children before their parents in one pass.
    for (auto it = tree.crbegin(); it != tree.crend(); ++it)
        fileio::removeDirectory(*it);
    return tree.isEmpty() || !fileio::status(tree.first()).exists;
}

void DeleteTree(OperationState& state, const QString& directory)
{
    const QStringList tree = CollectDirectoryTree(directory);
    for (const QString& dir : tree) {
        // Listed with each item looked at relative to the directory: the
        // protection questions need the permissions, and a look by the
        // whole path per file costs more.
        const auto items = fileio::listDirectory(dir.size() == 2 ? dir + '\\' : dir, true);
        if (!items)
            continue;
        for (const DirItem& item : *items) {
            if (item.directory)
                continue;
            const QString file = dir + '\\' + item.name;
            state.setLine1(item.name);
            deleteFile(state, file, [&] {
                return item.mode ? fileio::attributes(file, item.mode) : fileio::attributes(file);
            });
            ++state.doneFiles;
            ProgressInfo(state);
            if (state.checkAbort())
                break;
        }
        if (state.abortRequested)
            break;
    }
    if (!state.abortRequested)
        RemoveDirectories(tree);
    if (fileio::status(directory).exists) {
        state.warning(QStringLiteral("Cannot delete Directory"));
        ++state.notDone;
    }
}

bool ClearDestination(OperationState& state, const QString& destination,
                      const QString& directoryError, const QString& question)
{
    const FileStatus st = fileio::status(destination);
    if (!st.exists)
        return true;
    if (st.directory) {
        state.error(directoryError);
        return false;
    }
    if (!state.overwriteAll) {
        const Answer a =
            state.ask(Severity::Information, QStringLiteral("File ") + destination + question,
                      Buttons::YesNoAll);
        if (a == Answer::No || a == Answer::Cancel)
            return false;
        if (a == Answer::All)
            state.overwriteAll = true;
    }
    DeleteOneFile(state, destination);
    // A kept protected file is never written over.
    return !fileio::status(destination).exists;
}

} // namespace dovex
