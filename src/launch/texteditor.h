#pragma once

#include "launch/shellexecute.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace dovex::launch {

// A text file is edited by the desktop's application for text files
// (text/plain; a TextEditor plan), and where there is none or it does not
// start, by a terminal editor: the command of $VISUAL, else $EDITOR, else the
// first installed of kTerminalEditors, run in the desktop's terminal (the
// first installed of $TERMINAL and the known terminals).
inline const QStringList kTerminalEditors{QStringLiteral("editor"), QStringLiteral("nano"),
                                          QStringLiteral("vim"), QStringLiteral("vi")};

// found: the terminal editor's plan for hostFile (Program kind), or nullopt;
// then problem says what was looked for and how to set one (desktopFailed:
// the desktop's application was there but did not start).
struct TextEditing {
    std::optional<LaunchPlan> found;
    QString problem;
};

TextEditing planTerminalEditing(const QString& hostFile, const QString& hostDirectory,
                                bool desktopFailed);

// The installed terminal to run a text program in: its host path followed
// by the words that make it run the command after them; empty when none.
QStringList terminalCommand();

} // namespace dovex::launch
