#pragma once

#include "archive/archiverecord.h"
#include "archive/bytesource.h"

namespace dovex {

// The members of an arc or pak archive: 29-byte headers (25 bytes for the
// oldest stored method, which has no separate original size) from offset 0
// to the end marker. Entries of methods 20 and above (comments, archive
// information, nested directories) are stepped over, not listed.
ArchiveContents readPakArchive(ByteSource& source);

} // namespace dovex
