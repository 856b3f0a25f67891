#include "fileops/checkedwriter.h"

#include <libdeflate.h>
#include <sched.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

namespace dovex {

CheckedWriter::CheckedWriter(std::int64_t blockSize, bool helper, bool check)
    : m_crc(libdeflate_crc32(0, nullptr, 0)), m_check(check)
{
    for (Slot& slot : m_slots) {
        slot.data = allocatePages(std::size_t(blockSize));
        if (!slot.data)
            throw std::bad_alloc();
    }
    if (!helper)
        return;
    try {
        m_thread = std::thread([this] { work(); });
    } catch (const std::system_error&) {
        // No thread to be had: the caller writes as it goes.
    }
}

CheckedWriter::~CheckedWriter()
{
    settle();
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

// Whether this process may run on two processors or more. The write keeps
// one busy, the read and the check the other; with every core taken by
// other work the two threads cost about what one does (measured with two
// busy loops beside a merge), so the machine's load is not asked.
bool CheckedWriter::helperPays()
{
    if (helperOverride)
        return *helperOverride;
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0)
        return std::thread::hardware_concurrency() >= 2;
    return CPU_COUNT(&allowed) >= 2;
}

char* CheckedWriter::buffer()
{
    Slot& slot = m_slots[m_next];
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return !slot.pending; });
    return slot.data.get();
}

void CheckedWriter::put(File& out, std::int64_t n, bool hole)
{
    if (n <= 0)
        return;
    Slot& slot = m_slots[m_next];
    if (m_check) {
        if (hole)
            std::memset(slot.data.get(), 0, std::size_t(n));
        m_crc = libdeflate_crc32(m_crc, slot.data.get(), std::size_t(n));
    }
    slot.out = &out;
    slot.bytes = n;
    slot.hole = hole;
    if (!m_thread.joinable()) {
        write(slot);
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        slot.pending = true;
    }
    m_changed.notify_all();
    m_next = (m_next + 1) % m_slots.size();
}

CheckedWriter::Progress CheckedWriter::progress()
{
    const std::lock_guard lock(m_mutex);
    Progress p{m_written, m_failed};
    m_written = 0;
    return p;
}

CheckedWriter::Progress CheckedWriter::settle()
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] {
            for (const Slot& slot : m_slots)
                if (slot.pending)
                    return false;
            return true;
        });
    }
    return progress();
}

void CheckedWriter::write(Slot& slot)
{
    bool failed = false;
    {
        const std::lock_guard lock(m_mutex);
        failed = m_failed;
    }
    std::int64_t written = 0;
    if (!failed) {
        if (slot.hole)
            written = slot.out->writeHole(slot.bytes) ? slot.bytes : 0;
        else
            written = std::max<std::int64_t>(slot.out->write(slot.data.get(), slot.bytes), 0);
        failed = written != slot.bytes;
    }
    const std::lock_guard lock(m_mutex);
    m_written += written;
    m_failed = failed;
}

void CheckedWriter::work()
{
    std::unique_lock lock(m_mutex);
    for (std::size_t turn = 0;; turn = (turn + 1) % m_slots.size()) {
        Slot& slot = m_slots[turn];
        m_changed.wait(lock, [&] { return slot.pending || m_stopping; });
        if (!slot.pending)
            return;
        lock.unlock();
        write(slot);
        lock.lock();
        slot.pending = false;
        m_changed.notify_all();
    }
}

} // namespace dovex
