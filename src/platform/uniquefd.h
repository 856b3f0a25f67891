#pragma once

#include <dirent.h>
#include <unistd.h>

#include <memory>

namespace dovex {

// Owns one file descriptor and closes it when it goes.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

// Owns a directory stream and so the descriptor it reads through.
struct DirStreamCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using UniqueDir = std::unique_ptr<DIR, DirStreamCloser>;

// A stream over the directory fd, which the stream takes over; null, with
// fd closed, when there is none.
inline UniqueDir directoryStream(UniqueFd fd)
{
    DIR* dir = fd.get() >= 0 ? ::fdopendir(fd.get()) : nullptr;
    if (dir)
        fd.release(); // closedir closes it now
    return UniqueDir(dir);
}

} // namespace dovex
