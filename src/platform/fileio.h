#pragma once

#include <QString>

#include <cstdint>
#include <ctime>
#include <optional>
#include <vector>

namespace dovex {

// What the file operations need to know about a path, taken without
// following a symbolic link unless asked to.
struct FileStatus {
    bool exists = false;
    bool directory = false; // a real directory, never a link to one
    bool symlink = false;
    bool regular = false;
    std::int64_t size = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint32_t mode = 0;
    struct timespec accessed {};
    struct timespec modified {};
};

// One item of a directory, as listDirectory finds it (no "." or "..").
struct DirItem {
    QString name;
    bool directory = false; // a real directory; a link to one has symlink set
    bool symlink = false;
    bool regular = false; // a plain file (as the directory or a look tells)
    std::int64_t size = 0;
    std::uint32_t mode = 0;   // st_mode, when the item was looked at (withSizes)
    std::uint64_t device = 0; // st_dev, when the item was looked at
    // A directory that is the root of another mount (a volume or a bind
    // mount): a tree walk never crosses into it.
    bool mountPoint = false;
};

// Operations a test can make fail on chosen paths.
enum class FileFault {
    OpenRead,   // File::openRead fails (EACCES)
    Create,     // File::create fails (EACCES)
    Read,       // a read fails (EIO) once the file position reaches afterBytes
    Write,      // a write fails (EIO) once afterBytes have been written
    ShortWrite, // a write writes half of what it was given once afterBytes are written
};

// One open file of a drive-letter path. Reads and writes go through the
// kernel in the caller's block size; transfer() lets the kernel move the
// bytes between two files without a copy through user space where it can.
class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    // The open file goes along (to a helper thread, say); other is closed.
    File(File&& other) noexcept;

    // Opens for reading only; a symbolic link is followed.
    bool openRead(const QString& dosPath);
    // Opens for reading a name expected to be a plain file: a link is not
    // followed (ELOOP) and a pipe does not wait for a writer; status() then
    // tells what was opened.
    bool openReadPlain(const QString& dosPath);
    // Creates a new file for writing. Never replaces or truncates an existing
    // entry and never writes through a symbolic link: an existing name fails
    // (EEXIST). mode is the permission bits it is created with; the umask
    // and a default ACL of the directory may take some away.
    bool create(const QString& dosPath, unsigned mode = 0666);
    // As openReadPlain() and create(), for the name (its bytes) in the
    // directory open as dirFd: a walk that works inside one directory
    // resolves no path from the root per file, and a directory swapped for
    // a link meanwhile is not followed. dosPath names the file in messages.
    bool openReadPlainAt(int dirFd, const char* rawName, QString dosPath);
    // dirDevice, where not 0, is the device of dirFd's file system.
    bool createAt(int dirFd, const char* rawName, QString dosPath, unsigned mode = 0666,
                  std::uint64_t dirDevice = 0);
    // Tells a file just created that it has exactly the bits it was created
    // with: its creator knows that neither the umask nor the directory took
    // any away. copyMetadataFrom() then needs no look at them.
    void createdExactly() { m_exactMode = m_createMode; }
    void close();
    bool isOpen() const { return m_fd >= 0; }

    // Up to n bytes; 0 at the end of the file, -1 on failure.
    std::int64_t read(char* buffer, std::int64_t n);
    // Writes n bytes; returns how many were written (fewer when the disk is
    // full), -1 on failure.
    std::int64_t write(const char* buffer, std::int64_t n);

    // As read(), but a sparse file's holes are not read: at a hole the
    // position steps over it (at most n bytes) and hole is set; data is
    // read no further than where the next hole starts. The bytes passed
    // either way; 0 at the end, -1 on failure.
    std::int64_t readData(char* buffer, std::int64_t n, bool& hole);
    // Leaves the next n bytes of a file being written at its end a hole:
    // the file grows by n bytes that read as zeros and take no room.
    bool writeHole(std::int64_t n);

