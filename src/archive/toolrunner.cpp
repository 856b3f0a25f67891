#include "archive/toolrunner.h"

#include "archive/safeextract.h"
#include "archive/toolprofiles.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/directory.h"
#include "platform/hostname.h"
#include "platform/locations.h"
#include "platform/passwordterminal.h"
#include "platform/process.h"
#include "platform/progresssink.h"
#include "platform/prompter.h"

#include <algorithm>
#include <optional>

namespace dovex::archive {

namespace {

QString cannotFind(const QString& tool)
{
    return QStringLiteral("Cannot find ") + tool + QStringLiteral(" in the Dovex directory.");
}

// A tool name from the settings is a file name in the program directory,
// never a path that leaves it.
bool plainFileName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) &&
           name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QChar(0));
}

QString inProgramDirectory(const QString& name)
{
    return programDirectory() + QLatin1Char('/') + name;
}

struct Resolved {
    bool classic = false;
    const ToolProfile* profile = nullptr;
    QString program;
};

Resolved resolveTool(const QString& tool)
{
    Resolved r;
    if (!plainFileName(tool))
        return r;
    const QString own = inProgramDirectory(tool);
    if (process::isExecutableFile(own)) {
        r.classic = true;
        r.program = own;
        return r;
    }
    r.profile = findProfile(tool);
    if (!r.profile)
        return r;
    const QString name = QLatin1String(r.profile->program);
    r.program = process::isExecutableFile(inProgramDirectory(name)) ? inProgramDirectory(name)
                                                                    : process::findExecutable(name);
    return r;
}

bool isAll(const QString& path)
{
    const qsizetype sep = std::max(path.lastIndexOf(QLatin1Char('\\')),
                                   path.lastIndexOf(QLatin1Char('/')));
    return path.mid(sep + 1) == QLatin1String("*.*");
}

QString withoutAll(const QString& path)
{
    QString p = path.left(path.size() - 3);
    while (p.endsWith(QLatin1Char('\\')) || p.endsWith(QLatin1Char('/')))
        p.chop(1);
    return p;
}

bool isDrivePath(const QString& p)
{
    return p.size() >= 2 && p[1] == QLatin1Char(':') && p[0].isLetter();
}

// The paths of the command in host form. A path that leads nowhere on the
// drive map is named in the message that stops the command.
bool resolvePaths(const ArchiverCommand& cmd, ToolContext& c, QString& error)
{
    const DriveMap& map = DriveMap::instance();
    auto host = [&](const QString& dos, QString& out) {
        if (dos.isEmpty())
            return true;
        const auto h = map.toHost(dos);
        if (!h) {
            error = QStringLiteral("Cannot find ") + dos + QLatin1Char('.');
            return false;
        }
        out = *h;
        return true;
    };
    if (!host(cmd.workingDirectory, c.workingDirectory) || !host(cmd.archive, c.archive) ||
        !host(cmd.target, c.target))
        return false;
    const QString work = c.workingDirectory;
    for (const QString& given : cmd.items) {
        ToolItem item;
        item.given = given;
        item.all = isAll(given);
        const QString path = item.all ? withoutAll(given) : given;
        if (cmd.itemKind == ToolItems::Members) {
            item.host = QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
            c.items << item;
            continue;
        }
        item.dosPath = isDrivePath(path) ? path
                       : path.isEmpty()  ? cmd.workingDirectory
                                         : dospath::join(cmd.workingDirectory, path);
        if (!host(item.dosPath, item.host))
            return false;
        if (!work.isEmpty() && item.host.startsWith(work + QLatin1Char('/')))
            item.relative = item.host.mid(work.size() + 1);
        else if (work == QLatin1String("/") && item.host.size() > 1)
            item.relative = item.host.mid(1);
        else
            item.relative = item.host;
        c.items << item;
    }
    return true;
}

// The command as the classic tool reads it: every path in host form, one
// argument each; the list file holds the same paths.
ToolPlan classicPlan(const ArchiverCommand& cmd, const ToolContext& c, const QString& program)
{
    ToolPlan plan;
    ToolStep step{program, cmd.switches, c.workingDirectory, false};
    if (!c.archive.isEmpty())
        step.arguments << c.archive;
    QStringList names;
    for (const ToolItem& item : c.items) {
        const QString base = cmd.itemKind == ToolItems::Members ? item.given : item.host;
        names << (item.all && cmd.itemKind == ToolItems::Files
                      ? (base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/')) +
                            QStringLiteral("*.*")
                      : base);
    }
    if (!cmd.listPrefix.isEmpty() && !names.isEmpty()) {
        for (const QString& n : names) {
            if (n.contains(QLatin1Char('\n')) || n.contains(QLatin1Char('\r'))) {
                plan.error = kLineBreakInName.arg(n);
                return plan;
            }
            plan.listText += hostname::encode(n) + '\n';
        }
        plan.usesList = true;
        plan.listArgPrefix = cmd.listPrefix;
        step.arguments << kListPlaceholder;
    } else {
        step.arguments << names;
    }
    if (!c.target.isEmpty())
        step.arguments << c.target;
    plan.steps << step;
    return plan;
}

// The list file lives in the program directory under a name no other run
// uses; the caller deletes it at the next refresh.
QString writeListFile(const QByteArray& text)
{
    if (!ensureDirectory(programDirectory()))
        return {};
    return process::writeUniqueFile(programDirectory(), QStringLiteral("Arc-"),
                                    QStringLiteral(".Lst"), text);
}

// The scratch directory of a tool that writes beside its inputs; removed
// with whatever is left in it when the run is over.
class Scratch {
public:
    Scratch(const ArchiverCommand& cmd, const ToolContext& c) : m_target(cmd.target)
    {
        m_host = process::makeUniqueDirectory(c.target, QStringLiteral(".dovex-"));
        if (!m_host.isEmpty())
            m_dos = dospath::join(m_target, m_host.section(QLatin1Char('/'), -1));
    }
    ~Scratch()
    {
        if (m_dos.isEmpty())
            return;
        Directory dir;
        if (dir.open(m_dos)) {
            if (const auto items = dir.list(false))
                for (const DirItem& item : *items)
                    fileio::removeFile(dospath::join(m_dos, item.name));
        }
        fileio::removeDirectory(m_dos);
    }
    bool ok() const { return !m_host.isEmpty(); }
    const QString& host() const { return m_host; }
    QString dos(const QString& name) const { return dospath::join(m_dos, name); }

private:
    QString m_target, m_host, m_dos;
};

} // namespace

