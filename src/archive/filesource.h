#pragma once

#include "archive/bytesource.h"
#include "platform/uniquefd.h"

#include <QString>

#include <vector>

namespace dovex {

// A ByteSource over a regular file opened read-only. Reads go through a
// small window, so that walking headers that lie close together costs few
// system calls; one read returns at most a few megabytes.
class FileSource : public ByteSource {
public:
    // Opens the host path; false when it cannot be opened or is no regular
    // file. Never waits: a FIFO, socket or device is refused without being
    // opened for reading.
    bool open(const QString& hostPath);
    bool isOpen() const { return m_fd.get() >= 0; }

    std::int64_t size() const override { return m_size; }
    std::span<const std::uint8_t> read(std::int64_t offset, std::size_t length) override;

private:
    UniqueFd m_fd;
    std::int64_t m_size = 0;
    std::vector<std::uint8_t> m_window;
    std::int64_t m_windowStart = 0;
    std::size_t m_windowLength = 0;
};

} // namespace dovex
