#pragma once

#include "platform/result.h"

#include <QString>

namespace dovex {

// The private-profile functions with their classic semantics. A bare file
// name ("Dovex.Ini") lives in the Windows directory; a name with a "/" is a
// host path. Sections and keys match without regard to case; nothing is
// cached, every call reads the file anew.

// The value of key in section, cut to 1023 bytes (a 1024-byte buffer), or
// fallback when the file, the section or the key is missing.
QString profileString(const QString& section, const QString& key, const QString& fallback,
                      const QString& file);

// Creates or replaces key in section. A replaced key keeps its place; every
// other line of the file stays as it was. The file is replaced as a whole
// only after the new text was written in full.
Result writeProfileString(const QString& section, const QString& key, const QString& value,
                          const QString& file);

// Removes the whole section, its header and its lines.
Result eraseProfileSection(const QString& section, const QString& file);

// The host path a profile file name resolves to.
QString profilePath(const QString& file);

} // namespace dovex
