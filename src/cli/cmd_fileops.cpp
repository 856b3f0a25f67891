// dovex-cli copy|move SOURCE... DEST and dovex-cli delete SOURCE...: the
// file operations of the panels, with the answers given as options.
#include "cli/archiveops_cli.h"
#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "fileops/operationstate.h"
#include "fileops/pathrules.h"
#include "fileops/runoperation.h"
#include "platform/dirsearch.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/progresssink.h"

namespace dovex::cli {

namespace {

int runOperation(FileOpKind kind, QStringList args)
{
    if (const auto archiveRun = runArchiveOperation(kind, args))
        return *archiveRun;
    PolicyPrompter prompter;
    if (const std::optional<QString> wrong = takePolicies(args, prompter))
        return fail(*wrong);
    bool subdirs = true;
    if (const auto value = takeOption(args, QStringLiteral("subdirs"))) {
        if (*value != QLatin1String("yes") && *value != QLatin1String("no"))
            return fail(QStringLiteral("--subdirs takes yes or no"));
        subdirs = *value == QLatin1String("yes");
    }
    const bool withDestination = kind != FileOpKind::Delete;
    if (args.size() < (withDestination ? 2 : 1))
        return fail(withDestination ? QStringLiteral("needs SOURCE... DEST")
                                    : QStringLiteral("needs SOURCE..."));
    const QString typedDestination = withDestination ? args.takeLast() : QString();
    const QString destination = withDestination ? onDrive(typedDestination) : QString();
    if (withDestination && destination.isEmpty())
        return fail(QStringLiteral("%1 is not a path on a drive").arg(typedDestination));

    QStringList items;
    for (const QString& arg : args) {
        const QString source = onDrive(arg);
        if (source.isEmpty())
            return fail(QStringLiteral("%1 is not a path on a drive").arg(arg));
        const auto found = expandSource(source);
        if (!found || found->isEmpty())
            return fail(QStringLiteral("nothing matches %1").arg(source));
        items << *found;
    }

    SilentSink sink;
    OperationState state(prompter, sink);
    BeginOperation(state, kind);
    // No totals are counted: nothing here shows a progress bar, and the
    // counting pass would look at every file of every tree once more.
    state.startCounting();
    // As in the window: after a read or write error (or an abort) no later
    // item is started, so no later destination is cleared.
    for (const QString& item : items) {
        if (state.checkAbort())
            break;
        ProcessEntry(state, kind, item, destination, subdirs);
    }
    return state.notDone == 0 && !state.ioFailed ? 0 : 1;
}

const CliCommand copyCommand(
    "copy",
    "copy SOURCE... DEST [--overwrite=ask|all|none] [--protected=ask|all|none] "
    "[--subdirs=yes|no]\n"
    "  dovex-cli copy SOURCE... ARCHIVE [--subdirs=yes|no]\n"
    "  dovex-cli copy --from ARCHIVE[\\INNER\\DIR] MEMBER... DEST [--overwrite=ask|all|none]\n"
    "      [--protected=ask|all|none] [--subdirs=yes|no]\n"
    "  an existing file is replaced only as --overwrite says, a hidden, system or\n"
    "  read-only one only as --protected also says (both none when not given)",
    [](const QStringList& args) { return runOperation(FileOpKind::Copy, args); });
const CliCommand moveCommand(
    "move",
    "move SOURCE... DEST [--overwrite=ask|all|none] [--protected=ask|all|none] "
    "[--subdirs=yes|no]\n"
    "  dovex-cli move SOURCE... ARCHIVE [--subdirs=yes|no]\n"
    "  dovex-cli move --from ARCHIVE[\\INNER\\DIR] MEMBER... DEST [--overwrite=ask|all|none]\n"
    "      [--protected=ask|all|none] [--subdirs=yes|no]",
    [](const QStringList& args) { return runOperation(FileOpKind::Move, args); });
const CliCommand deleteCommand(
    "delete",
    "delete SOURCE... [--protected=ask|all|none] [--subdirs=yes|no]\n"
    "  dovex-cli delete --from ARCHIVE[\\INNER\\DIR] MEMBER... [--subdirs=yes|no]",
    [](const QStringList& args) { return runOperation(FileOpKind::Delete, args); });

} // namespace

} // namespace dovex::cli
