#include "launch/ui/custombuttonbar.h"

#include "controls/tcoolpanel.h"
#include "controls/twin97button.h"
#include "fileops/dragdrop.h"
#include "launch/linktarget.h"
#include "launch/networklocation.h"
#include "launch/shellexecute.h"
#include "launch/shortcuts.h"
#include "launch/ui/tform7.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/prompter.h"
#include "platform/settingsfile.h"

#include <QActionGroup>
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QMenu>
#include <QMimeData>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QTimer>

namespace dovex {

namespace {

const char* const kSlotProperty = "Tag";

int slotOf(const QObject* o)
{
    return o ? o->property(kSlotProperty).toInt() : 0;
}

QIcon iconFor(const QString& hostPath, bool directory)
{
    if (hostPath.isEmpty())
        return {};
    if (directory)
        return QIcon::fromTheme(QStringLiteral("folder"));
    // By name only: the icon never opens the file.
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile(hostPath.section('/', -1), QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    return icon.isNull() ? QIcon::fromTheme(type.genericIconName()) : icon;
}

} // namespace

CustomButtonBar::CustomButtonBar(QWidget* bar, ButtonBarHost host)
    : QObject(bar), m_bar(bar), m_host(std::move(host))
{
    m_modeMenu = new QMenu(bar);
    auto* group = new QActionGroup(m_modeMenu);
    const char* captions[3] = {"&Normal Mode", "&Drag Mode", "&Config Mode"};
    for (int i = 0; i < 3; ++i) {
        m_modeItems[i] = m_modeMenu->addAction(QString::fromLatin1(captions[i]));
        m_modeItems[i]->setCheckable(true);
        group->addAction(m_modeItems[i]);
        connect(m_modeItems[i], &QAction::triggered, this, [this, i] { SetMode(Mode(i)); });
    }
    m_linkMenu = new QMenu(bar);
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bar, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_modeMenu->popup(m_bar->mapToGlobal(at)); });
    bar->installEventFilter(this);

    for (int i = 1; i <= kButtonSlots; ++i) {
        auto* b = new TWin97Button(bar);
        b->setObjectName(QStringLiteral("Custom") + QString::number(i));
        b->setGeometry(i * 25 - 13, 3, 25, 25);
        b->setProperty(kSlotProperty, i);
        b->setStyle(TButtonStyle::bsWin97);
        b->setJumpUp(true);
        b->setAcceptDrops(true);
        b->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(b, &QWidget::customContextMenuRequested, this,
                [this, b](const QPoint& at) { m_modeMenu->popup(b->mapToGlobal(at)); });
        connect(b, &TWin97Button::clicked, this, [this, i] { RunButton(i); });
        b->installEventFilter(this);
        m_buttons[size_t(i - 1)] = b;

        auto* line = new TLine3D(bar);
        line->setObjectName(QStringLiteral("Tussenln") + QString::number(i));
        line->setGeometry(0, 3, 2, 25);
        line->setProperty(kSlotProperty, i);
        line->setAcceptDrops(true);
        line->installEventFilter(this);
        line->hide();
        m_lines[size_t(i - 1)] = line;

        auto* menu = new QMenu(b);
        connect(menu, &QMenu::aboutToShow, this, [this, i] { fillLinkMenu(i); });
        b->setProperty("linkMenu", QVariant::fromValue<QObject*>(menu));
    }
    SetMode(Mode::Normal);
}

CustomButtonBar::~CustomButtonBar() = default;

TForm7* CustomButtonBar::configDialog()
{
    if (!m_form7)
        m_form7 = new TForm7(m_bar->window());
    return m_form7;
}

void CustomButtonBar::change(const std::function<void()>& write)
{
    if (!m_host.settingsWritable()) {
        m_host.prompter().error(
            QStringLiteral("The settings file cannot be read, so the buttons are not changed."));
        return;
    }
    try {
        write();
    } catch (const SettingsWriteError& e) {
        m_host.prompter().error(QString::fromUtf8(e.what()));
    }
    Build();
}

