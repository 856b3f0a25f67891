#pragma once

#include <QChar>

#include <functional>
#include <memory>
#include <optional>

namespace dovex::slowdrive {

// Runs work for the drive of letter. On a local drive it simply runs. On
// one of the program's network drives (whose server may stop answering, and then every call into
// its mount blocks) it runs on a thread of its own, and the caller waits no
// longer than the network time limit; while an earlier call on that drive
// is still stuck the drive is not ready and work is not started at all.
// False when the drive did not answer: work may still finish later, alone,
// so it must own (capture by value) everything it touches.
bool run(QChar letter, std::function<void()> work);

// The same, with work's result; nullopt when the drive did not answer.
template <typename T, typename Work> std::optional<T> call(QChar letter, Work work)
{
    auto result = std::make_shared<std::optional<T>>();
    if (!run(letter, [result, work = std::move(work)]() mutable { *result = work(); }))
        return std::nullopt;
    return std::move(*result);
}

// Runs work on a thread of its own and waits for it up to ms; false when it
// did not finish in time (it then goes on alone, as above).
bool within(int ms, std::function<void()> work);

// True while a call on the drive of letter has not come back in time.
bool stuck(QChar letter);

} // namespace dovex::slowdrive
