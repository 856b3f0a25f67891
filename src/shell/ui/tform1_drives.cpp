// The drive bars of the main window and applying a drive box's choice to
// its panel.
#include "shell/ui/tform1.h"

#include "panels/ui/panellist.h"
#include "platform/drivemap.h"

#include <QApplication>
#include <QScopedValueRollback>

namespace dovex {

void TForm1::setupDrives()
{
    for (int n = 1; n <= 2; ++n) {
        TDriveBar* bar = m_driveBars[n - 1];
        bar->onPress = [this, n](int x) { driveBarDown(n, x); };
        bar->onMove = [this, n](int x) { driveBarMove(n, x); };
        bar->onRelease = [this] { driveBarUp(); };
    }
}

void TForm1::paintDrives()
{
    // Both bars show the drives of the left box, in its order.
    DriveSlots.clear();
    QList<TDriveBar::Item> items;
    for (int i = 0; i < drivecombobox1->count(); ++i) {
        const QString text = drivecombobox1->itemText(i);
        if (TbrowseComboBox::isPathItem(text) || text.isEmpty())
            continue;
        DriveSlots.append(text);
        items.append({text[0], drivecombobox1->itemKind(i)});
    }
    DriveCount = int(DriveSlots.size());
    for (int n = 1; n <= 2; ++n)
        m_driveBars[n - 1]->paintDrives(TDriveBar::slotsFor(list(n)->width()), items);
}

void TForm1::rereadDriveLists()
{
    DriveMap::instance().reload();
    {
        const QScopedValueRollback sync(m_syncingBox, true);
        for (TbrowseComboBox* box : {drivecombobox1, DriveComboBox2})
            box->Reread();
    }
    paintDrives();
}

void TForm1::driveBarDown(int n, int x)
{
    TDriveBar* bar = m_driveBars[n - 1];
    if (x < 0)
        return;
    const int slot = x / TDriveBar::kSlotWidth;
    // Beyond the last drive, or beyond what this (narrower) bar shows.
    if (slot >= DriveCount || slot >= bar->slotCount())
        return;
    bar->pressSlot(slot);
    m_driveGuard = false;
    m_driveBarFlag = true;
    const QChar letter = DriveSlots[slot][0];
    TbrowseComboBox* box = driveBox(n);
    {
        const QScopedValueRollback sync(m_syncingBox, true);
        box->SelectDrive(letter);
        box->SetPath(QString(letter) + QStringLiteral(":\\"));
    }
    applyDriveBox(n);
    // A question asked meanwhile takes the button's release with it.
    if (!(QApplication::mouseButtons() & Qt::LeftButton))
        driveBarUp();
}

void TForm1::driveBarMove(int n, int x)
{
    if (x < 0)
        return;
    const int slot = x / TDriveBar::kSlotWidth;
    m_driveBars[n - 1]->setToolTip(slot < DriveCount ? DriveSlots[slot].mid(3) : QString());
}

void TForm1::driveBarUp()
{
    for (TDriveBar* bar : m_driveBars)
        bar->release();
}

void TForm1::applyDriveBox(int n)
{
    TbrowseComboBox* box = driveBox(n);
    FilePanel& p = panel(n);
    const QString chosen = box->currentPath();
    if (chosen.isEmpty())
        return;
    const std::optional<QString> target =
        dospath::normalize(QString(chosen[0].toUpper()) + chosen.mid(1));
    if (!target)
        return;
    const bool sameDrive = !p.path.isEmpty() && p.path[0].toLower() == chosen[0].toLower();
    // Another drive (or a root while the other panel browses an archive)
    // is checked for readiness and may take the other panel's directory.
    if (!sameDrive || (panel(3 - n).inArchive && dospath::isRoot(*target))) {
        changeDrive(n, chosen[0]);
        return;
    }
    // A level of the panel's own drive, or its root.
    if (*target == p.path && !p.inArchive)
        return;
    p.showDirectory(*target);
    const int wasActive = ActivePanel;
    ActivePanel = n;
    RefreshClick();
    setactief(wasActive);
    m_driveGuard = false;
}

} // namespace dovex
