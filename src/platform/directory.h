#pragma once

#include "platform/fileio.h"
#include "platform/uniquefd.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace dovex {

struct TreeSize {
    std::int64_t bytes = 0;
    std::int64_t files = 0;
    // Directories that could not be read, their contents left out of the
    // counts: how many, the first of them (a drive-letter path) and why.
    std::int64_t unreadable = 0;
    QString firstUnreadable;
    int error = 0;

    void addUnreadable(const QString& path, int why)
    {
        if (unreadable++ == 0) {
            firstUnreadable = path;
            error = why ? why : EIO;
        }
    }
    void add(const TreeSize& other)
    {
        bytes += other.bytes;
        files += other.files;
        if (other.unreadable && !unreadable) {
            firstUnreadable = other.firstUnreadable;
            error = other.error;
        }
        unreadable += other.unreadable;
    }
};

// An open directory that a tree walk works in by names relative to it, so
// that a deep tree costs no path lookups from the root per file and a name
// swapped for a link meanwhile is never followed.
class Directory {
public:
    Directory() = default;
    ~Directory();
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    // The start of a walk: a drive-letter path, which may be reached
    // through a link (a drive mapped to one).
    bool open(const QString& dosPath);
    // As open(), but the directory itself must not be a link: a directory
    // met inside a walk, which a link swapped in meanwhile must not lead
    // out of.
    bool openNoFollow(const QString& dosPath);
    // A subdirectory of an open directory, by its name there.
    bool openChild(const Directory& parent, const QString& name);
    void close();
    bool isOpen() const { return m_fd.get() >= 0; }

    // Gives up the descriptor (a deep walk keeps few open) and takes the
    // directory up again by its path.
    void suspend();
    bool resume();

    const QString& path() const { return m_path; }
    std::uint64_t device() const { return m_device; }

    // Every item, "." and ".." left out. Directories are always looked at
    // (a mount point is told by that look); other items only withStatus,
    // else their kind comes from the directory itself where it can. Reads
    // through the directory's own descriptor: one thread at a time.
    std::optional<std::vector<DirItem>> list(bool withStatus) const;
    // The same for the subdirectories alone: the names of the other items
    // are not even decoded.
    std::optional<std::vector<DirItem>> listDirectories() const;

    // Bytes and files below this directory at every level (links count as
    // files of no bytes), directories whose names begin with a dot included,
    // other file systems mounted below it left out. Without withBytes the
    // files are counted from the directories' own records where they can.
    // A tree of any depth is walked with a few descriptors; a directory
    // that cannot be read is left out and counted as unreadable.
    TreeSize treeSize(bool withBytes) const;

    // The classic attribute bits of an item listed withStatus.
    std::uint32_t attributes(const DirItem& item) const;

    // True when the subdirectory name is the root of a drive (one drive can
    // be mapped inside another): it is never removed.
    bool childIsDriveRoot(const QString& name) const;

    // 0 or the errno of the failure.
    int removeFile(const QString& name) const;
    int removeDirectory(const QString& name) const;

    int descriptor() const { return m_fd.get(); }

private:
    bool open(const QString& dosPath, bool followStart);
    // list() and listDirectories(): every item whose kind the directory
    // does not rule out.
    std::optional<std::vector<DirItem>> listing(bool withStatus, bool directoriesOnly) const;
    // One listed name (its bytes) and the kind the directory gave it.
    DirItem describe(const char* raw, unsigned char type, bool withStatus) const;

    UniqueFd m_fd;
    QString m_path;
    QByteArray m_host;
    std::uint64_t m_device = 0;
    bool m_followStart = true; // the start may be a link
};

// Runs one operation on files, each given by its name in an open directory,
// on two background threads while the caller goes on walking and asking:
// the kernel's part is most of a tree operation's time, and two files are
// done faster side by side than one after the other. The threads touch
// nothing but the directory's descriptor and the name's bytes; every
// question and message stays with the caller. Names are handed over in
// batches of a directory's files, so that a file costs the hand-over no
// lock, no wake-up and no allocation of its own.
class DirectoryWorkers {
public:
    // 0, or the errno (or another code of the operation's own) for the name.
    using Operation = std::function<int(int dirFd, const char* rawName)>;
    struct Failure {
        QString name;
        int error;
    };

    explicit DirectoryWorkers(Operation operation);
    ~DirectoryWorkers();
    DirectoryWorkers(const DirectoryWorkers&) = delete;
    DirectoryWorkers& operator=(const DirectoryWorkers&) = delete;

    // Queues name of dir, which stays open until it is done. It may wait in
    // the caller's batch until the batch is full or wait() is called.
    void queue(const std::shared_ptr<const Directory>& dir, const QString& name);
    // Waits until every name queued for dir is done; the ones that failed.
    std::vector<Failure> wait(const Directory& dir);
    // Drops the names not started yet (an abort) and waits for the rest.
    void cancel();

private:
    // Names of one directory, their bytes one after the other, each ended
    // by a NUL.
    struct Batch {
        std::shared_ptr<const Directory> dir;
        std::string names;
        int count = 0;
    };
    struct Pending {
        int count = 0;
        std::vector<Failure> failures;
    };
    void flush();
    void work();
    void runBatch(Batch& batch);

    Operation m_operation;
    Batch m_filling; // the caller's, not yet handed over
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<Batch> m_queue;
    std::map<const Directory*, Pending> m_pending;
    std::vector<std::thread> m_threads;
    bool m_stopping = false;
    const Directory* m_waitedFor = nullptr; // by wait()
    bool m_waitingForAll = false;           // by cancel()
};

// Removes files on the background threads: the unlinks of a tree delete.
class FileRemover : public DirectoryWorkers {
public:
    FileRemover();
    void remove(const std::shared_ptr<const Directory>& dir, const QString& name)
    {
        queue(dir, name);
    }
};

// The names in the directory open as dirFd, "." and ".." left out, as
// their bytes; empty when it cannot be read. dirFd stays open.
QByteArrayList entryNames(int dirFd);

} // namespace dovex
