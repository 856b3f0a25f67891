#pragma once

#include "platform/fileio.h"
#include "platform/pagememory.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

// The writing of split and merge, with the CRC-32 they keep of the bytes
// they write. Internal to the two.

namespace dovex {

// Writes a stream of blocks and keeps the CRC-32 (libdeflate's) of every
// byte handed to it. The caller reads each block into a buffer this gives
// out; the CRC is taken from that very buffer, which then goes out on a
// helper thread while the caller reads the next one. The read and the check
// take one core and the write the other, so a checked merge takes no longer
// than the kernel's own copy. Without a helper each block is written as it
// is handed over.
class CheckedWriter {
public:
    // Blocks of up to blockSize bytes; written on a helper thread when
    // helper is true and a thread can be had. Without check no CRC-32 is
    // kept (crc() stays that of nothing).
    CheckedWriter(std::int64_t blockSize, bool helper, bool check = true);
    // Whether a helper thread pays: whenever the process has two processors.
    static bool helperPays();
    // Set, what helperPays() says whatever the machine is doing (for tests).
    static inline std::optional<bool> helperOverride;
    // Waits for every write handed over.
    ~CheckedWriter();
    CheckedWriter(const CheckedWriter&) = delete;
    CheckedWriter& operator=(const CheckedWriter&) = delete;

    // The buffer to fill next (blockSize bytes, page-aligned, which keeps
    // the kernel's copies into and out of it fast); waits until its earlier
    // write is done.
    char* buffer();
    // The buffer buffer() gave holds the next n bytes, for out; or, with
    // hole, the next n bytes are zeros, which stay a hole in out. The bytes
    // join the CRC now and reach out in the order they were handed over.
    // out is not to be touched until settle().
    void put(File& out, std::int64_t n, bool hole);

    struct Progress {
        std::int64_t written = 0; // bytes that reached their files since the last call
        bool failed = false;      // a write failed (see out.error()); nothing after it is written
    };
    Progress progress();
    // progress() once every write handed over has ended.
    Progress settle();
    // The CRC-32 of everything handed over.
    std::uint32_t crc() const { return m_crc; }

private:
    struct Slot {
        PageMemory data;
        File* out = nullptr;
        std::int64_t bytes = 0;
        bool hole = false;
        bool pending = false; // handed over, not yet written
    };
    // Writes slot to its file unless an earlier write failed; the caller
    // holds no lock.
    void write(Slot& slot);
    void work();

    std::uint32_t m_crc;
    bool m_check;
    std::array<Slot, 4> m_slots;
    std::size_t m_next = 0; // the slot buffer() gives out
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::int64_t m_written = 0; // since the last progress()
    bool m_failed = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace dovex
