// The panels of the main window: reading, activation, opening entries and
// the panel keyboard.
#include "shell/ui/tform1.h"

#include "launch/ui/launchcommands.h"

#include "archive/ui/compressiontools.h"
#include "controls/telidedlabel.h"
#include "fileops/ui/fileoperations.h"
#include "panels/archivelister.h"
#include "panels/openentry.h"
#include "panels/panelreader.h"
#include "panels/textformat.h"
#include "panels/ui/diskfollower.h"
#include "panels/ui/driveselector.h"
#include "panels/ui/panelkeys.h"
#include "panels/ui/panellist.h"
#include "panels/ui/tdirout.h"
#include "panels/ui/treemode.h"
#include "platform/dosattr.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostfile.h"
#include "platform/prompter.h"
#include "shell/ui/commandline.h"
#include "shell/ui/drivestatus.h"
#include "shell/ui/settingsmarks.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

namespace dovex {

namespace {

struct BusyScope {
    explicit BusyScope(int& counter) : m_counter(counter) { ++m_counter; }
    ~BusyScope() { --m_counter; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    int& m_counter;
};

} // namespace

void TForm1::setupPanels()
{
    QWidget* c = centralWidget();
    m_toolbarRow = new QWidget(c);
    m_toolbarRow->setObjectName(QStringLiteral("ToolbarRow"));
    ListBox1 = new TPanelList(m_panels[0], m_painter, c);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox2 = new TPanelList(m_panels[1], m_painter, c);
    ListBox2->setObjectName(QStringLiteral("ListBox2"));
    Label1 = new QLabel(c);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(c);
    Label2->setObjectName(QStringLiteral("Label2"));
    Status1 = new TElidedLabel(c);
    Status1->setObjectName(QStringLiteral("Status1"));
    Status2 = new TElidedLabel(c);
    Status2->setObjectName(QStringLiteral("Status2"));
    drivecombobox1 = new TbrowseComboBox(c);
    drivecombobox1->setObjectName(QStringLiteral("drivecombobox1"));
    DriveComboBox2 = new TbrowseComboBox(c);
    DriveComboBox2->setObjectName(QStringLiteral("DriveComboBox2"));
    m_commandLine = new TCommandLine(c);
    m_commandLine->setObjectName(QStringLiteral("CommandLine"));

    for (int n = 1; n <= 2; ++n) {
        TPanelList* l = list(n);
        l->onKey = [this, n](QKeyEvent* e) { return m_keys->key(n, e); };
        l->onActivate = [this, n] { setactief(n); };
        l->onOpen = [this, n] { listklick(n); };
        l->onSelectionLine = [this, n] { updateSelectionLine(n); };
        l->onMiddleRelease = [this, n](Qt::KeyboardModifiers mods) {
            // The middle button is Enter, with the shift state of the release:
            // Ctrl appends the name, a typed command line is not bypassed.
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, mods);
            m_keys->key(n, &enter);
        };
        auto* up = new QToolButton(c);
        up->setText(QStringLiteral(".."));
        up->setToolTip(QStringLiteral("Up Directory"));
        up->setFocusPolicy(Qt::NoFocus);
        connect(up, &QToolButton::clicked, this, [this, n] { SpeedButton8Click(n); });
        m_upButtons[n - 1] = up;
        m_driveBars[n - 1] = new TDriveBar(c);
        m_driveBars[n - 1]->setObjectName(QStringLiteral("DriveBar%1").arg(n));
    }
    setTabOrder(ListBox1, ListBox2);
    setupDrives();
    setupKeys();
}

void TForm1::setupKeys()
{
    PanelKeys::Host keys;
    keys.commandText = [this] { return m_commandLine->text(); };
    keys.setCommand = [this](const QString& text) { m_commandLine->setText(text); };
    keys.appendCommand = [this](const QString& text) { m_commandLine->append(text); };
    keys.backspace = [this] { m_commandLine->backspace(); };
    keys.runCommandLine = [this](int n) { runCommandLine(n); };
    keys.open = [this](int n) { listklick(n); };
    keys.lineChanged = [this](int n) { updateSelectionLine(n); };
    keys.activePanel = [this] { return ActivePanel; };
    m_keys = std::make_unique<PanelKeys>(this, std::array{ListBox1, ListBox2},
                                         std::array<QLabel*, 2>{Status1, Status2}, std::move(keys));
}

void TForm1::setupFollowers()
{
    DiskFollower::Host disk;
    disk.closing = [this] { return m_quitting || m_stopped; };
    disk.idle = [this] { return m_shown && m_busy == 0 && !FileOperationRunning(); };
    disk.active = [this] { return isActiveWindow(); };
    disk.rereadDrives = [this] { rereadDriveLists(); };
    disk.update = [this](unsigned which) { Werkpanelsbij(which); };
    m_follower = new DiskFollower(this, {&m_panels[0], &m_panels[1]}, std::move(disk));

    TreeMode::Host tree;
    tree.read = [this](int n) {
        ActivePanel = n;
        RefreshClick();
        return !m_stopped;
    };
    tree.setActive = [this](int n) { ActivePanel = n; };
    tree.prompt = [this](const QString& dir) { m_commandLine->setPrompt(dir + '>'); };
    m_tree = std::make_unique<TreeMode>(centralWidget(), std::array{ListBox1, ListBox2}, Label1,
                                        Status1, m_busy, std::move(tree));
    setTabOrder(m_tree->tree(), ListBox2);
}

void TForm1::mountsChanged()
{
    m_follower->mountsChanged();
}

int TForm1::diskUpdates() const
{
    return m_follower->updates();
}

TDirOut* TForm1::dirTree() const
{
    return m_tree->tree();
}

bool TForm1::treeMode() const
{
    return m_tree && m_tree->shown();
}

void TForm1::Tree1Click()
{
    m_settings.treeView = true;
    command(Cmd::Tree)->setChecked(true);
    m_tree->show();
    ActivePanel = 2;
    setactief(1);
}

void TForm1::leaveTree()
{
    m_settings.treeView = false;
    if (!m_tree->hide())
        return;
    // The left panel is read again: its directory is the one last chosen.
    ActivePanel = 1;
    RefreshClick();
    if (m_stopped)
        return;
    ActivePanel = 2;
    setactief(1);
}

void TForm1::RefreshClick(bool background)
{
    const BusyScope busy(m_busy);
    m_drives->setGuard(false);
    if (!background) {
        for (const QString& file : std::as_const(m_pendingDeletions))
            hostfile::remove(file);
        m_pendingDeletions.clear();
    }
    m_marks->recomputeColumns();
    const int n = ActivePanel;
    if (n == 1 && treeMode()) {
        m_tree->follow();
        m_commandLine->setPrompt(panel(1).path + '>');
        updateDriveInfo(1);
        return;
    }
    FilePanel& p = panel(n);
    TPanelList* l = list(n);
    l->setEventsAttached(false);
    if (readPanel(p, prompter()) == PanelReadOutcome::DriveCUnreadable) {
        l->setEventsAttached(true);
        stopProgram();
        return;
    }
    // The box lists the levels of the panel's directory (for an archive, of
    // the directory that holds it: the box offers ways out of it).
    m_drives->showPath(n, p.inArchive ? dospath::directoryPart(p.path) : p.path);
    m_commandLine->setPrompt(m_panels[0].path + '>');
    pathCaption(n)->setText(panelCaption(p));
    l->entriesReset(p.entries.empty() ? -1 : 0, 0);
    updateDriveInfo(n);
    updateSelectionLine(n);
    l->setEventsAttached(true);
    if (m_follower)
        m_follower->watchPanels();
}

void TForm1::Werkpanelsbij(unsigned which)
{
    if (m_stopped)
        return;
    const BusyScope busy(m_busy);
    for (TPanelList* l : {ListBox1, ListBox2})
        l->setEventsAttached(false);
    const int wasActive = ActivePanel;
    for (int n = 1; n <= 2; ++n) {
        if (!(which & (1u << (n - 1))))
            continue;
        FilePanel& p = panel(n);
        TPanelList* l = list(n);
        if (p.inArchive || !isExistingDirectory(p.path)) {
            const int cursor = l->cursor();
            const int top = l->topIndex();
            if (ArchiveLister* lister = archiveLister())
                lister->invalidate();
            ActivePanel = n;
            RefreshClick(true);
            if (m_stopped)
                return;
            l->setEventsAttached(false);
            const int count = int(p.entries.size());
            l->entriesReset(std::min(cursor, count - 1), top);
            ActivePanel = wasActive;
        } else {
            l->syncWithDisk();
        }
        updateSelectionLine(n);
    }
    updateDriveInfo(1);
    updateDriveInfo(2);
    for (TPanelList* l : {ListBox1, ListBox2})
        l->setEventsAttached(true);
    if (m_follower)
        m_follower->watchPanels();
}

void TForm1::updateDriveInfo(int n)
{
    m_driveStatus[n - 1]->setText(DriveInfoText(panel(n).path));
}

void TForm1::updateSelectionLine(int n)
{
    TPanelList* l = list(n);
    const std::optional<QString> text =
        UpdateSelectionLine(panel(n), l->cursor(), &m_types, prompter(), [this, n] {
            changeDrive(n, QChar('c'));
            return list(n)->cursor();
        });
    if (text)
        statusLine(n)->setText(*text);
}

void TForm1::setactief(int n)
{
    m_commandLine->setPrompt(panel(n).path + '>');
    if (n == 1 && treeMode()) {
        ActivePanel = 1;
        if (!dirTree()->hasFocus())
            dirTree()->setFocus();
        return;
    }
    TPanelList* l = list(n);
    const bool changed = ActivePanel != n;
    ActivePanel = n;
    if (changed && !l->hasFocus())
        l->setFocus();
    if (!panel(n).entries.empty() && l->cursor() < 0)
        l->setCursor(0);
    updateSelectionLine(n);
}

void TForm1::rereadAndPlace(int n, const QString& cursorName)
{
    const int wasActive = ActivePanel;
    ActivePanel = n;
    RefreshClick();
    ActivePanel = wasActive;
    if (cursorName.isEmpty())
        return;
    const PanelEntries& entries = panel(n).entries;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].name == cursorName) {
            list(n)->setCursor(int(i));
            updateSelectionLine(n);
            return;
        }
    }
}

