#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace dovex {
class Prompter;
}

namespace dovex::launch {

// How many bytes of a link file the scan looks at.
inline constexpr int kLinkScanBytes = 1001;

// The target path a ".lnk" file names, found by a byte scan rather than a
// parse of the format: the last "." followed by "\" in the first 1001
// bytes (not at position 0) starts it, two bytes on, and it runs to the first
// byte below 20 or the end of what was read. The result is the link's own
// drive root (the first three characters of linkPath, "C:\") followed by
// that text; empty when there is no such "." "\" or no text after it.
// Pure: reads only data, never past its end.
QString linkTargetFromBytes(const QByteArray& data, const QString& linkPath);

// Reads the first 1001 bytes of the link file at the drive-letter path
// linkPath and scans them. A file that cannot be opened (or is not a plain
// file) gets "Open error File " + linkPath through prompter (when given) and
// yields empty. Never writes.
QString ReadLinkTarget(const QString& linkPath, Prompter* prompter);
// The same, with a file that could not be read told apart from one that
// names nothing: nullopt then (and the message through prompter).
std::optional<QString> TryReadLinkTarget(const QString& linkPath, Prompter* prompter);

} // namespace dovex::launch
