#pragma once

#include <QString>

namespace dovex::launch {

enum class EditMode { Edit, NotePad };

// Edit (F4) or NotePad (Shift+F4) of name in the drive-letter directory:
// programs (".EXE", ".COM", ".PIF") are left alone, a directory opens in the
// desktop's file manager, NotePad opens the text editor (the default
// application of text/plain). Edit opens the text editor too when no
// application is registered for the file's type or it is a ".BAT", and the
// registered application otherwise; an executable file is never run by it.
// True when something started.
bool editEntry(const QString& directory, const QString& name, bool isDirectory, EditMode mode);

} // namespace dovex::launch