void TForm1::listklick(int n)
{
    TPanelList* l = list(n);
    FilePanel& p = panel(n);
    if (l->cursor() < 0 && !p.entries.empty())
        l->setCursor(0);
    const int cursor = l->cursor();
    if (cursor < 0)
        return;
    const PanelEntry entry = p.entries[size_t(cursor)];
    ActivePanel = n;
    const OpenStep step = OpenEntryStep(p.inArchive, entry);
    if (step == OpenStep::Nothing)
        return;
    if (step == OpenStep::File) {
        openFile(n, entry);
        return;
    }
    if (step != OpenStep::Stay)
        rereadAndPlace(n, MovePanelForStep(p, step, entry));
    setactief(n);
}

void TForm1::openFile(int n, const PanelEntry& entry)
{
    FilePanel& p = panel(n);
    // Programs and links first; documents last, when nothing else took them.
    QString linkedDirectory;
    if (launchCommands().enterFile(p, entry, linkedDirectory)) {
        if (!linkedDirectory.isEmpty()) {
            p.path = linkedDirectory;
            rereadAndPlace(n, QString());
            setactief(n);
        }
        return;
    }
    ArchiveLister* lister = archiveLister();
    QChar kind('?');
    const OpenFileFacts facts{
        [&] {
            kind = lister ? lister->detectKind(dospath::join(p.path, entry.name)) : QChar('?');
            return kind != QChar('?');
        },
        panel(3 - n).inArchive,
        [&] { return compressionTools().isCompressedEntry(p.path, entry.name); },
        command(Cmd::OpenDocuments)->isChecked()};
    switch (OpenFileStep(entry.name, facts)) {
    case OpenFile::EnterArchive:
        enterArchive(p, entry.name, kind);
        rereadAndPlace(n, QString());
        setactief(n);
        break;
    case OpenFile::Decompress:
        runCompression([this, n](CompressionTools& tools) {
            return tools.decompressEntry(panel(n), list(n)->cursor(), panel(3 - n));
        });
        break;
    case OpenFile::MergePieces:
        Append1Click();
        break; // merges the set
    case OpenFile::OpenDocument:
        launchCommands().openDocument(p, entry);
        break;
    case OpenFile::Nothing:
        break;
    }
}

void TForm1::SpeedButton8Click(int n)
{
    const int wasActive = ActivePanel;
    FilePanel& p = panel(n);
    ActivePanel = n;
    rereadAndPlace(n, p.inArchive ? archiveUp(p) : directoryUp(p));
    ActivePanel = n;
    if (wasActive != n)
        setactief(wasActive);
    else
        setactief(n);
}

} // namespace dovex
