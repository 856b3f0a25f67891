#pragma once

#include <QByteArrayView>
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
// onlySeparators, when given, tells whether the path is stored with each
// "/" made "\\" and nothing else changed.
QString NormalizeArchivePath(const QString& stored, bool* onlySeparators = nullptr);

// How the bytes of a name that is not valid UTF-8 are read: the code page
// of the tools that wrote such names into archives of the kind.
enum class LegacyNameCoding {
    Latin1,   // every byte one character
    Cp437,    // the DOS code page the zip format names
    ShiftJis, // code page 932 when the bytes decode as it, else Latin-1
};

// True when a stored name (its bytes) would lead out of the directory it is
// extracted into: a ".." component, a leading "/" or "\", or a drive
// prefix. A "\" that is the second byte of a double-byte character counts
// as a separator here, which can only make a harmless name look dangerous.
bool StoredNameLeavesRoot(QByteArrayView stored);

// The text of a stored name of length bytes (cut at kMaxArchiveName, before
// a character the cut would split): UTF-8 when the bytes are valid UTF-8,
// else the legacy code page, so that no byte is lost. Stops at a zero byte.
// The whole name is decoded before anything splits it, so a second byte of
// a double-byte character that equals "\" or "|" stays part of its
// character.
// usedLegacy, when given, tells whether the legacy code page was used.
QString decodeArchiveName(const std::uint8_t* bytes, std::size_t length,
                          LegacyNameCoding legacy = LegacyNameCoding::Latin1,
                          bool* usedLegacy = nullptr);

// A UTF-16LE name (cut at kMaxArchiveName bytes, an odd last byte dropped),
// stopping at a zero character.
QString decodeUtf16Name(const std::uint8_t* bytes, std::size_t length);

// The bytes decodeArchiveName reads of a stored name: up to the first zero
// byte and at most kMaxArchiveName. What a record keeps as its stored name.
QByteArrayView storedNameBytes(const std::uint8_t* bytes, std::size_t length);

// Whether bytes are exactly path written out again, "/" for each "\\", in
// UTF-8 or (cp437) in code page 437; then a record need not keep them.
bool isPathWrittenOut(QByteArrayView bytes, const QString& path, bool cp437);
// path written out so: what isPathWrittenOut compared bytes with.
QByteArray writeOutPath(const QString& path, bool cp437);

} // namespace dovex
