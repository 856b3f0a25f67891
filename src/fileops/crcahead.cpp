#include "fileops/crcahead.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

namespace dovex {

CrcAhead::CrcAhead(std::int64_t blockSize, bool helper) : m_crc(libdeflate_crc32(0, nullptr, 0))
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
        // No thread to be had: the caller computes the CRC as it goes.
    }
}

CrcAhead::~CrcAhead()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool CrcAhead::helperPays()
{
    double load = 0;
    return ::getloadavg(&load, 1) == 1 && load + 1.0 < double(std::thread::hardware_concurrency());
}

char* CrcAhead::buffer()
{
    Slot& slot = m_slots[m_next];
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return !slot.pending; });
    return slot.data.get();
}

void CrcAhead::add(std::int64_t n)
{
    handOver(n, false);
}

void CrcAhead::addZeros(std::int64_t n)
{
    buffer(); // the slot must be free before it describes the hole
    handOver(n, true);
}

void CrcAhead::handOver(std::int64_t n, bool zeros)
{
    if (n <= 0)
        return;
    Slot& slot = m_slots[m_next];
    slot.bytes = n;
    slot.zeros = zeros;
    if (!m_thread.joinable()) {
        take(slot);
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        slot.pending = true;
    }
    m_changed.notify_all();
    m_next ^= 1;
}

std::uint32_t CrcAhead::result()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return !m_slots[0].pending && !m_slots[1].pending; });
    return m_crc;
}

// Only one thread at a time takes a slot into the CRC: the helper, or the
// caller when there is no helper.
void CrcAhead::take(const Slot& slot)
{
    if (slot.zeros)
        std::memset(slot.data.get(), 0, std::size_t(slot.bytes));
    m_crc = libdeflate_crc32(m_crc, slot.data.get(), std::size_t(slot.bytes));
}

void CrcAhead::work()
{
    std::unique_lock lock(m_mutex);
    for (int turn = 0;; turn ^= 1) {
        Slot& slot = m_slots[turn];
        m_changed.wait(lock, [&] { return slot.pending || m_stopping; });
        if (!slot.pending)
            return;
        lock.unlock();
        take(slot);
        lock.lock();
        slot.pending = false;
        m_changed.notify_all();
    }
}

CheckedBlock CopyBlockWithCrc(File& in, File& out, CrcAhead& crc, std::int64_t want)
{
    CheckedBlock block;
    char* data = crc.buffer();
    bool hole = false;
    block.read = in.readData(data, want, hole);
    if (block.read <= 0)
        return block;
    if (hole) {
        crc.addZeros(block.read);
        block.written = out.writeHole(block.read) ? block.read : 0;
    } else {
        crc.add(block.read);
        block.written = std::max<std::int64_t>(out.write(data, block.read), 0);
    }
    return block;
}

} // namespace dovex
