#include "cli/clicommand.h"

#include <QCoreApplication>
#include <QTextStream>

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

QTextStream& stdoutStream()
{
    static QTextStream stream(stdout);
    return stream;
}

} // namespace

CliCommand::CliCommand(const char* name, const char* usage, CommandFunction run)
{
    registry()[QString::fromLatin1(name)] = {usage, std::move(run)};
}

int fail(const QString& message)
{
    stdoutStream().flush();
    std::fprintf(stderr, "dovex-cli: %s\n", message.toLocal8Bit().constData());
    return 2;
}

void out(const QString& line)
{
    stdoutStream() << line << '\n';
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

} // namespace dovex::cli

int main(int argc, char** argv)
{
    using namespace dovex::cli;
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.isEmpty() || !registry().count(args.first())) {
        std::fprintf(stderr, "usage:\n");
        for (const auto& [name, cmd] : registry())
            std::fprintf(stderr, "  dovex-cli %s\n", cmd.usage);
        return 2;
    }
    const Registered& cmd = registry().at(args.takeFirst());
    const int rc = cmd.run(args);
    stdoutStream().flush();
    return rc;
}
