#pragma once

#include "archive/safeextract.h"
#include "archive/toolcommand.h"

#include <QString>

namespace dovex {
class Prompter;
class ProgressSink;
} // namespace dovex

namespace dovex::archive {

struct ToolRunResult {
    bool passed = false;  // the archiver ran and reported success (0 or 25)
    bool aborted = false; // Escape or "abort" ended it
    int exitCode = -1;
    QString listFile; // host path of the list file written, to delete at the next refresh
    int refused = 0;  // members an extraction left out (told by name, or kept out by an
                      // answer); passed is false then
};

// Runs an archiver and waits for it, letting the window live through
// progress (repaint, abortRequested) about every 50 ms. A program of the
// exact classic name in the program directory runs the command as given,
// but only when it is the user's own plain file that nobody else may
// change (else the person is told why, and nothing runs); otherwise the
// tool's profile runs the Linux archiver with the command translated,
// looked for first in the program directory under the same condition.
// Every failure is told once through the prompter with the program's texts
// ("Cannot find ...", "... exits with:...", "... didn't Start"). A pipe,
// socket or device among the sources (or below a source directory) is
// refused by name before anything runs: the archiver would wait on it.
// An extracting command never writes outside its target directory and
// replaces an existing file only when agree says so (SafeExtraction); one
// that also deletes what it took out (arj's "-d", Pak's "X") deletes only
// the members that arrived. A termination signal caught meanwhile (see
// process::CleanupScope) ends the archiver, and its scratch directory and
// list file are removed before the signal takes effect.
ToolRunResult RunArchiverTool(const ArchiverCommand& command, Prompter& prompter,
                              ProgressSink* progress = nullptr, const AgreeToPlace& agree = {});

// True when RunArchiverTool would find something to run for the tool: the
// classic program in the program directory, or the Linux archiver of its
// profile. Lets a caller say "Cannot find ..." before it shows anything.
bool ArchiverToolAvailable(const QString& tool);

// "Cannot find " + tool + " in the Dovex directory."
QString CannotFindText(const QString& tool);

} // namespace dovex::archive
