#pragma once

#include "fileops/copyengine.h"
#include "platform/fileio.h"

#include <chrono>
#include <cstdint>

namespace dovex {

// The size of the next block of a copy. A large file is moved in growing
// blocks while each still takes well under a tenth of a second, so that the
// kernel copies in large runs (as cp does) and Abort and Escape are still
// seen many times a second. On a network drive's mount the blocks start at
// its own size and grow only while the larger ones move the bytes faster
// (at least by a tenth, so that a noisy look does not decide).
class BlockPacer {
public:
    explicit BlockPacer(File::FuseBlocks fuse)
        : m_byRate(fuse.first > 0), m_block(m_byRate ? fuse.first : kCopyBlock),
          m_largest(m_byRate ? fuse.largest : kLargestCopyBlock)
    {
    }
    std::int64_t size() const { return m_block; }
    // Whether moved() looks at how long the next block took: a small file
    // is over before its blocks would grow, and costs no clock.
    bool timesNext() const { return m_byRate || m_blocks + 1 >= kBlocksBeforeGrowing; }
    void moved(std::int64_t bytes, std::chrono::steady_clock::duration took)
    {
        if (++m_blocks < kBlocksBeforeGrowing)
            return m_byRate ? account(bytes, took) : void();
        if (m_byRate)
            return pace(bytes, took);
        if (took < std::chrono::milliseconds(25) && m_block < m_largest)
            m_block *= 2;
        else if (took > std::chrono::milliseconds(100) && m_block > kCopyBlock)
            m_block /= 2;
    }

private:
    void account(std::int64_t bytes, std::chrono::steady_clock::duration took)
    {
        m_bytes += bytes;
        m_took += std::chrono::duration<double>(took).count();
    }
    // At the end of each run of blocks of one size: a larger size that was
    // not faster gives way to the one before, and the size stays.
    void pace(std::int64_t bytes, std::chrono::steady_clock::duration took)
    {
        account(bytes, took);
        m_blocks = 0;
        const double rate = m_took > 0 ? double(m_bytes) / m_took : 0;
        m_bytes = 0;
        m_took = 0;
        if (m_settled)
            return;
        if (m_lastRate > 0 && rate < m_lastRate * 1.1) {
            m_block = m_block > m_lastBlock ? m_lastBlock : m_block;
            m_settled = true;
        } else if (m_block < m_largest) {
            m_lastRate = rate;
            m_lastBlock = m_block;
            m_block *= 2;
        } else {
            m_settled = true;
        }
    }

    bool m_byRate;
    std::int64_t m_block;
    std::int64_t m_largest;
    int m_blocks = 0;
    bool m_settled = false;
    std::int64_t m_bytes = 0;
    double m_took = 0;
    double m_lastRate = 0;
    std::int64_t m_lastBlock = 0;
};

} // namespace dovex
