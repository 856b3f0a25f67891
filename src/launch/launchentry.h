#pragma once

#include <QString>

namespace dovex {
class Prompter;
}

namespace dovex::launch {

// What Enter on a file of a panel (outside an archive) did.
struct EntryLaunch {
    bool handled = false;  // a program or link: the archive checks are skipped
    QString openDirectory; // a link to a directory: the panel goes there
};

// Programs (".EXE", ".BAT", ".COM", ".PIF", or a plain file with the owner's
// execute bit) are started in the panel directory; a ".LNK" whose target is
// a directory opens that directory, one whose target is a file starts or
// opens the target. A link that cannot be read, or names nothing that
// exists, opens nothing (the unreadable one reports "Open error File").
EntryLaunch launchEntry(const QString& panelDirectory, const QString& name, Prompter* prompter);

// "Open Documents on enter": the file goes to its default application. A
// name without an extension opens nothing. True when something started.
bool openDocumentEntry(const QString& panelDirectory, const QString& name);

// The upper-cased extension with its dot ("" when there is none).
QString upperExtension(const QString& name);

} // namespace dovex::launch
