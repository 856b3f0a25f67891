#pragma once

#include <QString>

#include <cstdint>

namespace dovex {

// Where a long operation reports its progress, and asks whether the person
// wants it to stop (the Abort button, or Escape pressed since it started).
class ProgressSink {
public:
    virtual ~ProgressSink() = default;

    virtual void setLabels(const QString& from, const QString& to) = 0;
    virtual void setPercent(int percent) = 0;
    virtual bool abortRequested() = 0;

    // The amount line under the bar ("1,024 KB of 2,048 KB copied ...").
    virtual void setInfo(const QString& text) { (void)text; }
    // The animation stops while a question is shown and plays again after.
    virtual void setAnimationPlaying(bool playing) { (void)playing; }
    // Lets the window paint and deliver pending input (the Abort button);
    // called at the progress points and after every message.
    virtual void repaint() {}
    // Forgets an Escape pressed before the operation began.
    virtual void dropPendingEscape() {}
};

// Shows nothing and never asks for an abort: work done without a window
// (dovex-cli, a count taken on the side).
class SilentSink : public ProgressSink {
public:
    void setLabels(const QString&, const QString&) override {}
    void setPercent(int) override {}
    bool abortRequested() override { return false; }
};

} // namespace dovex
