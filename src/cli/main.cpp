#include "cli/clicommand.h"

#include "network/netdrives.h"
#include "platform/hostname.h"
#include "platform/process.h"

#include <cstdio>

int main(int argc, char** argv)
{
    using namespace dovex::cli;
    // An archiver started by a command never outlives it, however it ends.
    dovex::process::installTerminationHandlers();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << dovex::hostname::decodeText(QByteArray(argv[i]));
    if (args.size() == 1 && args.first() == QLatin1String("--help")) {
        printHelp(stdout);
        return 0;
    }
    if (args.size() == 1 && args.first() == QLatin1String("--version")) {
        std::printf("dovex-cli %s\n", DOVEX_VERSION);
        return 0;
    }
    if (args.isEmpty() || !isCommand(args.first())) {
        printHelp(stderr);
        return 2;
    }
    // A recorded network drive is one only while gvfs mounts its location.
    dovex::UseGioMountCheck();
    return runCommand(args);
}
