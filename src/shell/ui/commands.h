#pragma once

#include <cstddef>

namespace dovex {

class TForm1;

// Every command of the main window, in the order of its menus. The window
// gives each one's action as command(Cmd::...), so a command that is named
// wrongly does not build.
enum class Cmd {
    // Left
    LeftFull,
    LeftBrief,
    Tree,
    LeftSortName,
    LeftSortExtension,
    LeftSortDate,
    LeftSortSize,
    LeftUnsorted,
    LeftDrive,
    LeftFilter,
    // Files
    View,
    ViewerSelect,
    Edit,
    NotePad,
    Copy,
    Move,
    MkDir,
    Delete,
    CalculateSize,
    FileProperties,
    Quit,
    // Command
    CompareDirs,
    Reread,
    LastCommand,
    ReallocateNetworkDrives,
    SystemInformation,
    FindFiles,
    CreateLinkShortcut,
    DiskCopy,
    FormatDrive,
    CompressionTools,
    Decompress,
    SplitFile,
    MergeFile,
    // Options
    PanelFont,
    ShowStatusBar,
    ShowSpeedbar,
    ShowIntro,
    ShowTrueColorDrives,
    ShowCopySpeed,
    OpenDocuments,
    IconsInternal,
    IconsDefault,
    IconsExtractExe,
    IconsExtractAll,
    Width12,
    Width16,
    Width20,
    Width25,
    Width30,
    WidthAll,
    ShowAttributes,
    ShowFileType,
    // Help
    HelpContents,
    About,
    // Right
    RightFull,
    RightBrief,
    RightSortName,
    RightSortExtension,
    RightSortDate,
    RightSortSize,
    RightUnsorted,
    RightDrive,
    RightFilter,
    // No menu item: the toolbar's buttons run them.
    Defrag,
    Scandisk,
    ControlPanel,
    ConnectNetworkdrive,
    DisconnectNetworkdrive,
    Count
};

constexpr size_t kCommandCount = size_t(Cmd::Count);

// The sort command of a panel (1 or 2) for a method (0-4, as SortMethod).
constexpr Cmd sortCommand(int panel, int method)
{
    return Cmd(int(panel == 1 ? Cmd::LeftSortName : Cmd::RightSortName) + method);
}

// The Icon Options item of an icon mode (0-3).
constexpr Cmd iconCommand(int mode)
{
    return Cmd(int(Cmd::IconsInternal) + mode);
}

// The panel widths offered, in menu order; -1: all characters.
constexpr int kPanelWidths[6] = {12, 16, 20, 25, 30, -1};

constexpr Cmd widthCommand(int item)
{
    return Cmd(int(Cmd::Width12) + item);
}

// The menus commands sit in; Window: none, the action belongs to the window.
enum class CommandMenu {
    Left,
    Files,
    Command,
    Options,
    IconOptions,
    PanelWidth,
    PanelOptions,
    Help,
    Right,
    Window
};

// The check mark of a command: none, one of its own, or one of a group of
// which exactly one is checked.
enum class CheckGroup {
    None,
    Alone,
    LeftView,
    LeftSort,
    Icons,
    Widths,
    Details,
    RightView,
    RightSort
};

// When a command can be chosen: always; once the window has a network;
// when a file search tool, or the system tool of its caption, is
// installed; never (and not shown).
enum class Availability { Always, Network, FindTool, SystemTool, Hidden };

// One row of the command table.
struct CommandRow {
    Cmd id;
    CommandMenu menu;
    const char* caption;
    const char* key; // "" for none
    CheckGroup check;
    bool checked;         // the mark before the settings are read
    bool separatorBefore; // a line above the item
    Availability when;
    void (*run)(TForm1&); // null: the loop runs it (system tools) or its mark is read where it acts
};

} // namespace dovex
