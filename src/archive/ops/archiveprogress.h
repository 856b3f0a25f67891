#pragma once

#include "platform/process.h"
#include "platform/progresssink.h"

#include <QString>

namespace dovex {

// The "Compressing Files" window as the archive operations drive it: a
// caption, three lines, an animation for packing or unpacking, a bar shown
// only while the zip library works, and "abort". The window implements it;
// dovex-cli and the tests pass their own.
class ArchiveProgress : public ProgressSink {
public:
    enum class Animation { Zip, Unzip }; // "ZIPAVI", "UNZIPAVI"

    // Shows the window for one run (bar hidden and at 0 unless showBar),
    // clears the abort request and lets it paint.
    virtual void showRun(const QString& caption, const QString& line1, const QString& line2,
                         const QString& line3, Animation animation, bool showBar) = 0;
    // Line 1 to 3.
    virtual void setLine(int line, const QString& text) = 0;
    virtual void setBarVisible(bool visible) = 0;
    virtual void hideRun() = 0;

    // ProgressSink: the first two lines, and the bar.
    void setLabels(const QString& from, const QString& to) override
    {
        setLine(1, from);
        setLine(2, to);
    }
};

// An ArchiveProgress that shows nothing (dovex-cli); aborted only by a
// termination signal held meanwhile (process::CleanupScope), so that the
// operation stops and cleans up before the signal ends the program.
class SilentArchiveProgress : public ArchiveProgress {
public:
    void showRun(const QString&, const QString&, const QString&, const QString&, Animation,
                 bool) override
    {
    }
    void setLine(int, const QString&) override {}
    void setBarVisible(bool) override {}
    void hideRun() override {}
    void setPercent(int) override {}
    bool abortRequested() override { return process::terminationPending(); }
};

} // namespace dovex
