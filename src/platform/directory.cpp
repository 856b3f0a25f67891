#include "platform/directory.h"

#include "platform/dosattr.h"
#include "platform/drivemap.h"
#include "platform/fileattr.h"
#include "platform/hostname.h"
#include "platform/sizewalk.h"
#include "platform/uniquefd.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <system_error>
#include <unistd.h>

namespace dovex {

namespace {

constexpr int kOpenFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
constexpr int kBatchSize = 32;

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// A listing of the directory dirFd through a descriptor of its own.
UniqueDir openListing(int dirFd, int flags = kOpenFlags)
{
    return directoryStream(UniqueFd(dirFd >= 0 ? ::openat(dirFd, ".", flags) : -1));
}

} // namespace

TreeSize Directory::treeSize(bool withBytes) const
{
    TreeSize out;
    const UniqueDir dir = openListing(m_fd.get());
    if (!dir) {
        out.addUnreadable(m_path, errno);
        return out;
    }
    const int fd = ::dirfd(dir.get());
    SizeSubdirs subdirs;
    if (!SumSizeLevel(dir.get(), fd, m_device, withBytes, out, subdirs))
        out.addUnreadable(m_path, errno);
    // The subtrees are shared out to two threads: the kernel's look at each
    // file is nearly all of the time, and two directories are looked through
    // side by side faster than one after the other.
    std::atomic<size_t> next{0};
    const QString below = m_path.endsWith('\\') ? m_path : m_path + '\\';
    const auto work = [&](TreeSize& sum) {
        for (size_t i; (i = next++) < subdirs.size();) {
            const std::string& raw = subdirs[i].first;
            const QString path = below + hostname::decode(raw.data(), qsizetype(raw.size()));
            UniqueFd child(::openat(fd, raw.c_str(), kOpenFlags));
            if (child.get() < 0)
                sum.addUnreadable(path, errno);
            else
                SizeWalk(withBytes, sum).walk(std::move(child), subdirs[i].second, path);
        }
    };
    TreeSize other;
    std::thread helper;
    if (subdirs.size() >= 2) {
        try {
            helper = std::thread(work, std::ref(other));
        } catch (const std::system_error&) {
            // No thread to be had: this one does it all.
        }
    }
    work(out);
    if (helper.joinable())
        helper.join();
    out.add(other);
    return out;
}

Directory::~Directory()
{
    close();
}

bool Directory::openNoFollow(const QString& dosPath)
{
    return open(dosPath, false);
}

bool Directory::open(const QString& dosPath)
{
    return open(dosPath, true);
}

bool Directory::open(const QString& dosPath, bool followStart)
{
    close();
    m_followStart = followStart;
    const std::optional<QString> host = DriveMap::instance().toHost(dosPath);
    if (!host)
        return false;
    m_path = dosPath;
    m_host = hostname::encode(*host);
    return resume();
}

bool Directory::openChild(const Directory& parent, const QString& name)
{
    close();
    if (parent.m_fd.get() < 0)
        return false;
    const QByteArray raw = hostname::encode(name);
    m_fd.reset(::openat(parent.m_fd.get(), raw.constData(), kOpenFlags));
    m_path = parent.m_path.endsWith('\\') ? parent.m_path + name : parent.m_path + '\\' + name;
    m_host = parent.m_host == "/" ? '/' + raw : parent.m_host + '/' + raw;
    struct stat st {};
    if (m_fd.get() >= 0 && ::fstat(m_fd.get(), &st) == 0)
        m_device = st.st_dev;
    return m_fd.get() >= 0;
}

void Directory::close()
{
    m_fd.reset();
}

void Directory::suspend()
{
    close();
}

bool Directory::resume()
{
    if (m_fd.get() >= 0)
        return true;
    // The start may be reached through a link (a drive mapped to one), but
    // not where openNoFollow() said so; the directories below are opened
    // with O_NOFOLLOW.
    m_fd.reset(::open(m_host.constData(), m_followStart ? kOpenFlags & ~O_NOFOLLOW : kOpenFlags));
    struct stat st {};
    if (m_fd.get() >= 0 && ::fstat(m_fd.get(), &st) == 0)
        m_device = st.st_dev;
    return m_fd.get() >= 0;
}

std::optional<std::vector<DirItem>> Directory::list(bool withStatus) const
{
    return listing(withStatus, false);
}

std::optional<std::vector<DirItem>> Directory::listDirectories() const
{
    auto items = listing(false, true);
    if (items)
        std::erase_if(*items, [](const DirItem& item) { return !item.directory; });
    return items;
}

std::optional<std::vector<DirItem>> Directory::listing(bool withStatus, bool directoriesOnly) const
{
    // The directory's own descriptor is read from its start: no second
    // descriptor and no stream to set up for each directory of a walk.
    const int fd = m_fd.get();
    if (fd < 0 || ::lseek(fd, 0, SEEK_SET) != 0)
        return std::nullopt;
    std::vector<DirItem> items;
    alignas(dirent64) char buffer[32768];
    for (;;) {
        const ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        // A listing that breaks off is no listing: a walk must not take
        // the part read for the whole directory.
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto* ent = reinterpret_cast<const dirent64*>(buffer + at);
            if (ent->d_reclen == 0)
                return std::nullopt;
            at += ent->d_reclen;
            const char* raw = ent->d_name;
            if (isDotOrDotDot(raw) ||
                (directoriesOnly && ent->d_type != DT_DIR && ent->d_type != DT_UNKNOWN))
                continue;
            items.push_back(describe(raw, ent->d_type, withStatus));
        }
    }
    return items;
}

