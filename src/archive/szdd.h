#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace dovex {

// Files compressed by the classic "Compress.exe" (the SZDD format), expanded
// through libmspack. The bytes are untrusted: the header's names and sizes
// are checked, and the output is bounded by what the format can produce.

struct SzddHeader {
    std::int64_t length = 0; // the expanded size the header claims
    char missingChar = 0;    // the name's last character, 0 when not stored
};

// The header of an SZDD file held in memory; nullopt when it is none.
std::optional<SzddHeader> ReadSzddHeader(std::span<const std::uint8_t> bytes);

// The expanded name of a compressed file's name ("SETUP.EX_" -> "SETUP.EXE")
// from the header's missing character. A character that cannot stand in a
// name (a separator, a control character, a NUL) is not used: the "_" is
// just dropped, so the name never names another directory.
QString ExpandedName(const QString& compressedName, char missingChar);

// Expands memory to memory (the fuzz target's way); nullopt when the input
// is not a whole SZDD file or would expand beyond limit bytes.
std::optional<std::vector<std::uint8_t>> ExpandSzdd(std::span<const std::uint8_t> bytes,
                                                    std::int64_t limit);

enum class SzddResult { Expanded, NotCompressed, Damaged, ReadFailed, WriteFailed, Exists };

// Expands the drive-letter path source into the directory targetDir under
// its expanded name (returned in expandedPath). The output is written under
// a temporary name and renamed when whole; an existing file is replaced
// only when replace is set. A pipe or a device is never opened.
SzddResult ExpandSzddFile(const QString& source, const QString& targetDir, bool replace,
                          QString* expandedPath = nullptr);

// Stores the character the name of a compressed file gave up ("a.txt" ->
// "a.tx_": 't') in its header, where it is 0; true when the header holds it
// afterwards. Compressors that do not store it leave a name expansion
// cannot give back. A link, a pipe or a file that is no SZDD file is left
// alone.
bool StoreSzddMissingChar(const QString& dosPath, char missingChar);

// Checks that a compressed file of at most kMendLimit bytes of original
// expands to exactly the original; when it does not (mscompress garbles
// files of a few bytes), writes it again, under a temporary name renamed
// over it, with every byte stored as a literal. Larger originals are taken
// as they are. False when the file could not be read or put right.
constexpr std::int64_t kMendLimit = 65536;
bool MendSzddFile(const QString& original, const QString& compressed, char missingChar);

} // namespace dovex
