#pragma once

#include "controls/tbrowsecombobox.h"
#include "controls/tdrivebar.h"
#include "panels/filepanel.h"
#include "panels/filetypetable.h"
#include "panels/ui/rowpainter.h"
#include "shell/mainsettings.h"
#include "shell/ui/commands.h"
#include "shell/ui/toolbarrow.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <span>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;

namespace dovex {

class CompressionTools;
class NetConnector;
class NetProvider;
class TConnect;
class TDisconnectDialog;
class DiskFollower;
class DriveSelector;
class PanelKeys;
class Prompter;
class TCommandLine;
class TDriveStatus;
class TForm6;
class TMSOfficeCaption;
class TDirOut;
class TreeMode;
class SettingsMarks;
class ArchiveCommands;
class LaunchCommands;
class TPanelList;
class TcoolPanel;
class TLine3D;
class TWin97Button;
class TWinSplit;
class CustomButtonBar;
class LinkCommands;
struct MainLayout;

// The main window: two panels, their headers and selection lines, the
// command line, the command buttons and the status bar. It owns all program
// state for the whole run.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // A file made for one run (an archiver's list file, a member extracted
    // for viewing; a host path) is removed at the next re-read of a panel.
    void deleteAtNextRefresh(const QString& hostPath) { m_pendingDeletions << hostPath; }
    // The archive half of the file commands (made on first use); its hooks
    // for the Compression Tools dialog are set by whoever builds that.
    ArchiveCommands& archiveCommands();
    // Creation: the program directory and its files, the file-type table and
    // the settings. Throws SettingsError for a malformed integer setting.
    explicit TForm1(const QStringList& arguments, QWidget* parent = nullptr);
    ~TForm1() override;

    // What the window does when first shown: start directories, the drive
    // list, reading the right and then the left panel.
    void FormShow();

    // Both panels brought up to date without losing marks (which: the
    // panels to update, as bits 1 << (panel - 1)).
    void Werkpanelsbij(unsigned which = 3);
    // Following the disk and the mounts (panels/ui/diskfollower.h): the
    // drive map, the drive boxes and bars built again after a change of the
    // mounts (also the tests' way to simulate one), and the number of panel
    // updates changes on the disk caused.
    void mountsChanged();
    int diskUpdates() const;
    // Re-reads the panel ActivePanel names. background: the marker of the
    // update on activation (the pending temporary file is kept then).
    void RefreshClick(bool background = false);
    void setactief(int panel);
    void listklick(int panel);
    void verander();
    void Quit1Click();

    // For the tests and the command table.
    FilePanel& panel(int n) { return m_panels[size_t(n - 1)]; }
    TPanelList* list(int n) const { return n == 1 ? ListBox1 : ListBox2; }
    int activePanel() const { return ActivePanel; }
    // The action of a command; the menus, the toolbar and the command
    // buttons all run it (commands.cpp).
    QAction* command(Cmd id) const;
    static const CommandRow kCommandTable[];
    QPushButton* commandButton(int k) const { return m_buttons[size_t(k)]; }
    QLabel* statusLine(int n) const { return n == 1 ? Status1 : Status2; }
    QLabel* pathCaption(int n) const { return n == 1 ? Label1 : Label2; }
    TCommandLine* commandLine() const { return m_commandLine; }
    TbrowseComboBox* driveBox(int n) const { return n == 1 ? drivecombobox1 : DriveComboBox2; }
    TDriveBar* driveBar(int n) const { return m_driveBars[n - 1]; }
    // The drive bars (panels/ui/driveselector.h): the drives shown, in the
    // order of the left drive box, and their number.
    const QStringList& driveSlots() const { return DriveSlots; }
    int driveCount() const { return DriveCount; }
    void paintDrives();
    QString driveInfo(int n) const;
    const MainSettings& settings() const { return m_settings; }
    void setPrompter(Prompter* prompter) { m_prompter = prompter; }
    // The Compression Tools commands (made on first use). The operation
    // dialog's "&Compress" and "&Extract" reach the dialog through it, inside
    // runCompression so that both panels are read again afterwards:
    //   runCompression([&](CompressionTools& t) { return t.decompress(archive, dir); });
    CompressionTools& compressionTools();
    void runCompression(const std::function<QStringList(CompressionTools&)>& run);
    void CompressionTools1Click();
    void Decompresstion1Click();
    bool stopped() const { return m_stopped; }
    // Running, viewing and editing (made with the window); the toolbar's
    // system-tool buttons call launchCommands().systemTool(caption).
    LaunchCommands& launchCommands() { return *m_launch; }
    // The custom buttons on the "Custom Buttons" band (tform1_buttons.cpp).
    CustomButtonBar& customButtons() { return *m_customButtons; }

