#pragma once

#include <QString>

namespace dovex {

class FileTypeTable;

// The program directory: a host path, and as the program names it.
struct ProgramFiles {
    QString dir;
    QString name;
};

// The program directory made where missing, with the files the program
// keeps there: the two shell link files, the archivers' PIFs (one that
// cannot be written is skipped: the archivers run without it) and the
// file-type table, built from the MIME database when missing or unreadable.
// Throws SettingsWriteError when the directory, a link file or the table
// cannot be written.
ProgramFiles PrepareProgramFiles(FileTypeTable& types);

} // namespace dovex
