#pragma once

#include <QString>
#include <QStringList>

namespace dovex {

// The directories icon themes are looked for in, as the desktop's icon
// theme rules name them: ~/.icons, then "icons" below XDG_DATA_HOME and
// each of XDG_DATA_DIRS (their defaults when unset), then extra (Qt's own
// paths), without repeats.
QStringList iconThemeSearchPaths(const QStringList& extra);

// The icon theme to draw with. The desktop's own theme is kept when it is
// installed; where the desktop sets none (or only the bare "hicolor"
// fallback, which holds no pictures of file types), Adwaita when it is
// installed, else hicolor. Empty when none of them is installed.
QString chooseIconTheme(const QString& desktopTheme, const QStringList& searchPaths);

// Applies both to the application: custom buttons and file types then show
// their own pictures on a desktop that sets no theme.
void useInstalledIconTheme();

} // namespace dovex
