// The main window's shortcuts, special folders and custom buttons: wiring
// only, the work is in src/launch.
#include "shell/ui/tform1.h"

#include "controls/tcoolpanel.h"
#include "launch/custombuttons.h"
#include "launch/ui/buttondeletetarget.h"
#include "launch/ui/custombuttonbar.h"
#include "launch/ui/linkcommands.h"
#include "panels/ui/panellist.h"

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
    for (int n : {1, 2})
        m_links->addSpecialFolderPopup(
            driveBox(n), [this, n](const QString& dir) { SpecialFolderClick(dir, n); });

    ButtonBarHost host;
    host.activeInArchive = [this] { return panel(ActivePanel).inArchive; };
    host.activeDirectory = [this] { return panel(ActivePanel).path; };
    host.cursorName = [this] {
        const int at = cursorRow(ActivePanel);
        return at < 0 ? QString() : panel(ActivePanel).entries[size_t(at)].name;
    };
    host.openInActivePanel = [this](const QString& dir) { openInPanel(ActivePanel, dir, false); };
    host.prompter = [this]() -> Prompter& { return prompter(); };
    host.settingsWritable = [this] { return m_settings.unreadable.isEmpty(); };
    host.hostPath = [this](const QString& path) {
        return buttonHostPath(path, m_programDir, m_programDirName);
    };
    m_customButtons = new CustomButtonBar(customButtonPanel(), std::move(host));
    for (int n : {1, 2})
        new ButtonDeleteTarget(list(n)->viewport(), m_customButtons);
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
    const std::optional<QString> made =
        m_links->createLinkShortcut(panel(n), cursorRow(n), panel(3 - n));
    if (!made)
        return;
    rereadAndPlace(3 - n, *made);
    setactief(n);
    list(n)->setFocus();
}

} // namespace dovex
