#pragma once

#include "archive/bytesource.h"

namespace dovex {

// A ByteSource over bytes the caller keeps alive.
class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::int64_t size() const override { return std::int64_t(m_bytes.size()); }
    std::span<const std::uint8_t> read(std::int64_t offset, std::size_t length) override
    {
        if (offset < 0 || std::uint64_t(offset) >= m_bytes.size())
            return {};
        const std::size_t left = m_bytes.size() - std::size_t(offset);
        return m_bytes.subspan(std::size_t(offset), length < left ? length : left);
    }

private:
    std::span<const std::uint8_t> m_bytes;
};

} // namespace dovex
