#pragma once

#include "platform/result.h"

#include <QString>

#include <memory>

namespace dovex {

// The private-profile functions with their classic semantics. A bare file
// name ("Dovex.Ini") lives in the Windows directory; a name with a "/" is a
// host path. Sections and keys match without regard to case. Every call
// looks at the file anew, so a value another program wrote in between is
// seen; a parsed copy is reused only while the file is provably the one it
// was made from (same device, inode, size, change and modification times,
// and times old enough that a later write cannot share them; otherwise the
// bytes are read again and compared).
//
// A file that exists but cannot be read (no permission, a directory or a
// device in its place, a read error) reads as empty but is never written:
// a write from an empty read would lose everything in it.

// The value of key in section, cut to 1023 bytes (a 1024-byte buffer), or
// fallback when the file, the section or the key is missing. Bytes that are
// not UTF-8 come back as U+DC80..U+DCFF and are written back as they were.
QString profileString(const QString& section, const QString& key, const QString& fallback,
                      const QString& file);

// Creates or replaces key in section. A replaced key keeps its place and
// its line end; every other byte of the file stays as it was. The new text
// goes to a temporary file in the same directory that takes the old file's
// permissions and then replaces it; a symbolic link is written through to
// the file it names and stays a link. Fails, changing nothing, when the file
// cannot be read or written, or when a name or the value would not stay one
// line of the file (a line break, a "=" in a key, a "]" in a section).
Result writeProfileString(const QString& section, const QString& key, const QString& value,
                          const QString& file);

// Removes the first section of that name, its header and its lines.
Result eraseProfileSection(const QString& section, const QString& file);

// The host path a profile file name resolves to.
QString profilePath(const QString& file);

enum class ProfileFileState { Missing, Readable, Unreadable };

struct ProfileFileCheck {
    ProfileFileState state = ProfileFileState::Missing;
    QString reason; // for Unreadable: why, as the system says it ("Permission denied")
};

// Whether the file exists and can be read. A missing file is normal: reads
// give their defaults and the first write creates it.
ProfileFileCheck checkProfileFile(const QString& file);

// Many reads and writes of one file as one unit: the file is read once, the
// writes are kept in memory and reach the disk together in commit(), with
// the same result as the same writeProfileString and eraseProfileSection
// calls made one after another at that moment. Reads see the writes made
// before them. When another program changed the file since it was read,
// commit() applies the writes to the file as it is now. A batch not
// committed changes nothing.
class ProfileBatch {
public:
    explicit ProfileBatch(const QString& file);
    ~ProfileBatch();
    ProfileBatch(const ProfileBatch&) = delete;
    ProfileBatch& operator=(const ProfileBatch&) = delete;

    // The file as the batch found it.
    ProfileFileCheck check();

    QString readString(const QString& section, const QString& key, const QString& fallback);
    // Fail, recording nothing, for names or values that cannot be stored.
    Result writeString(const QString& section, const QString& key, const QString& value);
    Result eraseSection(const QString& section);

    // Writes the file once when the writes changed it. Fails, writing
    // nothing, when the file cannot be read or written.
    Result commit();

private:
    struct State;
    std::unique_ptr<State> m;
};

// Drops every parsed copy, as a new process would start (tests and
// benchmarks).
void forgetProfileCache();

} // namespace dovex
