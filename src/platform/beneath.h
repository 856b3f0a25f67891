#pragma once

#include "platform/uniquefd.h"

#include <QByteArray>
#include <QByteArrayList>

#include <sys/types.h>

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

namespace dovex {

// The one way to write beneath a directory what an untrusted source (an
// archive, or an archiver's scratch directory) names. Every path is a list
// of relative name bytes; the kernel resolves it beneath the root's
// descriptor (openat2 with RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS), so a
// path that would leave the root is refused whatever links it meets on the
// way. Where the kernel lacks openat2 the walk goes step by step and never
// follows a link at all. Nothing is ever created in a forbidden directory
// (the program's and the settings' directories), told by identity, not by
// name. Every call returns a descriptor or -errno; a path that leaves the
// root gives -EXDEV, a forbidden directory -EPERM.
class BeneathRoot {
public:
    BeneathRoot() = default;
    // Takes a descriptor of the root directory.
    explicit BeneathRoot(UniqueFd root);
    BeneathRoot(BeneathRoot&&) = default;
    BeneathRoot& operator=(BeneathRoot&&) = default;

    // Opens a host directory as the root; false when it is no directory.
    bool open(const QByteArray& hostDir);
    bool isOpen() const { return m_root.get() >= 0; }
    int descriptor() const { return m_root.get(); }

    // Directories in which nothing may be created, however they are reached.
    void forbid(const QByteArray& hostDir);

    // The directory at parts beneath the root, opened for use as the parent
    // of new items. With create, missing directories are made with mode
    // (umask applies); a directory that was there keeps its mode and times.
    // An empty parts is the root itself. made, when given, receives how
    // many of the last parts this call created (0 when all were there).
    int openDirectory(const QByteArrayList& parts, bool create, mode_t mode,
                      qsizetype* made = nullptr) const;

    // A new file leaf in dir (a descriptor from openDirectory), created
    // exclusively: never an existing file or a link. Returns the write fd.
    static int createFile(int dir, const QByteArray& leaf, mode_t mode);

    // A symbolic link at parts with the target text. Once made it must
    // resolve beneath the root (the kernel is asked, following it);
    // otherwise it is removed again and -EXDEV returned. A link that
    // resolves to nothing yet is kept. Every link made is looked at again by
    // recheckLinks. dir is the link's parent, opened by openDirectory.
    int makeSymlink(int dir, const QByteArrayList& parts, const QByteArray& target);

    // The same look at a link that is already at parts (renamed in from a
    // scratch directory): 0 when it may stay (looked at again by
    // recheckLinks), -EXDEV or -ELOOP when it leads out. Unlike makeSymlink
    // it leaves the link where it is: the caller removes it, or puts back
    // what it replaced.
    int checkSymlink(int dir, const QByteArrayList& parts);

    // Looks again at every link made by this root: later items may have
    // given one a way out (a link it leads through, made or replaced after
    // it). Each that now leaves the root is removed. Returns the paths
    // removed.
    std::vector<QByteArrayList> recheckLinks();

    // A link made by makeSymlink under a temporary name was renamed to to
    // (in the same directory): recheckLinks looks at it there.
    void linkRenamed(const QByteArrayList& from, const QByteArrayList& to);

    // Whether the item at parts, followed through links, stays beneath the
    // root: 0, -EXDEV when it leaves, -ENOENT when it leads to nothing.
    int resolvesBeneath(const QByteArrayList& parts) const;

    // True when openat2 is used (Linux 5.6 and later).
    static bool kernelGuards();
    // Makes the walk without openat2 stand in for it (tests of old kernels).
    static void setKernelGuardsForTesting(bool on);

private:
    int openBeneath(const QByteArray& path, int flags, bool follow) const;
    int walkWithoutLinks(const QByteArrayList& parts, int flags) const;
    bool forbidden(int dirFd) const;

    UniqueFd m_root;
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_forbidden;
    std::vector<QByteArrayList> m_links;
};

// Joins relative name bytes with '/'.
QByteArray joinParts(const QByteArrayList& parts);

// A fresh name for an item on its way in beneath a root, before it takes
// its own: ".dvx<random>.$$$". Created exclusively, it never meets a name
// already there; a caller tries again on EEXIST.
QByteArray temporaryLeaf();

} // namespace dovex
