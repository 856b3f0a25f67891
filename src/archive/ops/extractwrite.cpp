#include "archive/ops/extractwrite.h"

#include "platform/beneath.h"
#include "platform/uniquefd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dovex {

int writeWhole(int fd, const char* data, std::size_t size)
{
    for (std::size_t done = 0; done < size;) {
        const ssize_t w = ::write(fd, data + done, size - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return w < 0 ? errno : ENOSPC;
        done += std::size_t(w);
    }
    return 0;
}

int createAndFill(int dir, const QByteArray& leaf, const QByteArray& data, const FileStamp& stamp)
{
    UniqueFd out(BeneathRoot::createFile(dir, leaf, 0600));
    if (out.get() < 0)
        return -out.get();
    int error = writeWhole(out.get(), data.constData(), std::size_t(data.size()));
    if (error == 0) {
        ::fchmod(out.get(), stamp.mode);
        const struct timespec times[2] = {{stamp.mtime, 0}, {stamp.mtime, 0}};
        ::futimens(out.get(), times);
        // A failed close can be the write that did not reach the disk.
        if (::close(out.release()) != 0)
            error = errno;
    }
    if (error != 0)
        ::unlinkat(dir, leaf.constData(), 0);
    return error;
}

} // namespace dovex
