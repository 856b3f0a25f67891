#include "platform/fileattr.h"

#include "platform/dosattr.h"
#include "platform/hostname.h"
#include "platform/uniquefd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace dovex {

namespace {

constexpr const char* kDosAttrib = "user.DOSATTRIB";
constexpr std::uint32_t kStoredBits = faHidden | faSysFile | faArchive;

// Samba writes either the text "0x20" or a binary record whose attribute word
// sits after the version fields; the text form is the one we write.
// File systems that said they keep no extended attributes: their files are
// not asked again. Few devices ever land here; a short list is enough.
std::vector<dev_t>& devicesWithoutXattrs()
{
    static std::vector<dev_t> devices;
    return devices;
}

std::optional<std::uint32_t> parseStoredBits(char* buf, ssize_t n);

// getxattrat (Linux 6.13): the attribute of a name relative to an open
// directory, without walking the whole path again.
#ifndef SYS_getxattrat
#define SYS_getxattrat 464
#endif
struct XattrArgs {
    std::uint64_t value;
    std::uint32_t size;
    std::uint32_t flags;
};

ssize_t getStoredAt(int dirFd, const char* name, char* buf, size_t size)
{
    static bool missing = false;
    if (!missing) {
        XattrArgs args{std::uint64_t(reinterpret_cast<std::uintptr_t>(buf)), std::uint32_t(size),
                       0};
        const long n = ::syscall(SYS_getxattrat, dirFd, name, AT_SYMLINK_NOFOLLOW, kDosAttrib,
                                 &args, sizeof args);
        if (n >= 0 || errno != ENOSYS)
            return ssize_t(n);
        missing = true;
    }
    errno = ENOSYS;
    return -1;
}

std::optional<std::uint32_t> readStoredBits(const char* path, dev_t device, int dirFd = -1,
                                            const char* name = nullptr)
{
    std::vector<dev_t>& without = devicesWithoutXattrs();
    // Device 0: the caller had only the mode, not a full look at the file.
    if (device != 0 && std::find(without.begin(), without.end(), device) != without.end())
        return std::nullopt;
    char buf[256];
    ssize_t n = dirFd >= 0 ? getStoredAt(dirFd, name, buf, sizeof buf - 1) : -1;
    if (dirFd < 0 || (n < 0 && errno == ENOSYS))
        n = lgetxattr(path, kDosAttrib, buf, sizeof buf - 1);
    if (n < 0 && (errno == ENOTSUP || errno == EOPNOTSUPP) && device != 0 && without.size() < 64)
        without.push_back(device);
    if (n <= 0)
        return std::nullopt;
    return parseStoredBits(buf, n);
}

std::optional<std::uint32_t> parseStoredBits(char* buf, ssize_t n)
{
    buf[n] = '\0';
    if (n > 2 && buf[0] == '0' && (buf[1] == 'x' || buf[1] == 'X')) {
        char* end = nullptr;
        const unsigned long v = std::strtoul(buf + 2, &end, 16);
        return std::uint32_t(v) & kStoredBits;
    }
    // Binary form: uint16 version (twice in versions 2 to 5), then the
    // attribute word of 32 bits, little-endian.
    if (n >= 8) {
        const auto u8 = [&](int i) { return std::uint32_t(std::uint8_t(buf[i])); };
        const std::uint32_t version = u8(0) | u8(1) << 8;
        const int at = version >= 2 && version <= 5 ? 4 : 2;
        if (n >= at + 4)
            return (u8(at) | u8(at + 1) << 8 | u8(at + 2) << 16 | u8(at + 3) << 24) & kStoredBits;
    }
    return std::nullopt;
}

} // namespace

std::uint32_t attributesOf(const QByteArray& hostPath, const struct stat& st, const QString& name)
{
    return attributesOf(hostPath, st, name, -1, nullptr);
}

