#include "fileops/operationstate.h"

#include "platform/progresssink.h"

#include <QLocale>

#include <chrono>
#include <cmath>

namespace dovex {

namespace {

double steadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

QString amountLine(const OperationState& s, std::int64_t elapsed)
{
    QString line = FormatKilobytes(s.doneBytes) + QStringLiteral(" of ") +
                   FormatKilobytes(s.totalBytes) + ' ' + s.progressWord;
    if (elapsed <= 3 || s.doneBytes <= 0)
        return line;
    const double ratio = double(s.totalBytes) / double(s.doneBytes) - 1.0;
    const std::int64_t remaining = std::llround(ratio * double(elapsed));
    if (remaining > 60)
        line += QStringLiteral("   estimated time: %1 min").arg(remaining / 60);
    else
        line += QStringLiteral("   estimated time: %1 sec ").arg(remaining);
    if (s.showSpeed)
        line +=
            QStringLiteral(",  ") + FormatKilobytes(s.doneBytes / elapsed) + QStringLiteral("/Sec");
    return line;
}

} // namespace

OperationState::OperationState(Prompter& prompter, ProgressSink& sink)
    : prompter(prompter), sink(sink), clock(steadySeconds)
{
    startTime = clock();
}

void OperationState::setLine1(const QString& text)
{
    m_line1 = text;
    sink.setLabels(m_line1, m_line2);
}

void OperationState::setLine2(const QString& text)
{
    m_line2 = text;
    sink.setLabels(m_line1, m_line2);
}

bool OperationState::checkAbort()
{
    if (!abortRequested && sink.abortRequested())
        abortRequested = true;
    return abortRequested;
}

Answer OperationState::ask(Severity severity, const QString& text, Buttons buttons)
{
    // What the work told first may have ended the operation (a copy that
    // failed): a question it made moot is not asked.
    const bool running = !abortRequested;
    if (beforeQuestion)
        beforeQuestion();
    if (running && abortRequested)
        return Answer::Cancel;
    const double asked = clock();
    sink.setAnimationPlaying(false);
    const Answer answer = prompter.ask(severity, text, buttons);
    sink.repaint();
    sink.setAnimationPlaying(true);
    startTime += clock() - asked;
    return answer;
}

void OperationState::startCounting()
{
    doneFiles = 0;
    doneBytes = 0;
    startTime = clock();
    progressCalls = 101;
}

void ProgressInfo(OperationState& s)
{
    ++s.progressCalls;
    if (!s.byteMode) {
        const std::int64_t total = s.totalFiles > 0 ? s.totalFiles : 1;
        const int percent = int(std::lround(double(s.doneFiles) / double(total) * 100.0));
        if (percent != s.barPosition) {
            s.sink.setInfo(QString());
            s.sink.setPercent(percent);
            s.barPosition = percent;
        }
        return;
    }
    const std::int64_t total = s.totalBytes > 0 ? s.totalBytes : 1;
    if (s.totalBytes <= 0)
        s.totalBytes = 1;
    const int percent = int(std::lround(double(s.doneBytes) / double(total) * 100.0));
    if (percent / 2 == s.barPosition / 2 && s.progressCalls <= 100)
        return;
    s.sink.setPercent(percent);
    s.barPosition = percent;
    // Whole seconds of working time; a run longer than a day keeps counting.
    const std::int64_t elapsed = std::int64_t(std::floor(s.clock() - s.startTime));
    const QString line = amountLine(s, elapsed);
    if (s.progressCalls > 100)
        s.progressCalls = 0;
    s.sink.setInfo(line);
    s.sink.repaint();
}

QString FormatKilobytes(std::int64_t bytes)
{
    std::int64_t kb = bytes / 1024;
    if (kb == 0)
        return QStringLiteral(" KB");
    const bool negative = kb < 0;
    QString digits = QString::number(negative ? -kb : kb);
    QString sep = QLocale::system().groupSeparator();
    if (sep.isEmpty())
        sep = QStringLiteral(",");
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(i, sep);
    return (negative ? QStringLiteral("-") : QString()) + digits + QStringLiteral(" KB");
}

} // namespace dovex
