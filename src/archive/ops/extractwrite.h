#pragma once

#include "platform/beneath.h"

#include <QByteArray>

#include <cerrno>

#include <sys/types.h>

#include <cstddef>
#include <ctime>

namespace dovex {

// The mode and time a file extracted gets.
struct FileStamp {
    mode_t mode = 0644;
    std::time_t mtime = 0;
};

// make(name) with leaf itself, or with fresh temporary names while the one
// tried is taken; the name tried last goes to name. Returns make's result
// (a descriptor, 0 or -errno).
template <typename Make>
int makeAt(const QByteArray& leaf, bool temporary, QByteArray& name, Make make)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        name = temporary ? temporaryLeaf() : leaf;
        const int rc = make(name);
        if (rc != -EEXIST || !temporary)
            return rc;
    }
    return -EEXIST;
}

// Writes all size bytes to fd; 0, or the errno of the write that failed
// (ENOSPC for one that wrote nothing).
int writeWhole(int fd, const char* data, std::size_t size);

// A new file leaf in dir (created exclusively, through the guarded way)
// holding data, with stamp's mode and time; 0, or an errno (a file made is
// removed again). Safe on any thread.
int createAndFill(int dir, const QByteArray& leaf, const QByteArray& data, const FileStamp& stamp);

} // namespace dovex
