// dovex-cli copy|move SOURCE... ARCHIVE and
// dovex-cli copy|move|delete --from ARCHIVE[\INNER\DIR] MEMBER... [DEST]:
// the archive operations of the panels, over the same engine.
#include "cli/archiveops_cli.h"

#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "archive/archivekind.h"
#include "archive/archivereaders.h"
#include "archive/ops/archiveoperations.h"
#include "archive/ops/archiveprogress.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"
#include "platform/process.h"

#include <unistd.h>

namespace dovex::cli {

namespace {

QChar archiveKindOf(const QString& dosPath)
{
    const FileStatus st = fileio::status(dosPath);
    return st.exists && st.regular ? DetectArchiveKind(dosPath) : QChar(kKindNone);
}

// The list files are the window's to delete at its next refresh; here the
// run is over once the command returns.
int finish(const ArchiveOpResult& r)
{
    for (const QString& list : r.listFiles)
        ::unlink(hostname::encode(list).constData());
    return r.passed && !r.aborted ? 0 : 1;
}

ArchiveOp opOf(FileOpKind kind)
{
    return kind == FileOpKind::Move     ? ArchiveOp::Move
           : kind == FileOpKind::Delete ? ArchiveOp::Delete
                                        : ArchiveOp::Copy;
}

int fromArchive(FileOpKind kind, const QString& from, QStringList args, bool subdirs,
                Prompter& prompter)
{
    const QString full = onDrive(from);
    if (full.isEmpty())
        return fail(QStringLiteral("%1 is not a path on a drive").arg(from));
    // The archive is the longest leading part that is an archive file.
    QString archive = full;
    QString inner;
    QChar archiveKind = archiveKindOf(archive);
    while (archiveKind == kKindNone && !dospath::isRoot(archive)) {
        const QString name = dospath::fileName(archive);
        inner = inner.isEmpty() ? name : name + '\\' + inner;
        archive = dospath::directoryPart(archive);
        archiveKind = archiveKindOf(archive);
    }
    if (archiveKind == kKindNone)
        return fail(QStringLiteral("%1 is no archive of a known kind").arg(from));

    const bool withDestination = kind != FileOpKind::Delete;
    if (args.size() < (withDestination ? 2 : 1))
        return fail(withDestination ? QStringLiteral("needs --from ARCHIVE MEMBER... DEST")
                                    : QStringLiteral("needs --from ARCHIVE MEMBER..."));
    QString target;
    if (withDestination) {
        const QString typed = args.takeLast();
        target = onDrive(typed);
        if (target.isEmpty() || !fileio::status(target).directory)
            return fail(QStringLiteral("%1 is not a directory on a drive").arg(typed));
    }

    // The members as the panel lists them at that level.
    PanelEntries level;
    archiveReaders().list(archive, inner, QStringLiteral("*.*"), level);
    QList<MemberItem> members;
    for (const QString& name : args) {
        const PanelEntry* found = nullptr;
        for (const PanelEntry& e : level)
            if (e.name != QLatin1String("..") && e.name == name)
                found = &e;
        if (!found)
            return fail(QStringLiteral("%1 holds no %2")
                            .arg(inner.isEmpty() ? archive : archive + '\\' + inner, name));
        members << MemberItem{found->name, found->directory};
    }
    SilentArchiveProgress progress;
    const process::CleanupScope scope; // a signal waits until the list files are gone
    return finish(OperateFromArchive(opOf(kind), archive, archiveKind, inner, members, target,
                                     subdirs, prompter, progress));
}

int intoArchive(FileOpKind kind, const QString& archive, QChar archiveKind,
                const QStringList& sources, bool subdirs)
{
    QList<SourceItem> items;
    QString directory;
    for (const QString& arg : sources) {
        const QString source = onDrive(arg);
        if (source.isEmpty())
            return fail(QStringLiteral("%1 is not a path on a drive").arg(arg));
        const FileStatus st = fileio::status(source);
        if (!st.exists)
            return fail(QStringLiteral("%1 does not exist").arg(source));
        const QString dir = dospath::directoryPart(source);
        if (!directory.isEmpty() && dir.compare(directory, Qt::CaseSensitive) != 0)
            return fail(QStringLiteral("the sources must lie in one directory"));
        directory = dir;
        items << SourceItem{source, st.directory};
    }
    CliPrompter prompter;
    SilentArchiveProgress progress;
    const process::CleanupScope scope; // a signal waits until the list files are gone
    return finish(CopyIntoArchive(opOf(kind), archive, archiveKind, directory, items, subdirs,
                                  prompter, progress));
}

} // namespace

std::optional<int> runArchiveOperation(FileOpKind kind, QStringList& args)
{
    const auto from = takeOption(args, QStringLiteral("from"));
    if (!from && (kind == FileOpKind::Delete || args.size() < 2))
        return std::nullopt;
    QStringList rest = args;
    bool subdirs = true;
    if (const auto value = takeOption(rest, QStringLiteral("subdirs"))) {
        if (*value != QLatin1String("yes") && *value != QLatin1String("no"))
            return fail(QStringLiteral("--subdirs takes yes or no"));
        subdirs = *value == QLatin1String("yes");
    }
    // Members taken out of an archive replace files only as the person
    // says, exactly as a copy does.
    PolicyPrompter policies;
    const qsizetype withPolicies = rest.size();
    if (const std::optional<QString> wrong = takePolicies(rest, policies))
        return fail(*wrong);
    const bool policiesGiven = rest.size() != withPolicies;
    if (from) {
        if (kind != FileOpKind::Delete)
            return fromArchive(kind, *from, rest, subdirs, policies);
        if (policiesGiven)
            return fail(QStringLiteral("--overwrite and --protected do not apply to deleting "
                                       "archive members"));
        CliPrompter prompter;
        return fromArchive(kind, *from, rest, subdirs, prompter);
    }
    if (rest.size() < 2)
        return std::nullopt;
    const QString dest = onDrive(rest.last());
    const QChar archiveKind = dest.isEmpty() ? QChar(kKindNone) : archiveKindOf(dest);
    if (archiveKind == kKindNone)
        return std::nullopt;
    if (policiesGiven)
        return fail(QStringLiteral("--overwrite and --protected do not apply to an archive"));
    rest.removeLast();
    return intoArchive(kind, dest, archiveKind, rest, subdirs);
}

} // namespace dovex::cli
