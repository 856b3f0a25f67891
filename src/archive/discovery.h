#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace dovex {

class Prompter;

// The archiver programs the tool profiles run, in the order the search
// looks for them (the classic zip and unzip, arj, rar, lha, pak, zoo and
// compress programs, by their Linux names).
const QStringList& ArchiverPrograms();

// The search for archiver programs. A program counts as present when the
// program directory or PATH has it; a missing one found on a fixed or
// removable drive is installed as a link of its own name in the program
// directory, where the tool profiles look first.
class ArchiverDiscovery {
public:
    // programDir: host directory of the program's own files. installing is
    // called before the first link is made (the classic progress window
    // showing "Copying..."), with the source line's text.
    ArchiverDiscovery(Prompter& prompter, QString programDir);

    // Asks, then installs each missing program; says so when none was new.
    void SearchArchivers();
    // Installs one program when it is missing and found on a drive; true
    // when a link was made.
    bool InstallArchiver(const QString& name);
    // The drive-letter path of the first plain executable file of that name
    // on drives c to w that are fixed or removable, or "[None]".
    QString FindOnLocalDisks(const QString& name) const;

    // True when the program directory or PATH has an executable name.
    bool isPresent(const QString& name) const;

    std::function<void(const QString& sourceLine)> installing;
    // The last link made (for the progress window's lines).
    QString lastInstalled;

private:
    Prompter& m_prompter;
    QString m_programDir;
    bool m_shown = false;
};

} // namespace dovex
