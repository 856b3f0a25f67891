#pragma once

#include "archive/toolcommand.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace dovex {
class BeneathRoot;
class Prompter;
struct ArchiveContents;
struct ArchiveRecord;
} // namespace dovex

namespace dovex::archive {

// How a command of a classic archiver extracts, when it does.
struct ExtractionForm {
    bool extracts = false;
    bool keepsPaths = false; // stored directories are made (else every file lands in the target)
    bool setsTimes = true;   // the archiver gives each file its stored time itself
    // The archiver reads and writes member names as text (the Java lha
    // converts between its header's encodings and the locale), not as the
    // header's bytes.
    bool namesAsText = false;
    // Every file arrives with the size the archive lists (no text-mode
    // conversion): a smaller one was cut short by the archiver.
    bool keepsSizes = false;
    // The command also deletes the members it took out (arj's "-d", Pak's
    // "X"): run as an extraction, and the members that arrived are deleted
    // afterwards (deletionOf).
    bool movesOut = false;
};

// Read from the tool and its command word and switches: "ARJ.exe X -y",
// "PKUNZIP.EXE -d -o", "PAK.exe E -I -WA", "ZOO.exe eO" ...
ExtractionForm extractionForm(const ArchiverCommand& command);

// The extraction a moving command stands for, deleting nothing; and the
// command that deletes the members afterwards ("D" with the same switches).
ArchiverCommand withoutDeletion(const ArchiverCommand& command);
ArchiverCommand deletionOf(const ArchiverCommand& command, const QStringList& members);

// Asked before a member takes the place of an existing file at destination
// (a drive-letter path): the copy engine's question. heldTwice: the archive
// holds more members of that name, so that one would be replaced by the
// other even where nothing is there yet. True when it may.
using AgreeToPlace = std::function<bool(const QString& destination, bool heldTwice)>;

// An extraction by an external archiver, kept inside its target directory.
// Before the run the archive is listed with the program's own readers and
// every chosen member that would land outside (a "..", a root, a drive, a
// path through another member that is a file or link) is refused by name;
// the archiver is then told the remaining members one by one. It runs in a
// scratch directory made inside the target. Once it passed, what it wrote
// is walked by descriptors, never through a link, and each file and link
// is renamed into the target beneath its descriptor (BeneathRoot): nothing
// lands outside it or in the program's or settings' directory, a link
// stays only while the kernel finds it resolves beneath the target, no
// special file or file linked to one outside arrives, and an existing file
// is replaced only when agree says so. The first failure stops the import.
// The scratch directory goes in every case.
class SafeExtraction {
public:
    SafeExtraction(const ArchiverCommand& command, ExtractionForm form, Prompter& prompter,
                   AgreeToPlace agree);
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
    // false when a member was refused, kept out by an answer, or missing.
    bool finish();
    // Members refused, failed or kept out by an answer.
    int refused() const { return m_refused; }
    // The members (as the archiver was told them) all of whose files
    // reached the target.
    QStringList placedMembers() const;

private:
    struct Expected {
        QStringList members;       // as the archiver is told them
        QList<std::int64_t> sizes; // one per member
        std::uint32_t time = 0;    // stored time, where the archiver sets none
        bool link = false;         // a link (which some archivers leave out)
        bool placed = false;
    };
    struct Entry; // one item of the scratch tree, see safeextract.cpp
    struct TargetDir;

    void refuse(const QString& member, const QString& why);
    void expect(const ArchiveRecord& r, const QString& stored);
    bool listArchive(const QString& archiveHost, ArchiveContents& contents);
    QStringList safeMembers(const ArchiveContents& contents,
                            const std::function<bool(const QString&)>& isChosen, bool& anyRefused);
    bool makeScratch();
    int openTarget(TargetDir& dir);
    void importDirectory(int from, TargetDir& to);
    void importEntry(int from, TargetDir& to, const Entry& e);
    void placeFile(int from, int to, const Entry& e);
    void placeLink(int from, int to, const Entry& e);
    bool agreeToReplace(int to, const Entry& e, bool& exists);
    void placeHardLinks();
    void fail(const QString& rel, int err);
    QString shown(const QByteArrayList& parts) const;

    ArchiverCommand m_command;
    ExtractionForm m_form;
    Prompter& m_prompter;
    AgreeToPlace m_agree;
    QString m_targetHost;
    QString m_targetDos;
    QString m_scratchHost;
    QHash<QByteArray, Expected> m_expected; // relative host paths the archiver should write
    BeneathRoot* m_root = nullptr;          // the target, while finish() runs
    BeneathRoot* m_scratch = nullptr;       // the scratch directory, likewise
    QList<QByteArrayList> m_hardLinks;      // files of more than one name, placed last
    QHash<QByteArray, int> m_linkCounts;    // "device:inode" -> names seen in scratch
    QSet<QByteArray> m_seen;
    int m_refused = 0;
    bool m_stopped = false;
};

} // namespace dovex::archive
