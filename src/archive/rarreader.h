#pragma once

#include "archive/archiverecord.h"
#include "archive/bytesource.h"

namespace dovex {

// The members of a rar archive, of the 1.5-4.x block layout or of the 5.0
// one (told apart by the marker). Blocks are stepped over by their own
// sizes, so comments and other service blocks do not shift the walk;
// directories are not records.
ArchiveContents readRarArchive(ByteSource& source);

} // namespace dovex
