#pragma once

#include "archive/archiverecord.h"
#include "archive/bytesource.h"

namespace dovex {

// The members of an lha archive of header levels 0 to 3. Each header is
// measured as its level defines, extended headers included; names come from
// the filename (0x01) and directory (0x02) extended headers where present,
// times from the DOS field (levels 0, 1) or the Unix field (levels 2, 3, or
// extension 0x54). Directory entries ("-lhd-") are not records.
ArchiveContents readLhaArchive(ByteSource& source);

} // namespace dovex
