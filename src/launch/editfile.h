#pragma once

#include <QString>

namespace dovex {
class Prompter;
}

namespace dovex::launch {

enum class EditMode { Edit, NotePad };

// Edit (F4) or NotePad (Shift+F4) of name in the drive-letter directory:
// programs (".EXE", ".COM", ".PIF") are left alone, a directory opens in the
// desktop's file manager, NotePad opens the text editor (planTextEditing).
// Edit opens the text editor too when no application is registered for the
// file's type, it does not start, or the file is a ".BAT", and the registered
// application otherwise; an executable file is never run by it. When there is no editor the person
// is told what was looked for and how to set one; when one does not start,
// that it did not. True when something started.
bool editEntry(const QString& directory, const QString& name, bool isDirectory, EditMode mode,
               Prompter& prompter);

} // namespace dovex::launch
