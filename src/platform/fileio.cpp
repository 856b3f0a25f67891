#include "platform/fileio.h"

#include "platform/directory.h"
#include "platform/dosattr.h"
#include "platform/drivemap.h"
#include "platform/fileattr.h"
#include "platform/hostname.h"
#include "platform/pagememory.h"
#include "platform/slowdrive.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <utility>

namespace dovex {

namespace {

// Files up to this size are read without asking for a larger read-ahead.
constexpr off_t kSequentialFrom = 1 << 20;

struct Fault {
    FileFault fault;
    QString suffix;
    std::int64_t afterBytes;
};

std::vector<Fault>& faults()
{
    static std::vector<Fault> list;
    return list;
}

QByteArray hostName(const QString& dosPath)
{
    const std::optional<QString> host = DriveMap::instance().toHost(dosPath);
    return host ? hostname::encode(*host) : QByteArray();
}

FileStatus fromStat(const struct stat& st)
{
    FileStatus s;
    s.exists = true;
    s.directory = S_ISDIR(st.st_mode);
    s.symlink = S_ISLNK(st.st_mode);
    s.regular = S_ISREG(st.st_mode);
    s.size = s.regular ? std::int64_t(st.st_size) : 0;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.mode = st.st_mode;
    s.accessed = st.st_atim;
    s.modified = st.st_mtim;
    return s;
}

int lastError()
{
    return errno ? errno : EIO;
}

} // namespace

File::~File()
{
    close();
}

File::File(File&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_errno(other.m_errno), m_path(std::move(other.m_path)),
      m_position(other.m_position), m_kernelCopy(other.m_kernelCopy),
      m_cloneTried(other.m_cloneTried), m_sparse(other.m_sparse), m_sparseSize(other.m_sparseSize),
      m_fuse(other.m_fuse), m_opened(other.m_opened), m_createMode(other.m_createMode),
      m_dirDevice(other.m_dirDevice), m_exactMode(other.m_exactMode)
{
}

void File::injectFault(FileFault fault, const QString& pathSuffix, std::int64_t afterBytes)
{
    faults().push_back({fault, pathSuffix, afterBytes});
}

void File::clearFaults()
{
    faults().clear();
}

bool File::faulty(FileFault fault, std::int64_t position) const
{
    for (const Fault& f : faults())
        if (f.fault == fault && position >= f.afterBytes &&
            m_path.endsWith(f.suffix, Qt::CaseInsensitive))
            return true;
    return false;
}

bool File::openRead(const QString& dosPath)
{
    return openForReading(dosPath, O_RDONLY | O_CLOEXEC);
}

bool File::openReadPlain(const QString& dosPath)
{
    return openForReading(dosPath, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
}

bool File::openForReading(const QString& dosPath, int flags)
{
    close();
    m_path = dosPath;
    // A path the drive map has no place for is the empty name, which the
    // kernel refuses (ENOENT).
    return openHostForReading(AT_FDCWD, hostName(dosPath).constData(), flags);
}

bool File::openReadPlainAt(int dirFd, const char* rawName, QString dosPath)
{
    close();
    m_path = std::move(dosPath);
    return openHostForReading(dirFd, rawName,
                              O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
}

bool File::openHostForReading(int dirFd, const char* host, int flags)
{
    m_position = 0;
    m_sparse = false;
    m_opened = {};
    if (faulty(FileFault::OpenRead, 0)) {
        m_errno = EACCES;
        return false;
    }
    m_fd = ::openat(dirFd, host, flags);
    m_errno = m_fd < 0 ? lastError() : 0;
    if (m_fd < 0)
        return false;
    struct stat st {};
    const bool known = ::fstat(m_fd, &st) == 0;
    m_opened = known ? fromStat(st) : FileStatus{};
    // A larger read-ahead pays only where there is much to read ahead.
    if (!known || st.st_size > kSequentialFrom)
        ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    // Fewer blocks than bytes: the file has holes worth keeping.
    if (known && S_ISREG(st.st_mode) &&
        std::int64_t(st.st_blocks) * 512 < std::int64_t(st.st_size)) {
        m_sparse = true;
        m_sparseSize = std::int64_t(st.st_size);
    }
    return true;
}

bool File::create(const QString& dosPath, unsigned mode)
{
    close();
    m_path = dosPath;
    // A path the drive map has no place for is the empty name, which the
    // kernel refuses (ENOENT).
    return createHost(AT_FDCWD, hostName(dosPath).constData(), mode, 0);
}

bool File::createAt(int dirFd, const char* rawName, QString dosPath, unsigned mode,
                    std::uint64_t dirDevice)
{
    close();
    m_path = std::move(dosPath);
    return createHost(dirFd, rawName, mode, dirDevice);
}

bool File::createHost(int dirFd, const char* host, unsigned mode, std::uint64_t dirDevice)
{
    m_position = 0;
    m_cloneTried = false;
    m_opened = {};
    m_createMode = int(mode & 0777);
    m_exactMode = -1;
    m_dirDevice = dirDevice;
    if (faulty(FileFault::Create, 0)) {
        m_errno = EACCES;
        return false;
    }
    m_fd = ::openat(dirFd, host, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode_t(mode & 0777));
    m_errno = m_fd < 0 ? lastError() : 0;
    return m_fd >= 0;
}

void File::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_fuse = -1;
}

std::int64_t File::read(char* buffer, std::int64_t n)
{
    if (faulty(FileFault::Read, m_position)) {
        m_errno = EIO;
        return -1;
    }
    ssize_t got;
    do
        got = ::read(m_fd, buffer, size_t(n));
    while (got < 0 && errno == EINTR);
    if (got < 0) {
        m_errno = lastError();
        return -1;
    }
    m_position += got;
    return got;
}

std::int64_t File::holeAhead(std::int64_t n, std::int64_t& limit)
{
    const off_t at = off_t(m_position);
    off_t data = ::lseek(m_fd, at, SEEK_DATA);
    if (data < 0 && errno == ENXIO) {
        // Nothing but a hole up to the end, or the end itself (a file that
        // shrank is read as such).
        struct stat st {};
        data = ::fstat(m_fd, &st) == 0 ? std::min<off_t>(st.st_size, off_t(m_sparseSize)) : at;
    } else if (data < 0) {
        m_sparse = false; // the file system cannot tell: every byte is read
        data = at;
    }
    if (data > at)
        return std::min<std::int64_t>(n, std::int64_t(data - at));
    const off_t hole = m_sparse ? ::lseek(m_fd, at, SEEK_HOLE) : -1;
    if (hole > at)
        limit = std::min<std::int64_t>(limit, std::int64_t(hole - at));
    return 0;
}

std::int64_t File::readData(char* buffer, std::int64_t n, bool& hole)
{
    hole = false;
    if (!m_sparse || m_position >= m_sparseSize || faulty(FileFault::Read, m_position))
        return read(buffer, n);
    const std::int64_t skip = holeAhead(n, n);
    m_position += skip;
    if (::lseek(m_fd, off_t(m_position), SEEK_SET) < 0) {
        m_errno = lastError();
        return -1;
    }
    if (skip == 0)
        return read(buffer, n);
    hole = true;
    return skip;
}

bool File::writeHole(std::int64_t n)
{
    if (faulty(FileFault::Write, m_position)) {
        m_errno = EIO;
        return false;
    }
    const off_t end = off_t(m_position + n);
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || (st.st_size < end && ::ftruncate(m_fd, end) != 0) ||
        ::lseek(m_fd, end, SEEK_SET) < 0) {
        m_errno = lastError();
        return false;
    }
    m_position += n;
    return true;
}

std::int64_t File::rawWrite(const char* buffer, std::int64_t n)
{
    std::int64_t done = 0;
    while (done < n) {
        const ssize_t put = ::write(m_fd, buffer + done, size_t(n - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0) {
            m_errno = lastError();
            // A full disk after some bytes went out is a short write.
            return done > 0 && m_errno == ENOSPC ? done : -1;
        }
        if (put == 0)
            break;
        done += put;
    }
    return done;
}

std::int64_t File::write(const char* buffer, std::int64_t n)
{
    if (faulty(FileFault::Write, m_position)) {
        m_errno = EIO;
        return -1;
    }
    if (faulty(FileFault::ShortWrite, m_position))
        n /= 2;
    const std::int64_t put = rawWrite(buffer, n);
    if (put > 0)
        m_position += put;
    return put;
}

bool File::skipHole(File& source, Transfer& t)
{
    const off_t at = off_t(source.m_position);
    const off_t data = ::lseek(source.m_fd, at, SEEK_DATA);
    if (data == at)
        return false;
    // A hole up to the next data, or up to the end when no data follows.
    const off_t end = data >= 0 ? data : off_t(source.m_sparseSize);
    if (data < 0 && errno != ENXIO) {
        source.m_sparse = false; // the file system cannot tell: copy every byte
        ::lseek(source.m_fd, at, SEEK_SET);
        return false;
    }
    if (end <= at)
        return false;
    const std::int64_t skip = std::int64_t(end - at);
    if (::lseek(source.m_fd, end, SEEK_SET) < 0 ||
        ::lseek(m_fd, off_t(m_position + skip), SEEK_SET) < 0 ||
        (data < 0 && ::ftruncate(m_fd, off_t(m_position + skip)) != 0)) {
        m_errno = source.m_errno = lastError();
        t.failed = true;
        return true;
    }
    source.m_position += skip;
    m_position += skip;
    t.read = t.written = skip;
    return true;
}

namespace {

constexpr unsigned long kFuseMagic = 0x65735546UL;

// What one read of a file on FUSE moves: the readahead window the kernel
// gives a FUSE mount, and cp's block. A read of megabytes waits for every
// request it makes of the mount's daemon before a byte is written, where a
// read within the window returns while readahead keeps the daemon busy; off
// a gvfs share that made large blocks a third slower than cp.
constexpr std::int64_t kFuseBlock = 128 * 1024;
// The largest request the kernel sends a FUSE daemon (256 pages). Writes in
// larger blocks sped SMB over gvfs up but slowed SFTP down, so the copy
// loop grows them only while they prove faster.
constexpr std::int64_t kLargestFuseWrite = 1024 * 1024;

} // namespace

namespace {

// What a thread learnt about the last few places it copied from or into:
// directories (their drive-letter paths), or file systems by their device,
// where a file's device is known. The files of one directory are on one
// file system, so a tree copy asks once per file system, or at worst once
// per directory, rather than once per file; should a file be mounted over
// one of them, only the speed of its copy suffers.
template <typename Key, typename Answer> class Memo {
public:
    // The answer kept for a place, or for a pair of them.
    template <typename Look> const Answer* find(const Look& key, const Look& second = {}) const
    {
        for (const Entry& e : m_entries)
            if (e.used && e.key == key && e.second == second)
                return &e.answer;
        return nullptr;
    }
    template <typename Look> void keep(const Look& key, const Look& second, Answer answer)
    {
        m_entries[m_next] = {stored(key), stored(second), answer, true};
        m_next = (m_next + 1) % m_entries.size();
    }

private:
    static QString stored(QStringView key) { return key.toString(); }
    static std::uint64_t stored(std::uint64_t key) { return key; }

    struct Entry {
        Key key{};
        Key second{};
        Answer answer{};
        bool used = false;
    };
    std::array<Entry, 4> m_entries;
    std::size_t m_next = 0;
};

// The directory a file's drive-letter path names it in, for a memo's key:
// no copy of the path per file.
QStringView directoryOf(const QString& path)
{
    const qsizetype cut = path.lastIndexOf(u'\\');
    return cut < 0 ? QStringView(path) : QStringView(path).left(std::max<qsizetype>(cut, 3));
}

} // namespace

bool File::onFuse() const
{
    if (m_fuse >= 0)
        return m_fuse > 0;
    thread_local Memo<QString, bool> byDirectory;
    thread_local Memo<std::uint64_t, bool> byDevice;
    const std::uint64_t device = knownDevice();
    const QStringView dir = directoryOf(m_path);
    if (const bool* fuse = device ? byDevice.find(device) : byDirectory.find(dir)) {
        m_fuse = *fuse;
        return m_fuse > 0;
    }
    struct statfs fs {};
    m_fuse = m_fd >= 0 && ::fstatfs(m_fd, &fs) == 0 && (unsigned long)fs.f_type == kFuseMagic;
    if (m_fd >= 0 && device)
        byDevice.keep(device, std::uint64_t(0), m_fuse > 0);
    else if (m_fd >= 0)
        byDirectory.keep(dir, QStringView(), m_fuse > 0);
    return m_fuse > 0;
}

bool File::copiedByteByByte() const
{
    constexpr unsigned long kExt = 0xEF53;
    constexpr unsigned long kTmpfs = 0x01021994;
    struct statfs fs {};
    return m_fd >= 0 && ::fstatfs(m_fd, &fs) == 0 &&
           ((unsigned long)fs.f_type == kExt || (unsigned long)fs.f_type == kTmpfs);
}

File::FuseBlocks File::fuseBlocks(const File& source) const
{
    if (source.onFuse())
        return {kFuseBlock, kFuseBlock};
    return onFuse() ? FuseBlocks{kFuseBlock, kLargestFuseWrite} : FuseBlocks{};
}

// A sparse source is copied one data extent at a time, and its holes stay
// holes: a 5 GiB file with little data stays small on disk.
bool File::sparseStep(File& source, std::int64_t& n, Transfer& t)
{
    if (source.m_position >= source.m_sparseSize) {
        source.m_sparse = false;
        return false;
    }
    if (skipHole(source, t))
        return true;
    if (source.m_sparse) {
        const off_t hole = ::lseek(source.m_fd, off_t(source.m_position), SEEK_HOLE);
        ::lseek(source.m_fd, off_t(source.m_position), SEEK_SET);
        if (hole > off_t(source.m_position))
            n = std::min<std::int64_t>(n, std::int64_t(hole) - source.m_position);
    }
    return false;
}

// A file system that shares extents (btrfs, xfs) clones the whole file at
// once, as cp does; the others say no at the first try.
bool File::cloneWhole(File& source, Transfer& t)
{
    m_cloneTried = true;
    // A file system that cannot share extents between two directories says
    // so for every file of them: it is not asked again.
    thread_local Memo<QString, bool> refused;
    thread_local Memo<std::uint64_t, bool> refusedOnDevices;
    const QStringView from = directoryOf(source.m_path);
    const QStringView to = directoryOf(m_path);
    const std::uint64_t fromDevice = source.knownDevice();
    const std::uint64_t toDevice = knownDevice();
    const bool byDevice = fromDevice != 0 && toDevice != 0;
    if (byDevice ? refusedOnDevices.find(fromDevice, toDevice) != nullptr
                 : refused.find(from, to) != nullptr)
        return false;
    struct stat st {};
    if (::fstat(source.m_fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0)
        return false;
    if (::ioctl(m_fd, FICLONE, source.m_fd) != 0) {
        if (errno == EOPNOTSUPP || errno == ENOTTY || errno == EXDEV || errno == EINVAL) {
            if (byDevice)
                refusedOnDevices.keep(fromDevice, toDevice, true);
            else
                refused.keep(from, to, true);
        }
        return false;
    }
    ::lseek(source.m_fd, st.st_size, SEEK_SET);
    ::lseek(m_fd, st.st_size, SEEK_SET);
    source.m_position = m_position = std::int64_t(st.st_size);
    t.read = t.written = std::int64_t(st.st_size);
    return true;
}

bool File::kernelCopy(File& source, std::int64_t n, Transfer& t)
{
    const ssize_t moved = ::copy_file_range(source.m_fd, nullptr, m_fd, nullptr, size_t(n), 0);
    if (moved >= 0) {
        source.m_position += moved;
        m_position += moved;
        t.read = t.written = moved;
        return true;
    }
    // Not between these two files (another file system kind, an old
    // kernel): plain reads and writes from now on.
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
        errno != EBADF) {
        m_errno = source.m_errno = lastError();
        t.failed = true;
        return true;
    }
    m_kernelCopy = false;
    return false;
}

namespace {

// The buffer of plain copies, one per thread (files are copied on several
// threads at once), on a page: a fifth of a copy's processor time off a
// network drive went to the kernel's copies into a buffer that was not.
class PageBuffer {
public:
    // At least n bytes, or nullptr when the memory is not there.
    char* get(std::size_t n)
    {
        if (n > m_size) {
            m_data.reset();
            m_data = allocatePages(n, &m_size);
        }
        return m_data.get();
    }

private:
    PageMemory m_data;
    std::size_t m_size = 0;
};

} // namespace

void File::bufferCopy(File& source, std::int64_t n, Transfer& t)
{
    thread_local PageBuffer pages;
    char* const buffer = pages.get(size_t(n));
    if (!buffer) {
        m_errno = ENOMEM;
        t.failed = true;
        return;
    }
    t.read = source.read(buffer, n);
    if (t.read < 0) {
        m_errno = source.m_errno;
        t.read = 0;
        t.failed = t.readFailed = true;
        return;
    }
    if (t.read == 0)
        return;
    t.written = write(buffer, t.read);
    if (t.written < 0) {
        t.written = 0;
        t.failed = true;
    }
}

File::Transfer File::transfer(File& source, std::int64_t n)
{
    Transfer t;
    if (source.m_sparse && sparseStep(source, n, t))
        return t;
    const bool hooked = !faults().empty();
    // A FUSE file system (a network drive) answers copy_file_range through
    // the kernel's page-by-page fallback: plain reads and writes keep to
    // the mount's speed, as cp does.
    if (m_kernelCopy && !m_cloneTried && (onFuse() || source.onFuse()))
        m_kernelCopy = false;
    if (m_kernelCopy && !hooked && m_position == 0 && source.m_position == 0 && !m_cloneTried &&
        cloneWhole(source, t))
        return t;
    if (m_kernelCopy && !hooked && kernelCopy(source, n, t))
        return t;
    bufferCopy(source, n, t);
    return t;
}

std::int64_t File::size() const
{
    struct stat st {};
    return m_fd >= 0 && ::fstat(m_fd, &st) == 0 ? std::int64_t(st.st_size) : 0;
}

FileStatus File::status() const
{
    struct stat st {};
    return m_fd >= 0 && ::fstat(m_fd, &st) == 0 ? fromStat(st) : FileStatus{};
}

void File::copyMetadataFrom(const File& source, const FileStatus& sourceStatus)
{
    if (m_fd < 0)
        return;
    const timespec times[2] = {sourceStatus.accessed, sourceStatus.modified};
    ::futimens(m_fd, times);
    // A file system that keeps no extended attributes says so once; its
    // files are not asked again.
    thread_local std::vector<std::uint64_t> withoutXattrs;
    const bool asks = source.m_fd >= 0 && std::find(withoutXattrs.begin(), withoutXattrs.end(),
                                                    sourceStatus.device) == withoutXattrs.end();
    char stored[256];
    const ssize_t n = asks ? ::fgetxattr(source.m_fd, "user.DOSATTRIB", stored, sizeof stored) : -1;
    if (n > 0)
        ::fsetxattr(m_fd, "user.DOSATTRIB", stored, size_t(n), 0);
    else if (asks && (errno == ENOTSUP || errno == EOPNOTSUPP))
        withoutXattrs.push_back(sourceStatus.device);
    // A file created with the mode it is to have needs no change: a look
    // costs far less than a change, which the file system journals, and no
    // look is needed where the creator knows what the file got.
    const int wanted = int(sourceStatus.mode & 07777);
    if (m_exactMode == wanted)
        return;
    struct stat now {};
    if (::fstat(m_fd, &now) != 0 || int(now.st_mode & 07777) != wanted)
        ::fchmod(m_fd, mode_t(wanted));
}

QString File::errorText() const
{
    return fileio::systemMessage(m_errno);
}

namespace fileio {

unsigned processUmask()
{
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned found = 0;
        bool told = false;
        while (!told && std::fgets(line, sizeof line, status))
            told = std::sscanf(line, "Umask: %o", &found) == 1;
        std::fclose(status);
        if (told)
            return found & 0777;
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask & 0777;
}

bool createsWithUmaskOnly(int dirFd)
{
    return ::fgetxattr(dirFd, "system.posix_acl_default", nullptr, 0) < 0 &&
           (errno == ENODATA || errno == ENOTSUP || errno == EOPNOTSUPP);
}

// A drive's root is never removed or renamed through the program.
bool isDriveRoot(const QString& dosPath)
{
    const std::optional<QString> host = DriveMap::instance().toHost(dosPath);
    return host && DriveMap::instance().isDriveRoot(*host);
}

QString systemMessage(int error)
{
    if (error == ENOSPC || error == EDQUOT)
        return QStringLiteral("Disk full");
    if (error == EACCES || error == EPERM || error == EROFS)
        return QStringLiteral("File access denied");
    return QStringLiteral("I/O error %1").arg(error);
}

FileStatus status(const QString& dosPath, bool followLinks)
{
    const QByteArray host = hostName(dosPath);
    if (host.isEmpty())
        return {};
    // On a network drive that stopped answering nothing is found.
    return slowdrive::call<FileStatus>(dosPath[0],
                                       [host, followLinks] {
                                           struct stat st {};
                                           if ((followLinks ? ::stat(host.constData(), &st)
                                                            : ::lstat(host.constData(), &st)) != 0)
                                               return FileStatus{};
                                           return fromStat(st);
                                       })
        .value_or(FileStatus{});
}

bool sameFile(const QString& a, const QString& b)
{
    for (const bool follow : {false, true}) {
        const FileStatus sa = status(a, follow);
        const FileStatus sb = status(b, follow);
        if (sa.exists && sb.exists && sa.device == sb.device && sa.inode == sb.inode)
            return true;
    }
    return false;
}

bool isInside(const QString& dir, const QString& path)
{
    const FileStatus top = status(path, true);
    if (!top.exists)
        return false;
    const std::optional<QString> host = DriveMap::instance().toHost(dir);
    if (!host)
        return false;
    // Walk up from dir on the host until the file system root.
    char resolved[PATH_MAX];
    QByteArray cur = hostname::encode(*host);
    if (::realpath(cur.constData(), resolved))
        cur = resolved;
    else {
        // dir may not exist yet: judge by its nearest existing parent.
        while (cur.size() > 1 && !::realpath(cur.constData(), resolved))
            cur = cur.left(std::max<qsizetype>(1, cur.lastIndexOf('/')));
        cur = ::realpath(cur.constData(), resolved) ? QByteArray(resolved) : cur;
    }
    for (;;) {
        struct stat st {};
        if (::stat(cur.constData(), &st) == 0 && st.st_dev == top.device && st.st_ino == top.inode)
            return true;
        if (cur == "/" || cur.isEmpty())
            return false;
        const qsizetype cut = cur.lastIndexOf('/');
        cur = cut <= 0 ? QByteArray("/") : cur.left(cut);
    }
}

std::optional<std::vector<DirItem>> listDirectory(const QString& dosDir, bool withSizes)
{
    Directory dir;
    if (!dir.open(dosDir))
        return std::nullopt;
    return dir.list(withSizes);
}

std::uint32_t attributes(const QString& dosPath)
{
    const QByteArray host = hostName(dosPath);
    struct stat st {};
    if (host.isEmpty() || ::lstat(host.constData(), &st) != 0)
        return 0;
    const QString name = dospath::fileName(dosPath);
    if (S_ISLNK(st.st_mode))
        return name.startsWith('.') ? faHidden : 0;
    return attributesOf(host, st, name);
}

std::uint32_t attributes(const QString& dosPath, std::uint32_t mode)
{
    const QString name = dospath::fileName(dosPath);
    if (S_ISLNK(mode))
        return name.startsWith('.') ? faHidden : 0;
    struct stat st {};
    st.st_mode = mode;
    return attributesOf(hostName(dosPath), st, name);
}

void clearAttributes(const QString& dosPath)
{
    const FileStatus s = status(dosPath);
    if (!s.exists || s.symlink)
        return;
    const std::optional<QString> host = DriveMap::instance().toHost(dosPath);
    (void)setFileAttributes(*host, attributes(dosPath) & faDirectory);
}

int setAttributes(const QString& dosPath, std::uint32_t attributes)
{
    const QByteArray host = hostName(dosPath);
    if (host.isEmpty())
        return ENOENT;
    struct stat st {};
    if (::lstat(host.constData(), &st) != 0)
        return lastError();
    if (!S_ISREG(st.st_mode))
        return EPERM; // never a link's target, never a pipe or device
    const int fd =
        ::open(host.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    Result r;
    if (fd < 0) {
        // A file its owner may not read: by name, as it was looked at.
        if (errno != EACCES)
            return lastError();
        r = setFileAttributes(hostname::decode(host), attributes);
    } else {
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_ino != st.st_ino ||
            opened.st_dev != st.st_dev) {
            ::close(fd);
            return EPERM;
        }
        r = setOpenFileAttributes(fd, attributes);
        ::close(fd);
    }
    if (!r)
        return r.error().contains(QLatin1String("keeps no")) ? ENOTSUP : EACCES;
    return 0;
}

int setModifiedTime(const QString& dosPath, std::time_t when)
{
    const QByteArray host = hostName(dosPath);
    if (host.isEmpty())
        return ENOENT;
    struct stat st {};
    if (::lstat(host.constData(), &st) != 0)
        return lastError();
    if (!S_ISREG(st.st_mode))
        return EPERM; // never open a pipe or device, nor follow a link
    const int fd =
        ::open(host.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return lastError();
    int rc = 0;
    struct stat opened {};
    if (::fstat(fd, &opened) != 0)
        rc = lastError();
    else if (!S_ISREG(opened.st_mode))
        rc = EPERM;
    else {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {when, 0}};
        if (::futimens(fd, times) != 0)
            rc = lastError();
    }
    ::close(fd);
    return rc;
}

int rename(const QString& from, const QString& to)
{
    const QByteArray a = hostName(from), b = hostName(to);
    if (a.isEmpty() || b.isEmpty())
        return ENOENT;
    if (isDriveRoot(from) || isDriveRoot(to))
        return EBUSY;
    return ::rename(a.constData(), b.constData()) == 0 ? 0 : lastError();
}

int renameNoReplace(const QString& from, const QString& to)
{
    const QByteArray a = hostName(from), b = hostName(to);
    if (a.isEmpty() || b.isEmpty())
        return ENOENT;
    if (isDriveRoot(from) || isDriveRoot(to))
        return EBUSY;
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return lastError();
    // A file system without the flag: a hard link cannot replace either.
    if (::link(a.constData(), b.constData()) != 0)
        return lastError();
    ::unlink(a.constData());
    return 0;
}

int removeFile(const QString& dosPath)
{
    const QByteArray host = hostName(dosPath);
    if (host.isEmpty())
        return ENOENT;
    return ::unlink(host.constData()) == 0 ? 0 : lastError();
}

int removeDirectory(const QString& dosPath)
{
    const QByteArray host = hostName(dosPath);
    if (host.isEmpty())
        return ENOENT;
    if (isDriveRoot(dosPath))
        return EBUSY;
    return ::rmdir(host.constData()) == 0 ? 0 : lastError();
}

int makeDirectories(const QString& dosPath)
{
    const QByteArray host = hostName(dosPath);
    if (host.isEmpty())
        return ENOENT;
    // Usually only the last level is missing: try it first, and go up one
    // level at a time only while a parent is missing.
    qsizetype end = host.size();
    while (::mkdir(host.left(end).constData(), 0777) != 0 && errno == ENOENT) {
        const qsizetype cut = host.lastIndexOf('/', end - 1);
        if (cut <= 0)
            break;
        end = cut;
    }
    while (end < host.size()) {
        end = host.indexOf('/', end + 1);
        if (end < 0)
            end = host.size();
        if (::mkdir(host.left(end).constData(), 0777) != 0 && errno != EEXIST)
            return lastError();
    }
    struct stat st {};
    return ::stat(host.constData(), &st) == 0 && S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

int makeDirectory(const QString& dosPath)
{
    const QByteArray host = hostName(dosPath);
    if (host.isEmpty())
        return ENOENT;
    return ::mkdir(host.constData(), 0777) == 0 ? 0 : lastError();
}

int copySymlink(const QString& from, const QString& to)
{
    const QByteArray a = hostName(from), b = hostName(to);
    if (a.isEmpty() || b.isEmpty())
        return ENOENT;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(a.constData(), target, sizeof target - 1);
    if (n < 0)
        return lastError();
    target[n] = '\0';
    return ::symlink(target, b.constData()) == 0 ? 0 : lastError();
}

void copyMetadata(const QString& from, const QString& to)
{
    copyMetadata(from, to, status(from));
}

void copyMetadata(const QString& from, const QString& to, const FileStatus& fromStatus,
                  const FileStatus* toStatus)
{
    const QByteArray a = hostName(from), b = hostName(to);
    if (a.isEmpty() || b.isEmpty() || !fromStatus.exists)
        return;
    const timespec times[2] = {fromStatus.accessed, fromStatus.modified};
    ::utimensat(AT_FDCWD, b.constData(), times, AT_SYMLINK_NOFOLLOW);
    if (fromStatus.symlink)
        return;
    char stored[256];
    const ssize_t n = ::lgetxattr(a.constData(), "user.DOSATTRIB", stored, sizeof stored);
    if (n > 0)
        ::lsetxattr(b.constData(), "user.DOSATTRIB", stored, size_t(n), 0);
    // The permissions come last: a read-only copy could refuse the rest.
    if (!toStatus || (toStatus->mode & 07777) != (fromStatus.mode & 07777))
        ::chmod(b.constData(), fromStatus.mode & 07777);
}

bool writesMayBreakOff(const QString& dosDir)
{
    if (!dosDir.isEmpty() && DriveMap::instance().isNetworkDrive(dosDir[0]))
        return true;
    const QByteArray host = hostName(dosDir);
    struct statfs fs {};
    if (host.isEmpty() || ::statfs(host.constData(), &fs) != 0)
        return false;
    // FUSE, NFS, CIFS, SMB2, SMB, 9P, Ceph, AFS, Coda.
    static constexpr unsigned long kinds[] = {kFuseMagic, 0x6969,     0xFF534D42,
                                              0xFE534D42, 0x517B,     0x01021997,
                                              0x00C36400, 0x5346414F, 0x73757245};
    return std::find(std::begin(kinds), std::end(kinds), (unsigned long)fs.f_type) !=
           std::end(kinds);
}

std::optional<std::int64_t> freeSpace(const QString& dosDir)
{
    QByteArray host = hostName(dosDir);
    if (host.isEmpty())
        return std::nullopt;
    struct statvfs vfs {};
    // The directory may not exist yet: ask its nearest existing parent.
    while (::statvfs(host.constData(), &vfs) != 0) {
        const qsizetype cut = host.lastIndexOf('/');
        if (cut <= 0)
            return ::statvfs("/", &vfs) == 0
                       ? std::optional(std::int64_t(vfs.f_bavail) * std::int64_t(vfs.f_frsize))
                       : std::nullopt;
        host = host.left(cut);
    }
    return std::int64_t(vfs.f_bavail) * std::int64_t(vfs.f_frsize);
}

} // namespace fileio

} // namespace dovex
