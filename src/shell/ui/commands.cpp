// The command table of the main window: one row per command, read by one
// loop into the menus, the window's own actions and the command buttons.
#include "shell/ui/commands.h"

#include "launch/systemtools.h"
#include "launch/ui/launchcommands.h"
#include "shell/ui/tform1.h"

#include <QActionGroup>
#include <QMenuBar>
#include <QPushButton>

#include <array>

namespace dovex {

namespace {

using M = CommandMenu;
using G = CheckGroup;
using A = Availability;
constexpr bool kSep = true;

// The menus in the order the table first names them; submenus name their parent.
const struct {
    CommandMenu menu;
    const char* title;
    CommandMenu parent; // Window: on the menu bar
} kMenus[] = {
    {M::Left, "Left", M::Window},
    {M::Files, "Files", M::Window},
    {M::Command, "Command", M::Window},
    {M::Options, "Options", M::Window},
    {M::IconOptions, "Icon Options", M::Options},
    {M::PanelWidth, "Panel width", M::Options},
    {M::PanelOptions, "Panel Options", M::Options},
    {M::Help, "Help", M::Window},
    {M::Right, "Right", M::Window},
};

// The command buttons under the panels, left to right.
const struct {
    const char* caption;
    Cmd command;
} kCommandButtons[9] = {
    {"Property", Cmd::FileProperties},
    {"Compress", Cmd::CompressionTools},
    {"View", Cmd::View},
    {"Edit", Cmd::Edit},
    {"Copy", Cmd::Copy},
    {"Move", Cmd::Move},
    {"MkDir", Cmd::MkDir},
    {"Delete", Cmd::Delete},
    {"Quit", Cmd::Quit},
};

} // namespace

// clang-format off
const CommandRow TForm1::kCommandTable[] = {
    {Cmd::LeftFull, M::Left, "Full", "", G::LeftView, true, false, A::Always, [](TForm1& f) { f.Full1Click(); }},
    {Cmd::LeftBrief, M::Left, "Brief", "", G::LeftView, false, false, A::Always, [](TForm1& f) { f.Brief1Click(); }},
    {Cmd::Tree, M::Left, "Tree", "", G::LeftView, false, false, A::Always, [](TForm1& f) { f.Tree1Click(); }},
    {Cmd::LeftSortName, M::Left, "Sort on Name", "", G::LeftSort, false, kSep, A::Always, [](TForm1& f) { f.setSortMethod(1, SortName); }},
    {Cmd::LeftSortExtension, M::Left, "Sort on extention", "", G::LeftSort, false, false, A::Always, [](TForm1& f) { f.setSortMethod(1, SortExtension); }},
    {Cmd::LeftSortDate, M::Left, "Sort on Time/Date", "", G::LeftSort, false, false, A::Always, [](TForm1& f) { f.setSortMethod(1, SortDateTime); }},
    {Cmd::LeftSortSize, M::Left, "Sort on FileSize", "", G::LeftSort, false, false, A::Always, [](TForm1& f) { f.setSortMethod(1, SortSize); }},
    {Cmd::LeftUnsorted, M::Left, "Unsorted", "", G::LeftSort, false, false, A::Always, [](TForm1& f) { f.setSortMethod(1, Unsorted); }},
    {Cmd::LeftDrive, M::Left, "Drive", "Alt+F1", G::None, false, kSep, A::Always, [](TForm1& f) { f.Drive1Click(); }},
    {Cmd::LeftFilter, M::Left, "Filter", "", G::None, false, false, A::Always, [](TForm1& f) { f.Filter1Click(); }},

    {Cmd::View, M::Files, "View", "F3", G::None, false, false, A::Always, [](TForm1& f) { f.viewCommand(false); }},
    {Cmd::ViewerSelect, M::Files, "Viewer Select", "Shift+F3", G::None, false, false, A::Always, [](TForm1& f) { f.viewCommand(true); }},
    {Cmd::Edit, M::Files, "Edit", "F4", G::None, false, false, A::Always, [](TForm1& f) { f.editCommand(false); }},
    {Cmd::NotePad, M::Files, "NotePad", "Shift+F4", G::None, false, false, A::Always, [](TForm1& f) { f.editCommand(true); }},
    {Cmd::Copy, M::Files, "Copy", "F5", G::None, false, false, A::Always, [](TForm1& f) { f.Copy1Click(); }},
    {Cmd::Move, M::Files, "Move", "F6", G::None, false, false, A::Always, [](TForm1& f) { f.Move1Click(); }},
    {Cmd::MkDir, M::Files, "MkDir", "F7", G::None, false, false, A::Always, [](TForm1& f) { f.MkDir1Click(); }},
    {Cmd::Delete, M::Files, "Delete", "F8", G::None, false, false, A::Always, [](TForm1& f) { f.Delete1Click(); }},
    {Cmd::CalculateSize, M::Files, "Calculate Size", "F9", G::None, false, false, A::Always, [](TForm1& f) { f.CalculateSize1Click(); }},
    {Cmd::FileProperties, M::Files, "File Properties", "F11", G::None, false, false, A::Always, [](TForm1& f) { f.Attributes1Click(); }},
    {Cmd::Quit, M::Files, "Quit", "F10", G::None, false, kSep, A::Always, [](TForm1& f) { f.Quit1Click(); }},

    {Cmd::CompareDirs, M::Command, "Compare Directory's", "Ctrl+C", G::None, false, false, A::Always, [](TForm1& f) { f.CompareDirs(); }},
    {Cmd::Reread, M::Command, "Reread Directory", "Ctrl+R", G::None, false, false, A::Always, [](TForm1& f) { f.test2Click(); }},
    {Cmd::LastCommand, M::Command, "Last Command", "Ctrl+E", G::None, false, false, A::Always, [](TForm1& f) { f.LastCommand1Click(); }},
    {Cmd::ReallocateNetworkDrives, M::Command, "Reallocate Network Drives", "Ctrl+D", G::None, false, false, A::Always, [](TForm1& f) { f.RereadNetworkDrives(); }},
    {Cmd::SystemInformation, M::Command, "System Information", "Ctrl+S", G::None, false, false, A::Always, [](TForm1& f) { f.SystemInformation1Click(); }},
    {Cmd::FindFiles, M::Command, "Find Files", "Ctrl+F", G::None, false, false, A::FindTool, [](TForm1& f) { f.m_launch->findFiles(f.panel(f.ActivePanel)); }},
    {Cmd::CreateLinkShortcut, M::Command, "Create Link Shortcut", "Shift+F9", G::None, false, false, A::Always, [](TForm1& f) { f.CreateLinkShortcut1Click(); }},
    {Cmd::DiskCopy, M::Command, "DiskCopy", "", G::None, false, false, A::SystemTool, nullptr},
    {Cmd::FormatDrive, M::Command, "Format Drive", "", G::None, false, false, A::SystemTool, nullptr},
    {Cmd::CompressionTools, M::Command, "Compression Tools", "F12", G::None, false, false, A::Always, [](TForm1& f) { f.CompressionTools1Click(); }},
    {Cmd::Decompress, M::Command, "Decompresstion", "Alt+Return", G::None, false, false, A::Always, [](TForm1& f) { f.Decompresstion1Click(); }},
    {Cmd::SplitFile, M::Command, "Split File", "Ctrl+F12", G::None, false, false, A::Always, [](TForm1& f) { f.SplitFile1Click(); }},
    {Cmd::MergeFile, M::Command, "Merge File ", "", G::None, false, false, A::Always, [](TForm1& f) { f.Append1Click(); }},

    {Cmd::PanelFont, M::Options, "Panel Font", "", G::None, false, false, A::Always, [](TForm1& f) { f.PanelFont1Click(); }},
    {Cmd::ShowStatusBar, M::Options, "Show StatusBar", "", G::Alone, true, false, A::Always, [](TForm1& f) { f.ShowStatusBar1Click(); }},
    {Cmd::ShowSpeedbar, M::Options, "Show Speedbar", "", G::Alone, true, false, A::Always, [](TForm1& f) { f.ShowSpeedbar1Click(); }},
    {Cmd::ShowIntro, M::Options, "Show Intro", "", G::Alone, true, false, A::Always, nullptr},
    {Cmd::ShowTrueColorDrives, M::Options, "Show True Color Drives", "", G::Alone, false, false, A::Hidden, nullptr},
    {Cmd::ShowCopySpeed, M::Options, "Show copy Speed ", "", G::Alone, false, false, A::Always, nullptr},
    {Cmd::OpenDocuments, M::Options, "Open Documents on enter", "", G::Alone, false, false, A::Always, nullptr},
    {Cmd::IconsInternal, M::IconOptions, "Internal Icons", "", G::Icons, false, false, A::Always, [](TForm1& f) { f.setIconMode(0); }},
    {Cmd::IconsDefault, M::IconOptions, "Default Icons", "", G::Icons, true, false, A::Always, [](TForm1& f) { f.setIconMode(1); }},
    {Cmd::IconsExtractExe, M::IconOptions, "Extract Exe,Lnk,Ico", "", G::Icons, false, false, A::Always, [](TForm1& f) { f.setIconMode(2); }},
    {Cmd::IconsExtractAll, M::IconOptions, "Extract All (Slow)", "", G::Icons, false, false, A::Always, [](TForm1& f) { f.setIconMode(3); }},
    {Cmd::Width12, M::PanelWidth, "12 Characters", "", G::Widths, false, false, A::Always, [](TForm1& f) { f.setPanelWidth(12); }},
    {Cmd::Width16, M::PanelWidth, "16 Characters", "", G::Widths, false, false, A::Always, [](TForm1& f) { f.setPanelWidth(16); }},
    {Cmd::Width20, M::PanelWidth, "20 Characters", "", G::Widths, false, false, A::Always, [](TForm1& f) { f.setPanelWidth(20); }},
    {Cmd::Width25, M::PanelWidth, "25 Characters", "", G::Widths, false, false, A::Always, [](TForm1& f) { f.setPanelWidth(25); }},
    {Cmd::Width30, M::PanelWidth, "30 Characters", "", G::Widths, false, false, A::Always, [](TForm1& f) { f.setPanelWidth(30); }},
    {Cmd::WidthAll, M::PanelWidth, "All Characters", "", G::Widths, false, false, A::Always, [](TForm1& f) { f.setPanelWidth(-1); }},
    {Cmd::ShowAttributes, M::PanelOptions, "Show Size-Attr-Date/Time", "", G::Details, false, false, A::Always, [](TForm1& f) { f.setDetailMode(DetailMode::Attributes); }},
    {Cmd::ShowFileType, M::PanelOptions, "Show Size-FileType", "", G::Details, false, false, A::Always, [](TForm1& f) { f.setDetailMode(DetailMode::FileType); }},

    {Cmd::HelpContents, M::Help, "Dovex Help Contents", "F2", G::None, false, false, A::Always, [](TForm1& f) { f.m_launch->help(); }},
    {Cmd::About, M::Help, "&About...", "", G::None, false, false, A::Always, [](TForm1& f) { f.About1Click(); }},

    {Cmd::RightFull, M::Right, "Full", "", G::RightView, true, false, A::Always, [](TForm1& f) { f.Full2Click(); }},
    {Cmd::RightBrief, M::Right, "Brief", "", G::RightView, false, false, A::Always, [](TForm1& f) { f.Brief2Click(); }},
    {Cmd::RightSortName, M::Right, "Sort on name", "", G::RightSort, false, kSep, A::Always, [](TForm1& f) { f.setSortMethod(2, SortName); }},
    {Cmd::RightSortExtension, M::Right, "Sort on extention", "", G::RightSort, false, false, A::Always, [](TForm1& f) { f.setSortMethod(2, SortExtension); }},
    {Cmd::RightSortDate, M::Right, "Sort on Time/Date", "", G::RightSort, false, false, A::Always, [](TForm1& f) { f.setSortMethod(2, SortDateTime); }},
    {Cmd::RightSortSize, M::Right, "Sort on Size", "", G::RightSort, false, false, A::Always, [](TForm1& f) { f.setSortMethod(2, SortSize); }},
    {Cmd::RightUnsorted, M::Right, "Unsorted", "", G::RightSort, false, false, A::Always, [](TForm1& f) { f.setSortMethod(2, Unsorted); }},
    {Cmd::RightDrive, M::Right, "Drive", "Alt+F2", G::None, false, kSep, A::Always, [](TForm1& f) { f.Drive2Click(); }},
    {Cmd::RightFilter, M::Right, "Filter", "", G::None, false, false, A::Always, [](TForm1& f) { f.Filter2Click(); }},

    {Cmd::Defrag, M::Window, "Defrag", "", G::None, false, false, A::SystemTool, nullptr},
    {Cmd::Scandisk, M::Window, "Scandisk", "", G::None, false, false, A::SystemTool, nullptr},
    {Cmd::ControlPanel, M::Window, "Control Panel", "", G::None, false, false, A::SystemTool, nullptr},
    {Cmd::ConnectNetworkdrive, M::Window, "Connect Networkdrive", "", G::None, false, false, A::Network, [](TForm1& f) { f.ConnectNetworkdrive(); }},
    {Cmd::DisconnectNetworkdrive, M::Window, "Disconnect Networkdrive", "", G::None, false, false, A::Network, [](TForm1& f) { f.DisconnectNetworkdrive(); }},
};
// clang-format on

static_assert(std::size(TForm1::kCommandTable) == kCommandCount, "one row per command");

QAction* TForm1::command(Cmd id) const
{
    return m_commands[size_t(id)];
}

void TForm1::setupCommands()
{
    std::array<QMenu*, std::size(kMenus)> menus{};
    std::array<QActionGroup*, size_t(CheckGroup::RightSort) + 1> groups{};
    for (size_t k = 0; k < std::size(kCommandTable); ++k) {
        const CommandRow& row = kCommandTable[k];
        Q_ASSERT(size_t(row.id) == k); // the rows follow the order of Cmd
        QAction* a = nullptr;
        if (row.menu == CommandMenu::Window) {
            a = new QAction(QString::fromLatin1(row.caption), this);
            addAction(a);
        } else {
            QMenu* menu = commandMenu(row.menu, menus);
            if (row.separatorBefore)
                menu->addSeparator();
            a = menu->addAction(QString::fromLatin1(row.caption));
            a->setShortcut(QKeySequence(QString::fromLatin1(row.key)));
            a->setShortcutContext(Qt::WindowShortcut);
        }
        if (row.check != CheckGroup::None) {
            a->setCheckable(true);
            a->setChecked(row.checked);
        }
        if (row.check != CheckGroup::None && row.check != CheckGroup::Alone) {
            QActionGroup*& group = groups[size_t(row.check)];
            if (!group)
                group = new QActionGroup(this);
            group->addAction(a);
        }
        m_commands[size_t(row.id)] = a;
        connectCommand(a, row);
    }
}

QMenu* TForm1::commandMenu(CommandMenu id, std::span<QMenu*> made)
{
    for (size_t k = 0; k < std::size(kMenus); ++k) {
        if (kMenus[k].menu != id)
            continue;
        if (!made[k]) {
            const QString title = QString::fromLatin1(kMenus[k].title);
            made[k] = kMenus[k].parent == CommandMenu::Window
                          ? menuBar()->addMenu(title)
                          : commandMenu(kMenus[k].parent, made)->addMenu(title);
        }
        return made[k];
    }
    return nullptr;
}

void TForm1::connectCommand(QAction* a, const CommandRow& row)
{
    bool on = true;
    switch (row.when) {
    case Availability::Always:
        break;
    case Availability::Network: // setNetwork enables them
        on = false;
        break;
    case Availability::Hidden:
        on = false;
        a->setVisible(false);
        break;
    case Availability::FindTool:
        on = launch::findToolInstalled();
        if (!on)
            a->setToolTip(QStringLiteral("Needs a file search tool (catfish, kfind, "
                                         "gnome-search-tool or searchmonkey), none is installed"));
        break;
    case Availability::SystemTool: {
        const launch::SystemTool* tool = launch::systemTool(QString::fromLatin1(row.caption));
        on = tool && !launch::installedProgram(*tool).isEmpty();
        if (tool && !on) {
            a->setToolTip(tool->missingHint);
            a->setStatusTip(tool->missingHint);
        }
        if (on) {
            const QString caption = tool->caption;
            connect(a, &QAction::triggered, this,
                    [this, caption] { m_launch->systemTool(caption); });
        }
        break;
    }
    }
    a->setEnabled(on);
    if (row.run && (row.when != Availability::FindTool || on)) {
        void (*run)(TForm1&) = row.run;
        connect(a, &QAction::triggered, this, [this, run] { run(*this); });
    }
}

void TForm1::setupCommandButtons()
{
    m_buttonRow = new QWidget(centralWidget());
    m_buttonRow->setObjectName(QStringLiteral("ButtonRow"));
    for (size_t k = 0; k < std::size(kCommandButtons); ++k) {
        auto* b = new QPushButton(QString::fromLatin1(kCommandButtons[k].caption), m_buttonRow);
        b->setFocusPolicy(Qt::NoFocus);
        const Cmd id = kCommandButtons[k].command;
        connect(b, &QPushButton::clicked, this, [this, id] { command(id)->trigger(); });
        m_buttons[k] = b;
    }
}

} // namespace dovex
