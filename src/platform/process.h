#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

namespace dovex::process {

// What to start: a program file and its arguments, each handed to the program
// as exactly one argument (no shell ever sees them). Paths are host paths in
// the program's form of names (hostname.h); they are encoded here.
struct Spec {
    QString program;          // a host path; a bare name is looked up on PATH
    QStringList arguments;    // argv[1..]
    QString workingDirectory; // host path; empty keeps the current one
    QString stdinFile;        // host path read as standard input; empty: /dev/null
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
    int exitCode = -1; // Exited: the status; Signalled: the signal number
    QString error;     // NotStarted: why, for the person
    QByteArray output; // stdout and stderr interleaved, when captured
    bool outputCut = false;
};

// Called about every pollInterval while the program runs: keeps the window
// alive and answers whether the person wants the program to stop.
using KeepAlive = std::function<bool()>;

// Starts the program in a process group of its own and waits for it. When
// keepAlive returns true, or a termination signal was caught (see
// CleanupScope), the whole group gets SIGTERM, then SIGKILL once
// graceOnAbort has passed, so nothing the program started outlives it; the
// program is always reaped before this returns. Its group is known to the
// termination handlers while it runs, and the program itself is killed
// should this process die first.
Outcome run(const Spec& spec, const KeepAlive& keepAlive = {});

// For a program that runs archivers on the user's behalf (dovex-cli): from
// now on SIGINT, SIGTERM and SIGHUP end the process group of every program
// that run() waits for (TERM, and KILL when the wait gives up), and so does
// leaving through exit(). Outside a CleanupScope the signal then ends this
// process as it would have; inside one it is held (see there).
void installTerminationHandlers();

// A stretch of work that leaves scratch directories or list files behind
// when cut short. A termination signal caught inside it only ends the
// running programs and is recorded: run() returns Aborted, the work sees
// terminationPending() and unwinds, and once the outermost scope has ended
// (everything removed) the signal ends the process after all.
class CleanupScope {
public:
    CleanupScope();
    ~CleanupScope();
    CleanupScope(const CleanupScope&) = delete;
    CleanupScope& operator=(const CleanupScope&) = delete;
};

// True once a termination signal was caught and is held by a CleanupScope.
bool terminationPending();

// Waits until fd has input to read; false, without waiting any longer, once
// a termination signal is held (a question on a terminal must not keep the
// program from ending).
bool waitForInput(int fd);

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

// Runs work in a child process (a fork of this one) and returns the bytes
// it gave back; nullopt when no child could be made or it did not end
// normally. For work that leaves large caches behind in the process that
// does it. Only the calling thread lives on in the child, so work must not
// wait for another thread.
std::optional<QByteArray> runInChild(const std::function<QByteArray()>& work);

// Makes linkHostPath a symbolic link to targetHostPath; false on failure.
bool makeLink(const QString& targetHostPath, const QString& linkHostPath);

} // namespace dovex::process
