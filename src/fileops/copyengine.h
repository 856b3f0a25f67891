#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace dovex {

struct FileStatus;
struct OperationState;

// Copies one file (a symbolic link is copied as a link). destination is a
// directory, a file name or a name pattern ("D:\bak\*.old"). Asks before
// replacing an existing file (unless replaceAgreed says it was asked
// already) and when the destination's free space is too small; refuses a
// destination that is the source itself. A file that replaces another is
// written under a ".$$$" name beside it and renamed over it once complete,
// so the old file survives any failure. On an abort or a failure the part
// written is kept under a free ".$$$" name. Holes of a sparse source stay
// holes. The copy gets the source's time and attributes. Returns true only
// when the whole file was written.
bool CopyOneFile(OperationState& state, const QString& source, const QString& destination,
                 bool replaceAgreed = false);

// Copies a directory with everything below it: into destination\<name> when
// destination is an existing directory, else as destination itself. Refuses
// a destination inside the source tree.
void CopyTree(OperationState& state, const QString& sourceDirectory, const QString& destination);

// The status of every directory of a tree, taken before it is worked on.
std::vector<FileStatus> DirectoryStatuses(const QStringList& tree);

// Gives every directory of a copied tree (tree as CollectDirectoryTree
// lists it below sourceDirectory, before as DirectoryStatuses took it) that
// exists under target the time and permissions its source had. Children
// come before their parents: creating entries in a directory moves its
// time, setting a child's time does not.
void CopyDirectoryTimes(const QStringList& tree, const std::vector<FileStatus>& before,
                        const QString& sourceDirectory, const QString& target);

// The size of the blocks the copy loop moves between two progress points.
// The kernel moves each block between the files; a megabyte per call keeps
// the calls few while Abort and Escape are still seen many times a second.
inline constexpr int kCopyBlock = 1024 * 1024;
// After this many blocks of a file, the blocks grow up to the largest size
// while the kernel moves them quickly.
inline constexpr int kBlocksBeforeGrowing = 8;
inline constexpr std::int64_t kLargestCopyBlock = 64 * 1024 * 1024;

} // namespace dovex
