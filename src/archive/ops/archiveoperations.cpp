#include "archive/ops/archiveoperations.h"

#include "archive/archivekind.h"
#include "archive/archivelevel.h"
#include "archive/archivereaders.h"
#include "archive/libarchivereader.h"
#include "archive/ops/archivecheck.h"
#include "archive/ops/archiveprogress.h"
#include "archive/ops/libarchiveextract.h"
#include "archive/ops/replacequestion.h"
#include "archive/ops/zipprogress.h"
#include "archive/toolrunner.h"
#include "archive/zipmaster.h"
#include "fileops/operationstate.h"
#include "fileops/pathrules.h"
#include "fileops/treewalk.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"
#include "platform/locations.h"
#include "platform/prompter.h"

#include <QSet>

#include <cstring>
#include <map>
#include <optional>

namespace dovex {

namespace {

// The panel lists a member by its decoded, made-harmless path; the zip
// component finds members by their stored names. A member whose stored
// name is not its path written out in UTF-8 ("../x", a name in code page
// 437) is named by its stored bytes, so that it is extracted under them or
// refused by name instead of silently matching nothing; the members below
// a chosen directory likewise.
QStringList storedSpecs(const std::vector<ArchiveRecord>& records, const QStringList& items,
                        const QList<MemberItem>& members)
{
    QStringList out;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString& path = items[i];
        const bool directory = i < members.size() && members[i].directory;
        bool plain = true;
        for (const ArchiveRecord& r : records) {
            const bool same = r.path == path;
            if (!same && !(directory && r.path.startsWith(path + QLatin1Char('\\'))))
                continue;
            const QByteArray stored = r.storedBytes();
            if (stored ==
                hostname::encode(QString(r.path).replace(QLatin1Char('\\'), QLatin1Char('/'))))
                continue;
            out << hostname::decode(stored);
            if (same)
                plain = false;
        }
        if (plain)
            out << path;
    }
    return out;
}

using archive::ArchiverCommand;
using archive::ToolItems;

// The design compression level of the operation window's zip component.
constexpr int kZipLevel = 7;

struct ToolForm {
    const char* tool;
    const char* listPrefix; // "" when the items go on the command line
};

ToolForm toolOf(QChar kind)
{
    switch (kind.unicode()) {
    case kKindArj:
        return {"ARJ.exe", "!"};
    case kKindRar:
        return {"RAR.exe", "@"};
    case kKindLha:
        return {"LHA.exe", "@"};
    case kKindPak:
        return {"PAK.exe", "@"};
    case kKindZoo:
        return {"ZOO.exe", ""};
    default:
        return {nullptr, nullptr};
    }
}

// The command words of copying into an archive; dropped files keep only
// their names in a rar archive ("-ep1"). A move copies too: the program
// removes each source once the archive is seen to hold it, never the tool.
QString intoSwitches(QChar kind, bool subdirs, bool dropped)
{
    switch (kind.unicode()) {
    case kKindArj:
        return subdirs ? QStringLiteral("A -p1 -r -y") : QStringLiteral("A -p1 -y");
    case kKindRar:
        return QStringLiteral("A") + (dropped ? " -y -ep1" : " -y") + (subdirs ? " -r" : "");
    case kKindLha:
        return subdirs ? QStringLiteral("A -r") : QStringLiteral("A");
    case kKindPak:
        return QStringLiteral("A -I -WA");
    case kKindZoo:
        return QStringLiteral("a:");
    default:
        return {};
    }
}

// The command words for members of an archive: copying out, or deleting.
// A move out copies, then deletes what arrived.
QString fromSwitches(QChar kind, bool remove, bool subdirs)
{
    switch (kind.unicode()) {
    case kKindArj:
        return remove    ? QStringLiteral("D -y -v")
               : subdirs ? QStringLiteral("X -y -v")
                         : QStringLiteral("E -y -v");
    case kKindRar:
        return remove    ? QStringLiteral("D -y -v -r")
               : subdirs ? QStringLiteral("X -y -v")
                         : QStringLiteral("E -y -v");
    case kKindLha:
        return remove ? QStringLiteral("D") : QStringLiteral("X");
    case kKindPak:
        return remove ? QStringLiteral("D -I -WA") : QStringLiteral("E -I -WA");
    case kKindZoo:
        return remove ? QStringLiteral("DP") : QStringLiteral("eO");
    default:
        return {};
    }
}

bool known(QChar kind)
{
    return kind == kKindZip || toolOf(kind).tool;
}

QList<QStringList> batches(const QStringList& items)
{
    QList<QStringList> out;
    for (qsizetype i = 0; i < items.size(); i += kArchiveBatch)
        out << items.mid(i, kArchiveBatch);
    return out;
}

// Runs the archiver once per batch; stops at the first failure or abort.
// Members taken out reach their names only as agree says.
void runTool(ArchiveOpResult& result, QChar kind, const QString& switches, const QString& archive,
             const QStringList& items, ToolItems itemKind, const QString& workingDirectory,
             Prompter& prompter, ArchiveProgress& progress, const archive::AgreeToPlace& agree = {})
{
    const ToolForm form = toolOf(kind);
    for (const QStringList& batch : batches(items)) {
        ArchiverCommand cmd =
            ArchiverCommand::fromTemplate(QLatin1String(form.tool) + ' ' + switches);
        cmd.archive = archive;
        cmd.items = batch;
        cmd.itemKind = itemKind;
        cmd.listPrefix = QLatin1String(form.listPrefix);
        cmd.workingDirectory = workingDirectory;
        const archive::ToolRunResult r = archive::RunArchiverTool(cmd, prompter, &progress, agree);
        result.ran = true;
        if (!r.listFile.isEmpty())
            result.listFiles << r.listFile;
        if (r.aborted)
            result.aborted = true;
        if (!r.passed || r.aborted) {
            result.passed = false;
            return;
        }
    }
}

// Runs the zip component once per batch of specifications.
template <typename Op>
void runZip(ArchiveOpResult& result, TZipMaster& zip, ZipProgress& zp, const QStringList& specs,
            Op op)
{
    for (const QStringList& batch : batches(specs)) {
        zip.FSpecArgs = batch;
        const int failuresBefore = zp.failures;
        // The component clears its Cancel flag when done: whether the
        // person stopped it is asked of its handler's source, the window.
        bool cancelled = false;
        const auto handler = zip.OnProgress;
        zip.OnProgress = [&](TZipMaster& z, int type, const QString& name, std::int64_t size) {
            handler(z, type, name, size);
            cancelled = cancelled || z.Cancel;
        };
        (zip.*op)();
        zip.OnProgress = handler;
        result.ran = true;
        zip.FSpecArgs.clear();
        if (cancelled || zp.failures != failuresBefore) {
            result.aborted = result.aborted || cancelled;
            result.passed = false;
        }
        if (result.aborted)
            return;
    }
}

// Removes the moved files the archive was seen to hold, then the walked
// directories they emptied (never the source directory itself). A directory
// that held no moved file stays: most archivers store no directories, so
// an empty one was never put anywhere.
void removeMoved(ArchiveOpResult& result, const QList<FileToStore>& held,
                 const QStringList& directories, const QString& sourceDirectory, Prompter& prompter)
{
    QSet<QString> emptied;
    for (const FileToStore& f : held) {
        if (const int error = fileio::removeFile(f.path)) {
            prompter.error(QStringLiteral("Cannot remove ") + f.path + QStringLiteral(": ") +
                           QString::fromLocal8Bit(std::strerror(error)));
            result.passed = false;
            continue;
        }
        for (QString dir = dospath::directoryPart(f.path);
             dir.size() > sourceDirectory.size() && !emptied.contains(dir);
             dir = dospath::directoryPart(dir))
            emptied.insert(dir);
    }
    for (const QString& dir : directories)
        if (emptied.contains(dir) && !fileio::isDriveRoot(dir))
            fileio::removeDirectory(dir);
}

// Copies the items into the archive by its archiver, then reads the archive
// again: every file must be there under its name with its size, else the
// add failed. A move removes only the files seen there; a tool that failed
// or was stopped removes nothing.
void toolIntoArchive(ArchiveOpResult& result, bool move, const QString& archive, QChar kind,
                     const QString& sourceDirectory, const QStringList& items,
                     const QString& switches, Prompter& prompter, ArchiveProgress& progress)
{
    const StorePlan plan = PlanStore(kind, sourceDirectory, items);
    const ArchiveContents before = ReadArchiveNow(archive).value_or(ArchiveContents{});
    runTool(result, kind, switches, archive, items, ToolItems::Files, sourceDirectory, prompter,
            progress);
    if (!result.passed || result.aborted)
        return;
    const QList<FileToStore> held = CheckStored(archive, before, plan.files, move, prompter);
    if (held.size() != plan.files.size())
        result.passed = false;
    if (move)
        removeMoved(result, held, plan.directories, sourceDirectory, prompter);
}

// Deletes members named one by one, then reads the archive again: none of
// them may be left, and nothing else may be gone.
void deleteMembers(ArchiveOpResult& result, const QString& archive, QChar kind,
                   const QStringList& names, const ArchiveContents& before, Prompter& prompter,
                   ArchiveProgress& progress)
{
    runTool(result, kind, fromSwitches(kind, true, false), archive, names, ToolItems::Members,
            dospath::directoryPart(archive), prompter, progress);
    if (result.passed && !result.aborted && !CheckDeleted(kind, before, archive, names, prompter))
        result.passed = false;
}

// Copy, move or delete of members by the archive's archiver. A directory
// is named member by member from the archive as it is now, so that no tool
// is asked to expand a pattern (lha takes none and deleted nothing, exit
// 0). A move copies out, then deletes only the members whose files arrived.
void toolFromArchive(ArchiveOpResult& result, ArchiveOp op, const QString& archive, QChar kind,
                     const QStringList& items, const QString& target, bool subdirs,
                     Prompter& prompter, ArchiveProgress& progress,
                     const archive::AgreeToPlace& agree)
{
    if (op == ArchiveOp::Copy) {
        runTool(result, kind, fromSwitches(kind, false, subdirs), archive, items,
                ToolItems::Members, target, prompter, progress, agree);
        return;
    }
    const std::optional<ArchiveContents> before = ReadArchiveNow(archive);
    const QStringList names =
        before ? MembersToDelete(kind, before->records, items) : QStringList();
    if (names.isEmpty()) {
        prompter.error(before ? QStringLiteral("Nothing in ") + archive +
                                    QStringLiteral(" matches the members chosen.")
                              : QStringLiteral("Cannot read ") + archive + QLatin1Char('.'));
        result.passed = false;
        return;
    }
    if (op == ArchiveOp::Delete) {
        deleteMembers(result, archive, kind, names, *before, prompter, progress);
        return;
    }
    // A member the person chose not to place fails the run, so nothing is
    // deleted from the archive for a file that was kept.
    runTool(result, kind, fromSwitches(kind, false, subdirs), archive, items, ToolItems::Members,
            target, prompter, progress, agree);
    if (!result.passed || result.aborted)
        return;
    bool whole = true;
    const QStringList arrived = ArrivedMembers(
        kind, *before, names, target, subdirs && kind != kKindPak, archive, prompter, whole);
    result.passed = whole;
    if (!arrived.isEmpty())
        deleteMembers(result, archive, kind, arrived, *before, prompter, progress);
}

void showCompress(ArchiveProgress& progress, const QString& archive, QChar kind)
{
    progress.showRun(QStringLiteral("Compressing Files"),
                     QStringLiteral("Compressing Files, Please wait..."),
                     QStringLiteral("Compressed file:") + dospath::fileName(archive),
                     QStringLiteral("Compression Method:") + ArchiveMethodName(kind),
                     ArchiveProgress::Animation::Zip, kind == kKindZip);
}

ArchiveOpResult intoArchive(ArchiveOp op, const QString& archive, QChar kind,
                            const QString& sourceDirectory, const QStringList& items, bool subdirs,
                            bool dropped, Prompter& prompter, ArchiveProgress& progress)
{
    ArchiveOpResult result;
    result.passed = true;
    if (items.isEmpty())
        return result;
    const bool move = op == ArchiveOp::Move;
    if (kind == kKindZip) {
        TZipMaster zip;
        zip.AddCompLevel = kZipLevel;
        zip.Messages = &prompter;
        zip.ZipFilename = archive;
        zip.BaseDir = sourceDirectory;
        if (subdirs)
            zip.AddOptions = {AddOptsEnum::AddDirNames, AddOptsEnum::AddRecurseDirs};
        if (move)
            zip.AddOptions.insert(AddOptsEnum::AddMove);
        ZipProgress zp(progress, prompter, ZipProgress::kCompressed);
        for (const QString& item : items) {
            const QString path = item.endsWith(QLatin1String("\\*.*")) ? item.chopped(4) : item;
            zp.totalBytes +=
                fileio::status(path).directory ? DirectoryTotals(path).bytes : FileSizeOf(path);
        }
        zp.attach(zip);
        runZip(result, zip, zp, items, &TZipMaster::Add);
    } else {
        toolIntoArchive(result, move, archive, kind, sourceDirectory, items,
                        intoSwitches(kind, subdirs, dropped), prompter, progress);
    }
    return result;
}

void merge(ArchiveOpResult& into, const ArchiveOpResult& r)
{
    into.ran = into.ran || r.ran;
    into.passed = into.passed && r.passed;
    into.aborted = into.aborted || r.aborted;
    into.listFiles << r.listFiles;
}

} // namespace