std::uint32_t attributesOf(const QByteArray& hostPath, const struct stat& st, const QString& name,
                           int dirFd, const char* rawName)
{
    std::uint32_t attr = 0;
    const bool dir = S_ISDIR(st.st_mode);
    if (dir)
        attr |= faDirectory;
    if (!(st.st_mode & S_IWUSR))
        attr |= faReadOnly;
    if (const std::optional<std::uint32_t> stored =
            readStoredBits(hostPath.constData(), st.st_dev, dirFd, rawName))
        attr |= *stored;
    else if (!dir)
        attr |= faArchive;
    if (name.startsWith('.') && name != QLatin1String(".."))
        attr |= faHidden;
    return attr;
}

std::optional<std::uint32_t> fileAttributes(const QString& hostPath)
{
    const QByteArray path = hostname::encode(hostPath);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0 && ::lstat(path.constData(), &st) != 0)
        return std::nullopt;
    return attributesOf(path, st, hostPath.mid(hostPath.lastIndexOf('/') + 1));
}

Result setFileAttributes(const QString& hostPath, std::uint32_t attributes)
{
    const QByteArray path = hostname::encode(hostPath);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return Result::failure(QStringLiteral("Cannot read attributes of %1").arg(hostPath));

    const mode_t wanted = attributes & faReadOnly
                              ? st.st_mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)
                              : st.st_mode | S_IWUSR;
    if (wanted != st.st_mode && ::chmod(path.constData(), wanted & 07777) != 0)
        return Result::failure(QStringLiteral("Cannot set attributes of %1").arg(hostPath));

    const std::uint32_t current =
        attributesOf(path, st, hostPath.mid(hostPath.lastIndexOf('/') + 1));
    const std::uint32_t stored = attributes & kStoredBits;
    if ((current & kStoredBits) == stored)
        return {};
    const QByteArray text = "0x" + QByteArray::number(stored, 16);
    if (::setxattr(path.constData(), kDosAttrib, text.constData(), size_t(text.size()), 0) != 0) {
        if (errno == ENOTSUP || errno == EOPNOTSUPP)
            return Result::failure(
                QStringLiteral("The drive of %1 keeps no hidden, system or archive attributes")
                    .arg(hostPath));
        return Result::failure(QStringLiteral("Cannot set attributes of %1").arg(hostPath));
    }
    return {};
}

Result setOpenFileAttributes(int fd, std::uint32_t attributes)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return Result::failure(QStringLiteral("Cannot read attributes"));
    const mode_t wanted = attributes & faReadOnly
                              ? st.st_mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)
                              : st.st_mode | S_IWUSR;
    if (wanted != st.st_mode && ::fchmod(fd, wanted & 07777) != 0)
        return Result::failure(QStringLiteral("Cannot set attributes"));
    char buf[256];
    const ssize_t n = ::fgetxattr(fd, kDosAttrib, buf, sizeof buf - 1);
    const std::optional<std::uint32_t> current =
        n > 0 ? parseStoredBits(buf, n) : std::optional<std::uint32_t>();
    const std::uint32_t stored = attributes & kStoredBits;
    // Without the extended attribute a file reads as archive only.
    if (current ? *current == stored : stored == faArchive)
        return {};
    const QByteArray text = "0x" + QByteArray::number(stored, 16);
    if (::fsetxattr(fd, kDosAttrib, text.constData(), size_t(text.size()), 0) != 0) {
        if (errno == ENOTSUP || errno == EOPNOTSUPP)
            return Result::failure(
                QStringLiteral("The drive keeps no hidden, system or archive attributes"));
        return Result::failure(QStringLiteral("Cannot set attributes"));
    }
    return {};
}

