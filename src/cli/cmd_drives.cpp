// dovex-cli drives: the drives as a drive box lists them, with their kinds.
#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "platform/drivemap.h"
#include "platform/hostname.h"
#include "platform/netrecords.h"

#include <cstdio>

namespace dovex::cli {

namespace {

QString kindName(DriveKind kind)
{
    switch (kind) {
    case DriveKind::Removable:
        return QStringLiteral("removable");
    case DriveKind::Fixed:
        return QStringLiteral("fixed");
    case DriveKind::Remote:
        return QStringLiteral("remote");
    case DriveKind::CdRom:
        return QStringLiteral("cdrom");
    case DriveKind::RamDisk:
        return QStringLiteral("ramdisk");
    default:
        return QStringLiteral("unknown");
    }
}

int runDrives(const QStringList& args)
{
    if (!args.isEmpty())
        return fail(QStringLiteral("drives takes no arguments"));
    const DriveMap& map = DriveMap::instance();
    for (char c = 'a'; c <= 'z'; ++c) {
        const QChar letter = QLatin1Char(c);
        const DriveKind kind = map.kind(letter);
        if (!isListedKind(kind))
            continue;
        out(escapedField(driveItemText(letter, map.displayName(letter))) + '\t' + kindName(kind));
    }
    if (netrecords::read().overLimit)
        std::fprintf(stderr,
                     "dovex-cli: %s is longer than 1 MiB: only the network drives recorded "
                     "before that were read\n",
                     hostname::encode(printableMessage(netrecords::path())).constData());
    return 0;
}

} // namespace

const CliCommand drivesCommand(
    "drives",
    "drives\n"
    "      the drive items as a drive box lists them (\"c: name\"), each with its\n"
    "      kind: removable, fixed, remote, cdrom or ramdisk",
    runDrives);

} // namespace dovex::cli
