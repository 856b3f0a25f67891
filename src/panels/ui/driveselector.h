#pragma once

#include <QObject>
#include <QStringList>

#include <array>
#include <functional>

namespace dovex {

class TbrowseComboBox;
class TDriveBar;
class TPanelList;

// The drive boxes and drive bars of both panels: what they list, a drive
// chosen on a bar, and the guard that keeps a box changed with the keys from
// acting before it is left. What a choice does to its panel is the window's.
class DriveSelector : public QObject {
public:
    struct Host {
        std::function<void(int panel)> apply; // the box's choice to its panel
        std::function<void()> returnKeys;     // the keys back to the active panel
    };

    DriveSelector(QObject* parent, std::array<TbrowseComboBox*, 2> boxes,
                  std::array<TDriveBar*, 2> bars, std::array<TPanelList*, 2> lists, Host host);

    // The drives the bars show, in the order of the left box ("c: name").
    const QStringList& driveSlots() const { return m_slots; }
    // Both boxes filled from the drive map; the map and both boxes read
    // again; both bars painted for the left box's drives and their lists'
    // widths.
    void fill();
    void reread();
    void paint();
    // A box shows a path, or a drive's root with the drive chosen; the
    // program's own change does not count as the user's.
    void showPath(int panel, const QString& path);
    void selectDrive(int panel, QChar letter);
    void showRoot(int panel, QChar letter)
    {
        showPath(panel, QString(letter.toLower()) + QStringLiteral(":\\"));
    }
    // A drive chosen for a panel as with the mouse; false when its box
    // does not list the drive.
    bool choose(int panel, QChar letter);
    // A box dropped down for the keys (Alt+F1, Alt+F2).
    void dropDown(int panel);
    // A box is acted on when the mouse chose, or when it is left.
    void setGuard(bool on) { m_guard = on; }

    // A bar's mouse: x in bar pixels.
    void press(int panel, int x);
    void move(int panel, int x);
    void release();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<TbrowseComboBox*, 2> m_boxes;
    std::array<TDriveBar*, 2> m_bars;
    std::array<TPanelList*, 2> m_lists;
    Host m_host;
    QStringList m_slots;
    bool m_guard = true;
    bool m_syncing = false; // the program, not the user, changes a box
};

} // namespace dovex