QString ArchiveMethodName(QChar kind)
{
    switch (kind.unicode()) {
    case kKindArj:
        return QStringLiteral("Arj");
    case kKindZip:
        return QStringLiteral("Zip");
    case kKindRar:
        return QStringLiteral("Rar");
    case kKindLha:
        return QStringLiteral("Lha");
    case kKindPak:
        return QStringLiteral("Pak");
    case kKindZoo:
        return QStringLiteral("Zoo");
    case kKindTar:
        return QStringLiteral("Tar");
    case kKind7z:
        return QStringLiteral("7-Zip");
    case kKindIso:
        return QStringLiteral("ISO");
    case kKindCpio:
        return QStringLiteral("Cpio");
    default:
        return {};
    }
}

ArchiveOpResult CopyIntoArchive(ArchiveOp op, const QString& archive, QChar kind,
                                const QString& sourceDirectory, const QList<SourceItem>& items,
                                bool subdirs, Prompter& prompter, ArchiveProgress& progress)
{
    if (isLibarchiveKind(kind) && !items.isEmpty() && op != ArchiveOp::Delete) {
        RefuseLibarchiveChange(archive, kind, prompter);
        return {};
    }
    if (!known(kind) || op == ArchiveOp::Delete)
        return {};
    QStringList list;
    for (const SourceItem& item : items) {
        if (!item.directory)
            list << item.path;
        else if (subdirs)
            list << appendName(item.path, QStringLiteral("*.*"));
    }
    showCompress(progress, archive, kind);
    ArchiveOpResult result =
        intoArchive(op, archive, kind, sourceDirectory, list, subdirs, false, prompter, progress);
    progress.hideRun();
    InvalidateArchiveCache();
    return result;
}

