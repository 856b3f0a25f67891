#pragma once

#include "archive/bytesource.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace dovex {

// Undoes the compression of a compressed stream (gzip, bzip2, xz, zstd,
// lzip) on a thread of its own, ahead of the reader of what it holds, as a
// pipe to a second program would: for a compressed tar the inflating then
// runs beside the writing of its files. libarchive's own filters do the
// work; no program is started. At most a few chunks wait in between, so a
// stream that inflates without end costs no memory.
class DecompressAhead {
public:
    // Whether the bytes at the start of source are one of those streams.
    static bool compressed(ByteSource& source);

    // source is read on the thread only, until this object is gone.
    explicit DecompressAhead(ByteSource& source);
    ~DecompressAhead();
    DecompressAhead(const DecompressAhead&) = delete;
    DecompressAhead& operator=(const DecompressAhead&) = delete;

    // The next piece of the inflated stream into chunk; an empty chunk at
    // its end. False when the stream is damaged (error() tells why).
    bool next(std::vector<char>& chunk);
    QString error() const;
    // Bytes of the compressed source read so far.
    std::int64_t consumed() const { return m_consumed.load(); }

private:
    void run();
    bool hand(std::vector<char>&& chunk);

    ByteSource& m_source;
    std::atomic<std::int64_t> m_consumed = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<char>> m_ready;
    bool m_ended = false;
    bool m_failed = false;
    bool m_stopping = false;
    QString m_error;
    std::thread m_thread;
};

} // namespace dovex
