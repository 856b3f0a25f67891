#pragma once

#include <QString>
#include <QStringList>

namespace dovex
{

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
// replaces an existing file, and deletes it. False when the destination
// stays: the answer was No, a protected file was kept or could not be
// deleted, or it is a directory (reported with directoryError).
bool ClearDestination(OperationState& state, const QString& destination,
                      const QString& directoryError, const QString& question);

} // namespace dovex