ArchiveOpResult DropIntoArchive(const QString& archive, QChar kind, const QStringList& paths,
                                bool subdirs, Prompter& prompter, ArchiveProgress& progress)
{
    if (isLibarchiveKind(kind) && !paths.isEmpty()) {
        RefuseLibarchiveChange(archive, kind, prompter);
        return {};
    }
    if (!known(kind)) {
        // The user has said OK to a copy; silence would read as success.
        prompter.error(QStringLiteral("Files cannot be added to ") + archive +
                       QStringLiteral(": no tool for this kind of archive writes it."));
        return {};
    }
    // Each group runs in its own directory, so that its members are stored
    // by their names there and never by the host path of the drive.
    std::map<QString, QStringList> byDirectory;
    bool passed = true;
    for (const QString& path : paths) {
        if (path == archive) {
            // An archive cannot hold itself; the archivers would grow it
            // while reading it, or replace it with a half-written copy.
            prompter.information(QStringLiteral("Cannot add ") + archive +
                                 QStringLiteral(" to itself."));
            passed = false;
            continue;
        }
        if (!fileio::status(path).directory)
            byDirectory[dospath::directoryPart(path)] << path;
        else if (subdirs)
            byDirectory[dospath::directoryPart(path)] << appendName(path, QStringLiteral("*.*"));
    }
    ArchiveOpResult result;
    result.passed = passed;
    if (byDirectory.empty())
        return result;
    showCompress(progress, archive, kind);
    for (const auto& [dir, items] : byDirectory) {
        merge(result, intoArchive(ArchiveOp::Copy, archive, kind, dir, items, subdirs, true,
                                  prompter, progress));
        if (result.aborted)
            break;
    }
    progress.hideRun();
    InvalidateArchiveCache();
    return result;
}

