#pragma once

#include "platform/beneath.h"
#include "platform/uniquefd.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

struct zip;

namespace dovex {

// One member chosen for extraction, as the central directory describes it.
struct ZipMember {
    std::uint64_t index = 0;
    QByteArray name;
    QString shown;
    QByteArrayList parts; // where it goes beneath the target
    std::int64_t size = 0;
    std::time_t mtime = 0;
    mode_t mode = 0644;
    bool directory = false;
    bool link = false;
};

// The device and inode of a directory, to tell whether two descriptors
// name the same one.
struct DirIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const DirIdentity&) const = default;
};
DirIdentity identityOf(int dirFd);

// Writes the files of small members on helper threads, each with its own
// handle on the archive, while the extraction goes through the members in
// order: creating and filling files is most of the time an extraction
// takes, and it runs on every core this way. A member marked ownName (its
// name is no other member's, and no member is a link or stands where
// another needs a directory) is created under its own name, exclusively:
// what is there already is never touched, and nothing another member does
// can bring it to another place. Such a helper may also make the missing
// directories above it (told by madeDirectory). Any other member is
// written under a temporary name, only into a directory that is there, and
// only where no directory (nor, unless existing files may be replaced,
// anything) is in the way. Anything else, and any failure, is left to the
// extraction itself, which decides, asks, reports, and keeps a helper's
// file (renaming a temporary one into place) or removes it.
class ZipWriteAhead {
public:
    struct Job {
        const ZipMember* member = nullptr;
        enum { Waiting, Running, Done, Taken } state = Waiting;
        std::shared_ptr<const UniqueFd> dir; // the directory the file is in
        DirIdentity dirId;
        QByteArray temp;      // the file's name; empty when the helper left the member alone
        bool ownName = false; // may be created under its own name
        bool inPlace = false; // temp is the member's own name
        int dirFd() const { return dir ? dir->get() : -1; }
    };

    static constexpr std::int64_t kLargest = 8 << 20;
    static constexpr std::int64_t kBudget = 64 << 20;

    // dirMode: what missing directories are made with.
    ZipWriteAhead(const QByteArray& archive, const BeneathRoot& root, bool mayReplace,
                  mode_t dirMode, int threads);
    ~ZipWriteAhead();
    ZipWriteAhead(const ZipWriteAhead&) = delete;
    ZipWriteAhead& operator=(const ZipWriteAhead&) = delete;

    int add(const ZipMember* m, bool ownName);
    void start();
    void stop();

    // The job once its helper is done with it (nothing written when no
    // helper started it); the caller owns its temporary file from then on.
    Job& take(int job);

    // Whether a helper made the directory at path (parts joined by '/').
    bool madeDirectory(const QByteArray& path);

private:
    struct DirCache {
        QByteArrayList path;
        std::shared_ptr<const UniqueFd> dir;
        DirIdentity id;
    };

    bool claim(int& job);
    void work();
    void write(zip* archive, Job& j, DirCache& cache);
    void openDirectory(const QByteArrayList& path, bool create, DirCache& cache);
    bool writeInPlace(zip* archive, Job& j);
    void writeBeside(zip* archive, Job& j);
    bool finish(zip* archive, const ZipMember& m, int dir, const QByteArray& name, int out);
    bool fill(zip* archive, const ZipMember& m, int out) const;

    QByteArray m_archive;
    const BeneathRoot& m_root;
    bool m_mayReplace;
    mode_t m_dirMode;
    int m_threads;
    std::deque<Job> m_jobs;
    std::vector<std::thread> m_workers;
    std::mutex m_mutex;
    std::condition_variable m_work; // helpers wait for a job or for room
    std::condition_variable m_done; // the extraction waits for its job
    int m_idle = 0;                 // helpers waiting on m_work
    int m_awaited = -1;             // the job the extraction waits for
    std::set<QByteArray> m_madeDirs;
    int m_next = 0;
    std::int64_t m_ahead = 0;
    std::atomic<bool> m_stopping = false;
};

} // namespace dovex
