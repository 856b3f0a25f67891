#pragma once

#include "archive/archivertools.h"

#include <QString>

#include <optional>

namespace dovex {

class ArchiveProgress;
class Prompter;

// What a run of the Compression Tools dialog did.
struct CompressionOutcome {
    bool passed = false;  // the archiver or library reported success for everything
    bool aborted = false; // Escape or "abort" ended it
    QString listFile;     // host path of a list file to delete at the next refresh
};

// The name a method is shown by in the progress window.
QString MethodName(CompressMethod method, int slot, const ArchiverToolTable& tools);

// Runs the compress command the dialog composed: "Zip (internal)" through
// the zip component (archive Edit1 + ".zip", members relative to the source
// directory), every other method through the tool runner. Messages go to the
// prompter; the window shows the run and is hidden again at its end.
CompressionOutcome RunCompression(const CompressRequest& request, const ArchiverToolTable& tools,
                                  Prompter& prompter, ArchiveProgress& window);

// Runs the extract command: "Zip (internal)" through the zip component (an
// existing file is left as it is), MsCompress through the SZDD expander (an
// existing file is replaced only when the person says so), Library through
// the guarded libarchive extraction (every member, with its directories when
// subdirectories is set; replacing only after the copy engine's question),
// Pkzip and the slots through the tool runner.
CompressionOutcome RunExtraction(const ExtractRequest& request, const ArchiverToolTable& tools,
                                 Prompter& prompter, ArchiveProgress& window);

// The upper-cased extension of a file name with its dot (".ZIP"); empty
// when the name has none.
QString UpperExtension(const QString& name);

// True for the files the Decompress command and Enter hand to the dialog:
// ".ZIP", an extension whose last character is "_", or "." + a slot's Ext.
bool IsCompressedFile(const QString& name, const ArchiverToolTable& tools);

// An option box of the dialog.
struct OptionBox {
    bool enabled = true;
    bool checked = false;
};

// How the dialog starts in decompress mode for one archive: the method
// checked (none when nothing fits), which method buttons may be chosen, and
// the three option boxes ("Include subdirectory's", 1.44 MB, "Password.").
// A tar, 7z, ISO or cpio archive (told by its content, whatever its name)
// takes Library, with only "Include subdirectory's".
struct DecompressMode {
    std::optional<CompressMethod> method;
    QChar libraryKind; // the archive's kind for Library ("T", "S", "I", "C")
    int slot = 0;      // the slot checked and enabled, 0 for none
    bool zipEnabled = false;
    bool pkzipEnabled = false;
    OptionBox subdirectories{true, true};
    OptionBox volumes{false, false};
    OptionBox password{false, false};
};
DecompressMode DecompressModeFor(const QString& archivePath, const ArchiverToolTable& tools);

} // namespace dovex