namespace {

void showFromArchive(ArchiveProgress& progress, ArchiveOp op, const QString& archive, QChar kind)
{
    const QString caption = op == ArchiveOp::Copy   ? QStringLiteral("Copying from Archive")
                            : op == ArchiveOp::Move ? QStringLiteral("moving from Archive")
                                                    : QStringLiteral("Deleting from Archive");
    progress.showRun(caption, caption + QStringLiteral(", Please wait..."),
                     QStringLiteral("Compressed file:") + dospath::fileName(archive),
                     QStringLiteral("Compression Method:") + ArchiveMethodName(kind),
                     ArchiveProgress::Animation::Unzip, false);
}

// The stored paths the chosen members name, "\" between directories; a
// directory is everything below it, and only with subdirectories (the zip
// component takes the directory itself). nullopt when an abort came first.
std::optional<QStringList> memberPaths(ArchiveOp op, QChar kind, const QString& innerDirectory,
                                       const QList<MemberItem>& members, bool subdirs,
                                       ArchiveProgress& progress)
{
    QStringList items;
    for (const MemberItem& m : members) {
        if (progress.abortRequested())
            return std::nullopt;
        QString path = innerDirectory.isEmpty() ? m.name
                       : innerDirectory.endsWith(QLatin1Char('\\'))
                           ? innerDirectory + m.name
                           : innerDirectory + '\\' + m.name;
        if (m.directory && kind != kKindZip) {
            if (!subdirs && op != ArchiveOp::Delete)
                continue;
            path += QStringLiteral("\\*.*");
        }
        items << path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    }
    return items;
}

// The bytes of the chosen members of the level, which drive the bar. Lists
// the level, so that the readers' records are the archive's afterwards.
std::int64_t chosenBytes(const QString& archive, const QString& innerDirectory,
                         const QList<MemberItem>& members, bool subdirs)
{
    PanelEntries entries;
    entries.emplace_back().name = QStringLiteral("..");
    for (const MemberItem& m : members) {
        PanelEntry& e = entries.emplace_back();
        e.name = m.name;
        e.selected = true;
        e.directory = m.directory;
    }
    PanelEntries level;
    archiveReaders().list(archive, innerDirectory, QStringLiteral("*.*"), level);
    std::int64_t files = 0;
    return archiveLevelTotals(archiveReaders().records(), innerDirectory, entries,
                              int(entries.size()) - 1, -1, subdirs, files);
}

// Copy or delete of zip members by the zip component.
void zipFromArchive(ArchiveOpResult& result, ArchiveOp op, const QString& archive,
                    const QString& innerDirectory, const QList<MemberItem>& members,
                    const QStringList& items, const QString& target, bool subdirs,
                    Prompter& prompter, ArchiveProgress& progress)
{
    TZipMaster zip;
    zip.Messages = &prompter;
    zip.ZipFilename = archive;
    ZipProgress zp(progress, prompter, ZipProgress::kExtracted);
    zp.totalBytes = chosenBytes(archive, innerDirectory, members, subdirs);
    const QStringList specs = storedSpecs(archiveReaders().records(), items, members);
    zp.attach(zip);
    progress.setBarVisible(true);
    // A directory chosen goes with everything below it.
    if (subdirs)
        zip.AddOptions = {AddOptsEnum::AddRecurseDirs};
    if (op == ArchiveOp::Delete) {
        zip.ExtrOptions = {ExtrOptsEnum::ExtrOverWrite};
        runZip(result, zip, zp, specs, &TZipMaster::Delete);
        return;
    }
    zip.ExtrBaseDir = target;
    zip.ExtrOptions = subdirs ? ExtrOpts{ExtrOptsEnum::ExtrDirNames, ExtrOptsEnum::ExtrOverWrite}
                              : ExtrOpts{ExtrOptsEnum::ExtrOverWrite};
    runZip(result, zip, zp, specs, &TZipMaster::Extract);
    // A file the person chose to keep is a member not copied.
    if (zp.declined > 0)
        result.passed = false;
}

// Whether the operation is refused before anything runs: an archive kind
// without a way to change it, or a move the archiver cannot make.
bool refusedFromArchive(ArchiveOp op, const QString& archive, QChar kind,
                        const QList<MemberItem>& members, Prompter& prompter)
{
    if (!known(kind) || members.isEmpty())
        return true;
    if (op == ArchiveOp::Move && kind != kKindArj && kind != kKindPak) {
        for (qsizetype i = 0; i < members.size(); ++i)
            prompter.information(QStringLiteral("Cannot move from ") + archive +
                                 QStringLiteral(" (Use Copy and Delete)."));
        return true;
    }
    return false;
}

} // namespace