    // The toolbar row (tform1_toolbars.cpp). Bands left to right: 0 "Panel
    // Tools", 1 "Extra Tools", 2 "ShellTools", 3 "Custom Buttons".
    QWidget* toolbarRow() const { return m_toolbarRow; }
    TcoolPanel* toolBand(int k) const { return m_toolbar.bands[size_t(k)]; }
    // The panel that holds the custom buttons.
    TcoolPanel* customButtonPanel() const { return m_toolbar.bands[3]; }
    // A toolbar button by its hint; null when there is none.
    TWin97Button* toolButton(const QString& hint) const { return m_toolbar.button(hint); }
    TWinSplit* splitter() const { return m_splitter; }
    TLine3D* commandSeparator(int k) const { return m_separators[size_t(k - 1)]; }
    // The built-in icon the application shows on a display of that depth.
    static QString applicationIconName(int depth);
    // The header strip with the gradient caption, and the System Info
    // window once it was asked for (tform1_sysinfo.cpp).
    TMSOfficeCaption* captionStrip() const { return m_caption; }
    TForm6* systemInfoWindow() const;
    void SystemInformation1Click();
    // The left panel's directory tree (panels/ui/treemode.h); shown in tree mode only.
    TDirOut* dirTree() const;
    bool treeMode() const;
    void Tree1Click();
    // Network drives (tform1_network.cpp). Without a provider and connector
    // the connect and disconnect commands stay disabled; rereading works.
    void setNetwork(NetProvider* provider, NetConnector* connector);
    TConnect& networkConnect();
    void ConnectNetworkdrive();
    void DisconnectNetworkdrive();
    void RereadNetworkDrives();
    // How the disconnect dialog is run; exec() unless a test drives it.
    std::function<int(TDisconnectDialog&)> runDisconnectDialog;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Wiring, one area each.
    void setupPanels();
    void setupCommands();
    QMenu* commandMenu(CommandMenu id, std::span<QMenu*> made);
    void connectCommand(QAction* a, const CommandRow& row);
    void setupCommandButtons();
    void setupStatusBar();
    void setupToolbars();
    void attachToolbarWidths();
    void SplitterEnd();
    void setupLaunchCommands(); // tform1_launch.cpp
    void setupLinkCommands();   // tform1_buttons.cpp
    void setupSystemInfo();     // tform1_sysinfo.cpp
    friend class DragDropGlue;
    void SplitFile1Click();
    void Append1Click();
    void runSplitMerge(bool merge);
    void setupFollowers(); // the disk, the mounts and the tree mode
    void setupNetwork();   // tform1_network.cpp
    void leaveTree();
    void Attributes1Click();
    void CalculateSize1Click();
    void CompareDirs();
    void SpecialFolderClick(const QString& dir, int fromPanel);
    void openInPanel(int panel, const QString& dir, bool keepFocus);
    void CreateLinkShortcut1Click();
    void runCommandLine(int panel);
    // The row of panel n's cursor entry; -1 when it has none (the tree has no entries).
    int cursorRow(int n) const;
    void viewCommand(bool select);
    void editCommand(bool notePad);
    void LastCommand1Click();

    void FormCreate();
    void applySettings();
    void collectSettings();
    void showIntro();
    void offerToolsSeek();
    void readStartPanels();

