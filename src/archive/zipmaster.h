#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <initializer_list>

namespace dovex {

class Prompter;

// A set of options numbered by bit, as the component's option sets are.
template <typename E> class OptionSet {
public:
    OptionSet() = default;
    OptionSet(std::initializer_list<E> options)
    {
        for (E e : options)
            m_bits |= 1u << static_cast<unsigned>(e);
    }
    bool contains(E e) const { return m_bits & (1u << static_cast<unsigned>(e)); }
    void insert(E e) { m_bits |= 1u << static_cast<unsigned>(e); }
    void remove(E e) { m_bits &= ~(1u << static_cast<unsigned>(e)); }
    bool empty() const { return m_bits == 0; }
    std::uint32_t bits() const { return m_bits; }
    bool operator==(const OptionSet&) const = default;

private:
    std::uint32_t m_bits = 0;
};

enum class AddOptsEnum {
    AddDirNames,    // store paths relative to the base directory (else the bare names)
    AddRecurseDirs, // walk into directories
    AddMove,        // remove the sources once the archive holds them
    AddFreshen,     // only replace members whose file is newer
    AddUpdate,      // add new files and replace members whose file is newer
    AddZipTime,     // give the archive the time of its newest member
    AddForceDOS,    // store 8.3 upper-case names with DOS attributes only
};
enum class ExtrOptsEnum {
    ExtrDirNames,  // recreate the stored directories (else every file into the base)
    ExtrOverWrite, // existing files may be replaced, each as OnConfirmReplace agrees
    ExtrFreshen,   // only replace existing files that are older than the member (if agreed)
    ExtrUpdate,    // extract new files and replace older ones (if agreed)
};
using AddOpts = OptionSet<AddOptsEnum>;
using ExtrOpts = OptionSet<ExtrOptsEnum>;

// Adds files to, deletes members from and extracts members out of zip
// archives. Every path it is given is a drive-letter path; names inside the
// archive are the host names' bytes. An operation runs to its end inside the
// call and reports through OnProgress (0 new file with its size, 1 a step of
// 32768 bytes, 2 end of batch once per call) and OnMessage (error code and
// text; non-zero codes are failures). A handler that sets Cancel stops the
// operation at the next event: an add or delete then leaves the archive as it
// was, an extraction leaves no partly written file. A new-file event names
// the file's drive-letter path when adding, the member ("\" separated) when
// extracting or deleting.
//
// An extraction writes every file, directory and link beneath ExtrBaseDir
// only (the kernel refuses a path that leaves it, whatever links it meets),
// never into the program's or the settings' directory, and replaces nothing
// that exists without OnConfirmReplace's agreement. It stops at the first
// write error; no file is ever left half written under a member's name.
class TZipMaster {
public:
    using ProgressHandler = std::function<void(TZipMaster& sender, int progressType,
                                               const QString& fileName, std::int64_t fileSize)>;
    using MessageHandler =
        std::function<void(TZipMaster& sender, int errorCode, const QString& message)>;
    using ReplaceHandler = std::function<bool(TZipMaster& sender, const QString& destination)>;

    static constexpr int kProgressNewFile = 0;
    static constexpr int kProgressStep = 1;
    static constexpr int kProgressEndOfBatch = 2;
    static constexpr std::int64_t kStepBytes = 32768;

    // Error codes of the messages the component sends itself.
    static constexpr int kErrorRefused = 1; // a member or file left out, the rest went on
    static constexpr int kErrorFile = 2;    // a file could not be read or written
    static constexpr int kErrorArchive = 3; // the archive could not be read or written

    TZipMaster() = default;
    TZipMaster(const TZipMaster&) = delete;
    TZipMaster& operator=(const TZipMaster&) = delete;

    // Verbose sends a message for every file left alone (an existing one not
    // replaced); Trace implies it.
    bool Verbose = true;
    bool Trace = false;
    // 0 stores, 1 to 9 deflate at that level.
    int AddCompLevel = 9;
    AddOpts AddOptions;
    ExtrOpts ExtrOptions;
    QString ExtrBaseDir;
    // Plain names, relative paths (to BaseDir), full drive-letter paths and
    // wildcards ("dir\*.*"); for Delete and Extract, member paths with "\" or
    // "/". Cleared after every operation that ran.
    QStringList FSpecArgs;
    QString ZipFilename;
    // The directory relative specifications are taken from and members are
    // stored relative to (the source panel's directory).
    QString BaseDir;
    // Set by a handler to stop the running operation.
    bool Cancel = false;
    // Add: when not empty, every file added is encrypted with it (the
    // traditional zip encryption, which PKZIP's "-s" wrote and every unzip
    // reads). The password never leaves the process.
    QString Password;

    ProgressHandler OnProgress;
    MessageHandler OnMessage;
    // Asked before an extracted member takes the place of a file or link
    // that exists (with ExtrOverWrite, or when ExtrFreshen or ExtrUpdate
    // find the member newer): the drive-letter path of what is there; true
    // lets the member replace it once it has arrived whole. Called on the
    // calling thread, in member order. Without a handler nothing that
    // exists is ever replaced.
    ReplaceHandler OnConfirmReplace;
    // Where the component's own refusals ("Error - no files to zip", ...) are
    // shown; without one they go to OnMessage with code 0.
    Prompter* Messages = nullptr;

    // Each returns the number of files added, deleted or extracted (also kept
    // in SuccessCnt); a call while the same kind of operation runs returns 0
    // and does nothing.
    int Add();
    int Delete();
    int Extract();

    bool ZipBusy() const { return m_zipBusy; }
    bool UnzBusy() const { return m_unzBusy; }
    int SuccessCnt() const { return m_successCount; }

    // Used by the operation classes: an event, and true when the handler
    // asked to stop.
    bool progress(int type, const QString& fileName, std::int64_t size);
    void message(int code, const QString& text);
    // OnConfirmReplace's answer; false without a handler.
    bool confirmReplace(const QString& destination);
    // A code-0 message about one file, sent only when Verbose (or Trace).
    void note(const QString& text);
    bool cancelled() const;

private:
    void notice(const QString& text);
    int runGuarded(bool& busy, int (TZipMaster::*operation)());
    int doAdd();
    int doDelete();
    int doExtract();

    bool m_zipBusy = false;
    bool m_unzBusy = false;
    int m_successCount = 0;
    bool m_fatal = false; // a handler threw
};

} // namespace dovex
