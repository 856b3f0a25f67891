#pragma once

#include <cstdint>

namespace dovex::le {

// Little-endian fields of archive headers; callers check the bounds first.
inline std::uint16_t u16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}

inline std::uint32_t u32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

inline std::uint64_t u64(const std::uint8_t* p)
{
    return std::uint64_t(u32(p)) | (std::uint64_t(u32(p + 4)) << 32);
}

} // namespace dovex::le
