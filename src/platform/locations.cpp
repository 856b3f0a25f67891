#include "platform/locations.h"

#include "platform/hostfile.h"
#include "platform/hostname.h"

#include <QDir>

namespace dovex {

namespace {

QString fromEnvironment(const char* own, const char* xdg, const char* fallback)
{
    // Byte for byte: a directory whose name is not UTF-8 must not become
    // another one (hostname::encode gives the bytes back).
    const QString dir = hostname::decode(qgetenv(own));
    if (!dir.isEmpty())
        return QDir::cleanPath(dir);
    const QString base = hostname::decode(qgetenv(xdg));
    if (!base.isEmpty())
        return QDir::cleanPath(base + QStringLiteral("/dovex"));
    return QDir::cleanPath(QDir::homePath() + '/' + QLatin1String(fallback) +
                           QStringLiteral("/dovex"));
}

} // namespace

QString windowsDirectory()
{
    return fromEnvironment("DOVEX_WINDIR", "XDG_CONFIG_HOME", ".config");
}

QString programDirectory()
{
    return fromEnvironment("DOVEX_HOME", "XDG_DATA_HOME", ".local/share");
}

bool ensureDirectory(const QString& hostDir)
{
    return hostfile::makeDirectories(hostDir);
}

} // namespace dovex
