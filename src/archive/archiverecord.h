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
    // The stored name led out of the archive's root ("..", a leading
    // separator, a drive): path shows it made harmless, but an archiver
    // asked to extract it might write it where it says.
    bool leavesRoot = false;
};

// What one archive may put into memory, whatever its headers claim: far
// more members and name text than any real archive holds, and little enough
// that a hostile one cannot exhaust the machine.
inline constexpr std::size_t kMaxArchiveRecords = 1u << 20;
inline constexpr std::size_t kMaxArchivePathChars = 32u << 20;

// What a reader returns: the records in file order, and whether the walk
// ended at damage (a bad signature, a size past the end of the file, an
// archive cut short before its end marker) rather than at the archive's own
// end. The records before the damage are kept.
struct ArchiveContents {
    std::vector<ArchiveRecord> records;
    bool damaged = false;
    // The walk stopped at kMaxArchiveRecords or kMaxArchivePathChars: the
    // records are the first ones only.
    bool tooLarge = false;

    // Adds r unless the limits are reached; false (and tooLarge set) when
    // the walk must stop.
    bool add(ArchiveRecord&& r)
    {
        if (records.size() >= kMaxArchiveRecords ||
            pathChars + std::size_t(r.path.size()) > kMaxArchivePathChars) {
            tooLarge = true;
            return false;
        }
        pathChars += std::size_t(r.path.size());
        records.push_back(std::move(r));
        return true;
    }
    bool complete() const { return !damaged && !tooLarge; }

    std::size_t pathChars = 0; // the characters of the records' paths
};

} // namespace dovex
