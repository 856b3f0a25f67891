#pragma once

#include "panels/ui/rowpainter.h"
#include "shell/mainsettings.h"
#include "shell/ui/commands.h"

#include <QFont>
#include <QRect>

#include <array>
#include <functional>

class QAction;
class QWidget;

namespace dovex {

class TPanelList;

// The settings of "Dovex.Ini" as the window shows them, and back: the check
// marks of the command table, the two lists' font, rows, columns and view
// options, and the panels' sort methods; and the Options commands that
// change the lists. The window keeps what is its own (geometry, the toolbar
// row, the directories) and writes the settings.
class SettingsMarks {
public:
    SettingsMarks(std::function<QAction*(Cmd)> command, std::array<TPanelList*, 2> lists)
        : m_command(std::move(command)), m_lists(lists)
    {
    }

    // The marks, the lists and the panels' sort methods as the settings say.
    void apply(const MainSettings& s) const;
    // The marks, the sort methods and the lists' font into the settings.
    void collect(MainSettings& s) const;

    // The view options of both lists, as the Options menu sets them.
    void setIconMode(int mode) const;
    void setDetailMode(DetailMode mode) const;
    void setNameWidth(int characters) const;
    // The font dialog, a child of parent; a font chosen goes to both lists
    // with their columns and rows.
    void chooseFont(QWidget* parent) const;
    // The columns of both lists for their font and name width.
    void recomputeColumns() const;

    // The lists' font as the settings describe it: the point size, when
    // there is one, wins over the pixel height.
    static QFont panelFont(const MainSettings& s);
    // The stored bounds moved onto the screen and no larger than it.
    static QRect fitToScreen(QRect bounds);

private:
    void applyMarks(const MainSettings& s) const;
    void applyLists(const MainSettings& s) const;
    QAction* command(Cmd id) const { return m_command(id); }
    void repaint() const;

    std::function<QAction*(Cmd)> m_command;
    std::array<TPanelList*, 2> m_lists;
};

} // namespace dovex
