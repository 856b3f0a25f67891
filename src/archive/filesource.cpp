#include "archive/filesource.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dovex {

namespace {
// Small reads are widened to this, so that neighbouring headers share one.
constexpr std::size_t kMinimumRead = 8192;
} // namespace

FileSource::~FileSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FileSource::open(const QString& hostPath)
{
    const QByteArray name = QFile::encodeName(hostPath);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_size = std::int64_t(st.st_size);
    return true;
}

std::span<const std::uint8_t> FileSource::read(std::int64_t offset, std::size_t length)
{
    if (m_fd < 0 || offset < 0 || offset >= m_size || length == 0)
        return {};
    const std::uint64_t left = std::uint64_t(m_size - offset);
    if (length > left)
        length = std::size_t(left);
    if (offset >= m_windowStart &&
        std::uint64_t(offset - m_windowStart) + length <= m_windowLength)
        return {m_window.data() + (offset - m_windowStart), length};

    std::size_t want = length < kMinimumRead ? kMinimumRead : length;
    if (want > left)
        want = std::size_t(left);
    m_window.resize(want);
    std::size_t got = 0;
    while (got < want) {
        const ssize_t n = ::pread(m_fd, m_window.data() + got, want - got, offset + off_t(got));
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
