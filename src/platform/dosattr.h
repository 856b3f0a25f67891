#pragma once

#include <cstdint>

namespace dovex {

// The classic attribute bits, as directory search and the panels carry them.
inline constexpr std::uint32_t faReadOnly = 0x01;
inline constexpr std::uint32_t faHidden = 0x02;
inline constexpr std::uint32_t faSysFile = 0x04;
inline constexpr std::uint32_t faVolumeId = 0x08;
inline constexpr std::uint32_t faDirectory = 0x10;
inline constexpr std::uint32_t faArchive = 0x20;
inline constexpr std::uint32_t faAnyFile = 0x3F;

// Not a classic bit: asks a search to skip everything but directories without
// looking at the files at all (the way an extended find can limit itself).
inline constexpr std::uint32_t faDirectoriesOnly = 0x1000;

} // namespace dovex