DirItem Directory::describe(const char* raw, unsigned char type, bool withStatus) const
{
    DirItem item;
    item.name = hostname::decode(raw, qsizetype(std::strlen(raw)));
    const bool knownKind = type != DT_UNKNOWN;
    if (!withStatus && knownKind && type != DT_DIR) {
        item.symlink = type == DT_LNK;
        item.regular = type == DT_REG;
        return item;
    }
    struct statx sx {};
    if (::statx(m_fd.get(), raw, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                STATX_TYPE | STATX_MODE | STATX_SIZE, &sx) == 0) {
        item.directory = S_ISDIR(sx.stx_mode);
        item.symlink = S_ISLNK(sx.stx_mode);
        item.regular = S_ISREG(sx.stx_mode);
        item.mode = sx.stx_mode;
        item.size = item.regular ? std::int64_t(sx.stx_size) : 0;
        // Another file system, or a bind mount of this one, is not part
        // of the tree: its root says so, and so does another device.
        const std::uint64_t device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
        item.mountPoint = item.directory && (((sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) &&
                                              (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT)) ||
                                             (m_device != 0 && device != m_device));
        item.device = device;
    } else if (knownKind) {
        item.directory = type == DT_DIR;
        item.symlink = type == DT_LNK;
        item.regular = type == DT_REG;
    }
    return item;
}

std::uint32_t Directory::attributes(const DirItem& item) const
{
    const QByteArray raw = hostname::encode(item.name);
    struct stat st {};
    st.st_mode = item.mode;
    st.st_dev = item.device;
    if (S_ISLNK(item.mode))
        return item.name.startsWith('.') ? faHidden : 0;
    return attributesOf(m_host == "/" ? '/' + raw : m_host + '/' + raw, st, item.name, m_fd.get(),
                        raw.constData());
}

bool Directory::childIsDriveRoot(const QString& name) const
{
    const QString host = hostname::decode(m_host);
    return DriveMap::instance().isDriveRoot(host == QLatin1String("/") ? '/' + name
                                                                       : host + '/' + name);
}

int Directory::removeFile(const QString& name) const
{
    if (m_fd.get() < 0)
        return EBADF;
    return ::unlinkat(m_fd.get(), hostname::encode(name).constData(), 0) == 0
               ? 0
               : (errno ? errno : EIO);
}

