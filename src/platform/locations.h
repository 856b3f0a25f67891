#pragma once

#include <QString>

namespace dovex {

// Host directory of "Dovex.Ini": $DOVEX_WINDIR, else $XDG_CONFIG_HOME/dovex,
// else ~/.config/dovex.
QString windowsDirectory();

// Host directory of the program's own files (links, "regprop.dat", "temp"):
// $DOVEX_HOME, else $XDG_DATA_HOME/dovex, else ~/.local/share/dovex.
QString programDirectory();

// Creates a directory and its parents; false when that fails.
bool ensureDirectory(const QString& hostDir);

} // namespace dovex
