#pragma once

#include "launch/shelllink.h"
#include "platform/prompter.h"

#include <QList>
#include <QString>

#include <optional>

namespace dovex {

// A name written entirely in capitals shown with only its first letter
// upper case ("NOTEPAD.EXE" -> "Notepad.exe"); any other name unchanged.
// Only the letters a to z change case.
QString capitalisedName(const QString& name);

// The shortcut's file name for a source name: capitalised as above, its
// extension replaced by ".lnk" ("NOTES.TXT" -> "Notes.lnk").
QString shortcutFileName(const QString& sourceName);

// Create Link Shortcut: a shortcut to sourceDir\name in destDir through
// link (Target, IconLocation, Description and WorkingDir are replaced, the
// rest kept). An existing file of the shortcut's name is replaced only
// after the copy engine's questions through prompter ("File ... Exists,
// Overwrite?", then those of a hidden, system or read-only file); a
// shortcut that would take its own source's place is refused. linkPath is
// the shortcut written; empty with an ok result when the source is neither
// a file nor a directory or the person kept the file there (kept set),
// nothing done either way; a failed result carries the message to show.
struct CreatedLink {
    QString linkPath;
    Result result;
    bool kept = false;
};
CreatedLink createLinkShortcut(TShellLink& link, const QString& sourceDir, const QString& name,
                               const QString& destDir, Prompter& prompter);

// The special folders of the folder menu, numbered as the classic shell
// numbered them.
enum class SpecialFolder { Desktop = 0, Programs = 2, Personal = 5, Recent = 8, StartMenu = 11 };

// The folder's drive-letter path: Desktop and Documents from the XDG user
// directories ($XDG_CONFIG_HOME/user-dirs.dirs, Desktop defaulting to
// ~/Desktop), the Start Menu $XDG_DATA_HOME/applications, Programs
// /usr/share/applications. nullopt when the folder has no existing
// directory on a drive (Recent never has one here).
std::optional<QString> specialFolderPath(SpecialFolder folder);

// The host directory user-dirs.dirs names for key ("XDG_DESKTOP_DIR") in
// text; nullopt when it names none. Relative values are ignored, as the
// XDG rules say.
std::optional<QString> userDirFromText(const QByteArray& text, const QByteArray& key,
                                       const QString& home);

// One item of a folder button's link menu: the shortcut's name without its
// extension, and the file it stands for.
struct LinkMenuItem {
    QString caption;
    QString linkPath;
};
// The shortcut files ("*.lnk", hidden, system and read-only ones too) in
// folder, in directory order.
QList<LinkMenuItem> linkMenuItems(const QString& folder);

} // namespace dovex
