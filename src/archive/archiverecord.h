#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace dovex {

// One file stored in an archive, as a reader found it.
struct ArchiveRecord {
    QString path;                  // normalised: "\" separators, no leading "\"
    std::uint32_t dosDateTime = 0; // date in the high 16 bits
    std::int64_t size = 0;         // uncompressed bytes
    std::uint32_t attributes = 0;  // DOS attribute bits
};

// What a reader returns: the records in file order, and whether the walk
// ended at damage (a bad signature, a size past the end of the file) rather
// than at the archive's own end. The records before the damage are kept.
struct ArchiveContents {
    std::vector<ArchiveRecord> records;
    bool damaged = false;
};

} // namespace dovex
