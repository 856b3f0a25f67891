#pragma once

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace dovex::zipdeflate {

// One file deflated ahead of the writer: the raw deflate stream, its CRC
// and the length read, or the errno of the failure.
struct Packed {
    std::vector<unsigned char> data;
    std::uint32_t crc = 0;
    std::int64_t size = 0;
    int error = 0;
};

// Deflates small files on helper threads while libzip writes the archive
// on the calling thread, so adding uses every core instead of one. Files
// are taken in the order they were given and never more than a bounded
// amount ahead of the writer; whoever needs a file that no helper started
// deflates it itself, so the writer never waits on the budget.
class Pool {
public:
    // Files up to this size are deflated ahead; larger ones stream through
    // libzip as they are written, so memory stays bounded.
    static constexpr std::int64_t kLargest = 8 << 20;

    Pool(int level, int threads);
    ~Pool();
    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;

    // Queues a file (host path) before start(); returns its job number.
    int add(QByteArray hostPath, std::int64_t expectedSize);
    void start();
    // The result of a job, waiting for it (or doing it) when needed; the
    // pool lets go of it: take each job once.
    std::unique_ptr<Packed> take(int job);
    // Stops the helpers after the file each is on.
    void stop();

private:
    struct Job {
        QByteArray host;
        std::int64_t expected = 0;
        enum { Waiting, Running, Done, Taken } state = Waiting;
        std::unique_ptr<Packed> result;
    };

    void work();
    bool claimNext(int& job);
    std::unique_ptr<Packed> pack(const QByteArray& host) const;

    int m_level;
    int m_threads;
    std::vector<Job> m_jobs;
    std::vector<std::thread> m_workers;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_next = 0;           // first job not claimed yet
    std::int64_t m_ahead = 0; // bytes of jobs claimed and not yet taken
    std::atomic<bool> m_stopping = false;
};

} // namespace dovex::zipdeflate
