// dovex-cli net-connect, net-disconnect and net-list: the network drives of
// the connect dialog, through the desktop's network provider (gvfs).
#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "network/netdrives.h"
#include "network/netlocation.h"

#include <cstdio>

namespace dovex::cli {

namespace {

std::optional<QChar> parseLetter(const QString& a)
{
    if (a.isEmpty() || a.size() > 3 || !a[0].isLetter() || a[0].unicode() >= 128)
        return std::nullopt;
    if (a.size() > 1 && a.mid(1) != QLatin1String(":") && a.mid(1) != QLatin1String(":\\"))
        return std::nullopt;
    return a[0].toUpper();
}

int runConnect(const QStringList& argsIn)
{
    QStringList args = argsIn;
    const std::optional<QString> user = takeOption(args, QStringLiteral("user"));
    const bool fromStdin = args.removeAll(QStringLiteral("--password-stdin")) > 0;
    if (args.size() != 2 || args[0].startsWith(QLatin1String("--")) ||
        args[1].startsWith(QLatin1String("--")))
        return fail(QStringLiteral(
            "net-connect takes a path, a drive letter, [--user U] and [--password-stdin]"));
    const std::optional<QChar> letter = parseLetter(args[1]);
    if (!letter)
        return fail(QStringLiteral("not a drive letter: ") + netlocation::shown(args[1]));
    QString password;
    if (fromStdin) {
        const std::optional<QString> p = readPasswordLine();
        if (!p)
            return fail(QStringLiteral("the password on stdin is too long"));
        password = *p;
    }
    const std::unique_ptr<NetProvider> provider = MakeGioNetProvider();
    if (!provider->networkPresent(nullptr))
        return fail(QStringLiteral("No Network Present"));
    NetDrives drives(*provider);
    QString error;
    const NetStatus status =
        drives.connect(args[0], *letter, user.value_or(QString()), password, false, &error);
    password.fill(QChar(0));
    switch (status) {
    case NetStatus::Ok:
        for (const NetDrive& d : drives.connected())
            if (d.letter == *letter)
                out(QStringLiteral("%1:\t%2").arg(d.letter, escapedField(d.hostDir)));
        return 0;
    case NetStatus::NoNetwork:
        return fail(QStringLiteral("No Network Present"));
    case NetStatus::BadPassword:
        return fail(QStringLiteral("Password incorrect"));
    case NetStatus::Failed:
        break;
    }
    // Neither the location typed nor the provider's reason may carry the
    // password to the terminal or a log.
    return fail(netlocation::shown(QStringLiteral("Could Not assign %1 to %2:%3")
                                       .arg(netlocation::withoutPassword(args[0]), QString(*letter),
                                            error.isEmpty() ? QString() : " (" + error + ')')));
}

int runDisconnect(const QStringList& args)
{
    if (args.size() != 1)
        return fail(QStringLiteral("net-disconnect takes one drive letter"));
    const std::optional<QChar> letter = parseLetter(args[0]);
    if (!letter)
        return fail(QStringLiteral("not a drive letter: ") + netlocation::shown(args[0]));
    const std::unique_ptr<NetProvider> provider = MakeGioNetProvider();
    NetDrives drives(*provider);
    QString error;
    if (!drives.disconnect(*letter, &error))
        return fail(netlocation::shown(error));
    return 0;
}

constexpr int kMaxRecords = 101;
constexpr int kMaxDepth = 4;

void listLevel(NetProvider& provider, const QString& location, int depth, int& count)
{
    const std::optional<QList<NetResource>> list = provider.enumerate(location);
    if (!list)
        return;
    for (const NetResource& r : *list) {
        if (count >= kMaxRecords)
            return;
        ++count;
        out(QString(depth * 2, ' ') + netlocation::shown(r.remoteName));
        if (!r.childLocation.isEmpty() && depth + 1 < kMaxDepth)
            listLevel(provider, r.childLocation, depth + 1, count);
    }
}

int runList(const QStringList& args)
{
    if (args.size() > 1)
        return fail(QStringLiteral("net-list takes at most one location"));
    QString start;
    if (!args.isEmpty()) {
        // A server's shares, say: "\\\\server" or "smb://server/".
        const std::optional<QString> location = netlocation::toGio(args[0]);
        if (!location)
            return fail(QStringLiteral("not a network location: ") +
                        netlocation::shown(netlocation::withoutPassword(args[0])));
        start = *location;
    }
    const std::unique_ptr<NetProvider> provider = MakeGioNetProvider();
    if (!provider->networkPresent(nullptr))
        return fail(QStringLiteral("No Network Present"));
    int count = 0;
    listLevel(*provider, start, 0, count);
    if (count == 0)
        out(QStringLiteral("No Network Resources Found"));
    return 0;
}

} // namespace

const CliCommand netConnectCommand(
    "net-connect",
    "net-connect PATH LETTER [--user U] [--password-stdin]\n"
    "      mounts a network location (\\\\server\\share, smb://, sftp://, ftp://,\n"
    "      dav://) and gives it the drive letter; the password is read from the\n"
    "      first line of stdin",
    runConnect);

const CliCommand netDisconnectCommand("net-disconnect",
                                      "net-disconnect LETTER\n"
                                      "      unmounts the network drive and frees its letter",
                                      runDisconnect);

const CliCommand netListCommand(
    "net-list",
    "net-list [LOCATION]\n"
    "      the network resources as the browse tree shows them (below LOCATION,\n"
    "      a server say, when given), two blanks of indent a level, at most 101\n"
    "      records",
    runList);

} // namespace dovex::cli
