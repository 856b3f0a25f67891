#include "launch/shellexecute.h"

#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"
#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace dovex::launch {

namespace {

Launcher* g_current = nullptr;

bool isDrivePath(const QString& text)
{
    return text.size() >= 2 && text[1] == QLatin1Char(':') && text[0].isLetter();
}

std::optional<QString> dosToHost(const QString& dosPath)
{
    const auto normal = dospath::normalize(dosPath);
    if (!normal)
        return std::nullopt;
    return DriveMap::instance().toHost(*normal);
}

struct Resolved {
    QString host;
    bool fromPath = false; // found as a bare command on PATH
};

// The host path the request's file names: a drive-letter path, a name in the
// directory, or a bare command on PATH.
std::optional<Resolved> resolveFile(const QString& file, const QString& directory)
{
    if (file.isEmpty() || file.contains(QChar(0)))
        return std::nullopt;
    if (isDrivePath(file)) {
        if (auto host = dosToHost(file))
            return Resolved{*host};
        return std::nullopt;
    }
    const bool hasSeparator = file.contains(QLatin1Char('\\')) || file.contains(QLatin1Char('/'));
    if (!directory.isEmpty()) {
        if (auto host = dosToHost(dospath::join(directory, file))) {
            if (hasSeparator || fileio::status(dospath::join(directory, file), true).exists)
                return Resolved{*host};
        }
    }
    if (hasSeparator)
        return std::nullopt;
    const QString onPath = process::findExecutable(file);
    if (onPath.isEmpty())
        return std::nullopt;
    return Resolved{onPath, true};
}

struct stat hostStat(const QString& host, bool& ok)
{
    struct stat st {};
    ok = ::stat(hostname::encode(host).constData(), &st) == 0;
    return st;
}

std::optional<LaunchPlan> planFind(const QString& file, const QString& directory)
{
    const QString dir = file.isEmpty() ? directory : file;
    const auto host = dosToHost(dir);
    if (!host)
        return std::nullopt;
    static const QStringList tools{QStringLiteral("catfish"), QStringLiteral("kfind"),
                                   QStringLiteral("gnome-search-tool"),
                                   QStringLiteral("searchmonkey")};
    LaunchPlan plan;
    plan.program = firstInstalled(tools);
    if (plan.program.isEmpty())
        return std::nullopt;
    if (plan.program.endsWith(QStringLiteral("/gnome-search-tool")))
        plan.arguments << QStringLiteral("--path=") + *host;
    else
        plan.arguments << *host;
    plan.workingDirectory = *host;
    return plan;
}

} // namespace

Launcher& currentLauncher()
{
    static SystemLauncher system;
    return g_current ? *g_current : system;
}

void setLauncher(Launcher* launcher)
{
    g_current = launcher;
}

ScopedLauncher::ScopedLauncher(Launcher& launcher) : m_previous(g_current)
{
    g_current = &launcher;
}

ScopedLauncher::~ScopedLauncher()
{
    g_current = m_previous;
}

namespace {

enum class Quote { None, Single, Double };

} // namespace

std::optional<QStringList> splitWords(const QString& text)
{
    QStringList words;
    QString word;
    bool inWord = false;
    Quote quote = Quote::None;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        switch (quote) {
        case Quote::Single:
            if (c == QLatin1Char('\''))
                quote = Quote::None;
            else
                word += c;
            continue;
        case Quote::Double:
            if (c == QLatin1Char('"')) {
                quote = Quote::None;
            } else if (c == QLatin1Char('\\') && i + 1 < text.size() &&
                       QStringLiteral("\"\\$`").contains(text[i + 1])) {
                word += text[++i];
            } else {
                word += c;
            }
            continue;
        case Quote::None:
            break;
        }
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == QLatin1Char('\'')) {
            quote = Quote::Single;
        } else if (c == QLatin1Char('"')) {
            quote = Quote::Double;
        } else if (c == QLatin1Char('\\')) {
            if (i + 1 < text.size())
                word += text[++i];
        } else {
            word += c;
        }
    }
    if (quote != Quote::None)
        return std::nullopt;
    if (inWord)
        words << word;
    return words;
}

bool isClassicProgramName(const QString& name)
{
    static const QStringList exts{QStringLiteral(".EXE"), QStringLiteral(".BAT"),
                                  QStringLiteral(".COM"), QStringLiteral(".PIF")};
    for (const QString& ext : exts) {
        if (name.endsWith(ext, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString firstInstalled(const QStringList& names)
{
    for (const QString& name : names) {
        const QString found = process::findExecutable(name);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

std::optional<LaunchPlan> planExecute(const QString& verb, const QString& file,
                                      const QString& parameters, const QString& directory)
{
    const auto words = splitWords(parameters);
    if (!words)
        return std::nullopt;
    return planExecuteWords(verb, file, *words, directory);
}

std::optional<LaunchPlan> planDocument(const QString& file, const QString& directory,
                                       bool asTextFile)
{
    const auto resolved = resolveFile(file, directory);
    if (!resolved || resolved->fromPath)
        return std::nullopt;
    bool exists = false;
    const struct stat st = hostStat(resolved->host, exists);
    if (!exists || !S_ISREG(st.st_mode))
        return std::nullopt;
    LaunchPlan plan;
    plan.kind = asTextFile ? LaunchPlan::Kind::TextEditor : LaunchPlan::Kind::Document;
    plan.target = resolved->host;
    if (auto dir = dosToHost(directory))
        plan.workingDirectory = *dir;
    return plan;
}

bool startPlan(const std::optional<LaunchPlan>& plan)
{
    return plan && currentLauncher().start(*plan);
}

std::optional<LaunchPlan> planExecuteWords(const QString& verb, const QString& file,
                                           const QStringList& words, const QString& directory)
{
    if (verb.compare(QStringLiteral("Find"), Qt::CaseInsensitive) == 0)
        return planFind(file, directory);

    LaunchPlan plan;
    if (!directory.isEmpty()) {
        const auto hostDir = dosToHost(directory);
        if (!hostDir)
            return std::nullopt;
        plan.workingDirectory = *hostDir;
    }
    const auto resolved = resolveFile(file, directory);
    if (!resolved)
        return std::nullopt;
    bool exists = false;
    const struct stat st = hostStat(resolved->host, exists);
    if (!exists)
        return std::nullopt;

    if (S_ISDIR(st.st_mode)) {
        plan.kind = LaunchPlan::Kind::Directory;
        plan.target = resolved->host;
        return plan;
    }
    if (verb.compare(QStringLiteral("explore"), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    if (!S_ISREG(st.st_mode))
        return std::nullopt;

    if (st.st_mode & S_IXUSR) {
        plan.program = resolved->host;
        plan.arguments = words;
        return plan;
    }
    if (isClassicProgramName(resolved->host)) {
        const QString wine = process::findExecutable(QStringLiteral("wine"));
        if (wine.isEmpty())
            return std::nullopt;
        plan.program = wine;
        plan.arguments = QStringList{resolved->host} + words;
        return plan;
    }
    plan.kind = LaunchPlan::Kind::Document;
    plan.target = resolved->host;
    return plan;
}

bool shellExecute(const QString& verb, const QString& file, const QString& parameters,
                  const QString& directory)
{
    return startPlan(planExecute(verb, file, parameters, directory));
}

} // namespace dovex::launch
