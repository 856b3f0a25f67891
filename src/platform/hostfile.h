#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace dovex::hostfile {

// Whole-file helpers for the program's own files (link files, the type
// cache), named by host paths in the program's form of names (hostname.h):
// Qt's file classes would re-encode a name that is not UTF-8 into another.

// True when hostPath is a plain file (a link to one counts).
bool isFile(const QString& hostPath);
// The file's bytes; nullopt when it is not a plain file, cannot be read or
// is larger than limit. A pipe or a device is never opened.
std::optional<QByteArray> read(const QString& hostPath, qint64 limit = 64 * 1024 * 1024);
// The first max bytes of a plain file (all of a shorter one); nullopt when
// it is not a plain file or cannot be read.
std::optional<QByteArray> readPrefix(const QString& hostPath, qint64 max);
// Writes the bytes to a temporary file beside hostPath and renames it over
// hostPath once they are all on disk: a failure leaves the old file alone.
bool write(const QString& hostPath, const QByteArray& bytes);
// The directory with every missing parent.
bool makeDirectories(const QString& hostPath);
// Unlinks a file (a link goes, not its target); true when it is gone.
bool remove(const QString& hostPath);

} // namespace dovex::hostfile
