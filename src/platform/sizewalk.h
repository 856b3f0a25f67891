#pragma once

#include "platform/directory.h"
#include "platform/uniquefd.h"

#include <QString>

#include <cstdint>
#include <dirent.h>
#include <string>
#include <utility>
#include <vector>

namespace dovex {

// The subdirectories of one directory that a size walk enters: names and
// devices.
using SizeSubdirs = std::vector<std::pair<std::string, std::uint64_t>>;

// Counts the items of the directory read through dir (dirFd its
// descriptor) into out and collects its subdirectories on this file system
// (device 0: any). False when the directory could not be read to its end.
bool SumSizeLevel(DIR* dir, int dirFd, std::uint64_t device, bool withBytes, TreeSize& out,
                  SizeSubdirs& subdirs);

// The walk of Directory::treeSize below one directory, depth first. Every
// directory is opened relative to its parent, never by a path, so a name
// swapped for a link is never followed. Only the deepest few levels keep
// their descriptors: an ancestor given up is taken again through ".." of
// its child, checked by device and inode, so a tree of any depth is walked
// within a small number of descriptors. A directory that cannot be opened
// or read is counted as unreadable and the walk goes on beside it; a way
// back that no longer leads to the same directory ends the walk, reported
// the same way.
class SizeWalk {
public:
    SizeWalk(bool withBytes, TreeSize& out) : m_withBytes(withBytes), m_out(out) {}
    SizeWalk(const SizeWalk&) = delete;
    SizeWalk& operator=(const SizeWalk&) = delete;

    // Everything below the directory open at fd, path its drive-letter
    // path, device its file system.
    void walk(UniqueFd fd, std::uint64_t device, const QString& path);

private:
    struct Level {
        UniqueDir dir;     // its listing, while its descriptor is kept
        UniqueFd reopened; // taken up again through ".." of a child
        int fd() const { return dir ? ::dirfd(dir.get()) : reopened.get(); } // -1: given up
        std::uint64_t dev = 0;
        std::uint64_t ino = 0;
        std::uint64_t device = 0; // the file system its subdirectories must be on
        std::string name;         // its name in its parent
        SizeSubdirs subdirs;
        size_t next = 0;
    };

    void enter(UniqueFd fd, std::uint64_t device, const std::string& name);
    bool leave();
    void giveUpAncestor();
    void unreadable(const std::string& name, int error);
    static void close(Level& level);

    bool m_withBytes;
    TreeSize& m_out;
    QString m_path;
    std::vector<Level> m_levels;
};

} // namespace dovex
