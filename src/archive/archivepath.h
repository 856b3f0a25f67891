#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

namespace dovex {

// Stored names longer than this are cut here: no real file name is longer,
// and a hostile header cannot make a listing hold megabytes per member.
inline constexpr std::size_t kMaxArchiveName = 1024;

// The path a stored name is listed under: "/" and "\" both separate, and
// empty components, "." and ".." are dropped, as is a drive prefix ("C:")
// at the start, so that the path stays inside the archive and splits into
// non-empty components none of which is "." or "..". Empty when nothing is
// left; such a member is not listed.
QString NormalizeArchivePath(const QString& stored);

// True when a stored name would lead out of the directory it is extracted
// into: a ".." component, a leading "/" or "\", or a drive prefix.
bool ArchivePathLeavesRoot(const QString& stored);

// The text of a stored name of length bytes (cut at kMaxArchiveName, before
// a character the cut would split): UTF-8 when the bytes are valid UTF-8,
// else Latin-1, so that no byte is lost. Stops at a zero byte.
QString decodeArchiveName(const std::uint8_t* bytes, std::size_t length);

} // namespace dovex
