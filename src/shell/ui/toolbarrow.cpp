// The toolbar row of the main window as a table: its bands, their buttons
// and the commands they run, and the application icon.
#include "shell/ui/toolbarrow.h"

#include "controls/tcoolpanel.h"
#include "controls/twin97button.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QStyle>

#include <optional>

namespace dovex {

namespace {

constexpr int kButtonSize = 25;
constexpr int kButtonTop = 3;
constexpr int kFirstButton = 14; // just right of the grip
constexpr int kGroupGap = 6;     // a TLine3D with two pixels either side

// One toolbar button: its hint, its image, and the command it runs. A
// button follows the command's action: enabled when the action is, running
// it when clicked. So a command that is built later needs only its action
// connected and enabled.
struct ToolButtonSpec {
    const char* hint;
    QStyle::StandardPixmap image;
    std::optional<Cmd> command; // none: the button drops a menu instead
    bool groupEnd;              // a separator follows
};

struct BandSpec {
    const char* name; // component name, the key in "ToolBars"
    const char* hint; // the grip's hint
    int designedWidth;
    bool collapsed; // at start, before the stored width
    std::initializer_list<ToolButtonSpec> buttons;
};

const BandSpec kBands[3] = {
    {"CoolPanel4",
     "Panel Tools",
     95,
     true,
     {{"Compare Directories", QStyle::SP_FileDialogContentsView, Cmd::CompareDirs, false},
      {"Reread Directory", QStyle::SP_BrowserReload, Cmd::Reread, false},
      {"Reread Networkdrives", QStyle::SP_DriveNetIcon, Cmd::ReallocateNetworkDrives, false}}},
    {"CoolPanel3",
     "Extra Tools",
     182,
     true,
     {{"System Information", QStyle::SP_ComputerIcon, Cmd::SystemInformation, false},
      {"Find Files", QStyle::SP_FileDialogDetailedView, Cmd::FindFiles, true},
      {"Format Diskette", QStyle::SP_DriveFDIcon, Cmd::FormatDrive, false},
      {"DiskCopy", QStyle::SP_DriveCDIcon, Cmd::DiskCopy, true},
      {"Split File", QStyle::SP_ArrowRight, Cmd::SplitFile, false},
      {"Merge Files", QStyle::SP_ArrowLeft, Cmd::MergeFile, false}}},
    {"CoolPanel2",
     "ShellTools",
     207,
     false,
     {{"Defrag", QStyle::SP_DriveHDIcon, Cmd::Defrag, false},
      {"Scandisk", QStyle::SP_DialogApplyButton, Cmd::Scandisk, false},
      {"Disk Tools", QStyle::SP_DriveHDIcon, std::nullopt, true},
      {"Control Panel", QStyle::SP_DesktopIcon, Cmd::ControlPanel, false},
      {"Special Folders", QStyle::SP_DirIcon, std::nullopt, true},
      {"Connect Networkdrive", QStyle::SP_DriveNetIcon, Cmd::ConnectNetworkdrive, false},
      {"Disconnect Networkdrive", QStyle::SP_DialogCancelButton, Cmd::DisconnectNetworkdrive,
       false}}},
};

// The drive bar's popup, as "Disk Tools" drops it: item caption and the
// command it runs.
const std::pair<const char*, Cmd> kDiskToolsMenu[] = {
    {"&Reallocate Networkdrives", Cmd::ReallocateNetworkDrives},
    {"&Format Disk", Cmd::FormatDrive},
    {"&Copy Disk", Cmd::DiskCopy},
    {"&Add Network Connection", Cmd::ConnectNetworkdrive},
    {"&Disconnect Network Drive", Cmd::DisconnectNetworkdrive},
};

const char* const kSpecialFolders[] = {"DeskTop Directory", "Personal Documents",
                                       "Recent Documents", "Start Menu", "Programs Menu"};

// A menu item that mirrors a command of the table.
void mirror(QAction* item, QAction* command)
{
    item->setEnabled(command->isEnabled());
    QObject::connect(command, &QAction::changed, item,
                     [item, command] { item->setEnabled(command->isEnabled()); });
    QObject::connect(item, &QAction::triggered, command, [command] { command->trigger(); });
}

// The "Disk Tools" menu (its items run commands of the table) and the
// "Special Folders" menu (filled by its owner), children of owner.
std::pair<QMenu*, QMenu*> BuildBandMenus(QWidget* owner,
                                         const std::function<QAction*(Cmd)>& command)
{
    auto* diskTools = new QMenu(owner);
    diskTools->setObjectName(QStringLiteral("DriveBarMenu"));
    for (const auto& [caption, id] : kDiskToolsMenu)
        mirror(diskTools->addAction(QString::fromLatin1(caption)), command(id));
    auto* specialFolders = new QMenu(owner);
    specialFolders->setObjectName(QStringLiteral("SpecialFolderMenu"));
    for (const char* caption : kSpecialFolders)
        specialFolders->addAction(QString::fromLatin1(caption))->setEnabled(false);
    return {diskTools, specialFolders};
}

// A band's button at x: it runs its command's action, or drops menu.
TWin97Button* BuildButton(TcoolPanel* band, const ToolButtonSpec& b, int x, QAction* action,
                          QMenu* menu)
{
    auto* button = new TWin97Button(band);
    button->setStyle(TButtonStyle::bsWin97);
    button->setJumpUp(true);
    button->setGeometry(x, kButtonTop, kButtonSize, kButtonSize);
    button->setToolTip(QString::fromLatin1(b.hint));
    button->setGlyph(band->parentWidget()->style()->standardIcon(b.image).pixmap(16, 16));
    if (action) {
        button->setEnabled(action->isEnabled());
        QObject::connect(action, &QAction::changed, button,
                         [button, action] { button->setEnabled(action->isEnabled()); });
        QObject::connect(button, &TWin97Button::clicked, action, [action] { action->trigger(); });
    } else {
        button->setDropMenu(menu);
        button->setPopupMark(true);
    }
    return button;
}

// The custom buttons' panel: as wide as the row leaves it, never collapsed,
// its width not stored.
TcoolPanel* BuildCustomBand(QWidget* row, TcoolPanel* previous)
{
    auto* custom = new TcoolPanel(row, 100);
    custom->setObjectName(QStringLiteral("CoolPanel1"));
    custom->setCoolHint(QStringLiteral("Custom Buttons"));
    custom->setCanCollapse(false);
    custom->setTargetcontrol(previous);
    custom->setFillsRow(true);
    return custom;
}

} // namespace

ToolbarBands BuildToolbarBands(QWidget* row, QWidget* menuOwner,
                               const std::function<QAction*(Cmd)>& command)
{
    ToolbarBands made;
    const auto [diskTools, specialFolders] = BuildBandMenus(menuOwner, command);
    TcoolPanel* previous = nullptr;
    for (int k = 0; k < 3; ++k) {
        const BandSpec& spec = kBands[k];
        auto* band = new TcoolPanel(row, spec.designedWidth);
        band->setObjectName(QString::fromLatin1(spec.name));
        band->setCoolHint(QString::fromLatin1(spec.hint));
        band->setTargetcontrol(previous);
        int x = kFirstButton;
        for (const ToolButtonSpec& b : spec.buttons) {
            QMenu* menu =
                QLatin1String(b.hint) == QLatin1String("Disk Tools") ? diskTools : specialFolders;
            made.buttons << BuildButton(band, b, x, b.command ? command(*b.command) : nullptr,
                                        menu);
            x += kButtonSize;
            if (b.groupEnd) {
                auto* line = new TLine3D(band);
                line->move(x + 2, kButtonTop);
                x += kGroupGap;
            }
        }
        if (spec.collapsed)
            band->setCollapsed(true);
        made.bands[size_t(k)] = band;
        previous = band;
    }
    made.bands[3] = BuildCustomBand(row, previous);
    TcoolPanel::layoutRow(row);
    return made;
}

TWin97Button* ToolbarBands::button(const QString& hint) const
{
    for (TWin97Button* b : buttons)
        if (b->toolTip() == hint)
            return b;
    return nullptr;
}

void ToolbarBands::attachWidths(const TWidthStore& store) const
{
    // The custom buttons' band keeps no width of its own.
    for (int k = 0; k < 3; ++k)
        bands[size_t(k)]->setInifile(store);
}

void ToolbarBands::storeWidths() const
{
    for (int k = 0; k < 3; ++k)
        bands[size_t(k)]->storeWidth();
}

void ToolbarBands::layout(QWidget* row) const
{
    if (!bands[3])
        return;
    for (TcoolPanel* band : bands)
        band->resize(band->width(), kBandHeight);
    TcoolPanel::refitRow(row);
}

QIcon DrawApplicationIcon(bool fewColours)
{
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    const QColor frame = Qt::black;
    const QColor face = fewColours ? QColor(Qt::darkBlue) : QColor(40, 70, 160);
    const QColor title = fewColours ? QColor(Qt::darkCyan) : QColor(90, 160, 220);
    for (int x : {2, 17}) {
        p.fillRect(x, 4, 13, 24, face);
        p.fillRect(x, 4, 13, 4, title);
        p.setPen(frame);
        p.drawRect(x, 4, 12, 23);
        p.setPen(fewColours ? QColor(Qt::white) : QColor(230, 230, 230));
        for (int y = 11; y < 26; y += 3)
            p.drawLine(x + 2, y, x + 9, y);
    }
    p.end();
    if (fewColours) {
        QList<QRgb> table;
        for (Qt::GlobalColor c :
             {Qt::black, Qt::white, Qt::darkBlue, Qt::darkCyan, Qt::transparent})
            table << QColor(c).rgba();
        img = img.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
    }
    return QIcon(QPixmap::fromImage(img));
}

} // namespace dovex
