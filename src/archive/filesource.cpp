#include "archive/filesource.h"

#include "platform/hostname.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dovex {

namespace {
// Small reads are widened to this, so that neighbouring headers share one.
constexpr std::size_t kMinimumRead = 8192;
// No reader asks for more than one header (a rar 5 header, at most 2 MiB);
// a larger request is answered short, which the readers take as damage, so
// no size field can make the window grow with the file.
constexpr std::size_t kMaximumRead = 4u << 20;
} // namespace

bool FileSource::open(const QString& hostPath)
{
    m_fd.reset();
    m_windowLength = 0;
    const QByteArray name = hostname::encode(hostPath);
    // Only a regular file is read. Opening a FIFO waits for a writer and
    // opening a device can have effects of its own, so the type is looked
    // at first (through links: a link to an archive is read), and the open
    // does not wait should the name have been replaced in between.
    struct stat st {};
    if (::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    UniqueFd fd(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    m_fd = std::move(fd);
    m_size = std::int64_t(st.st_size);
    return true;
}

std::span<const std::uint8_t> FileSource::read(std::int64_t offset, std::size_t length)
{
    if (m_fd.get() < 0 || offset < 0 || offset >= m_size || length == 0)
        return {};
    const std::uint64_t left = std::uint64_t(m_size - offset);
    if (length > kMaximumRead)
        length = kMaximumRead;
    if (length > left)
        length = std::size_t(left);
    if (offset >= m_windowStart && std::uint64_t(offset - m_windowStart) + length <= m_windowLength)
        return {m_window.data() + (offset - m_windowStart), length};

    std::size_t want = length < kMinimumRead ? kMinimumRead : length;
    if (want > left)
        want = std::size_t(left);
    m_window.resize(want);
    std::size_t got = 0;
    while (got < want) {
        const ssize_t n =
            ::pread(m_fd.get(), m_window.data() + got, want - got, offset + off_t(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += std::size_t(n);
    }
    m_windowStart = offset;
    m_windowLength = got;
    return {m_window.data(), got < length ? got : length};
}

} // namespace dovex
