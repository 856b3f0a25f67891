#include "controls/icontheme.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>

namespace dovex {

namespace {

bool installed(const QString& theme, const QStringList& searchPaths)
{
    if (theme.isEmpty())
        return false;
    for (const QString& dir : searchPaths)
        if (QFileInfo::exists(dir + '/' + theme + QStringLiteral("/index.theme")))
            return true;
    return false;
}

QString environmentPath(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

} // namespace

QStringList iconThemeSearchPaths(const QStringList& extra)
{
    const QString home = QDir::homePath();
    QStringList paths{home + QStringLiteral("/.icons")};
    paths << environmentPath("XDG_DATA_HOME", home + QStringLiteral("/.local/share")) +
                 QStringLiteral("/icons");
    const QStringList dataDirs =
        environmentPath("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"))
            .split(':', Qt::SkipEmptyParts);
    for (const QString& dir : dataDirs)
        paths << dir + QStringLiteral("/icons");
    paths << extra;
    for (QString& p : paths)
        if (!p.startsWith(':'))
            p = QDir::cleanPath(p);
    paths.removeDuplicates();
    return paths;
}

QString chooseIconTheme(const QString& desktopTheme, const QStringList& searchPaths)
{
    if (desktopTheme != QLatin1String("hicolor") && installed(desktopTheme, searchPaths))
        return desktopTheme;
    for (const char* theme : {"Adwaita", "hicolor"})
        if (installed(QLatin1String(theme), searchPaths))
            return QLatin1String(theme);
    return {};
}

void useInstalledIconTheme()
{
    const QStringList paths = iconThemeSearchPaths(QIcon::themeSearchPaths());
    QIcon::setThemeSearchPaths(paths);
    const QString theme = chooseIconTheme(QIcon::themeName(), paths);
    if (!theme.isEmpty() && theme != QIcon::themeName())
        QIcon::setThemeName(theme);
    if (QIcon::fallbackThemeName().isEmpty() && installed(QStringLiteral("hicolor"), paths))
        QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
}

} // namespace dovex
