#pragma once

#include "archive/toolcommand.h"

#include <QString>

namespace dovex {
class Prompter;
class ProgressSink;
} // namespace dovex

namespace dovex::archive {

struct ToolRunResult {
    bool passed = false;   // the archiver ran and reported success (0 or 25)
    bool aborted = false;  // Escape or "abort" ended it
    int exitCode = -1;
    QString listFile;      // host path of the list file written, to delete at the next refresh
    int refused = 0;       // members an extraction left out (told by name); passed is false then
};

// Runs an archiver and waits for it, letting the window live through
// progress (repaint, abortRequested) about every 50 ms. A program of the
// exact classic name in the program directory runs the command as given;
// otherwise the tool's profile runs the Linux archiver with the command
// translated. Every failure is told once through the prompter with the
// program's texts ("Cannot find ...", "... exits with:...", "... didn't Start").
// An extracting command never writes outside its target directory and
// replaces an existing file only as its own switches say (SafeExtraction).
ToolRunResult RunArchiverTool(const ArchiverCommand& command, Prompter& prompter,
                              ProgressSink* progress = nullptr);

// True when RunArchiverTool would find something to run for the tool: the
// classic program in the program directory, or the Linux archiver of its
// profile. Lets a caller say "Cannot find ..." before it shows anything.
bool ArchiverToolAvailable(const QString& tool);

// "Cannot find " + tool + " in the Dovex directory."
QString CannotFindText(const QString& tool);

} // namespace dovex::archive
