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
#include <mutex>
#include <thread>
#include <vector>

struct zip;

namespace dovex
{

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

// A name no member has, for a file on its way in (the platform's
// temporaryLeaf, under the name the zip extraction knows it by).
inline QByteArray zipTempName()
{
    return temporaryLeaf();
}

// The device and inode of a directory, to tell whether two descriptors
// name the same one.
struct DirIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const DirIdentity&) const = default;
};
DirIdentity identityOf(int dirFd);

// Writes the files of small members under temporary names on helper
// threads, each with its own handle on the archive, while the extraction
// goes through the members in order: creating and filling files is most of
// the time an extraction takes, and it runs on every core this way. A
// helper writes only into a directory the root opens beneath the target
// (never one it creates), and only where no directory (nor, unless existing
// files may be replaced, anything) is in the way; anything else, and any
// failure, is left to the extraction itself, which decides, asks, reports,
// and renames every prepared file into place or removes it. Nothing a
// helper writes is ever seen under a member's name unless the extraction
// put it there.
class ZipWriteAhead
{
public:
    struct Job {
        const ZipMember* member = nullptr;
        enum { Waiting, Running, Done, Taken } state = Waiting;
        UniqueFd dir;     // the directory the temporary file is in
        DirIdentity dirId;
        QByteArray temp;  // empty when the helper left the member alone
    };

    static constexpr std::int64_t kLargest = 8 << 20;
    static constexpr std::int64_t kBudget = 64 << 20;

    ZipWriteAhead(const QByteArray& archive, const BeneathRoot& root, bool mayReplace,
                  int threads);
    ~ZipWriteAhead();
    ZipWriteAhead(const ZipWriteAhead&) = delete;
    ZipWriteAhead& operator=(const ZipWriteAhead&) = delete;

    int add(const ZipMember* m);
    void start();
    void stop();

    // The job once its helper is done with it (nothing written when no
    // helper started it); the caller owns its temporary file from then on.
    Job& take(int job);

private:
    struct DirCache {
        QByteArrayList path;
        UniqueFd dir;
        DirIdentity id;
    };

    bool claim(int& job);
    void work();
    void write(zip* archive, Job& j, DirCache& cache);
    bool fill(zip* archive, const ZipMember& m, int out) const;

    QByteArray m_archive;
    const BeneathRoot& m_root;
    bool m_mayReplace;
    int m_threads;
    std::deque<Job> m_jobs;
    std::vector<std::thread> m_workers;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_next = 0;
    std::int64_t m_ahead = 0;
    std::atomic<bool> m_stopping = false;
};

} // namespace dovex
