// dovex-cli split FILE --size KB and dovex-cli merge FILE.001 [--to TARGET]:
// the split and merge of the panels, the questions printed with the answer
// taken.
#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "fileops/operationstate.h"
#include "fileops/splitmerge.h"
#include "platform/progresssink.h"

namespace dovex::cli {

namespace {

// "Split X?" is answered Yes (the command is the agreement), the overwrite
// question and the protected-file ones by --overwrite, too little space
// with No. False for a value that is not ask, all or none.
bool takeOverwrite(QStringList& args, PolicyPrompter& prompter)
{
    prompter.otherQuestions = Answer::Yes;
    if (const auto value = takeOption(args, QStringLiteral("overwrite"))) {
        const std::optional<Policy> policy = policyOf(*value);
        if (!policy)
            return false;
        prompter.overwrite = prompter.protectedFiles = *policy;
    }
    return true;
}

int runSplit(QStringList args)
{
    PolicyPrompter prompter;
    if (!takeOverwrite(args, prompter))
        return fail(QStringLiteral("--overwrite takes ask, all or none"));
    const auto size = takeOption(args, QStringLiteral("size"));
    if (!size)
        return fail(QStringLiteral("needs --size KB"));
    if (args.size() != 1)
        return fail(QStringLiteral("needs one FILE"));
    const QString path = onDrive(args[0]);
    if (path.isEmpty())
        return fail(QStringLiteral("%1 is not a path on a drive").arg(args[0]));
    SilentSink sink;
    OperationState state(prompter, sink);
    const bool done = SplitFile(state, path, [&] { return std::optional<QString>(*size); });
    return done ? 0 : 1;
}

int runMerge(QStringList args)
{
    PolicyPrompter prompter;
    if (!takeOverwrite(args, prompter))
        return fail(QStringLiteral("--overwrite takes ask, all or none"));
    const auto to = takeOption(args, QStringLiteral("to"));
    if (args.size() != 1)
        return fail(QStringLiteral("needs one FILE.001"));
    const QString first = onDrive(args[0]);
    if (first.isEmpty())
        return fail(QStringLiteral("%1 is not a path on a drive").arg(args[0]));
    if (!first.endsWith(QLatin1String(".001")))
        return fail(QStringLiteral("%1 is not the first part of a set (.001)").arg(first));
    QString target;
    if (to) {
        target = onDrive(*to);
        if (target.isEmpty())
            return fail(QStringLiteral("%1 is not a path on a drive").arg(*to));
    }
    SilentSink sink;
    OperationState state(prompter, sink);
    const bool done = AppendFile(state, first.left(first.size() - 4), [&](const QString& proposed) {
        return std::optional<QString>(target.isEmpty() ? proposed : target);
    });
    return done ? 0 : 1;
}

const CliCommand splitCommand("split", "split FILE --size KB [--overwrite=ask|all|none]",
                              [](const QStringList& args) { return runSplit(args); });
const CliCommand mergeCommand("merge", "merge FILE.001 [--to TARGET] [--overwrite=ask|all|none]",
                              [](const QStringList& args) { return runMerge(args); });

} // namespace

} // namespace dovex::cli
