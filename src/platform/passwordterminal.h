#pragma once

#include "platform/uniquefd.h"

#include <QByteArray>

namespace dovex::process {

// A pseudo-terminal for a program that asks for a password on its terminal,
// so that the password never stands on a command line, which every user of
// the machine can read (/proc/<pid>/cmdline). The program gets one side
// (Spec::terminalFd) as its controlling terminal; this side reads what it
// writes there and types the password when a line asks for one. Any other
// question left waiting gets end-of-input, as a program without a terminal
// would get. Nothing the program writes there is kept.
//
//   PasswordTerminal terminal(password.toUtf8());
//   if (!terminal.open()) ...;
//   spec.terminalFd = terminal.programSide();
//   process::run(spec, [&] { terminal.pump(); return abortRequested(); });
class PasswordTerminal {
public:
    explicit PasswordTerminal(QByteArray password);
    PasswordTerminal(const PasswordTerminal&) = delete;
    PasswordTerminal& operator=(const PasswordTerminal&) = delete;

    // Opens the pair; false when the system gives no pseudo-terminal.
    bool open();
    // The program's side, for Spec::terminalFd; -1 before open().
    int programSide() const { return m_program.get(); }
    // Reads what the program wrote since the last call and answers a
    // question that waits. Called while the program runs.
    void pump();
    // How often the password was typed.
    int passwordsTyped() const { return m_typed; }

private:
    void type(const QByteArray& text);

    QByteArray m_password;
    UniqueFd m_master;
    UniqueFd m_program; // closed before m_master
    QByteArray m_line;  // the last line the program wrote, its end at most
    int m_quiet = 0;    // pumps since a question was left waiting with nothing more
    int m_typed = 0;
    int m_answers = 0;
};

} // namespace dovex::process
