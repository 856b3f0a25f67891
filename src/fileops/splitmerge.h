#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace dovex {

struct OperationState;

// A split cuts a file into base.001, base.002 ... beside it, where base is
// the path without its extension; a merge joins such a set back together.
// Parts are cut at whole multiples of kCutBlock, so a set made here has the
// same bytes as one made by the classic 16 KB copy loop, although the bytes
// move in blocks of kSplitBlock.
inline constexpr std::int64_t kCutBlock = 16384;
inline constexpr std::int64_t kSplitBlock = 1024 * 1024;
// Three digits number the parts.
inline constexpr int kMaxParts = 999;

// The part size in bytes for the kilobytes typed: 2048 × round(kb × 1024 /
// 2048 + 0.5), halves to the even neighbour; a text that is not a whole
// number counts as 1,450,000 bytes. 0 or less for a size of zero or below.
std::int64_t SplitPartSize(const QString& kilobytesText);
// The bytes every part but the last holds: the part size rounded up to
// whole cut blocks.
std::int64_t SplitCutSize(std::int64_t partSize);
// How many parts a file of fileSize makes. A file that fills its last part
// exactly is followed by one empty part, as the classic loop left it.
std::int64_t SplitPartCount(std::int64_t fileSize, std::int64_t partSize);

// The path without its extension (a name that only starts with a dot, such
// as ".profile", keeps it) and the n-th part of base ("base.007").
QString SplitBase(const QString& path);
QString PartName(const QString& base, int n);
// The descriptor split writes beside the parts: base.crc.
QString DescriptorName(const QString& base);

// Asks for the part size in kilobytes ("1420" proposed); nullopt when the
// person cancels.
using AskSplitSize = std::function<std::optional<QString>()>;
// Asks for the merged file's name, proposing base; nullopt when cancelled.
// The answer is a drive path.
using AskMergeTarget = std::function<std::optional<QString>(const QString& proposed)>;

// Splits the file at path (a drive path) after asking whether to and for the
// size. Each finished part gets the source's time and attributes; a part
// that replaces an existing file is written beside it and renamed over it;
// a part left incomplete by an abort or a failure keeps a ".$$$" name. The
// source is only read. Writes base.crc (file name, size and CRC-32) once
// every part is complete. True when the whole file was split.
bool SplitFile(OperationState& state, const QString& path, const AskSplitSize& askSize);

// Joins base.001, base.002 ... up to the first missing number into the file
// the person names. A target that is one of the parts is refused. When
// base.crc is present, the result's size and CRC-32 are checked against it.
// The parts are left in place. True when the merge completed (and matched).
bool AppendFile(OperationState& state, const QString& base, const AskMergeTarget& askTarget);

} // namespace dovex
