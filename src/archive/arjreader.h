#pragma once

#include "archive/archiverecord.h"
#include "archive/bytesource.h"

namespace dovex {

// The members of an arj archive: every file header after the main header,
// its name found where its own first-header size puts it, extended headers
// stepped over. Directory and label entries are not records.
ArchiveContents readArjArchive(ByteSource& source);

} // namespace dovex
