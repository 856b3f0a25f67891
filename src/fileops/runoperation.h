#pragma once

#include "fileops/fileopkind.h"
#include "panels/filepanel.h"

#include <QString>

namespace dovex {

struct OperationState;

// How many of the first n entries are selected, a selected ".." at index 0
// not counted.
int CountSelected(const PanelEntries& entries, int n);

// The question of the operation dialog for the marked entries ("Copy 7
// files"). A delete that takes folders names them apart, since each takes
// everything below it: "Delete 4 files and 3 folders", "Delete 1 folder".
QString MarkedQuestion(FileOpKind kind, const PanelEntries& entries);

// What one copy, move or delete works on, after the dialog.
struct OperationRequest {
    FileOpKind kind = FileOpKind::Copy;
    QString sourceDirectory;
    PanelEntries entries; // the working copy: selected flags say what to do
    int cursorIndex = -1;
    QString destination; // absolute (ResolveTypedTarget); unused for a delete
    bool includeSubdirs = true;
};

// Counts the totals ("Checking..."), then processes every selected entry in
// order until the end or an abort: copies, moves or deletes it. The sink
// must already show the window; state carries showSpeed and the answers.
void RunOperation(OperationState& state, const OperationRequest& request);

// One entry of an operation: a file, a link or (when includeSubdirs) a
// directory with its tree. A link to a directory is handled as a link.
void ProcessEntry(OperationState& state, FileOpKind kind, const QString& path,
                  const QString& destination, bool includeSubdirs);

// Sets the counters, the bar measure and the word for kind and clears the
// answers: the start of every operation.
void BeginOperation(OperationState& state, FileOpKind kind);

// True when destination names the archive the other panel shows.
bool IsArchiveTarget(const QString& destination, const FilePanel& other);

// Creates base\text with every missing level; returns 0 or the errno.
// base is a panel directory ("C:\" or "C:\work").
int MakeDirectoryPath(const QString& base, const QString& text);

// Where a panel's cursor goes after the re-read: the entry whose name equals
// rememberedName (exact comparison); else rememberedIndex when it is still
// below the number of entries; else the last entry; -1 for an empty list.
int CursorAfterReread(const PanelEntries& entries, const QString& rememberedName,
                      int rememberedIndex);

// Where the cursor of the panel F7 was given in goes once the panels are
// up to date: the directory the typed text made directly in panelPath (the
// first level of the path MakeDirectoryPath made), found by its exact name;
// cursor when the text made nothing there (cancelled, failed, or a place
// outside the panel's directory).
int CursorAfterMkDir(const PanelEntries& entries, const QString& panelPath, const QString& typed,
                     int cursor);

} // namespace dovex