    // Panel handlers.
    void setupKeys();
    void openFile(int panel, const PanelEntry& entry);
    void applyLayout(const MainLayout& layout, int minRightList);
    void rereadDriveLists(); // the drive map, both drive boxes and the bars
    // Runs a command that changes the disk: the panels are not updated under
    // it, then both are brought up to date with their marks, each cursor put
    // back on its entry (or by place) and the keys to the active panel.
    void runChanging(const std::function<void()>& run, const std::function<void()>& place = {});
    void updateSelectionLine(int panel);
    void updateDriveInfo(int panel);
    void changeDrive(int panel, QChar letter);
    QString veranderfile1(int panel, QChar letter);
    void SpeedButton8Click(int panel);
    void rereadAndPlace(int panel, const QString& cursorName);
    void setupDrives();
    void applyDriveBox(int panel);
    void stopProgram();

    // Menu commands.
    void Full1Click();
    void Brief1Click();
    void Full2Click();
    void Brief2Click();
    void setSortMethod(int panel, int method);
    void setFilter(int panel);
    void Filter1Click();
    void Filter2Click();
    void Drive1Click();
    void Drive2Click();
    void test2Click();
    void Copy1Click();
    void Move1Click();
    void MkDir1Click();
    void Delete1Click();
    void ShowStatusBar1Click();
    void ShowSpeedbar1Click();
    void PanelFont1Click();
    void About1Click();
    void DeskTop1Click();
    void setPanelWidth(int characters);
    void setIconMode(int mode);
    void setDetailMode(DetailMode mode);
    void runFileOperation(int kind);
    bool CheckOfMag() const;

    Prompter& prompter();

    std::array<FilePanel, 2> m_panels;
    int ActivePanel = 1;
    MainSettings m_settings;
    QStringList m_arguments;
    QString m_programDir;     // host path
    QString m_programDirName; // as the program names it (drive-letter path)
    FileTypeTable m_types;
    RowPainter m_painter;
    bool m_maximizePending = false;
    bool m_quitting = false;
    bool m_stopped = false;
    bool m_shown = false; // the panels were read once: activations update them
    // Above 0 while panels are read or an operation runs: a message box
    // closed meanwhile activates the window, and that activation must not
    // update entries that are being filled or acted on.
    int m_busy = 0;
    // Host paths of files made for one run (an archiver's list file, a
    // member extracted for viewing), removed at the next re-read.
    QStringList m_pendingDeletions;
    QStringList m_commandHistory;
    DiskFollower* m_follower = nullptr;
    std::unique_ptr<TreeMode> m_tree;
    std::unique_ptr<SettingsMarks> m_marks;
    std::unique_ptr<PanelKeys> m_keys;

    Prompter* m_prompter = nullptr;
    std::unique_ptr<ArchiveCommands> m_archiveCommands;
    std::unique_ptr<Prompter> m_ownPrompter;
    std::unique_ptr<CompressionTools> m_compressionTools;
    std::unique_ptr<LaunchCommands> m_launch;
    CustomButtonBar* m_customButtons = nullptr; // child of the custom buttons' panel
    std::shared_ptr<TConnect> m_netConnect;     // made on first use
    NetProvider* m_netProvider = nullptr;
    NetConnector* m_netConnector = nullptr;
    std::unique_ptr<LinkCommands> m_links;

    QWidget* m_toolbarRow = nullptr;
    ToolbarBands m_toolbar;
    TWinSplit* m_splitter = nullptr;
    bool m_splitCall = false; // verander runs for the end of a splitter drag
    std::array<TLine3D*, 8> m_separators{};
    TPanelList* ListBox1 = nullptr;
    TPanelList* ListBox2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    TbrowseComboBox* drivecombobox1 = nullptr;
    TbrowseComboBox* DriveComboBox2 = nullptr;
    QToolButton* m_upButtons[2] = {nullptr, nullptr};
    TDriveBar* m_driveBars[2] = {nullptr, nullptr};
    QStringList DriveSlots;
    int DriveCount = 0;
    DriveSelector* m_drives = nullptr;
    QLabel* Status1 = nullptr;
    QLabel* Status2 = nullptr;
    TCommandLine* m_commandLine = nullptr;
    QWidget* m_buttonRow = nullptr;
    std::array<QPushButton*, 9> m_buttons{};
    TDriveStatus* m_driveStatus[2] = {nullptr, nullptr};
    QPointer<TForm6> m_systemInfo;
    TMSOfficeCaption* m_caption = nullptr;

    // The actions of the command table (their check marks are the settings until quit).
    std::array<QAction*, kCommandCount> m_commands{};
};

} // namespace dovex
