#include "platform/hostfile.h"

#include "platform/hostname.h"
#include "platform/uniquefd.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dovex::hostfile {

bool isFile(const QString& hostPath)
{
    struct stat st {};
    return ::stat(hostname::encode(hostPath).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

// At most max bytes of a plain file (a pipe or a device is never opened);
// a larger file gives its first max bytes when prefix is set, else nothing.
std::optional<QByteArray> readUpTo(const QString& hostPath, qint64 max, bool prefix)
{
    const QByteArray name = hostname::encode(hostPath);
    const UniqueFd fd(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        return std::nullopt;
    struct stat st {};
    QByteArray bytes;
    bool ok = ::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) && (prefix || st.st_size <= max);
    if (ok) {
        bytes.resize(qsizetype(std::min<qint64>(st.st_size, max)));
        qsizetype got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd.get(), bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            got += n;
        }
        bytes.truncate(got);
    }
    return ok ? std::optional(bytes) : std::nullopt;
}

} // namespace

std::optional<QByteArray> read(const QString& hostPath, qint64 limit)
{
    return readUpTo(hostPath, limit, false);
}

std::optional<QByteArray> readPrefix(const QString& hostPath, qint64 max)
{
    return readUpTo(hostPath, max, true);
}

bool write(const QString& hostPath, const QByteArray& bytes)
{
    const QByteArray name = hostname::encode(hostPath);
    QByteArray temp = name + ".XXXXXX";
    UniqueFd fd(::mkstemp(temp.data()));
    if (fd.get() < 0)
        return false;
    qsizetype done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd.get(), bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? n : 0;
    }
    ok = ok && ::fchmod(fd.get(), 0644) == 0 && ::fsync(fd.get()) == 0;
    ok = ::close(fd.release()) == 0 && ok;
    if (ok && ::rename(temp.constData(), name.constData()) == 0)
        return true;
    ::unlink(temp.constData());
    return false;
}

bool makeDirectories(const QString& hostPath)
{
    const QByteArray path = hostname::encode(hostPath);
    for (qsizetype at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/')
            continue;
        const QByteArray part = path.left(at);
        if (::mkdir(part.constData(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool remove(const QString& hostPath)
{
    return ::unlink(hostname::encode(hostPath).constData()) == 0 || errno == ENOENT;
}

} // namespace dovex::hostfile