int Directory::removeDirectory(const QString& name) const
{
    if (m_fd.get() < 0)
        return EBADF;
    return ::unlinkat(m_fd.get(), hostname::encode(name).constData(), AT_REMOVEDIR) == 0
               ? 0
               : (errno ? errno : EIO);
}

DirectoryWorkers::DirectoryWorkers(Operation operation) : m_operation(std::move(operation)) {}

FileRemover::FileRemover()
    : DirectoryWorkers([](int dirFd, const char* rawName) {
          return ::unlinkat(dirFd, rawName, 0) == 0 ? 0 : (errno ? errno : EIO);
      })
{
}

DirectoryWorkers::~DirectoryWorkers()
{
    cancel();
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_threads)
        t.join();
}

void DirectoryWorkers::queue(const std::shared_ptr<const Directory>& dir, const QString& name)
{
    if (m_filling.dir != dir)
        flush();
    if (!m_filling.dir)
        m_filling.dir = dir;
    m_filling.names += hostname::encode(name).toStdString();
    m_filling.names += '\0';
    // Small enough that the two threads share a directory of a hundred
    // files, large enough that the hand-over is rare.
    if (++m_filling.count == kBatchSize)
        flush();
}

void DirectoryWorkers::flush()
{
    if (m_filling.count == 0) {
        m_filling = {};
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        if (m_threads.empty()) {
            for (int i = 0; i < 2; ++i)
                m_threads.emplace_back([this] { work(); });
        }
        m_pending[m_filling.dir.get()].count += m_filling.count;
        m_queue.push_back(std::move(m_filling));
    }
    m_filling = {};
    m_wake.notify_one();
}

std::vector<DirectoryWorkers::Failure> DirectoryWorkers::wait(const Directory& dir)
{
    flush();
    std::unique_lock lock(m_mutex);
    const auto it = m_pending.find(&dir);
    if (it == m_pending.end())
        return {};
    m_waitedFor = &dir;
    m_done.wait(lock, [&] { return it->second.count == 0; });
    m_waitedFor = nullptr;
    std::vector<Failure> failures = std::move(it->second.failures);
    m_pending.erase(it);
    return failures;
}

void DirectoryWorkers::cancel()
{
    m_filling = {};
    std::unique_lock lock(m_mutex);
    for (const Batch& b : m_queue)
        m_pending[b.dir.get()].count -= b.count;
    m_queue.clear();
    m_waitingForAll = true;
    m_done.wait(lock, [&] {
        for (const auto& [dir, pending] : m_pending)
            if (pending.count > 0)
                return false;
        return true;
    });
    m_waitingForAll = false;
    m_pending.clear();
}

void DirectoryWorkers::runBatch(Batch& batch)
{
    std::vector<Failure> failures;
    const int fd = batch.dir->descriptor();
    for (std::size_t at = 0; at < batch.names.size();) {
        const char* raw = batch.names.c_str() + at;
        const std::size_t length = std::strlen(raw);
        if (const int rc = m_operation(fd, raw))
            failures.push_back({hostname::decode(raw, qsizetype(length)), rc});
        at += length + 1;
    }
    const std::lock_guard lock(m_mutex);
    Pending& pending = m_pending[batch.dir.get()];
    for (Failure& f : failures)
        pending.failures.push_back(std::move(f));
    pending.count -= batch.count;
    // Only the directory waited for wakes the caller: with many levels in
    // flight, a wake for each would take a core from the workers for nothing.
    if (pending.count == 0 && (m_waitingForAll || m_waitedFor == batch.dir.get()))
        m_done.notify_all();
    // The directory is let go under the lock: its owner may be waiting.
    batch.dir.reset();
}

void DirectoryWorkers::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty())
            return;
        Batch batch = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        runBatch(batch);
        lock.lock();
    }
}

QByteArrayList entryNames(int dirFd)
{
    QByteArrayList names;
    const UniqueDir dir = openListing(dirFd, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!dir)
        return names;
    while (const dirent* e = ::readdir(dir.get()))
        if (!isDotOrDotDot(e->d_name))
            names << QByteArray(e->d_name);
    return names;
}

} // namespace dovex
