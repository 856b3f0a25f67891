#pragma once

#include <QMap>
#include <QRect>
#include <QString>
#include <QStringList>

namespace dovex {

// The tool panels whose widths "ToolBars" keeps.
inline const QStringList kToolBarPanels = {
    QStringLiteral("CoolPanel2"), QStringLiteral("CoolPanel3"), QStringLiteral("CoolPanel4")};

enum class FontStyle { Regular, Bold, Italic, BoldItalic };

// Everything the main window and the panels keep in "Dovex.Ini", with the
// defaults of a file that holds none of the keys.
struct MainSettings {
    QString dir1 = QStringLiteral("C:\\");
    QString dir2 = QStringLiteral("C:\\");
    int characters = 16;         // NameColumnChars; -1 for all characters
    bool showModeNormal = false; // "Normal": size, attributes, date/time
    int useIcons = 2;            // IconMode
    bool statusBar = true;
    bool showCopySpeed = false;
    bool full1 = true;
    bool full2 = true;
    bool treeView = false;
    bool speedbar = true;
    bool showIntro = true;
    bool exOnEnter = false;
    int sortMeth1 = 0;
    int sortMeth2 = 0;
    int itemHeight = 17;
    bool toolsSeek = false;
    QString fontName = QStringLiteral("MS Sans Serif");
    int fontHeight = -11;
    int fontSize = 8;
    FontStyle fontStyle = FontStyle::Regular;
    QRect bounds = QRect(20, 91, 750, 444); // left, top, width, height
    bool maximized = true;
    // "ToolBars": the stored widths of the tool panels by panel name; a
    // panel missing here (or stored as no number) keeps its designed width.
    QMap<QString, int> toolBars;
    // Why the file exists but could not be read when the window was created
    // (empty when it was read or is missing). Such a file is never written
    // in this session: nothing in it may be lost to the defaults.
    QString unreadable;
};

// Reads the keys read while the main window is created, from one reading
// of the file. The bounds given are the window's current ones (the defaults
// of Top, Left, Width and Height). Throws SettingsError for a malformed
// integer.
MainSettings readCreationSettings(const QRect& currentBounds);

// The keys read when the window is shown: "ToolsSeek", "TreeView", "Full1".
void readShowSettings(MainSettings& settings);

// Writes the settings at quit, in their fixed order, and the two default
// custom buttons when their sections hold no command, as one write of the
// file. programDir is the program directory as the buttons name it. Writes
// nothing when the file could not be read at creation. Throws
// SettingsWriteError.
void writeQuitSettings(const MainSettings& settings, const QString& programDir);

// Write "Characters" and "ToolsSeek" at once, as the Panel width menu and
// the first-run search do; nothing when the file could not be read at
// creation.
void writePanelWidth(const MainSettings& settings);
void writeToolsSeek(const MainSettings& settings);

} // namespace dovex
