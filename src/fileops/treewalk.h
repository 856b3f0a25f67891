#pragma once

#include "panels/panelentry.h"

#include <QStringList>

#include <cstdint>

namespace dovex {

struct OperationState;

struct Totals {
    std::int64_t bytes = 0;
    std::int64_t files = 0;
    // Directories that could not be read, left out of the counts: how
    // many, the first of them and why (errno).
    std::int64_t unreadable = 0;
    QString firstUnreadable;
    int error = 0;
};

// A directory and all its subdirectories, the start first, each followed at
// once by its own (pre-order). Symbolic links to directories are not
// entered: they are items of their directory like files. Empty when root's
// last component is "..". Mount points below root (another volume, or a
// bind mount) are left out unless crossMounts: a delete or a move never
// works on another file system than the one it started on.
QStringList CollectDirectoryTree(const QString& root, bool crossMounts = false);
// The full paths of the non-directories of one directory (files and links).
// readable, when given, tells whether the directory could be listed.
QStringList CollectFiles(const QString& directory, bool* readable = nullptr);

// Bytes and files below a directory (links count as files of no bytes),
// mount points below it left out, at any depth; what cannot be read is
// counted in unreadable.
// Without withBytes only the files are counted (a delete needs no sizes).
Totals DirectoryTotals(const QString& directory, bool withBytes = true);
// The size of a file, 0 when it is not found.
std::int64_t FileSizeOf(const QString& path);

// Fills state.totalFiles and totalBytes for what a command acts on among the
// first n entries (the marked ones, else the cursor entry; every entry but
// ".." when takeAll); clears doneFiles and doneBytes.
void SelectionTotals(OperationState& state, const QString& sourceDirectory,
                     const PanelEntries& entries, int n, int cursorIndex, bool takeAll);

} // namespace dovex
