#include "platform/slowdrive.h"

#include "platform/drivemap.h"
#include "platform/netrecords.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace dovex::slowdrive {

namespace {

// Calls per drive letter that were given up and have not come back yet.
std::atomic<int> g_stuck[26];

std::atomic<int>* counterOf(QChar letter)
{
    const char16_t c = letter.toUpper().unicode();
    return c >= u'A' && c <= u'Z' ? &g_stuck[c - u'A'] : nullptr;
}

struct Shared {
    std::mutex lock;
    std::condition_variable doneSignal;
    bool done = false;
    bool givenUp = false;
};

} // namespace

bool stuck(QChar letter)
{
    const std::atomic<int>* counter = counterOf(letter);
    return counter && counter->load() > 0;
}

namespace {

// Starts work on its own thread and waits up to ms for it. False when ms
// passed first: then stuckCount (when given) counts the call until it
// comes back.
bool startAndWait(int ms, std::function<void()> work, std::atomic<int>* stuckCount)
{
    auto shared = std::make_shared<Shared>();
    std::thread([shared, stuckCount, work = std::move(work)] {
        work();
        const std::lock_guard guard(shared->lock);
        shared->done = true;
        if (shared->givenUp && stuckCount)
            stuckCount->fetch_sub(1);
        shared->doneSignal.notify_all();
    }).detach();
    std::unique_lock guard(shared->lock);
    if (shared->doneSignal.wait_for(guard, std::chrono::milliseconds(ms),
                                    [&] { return shared->done; }))
        return true;
    shared->givenUp = true;
    if (stuckCount)
        stuckCount->fetch_add(1);
    return false;
}

} // namespace

bool within(int ms, std::function<void()> work)
{
    return startAndWait(ms, std::move(work), nullptr);
}

bool run(QChar letter, std::function<void()> work)
{
    std::atomic<int>* counter = counterOf(letter);
    if (!counter || !DriveMap::instance().isNetworkDrive(letter)) {
        work();
        return true;
    }
    if (counter->load() > 0)
        return false;
    return startAndWait(netrecords::timeLimitMs(), std::move(work), counter);
}

} // namespace dovex::slowdrive
