// The main window's shortcuts, special folders and custom buttons: wiring
// only, the work is in src/launch.
#include "shell/ui/tform1.h"

#include "controls/tcoolpanel.h"
#include "launch/ui/buttondeletetarget.h"
#include "launch/ui/custombuttonbar.h"
#include "launch/ui/linkcommands.h"
#include "panels/ui/panellist.h"
#include "platform/drivemap.h"

#include <QComboBox>
#include <QMenu>

namespace dovex {

void TForm1::setupLinkCommands()
{
    m_links = std::make_unique<LinkCommands>(this, prompter());
    // The toolbar's "Special Folders" menu acts on the active panel; each
    // drive box's popup on its own panel.
    if (auto* menu = findChild<QMenu*>(QStringLiteral("SpecialFolderMenu")))
        m_links->fillSpecialFolderMenu(menu,
                                       [this](const QString& dir) { SpecialFolderClick(dir, 0); });
    for (int n : {1, 2}) {
        auto* menu = new QMenu(this);
        m_links->fillSpecialFolderMenu(
            menu, [this, n](const QString& dir) { SpecialFolderClick(dir, n); });
        QComboBox* box = driveBox(n);
        box->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(box, &QWidget::customContextMenuRequested, this,
                [menu, box](const QPoint& at) { menu->popup(box->mapToGlobal(at)); });
    }

    ButtonBarHost host;
    host.activeInArchive = [this] { return panel(ActivePanel).inArchive; };
    host.activeDirectory = [this] { return panel(ActivePanel).path; };
    host.cursorName = [this] {
        const int n = ActivePanel;
        const int at = list(n)->cursor();
        if (panel(n).entries.empty() || (n == 1 && m_settings.treeView) || at < 0)
            return QString();
        return panel(n).entries[size_t(at)].name;
    };
    host.openInActivePanel = [this](const QString& dir) { openInPanel(ActivePanel, dir, false); };
    host.prompter = [this]() -> Prompter& { return prompter(); };
    host.settingsWritable = [this] { return m_settings.unreadable.isEmpty(); };
    host.hostPath = [this](const QString& path) { return buttonHostPath(path); };
    m_customButtons = new CustomButtonBar(customButtonPanel(), std::move(host));
    for (int n : {1, 2})
        new ButtonDeleteTarget(list(n)->viewport(), m_customButtons);
}

QString TForm1::buttonHostPath(const QString& path) const
{
    // The program directory of a drive's root is named "C:", so its files
    // read "C:NetWork.lnk".
    QString dos = path;
    if (dos.size() > 2 && dos[1] == ':' && dos[2] != '\\')
        dos.insert(2, '\\');
    if (const std::optional<QString> host = DriveMap::instance().toHost(dos))
        return *host;
    // The program directory need not lie on a drive: its own two links are
    // still found there, named with "/" after it (older settings have "\").
    if (!m_programDirName.startsWith('/') || !path.startsWith(m_programDirName) ||
        path.size() <= m_programDirName.size())
        return {};
    const QChar separator = path[m_programDirName.size()];
    const QString name = path.mid(m_programDirName.size() + 1);
    if ((separator != '/' && separator != '\\') || name.contains('\\') || name.contains('/'))
        return {};
    return m_programDir + '/' + name;
}

void TForm1::SpecialFolderClick(const QString& dir, int fromPanel)
{
    const int n = fromPanel ? fromPanel : ActivePanel;
    const int wasActive = ActivePanel;
    openInPanel(n, dir, fromPanel != 0);
    if (fromPanel) {
        setactief(wasActive);
        list(wasActive)->setFocus();
    }
}

void TForm1::openInPanel(int n, const QString& dir, bool keepFocus)
{
    panel(n).showDirectory(dir);
    rereadAndPlace(n, QString());
    if (!keepFocus)
        list(n)->setFocus();
}

void TForm1::CreateLinkShortcut1Click()
{
    const int n = ActivePanel;
    const int at = n == 1 && m_settings.treeView ? -1 : list(n)->cursor();
    const std::optional<QString> made = m_links->createLinkShortcut(panel(n), at, panel(3 - n));
    if (!made)
        return;
    rereadAndPlace(3 - n, *made);
    setactief(n);
    list(n)->setFocus();
}

} // namespace dovex
