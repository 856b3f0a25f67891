#pragma once

#include "archive/archivepath.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

namespace dovex {

// One file stored in an archive, as a reader found it.
struct ArchiveRecord {
    // The name as listed: decoded from the code page the archive names, or
    // the one its makers used, then normalised: "\" separators, no leading
    // "\". What the panel shows and what an extracted file is called.
    QString path;
    std::uint32_t dosDateTime = 0; // date in the high 16 bits
    std::int64_t size = 0;         // uncompressed bytes
    std::uint32_t attributes = 0;  // DOS attribute bits
    // The name's bytes as the header stores them (up to a zero byte, each
    // stored part at most kMaxArchiveName; for Lha and Zoo the directory
    // and the name joined by "/", which also stands for Lha's 0xFF; for a
    // RAR unicode name its plain part): what the archive's own tools match when they
    // are asked for this member, whatever code page path was decoded from.
    // Empty when they are path itself written out again, "/" for "\\", in
    // UTF-8 or code page 437 (the most common case, which then costs no
    // copy): storedBytes() gives them either way.
    QByteArray storedName{};
    // A symbolic link: a file of its level whose target is linkTarget
    // (decoded like path, not normalised), empty when the archive left the
    // target out.
    bool link = false;
    QString linkTarget{};

    // The stored name was code page 437 (storedName empty): see storedBytes().
    bool storedCp437 = false;

    // The stored name leads out of the archive's root ("..", a leading
    // separator, a drive): path shows it made harmless, but an archiver
    // asked to extract it might write it where it says.
    bool leavesRoot() const { return StoredNameLeavesRoot(storedBytes()); }

    QByteArray storedBytes() const
    {
        return storedName.isEmpty() ? writeOutPath(path, storedCp437) : storedName;
    }
    // Keeps bytes as the stored name unless storedBytes() gives them anyway
    // (cp437: they were decoded as code page 437).
    void keepStoredName(QByteArrayView bytes, bool cp437 = false)
    {
        storedCp437 = cp437;
        if (isPathWrittenOut(bytes, path, cp437))
            storedName.clear();
        else
            storedName = bytes.toByteArray();
    }
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
        const std::size_t chars =
            std::size_t(r.path.size() + r.storedName.size() + r.linkTarget.size());
        if (records.size() >= kMaxArchiveRecords || pathChars + chars > kMaxArchivePathChars) {
            tooLarge = true;
            return false;
        }
        pathChars += chars;
        records.push_back(std::move(r));
        return true;
    }
    // The archive's headers are encrypted: nothing past the first can be
    // read without the password. Not damage.
    bool encrypted = false;

    bool complete() const { return !damaged && !tooLarge && !encrypted; }

    std::size_t pathChars = 0; // the characters of the records' names
};

} // namespace dovex
