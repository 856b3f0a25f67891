#pragma once

#include "archive/archiverecord.h"
#include "archive/bytesource.h"

namespace dovex {

// The 8-byte marker of the 5.0 layout.
bool isRar5Marker(std::span<const std::uint8_t> head);

// The file headers of a rar 5.0 archive. Times stored as Unix or Windows
// times become local DOS date/times. Encrypted headers end the walk (they
// cannot be read without the password) and count as incomplete.
ArchiveContents readRar5Archive(ByteSource& source);

} // namespace dovex
