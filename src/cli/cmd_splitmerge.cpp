// dovex-cli split FILE --size KB and dovex-cli merge FILE.001 [--to TARGET]:
// the split and merge of the panels, the questions printed with the answer
// taken.
#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "fileops/operationstate.h"
#include "fileops/splitmerge.h"
#include "platform/hostname.h"
#include "platform/progresssink.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace dovex::cli {

namespace {

// "Split X?" is answered Yes (the command is the agreement), the overwrite
// question by --overwrite (ask reads y, n or a from stdin) and too little
// space with No; other messages go to stderr.
class SplitPrompter : public Prompter {
public:
    Policy overwrite = Policy::None;

    Answer ask(Severity severity, const QString& text, Buttons buttons,
               const QString& caption) override
    {
        if (buttons == Buttons::Ok)
            return m_plain.ask(severity, text, buttons, caption);
        Answer answer = Answer::Yes;
        if (text.contains(QLatin1String(" Exists, Overwrite?")) ||
            text.contains(QLatin1String("Are you sure to delete all")) ||
            text.contains(QLatin1String("do you wish to Delete this file?"))) {
            if (overwrite == Policy::Ask)
                return answerFromStdin(text, buttons);
            answer = overwrite == Policy::All
                         ? (buttons == Buttons::YesNoAll ? Answer::All : Answer::Yes)
                         : Answer::No;
        } else if (text.startsWith(QLatin1String("Not enought space"))) {
            answer = Answer::No;
        }
        std::fprintf(stderr, "%s [%s]\n", hostname::encode(text).constData(),
                     answer == Answer::No ? "No" : answer == Answer::All ? "All" : "Yes");
        return answer;
    }

private:
    CliPrompter m_plain;
};

bool takeOverwrite(QStringList& args, SplitPrompter& prompter)
{
    const auto value = takeOption(args, QStringLiteral("overwrite"));
    if (!value)
        return true;
    const std::optional<Policy> policy = policyOf(*value);
    if (policy)
        prompter.overwrite = *policy;
    return policy.has_value();
}

int runSplit(QStringList args)
{
    SplitPrompter prompter;
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
    SplitPrompter prompter;
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
const CliCommand mergeCommand("merge",
                              "merge FILE.001 [--to TARGET] [--overwrite=ask|all|none]",
                              [](const QStringList& args) { return runMerge(args); });

} // namespace

} // namespace dovex::cli
