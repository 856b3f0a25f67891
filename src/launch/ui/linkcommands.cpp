#include "launch/ui/linkcommands.h"

#include "fileops/ui/fileoperations.h"
#include "fileops/ui/tform3.h"
#include "launch/shortcuts.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/prompter.h"

#include <QAction>
#include <QCheckBox>
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

} // namespace

void LinkCommands::fillSpecialFolderMenu(QMenu* menu, std::function<void(const QString& dir)> open)
{
    menu->clear();
    for (const auto& item : kSpecialFolderItems) {
        QAction* a = menu->addAction(QString::fromLatin1(item.caption));
        const SpecialFolder folder = item.folder;
        // Recent documents have no folder on this desktop.
        a->setEnabled(folder != SpecialFolder::Recent);
        QObject::connect(a, &QAction::triggered, menu, [folder, open] {
            if (const std::optional<QString> dir = specialFolderPath(folder))
                open(*dir);
        });
    }
    menu->setDefaultAction(menu->actions().first());
}

void LinkCommands::addSpecialFolderPopup(QWidget* widget,
                                         std::function<void(const QString& dir)> open)
{
    auto* menu = new QMenu(m_owner);
    fillSpecialFolderMenu(menu, std::move(open));
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(widget, &QWidget::customContextMenuRequested, menu,
                     [menu, widget](const QPoint& at) { menu->popup(widget->mapToGlobal(at)); });
}

std::optional<QString> LinkCommands::createLinkShortcut(const FilePanel& from, int cursor,
                                                        const FilePanel& other)
{
    if (from.entries.empty() || cursor < 0 || from.inArchive)
        return std::nullopt;
    const QString name = from.entries[size_t(cursor)].name;
    if (name == QLatin1String(".."))
        return std::nullopt;
    QString dest = other.path;

    TForm3& d = operationDialog(m_owner);
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
        return std::nullopt;
    if (const auto typed = dospath::normalize(d.Edit1->text());
        typed && fileio::status(*typed, true).directory)
        dest = *typed;

    const CreatedLink made =
        dovex::createLinkShortcut(m_shellLink, from.path, name, dest, m_prompter);
    if (!made.result)
        m_prompter.ask(Severity::Error, made.result.error(), Buttons::Ok,
                       QStringLiteral("Create Shortcut"));
    return made.linkPath.isEmpty() ? QString() : dospath::fileName(made.linkPath);
}

} // namespace dovex
