#include "archive/toolrunner.h"

#include "archive/safeextract.h"
#include "archive/toolprofiles.h"
#include "platform/directory.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"
#include "platform/locations.h"
#include "platform/passwordterminal.h"
#include "platform/process.h"
#include "platform/progresssink.h"
#include "platform/prompter.h"
#include "platform/uniquefd.h"

#include <algorithm>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") &&
           name != QLatin1String("..") && !name.contains(QChar(0));
}

QString inProgramDirectory(const QString& name)
{
    return programDirectory() + QLatin1Char('/') + name;
}

struct Resolved {
    bool classic = false;
    const ToolProfile* profile = nullptr;
    QString program;
    QString refusal; // a program of the name is there but must not run: why
};

// A program in the program directory runs only when it is the user's own
// plain file that nobody else may change: an extracted member or another
// user must never be able to put an archiver there. Empty when it may run.
QString untrustedBecause(const QString& hostPath)
{
    struct stat st {};
    if (::lstat(hostname::encode(hostPath).constData(), &st) != 0)
        return {};
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("it is a link");
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is no plain file");
    if (st.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user");
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return QStringLiteral("other users may change it");
    return {};
}

// The program of that name in the program directory: found (program set),
// refused (refusal set), or none there that would run.
bool lookInProgramDirectory(const QString& name, Resolved& r)
{
    const QString path = inProgramDirectory(name);
    struct stat st {};
    if (::lstat(hostname::encode(path).constData(), &st) != 0 ||
        (!S_ISLNK(st.st_mode) && !process::isExecutableFile(path)))
        return false;
    if (const QString why = untrustedBecause(path); !why.isEmpty()) {
        r.refusal = QStringLiteral("Cannot run ") + name +
                    QStringLiteral(" from the Dovex directory: ") + why + QLatin1Char('.');
        return true;
    }
    r.program = path;
    return true;
}

Resolved resolveTool(const QString& tool)
{
    Resolved r;
    if (!plainFileName(tool))
        return r;
    if (lookInProgramDirectory(tool, r)) {
        r.classic = r.refusal.isEmpty();
        return r;
    }
    r.profile = findProfile(tool);
    if (r.profile && !lookInProgramDirectory(QLatin1String(r.profile->program), r))
        r.program = process::findExecutable(QLatin1String(r.profile->program));
    return r;
}

bool isAll(const QString& path)
{
    const qsizetype sep =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
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

QString whySpecial(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a pipe");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device");
    return {};
}

QString cannotHand(const QString& dos, const QString& why)
{
    return QStringLiteral("Cannot hand ") + dos + QStringLiteral(" to the archiver: ") + why +
           QLatin1Char('.');
}

// Looks at a source as an archiver reads it, links followed, and below a
// directory as deep as the archiver goes: the first item it would wait on
// for ever (a pipe, socket or device) or go round in (a link back up its
// own tree), as a message; empty when there is none.
class SourceCheck {
public:
    explicit SourceCheck(bool deep) : m_deep(deep) {}
    QString look(int parent, const QByteArray& name, const QString& dos, int level);

private:
    bool m_deep;
    std::vector<std::pair<dev_t, ino_t>> m_chain; // the directories on the way down
};

QString SourceCheck::look(int parent, const QByteArray& name, const QString& dos, int level)
{
    struct stat st {};
    if (::fstatat(parent, name.constData(), &st, 0) != 0)
        return {}; // leads nowhere: the archiver passes it by
    if (const QString why = whySpecial(st.st_mode); !why.isEmpty())
        return cannotHand(dos, why);
    if (!S_ISDIR(st.st_mode) || (!m_deep && level > 0))
        return {};
    const std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
    if (std::find(m_chain.begin(), m_chain.end(), id) != m_chain.end())
        return cannotHand(dos, QStringLiteral("it leads back into a directory above it"));
    const UniqueFd dir(::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return {};
    m_chain.push_back(id);
    QString problem;
    for (const QByteArray& child : entryNames(dir.get())) {
        problem = look(dir.get(), child, dospath::join(dos, hostname::decode(child)), level + 1);
        if (!problem.isEmpty())
            break;
    }
    m_chain.pop_back();
    return problem;
}

// Whether the archiver goes down into the directories it is given.
bool recurses(const ArchiverCommand& cmd)
{
    return hasSwitch(cmd.switches, "-r") || hasSwitch(cmd.switches, "-I") ||
           cmd.tool.compare(QLatin1String("LHA.exe"), Qt::CaseInsensitive) == 0;
}

// The archive must be a plain file (or not there yet), and so must every
// source the archiver will read: never a pipe, socket or device.
QString sourceProblem(const ArchiverCommand& cmd, const ToolContext& c)
{
    struct stat st {};
    if (!c.archive.isEmpty() && ::stat(hostname::encode(c.archive).constData(), &st) == 0 &&
        !S_ISREG(st.st_mode))
        return QStringLiteral("Cannot use ") + cmd.archive +
               QStringLiteral(": it is no plain file.");
    if (cmd.itemKind != ToolItems::Files)
        return {};
    SourceCheck check(recurses(cmd));
    for (const ToolItem& item : c.items) {
        const QString problem = check.look(AT_FDCWD, hostname::encode(item.host), item.dosPath, 0);
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}

// Takes the list file away when a termination signal cut the run short:
// nobody is left to delete it at the next refresh.
class ListFileOnSignal {
public:
    explicit ListFileOnSignal(QString& listFile) : m_listFile(listFile) {}
    ~ListFileOnSignal()
    {
        if (process::terminationPending() && !m_listFile.isEmpty()) {
            ::unlink(hostname::encode(m_listFile).constData());
            m_listFile.clear();
        }
    }
    ListFileOnSignal(const ListFileOnSignal&) = delete;
    ListFileOnSignal& operator=(const ListFileOnSignal&) = delete;

private:
    QString& m_listFile;
};

// Runs the steps of a plan; false (told) when one failed or was aborted.
bool runSteps(const ToolPlan& plan, const ArchiverCommand& command, const QString& scratch,
              Prompter& prompter, ProgressSink* progress, ToolRunResult& result)
{
    const QString failed = QStringLiteral("An error has occured,") + command.tool;
    for (const ToolStep& step : plan.steps) {
        process::Spec spec;
        spec.program = step.program;
        spec.workingDirectory =
            step.workingDirectory == kScratchPlaceholder ? scratch : step.workingDirectory;
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
                return false;
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
            return false;
        case process::Ending::Aborted:
            result.aborted = true;
            result.exitCode = 0;
            return false;
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
            return false;
        }
    }
    return true;
}

// The plan of one command: its paths resolved and checked, translated for
// the program; empty steps with the message told when it cannot run.
std::optional<ToolPlan> planFor(const ArchiverCommand& command, const Resolved& tool,
                                ToolContext& context, Prompter& prompter)
{
    context.command = &command;
    context.program = tool.program;
    QString error;
    if (resolvePaths(command, context, error))
        error = sourceProblem(command, context);
    if (!error.isEmpty()) {
        prompter.error(error);
        return std::nullopt;
    }
    // A program of the classic name can be told a password only on its
    // command line, which every user of the machine can read.
    if (tool.classic && !command.password.isNull()) {
        prompter.error(kPasswordRefused.arg(command.tool));
        return std::nullopt;
    }
    ToolPlan plan = tool.classic ? classicPlan(command, context, tool.program)
                                 : tool.profile->translate(context);
    if (!plan.error.isEmpty()) {
        prompter.error(plan.error);
        return std::nullopt;
    }
    return plan;
}

// One command, from its plan to the outputs renamed into place; false
// (told) when it did not pass.
bool runCommand(const ArchiverCommand& command, const Resolved& tool, Prompter& prompter,
                ProgressSink* progress, ToolRunResult& result)
{
    ToolContext context;
    const std::optional<ToolPlan> plan = planFor(command, tool, context, prompter);
    if (!plan)
        return false;
    if (plan->usesList) {
        result.listFile = writeListFile(plan->listText);
        if (result.listFile.isEmpty()) {
            prompter.error(QStringLiteral("Cannot write the list file in ") + programDirectory() +
                           QLatin1Char('.'));
            return false;
        }
    }
    std::optional<Scratch> scratch;
    if (plan->scratch) {
        scratch.emplace(command, context);
        bool linked = scratch->ok();
        for (const auto& [name, target] : plan->links)
            linked = linked && process::makeLink(target, scratch->host() + QLatin1Char('/') + name);
        if (!linked) {
            prompter.error(QStringLiteral("Cannot prepare ") + command.target + QLatin1Char('.'));
            return false;
        }
    }
    if (!runSteps(*plan, command, scratch ? scratch->host() : QString(), prompter, progress,
                  result))
        return false;
    for (const auto& [made, final] : plan->results) {
        if (fileio::rename(scratch->dos(made), dospath::join(command.target, final)) != 0) {
            prompter.error(QStringLiteral("Cannot write ") + dospath::join(command.target, final) +
                           QLatin1Char('.'));
            return false;
        }
    }
    return true;
}

// After an extraction that moves members out: the ones that arrived are
// deleted from the archive, the others stay in it.
bool deleteMovedMembers(const ArchiverCommand& given, const SafeExtraction& extraction,
                        const Resolved& tool, Prompter& prompter, ProgressSink* progress,
                        ToolRunResult& result)
{
    const QStringList moved = extraction.placedMembers();
    if (moved.isEmpty() || process::terminationPending())
        return true;
    // The extraction's list file has done its work.
    if (!result.listFile.isEmpty())
        ::unlink(hostname::encode(result.listFile).constData());
    result.listFile.clear();
    return runCommand(deletionOf(given, moved), tool, prompter, progress, result);
}

} // namespace

bool ArchiverToolAvailable(const QString& name)
{
    const Resolved tool = resolveTool(name);
    return tool.classic || !tool.refusal.isEmpty() || (tool.profile && !tool.program.isEmpty());
}

QString CannotFindText(const QString& tool)
{
    return cannotFind(tool);
}

ToolRunResult RunArchiverTool(const ArchiverCommand& given, Prompter& prompter,
                              ProgressSink* progress, const AgreeToPlace& agree)
{
    ToolRunResult result;
    // Declared first, ended last: after the scratch directories are gone.
    const process::CleanupScope scope;
    const ListFileOnSignal listFileGuard(result.listFile);
    if (progress)
        progress->dropPendingEscape();

    const Resolved tool = resolveTool(given.tool);
    if (!tool.refusal.isEmpty()) {
        prompter.error(tool.refusal);
        return result;
    }
    if (!ArchiverToolAvailable(given.tool)) {
        prompter.error(cannotFind(given.tool));
        return result;
    }
    // An extraction runs in a scratch directory of its target, on the
    // members found safe; its command is the one that runs.
    std::optional<SafeExtraction> extraction;
    const ExtractionForm form = extractionForm(given);
    if (form.extracts) {
        extraction.emplace(form.movesOut ? withoutDeletion(given) : given, form, prompter, agree);
        if (!extraction->prepare()) {
            result.refused = std::max(1, extraction->refused());
            return result;
        }
    }
    if (!runCommand(extraction ? extraction->command() : given, tool, prompter, progress, result))
        return result;
    if (extraction) {
        const bool whole = extraction->finish();
        if (form.movesOut &&
            !deleteMovedMembers(given, *extraction, tool, prompter, progress, result))
            return result;
        if (!whole) {
            result.refused = std::max(1, extraction->refused());
            return result;
        }
    }
    result.passed = !process::terminationPending();
    return result;
}

} // namespace dovex::archive
