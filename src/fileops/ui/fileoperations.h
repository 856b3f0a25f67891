#pragma once

#include "fileops/fileopkind.h"
#include "panels/filepanel.h"

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace dovex {

class ArchiveSide;
class Prompter;

// What the main window hands to a file command: the active panel (the
// source), the entry under its cursor, the other panel, the window the
// dialogs belong to and the state of the "Show copy Speed " menu item.
//
//   OperationContext ctx{.source = left, .cursorIndex = ListBox1->currentRow(),
//                        .other = right, .parent = this, .showSpeed = speed};
//   Copy1Click(ctx);
//   ... re-read both panels (Werkpanelsbij), then put each cursor back with
//   CursorAfterReread().
//
// The source panel's entries are only read, except for the selected flags
// that an operation on the entry under the cursor sets and clears again; the
// main window re-reads both panels afterwards in every case.
struct OperationContext {
    FilePanel& source;
    // Index of the entry under the source panel's cursor; -1 when the list
    // has no cursor line. It is the entry acted on when nothing is marked.
    int cursorIndex = -1;
    // The other panel: its path is the default destination, and an archive
    // shown there is recognised as a destination.
    const FilePanel& other;
    // Owner of the dialogs, the progress window and the message boxes.
    QWidget* parent = nullptr;
    // The checked state of "Show copy Speed ", taken when the operation starts.
    bool showSpeed = false;
    // Where questions and messages go; nullptr gives message boxes over
    // parent (MessagePrompter). Tests pass a scripted one.
    Prompter* prompter = nullptr;
    // Carries out what involves an archive; without one such commands
    // answer "Archive operations are not available yet.".
    ArchiveSide* archive = nullptr;
};

// The archive half of the file commands, reached once their dialog was
// confirmed. counted holds the entries acted on (".." never among them):
// the marked ones, or the one under the cursor.
class ArchiveSide {
public:
    virtual ~ArchiveSide() = default;
    // Copy or move into the archive ctx.other shows.
    virtual void intoArchive(const OperationContext& ctx, FileOpKind kind,
                             const PanelEntries& counted, bool subdirs) = 0;
    // Copy or move (to target) or delete entries of the archive ctx.source shows.
    virtual void fromArchive(const OperationContext& ctx, FileOpKind kind,
                             const PanelEntries& counted, const QString& target, bool subdirs) = 0;
    // Files dropped from the shell onto ctx.source, which shows an archive.
    virtual void dropIntoArchive(const OperationContext& ctx, const QStringList& paths,
                                 bool subdirs) = 0;
    // The dialog's extra button: "&Compress" (the entries of a directory
    // panel, or dropped paths) and "&Extract" (the whole archive). While a
    // hook is empty its button is hidden.
    std::function<void(const OperationContext& ctx, const QStringList& paths)> openCompress;
    std::function<void(const OperationContext& ctx, const QString& archivePath)> openDecompress;
};

// F5, F6 and F8: shows the operation dialog ("Copy", "Move", "Delete") for
// the marked entries of ctx.source, or for the entry under the cursor when
// nothing is marked, and runs the operation with its questions and the
// progress window. Returns true when the dialog was confirmed and the
// operation ran (possibly aborted or with skipped items), false when it was
// cancelled or refused (nothing to act on, an archive involved, another
// operation still running). The mouse cursor shows the hourglass while the
// operation runs and is restored on return.
//
// While ctx.source browses an archive its entries are copied, moved or
// deleted through ctx.archive (a dialog with "&Extract"), and a destination
// that is the archive the other panel shows takes the entries in. Without
// ctx.archive, and from one archive into another, the message "Archive
// operations are not available yet." is shown and nothing else happens.
bool Copy1Click(OperationContext& ctx);
bool Doemove(OperationContext& ctx);
bool Delete1Click(OperationContext& ctx);

// The common driver behind the three: kind CopyToDrive presets the
// destination with the root of dropDrive ("D:\") instead of the other
// panel's directory (a drop on the drive bar).
bool DoeWerk(OperationContext& ctx, FileOpKind kind, QChar dropDrive = QChar());

// F7: asks for a name in the "Create Directory" dialog and creates it below
// the source panel's directory, with every missing level ("a\b\c" makes
// three). Returns the text typed (the name the main window puts the cursor
// on after re-reading the panels), or an empty string when cancelled,
// refused (an archive panel) or when nothing could be created (the failure
// has then been reported).
QString MkDir1Click(OperationContext& ctx);

// Files dropped from the desktop onto a panel: paths are drive-letter paths
// of files or directories; ctx.source is the panel dropped on (its directory
// is the default destination; cursorIndex and other are not used). Same
// dialog and copy as F5; returns true when the copy ran. A drop onto a panel
// that browses an archive is refused like the archive cases above.
bool KopieFiles(const QStringList& paths, OperationContext& ctx);

// True while a file operation runs (its progress window is up). The main
// window refuses other commands meanwhile: the progress points let events
// through, so a second F5 would otherwise start inside the first.
bool FileOperationRunning();

// Marks a file command as running for its lifetime (FileOperationRunning()
// answers true meanwhile); for commands outside this file, such as split
// and merge.
class OperationRunningMark {
public:
    OperationRunningMark();
    ~OperationRunningMark();
    OperationRunningMark(const OperationRunningMark&) = delete;
    OperationRunningMark& operator=(const OperationRunningMark&) = delete;

private:
    bool m_was;
};

class TForm2;
// The one progress window of the run (made on first use).
TForm2& operationProgressWindow(QWidget* parent);
struct OperationState;
// A command of its own (File Properties, split, merge) run as the file
// operations run: the progress window up under caption, a fresh operation
// state for fn, the hourglass, and other commands refused meanwhile.
void RunWithProgressWindow(QWidget* parent, Prompter& prompter, const QString& caption,
                           const std::function<void(OperationState&)>& fn);

class TForm3;
// The one operation dialog of the run (made on first use); other commands
// ask their questions in it too.
TForm3& operationDialog(QWidget* parent);

} // namespace dovex