ArchiveOpResult OperateFromArchive(ArchiveOp op, const QString& archive, QChar kind,
                                   const QString& innerDirectory, const QList<MemberItem>& members,
                                   const QString& target, bool subdirs, Prompter& prompter,
                                   ArchiveProgress& progress)
{
    ArchiveOpResult result;
    if (isLibarchiveKind(kind) && !members.isEmpty()) {
        // Read only: members are copied out; a move or delete is refused
        // once for the whole choice.
        if (op != ArchiveOp::Copy) {
            RefuseLibarchiveChange(archive, kind, prompter);
            return result;
        }
        return ExtractLibarchiveMembers(archive, kind, innerDirectory, members, target, subdirs,
                                        prompter, progress);
    }
    if (refusedFromArchive(op, archive, kind, members, prompter))
        return result;
    result.passed = true;
    showFromArchive(progress, op, archive, kind);
    const std::optional<QStringList> items =
        memberPaths(op, kind, innerDirectory, members, subdirs, progress);
    if (!items) {
        progress.hideRun();
        result.aborted = true;
        result.passed = false;
        return result;
    }
    if (kind == kKindZip) {
        zipFromArchive(result, op, archive, innerDirectory, members, *items, target, subdirs,
                       prompter, progress);
    } else if (!items->isEmpty()) {
        // One state for every batch: an "All" holds for the whole operation.
        OperationState state(prompter, progress);
        toolFromArchive(result, op, archive, kind, *items, target, subdirs, prompter, progress,
                        ReplaceQuestion(state));
    }
    progress.hideRun();
    if (op != ArchiveOp::Copy)
        InvalidateArchiveCache();
    return result;
}

