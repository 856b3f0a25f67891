#pragma once

#include <QString>
#include <QStringList>

namespace dovex::archive {

// What the items of a command name.
enum class ToolItems {
    Files,   // drive-letter paths, or paths relative to the working directory;
             // "*.*" as the last component stands for every entry there
    Members, // paths inside the archive, "\" between directories
};

// One archiver command in the classic form, kept in its parts so that no
// name is ever split or re-joined: the switch words, the archive, the items
// and a target directory. The classic command line is these in that order:
//   switches... archive (listPrefix+listfile | items...) target
struct ArchiverCommand {
    QString tool;         // classic file name: "ARJ.exe", "PKZIP.EXE", "Compress.exe"
    QStringList switches; // e.g. {"A", "-p1", "-r", "-y"}; never a password
    // The password, null when none. It is never a word of the command line,
    // which every user of the machine can read: a tool that asks for it on
    // its terminal gets it there, any other is not run.
    QString password;
    QString archive; // drive-letter path; empty when the command has none
    QStringList items;
    ToolItems itemKind = ToolItems::Files;
    QString listPrefix;       // "!" or "@": the items go through a list file
    QString target;           // drive-letter directory (PKUNZIP, Compress), else empty
    QString workingDirectory; // drive-letter path

    // "ARJ.exe A -r -y" -> tool "ARJ.exe", switches {"A", "-r", "-y"}: a template
    // of the tool table is split at its first blank, its switches into words
    // as a POSIX shell would split them (quotes, backslashes), never run by one.
    static ArchiverCommand fromTemplate(const QString& templateText);
};

// Words of a text as a POSIX shell splits them, without expanding anything.
QStringList splitWords(const QString& text);

// Whether one of the switch words is name, in any case ("-R" is "-r").
bool hasSwitch(const QStringList& switches, const char* name);

} // namespace dovex::archive
