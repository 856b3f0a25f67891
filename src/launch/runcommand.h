#pragma once

#include "launch/commandhistory.h"

#include <QChar>
#include <QString>
#include <QStringList>

namespace dovex::launch {

// What the text typed on the command line asks for, worked out without
// doing it (dovex-cli run-line prints this).
struct CommandPlan {
    enum class Kind {
        Nothing,         // blank text, or a "cd" that leads nowhere
        Drive,           // "d:" and anything after it: the panel goes to drive
        ChangeDirectory, // "cd sub", "cd..", "cd ..": the panel goes to directory
        Start,           // program started with arguments in the panel directory
    };
    Kind kind = Kind::Nothing;
    QChar drive;           // Drive: lower case, as typed
    QString directory;     // ChangeDirectory: the panel's new directory
    QString program;       // Start: the command as it is started
    QStringList arguments; // Start: each one argument, never seen by a shell
};

// The plan for text typed while the panel shows panelDirectory:
// - a second character ":" changes the drive (the rest is ignored);
// - "cd.." or "cd .." goes to the parent (a root stays), "cd NAME" to
//   panelDirectory\NAME when that directory exists (else nothing); a path
//   never leaves its drive;
// - anything else starts the first word with the other words as arguments,
//   split as a POSIX shell splits words but never given to one. The command
//   is started as typed when a program of that name exists, else in lower
//   case (the names of the classic platform's commands); a text with an
//   unclosed quote starts nothing.
CommandPlan planCommandLine(const QString& panelDirectory, const QString& text);

// What running the command line did, for the window to follow.
struct CommandResult {
    CommandPlan plan;
    bool started = false;
    // The panel's directory afterwards when it moved: a "cd", or the
    // process's current directory after a start when it differs.
    QString newDirectory;
    // Non-empty when the panel directory could not be made current: the
    // system's input/output message; nothing ran and nothing was recorded.
    QString error;
};

// Runs the text typed in the panel (inArchive: the panel shows an archive,
// whose directory is not made current) and records it in history, as typed.
// A drive change is only planned: the window switches drives.
CommandResult runCommandLine(const QString& panelDirectory, bool inArchive, const QString& text,
                             CommandHistory& history);

} // namespace dovex::launch
