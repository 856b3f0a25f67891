#pragma once

#include "platform/result.h"

#include <QString>

#include <cstdint>
#include <ctime>
#include <sys/stat.h>

namespace dovex {

// The classic attribute bits of a host file. Read-only is the missing owner
// write permission; hidden is a leading "." or the stored bit; hidden, system
// and archive are kept in the extended attribute user.DOSATTRIB (Samba's form).
// Without that attribute a file reports the archive bit and no system bit.
std::uint32_t attributesOf(const QByteArray& hostPath, const struct stat& st, const QString& name);
// Same, for the item rawName of the open directory dirFd (hostPath names
// the same item for a kernel that cannot look up attributes relative to a
// directory).
std::uint32_t attributesOf(const QByteArray& hostPath, const struct stat& st, const QString& name,
                           int dirFd, const char* rawName);
// Same, for a path that is looked up first; nullopt when it does not exist.
std::optional<std::uint32_t> fileAttributes(const QString& hostPath);

// Sets the bits: read-only through the permissions, the others in
// user.DOSATTRIB. Fails with a clear message where the file system keeps no
// extended attributes and a bit other than read-only would change.
Result setFileAttributes(const QString& hostPath, std::uint32_t attributes);

// Same, for a file held open (for reading is enough): nothing is looked up
// by name, so a name swapped meanwhile changes nothing.
Result setOpenFileAttributes(int fd, std::uint32_t attributes);

// A change of the four classic bits and, optionally, of the modification
// time, as File Properties makes it to every file of a tree.
struct AttributeChange {
    std::uint32_t setMask = 0; // among read-only, hidden, system, archive
    std::uint32_t clearMask = 0;
    bool setTime = false;
    std::time_t when = 0;
};

// Makes change to the plain file rawName of the open directory dirFd, opened
// relative to it without following a link: first the time (through the file
// opened for writing; a read-only file keeps its time), then the bits (a
// file whose bits cannot be set keeps them). The result is the same as
// setting them by path. kChangeByPath, with nothing changed, when the item
// is not a plain file there or cannot be opened: the caller then
// goes by its path. Else 0, or the errno of the first change that could not
// be made.
inline constexpr int kChangeByPath = -1;
int changeAttributesAt(int dirFd, const char* rawName, const AttributeChange& change);

} // namespace dovex
