#pragma once

#include <QString>

namespace dovex {

struct OperationState;

// Moves one file (or link): a rename on the same drive, a copy followed by
// the deletion of the source across drives or file systems (the source goes
// only after its copy completed). destination as for CopyOneFile. Returns
// true when the file now lives at the destination only.
bool MoveOneFile(OperationState& state, const QString& source, const QString& destination);

// Moves a directory tree file by file into destination (as CopyTree places
// it) and removes the emptied source directories.
void MoveTree(OperationState& state, const QString& sourceDirectory, const QString& destination);

// A selected directory of a move: renamed in one step on the same drive when
// the destination is free, else moved with MoveTree.
void MoveDirectory(OperationState& state, const QString& sourceDirectory,
                   const QString& destination);

} // namespace dovex
