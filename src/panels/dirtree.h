#pragma once

#include <QChar>
#include <QString>

#include <functional>
#include <vector>

namespace dovex {

// One directory of a drive's tree.
struct TreeDirectory {
    QString path;            // drive-letter path, "C:\work\notes"
    int depth = 1;           // 1 for a directory in the drive's root
    bool unreadable = false; // could not be listed: shown without children
    bool link = false;       // a symbolic link to a directory: shown, never entered
    bool mountPoint = false; // another volume mounted here: shown, never entered
};

struct DirectoryTree {
    // Every directory below the root in pre-order, the subdirectories of
    // each directory sorted by name (case-insensitive, then by code unit),
    // each directory followed at once by its own subdirectories.
    std::vector<TreeDirectory> directories;
    bool complete = true; // false when the read was stopped
    bool rootReadable = true;
};

// Called for every directory entered with its path and the number of
// directories found so far; returns false to stop the read.
using TreeProgress = std::function<bool(const QString& path, int found)>;

// Reads the whole directory tree of a drive through the drive map. Names
// beginning with a dot are listed like any other; a symbolic link to a
// directory and a mount point of another volume are listed but never
// entered, and no directory is entered twice (device and inode), so loops
// and links to "/" end. A read that is stopped keeps what it found.
DirectoryTree ReadDirectoryTree(QChar drive, const TreeProgress& progress = {});

// The order of sibling names in the tree.
bool treeNameLess(const QString& a, const QString& b);

} // namespace dovex
