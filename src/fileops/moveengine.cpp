#include "fileops/moveengine.h"

#include "fileops/copyengine.h"
#include "fileops/deleteengine.h"
#include "fileops/operationstate.h"
#include "fileops/pathrules.h"
#include "fileops/treewalk.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"

#include <cerrno>

namespace dovex {

namespace {

bool sameDrive(const QString& a, const QString& b)
{
    return a.left(2).compare(b.left(2), Qt::CaseInsensitive) == 0;
}

bool skip(OperationState& state)
{
    ++state.notDone;
    return false;
}

// The source goes only once its copy is complete.
bool moveByCopy(OperationState& state, const QString& source, const QString& destination,
                bool replaceAgreed = false)
{
    if (!CopyOneFile(state, source, destination, replaceAgreed))
        return false;
    return DeleteOneFile(state, source);
}

// Where a tree lands: inside destination when that is a directory.
QString treeTarget(const QString& sourceDirectory, const QString& destination)
{
    return fileio::status(destination, true).directory
               ? appendName(destination, dospath::fileName(sourceDirectory))
               : destination;
}

} // namespace

bool MoveOneFile(OperationState& state, const QString& source, const QString& destinationIn)
{
    QString destination = ApplyWildcardName(destinationIn, source);
    state.setLine1(dospath::fileName(source));
    state.setLine2(QStringLiteral("To ") + destination);
    if (fileio::status(destination, true).directory)
        destination = appendName(destination, dospath::fileName(source));

    if (destination == source || fileio::sameFile(source, destination)) {
        state.warning(QStringLiteral("Cannot move to itself"));
        return skip(state);
    }
    if (!sameDrive(source, destination))
        return moveByCopy(state, source, destination);

    const bool replacing = fileio::status(destination).exists;
    if (!AgreeToReplace(state, destination, QStringLiteral("Move error File ") + source,
                        QStringLiteral(" Exists, Overwrite?")))
        return skip(state);
    // Replacing is one rename over the old file: it stays until the source
    // has taken its place, and stays as it was when the rename is refused.
    const int rc = replacing ? fileio::rename(source, destination)
                             : fileio::renameNoReplace(source, destination);
    if (rc == EXDEV) // one drive, two file systems
        return moveByCopy(state, source, destination, true);
    ++state.doneFiles;
    ProgressInfo(state);
    if (rc != 0) {
        state.error(QStringLiteral("Move error File ") + source);
        return skip(state);
    }
    return true;
}

void MoveTree(OperationState& state, const QString& sourceDirectory, const QString& destination)
{
    if (fileio::isDriveRoot(sourceDirectory)) {
        state.warning(QStringLiteral("Cannot move the root of a drive"));
        ++state.notDone;
        return;
    }
    const QString target = treeTarget(sourceDirectory, destination);
    if (fileio::isInside(target, sourceDirectory)) {
        state.warning(QStringLiteral("Cannot move to itself"));
        ++state.notDone;
        return;
    }
    const QStringList tree = CollectDirectoryTree(sourceDirectory);
    const std::vector<FileStatus> before = DirectoryStatuses(tree);
    for (const QString& dir : tree) {
        const QString targetDir = target + dir.mid(sourceDirectory.size());
        if (!fileio::status(targetDir, true).directory)
            fileio::makeDirectories(targetDir);
        const QStringList files = CollectFiles(dir);
        if (!fileio::status(targetDir, true).directory) {
            state.error(QStringLiteral("Move error File ") + dir);
            state.notDone += int(files.size());
            continue;
        }
        for (const QString& file : files) {
            if (state.checkAbort())
                break;
            MoveOneFile(state, file, appendName(targetDir, dospath::fileName(file)));
        }
        if (state.abortRequested)
            break;
    }
    CopyDirectoryTimes(tree, before, sourceDirectory, target);
    if (!state.abortRequested)
        RemoveDirectories(tree);
    if (fileio::status(sourceDirectory).exists) {
        state.warning(QStringLiteral("Cannot delete Directory"));
        ++state.notDone;
    }
}

void MoveDirectory(OperationState& state, const QString& sourceDirectory,
                   const QString& destination)
{
    // A drive's root stays where it is, and so does what is in it: moving
    // its contents away file by file would empty the drive behind a refusal.
    if (fileio::isDriveRoot(sourceDirectory)) {
        state.warning(QStringLiteral("Cannot move the root of a drive"));
        ++state.notDone;
        return;
    }
    if (sameDrive(sourceDirectory, destination) && !fileio::status(destination).exists) {
        if (fileio::isInside(destination, sourceDirectory)) {
            state.warning(QStringLiteral("Cannot move to itself"));
            ++state.notDone;
            return;
        }
        fileio::makeDirectories(dospath::directoryPart(destination));
        // Never onto an existing name: an empty directory there would be
        // replaced instead of receiving the source.
        if (fileio::renameNoReplace(sourceDirectory, destination) == 0) {
            ProgressInfo(state);
            return;
        }
    }
    MoveTree(state, sourceDirectory, destination);
}

} // namespace dovex
