#pragma once

#include "fileops/fileopkind.h"
#include "platform/prompter.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace dovex {

class ProgressSink;

// The state of one running file operation: the answers that hold for all
// later items, the abort request, the counters the progress window shows and
// where questions and progress go. Every copy, move or delete starts with a
// fresh one, so that an "All" never carries into the next operation.
struct OperationState {
    OperationState(Prompter& prompter, ProgressSink& sink);

    Prompter& prompter;
    ProgressSink& sink;

    bool overwriteAll = false;
    bool deleteProtectedAll = false;
    bool abortRequested = false;
    bool showSpeed = false;

    std::int64_t totalFiles = 0;
    std::int64_t doneFiles = 0;
    std::int64_t totalBytes = 0;
    std::int64_t doneBytes = 0;
    bool byteMode = true;
    bool countBytes = true; // the totals need sizes (not for a delete)
    QString progressWord = QStringLiteral("copied");
    int progressCalls = 0;
    double startTime = 0; // seconds on clock(), pushed on by the time spent in questions
    int barPosition = 0;

    // Items that were not done: skipped by an answer, refused, failed or left
    // by an abort. Zero after an operation means every item was done.
    int notDone = 0;
    // A read or write call failed; the operation ended there.
    bool ioFailed = false;

    // The free space last looked up, and for which directory; the file
    // system's device too where the look knew it (0 where not): another
    // directory there has the same space.
    QString freeSpaceDirectory;
    std::uint64_t freeSpaceDevice = 0;
    std::int64_t freeSpaceLeft = 0;

    // Runs before every question: work still going on beside the
    // operation (copies on helper threads) ends and tells its outcome first.
    // Should that stop the operation, the question is not asked (Cancel).
    std::function<void()> beforeQuestion;

    // Seconds on a steady clock; tests replace it.
    std::function<double()> clock;

    // The two text lines of the progress window; each change is shown at once.
    void setLine1(const QString& text);
    void setLine2(const QString& text);
    const QString& line1() const { return m_line1; }
    const QString& line2() const { return m_line2; }

    // True once the operation is to stop: the flag, the Abort button or an
    // Escape press seen by the sink (which then sets the flag).
    bool checkAbort();

    // Asks with the animation stopped; the time spent in the question is not
    // counted as working time. The window repaints afterwards.
    Answer ask(Severity severity, const QString& text, Buttons buttons);
    void warning(const QString& text) { ask(Severity::Warning, text, Buttons::Ok); }
    void error(const QString& text) { ask(Severity::Error, text, Buttons::Ok); }

    // Clears the counters; startTime = now and the first progress call draws.
    void startCounting();

private:
    QString m_line1, m_line2;
};

// Brings the bar and the amount line up to date from the counters (after
// every copied block and every moved or deleted file). Redraws only when the
// bar crosses a two-percent step or every 101 calls.
void ProgressInfo(OperationState& state);

// bytes / 1024 with digit groups and " KB": 2048000 -> "2,000 KB"; below
// 1024 bytes no digits at all (" KB").
QString FormatKilobytes(std::int64_t bytes);

} // namespace dovex
