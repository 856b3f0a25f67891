#pragma once

#include "archive/toolcommand.h"
#include "archive/toolnames.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace dovex::archive {

// One item of a command, resolved.
struct ToolItem {
    QString given;    // as the command holds it
    QString dosPath;  // Files: the drive-letter path ("*.*" dropped for all); Members: empty
    QString host;     // Files: host path ("*.*" dropped); Members: the member with "/"
    QString relative; // Files: host path relative to the working directory, or host when outside
    bool all = false; // "*.*": every entry of that directory
};

// The paths of a command as the host sees them.
struct ToolContext {
    const ArchiverCommand* command = nullptr;
    QString archive;          // host
    QString target;           // host
    QString workingDirectory; // host
    QList<ToolItem> items;
    QString program; // host path of the Linux archiver found
};

// One program run of a translated command.
struct ToolStep {
    QString program;
    QStringList arguments;
    QString workingDirectory;
    bool listOnStdin = false; // the list file is the program's standard input
    // The program asks for the command's password on its terminal: it runs
    // on a pseudo-terminal of its own, where the answer is typed.
    bool passwordOnTerminal = false;
};

// A translated command: the runs, and the list file they read.
struct ToolPlan {
    QList<ToolStep> steps;
    bool usesList = false;
    QByteArray listText;   // one name per line
    QString listArgPrefix; // an argument "prefix + list file" is put where "\x01LIST" stands
    QString error;         // the command cannot be run: a message for the person
    // A tool that writes its output beside its input works in a scratch
    // directory made inside target: links named like the inputs go in, and
    // once the run passed its outputs are renamed into target.
    bool scratch = false;
    QList<QPair<QString, QString>> links;   // name in scratch -> host path it points to
    QList<QPair<QString, QString>> results; // name in scratch -> name in target
};

// How a tool can be given a password.
enum class PasswordWay {
    Terminal, // it asks on its terminal, where it gets the answer
    None,     // only on its command line, which every user of the machine can
              // read (/proc/<pid>/cmdline): a password is refused
};

// A built-in profile: which Linux programs stand for a classic tool, how
// its command is translated, how each kind of character in a name reaches
// it, and how it takes a password.
struct ToolProfile {
    const char* classic; // "ARJ.exe", compared without regard to case
    const char* program; // "arj"
    ToolPlan (*translate)(const ToolContext& context);
    const NameRules* names;
    PasswordWay password;
};

// The profile of a classic tool name; nullptr when there is none.
const ToolProfile* findProfile(const QString& classicName);

// How the tool of a classic name takes a password; None without a profile.
PasswordWay passwordWayOf(const QString& classicName);

// A password that can be typed on a terminal: no control character (it
// would edit the line or send a signal there), at most 255 bytes.
bool typeablePassword(const QString& password);

inline const QString kPasswordRefused = QStringLiteral(
    "%1 takes a password only on its command line, where every user of the machine can read "
    "it. The password was not used and nothing was done.");
inline const QString kPasswordNotTypeable = QStringLiteral(
    "The password holds a control character or is longer than 255 bytes: it cannot be typed "
    "to the archiver. Nothing was done.");

inline const QString kLineBreakInName =
    QStringLiteral("Cannot hand %1 to the archiver: the name holds a line break.");

// Stands for the scratch directory in a step's working directory.
inline const QString kScratchPlaceholder = QStringLiteral("\x01SCRATCH");

// Stands where the list file's path goes in a step's arguments.
inline const QString kListPlaceholder = QStringLiteral("\x01LIST");

} // namespace dovex::archive
