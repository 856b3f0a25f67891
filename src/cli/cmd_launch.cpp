// dovex-cli link-target FILE.lnk: what the link scan finds in a shortcut.
// dovex-cli run-line DIR TEXT: what the command line would do with TEXT typed
// in the panel directory DIR, printed instead of done.
#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "launch/linktarget.h"
#include "launch/runcommand.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"

namespace dovex::cli {

namespace {

int runLinkTarget(const QStringList& args)
{
    if (args.size() != 1)
        return fail(QStringLiteral("usage: dovex-cli link-target FILE.lnk"));
    const auto path = dospath::normalize(args[0]);
    if (!path || !DriveMap::instance().toHost(*path))
        return fail(QStringLiteral("not a path on a drive: ") + args[0]);
    // The shortcut itself is read, never what a link named like one
    // points at (the window's scan does not follow one either).
    const FileStatus st = fileio::status(*path);
    const std::optional<QString> target =
        st.regular ? launch::TryReadLinkTarget(*path, nullptr) : std::nullopt;
    if (!target)
        return fail(QStringLiteral("Open error File ") + *path +
                    (st.symlink ? QStringLiteral(": a symbolic link is not read") : QString()));
    if (target->isEmpty())
        return unfinished(*path + QStringLiteral(" names no target"));
    out(*target);
    return 0;
}

// A line break in an argument would split it in two lines: such a line is
// written with the escapes of the other commands' fields.
QString line(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 32)
            return escapedField(text);
    }
    return text;
}

int runRunLine(const QStringList& args)
{
    if (args.size() != 2)
        return fail(QStringLiteral("usage: dovex-cli run-line DIR TEXT"));
    const auto dir = dospath::normalize(args[0]);
    if (!dir || !fileio::status(*dir, true).directory)
        return fail(QStringLiteral("not a directory: ") + args[0]);
    const launch::CommandPlan plan = launch::planCommandLine(*dir, args[1]);
    switch (plan.kind) {
    case launch::CommandPlan::Kind::Drive: {
        const QChar letter = plan.drive.toUpper();
        if (!DriveMap::instance().rootOf(letter))
            return fail(QStringLiteral("no drive ") + letter + QLatin1Char(':'));
        out(QString(letter) + QStringLiteral(":\\"));
        break;
    }
    case launch::CommandPlan::Kind::ChangeDirectory:
        out(plan.directory);
        break;
    case launch::CommandPlan::Kind::Nothing:
        out(*dir);
        break;
    case launch::CommandPlan::Kind::Start:
        out(line(plan.program));
        for (const QString& a : plan.arguments)
            out(line(a));
        break;
    }
    return 0;
}

const CliCommand linkTargetCommand(
    "link-target",
    "link-target FILE.lnk\n"
    "      the path the shortcut's byte scan finds; exit 1 when it finds none",
    runLinkTarget);

const CliCommand runLineCommand(
    "run-line",
    "run-line DIR TEXT\n"
    "      what the command line does with TEXT typed in DIR: the panel's new\n"
    "      directory on one line, or the program followed by each argument on a\n"
    "      line of its own",
    runRunLine);

} // namespace

} // namespace dovex::cli
