#pragma once

#include <QString>
#include <QStringList>

namespace dovex {

struct OperationState;

// Deletes one file, asking first when it is a system, hidden or read-only
// file (unless an earlier "All" holds). A symbolic link is deleted itself.
// Returns true when the file is gone.
bool DeleteOneFile(OperationState& state, const QString& path);

// Deletes a directory tree file by file and removes its directories; ends
// with "Cannot delete Directory" when the directory is still there.
void DeleteTree(OperationState& state, const QString& directory);

// Removes the directories of a tree list (pre-order) that are empty, the
// deepest first. Returns true when the first of them (the root) is gone.
bool RemoveDirectories(const QStringList& tree);

// Asks "File <destination><question>" (Yes, No, All) before a copy or move
// replaces an existing file, then the protected-file questions a delete of
// it would ask. True when nothing is in the way or the person agreed; false
// when the destination must stay (No, a protected file kept, or a directory,
// reported with directoryError). Nothing is deleted here: the caller puts
// the new file in the old one's place only once it has arrived whole.
bool AgreeToReplace(OperationState& state, const QString& destination,
                    const QString& directoryError, const QString& question);

} // namespace dovex
