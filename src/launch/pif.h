#pragma once

#include <QByteArray>
#include <QString>

namespace dovex::launch {

inline constexpr int kPifSize = 967;

// The 967-byte PIF image for a DOS program: title (file name without
// extension, 30 characters, blank-padded), program path (63 characters at
// most) and the fixed settings of the program's archivers.
QByteArray pifImage(const QString& programPath);

// Writes the image beside the program as NAME.Pif (host path of the
// program). The file is replaced only once the new one is complete: a failed
// write leaves nothing truncated. False on failure.
bool writePif(const QString& programHostPath, const QString& programPathAsNamed);

// At start-up: the PIF of each of the eight archivers that is missing from
// the program directory (host path; dirName is how the program names it).
// A write that fails is skipped: the program runs on. The number written.
int writeMissingPifs(const QString& programHostDir, const QString& dirName);

} // namespace dovex::launch
