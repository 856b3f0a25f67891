#pragma once

#include <QByteArray>
#include <QString>

namespace dovex::hostname {

// A Linux file name is a byte string; the program holds names as QString.
// decode() and encode() are exact inverses for every byte string without a
// NUL, so two names that differ in any byte stay two names:
// - valid UTF-8 becomes its characters;
// - each byte that is not part of valid UTF-8 becomes one lone surrogate
//   U+DC80..U+DCFF (the usual convention for undecodable file names);
// - "\" cannot stand in a drive-letter path, so it becomes U+F05C, the
//   private-use character file servers use for it;
// - a name that really holds U+F05C keeps its three bytes as three lone
//   surrogates, so it never turns into "\" on the way back.
QString decode(const QByteArray& bytes);
QString decode(const char* bytes, qsizetype size);
QByteArray encode(const QString& name);

// Text that holds drive-letter paths rather than one host name (a command
// line argument, an environment value): undecodable bytes are kept as with
// decode(), but "\" stays the path separator it is there, and U+F05C stays
// itself, so that a name holding "\" can be typed as U+F05C.
QString decodeText(const QByteArray& bytes);

// False when name holds a character encode() cannot write back as the user
// typed it (a lone surrogate outside U+DC80..U+DCFF).
bool encodable(const QString& name);

// A name as a person reads it: U+F05C shows as the backslash it stands for,
// and each undecodable byte as U+FFFD. For display only: it does not
// round-trip.
QString displayName(const QString& name);

inline constexpr char16_t kBackslashStandIn = 0xF05C;

} // namespace dovex::hostname
