#pragma once

#include <QChar>
#include <QString>

#include <cstdint>
#include <span>

namespace dovex {

// The archive kinds, one character each, as the panels carry them.
inline constexpr char16_t kKindZip = u'Z';
inline constexpr char16_t kKindArj = u'A';
inline constexpr char16_t kKindRar = u'R';
inline constexpr char16_t kKindLha = u'L';
inline constexpr char16_t kKindPak = u'P';
inline constexpr char16_t kKindZoo = u'O';
// Read through libarchive, found by content after the six above.
inline constexpr char16_t kKindTar = u'T'; // plain or compressed
inline constexpr char16_t kKind7z = u'S';
inline constexpr char16_t kKindIso = u'I';
inline constexpr char16_t kKindCpio = u'C';
inline constexpr char16_t kKindNone = u'?';

// The kind of an archive from its first bytes (at least 11 are looked at
// when present); "?" when none matches.
QChar detectArchiveKind(std::span<const std::uint8_t> head);

// The kind of the file at a drive-letter path: the six kinds by their first
// bytes, then the libarchive kinds by their content; "?" when it cannot be
// opened or is of no known kind.
QChar DetectArchiveKind(const QString& dosPath);

// "  [PkZip]" and the others; empty for "?" or any other character.
QString ArchiveKindTag(QChar kind);

} // namespace dovex
