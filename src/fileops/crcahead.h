#pragma once

#include "platform/fileio.h"
#include "platform/pagememory.h"

#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

// The CRC-32 that split and merge keep of the bytes they write. Internal to
// the two.

namespace dovex {

// The CRC-32 (libdeflate's) of a stream of blocks, computed on a helper
// thread from the very buffer the caller writes out: the caller fills the
// buffer it is given, hands it over and writes it while the helper reads the
// same bytes, so the check costs neither a second read of the files nor the
// writer's time on a machine with a core to spare. Two buffers take turns.
// Without a helper the caller computes the CRC as it goes.
class CrcAhead {
public:
    // Blocks of up to blockSize bytes; on a helper thread when helper is
    // true and a thread can be had.
    CrcAhead(std::int64_t blockSize, bool helper);
    // Whether a helper thread pays now: only while a core is free. On a
    // machine whose cores are all taken the two threads slowed the kernel's
    // copies down (up to twice the processor time of one thread).
    static bool helperPays();
    ~CrcAhead();
    CrcAhead(const CrcAhead&) = delete;
    CrcAhead& operator=(const CrcAhead&) = delete;

    // The buffer to fill next (blockSize bytes, page-aligned, which keeps the
    // kernel's copies into and out of it fast); waits until the helper has
    // finished with it.
    char* buffer();
    // The buffer buffer() gave holds the next n bytes of the stream.
    void add(std::int64_t n);
    // The next n (at most blockSize) bytes of the stream are zeros: a hole.
    void addZeros(std::int64_t n);
    // The CRC-32 of everything added; waits for the helper.
    std::uint32_t result();

private:
    struct Slot {
        PageMemory data;
        std::int64_t bytes = 0;
        bool zeros = false;
        bool pending = false; // handed over, not yet taken into the CRC
    };
    void handOver(std::int64_t n, bool zeros);
    void take(const Slot& slot);
    void work();

    std::uint32_t m_crc;
    Slot m_slots[2];
    int m_next = 0; // the slot buffer() gives out
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stopping = false;
    std::thread m_thread;
};

// One block moved from in to out with its bytes added to crc; a hole of a
// sparse source stays a hole in out.
struct CheckedBlock {
    std::int64_t read = 0;    // bytes taken from in; 0 at its end, -1 when the read failed
    std::int64_t written = 0; // bytes that reached out
};
CheckedBlock CopyBlockWithCrc(File& in, File& out, CrcAhead& crc, std::int64_t want);

} // namespace dovex
