#pragma once

#include "platform/result.h"

#include <QByteArray>
#include <QString>

namespace dovex {

// The 100-byte shell link whose only content is an ID list naming one shell
// folder by its class identifier ("{208D2C60-3AEA-1069-A2D7-08002B30309D}").
QByteArray folderLinkBytes(const QString& folderClassId);

// Writes "NetWork.Lnk" and "Recycled.Lnk" into the host directory where they
// are missing; an existing file is left alone.
Result writeMissingLinkFiles(const QString& programDir);

// The program directory as the program names it: a drive-letter path when a
// drive holds it, else the host path. A drive root comes back as "C:", so
// that a name appended with a leading backslash stays a valid path.
QString programDirectoryName(const QString& hostProgramDir);

} // namespace dovex
