#pragma once

#include <QElapsedTimer>
#include <QWidget>

namespace dovex {

// What the progress windows share: a small fixed window above the others
// that, while a run goes on, takes Escape as the abort key (except in a
// question shown over it) and lets pending input through at most every few
// milliseconds, often enough for Abort and Escape to answer at once, rarely
// enough to cost the run nothing.
class ProgressWindow : public QWidget {
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget* parent);
    ~ProgressWindow() override;

protected:
    // A run starts: no abort and no Escape yet, and Escape is watched.
    void startRun();
    // The run ends: Escape belongs to the other windows again. An abort
    // already asked for still counts until the next startRun.
    void stopRun();
    bool running() const { return m_running; }
    void requestAbort() { m_abort = true; }
    void forgetEscape() { m_escape = false; }
    // Lets pending input through, then tells whether Abort, Escape or
    // closing the window asked the run to stop.
    bool stopAsked();
    // Lets pending input through; unless forced, only when the last time
    // is a while ago.
    void letEventsThrough(bool force);
    // The middle of the primary screen.
    void centerOnScreen();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_abort = false;
    bool m_escape = false;
    bool m_running = false;
    QElapsedTimer m_sinceEvents;
};

} // namespace dovex
