#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace dovex::launch {

// Starting programs and opening documents the way the desktop does, without
// ever handing a command to a shell.
//
//   shellExecute(verb, file, parameters, directory)
//     verb       "open", "" (the default verb), "explore" or "Find"
//     file       a name relative to directory, a drive-letter path, or a bare
//                command looked up on PATH
//     parameters text split into words as a POSIX shell splits them (quotes,
//                backslashes), each word one argument; never given to a shell
//     directory  drive-letter path the program starts in
//
// A program (a plain file with the owner's execute bit, or a ".EXE", ".COM",
// ".BAT", ".PIF" through wine where wine is installed) is started detached and
// never waited for. A document goes to GIO's default application for its
// type (a ".desktop" file starts the application it describes); "explore"
// opens a directory with the default application for inode/directory; "Find"
// starts the desktop's search tool in the directory. Failures are silent for
// the person; the return value tells the caller whether anything started.
//
// Everything goes through the current Launcher: tests install a
// RecordingLauncher (ScopedLauncher) so nothing is really started.

// What would be started, once the request is resolved to host paths.
struct LaunchPlan {
    // TextEditor: target opened by the default application of text/plain.
    enum class Kind { Program, Document, Directory, TextEditor };
    Kind kind = Kind::Program;
    QString program;          // Program: host path of the executable (or wine)
    QStringList arguments;    // Program: argv[1..]
    QString target;           // Document / Directory: host path opened
    QString workingDirectory; // host path; empty: unchanged
};

class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts what plan describes without waiting; false when it could not.
    virtual bool start(const LaunchPlan& plan) = 0;
    // True when the desktop has a default application for the MIME type.
    virtual bool hasDefaultApplication(const QString& mimeType) = 0;
};

// Starts for real: fork/exec of a detached process group, GIO for documents.
class SystemLauncher final : public Launcher {
public:
    bool start(const LaunchPlan& plan) override;
    bool hasDefaultApplication(const QString& mimeType) override;
};

// Remembers each plan and starts nothing; start() returns `succeed`.
class RecordingLauncher final : public Launcher {
public:
    bool start(const LaunchPlan& plan) override
    {
        plans.push_back(plan);
        return succeed;
    }
    bool hasDefaultApplication(const QString& mimeType) override
    {
        return registeredTypes.contains(mimeType);
    }
    std::vector<LaunchPlan> plans;
    QStringList registeredTypes;
    bool succeed = true;
};

// The launcher every launch goes through (a SystemLauncher unless replaced).
Launcher& currentLauncher();
void setLauncher(Launcher* launcher); // nullptr restores the system launcher

// Replaces the current launcher for the lifetime of this object.
class ScopedLauncher {
public:
    explicit ScopedLauncher(Launcher& launcher);
    ~ScopedLauncher();
    ScopedLauncher(const ScopedLauncher&) = delete;
    ScopedLauncher& operator=(const ScopedLauncher&) = delete;

private:
    Launcher* m_previous;
};

// Splits text into words as a POSIX shell does, without any expansion:
// blanks separate words, '...' keeps everything literally, "..." keeps all
// but \" \\ \$ \` , and a backslash outside quotes takes the next character
// literally. nullopt when a quote is not closed.
std::optional<QStringList> splitWords(const QString& text);

// Resolves a request to what would be started; nullopt when nothing can be
// (a missing file, no program of that name, an unbalanced quote).
std::optional<LaunchPlan> planExecute(const QString& verb, const QString& file,
                                      const QString& parameters, const QString& directory);

// The same with the arguments already split (each one exactly one argument).
std::optional<LaunchPlan> planExecuteWords(const QString& verb, const QString& file,
                                           const QStringList& arguments, const QString& directory);

// A file opened as a document even when it is executable (an editor asked
// to open a script must not run it); kind TextEditor when asTextFile.
std::optional<LaunchPlan> planDocument(const QString& file, const QString& directory,
                                       bool asTextFile);

// Starts a plan through the current launcher (false for nullopt).
bool startPlan(const std::optional<LaunchPlan>& plan);

// planExecute, then the current launcher. True when something started.
bool shellExecute(const QString& verb, const QString& file, const QString& parameters,
                  const QString& directory);

// True for the extensions of the classic platform's programs (".EXE", ".BAT",
// ".COM", ".PIF"), any case.
bool isClassicProgramName(const QString& name);

// The first of the named programs that is installed (host path), or empty.
QString firstInstalled(const QStringList& names);

} // namespace dovex::launch
