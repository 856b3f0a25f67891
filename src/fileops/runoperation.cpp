#include "fileops/runoperation.h"

#include "fileops/copyengine.h"
#include "fileops/deleteengine.h"
#include "fileops/moveengine.h"
#include "fileops/operationstate.h"
#include "fileops/pathrules.h"
#include "fileops/treewalk.h"
#include "panels/selection.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/progresssink.h"

#include <cerrno>

namespace dovex {

int CountSelected(const PanelEntries& entries, int n)
{
    n = std::min<int>(n, int(entries.size()));
    int count = 0;
    for (int i = 0; i < n; ++i)
        count += entries[size_t(i)].selected;
    if (n > 0 && entries[0].selected && entries[0].name == QLatin1String(".."))
        --count;
    return count;
}

QString MarkedQuestion(FileOpKind kind, const PanelEntries& entries)
{
    int files = 0;
    int folders = 0;
    for (const PanelEntry& e : entries)
        if (e.selected && IsMarkable(e))
            ++(e.directory ? folders : files);
    const QString verb = operationVerb(kind);
    if (kind != FileOpKind::Delete || folders == 0)
        return verb + ' ' + QString::number(files + folders) + QStringLiteral(" files");
    const auto amount = [](int n, const char* one, const char* many) {
        return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
    };
    QString question = verb + ' ';
    if (files > 0)
        question += amount(files, "file", "files") + QStringLiteral(" and ");
    return question + amount(folders, "folder", "folders");
}

void BeginOperation(OperationState& state, FileOpKind kind)
{
    state.overwriteAll = false;
    state.deleteProtectedAll = false;
    state.abortRequested = false;
    state.sink.dropPendingEscape();
    state.barPosition = 0;
    state.sink.setPercent(0);
    state.byteMode = measuresBytes(kind);
    state.countBytes = kind != FileOpKind::Delete;
    state.progressWord = progressWord(kind);
}

void ProcessEntry(OperationState& state, FileOpKind kind, const QString& path,
                  const QString& destination, bool includeSubdirs)
{
    // lstat: a link to a directory is an item of its own, never entered.
    const FileStatus st = fileio::status(path);
    if (st.directory) {
        if (!includeSubdirs) {
            ++state.notDone;
            return;
        }
        switch (kind) {
        case FileOpKind::Move:
            MoveDirectory(state, path, destination);
            break;
        case FileOpKind::Delete:
            DeleteTree(state, path);
            break;
        default:
            CopyTree(state, path, destination);
            break;
        }
        return;
    }
    switch (kind) {
    case FileOpKind::Move:
        MoveOneFile(state, path, destination);
        break;
    case FileOpKind::Delete:
        state.setLine1(path);
        ++state.doneFiles;
        ProgressInfo(state);
        DeleteOneFile(state, path);
        break;
    default:
        CopyOneFile(state, path, destination);
        break;
    }
}

void RunOperation(OperationState& state, const OperationRequest& request)
{
    const int n = int(request.entries.size());
    state.totalFiles = state.totalBytes = 0;
    state.setLine1(QStringLiteral("Checking..."));
    SelectionTotals(state, request.sourceDirectory, request.entries, n, request.cursorIndex, false);
    state.setLine1(QString());
    state.setLine2(QStringLiteral("From ") + request.sourceDirectory);
    state.startCounting();
    for (int i = 0; i < n; ++i) {
        if (state.checkAbort())
            break;
        const PanelEntry& e = request.entries[size_t(i)];
        if (!IsMarked(e))
            continue;
        ProcessEntry(state, request.kind, appendName(request.sourceDirectory, e.name),
                     request.destination, request.includeSubdirs);
    }
    if (state.abortRequested)
        ++state.notDone;
}

bool IsArchiveTarget(const QString& destination, const FilePanel& other)
{
    if (!other.inArchive || destination.isEmpty())
        return false;
    return destination == other.path || destination == other.archiveFile;
}

namespace {

// The path MakeDirectoryPath makes of a typed text.
QString madePath(const QString& base, const QString& text)
{
    const QString start = base.size() < 4 ? base.left(2) : base;
    return start + '\\' + text;
}

} // namespace

int MakeDirectoryPath(const QString& base, const QString& text)
{
    if (text.trimmed().isEmpty())
        return EINVAL;
    return fileio::makeDirectories(madePath(base, text));
}

int CursorAfterReread(const PanelEntries& entries, const QString& rememberedName,
                      int rememberedIndex)
{
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].name == rememberedName)
            return int(i);
    if (rememberedIndex >= 0 && rememberedIndex < int(entries.size()))
        return rememberedIndex;
    return entries.empty() ? -1 : int(entries.size()) - 1;
}

int CursorAfterMkDir(const PanelEntries& entries, const QString& panelPath, const QString& typed,
                     int cursor)
{
    if (typed.isEmpty())
        return cursor;
    // The path as the drive map resolved it when it was made.
    const std::optional<QString> made = dospath::normalize(madePath(panelPath, typed));
    const std::optional<QString> dir = dospath::normalize(panelPath);
    if (!made || !dir)
        return cursor;
    const QString prefix = dir->endsWith('\\') ? *dir : *dir + '\\';
    if (!made->startsWith(prefix))
        return cursor; // nothing made below the panel's directory
    const QString first = made->mid(prefix.size()).section('\\', 0, 0);
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].directory && entries[i].name == first)
            return int(i);
    return cursor;
}

} // namespace dovex
