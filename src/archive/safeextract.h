#pragma once

#include "archive/toolcommand.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace dovex {
class Prompter;
}

namespace dovex::archive {

// How a command of a classic archiver extracts, when it does.
struct ExtractionForm {
    bool extracts = false;
    bool keepsPaths = false; // stored directories are made (else every file lands in the target)
    bool overwrite = false;  // the command's own switch lets an existing file be replaced
    bool setsTimes = true;   // the archiver gives each file its stored time itself
    // The archiver reads and writes member names as text (the Java lha
    // converts between its header's encodings and the locale), not as the
    // header's bytes.
    bool namesAsText = false;
};

// Read from the tool and its command word and switches: "ARJ.exe X -y",
// "PKUNZIP.EXE -d -o", "PAK.exe E -I -WA", "ZOO.exe eO" ...
ExtractionForm extractionForm(const ArchiverCommand& command);

// An extraction by an external archiver, kept inside its target directory.
// Before the run the archive is listed with the program's own readers and
// every chosen member that would land outside (a "..", a root, a drive, a
// path through another member that is a file or link) is refused by name;
// the archiver is then told the remaining members one by one. It runs in a
// scratch directory made inside the target; once it passed, what it wrote
// is looked at (links leading out and special files are refused) and each
// file is renamed into the target, replacing an existing one only when the
// command says so. The scratch directory goes in every case.
class SafeExtraction {
public:
    SafeExtraction(const ArchiverCommand& command, ExtractionForm form, Prompter& prompter);
    ~SafeExtraction();
    SafeExtraction(const SafeExtraction&) = delete;
    SafeExtraction& operator=(const SafeExtraction&) = delete;

    // Lists the archive and makes the scratch directory; false (told) when
    // nothing can run. The command to run is then command(): its items
    // narrowed to the safe members when some were refused.
    bool prepare();
    const ArchiverCommand& command() const { return m_command; }
    // Host path of the scratch directory: where the archiver extracts.
    const QString& scratchHost() const { return m_scratchHost; }
    // After a passed run: checks and moves what arrived into the target;
    // false when a member was refused, left alone or missing.
    bool finish();
    // Members refused before the run or left out after it.
    int refused() const { return m_refused; }

private:
    void refuse(const QString& member, const QString& why);
    void collect(const QString& rel, bool& ok);
    void place(const QString& rel, bool& ok);

    ArchiverCommand m_command;
    ExtractionForm m_form;
    Prompter& m_prompter;
    QString m_targetHost;
    QString m_scratchHost;
    QStringList m_expected; // relative host paths the archiver should write
    QHash<QString, std::uint32_t> m_times; // their stored times, where the archiver sets none
    int m_refused = 0;
};

} // namespace dovex::archive
