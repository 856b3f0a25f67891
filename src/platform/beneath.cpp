#include "platform/beneath.h"

#include <QRandomGenerator>

#include <linux/openat2.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

namespace dovex {

namespace {

// -1 unknown, 0 absent (ENOSYS), 1 present; tests may force the walk.
std::atomic<int> g_openat2{-1};

constexpr int kMaxLinks = 40;

int openat2Call(int dir, const char* path, std::uint64_t flags, std::uint64_t resolve)
{
    open_how how{};
    how.flags = flags;
    how.resolve = resolve;
    return int(::syscall(SYS_openat2, dir, path, &how, sizeof how));
}

bool validPart(const QByteArray& part)
{
    return !part.isEmpty() && part != "." && part != ".." && !part.contains('/') &&
           !part.contains('\0');
}

bool validParts(const QByteArrayList& parts)
{
    for (const QByteArray& p : parts)
        if (!validPart(p))
            return false;
    return true;
}

int negErrno()
{
    return errno > 0 ? -errno : -EIO;
}

// Whether a link at depth (directories below the root) with this target
// climbs out by its text alone; used for links that lead to nothing yet.
bool textLeavesRoot(const QByteArray& target, qsizetype depth)
{
    if (target.isEmpty() || target.startsWith('/'))
        return true;
    for (const QByteArray& part : target.split('/')) {
        if (part == "..") {
            if (--depth < 0)
                return true;
        } else if (!part.isEmpty() && part != ".") {
            ++depth;
        }
    }
    return false;
}

} // namespace

QByteArray joinParts(const QByteArrayList& parts)
{
    return parts.join('/');
}

BeneathRoot::BeneathRoot(UniqueFd root) : m_root(std::move(root)) {}

bool BeneathRoot::open(const QByteArray& hostDir)
{
    m_root.reset(::open(hostDir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return isOpen();
}

void BeneathRoot::forbid(const QByteArray& hostDir)
{
    struct stat st {};
    if (!hostDir.isEmpty() && ::stat(hostDir.constData(), &st) == 0 && S_ISDIR(st.st_mode))
        m_forbidden.insert({std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)});
}

bool BeneathRoot::kernelGuards()
{
    int known = g_openat2.load();
    if (known < 0) {
        const int fd = openat2Call(AT_FDCWD, "/", O_PATH | O_CLOEXEC, RESOLVE_BENEATH);
        known = fd >= 0 || errno != ENOSYS ? 1 : 0;
        if (fd >= 0)
            ::close(fd);
        g_openat2.store(known);
    }
    return known == 1;
}

void BeneathRoot::setKernelGuardsForTesting(bool on)
{
    g_openat2.store(on ? 1 : 0);
}

bool BeneathRoot::forbidden(int dirFd) const
{
    if (m_forbidden.empty())
        return false;
    struct stat st {};
    if (::fstat(dirFd, &st) != 0)
        return true;
    return m_forbidden.count({std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)}) > 0;
}

// Without openat2: one component at a time, never through a link, never up.
int BeneathRoot::walkWithoutLinks(const QByteArrayList& parts, int flags) const
{
    UniqueFd dir(::fcntl(m_root.get(), F_DUPFD_CLOEXEC, 0));
    if (dir.get() < 0)
        return negErrno();
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const int next = ::openat(dir.get(), parts[i].constData(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0)
            return errno == ELOOP ? -EXDEV : negErrno();
        dir.reset(next);
    }
    if (parts.isEmpty())
        return dir.release();
    const int fd = ::openat(dir.get(), parts.last().constData(), flags | O_NOFOLLOW | O_CLOEXEC);
    return fd >= 0 ? fd : negErrno();
}

int BeneathRoot::openBeneath(const QByteArray& path, int flags, bool follow) const
{
    if (kernelGuards()) {
        const int fd = openat2Call(m_root.get(), path.constData(),
                                   std::uint64_t(flags | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW)),
                                   RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS);
        if (fd >= 0 || errno != ENOSYS)
            return fd >= 0 ? fd : negErrno();
        g_openat2.store(0);
    }
    return walkWithoutLinks(path.split('/'), flags);
}