bool ArchiverToolAvailable(const QString& name)
{
    const Resolved tool = resolveTool(name);
    return tool.classic || (tool.profile && !tool.program.isEmpty());
}

QString CannotFindText(const QString& tool)
{
    return cannotFind(tool);
}

ToolRunResult RunArchiverTool(const ArchiverCommand& given, Prompter& prompter,
                              ProgressSink* progress)
{
    ToolRunResult result;
    if (progress)
        progress->dropPendingEscape();

    const Resolved tool = resolveTool(given.tool);
    if (!ArchiverToolAvailable(given.tool)) {
        prompter.error(cannotFind(given.tool));
        return result;
    }
    // An extraction runs in a scratch directory of its target, on the
    // members found safe; its command is the one that runs.
    std::optional<SafeExtraction> extraction;
    const ExtractionForm form = extractionForm(given);
    if (form.extracts) {
        extraction.emplace(given, form, prompter);
        if (!extraction->prepare()) {
            result.refused = std::max(1, extraction->refused());
            return result;
        }
    }
    const ArchiverCommand& command = extraction ? extraction->command() : given;
    ToolContext context;
    context.command = &command;
    context.program = tool.program;
    QString pathError;
    if (!resolvePaths(command, context, pathError)) {
        prompter.error(pathError);
        return result;
    }
    // A program of the classic name can be told a password only on its
    // command line, which every user of the machine can read.
    if (tool.classic && !command.password.isNull()) {
        prompter.error(kPasswordRefused.arg(command.tool));
        return result;
    }
    ToolPlan plan =
        tool.classic ? classicPlan(command, context, tool.program) : tool.profile->translate(context);
    if (!plan.error.isEmpty()) {
        prompter.error(plan.error);
        return result;
    }
    if (plan.usesList) {
        result.listFile = writeListFile(plan.listText);
        if (result.listFile.isEmpty()) {
            prompter.error(QStringLiteral("Cannot write the list file in ") + programDirectory() +
                           QLatin1Char('.'));
            return result;
        }
    }

    std::optional<Scratch> scratch;
    if (plan.scratch) {
        scratch.emplace(command, context);
        bool linked = scratch->ok();
        for (const auto& [name, target] : plan.links)
            linked = linked && process::makeLink(target, scratch->host() + QLatin1Char('/') + name);
        if (!linked) {
            prompter.error(QStringLiteral("Cannot prepare ") + command.target + QLatin1Char('.'));
            return result;
        }
    }

    const QString failed = QStringLiteral("An error has occured,") + command.tool;
    for (const ToolStep& step : plan.steps) {
        process::Spec spec;
        spec.program = step.program;
        spec.workingDirectory =
            step.workingDirectory == kScratchPlaceholder ? scratch->host() : step.workingDirectory;
        for (const QString& a : step.arguments)
            spec.arguments << (a == kListPlaceholder ? plan.listArgPrefix + result.listFile : a);
        if (step.listOnStdin)
            spec.stdinFile = result.listFile;
        std::optional<process::PasswordTerminal> terminal;
        if (step.passwordOnTerminal) {
            terminal.emplace(command.password.toUtf8());
            if (!terminal->open()) {
                prompter.error(QStringLiteral("No terminal to give ") + command.tool +
                               QStringLiteral(" the password on. Nothing was done."));
                return result;
            }
            spec.terminalFd = terminal->programSide();
        }
        const process::Outcome out = process::run(spec, [progress, &terminal] {
            if (terminal)
                terminal->pump();
            if (!progress)
                return false;
            progress->repaint();
            return progress->abortRequested();
        });
        switch (out.ending) {
        case process::Ending::NotStarted:
            prompter.information(failed + QStringLiteral(" didn't Start"));
            return result;
        case process::Ending::Aborted:
            result.aborted = true;
            result.exitCode = 0;
            return result;
        case process::Ending::Signalled:
            result.exitCode = 128 + out.exitCode;
            break;
        case process::Ending::Exited:
            result.exitCode = out.exitCode;
            break;
        }
        if (result.exitCode != 0 && result.exitCode != 25) {
            prompter.information(failed + QStringLiteral(" exits with:") +
                                 QString::number(result.exitCode));
            return result;
        }
    }
    if (extraction && !extraction->finish()) {
        result.refused = std::max(1, extraction->refused());
        return result;
    }
    for (const auto& [made, final] : plan.results) {
        if (fileio::rename(scratch->dos(made), dospath::join(command.target, final)) != 0) {
            prompter.error(QStringLiteral("Cannot write ") + dospath::join(command.target, final) +
                           QLatin1Char('.'));
            return result;
        }
    }
    result.passed = true;
    return result;
}

} // namespace dovex::archive