void CustomButtonBar::Build()
{
    try {
        m_slots = readButtons(m_host.settingsWritable());
    } catch (const SettingsWriteError& e) {
        // The icons are still shown; only their write-back failed.
        m_slots = readButtons(false);
        m_host.prompter().error(QString::fromUtf8(e.what()));
    }
    m_layout = layoutButtons(m_slots);
    for (int j = 1; j <= kButtonSlots; ++j) {
        TWin97Button* b = button(j);
        const CustomButton& s = slot(j);
        b->move(m_layout.left[size_t(j - 1)], 3);
        b->resize(25, 25);
        b->setToolTip(s.defined ? s.Text : QString());
        b->setCaption(QString());
        const bool folderMenu = s.defined && s.Popup &&
                                fileio::status(folderBase(s.Directory) + s.Command, true).directory;
        b->setDropMenu(folderMenu ? qobject_cast<QMenu*>(b->property("linkMenu").value<QObject*>())
                                  : nullptr);
        b->setPopupMark(folderMenu);
        if (s.defined)
            applyGlyph(j);
        b->setVisible(m_layout.visible[size_t(j - 1)]);
        TLine3D* line = separator(j);
        line->move(m_layout.separatorLeft[size_t(j - 1)], 3);
        line->setVisible(m_layout.separatorVisible[size_t(j - 1)]);
    }
}

void CustomButtonBar::applyGlyph(int j)
{
    const CustomButton& s = slot(j);
    const QColor face = m_bar->palette().color(QPalette::Button);
    QPixmap glyph(16, 16);
    glyph.fill(face);
    const QString host = m_host.hostPath ? m_host.hostPath(s.Icon) : QString();
    const bool directory = dospath::normalize(s.Icon) && fileio::status(s.Icon, true).directory;
    QIcon icon = iconFor(host, directory);
    // Without an icon theme the style's own images stand in, as the panels'
    // built-in images do.
    if (icon.isNull() && !host.isEmpty())
        icon = m_bar->style()->standardIcon(
            directory                                                     ? QStyle::SP_DirIcon
            : s.Icon.endsWith(QLatin1String(".lnk"), Qt::CaseInsensitive) ? QStyle::SP_FileLinkIcon
                                                                          : QStyle::SP_FileIcon);
    if (!icon.isNull()) {
        QPainter p(&glyph);
        p.drawPixmap(0, 0, icon.pixmap(16, 16));
    }
    button(j)->setGlyph(glyph);
}

void CustomButtonBar::openDirectory(const QString& dosDir)
{
    m_host.openInActivePanel(dosDir);
}

void CustomButtonBar::RunButton(int n)
{
    if (m_mode == Mode::Config) {
        EditButton(n);
        return;
    }
    const QString pending = std::exchange(PendingDropFile, QString());
    ButtonContext context;
    context.readLinkTarget = [this](const QString& path) {
        return launch::ReadLinkTarget(path, &m_host.prompter());
    };
    context.hostPath = m_host.hostPath;
    context.trashDirectory = desktopTrashDirectory;
    const ButtonRun run = planButtonRun(slot(n), pending, context);
    switch (run.kind) {
    case ButtonRun::Kind::Nothing:
        break;
    case ButtonRun::Kind::OpenDirectory:
        openDirectory(run.directory);
        break;
    case ButtonRun::Kind::OpenNetwork:
        launch::openNetworkLocation();
        break;
    case ButtonRun::Kind::Execute:
        launch::shellExecute(run.verb, run.file, run.parameters, run.workingDirectory);
        break;
    }
}

void CustomButtonBar::EditButton(int n)
{
    TForm7* form = configDialog();
    form->setFields(slot(n));
    if (form->exec() != 1)
        return;
    const CustomButton edited = form->fields();
    change([&] { writeButton(n, edited); });
}

void CustomButtonBar::CreateButtonFromEntry(int n)
{
    const QString name = m_host.cursorName();
    if (name.isEmpty())
        return;
    const QString dir = m_host.activeDirectory();
    change([&] { createButtonFromEntry(n, dir, name); });
}

void CustomButtonBar::DeleteButton(int n)
{
    change([&] { deleteButton(n); });
}

void CustomButtonBar::DropOnBar(QWidget* target, int x, const QMimeData* data)
{
    if (auto* line = qobject_cast<TLine3D*>(target)) {
        x = x + line->x() - 27;
        target = m_bar;
    }
    auto* onButton = qobject_cast<TWin97Button*>(target);
    const int t = onButton ? slotOf(onButton) : dropTargetSlot(m_layout, x);
    if (data->hasFormat(kPanelMime)) {
        if (m_host.activeInArchive())
            return;
        if (m_mode == Mode::Normal) {
            const QString name = m_host.cursorName();
            if (!onButton || name.isEmpty())
                return;
            // The program gets the file as the system names it.
            const QString dos = dospath::join(m_host.activeDirectory(), name);
            PendingDropFile = DriveMap::instance().toHost(dos).value_or(QString());
            RunButton(t);
            return;
        }
        CreateButtonFromEntry(t);
        return;
    }
    if (data->hasFormat(kButtonMime)) {
        const int m = QString::fromLatin1(data->data(kButtonMime)).toInt();
        if (m >= 1 && m <= kButtonSlots && m != t)
            change([&] { moveButton(m, t); });
    }
}