    struct Transfer {
        std::int64_t read = 0;    // bytes taken from the source; 0 at its end
        std::int64_t written = 0; // bytes that reached this file
        bool failed = false;      // a read or write call failed (see error())
        bool readFailed = false;  // it was the source's read
    };
    // Moves up to n bytes from source's position to the end of this file.
    // A hole of a sparse source is stepped over in both files (read and
    // written count it), so the copy keeps the hole.
    Transfer transfer(File& source, std::int64_t n);
    // The blocks a copy from source into this file should ask of
    // transfer() where either file is on FUSE (a network drive), whose
    // daemon every byte passes through: reads keep pace only in blocks as
    // small as the mount's readahead; writes start there and may grow up to
    // the largest request the kernel sends a FUSE daemon, as far as that
    // proves faster. Both 0 when neither file is on FUSE.
    struct FuseBlocks {
        std::int64_t first = 0;
        std::int64_t largest = 0;
    };
    FuseBlocks fuseBlocks(const File& source) const;

    std::int64_t size() const;
    // What the open file is (one fstat, no path to resolve again).
    FileStatus status() const;
    // Whether the open file is on a local file system that shares no
    // extents and copies nothing on a server (ext2/3/4, tmpfs): there the
    // kernel's copy moves every byte as a program's reads and writes do.
    bool copiedByteByByte() const;
    // What a file opened for reading was when it was opened (the look the
    // open took anyway); empty for a file created here.
    const FileStatus& openedStatus() const { return m_opened; }
    // Gives this file the times, permissions and stored attribute bits of
    // source (described by sourceStatus). The permissions come last.
    void copyMetadataFrom(const File& source, const FileStatus& sourceStatus);
    // errno of the last failure, and its message in the program's words.
    int error() const { return m_errno; }
    QString errorText() const;

    // The test hook: from now on, operation fault fails on every path that
    // equals pathSuffix or ends with it (drive-letter paths, no regard to
    // case). clearFaults() removes every fault.
    static void injectFault(FileFault fault, const QString& pathSuffix,
                            std::int64_t afterBytes = 0);
    static void clearFaults();

private:
    bool faulty(FileFault fault, std::int64_t position) const;
    // Steps over the hole at source's position (in both files); false when
    // data starts there.
    bool skipHole(File& source, Transfer& t);
    // The bytes of hole at the position (at most n); 0 where data starts.
    // limit, when data starts there, becomes the bytes up to the next hole.
    std::int64_t holeAhead(std::int64_t n, std::int64_t& limit);
    bool openForReading(const QString& dosPath, int flags);
    // Both opens once m_path is set: host relative to dirFd (or absolute).
    bool openHostForReading(int dirFd, const char* host, int flags);
    bool createHost(int dirFd, const char* host, unsigned mode, std::uint64_t dirDevice);
    std::int64_t rawWrite(const char* buffer, std::int64_t n);
    // The pieces of transfer(), each true when it settled t.
    bool sparseStep(File& source, std::int64_t& n, Transfer& t);
    bool cloneWhole(File& source, Transfer& t);
    bool kernelCopy(File& source, std::int64_t n, Transfer& t);
    void bufferCopy(File& source, std::int64_t n, Transfer& t);
    // Whether the open file is on FUSE, asked once (on FUSE the question
    // itself goes to the mount's daemon).
    bool onFuse() const;
    // The device of the file's file system where known without a look, or 0.
    std::uint64_t knownDevice() const { return m_opened.exists ? m_opened.device : m_dirDevice; }

    int m_fd = -1;
    int m_errno = 0;
    QString m_path;
    std::int64_t m_position = 0;
    bool m_kernelCopy = true;
    bool m_cloneTried = false;
    bool m_sparse = false;           // opened for reading with holes in it
    std::int64_t m_sparseSize = 0;   // its size when it was opened
    mutable signed char m_fuse = -1; // onFuse(): -1 not asked yet
    FileStatus m_opened;             // openedStatus()
    int m_createMode = -1;           // the bits create() was given
    std::uint64_t m_dirDevice = 0;   // createAt(): its directory's device, or 0
    int m_exactMode = -1;            // the bits the file is known to have, or -1
};