QString Extractview(const QString& zipPath, const QString& storedEntry, Prompter& prompter,
                    ArchiveProgress* progress)
{
    const QString tempHost = programDirectory() + QStringLiteral("/temp");
    const auto tempDos = DriveMap::instance().toDos(tempHost);
    if (!ensureDirectory(tempHost) || !tempDos) {
        prompter.error(QStringLiteral("Cannot write in ") + tempHost + QLatin1Char('.'));
        return {};
    }
    TZipMaster zip;
    zip.Messages = &prompter;
    zip.ZipFilename = zipPath;
    zip.FSpecArgs = QStringList{storedEntry};
    zip.ExtrOptions = {ExtrOptsEnum::ExtrOverWrite};
    zip.ExtrBaseDir = *tempDos;
    zip.OnMessage = [&prompter](TZipMaster&, int code, const QString& text) {
        if (code != 0)
            prompter.error(text);
    };
    SilentArchiveProgress silent;
    OperationState state(prompter, progress ? static_cast<ProgressSink&>(*progress) : silent);
    AskBeforeReplacing(zip, state);
    const int extracted = zip.Extract();
    if (progress)
        progress->hideRun();
    const QString name = QString(storedEntry)
                             .replace(QLatin1Char('/'), QLatin1Char('\\'))
                             .section(QLatin1Char('\\'), -1);
    const QString arrived = dospath::join(*tempDos, name);
    // A file kept there (the person said No) is not the member asked for.
    return extracted > 0 && fileio::status(arrived).regular ? tempHost + QLatin1Char('/') + name
                                                            : QString();
}

QString ExtractMemberForView(const QString& archive, QChar kind, const QString& innerDirectory,
                             const QString& name, Prompter& prompter, ArchiveProgress& progress)
{
    if (name.isEmpty() || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char('/')) ||
        name == QLatin1String("..") || name == QLatin1String("."))
        return {};
    if (kind == kKindZip) {
        QString stored = innerDirectory;
        if (!stored.isEmpty() && !stored.endsWith(QLatin1Char('\\')))
            stored += QLatin1Char('\\');
        return Extractview(archive, stored + name, prompter, &progress);
    }
    const QString tempHost = programDirectory() + QStringLiteral("/temp");
    const auto tempDos = DriveMap::instance().toDos(tempHost);
    if (!ensureDirectory(tempHost) || !tempDos) {
        prompter.error(QStringLiteral("Cannot write in ") + tempHost + QLatin1Char('.'));
        return {};
    }
    const QString arrived = dospath::join(*tempDos, name);
    if (fileio::status(arrived).exists)
        fileio::removeFile(arrived);
    OperateFromArchive(ArchiveOp::Copy, archive, kind, innerDirectory, {MemberItem{name, false}},
                       *tempDos, false, prompter, progress);
    return fileio::status(arrived).regular ? tempHost + QLatin1Char('/') + name : QString();
}

} // namespace dovex
