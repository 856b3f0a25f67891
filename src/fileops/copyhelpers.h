#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace dovex {

struct OperationState;

// Copies the contents of files on helper threads while the walk of a tree,
// and every question, go on in the operation's thread: the operation opens
// both files (asking whatever it must) and hands the rest over. What a job
// ended with is told in the operation's thread, in the order the jobs were
// given, and always before the next question is asked, so that the
// questions come as they would without helpers.
class CopyHelpers {
public:
    // Runs on a helper, told by stop to end early and counting the bytes it
    // moved into bytes; returns what the operation's thread does with the
    // outcome (tells a failure, say).
    using Work = std::function<std::function<void()>(const std::atomic<bool>& stop,
                                                     std::atomic<std::int64_t>& bytes)>;

    // The largest file handed over; a larger one the operation copies
    // itself, with its progress seen block by block.
    static constexpr std::int64_t kLargest = 1 << 20;

    // None when the machine has a single core: the operation copies alone.
    static int threadsAvailable();

    CopyHelpers(OperationState& state, int threads);
    ~CopyHelpers();
    CopyHelpers(const CopyHelpers&) = delete;
    CopyHelpers& operator=(const CopyHelpers&) = delete;

    // Queues a job of size bytes; waits while too much is queued. dropped
    // runs instead of the work, in the operation's thread, for a job never
    // started because the operation stopped.
    void add(Work work, std::function<void()> dropped, std::int64_t size);

    // Tells the outcomes of the jobs done so far and brings the copied bytes
    // into the progress; with all, first waits until every job is done.
    void settle(bool all);

    // The operation ends: after an abort the jobs not started are dropped
    // and the running ones told to stop; then everything is settled.
    void finish();

private:
    struct Job {
        Work work;
        std::function<void()> dropped;
        std::function<void()> outcome;
        std::int64_t size = 0;
        bool done = false;
    };

    void run();
    void showProgress();

    OperationState& m_state;
    std::mutex m_mutex;
    std::condition_variable m_work;
    std::condition_variable m_done;
    std::deque<Job> m_jobs; // in the order given; the front is told first
    std::size_t m_next = 0; // the first job not started
    std::int64_t m_queued = 0;
    std::atomic<bool> m_stop = false;
    std::atomic<std::int64_t> m_bytes = 0;
    bool m_ending = false;
    bool m_telling = false;
    std::vector<std::thread> m_threads;
};

} // namespace dovex