int CustomButtonBar::DropSlotAt(int x) const
{
    if (m_mode == Mode::Config)
        return 0;
    std::array<int, kButtonSlots> left{};
    std::array<bool, kButtonSlots> shown{};
    for (int i = 1; i <= kButtonSlots; ++i) {
        left[size_t(i - 1)] = button(i)->x();
        shown[size_t(i - 1)] = !button(i)->isHidden();
    }
    return dragdrop::shellDropSlot(m_mode == Mode::Drag, left, shown, x);
}

bool CustomButtonBar::DropFiles(int x, const QStringList& dosPaths)
{
    const int n = dosPaths.isEmpty() ? 0 : DropSlotAt(x);
    if (n == 0)
        return false; // between or beyond the buttons: no slot is touched
    const QString file = dosPaths.first();
    if (m_mode == Mode::Drag) {
        change([&] { createButtonFromFile(n, file); });
        return true;
    }
    // The program gets the file as the system names it.
    PendingDropFile = DriveMap::instance().toHost(file).value_or(QString());
    if (PendingDropFile.isEmpty())
        return false;
    RunButton(n);
    return true;
}

void CustomButtonBar::SetMode(Mode mode)
{
    m_mode = mode;
    for (int i = 0; i < 3; ++i)
        m_modeItems[i]->setChecked(int(mode) == i);
    m_bar->setAcceptDrops(mode == Mode::Drag);
}

void CustomButtonBar::fillLinkMenu(int n)
{
    auto* menu = qobject_cast<QMenu*>(button(n)->property("linkMenu").value<QObject*>());
    menu->clear();
    if (m_mode == Mode::Config) {
        QTimer::singleShot(0, menu, &QMenu::close);
        QTimer::singleShot(0, this, [this, n] { EditButton(n); });
        return;
    }
    const CustomButton& s = slot(n);
    for (const LinkMenuItem& item : linkMenuItems(folderBase(s.Directory) + s.Command)) {
        QAction* a = menu->addAction(item.caption);
        a->setProperty(kSlotProperty, n);
        const QString path = item.linkPath;
        connect(a, &QAction::triggered, this, [this, path] { openLink(path); });
    }
}

void CustomButtonBar::openLink(const QString& linkPath)
{
    const QString target = launch::ReadLinkTarget(linkPath, &m_host.prompter());
    if (!target.isEmpty() && dospath::normalize(target) && fileio::status(target, true).directory) {
        openDirectory(*dospath::normalize(target));
        return;
    }
    launch::shellExecute(QString(), linkPath, QString(), QString());
}

void CustomButtonBar::startButtonDrag(int n)
{
    auto* drag = new QDrag(button(n));
    auto* data = new QMimeData;
    data->setData(kButtonMime, QByteArray::number(n));
    drag->setMimeData(data);
    drag->setPixmap(button(n)->Glyph());
    drag->exec(Qt::MoveAction);
}

bool CustomButtonBar::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    auto* asButton = qobject_cast<TWin97Button*>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (asButton && m_mode == Mode::Drag) {
            auto* e = static_cast<QMouseEvent*>(event);
            m_pressSlot = e->button() == Qt::LeftButton ? slotOf(asButton) : 0;
            m_pressAt = e->position().toPoint();
            return e->button() == Qt::LeftButton;
        }
        break;
    case QEvent::MouseMove:
        if (asButton && m_mode == Mode::Drag && m_pressSlot == slotOf(asButton)) {
            auto* e = static_cast<QMouseEvent*>(event);
            if ((e->position().toPoint() - m_pressAt).manhattanLength() >=
                QApplication::startDragDistance()) {
                const int n = std::exchange(m_pressSlot, 0);
                startButtonDrag(n);
            }
            return true;
        }
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* e = static_cast<QDropEvent*>(event);
        const bool ours =
            e->mimeData()->hasFormat(kPanelMime) || e->mimeData()->hasFormat(kButtonMime);
        if (ours && (watched != m_bar || m_mode == Mode::Drag))
            e->acceptProposedAction();
        else
            e->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        e->acceptProposedAction();
        DropOnBar(widget, e->position().toPoint().x(), e->mimeData());
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace dovex
