#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

namespace dovex {

class ArchiveProgress;
class Prompter;

// The archive file operations: files copied or moved into an archive, and
// members copied, moved or deleted out of one. Zip archives go through
// TZipMaster, every other kind through its archiver (RunArchiverTool). All
// paths are drive-letter paths.
//
//   ArchiveOpResult r = CopyIntoArchive(ArchiveOp::Copy, "D:\\a.arj", kKindArj,
//                                       "C:\\src", {{"C:\\src\\x.txt", false}}, true,
//                                       prompter, progress);
//   for (path : r.listFiles) window.deleteAtNextRefresh(path);
enum class ArchiveOp { Copy = 1, Move = 2, Delete = 3 };

struct ArchiveOpResult {
    bool ran = false;      // the library or an archiver was started
    bool passed = false;   // everything asked for was done: no refusal, failure or abort
    bool aborted = false;  // "abort" or Escape ended it
    QStringList listFiles; // host paths of list files, to delete at the next refresh
};

// An entry of the source panel: a file or a directory.
struct SourceItem {
    QString path;
    bool directory = false;
};

// An entry of an archive panel's level: its name as listed there.
struct MemberItem {
    QString name;
    bool directory = false;
};

// Items per archiver run; more run in further batches.
inline constexpr int kArchiveBatch = 100;

// "Arj", "Zip", "Rar", "Lha", "Pak", "Zoo" for the kinds; empty for "?".
QString ArchiveMethodName(QChar kind);

// Copy or move into the archive (kind from its first bytes, as the panel
// shows it). Members are stored relative to sourceDirectory; directories go
// in with everything below them only when subdirs is set, else they are
// left out.
ArchiveOpResult CopyIntoArchive(ArchiveOp op, const QString& archive, QChar kind,
                                const QString& sourceDirectory, const QList<SourceItem>& items,
                                bool subdirs, Prompter& prompter, ArchiveProgress& progress);

// Files dropped from the shell onto a panel that shows an archive: each
// lands relative to its own directory.
ArchiveOpResult DropIntoArchive(const QString& archive, QChar kind, const QStringList& paths,
                                bool subdirs, Prompter& prompter, ArchiveProgress& progress);

// Copy, move or delete members of the level innerDirectory of an archive.
// target is the directory copies and moves go to (unused for delete). A
// move out of a kind that cannot is refused per member, and nothing runs.
ArchiveOpResult OperateFromArchive(ArchiveOp op, const QString& archive, QChar kind,
                                   const QString& innerDirectory, const QList<MemberItem>& members,
                                   const QString& target, bool subdirs, Prompter& prompter,
                                   ArchiveProgress& progress);

// Extracts one stored entry of a zip archive into the "temp" directory of
// the program directory (made when missing) for viewing; the host path of
// the file there, or empty when it did not arrive.
QString Extractview(const QString& zipPath, const QString& storedEntry, Prompter& prompter,
                    ArchiveProgress* progress = nullptr);

// Extracts the member name of the level innerDirectory of an archive of any
// kind into the program directory's "temp" for viewing: zip through
// Extractview, the others through their archiver as a copy out of the
// archive. A file of that name left in "temp" by an earlier view is removed
// first. The host path of the file there, or empty when it did not arrive.
QString ExtractMemberForView(const QString& archive, QChar kind, const QString& innerDirectory,
                             const QString& name, Prompter& prompter, ArchiveProgress& progress);

} // namespace dovex
