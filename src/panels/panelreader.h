#pragma once

#include "panels/filepanel.h"

namespace dovex {

class Prompter;

inline const QString kTooManyFiles =
    QStringLiteral("More than 2048 files, only 2048 files are displayed.");
inline const QString kDriveCStopped =
    QStringLiteral("Unable to read drive C, Application stopped.");

// Fills entries from the directory at path, or from the archive level while
// inArchive is set: directories first and sorted among themselves, ".." first,
// then the files that pass filterMask, sorted; at most 2048 entries (the
// message is shown once for each reading pass that reaches the limit). When
// the archive file vanished, leaves archive mode and reads its directory.
// Returns the last index, -1 for an empty panel.
int RefreshBest(PanelEntries& entries, int capacity, int sortMethod, bool& inArchive,
                const QString& filterMask, const QString& archiveFile,
                const QString& innerDirectory, QString& path, Prompter& prompter);

enum class PanelReadOutcome { Read, DriveCUnreadable };

// The engine part of re-reading a panel: the fallbacks of a vanished archive
// or directory (the drive root, then "c:\"), then RefreshBest. When even
// drive C cannot be read the panel is left as it was.
PanelReadOutcome readPanel(FilePanel& panel, Prompter& prompter, bool allowArchiveVanish = true);

// The path caption: path, or path + "\" + inner directory inside an archive
// level, followed by the kind's tag.
QString panelCaption(const FilePanel& panel);

// Brings the entries up to date with the directory on disk without a full
// re-read: vanished names go (and a name that changed between file and
// directory comes back in its group), new names are put at their sorted
// place, the others take their current size, date and attributes and keep
// their marks. cursor follows the entry it was on; when that entry went, it
// moves up one row (-1 when the panel is empty). Files that do not pass
// filterMask are not added. A full panel (2048 entries) takes no new file,
// and a new directory takes the place of its last file. Returns true when
// rows were added or removed (the list's rows must then be rebuilt).
bool SyncPanelEntries(int sortMethod, PanelEntries& entries, const QString& path, int& cursor,
                      const QString& filterMask = QStringLiteral("*.*"));

// Entering and leaving archives and their directories.
void enterArchive(FilePanel& panel, const QString& name, QChar kind);
// Leaves the archive; returns the archive's file name for the cursor.
QString leaveArchive(FilePanel& panel);
// Goes one level up inside the archive, or leaves it at its root; returns
// the name the cursor should stand on afterwards.
QString archiveUp(FilePanel& panel);
void archiveEnterDirectory(FilePanel& panel, const QString& name);
// The parent of a disk path; returns the name of the directory left.
QString directoryUp(FilePanel& panel);

bool isExistingDirectory(const QString& dosPath);
bool isExistingFile(const QString& dosPath);

} // namespace dovex
