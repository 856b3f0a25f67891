// The drive boxes and bars of the main window (panels/ui/driveselector.h)
// and applying a drive box's choice to its panel.
#include "shell/ui/tform1.h"

#include "panels/panelreader.h"
#include "panels/textformat.h"
#include "panels/ui/driveselector.h"
#include "panels/ui/panellist.h"
#include "platform/drivemap.h"

namespace dovex {

void TForm1::setupDrives()
{
    DriveSelector::Host host;
    host.apply = [this](int n) { applyDriveBox(n); };
    host.returnKeys = [this] { list(ActivePanel)->setFocus(); };
    m_drives =
        new DriveSelector(this, {drivecombobox1, DriveComboBox2}, {m_driveBars[0], m_driveBars[1]},
                          {ListBox1, ListBox2}, std::move(host));
}

void TForm1::paintDrives()
{
    m_drives->paint();
    // Kept beside the bars for the drops on them.
    DriveSlots = m_drives->driveSlots();
    DriveCount = int(DriveSlots.size());
}

void TForm1::rereadDriveLists()
{
    m_drives->reread();
    paintDrives();
}

QString TForm1::veranderfile1(int n, QChar letter)
{
    FilePanel& p = panel(n);
    const int other = 3 - n;
    const bool otherInArchive = panel(other).inArchive;
    if (!otherInArchive && !p.path.isEmpty() && p.path[0].toLower() == letter.toLower())
        return p.path;
    if (!waitForDrive(letter, prompter())) {
        m_drives->showRoot(n, QChar('c'));
        return p.path;
    }
    if (ActivePanel == other && !otherInArchive &&
        panel(other).path[0].toLower() == letter.toLower()) {
        m_drives->showRoot(n, letter);
        return panel(other).path;
    }
    return QString(letter.toUpper()) + QStringLiteral(":\\");
}

void TForm1::changeDrive(int n, QChar letter)
{
    FilePanel& p = panel(n);
    const QString path = veranderfile1(n, letter);
    if (path == p.path && !p.inArchive)
        return;
    p.showDirectory(path);
    const int wasActive = ActivePanel;
    ActivePanel = n;
    RefreshClick();
    setactief(wasActive);
    m_drives->setGuard(false);
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
    m_drives->setGuard(false);
}

} // namespace dovex