namespace fileio {

// The process's umask. /proc tells it without setting it, which another
// thread creating a file meanwhile would feel; only where /proc cannot tell
// is it set and set back.
unsigned processUmask();
// True when a file created in the directory open as dirFd gets the
// permission bits it is created with, less the umask: the directory has no
// default ACL to take more away.
bool createsWithUmaskOnly(int dirFd);

// The system's message for an input/output failure: "Disk full",
// "File access denied" or "I/O error <code>".
QString systemMessage(int error);

FileStatus status(const QString& dosPath, bool followLinks = false);
// True when both paths exist and name the same file: the same device and
// inode, whether reached through a hard link, a symbolic link or one drive
// mapped inside another.
bool sameFile(const QString& a, const QString& b);
// True when dir is path or lies below it on disk (compared by device and
// inode of every parent of dir).
bool isInside(const QString& dir, const QString& path);

// Every item of a directory, links reported as links; nullopt when it cannot
// be read. Without withSizes the sizes stay 0 and the items other than
// directories are not looked at one by one where the directory itself tells
// their kind; directories always are, so that mount points are known.
std::optional<std::vector<DirItem>> listDirectory(const QString& dosDir, bool withSizes = true);

// The classic attribute bits of an entry; a symbolic link has only the
// hidden bit of its name, so that nothing a link points at is looked at.
std::uint32_t attributes(const QString& dosPath);
// Same for an item whose st_mode a listing already gave (DirItem::mode).
std::uint32_t attributes(const QString& dosPath, std::uint32_t mode);
// Clears read-only, hidden, system and archive of a file (not a link).
void clearAttributes(const QString& dosPath);

// Sets read-only, hidden, system and archive of a plain file. A symbolic
// link, a pipe or a device is never changed (nor what a link points at);
// the file is held open while it changes, so a name swapped for a link
// meanwhile changes nothing. 0 or the errno (ENOTSUP: the file system keeps
// no hidden, system or archive bits).
int setAttributes(const QString& dosPath, std::uint32_t attributes);
// Opens a plain file for writing, without truncating it and never through a
// link, and gives it the modification time when. 0 or the errno (a file
// without write permission cannot be opened: EACCES).
int setModifiedTime(const QString& dosPath, std::time_t when);

// True when the path names the root of a drive, by any spelling ("C:",
// "C:\\a\\..", or a folder of another drive that is mapped to it).
bool isDriveRoot(const QString& dosPath);

// The calls below return 0 or the errno of the failure.
int rename(const QString& from, const QString& to);
// Renames only when to does not exist yet (EEXIST otherwise).
int renameNoReplace(const QString& from, const QString& to);
int removeFile(const QString& dosPath);      // unlinks; a link goes, not its target
int removeDirectory(const QString& dosPath); // empty directories only
int makeDirectories(const QString& dosPath); // with every missing parent
int makeDirectory(const QString& dosPath);   // this level only; EEXIST when a name is there
// Makes to a symbolic link with the same target as the link from.
int copySymlink(const QString& from, const QString& to);
// Gives to the modification time, permissions and stored attribute bits of
// from (for a link only its time).
void copyMetadata(const QString& from, const QString& to);
// Same, with the times and permissions of fromStatus, taken earlier (a
// directory's own time moves while files leave it). With toStatus, what to
// is now, permissions it already has are not set again.
void copyMetadata(const QString& from, const QString& to, const FileStatus& fromStatus,
                  const FileStatus* toStatus = nullptr);

// True when dosDir lies on a file system that cannot be trusted to finish
// a write it has begun (a network one, FUSE, a network drive): a file
// written there arrives under a temporary name and is renamed when whole.
bool writesMayBreakOff(const QString& dosDir);

// Free bytes for a new file in the directory dosDir; nullopt when unknown.
std::optional<std::int64_t> freeSpace(const QString& dosDir);

} // namespace fileio

} // namespace dovex
