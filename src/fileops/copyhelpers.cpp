#include "fileops/copyhelpers.h"

#include "fileops/operationstate.h"

#include <algorithm>
#include <chrono>

namespace dovex {

namespace {

// Enough queued to keep the helpers busy while the operation opens the
// next files; each job holds two open files.
constexpr std::size_t kMaxJobs = 64;
constexpr std::int64_t kBudget = 32 << 20;

} // namespace

int CopyHelpers::threadsAvailable()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores < 2 ? 0 : int(std::min(cores, 4u));
}

CopyHelpers::CopyHelpers(OperationState& state, int threads) : m_state(state)
{
    m_state.beforeQuestion = [this] { settle(true); };
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { run(); });
}

CopyHelpers::~CopyHelpers()
{
    finish();
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_work.notify_all();
    for (std::thread& t : m_threads)
        t.join();
    m_state.beforeQuestion = nullptr;
}

void CopyHelpers::add(Work work, std::function<void()> dropped, std::int64_t size)
{
    for (;;) {
        settle(false);
        std::unique_lock lock(m_mutex);
        const bool room =
            m_jobs.empty() || (m_jobs.size() < kMaxJobs && m_queued + size <= kBudget);
        // Once the operation stops, a job goes in anyway: finish drops it.
        if (room || m_state.abortRequested) {
            m_jobs.push_back({std::move(work), std::move(dropped), {}, size});
            m_queued += size;
            lock.unlock();
            m_work.notify_one();
            return;
        }
        m_done.wait_for(lock, std::chrono::milliseconds(50),
                        [this] { return m_jobs.front().done; });
        lock.unlock();
        m_state.checkAbort();
    }
}

void CopyHelpers::settle(bool all)
{
    // An outcome told may ask a question itself.
    if (m_telling)
        return;
    m_telling = true;
    for (;;) {
        std::function<void()> outcome;
        {
            std::unique_lock lock(m_mutex);
            // While waiting, the progress moves on and Abort is seen.
            while (all && !m_jobs.empty() && !m_jobs.front().done &&
                   !m_done.wait_for(lock, std::chrono::milliseconds(50),
                                    [this] { return m_jobs.front().done; })) {
                lock.unlock();
                showProgress();
                lock.lock();
            }
            if (m_jobs.empty() || !m_jobs.front().done)
                break;
            outcome = std::move(m_jobs.front().outcome);
            m_queued -= m_jobs.front().size;
            m_jobs.pop_front();
            --m_next;
        }
        m_state.doneBytes += m_bytes.exchange(0);
        if (outcome)
            outcome();
        if (m_state.abortRequested)
            m_stop = true;
    }
    showProgress();
    m_telling = false;
}

void CopyHelpers::showProgress()
{
    m_state.doneBytes += m_bytes.exchange(0);
    ProgressInfo(m_state);
    if (m_state.checkAbort())
        m_stop = true;
}

void CopyHelpers::finish()
{
    if (m_state.checkAbort()) {
        m_stop = true;
        std::lock_guard lock(m_mutex);
        for (; m_next < m_jobs.size(); ++m_next) {
            Job& j = m_jobs[m_next];
            j.done = true;
            j.outcome = std::move(j.dropped);
        }
    }
    settle(true);
}

void CopyHelpers::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_work.wait(lock, [this] { return m_ending || m_next < m_jobs.size(); });
        if (m_next >= m_jobs.size())
            return;
        // References to a deque's elements outlive pushes at its back, and
        // the job is not popped before it is done.
        Job& j = m_jobs[m_next++];
        // A job the operation stopped before it began is dropped as one
        // never reached.
        if (m_stop) {
            j.outcome = std::move(j.dropped);
        } else {
            const Work work = std::move(j.work);
            lock.unlock();
            std::function<void()> outcome = work(m_stop, m_bytes);
            lock.lock();
            j.outcome = std::move(outcome);
        }
        j.done = true;
        m_done.notify_one();
    }
}

} // namespace dovex
