#pragma once

#include "panels/panelentry.h"

#include <QString>

#include <functional>

namespace dovex {

// What opening (Enter, a double click) the cursor entry of a panel does.
// The window only applies it; a file that is a program or a link is first
// offered to the launch commands, and only when they do not take it does
// OpenFileStep decide.
enum class OpenStep {
    Nothing,
    ArchiveUp,        // ".." inside an archive: a level up, or out of it
    ArchiveDirectory, // a directory inside an archive
    DirectoryUp,      // ".."
    Directory,        // a directory of the disk
    Stay,             // "." : the panel stays and is activated
    File,             // see OpenFileStep
};

OpenStep OpenEntryStep(bool inArchive, const PanelEntry& entry);

struct FilePanel;

// The panel moved as a step that leaves its directory says (ArchiveUp,
// ArchiveDirectory, DirectoryUp, Directory; any other leaves it alone).
// Returns the entry the cursor goes to after the re-read; empty: the first.
QString MovePanelForStep(FilePanel& panel, OpenStep step, const PanelEntry& entry);

enum class OpenFile {
    Nothing,
    EnterArchive, // listed like a directory
    Decompress,   // through the Compression Tools
    MergePieces,  // the first piece of a split file
    OpenDocument, // with the desktop's application
};

// What the decision needs to know of a file; the questions that read the
// file are asked only when the answer matters, in this order.
struct OpenFileFacts {
    std::function<bool()> isArchive;    // a kind the archive readers list
    bool otherPanelInArchive = false;   // one archive is browsed at a time
    std::function<bool()> isCompressed; // a file the Compression Tools unpack
    bool openDocuments = false;         // "Open Documents on enter"
};

OpenFile OpenFileStep(const QString& name, const OpenFileFacts& facts);

} // namespace dovex
