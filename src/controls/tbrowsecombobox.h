#pragma once

#include "platform/drivemap.h"

#include <QComboBox>
#include <QPixmap>

#include <functional>

namespace dovex {

// The drive box of a panel: the drives of the drive map, and below the
// panel's drive one item per directory level of the panel's path, indented
// by level, the deepest with an open folder. Paths are drive-letter paths
// ("c:\work\src"; a root keeps its backslash).
//
// Item texts: a drive "c: name", a level "$>001name" (the level in three
// digits). The level's name and number are also kept in item data, so a
// path deeper than 999 levels or a name with odd characters still rebuilds
// exactly.
class TbrowseComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TbrowseComboBox(QWidget* parent = nullptr);

    // Lists every drive of the map whose kind a drive box shows, then
    // selects the current drive.
    void FillDrives();
    void SelectDrive(QChar letter);
    void SetPath(const QString& path);
    // The user chose the selected item (also run for a selection made by a
    // program with setCurrentIndex, as a choice in the list would be).
    void Click();
    void Reread();

    QChar currentDrive() const { return m_drive; }
    QString currentPath() const { return m_path; }
    // The index of the drive item of a letter; -1 when it is not listed.
    int driveItem(QChar letter) const;
    static bool isPathItem(const QString& text) { return text.startsWith(QLatin1String("$>")); }
    // The drive kind stored with a drive item (Unknown for a level item).
    DriveKind itemKind(int index) const;

    // Called after every change of the selection or path (the hint is
    // already updated then).
    std::function<void()> onChange;

    static QPixmap drivePicture(DriveKind kind);
    static QPixmap folderPicture(bool open);
    static int itemHeightFor(const QFont& font);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void removePathItems(int keepThrough = -1);
    void notifyChange();
    QString pathThrough(int index) const;
    void updateItemHeight();

    QChar m_drive;
    QString m_path;
    int m_internal = 0; // above 0 while the box changes its own items
};

} // namespace dovex
