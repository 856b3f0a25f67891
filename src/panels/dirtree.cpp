#include "panels/dirtree.h"

#include "platform/drivemap.h"
#include "platform/hostname.h"
#include "platform/uniquefd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace dovex {

namespace {

// Directories this deep are left through ".." rather than by keeping their
// parent open, so a very deep tree cannot run out of file descriptors.
constexpr int kMaxHeldDescriptors = 200;

struct FileId {
    dev_t dev;
    ino_t ino;
    bool operator==(const FileId&) const = default;
};

struct FileIdHash {
    size_t operator()(const FileId& id) const noexcept
    {
        return std::hash<unsigned long long>()((unsigned long long)id.ino * 1000003ULL ^
                                               (unsigned long long)id.dev);
    }
};

struct Child {
    QByteArray raw;
    QString name;
    bool link = false;
};

int openDirectoryAt(int parent, const char* name)
{
    int fd;
    do {
        fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

class TreeReader {
public:
    TreeReader(DirectoryTree& tree, const TreeProgress& progress)
        : m_tree(tree), m_progress(progress)
    {
    }

    // Lists the directory fd and everything below it; fd may come back
    // closed when the way back up was lost. False once the read is stopped.
    bool walk(UniqueFd& fd, const QString& path, int depth);

    dev_t rootDevice = 0;

private:
    bool listChildren(int fd, std::vector<Child>& children);
    bool enter(UniqueFd& fd, const Child& child, const QString& childPath, int depth, size_t node);

    DirectoryTree& m_tree;
    const TreeProgress& m_progress;
    std::unordered_set<FileId, FileIdHash> m_seen;

public:
    bool markSeen(int fd, struct stat& st)
    {
        if (::fstat(fd, &st) != 0)
            return false;
        return m_seen.insert(FileId{st.st_dev, st.st_ino}).second;
    }
};

bool TreeReader::listChildren(int fd, std::vector<Child>& children)
{
    alignas(8) char buffer[32768];
    for (;;) {
        const ssize_t n = ::getdents64(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        for (ssize_t at = 0; at < n;) {
            const auto* d = reinterpret_cast<const struct dirent64*>(buffer + at);
            at += d->d_reclen;
            const char* name = d->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            unsigned char type = d->d_type;
            bool link = false;
            if (type == DT_UNKNOWN || type == DT_LNK) {
                struct stat st;
                if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                if (S_ISLNK(st.st_mode)) {
                    // Shown when it leads to a directory, never entered.
                    if (::fstatat(fd, name, &st, 0) != 0 || !S_ISDIR(st.st_mode))
                        continue;
                    link = true;
                } else if (!S_ISDIR(st.st_mode)) {
                    continue;
                }
            } else if (type != DT_DIR) {
                continue;
            }
            const size_t length = std::strlen(name);
            children.push_back(Child{QByteArray(name, qsizetype(length)),
                                     hostname::decode(name, qsizetype(length)), link});
        }
    }
}

bool TreeReader::walk(UniqueFd& fd, const QString& path, int depth)
{
    std::vector<Child> children;
    if (!listChildren(fd.get(), children)) {
        if (depth == 1)
            m_tree.rootReadable = false;
        else
            m_tree.directories.back().unreadable = true;
        return true;
    }
    std::sort(children.begin(), children.end(),
              [](const Child& a, const Child& b) { return treeNameLess(a.name, b.name); });
    const QString prefix = path.endsWith('\\') ? path : path + '\\';
    for (const Child& child : children) {
        const QString childPath = prefix + child.name;
        if (m_progress && !m_progress(childPath, int(m_tree.directories.size()))) {
            m_tree.complete = false;
            return false;
        }
        m_tree.directories.push_back(TreeDirectory{childPath, depth, false, child.link, false});
        if (child.link)
            continue;
        if (!enter(fd, child, childPath, depth, m_tree.directories.size() - 1))
            return false;
        if (fd.get() < 0)
            return true; // the way back was lost: the rest of this directory stays unread
    }
    return true;
}

bool TreeReader::enter(UniqueFd& fd, const Child& child, const QString& childPath, int depth,
                       size_t node)
{
    UniqueFd childFd(openDirectoryAt(fd.get(), child.raw.constData()));
    if (childFd.get() < 0) {
        // Replaced by a link since it was listed, or not ours to read.
        m_tree.directories[node].unreadable = true;
        return true;
    }
    struct stat st;
    if (!markSeen(childFd.get(), st))
        return true; // entered before (a bind mount, a loop): listed once only
    if (st.st_dev != rootDevice) {
        m_tree.directories[node].mountPoint = true;
        return true;
    }
    if (depth < kMaxHeldDescriptors)
        return walk(childFd, childPath, depth + 1);
    // Deep down: let go of the parent and come back through "..", checking
    // that it is the same directory.
    struct stat parent;
    if (::fstat(fd.get(), &parent) != 0)
        return true;
    fd.reset();
    const bool go = walk(childFd, childPath, depth + 1);
    if (childFd.get() < 0)
        return go;
    UniqueFd back(openDirectoryAt(childFd.get(), ".."));
    childFd.reset();
    struct stat again;
    if (back.get() >= 0 && ::fstat(back.get(), &again) == 0 && again.st_dev == parent.st_dev &&
        again.st_ino == parent.st_ino)
        fd = std::move(back);
    return go;
}

} // namespace

bool treeNameLess(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

DirectoryTree ReadDirectoryTree(QChar drive, const TreeProgress& progress)
{
    DirectoryTree tree;
    const QString root = QString(drive.toUpper()) + QStringLiteral(":\\");
    const std::optional<QString> host = DriveMap::instance().toHost(root);
    if (!host) {
        tree.rootReadable = false;
        return tree;
    }
    UniqueFd fd(::open(hostname::encode(*host).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    TreeReader reader(tree, progress);
    struct stat st;
    if (fd.get() < 0 || !reader.markSeen(fd.get(), st)) {
        tree.rootReadable = false;
        return tree;
    }
    reader.rootDevice = st.st_dev;
    reader.walk(fd, root, 1);
    return tree;
}

} // namespace dovex
