#include "fileops/deleteengine.h"

#include "fileops/operationstate.h"
#include "fileops/treewalk.h"
#include "platform/directory.h"
#include "platform/dosattr.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"

#include <algorithm>
#include <memory>

namespace dovex {

namespace {

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

} // namespace

bool DeleteOneFile(OperationState& state, const QString& path)
{
    // The attributes are read only when a question may follow (not after an
    // "All"), and left alone: a file that is kept, or that cannot be
    // deleted, stays exactly as it was (removing a name needs no permission
    // on the file itself here).
    if (!state.deleteProtectedAll && !agreeToDelete(state, path, fileio::attributes(path))) {
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

bool RemoveDirectories(const QStringList& tree)
{
    // Pre-order puts every directory before its children, so the reverse
    // order empties children before their parents in one pass.
    for (auto it = tree.crbegin(); it != tree.crend(); ++it)
        fileio::removeDirectory(*it);
    return tree.isEmpty() || !fileio::status(tree.first()).exists;
}

namespace {

// Reports the files a directory kept although they were to go; true when
// there were any.
bool reportFailures(OperationState& state, const Directory& dir,
                    const std::vector<FileRemover::Failure>& failures)
{
    for (const FileRemover::Failure& f : failures) {
        state.error(QStringLiteral("Could not delete ") + dospath::join(dir.path(), f.name));
        ++state.notDone;
    }
    return !failures.empty();
}

// Every file below dir, then each emptied subdirectory, working by names
// relative to the open directory (as rm does); the unlinks themselves run
// on the remover's threads while the walk and its questions go on. A mount
// point, a drive's root mapped inside the tree, or a directory that cannot
// be opened is left alone. False when something below dir stays.
bool deleteBelow(OperationState& state, FileRemover& remover, const std::shared_ptr<Directory>& dir,
                 int depth)
{
    // Without a question to ask the files need not be looked at one by one:
    // their kind comes from the directory listing.
    const auto items = dir->list(!state.deleteProtectedAll);
    if (!items)
        return false;
    bool kept = false;
    for (const DirItem& item : *items) {
        if (item.directory)
            continue;
        state.setLine1(item.name);
        if (!state.deleteProtectedAll &&
            !agreeToDelete(state, dospath::join(dir->path(), item.name), dir->attributes(item))) {
            ++state.notDone;
            kept = true;
        } else {
            remover.remove(dir, item.name);
        }
        ++state.doneFiles;
        ProgressInfo(state);
        if (state.checkAbort())
            return false;
    }
    for (const DirItem& item : *items) {
        if (!item.directory)
            continue;
        if (item.mountPoint || dir->childIsDriveRoot(item.name)) {
            kept = true;
            continue;
        }
        const auto child = std::make_shared<Directory>();
        if (!child->openChild(*dir, item.name)) {
            kept = true;
            continue;
        }
        // A deep tree keeps only a window of its directories open.
        const bool suspend = depth % 64 == 63;
        if (suspend) {
            if (reportFailures(state, *dir, remover.wait(*dir)))
                kept = true;
            dir->suspend();
        }
        const bool emptied = deleteBelow(state, remover, child, depth + 1);
        if (suspend && !dir->resume())
            return false;
        if (state.abortRequested)
            return false;
        if (!emptied || dir->removeDirectory(item.name) != 0)
            kept = true;
    }
    if (reportFailures(state, *dir, remover.wait(*dir)))
        kept = true;
    return !kept;
}

} // namespace

void DeleteTree(OperationState& state, const QString& directory)
{
    // The root of a drive is emptied, never removed.
    const bool root = fileio::isDriveRoot(directory);
    const auto dir = std::make_shared<Directory>();
    if (!dir->open(directory)) {
        state.warning(QStringLiteral("Cannot delete Directory"));
        ++state.notDone;
        return;
    }
    {
        FileRemover remover;
        deleteBelow(state, remover, dir, 0);
        // After an abort the files not reached yet stay.
        remover.cancel();
    }
    dir->close();
    if (state.abortRequested || root)
        return;
    if (fileio::removeDirectory(directory) != 0 && fileio::status(directory).exists) {
        state.warning(QStringLiteral("Cannot delete Directory"));
        ++state.notDone;
    }
}

bool AgreeToReplace(OperationState& state, const QString& destination,
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
    // A protected file is only ever replaced with the agreement a delete of
    // it would need.
    return state.deleteProtectedAll ||
           agreeToDelete(state, destination, fileio::attributes(destination));
}

} // namespace dovex
