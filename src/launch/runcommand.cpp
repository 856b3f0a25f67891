#include "launch/runcommand.h"

#include "launch/shellexecute.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"

#include <cerrno>
#include <climits>
#include <unistd.h>

namespace dovex::launch {

namespace {

// The cd forms: "cd" alone or followed by its argument, and the classic
// "cd.." and "cd\dir" written together. "cdrecord" is a program.
bool isCd(const QString& command)
{
    if (!command.startsWith(QLatin1String("cd")))
        return false;
    if (command.size() == 2)
        return true;
    const QChar third = command[2];
    return third == QLatin1Char('.') || third == QLatin1Char('\\') || third == QLatin1Char('/');
}

CommandPlan planCd(const QString& panelDirectory, const QString& command, const QString& parameters)
{
    CommandPlan plan;
    QString target;
    if (command.mid(2, 2) == QLatin1String("..") || parameters == QLatin1String("..")) {
        target = dospath::directoryPart(panelDirectory);
    } else {
        const QString joined = panelDirectory.size() <= 3 ? panelDirectory + parameters
                                                          : panelDirectory + '\\' + parameters;
        const auto normal = dospath::normalize(joined);
        if (!normal || !fileio::status(*normal, true).directory)
            return plan;
        target = *normal;
    }
    if (target.compare(panelDirectory, Qt::CaseSensitive) == 0)
        return plan;
    plan.kind = CommandPlan::Kind::ChangeDirectory;
    plan.directory = target;
    return plan;
}

QString currentDirectory()
{
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer))
        return {};
    return DriveMap::instance().toDos(hostname::decode(QByteArray(buffer))).value_or(QString());
}

} // namespace

CommandPlan planCommandLine(const QString& panelDirectory, const QString& text)
{
    const QString trimmed = text.trimmed();
    const qsizetype blank = trimmed.indexOf(QLatin1Char(' '));
    const QString command = blank < 0 ? trimmed : trimmed.left(blank);
    const QString parameters = blank < 0 ? QString() : trimmed.mid(blank + 1);
    CommandPlan plan;
    if (command.isEmpty())
        return plan;
    if (command.size() >= 2 && command[1] == QLatin1Char(':')) {
        if (command[0].isLetter() && command[0].unicode() < 128) {
            plan.kind = CommandPlan::Kind::Drive;
            plan.drive = command[0].toLower();
        }
        return plan;
    }
    if (isCd(command))
        return planCd(panelDirectory, command, parameters.trimmed());

    const auto words = splitWords(trimmed);
    if (!words || words->isEmpty() || words->first().isEmpty())
        return plan;
    QString program = words->first();
    const QStringList arguments = words->mid(1);
    if (!planExecuteWords(QStringLiteral("open"), program, arguments, panelDirectory)) {
        const QString lower = program.toLower();
        if (lower != program &&
            planExecuteWords(QStringLiteral("open"), lower, arguments, panelDirectory))
            program = lower;
    }
    plan.kind = CommandPlan::Kind::Start;
    plan.program = program;
    plan.arguments = arguments;
    return plan;
}

CommandResult runCommandLine(const QString& panelDirectory, bool inArchive, const QString& text,
                             CommandHistory& history)
{
    CommandResult result;
    if (!inArchive) {
        const auto host = DriveMap::instance().toHost(panelDirectory);
        if (!host || ::chdir(hostname::encode(*host).constData()) != 0) {
            result.error = fileio::systemMessage(host ? errno : ENOENT);
            return result;
        }
    }
    result.plan = planCommandLine(panelDirectory, text);
    switch (result.plan.kind) {
    case CommandPlan::Kind::ChangeDirectory:
        result.newDirectory = result.plan.directory;
        break;
    case CommandPlan::Kind::Start: {
        result.started = startPlan(planExecuteWords(QStringLiteral("open"), result.plan.program,
                                                    result.plan.arguments, panelDirectory));
        // A start never changes this process's directory here, but whatever
        // changed it moves the panel along, as the command line promises.
        const QString now = currentDirectory();
        if (!inArchive && !now.isEmpty() && !fileio::sameFile(now, panelDirectory))
            result.newDirectory = now;
        break;
    }
    case CommandPlan::Kind::Drive:
    case CommandPlan::Kind::Nothing:
        break;
    }
    history.push(text);
    return result;
}

} // namespace dovex::launch