int BeneathRoot::openDirectory(const QByteArrayList& parts, bool create, mode_t mode,
                               qsizetype* made) const
{
    if (made)
        *made = 0;
    if (!isOpen())
        return -EBADF;
    if (!validParts(parts))
        return -EINVAL;
    int fd = parts.isEmpty() ? ::fcntl(m_root.get(), F_DUPFD_CLOEXEC, 0)
                             : openBeneath(joinParts(parts), O_RDONLY | O_DIRECTORY, true);
    if (parts.isEmpty() && fd < 0)
        fd = negErrno();
    if (fd == -ENOENT && create) {
        const UniqueFd parent(openDirectory(parts.mid(0, parts.size() - 1), true, mode, made));
        if (parent.get() < 0)
            return parent.get();
        if (::mkdirat(parent.get(), parts.last().constData(), mode) == 0) {
            if (made)
                ++*made;
        } else if (errno != EEXIST) {
            return negErrno();
        }
        fd = ::openat(parent.get(), parts.last().constData(),
                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return negErrno();
    }
    if (fd >= 0 && forbidden(fd)) {
        ::close(fd);
        return -EPERM;
    }
    return fd;
}

int BeneathRoot::createFile(int dir, const QByteArray& leaf, mode_t mode)
{
    if (!validPart(leaf))
        return -EINVAL;
    const int fd =
        ::openat(dir, leaf.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    return fd >= 0 ? fd : negErrno();
}

int BeneathRoot::resolvesBeneath(const QByteArrayList& parts) const
{
    if (!isOpen())
        return -EBADF;
    if (!validParts(parts) || parts.isEmpty())
        return -EINVAL;
    if (kernelGuards()) {
        const int fd = openat2Call(m_root.get(), joinParts(parts).constData(), O_PATH | O_CLOEXEC,
                                   RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS);
        if (fd >= 0) {
            ::close(fd);
            return 0;
        }
        if (errno != ENOSYS)
            return errno == ENOTDIR ? -ENOENT : negErrno();
        g_openat2.store(0);
    }
    // Resolves by hand what the kernel would: each link's text spliced in,
    // ".." taken against the directories passed, never above the root.
    QByteArrayList done;
    QByteArrayList todo = parts;
    int links = 0;
    while (!todo.isEmpty()) {
        const QByteArray part = todo.takeFirst();
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (done.isEmpty())
                return -EXDEV;
            done.removeLast();
            continue;
        }
        done << part;
        const QByteArray path = joinParts(done);
        struct stat st {};
        if (::fstatat(m_root.get(), path.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return -ENOENT;
        if (!S_ISLNK(st.st_mode))
            continue;
        if (++links > kMaxLinks)
            return -ELOOP;
        QByteArray target(4096, '\0');
        const ssize_t len =
            ::readlinkat(m_root.get(), path.constData(), target.data(), std::size_t(target.size()));
        if (len <= 0)
            return -ENOENT;
        target.truncate(len);
        if (target.startsWith('/'))
            return -EXDEV;
        done.removeLast();
        todo = target.split('/') + todo;
    }
    return 0;
}

int BeneathRoot::makeSymlink(int dir, const QByteArrayList& parts, const QByteArray& target)
{
    if (!validParts(parts) || parts.isEmpty() || target.isEmpty() || target.contains('\0'))
        return -EINVAL;
    const QByteArray& leaf = parts.last();
    if (::symlinkat(target.constData(), dir, leaf.constData()) != 0)
        return negErrno();
    const int verdict = checkSymlink(dir, parts);
    if (verdict != 0)
        ::unlinkat(dir, leaf.constData(), 0);
    return verdict;
}

int BeneathRoot::checkSymlink(int dir, const QByteArrayList& parts)
{
    if (!validParts(parts) || parts.isEmpty())
        return -EINVAL;
    int verdict = resolvesBeneath(parts);
    if (verdict == -ENOENT) {
        // Leads to nothing yet: kept unless its text alone climbs out.
        QByteArray target(4096, '\0');
        const ssize_t len =
            ::readlinkat(dir, parts.last().constData(), target.data(), std::size_t(target.size()));
        target.truncate(len < 0 ? 0 : qsizetype(len));
        verdict = textLeavesRoot(target, parts.size() - 1) ? -EXDEV : 0;
    }
    if (verdict != 0)
        return verdict == -ELOOP ? -ELOOP : -EXDEV;
    // Every link kept is looked at again once everything else is written.
    m_links.push_back(parts);
    return 0;
}

void BeneathRoot::linkRenamed(const QByteArrayList& from, const QByteArrayList& to)
{
    // The link renamed is almost always the one made last.
    for (auto it = m_links.rbegin(); it != m_links.rend(); ++it) {
        if (*it == from) {
            *it = to;
            return;
        }
    }
}

std::vector<QByteArrayList> BeneathRoot::recheckLinks()
{
    std::vector<QByteArrayList> removed;
    for (const QByteArrayList& parts : m_links) {
        const int verdict = resolvesBeneath(parts);
        if (verdict == 0 || verdict == -ENOENT)
            continue;
        const UniqueFd parent(openDirectory(parts.mid(0, parts.size() - 1), false, 0));
        struct stat st {};
        if (parent.get() >= 0 &&
            ::fstatat(parent.get(), parts.last().constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(st.st_mode) && ::unlinkat(parent.get(), parts.last().constData(), 0) == 0)
            removed.push_back(parts);
    }
    m_links.clear();
    return removed;
}

QByteArray temporaryLeaf()
{
    return QByteArray(".dvx") + QByteArray::number(QRandomGenerator::global()->generate64(), 36) +
           ".$$$";
}

} // namespace dovex
