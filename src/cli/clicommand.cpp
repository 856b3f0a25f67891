#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "platform/hostname.h"

#include <cstdio>
#include <map>

namespace dovex::cli {

namespace {

struct Registered {
    const char* usage;
    CommandFunction run;
};

std::map<QString, Registered>& registry()
{
    static std::map<QString, Registered> commands;
    return commands;
}

// Rows are gathered as UTF-8 and written in large blocks: a listing of
// thousands of rows costs a few writes, not one conversion and call per row.
QByteArray& pending()
{
    static QByteArray buffer;
    return buffer;
}

void flushOut()
{
    QByteArray& buffer = pending();
    if (!buffer.isEmpty())
        std::fwrite(buffer.constData(), 1, size_t(buffer.size()), stdout);
    buffer.clear();
    std::fflush(stdout);
}

} // namespace

CliCommand::CliCommand(const char* name, const char* usage, CommandFunction run)
{
    registry()[QString::fromLatin1(name)] = {usage, std::move(run)};
}

int fail(const QString& message)
{
    flushOut();
    std::fprintf(stderr, "dovex-cli: %s\n",
                 hostname::encode(printableMessage(message)).constData());
    return 2;
}

int unfinished(const QString& message)
{
    fail(message);
    return 1;
}

void out(const QString& line)
{
    QByteArray& buffer = pending();
    buffer += hostname::encode(line);
    buffer += '\n';
    if (buffer.size() > (1 << 16))
        flushOut();
}

std::optional<QString> takeOption(QStringList& args, const QString& name)
{
    const QString flag = QStringLiteral("--") + name;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == flag && i + 1 < args.size()) {
            const QString value = args[i + 1];
            args.remove(i, 2);
            return value;
        }
        if (args[i].startsWith(flag + '=')) {
            const QString value = args[i].mid(flag.size() + 1);
            args.removeAt(i);
            return value;
        }
    }
    return std::nullopt;
}

std::optional<QString> readPasswordLine()
{
    QByteArray line;
    int c;
    while ((c = std::getchar()) != EOF && c != '\n') {
        if (line.size() > 4096)
            return std::nullopt;
        line.append(char(c));
    }
    if (line.endsWith('\r'))
        line.chop(1);
    QString text = QString::fromUtf8(line);
    line.fill('\0');
    return text;
}

namespace {

const char* const kHelpIntro =
    "Usage: dovex-cli COMMAND [ARGUMENT...]\n"
    "       dovex-cli --help | --version\n"
    "The engines of the Dovex file manager without its windows: listing, copying,\n"
    "moving and deleting files, archives, splitting, comparing and drives, with\n"
    "the same texts, questions and rules as the window program.\n"
    "\n"
    "Paths are drive-letter paths (C:\\dir\\file.txt); DOVEX_DRIVES\n"
    "(C=/tmp/c;D=/tmp/d) maps the letters to directories, else C: is the home\n"
    "directory, Z: is / and mounted volumes take D: onwards.\n"
    "\n"
    "Commands:\n";

const char* const kHelpOutro =
    "\n"
    "Options:\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Exit status: 0 when the command did all it was asked, 1 when it ran but\n"
    "could not do everything, 2 when it failed or was called wrongly.\n";

} // namespace

void printHelp(std::FILE* to)
{
    std::fputs(kHelpIntro, to);
    for (const auto& [name, cmd] : registry())
        std::fprintf(to, "  dovex-cli %s\n", cmd.usage);
    std::fputs(kHelpOutro, to);
}

bool isCommand(const QString& name)
{
    return registry().count(name) != 0;
}

int runCommand(QStringList args)
{
    const Registered& cmd = registry().at(args.takeFirst());
    const int rc = cmd.run(args);
    flushOut();
    return rc;
}

} // namespace dovex::cli