namespace {

// The modification time of the file rawName of dirFd, through the file
// opened for writing and seen to be the one st describes; 0 or the errno.
int setTimeAt(int dirFd, const char* rawName, const struct stat& st, std::time_t when)
{
    const UniqueFd wfd(
        ::openat(dirFd, rawName, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (wfd.get() < 0)
        return errno;
    struct stat opened {};
    const struct timespec times[2] = {{0, UTIME_OMIT}, {when, 0}};
    if (::fstat(wfd.get(), &opened) != 0)
        return errno;
    if (opened.st_ino != st.st_ino || opened.st_dev != st.st_dev)
        return ENOENT; // the name was given to another file meanwhile
    return ::futimens(wfd.get(), times) != 0 ? errno : 0;
}

// fchmodat2 (Linux 6.6) changes the mode of the file an O_PATH descriptor
// holds, given an empty name.
#ifndef SYS_fchmodat2
#define SYS_fchmodat2 452
#endif

// Asked once, with a descriptor that cannot exist: EBADF says the kernel
// knows the call; ENOSYS (or a filter's EPERM) says it does not.
bool chmodThroughPathDescriptor()
{
    static const bool known =
        ::syscall(SYS_fchmodat2, -1, "", 0, AT_EMPTY_PATH) != 0 && errno == EBADF;
    return known;
}

// The mode of the file fd holds; fd is an O_PATH descriptor when pathOnly.
int changeMode(int fd, mode_t mode, bool pathOnly)
{
    const long rc =
        pathOnly ? ::syscall(SYS_fchmodat2, fd, "", mode, AT_EMPTY_PATH) : ::fchmod(fd, mode);
    return rc == 0 ? 0 : errno;
}

} // namespace

int changeAttributesAt(int dirFd, const char* rawName, const AttributeChange& change)
{
    constexpr std::uint32_t changeable = faReadOnly | kStoredBits;
    // A name beginning with a dot reads as hidden whatever is stored: such
    // files go by path, where that rule lives.
    if (rawName[0] == '.')
        return kChangeByPath;
    // The stored bits are read only when the change touches them: otherwise
    // they stay as they are and nothing is written there.
    const bool touchesStored = ((change.setMask | change.clearMask) & kStoredBits) != 0;
    // The mode alone needs no open file: an O_PATH descriptor opens nothing
    // (no device, no pipe, no read permission needed) and costs the kernel
    // less than an open for reading, yet pins the file that was looked at
    // all the same. The extended attribute needs the file opened for reading.
    const bool pathOnly = !touchesStored && chmodThroughPathDescriptor();
    const int how = pathOnly ? O_PATH : O_RDONLY | O_NONBLOCK | O_NOCTTY;
    const UniqueFd fd(::openat(dirFd, rawName, how | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0)
        return kChangeByPath;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return kChangeByPath;
    std::optional<std::uint32_t> current;
    if (touchesStored) {
        char buf[256];
        const ssize_t n = ::fgetxattr(fd.get(), kDosAttrib, buf, sizeof buf - 1);
        if (n > 0)
            current = parseStoredBits(buf, n);
    }
    const std::uint32_t old =
        (st.st_mode & S_IWUSR ? 0 : faReadOnly) | (current ? *current : faArchive);

    int error =
        change.setTime && !(old & faReadOnly) ? setTimeAt(dirFd, rawName, st, change.when) : 0;
    const std::uint32_t wanted =
        (old & ~(change.clearMask & changeable)) | (change.setMask & changeable);
    if (wanted != old) {
        const mode_t mode = wanted & faReadOnly ? st.st_mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)
                                                : st.st_mode | S_IWUSR;
        const int modeError = mode == st.st_mode ? 0 : changeMode(fd.get(), mode & 07777, pathOnly);
        if (modeError && !error)
            error = modeError;
        const std::uint32_t stored = wanted & kStoredBits;
        if (!modeError && touchesStored && (current ? *current != stored : stored != faArchive)) {
            const QByteArray text = "0x" + QByteArray::number(stored, 16);
            if (::fsetxattr(fd.get(), kDosAttrib, text.constData(), size_t(text.size()), 0) != 0 &&
                !error)
                error = errno;
        }
    }
    return error;
}

} // namespace dovex
