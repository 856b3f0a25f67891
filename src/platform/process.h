#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

namespace dovex::process {

// What to start: a program file and its arguments, each handed to the program
// as exactly one argument (no shell ever sees them). Paths are host paths in
// the program's form of names (hostname.h); they are encoded here.
struct Spec {
    QString program;            // a host path; a bare name is looked up on PATH
    QStringList arguments;      // argv[1..]
    QString workingDirectory;   // host path; empty keeps the current one
    QString stdinFile;          // host path read as standard input; empty: /dev/null
    // The program's side of a pseudo-terminal (PasswordTerminal), or -1: the
    // program then runs in a session of its own with it as its controlling
    // terminal, standard output and error, and standard input unless
    // stdinFile names one. Its group is still ended on an abort.
    int terminalFd = -1;
    bool captureOutput = false; // collect stdout and stderr (bounded) instead of dropping them
    qsizetype captureLimit = 1 << 20;
    std::chrono::milliseconds pollInterval{50};
    std::chrono::milliseconds graceOnAbort{2000};
};

enum class Ending { Exited, Signalled, Aborted, NotStarted };

struct Outcome {
    Ending ending = Ending::NotStarted;
    int exitCode = -1;     // Exited: the status; Signalled: the signal number
    QString error;         // NotStarted: why, for the person
    QByteArray output;     // stdout and stderr interleaved, when captured
    bool outputCut = false;
};

// Called about every pollInterval while the program runs: keeps the window
// alive and answers whether the person wants the program to stop.
using KeepAlive = std::function<bool()>;

// Starts the program in a process group of its own and waits for it. When
// keepAlive returns true the whole group gets SIGTERM, then SIGKILL once
// graceOnAbort has passed, so nothing the program started outlives it; the
// program is always reaped before this returns.
Outcome run(const Spec& spec, const KeepAlive& keepAlive = {});

// The host path of an executable file: name itself when it holds a "/",
// else the first match on PATH; empty when there is none.
QString findExecutable(const QString& name);

// True when path names a regular file the user may execute.
bool isExecutableFile(const QString& hostPath);

// Writes text to a new file in hostDir named prefix + six random characters
// + suffix, never replacing a file that is there; its host path, or empty on
// failure (nothing is left behind then). For files handed to a program.
QString writeUniqueFile(const QString& hostDir, const QString& prefix, const QString& suffix,
                        const QByteArray& text);

// Makes a new directory in hostDir named prefix + six random characters;
// its host path, or empty on failure.
QString makeUniqueDirectory(const QString& hostDir, const QString& prefix);

// Makes linkHostPath a symbolic link to targetHostPath; false on failure.
bool makeLink(const QString& targetHostPath, const QString& linkHostPath);

} // namespace dovex::process
