// The main window's shortcuts, special folders and custom buttons: wiring
// only, the work is in src/launch.
#include "shell/ui/tform1.h"

#include "controls/tcoolpanel.h"
#include "fileops/ui/fileoperations.h"
#include "fileops/ui/tform3.h"
#include "launch/shortcuts.h"
#include "launch/ui/custombuttonbar.h"
#include "panels/ui/panellist.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"
#include "platform/prompter.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QMimeData>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace dovex {

namespace {

// The special-folder items in menu order, with the folder each opens.
const struct {
    const char* caption;
    SpecialFolder folder;
} kSpecialFolderItems[] = {{"DeskTop Directory", SpecialFolder::Desktop},
                           {"Personal Documents", SpecialFolder::Personal},
                           {"Recent Documents", SpecialFolder::Recent},
                           {"Start Menu", SpecialFolder::StartMenu},
                           {"Programs Menu", SpecialFolder::Programs}};

// A custom button dragged onto a panel list is deleted.
class ButtonDeleteTarget : public QObject {
public:
    ButtonDeleteTarget(QWidget* viewport, CustomButtonBar* bar) : QObject(viewport), m_bar(bar)
    {
        viewport->setAcceptDrops(true);
        viewport->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
            return QObject::eventFilter(watched, event);
        auto* e = static_cast<QDropEvent*>(event);
        if (!e->mimeData()->hasFormat(CustomButtonBar::kButtonMime))
            return QObject::eventFilter(watched, event);
        e->acceptProposedAction();
        if (type == QEvent::Drop) {
            const int slot = e->mimeData()->data(CustomButtonBar::kButtonMime).toInt();
            if (slot >= 1 && slot <= kButtonSlots)
                m_bar->DeleteButton(slot);
        }
        return true;
    }

private:
    CustomButtonBar* m_bar;
};

} // namespace

void TForm1::setupLinkCommands()
{
    // The toolbar's "Special Folders" menu acts on the active panel; each
    // drive box's popup on its own panel.
    if (auto* menu = findChild<QMenu*>(QStringLiteral("SpecialFolderMenu")))
        fillSpecialFolderMenu(menu, 0);
    for (int n : {1, 2}) {
        auto* menu = new QMenu(this);
        fillSpecialFolderMenu(menu, n);
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
    // still found there.
    const QString prefix = m_programDirName + '\\';
    if (m_programDirName.startsWith('/') && path.startsWith(prefix) &&
        !path.mid(prefix.size()).contains('\\') && !path.mid(prefix.size()).contains('/'))
        return m_programDir + '/' + path.mid(prefix.size());
    return {};
}

void TForm1::fillSpecialFolderMenu(QMenu* menu, int fromPanel)
{
    menu->clear();
    for (const auto& item : kSpecialFolderItems) {
        QAction* a = menu->addAction(QString::fromLatin1(item.caption));
        const SpecialFolder folder = item.folder;
        // Recent documents have no folder on this desktop.
        a->setEnabled(folder != SpecialFolder::Recent);
        connect(a, &QAction::triggered, this,
                [this, folder, fromPanel] { SpecialFolderClick(int(folder), fromPanel); });
    }
    menu->setDefaultAction(menu->actions().first());
}

void TForm1::SpecialFolderClick(int folder, int fromPanel)
{
    const std::optional<QString> dir = specialFolderPath(SpecialFolder(folder));
    if (!dir)
        return;
    const int n = fromPanel ? fromPanel : ActivePanel;
    const int wasActive = ActivePanel;
    openInPanel(n, *dir, fromPanel != 0);
    if (fromPanel) {
        setactief(wasActive);
        list(wasActive)->setFocus();
    }
}

void TForm1::openInPanel(int n, const QString& dir, bool keepFocus)
{
    FilePanel& p = panel(n);
    p.inArchive = false;
    p.archiveKind = QChar(' ');
    p.archiveFile.clear();
    p.innerDirectory.clear();
    p.path = dir;
    rereadAndPlace(n, QString());
    if (!keepFocus)
        list(n)->setFocus();
}

void TForm1::CreateLinkShortcut1Click()
{
    const int n = ActivePanel;
    const int other = 3 - n;
    const int at = list(n)->cursor();
    if (panel(n).entries.empty() || (n == 1 && m_settings.treeView) || at < 0 ||
        panel(n).inArchive)
        return;
    const QString name = panel(n).entries[size_t(at)].name;
    if (name == QLatin1String(".."))
        return;
    QString dest = panel(other).path;

    TForm3& d = operationDialog(this);
    d.setWindowTitle(QStringLiteral("Create link to ") + name);
    d.Label1->setText(QStringLiteral("Create Link to ") + name + QStringLiteral(" to:"));
    d.Label1->setVisible(true);
    d.Edit1->setText(dest);
    d.Edit1->setVisible(true);
    d.SpeedButton1->setVisible(true);
    d.CheckBox1->setVisible(false);
    d.BitBtn3->setVisible(false);
    const int answer = d.exec();
    d.CheckBox1->setVisible(true);
    if (answer != QDialog::Accepted)
        return;
    if (const auto typed = dospath::normalize(d.Edit1->text());
        typed && fileio::status(*typed, true).directory)
        dest = *typed;

    const CreatedLink made = createLinkShortcut(m_shellLink, panel(n).path, name, dest, prompter());
    if (!made.result)
        prompter().ask(Severity::Error, made.result.error(), Buttons::Ok,
                       QStringLiteral("Create Shortcut"));
    rereadAndPlace(other, made.linkPath.isEmpty() ? QString() : dospath::fileName(made.linkPath));
    setactief(n);
    list(n)->setFocus();
}

} // namespace dovex
