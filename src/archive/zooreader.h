#pragma once

#include "archive/archiverecord.h"
#include "archive/bytesource.h"

namespace dovex {

// The members of a zoo archive: the chain of directory entries from the
// start offset in the archive header, each naming the next. A path is the
// stored directory name and the long name (the short name when there is no
// long one). Deleted entries are not records.
ArchiveContents readZooArchive(ByteSource& source);

} // namespace dovex
