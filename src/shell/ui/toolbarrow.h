#pragma once

#include "shell/ui/commands.h"

#include <QIcon>
#include <QList>

#include <array>
#include <functional>

class QAction;
class QWidget;

namespace dovex {

class TcoolPanel;
class TWin97Button;
struct TWidthStore;

// The toolbar row's height: each band and its grip.
constexpr int kBandHeight = 31;

// The bands of the toolbar row, left to right: 0 "Panel Tools", 1 "Extra
// Tools", 2 "ShellTools", 3 "Custom Buttons" (filled by the custom buttons).
struct ToolbarBands {
    std::array<TcoolPanel*, 4> bands{};
    QList<TWin97Button*> buttons;

    // A button by its hint; null when there is none.
    TWin97Button* button(const QString& hint) const;
    // Where the first three bands keep the widths a grip chose (empty: none
    // any more), and the widths written to it now.
    void attachWidths(const TWidthStore& store) const;
    void storeWidths() const;
    // The bands at the row's height, fitted to its width.
    void layout(QWidget* row) const;
};

// Builds the bands on row (sized to the window's width) from the band table. A button follows its
// command's action: enabled when the action is, running it when clicked.
// The "Disk Tools" and "Special Folders" menus are children of menuOwner
// ("DriveBarMenu", "SpecialFolderMenu"; the special folders' items are
// filled by their owner).
ToolbarBands BuildToolbarBands(QWidget* row, QWidget* menuOwner,
                               const std::function<QAction*(Cmd)>& command);

// The program's icon: two file panels side by side; on a display of few
// colours in the sixteen basic colours.
QIcon DrawApplicationIcon(bool fewColours);

} // namespace dovex
