#include "fileops/attributes.h"

#include "fileops/operationstate.h"
#include "fileops/pathrules.h"
#include "fileops/treewalk.h"
#include "panels/selection.h"
#include "platform/directory.h"
#include "platform/dosattr.h"
#include "platform/dostime.h"
#include "platform/fileattr.h"
#include "platform/fileio.h"
#include "platform/progresssink.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <deque>

namespace dovex {

namespace {

constexpr std::uint32_t kChangeable = faReadOnly | faHidden | faSysFile | faArchive;
// How many levels may be left to the worker threads before the oldest is
// waited for: each holds its directory open until then.
constexpr std::size_t kLevelsAhead = 16;

void addBit(AttributeRequest& r, TriState state, std::uint32_t bit)
{
    if (state == TriState::Set)
        r.setMask |= bit;
    else if (state == TriState::Clear)
        r.clearMask |= bit;
}

QString fileNameOf(const QString& path)
{
    return path.mid(path.lastIndexOf('\\') + 1);
}

} // namespace

void SetMasksFrom(AttributeRequest& request, TriState system, TriState hidden, TriState readOnly,
                  TriState archive)
{
    request.setMask = request.clearMask = 0;
    addBit(request, system, faSysFile);
    addBit(request, hidden, faHidden);
    addBit(request, readOnly, faReadOnly);
    addBit(request, archive, faArchive);
}

QString InvalidDateTimeText(const QString& text)
{
    return QStringLiteral("'%1' is not a valid date and time").arg(text);
}

std::optional<std::uint32_t> DosDateFrom(const QDateTime& when)
{
    if (!when.isValid())
        return std::nullopt;
    const QDate d = when.date();
    const QTime t = when.time();
    if (d.year() < 1980 || d.year() > 2107)
        return std::nullopt;
    return packDosDateTime({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()});
}

std::optional<std::uint32_t> ParseFixedDateTime(const QString& text)
{
    static const QRegularExpression form(QStringLiteral(
        "^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{2})\\s+(\\d{1,2}):(\\d{1,2}):(\\d{1,2})\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int yy = m.captured(3).toInt();
    const QDate date(yy >= 80 ? 1900 + yy : 2000 + yy, m.captured(2).toInt(),
                     m.captured(1).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return DosDateFrom(QDateTime(date, time));
}

namespace {

// ApplyAttributes without the progress window.
AppliedAttributes applyByPath(const QString& path, const AttributeRequest& request)
{
    AppliedAttributes out;
    const FileStatus st = fileio::status(path);
    if (!st.exists)
        return out;
    out.attributes = fileio::attributes(path, st.mode);
    // Links are items of their own: what one points at (perhaps outside the
    // drive) is never changed, and pipes and devices are never opened.
    if (!st.regular)
        return out;
    const std::uint32_t old = out.attributes;
    // The time goes first, through a file opened for writing: a file that
    // is read-only when the command starts keeps its time even when the same
    // command clears the bit, and so also for a user the permissions do not
    // hold back.
    if (request.setTime && !(old & faReadOnly)) {
        out.error = fileio::setModifiedTime(path, unixFromDosDateTime(request.fileDate));
        out.timeSet = out.error == 0;
    }
    const std::uint32_t wanted =
        (old & ~(request.clearMask & kChangeable)) | (request.setMask & kChangeable);
    if (wanted == old)
        return out;
    if (const int error = fileio::setAttributes(path, wanted & kChangeable)) {
        out.error = out.error ? out.error : error;
        return out;
    }
    out.attributes = wanted;
    // A name beginning with a dot is hidden whatever the stored bit says.
    if (fileNameOf(path).startsWith('.'))
        out.attributes |= faHidden;
    return out;
}

void countFile(OperationState& state, const QString& name)
{
    state.setLine1(name);
    ++state.doneFiles;
    ProgressInfo(state);
}

// What AttributeTree works with at every level.
struct TreeChange {
    const AttributeRequest& request;
    AttributeChange change;
    const AttributeFailure& failed;
    DirectoryWorkers* workers = nullptr;
    // Levels whose files are queued but not yet waited for, in the order
    // they were ended (each after the levels below it).
    mutable std::deque<std::shared_ptr<Directory>> unfinished;

    void fail(const QString& path, int error) const
    {
        if (failed)
            failed(path, error ? error : EIO);
    }
};

// The file path by its path (what the open directory cannot do for it).
void changeByPath(const QString& path, const TreeChange& tree)
{
    if (const int error = applyByPath(path, tree.request).error)
        tree.fail(path, error);
}

// The files of one level in their order: a plain file is changed through
// the open directory on the worker threads (no path looked up from the
// root); a name beginning with a dot, a link or anything else by its path.
// False once aborted; what was queued until then is still done.
bool changeFiles(OperationState& state, const std::shared_ptr<Directory>& dir,
                 const std::vector<DirItem>& items, const TreeChange& tree)
{
    for (const DirItem& item : items) {
        if (item.directory)
            continue;
        countFile(state, item.name);
        if (item.regular && !item.name.startsWith('.'))
            tree.workers->queue(dir, item.name);
        else
            changeByPath(WithBackslash(dir->path()) + item.name, tree);
        if (state.checkAbort())
            return false;
    }
    return true;
}

// Waits for what the worker threads do in dir; a file they found to be no
// plain file there goes by its path.
void finishLevel(const Directory& dir, const TreeChange& tree)
{
    for (const DirectoryWorkers::Failure& f : tree.workers->wait(dir)) {
        const QString path = WithBackslash(dir.path()) + f.name;
        if (f.error == kChangeByPath)
            changeByPath(path, tree);
        else
            tree.fail(path, f.error);
    }
}

// Ends a level without waiting for it while few are open: waiting at every
// directory of a hundred files would leave the worker threads idle while the
// next one is read. The levels are still finished in the order they ended,
// so what failed is told in the same order, only later.
void endLevel(const std::shared_ptr<Directory>& dir, const TreeChange& tree, std::size_t lag)
{
    if (dir)
        tree.unfinished.push_back(dir);
    while (tree.unfinished.size() > lag) {
        finishLevel(*tree.unfinished.front(), tree);
        tree.unfinished.pop_front();
    }
}

bool changeLevel(OperationState& state, const std::shared_ptr<Directory>& dir,
                 const TreeChange& tree);

// Every subdirectory of a level, each opened relative to its parent.
bool changeSubdirs(OperationState& state, const Directory& dir, const std::vector<DirItem>& items,
                   const TreeChange& tree)
{
    for (const DirItem& item : items) {
        if (!item.directory || item.mountPoint)
            continue;
        const auto child = std::make_shared<Directory>();
        if (!child->openChild(dir, item.name))
            tree.fail(WithBackslash(dir.path()) + item.name, errno);
        else if (!changeLevel(state, child, tree))
            return false;
    }
    return true;
}

// One level of AttributeTree: the files of dir, then every subdirectory
// below it. False once aborted.
bool changeLevel(OperationState& state, const std::shared_ptr<Directory>& dir,
                 const TreeChange& tree)
{
    const auto items = dir->list(false);
    if (!items) {
        tree.fail(dir->path(), errno);
        return true;
    }
    const bool going =
        changeFiles(state, dir, *items, tree) && changeSubdirs(state, *dir, *items, tree);
    endLevel(dir, tree, kLevelsAhead);
    return going;
}

} // namespace

AppliedAttributes ApplyAttributes(OperationState& state, const QString& path,
                                  const AttributeRequest& request)
{
    countFile(state, fileNameOf(path));
    return applyByPath(path, request);
}

void AttributeTree(OperationState& state, const QString& directory, const AttributeRequest& request,
                   const AttributeFailure& failed)
{
    state.abortRequested = false;
    state.sink.dropPendingEscape();
    if (directory == QLatin1String("..") || directory.endsWith(QLatin1String("\\..")))
        return;
    // A root such as "C:\" is walked from "C:\" itself.
    TreeChange tree{request, {}, failed, nullptr, {}};
    tree.change.setMask = request.setMask & kChangeable;
    tree.change.clearMask = request.clearMask & kChangeable;
    tree.change.setTime = request.setTime;
    tree.change.when = unixFromDosDateTime(request.fileDate);
    const auto dir = std::make_shared<Directory>();
    if (!dir->open(directory.size() < 4 ? directory.left(2) + '\\' : directory)) {
        tree.fail(directory, errno);
        return;
    }
    DirectoryWorkers workers([&change = tree.change](int dirFd, const char* rawName) {
        return changeAttributesAt(dirFd, rawName, change);
    });
    tree.workers = &workers;
    changeLevel(state, dir, tree);
    endLevel(nullptr, tree, 0);
}

namespace {

// The totals of what RunAttributes changes: a file counts itself with its
// listed size, a directory the files below it when its tree is included.
void countTargets(OperationState& state, const QString& directory, const PanelEntries& entries,
                  const std::vector<int>& on, bool includeSubdirs)
{
    state.totalFiles = state.totalBytes = 0;
    for (const int i : on) {
        const PanelEntry& e = entries[size_t(i)];
        const QString path = WithBackslash(directory) + e.name;
        if (fileio::status(path).directory) {
            if (includeSubdirs)
                state.totalFiles += DirectoryTotals(path, false).files;
        } else {
            state.totalBytes += e.size;
            state.totalFiles += 1;
        }
    }
}

// One acted-on entry: a file changed, its entry taking what the file now
// has; a directory the files below it.
void changeTarget(OperationState& state, const QString& path, PanelEntry& e,
                  const AttributeRequest& request)
{
    if (fileio::status(path).directory) {
        // The directory's own attributes and time are never changed.
        if (request.includeSubdirs)
            AttributeTree(state, path, request);
        return;
    }
    const AppliedAttributes done = ApplyAttributes(state, path, request);
    e.attributes = (e.attributes & ~kChangeable) | (done.attributes & kChangeable);
    if (done.timeSet)
        e.dosDateTime = request.fileDate;
}

} // namespace

void RunAttributes(OperationState& state, const QString& directory, PanelEntries& entries, int n,
                   int cursorIndex, const AttributeRequest& request)
{
    state.overwriteAll = state.deleteProtectedAll = state.abortRequested = false;
    state.sink.dropPendingEscape();
    const std::vector<int> on = ActedOnIndexes(entries, cursorIndex, n);
    if (on.empty())
        return;

    state.progressCalls = 101;
    state.setLine2(QStringLiteral("In ") + directory);
    state.sink.repaint();
    countTargets(state, directory, entries, on, request.includeSubdirs);
    state.doneFiles = state.doneBytes = 0;
    state.byteMode = false;
    state.barPosition = 0;
    state.sink.setPercent(0);
    state.progressWord = QStringLiteral("Changed");

    for (const int i : on) {
        if (state.checkAbort())
            break;
        PanelEntry& e = entries[size_t(i)];
        changeTarget(state, WithBackslash(directory) + e.name, e, request);
    }
}

} // namespace dovex
