#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

namespace dovex {

// Stored names longer than this are cut here: no real file name is longer,
// and a hostile header cannot make a listing hold megabytes per member.
inline constexpr std::size_t kMaxArchiveName = 1024;

// "/" becomes "\", leading separators go and runs of separators become one,
// so that every path splits into non-empty components.
QString NormalizeArchivePath(const QString& stored);

// The text of a stored name of length bytes (cut at kMaxArchiveName): UTF-8
// when the bytes are valid UTF-8, else Latin-1, so that no byte is lost.
// Stops at a zero byte.
QString decodeArchiveName(const std::uint8_t* bytes, std::size_t length);

} // namespace dovex
