#pragma once

#include "archive/archiverecord.h"
#include "archive/bytesource.h"

namespace dovex {

// The members of a zip archive. The central directory is the source: it is
// found in the tail and walked header by header, and it holds the
// sizes that streamed members leave out of their local headers; ZIP64 sizes
// are taken where present. Without a central directory (a cut-off archive)
// the local headers are walked instead. Directory members are not records.
ArchiveContents readZipArchive(ByteSource& source);

} // namespace dovex
