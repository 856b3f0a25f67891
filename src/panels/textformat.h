#pragma once

#include "platform/drivemap.h"

#include <QChar>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace dovex {

struct FilePanel;
class FileTypeTable;
class Prompter;

// A whole number in the pattern "#,##0" with the thousands separator of the
// system locale (QLocale(), so that tests can set a default locale).
QString thousands(std::int64_t value);

// A file size for the size column: "#,##0", above 9,999,999 in KB and above
// 999,999,999 in MB (whole units, rounded down), right-aligned in 9
// characters.
QString SizeText(std::int64_t size);

// "RHSA" with "_" for every clear bit; a directory shows "D" in place of A.
QString AttrText(std::uint32_t attributes);

// The DOS date/time as the locale's short date and long time, separated by a
// blank; a part of exactly 7 characters gets a leading "0".
QString DateTimeText(std::uint32_t dosDateTime);

// The text under a panel: "No files" for an empty panel, the totals of the
// marked entries ("350 bytes in 2 files"), else the details of the entry at
// cursor. nullopt when nothing is marked and there is no cursor entry (the
// line keeps what it showed). types may be null (no type descriptions).
std::optional<QString> SelectionLineText(const FilePanel& panel, int cursor,
                                         const FileTypeTable* types);

// "Drive x not ready" with Abort and Retry, asked while the drive's size
// cannot be read. true once the drive answers, false when the person chose
// Abort.
bool waitForDrive(QChar letter, Prompter& prompter);

// The whole update of a selection line: waits for the panel's drive; on
// Abort runs onAbort, which falls back to drive c (the drive-change logic of
// the window) and returns the panel's cursor afterwards; then computes the
// line for the panel in its state as it then is.
std::optional<QString> UpdateSelectionLine(const FilePanel& panel, int cursor,
                                           const FileTypeTable* types, Prompter& prompter,
                                           const std::function<int()>& onAbort);

// The status-bar text of a drive: "Drive C: 9 MB Total, 3 MB Free." from
// 9,437,184 bytes up, else "Drive c 1,423 KB Total, 1,000 KB Free." (the
// lower-case letter, no colon, thousands separators); "Drive C: not ready."
// when its size cannot be read. The drive letter is always the 7th
// character, which the status bar uses to pick the drive image.
QString DriveInfoText(const QString& path);
// The same text for given sizes (nullopt: not ready).
QString DriveInfoText(QChar letter, const std::optional<DriveSpace>& space);

} // namespace dovex
