#include "platform/sizewalk.h"

#include "platform/hostname.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace dovex {

namespace {

constexpr int kOpenFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
// The deepest levels that keep their descriptors. Two walkers run side by
// side, so a walk needs about twice this many at most, however deep the tree.
constexpr size_t kOpenLevels = 32;

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

} // namespace

bool SumSizeLevel(DIR* dir, int dirFd, std::uint64_t device, bool withBytes, TreeSize& out,
                  SizeSubdirs& subdirs)
{
    for (;;) {
        errno = 0;
        const dirent* ent = ::readdir(dir);
        if (!ent)
            return errno == 0;
        const char* raw = ent->d_name;
        if (isDotOrDotDot(raw))
            continue;
        const unsigned char type = ent->d_type;
        if (!withBytes && type != DT_UNKNOWN && type != DT_DIR) {
            ++out.files;
            continue;
        }
        struct statx sx {};
        if (::statx(dirFd, raw, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                    STATX_TYPE | STATX_MODE | STATX_SIZE, &sx) != 0) {
            if (type == DT_DIR)
                subdirs.emplace_back(raw, device);
            else
                ++out.files;
            continue;
        }
        if (S_ISDIR(sx.stx_mode)) {
            const std::uint64_t dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
            const bool mountRoot = (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) &&
                                   (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT);
            if (!mountRoot && (device == 0 || dev == device))
                subdirs.emplace_back(raw, dev);
            continue;
        }
        ++out.files;
        if (S_ISREG(sx.stx_mode))
            out.bytes += std::int64_t(sx.stx_size);
    }
}

void SizeWalk::close(Level& level)
{
    level.dir.reset();
    level.reopened.reset();
}

void SizeWalk::walk(UniqueFd fd, std::uint64_t device, const QString& path)
{
    m_path = path;
    enter(std::move(fd), device, std::string());
    while (!m_levels.empty()) {
        Level& top = m_levels.back();
        if (top.next == top.subdirs.size()) {
            if (!leave())
                return;
            continue;
        }
        const auto& [name, dev] = top.subdirs[top.next++];
        UniqueFd child(::openat(top.fd(), name.c_str(), kOpenFlags));
        if (child.get() < 0) {
            unreadable(name, errno);
            continue;
        }
        const std::string childName = name; // enter() may move the vector it lives in
        giveUpAncestor();
        enter(std::move(child), dev, childName);
    }
}

// Reads the directory open at fd and makes it the deepest level.
void SizeWalk::enter(UniqueFd fd, std::uint64_t device, const std::string& name)
{
    Level level;
    level.device = device;
    level.name = name;
    struct stat st {};
    if (::fstat(fd.get(), &st) == 0)
        level.dir = directoryStream(std::move(fd));
    if (!level.dir) {
        unreadable(name, errno);
        return;
    }
    level.dev = st.st_dev;
    level.ino = st.st_ino;
    if (!SumSizeLevel(level.dir.get(), level.fd(), device, m_withBytes, m_out, level.subdirs))
        unreadable(name, errno);
    m_levels.push_back(std::move(level));
}

// Leaves the deepest level for its parent, taking the parent up again when
// it was given up. False when the way back does not lead to the directory
// the walk came from (it was moved meanwhile): the walk ends there.
bool SizeWalk::leave()
{
    Level done = std::move(m_levels.back());
    m_levels.pop_back();
    if (!m_levels.empty() && m_levels.back().fd() < 0) {
        Level& parent = m_levels.back();
        UniqueFd up(::openat(done.fd(), "..", kOpenFlags));
        struct stat st {};
        const bool same = up.get() >= 0 && ::fstat(up.get(), &st) == 0 && st.st_dev == parent.dev &&
                          st.st_ino == parent.ino;
        if (!same) {
            const int error = up.get() < 0 ? errno : ESTALE;
            up.reset();
            close(done);
            done.name.clear();
            unreadable(std::string(), error);
            m_levels.clear();
            return false;
        }
        parent.reopened = std::move(up);
    }
    close(done);
    return true;
}

// Keeps the descriptors open to the deepest levels: the one that would be
// the (kOpenLevels + 1)-th from the bottom is given up.
void SizeWalk::giveUpAncestor()
{
    if (m_levels.size() >= kOpenLevels)
        close(m_levels[m_levels.size() - kOpenLevels]);
}

// Counts the directory name below the deepest level (the deepest level
// itself when name is empty) as unreadable.
void SizeWalk::unreadable(const std::string& name, int error)
{
    QString path = m_path;
    for (const Level& level : m_levels)
        if (!level.name.empty())
            path += '\\' + hostname::decode(level.name.data(), qsizetype(level.name.size()));
    if (!name.empty())
        path += '\\' + hostname::decode(name.data(), qsizetype(name.size()));
    m_out.addUnreadable(path, error ? error : EIO);
}

} // namespace dovex
