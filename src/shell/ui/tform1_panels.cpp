// The panels of the main window: reading, activation, opening entries and
// the panel keyboard.
#include "shell/ui/tform1.h"

#include "launch/ui/launchcommands.h"

#include "archive/ui/compressiontools.h"
#include "controls/telidedlabel.h"
#include "panels/archivelister.h"
#include "panels/keypolicy.h"
#include "panels/openentry.h"
#include "panels/panelreader.h"
#include "panels/selection.h"
#include "panels/textformat.h"
#include "panels/ui/panellist.h"
#include "panels/ui/seekpopup.h"
#include "panels/ui/selectionsetdialog.h"
#include "panels/ui/tdirout.h"
#include "platform/dosattr.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostfile.h"
#include "platform/prompter.h"
#include "shell/ui/commandline.h"
#include "shell/ui/drivestatus.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScopedValueRollback>
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

    TbrowseComboBox* combos[2] = {drivecombobox1, DriveComboBox2};
    for (int n = 1; n <= 2; ++n) {
        TPanelList* l = list(n);
        l->onKey = [this, n](QKeyEvent* e) { return Klik(n, e); };
        l->onActivate = [this, n] { setactief(n); };
        l->onOpen = [this, n] { listklick(n); };
        l->onSelectionLine = [this, n] { updateSelectionLine(n); };
        l->onMiddleRelease = [this, n](Qt::KeyboardModifiers mods) {
            // The middle button is Enter, with the shift state of the release:
            // Ctrl appends the name, a typed command line is not bypassed.
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, mods);
            Klik(n, &enter);
        };
        auto* up = new QToolButton(c);
        up->setText(QStringLiteral(".."));
        up->setToolTip(QStringLiteral("Up Directory"));
        up->setFocusPolicy(Qt::NoFocus);
        connect(up, &QToolButton::clicked, this, [this, n] { SpeedButton8Click(n); });
        m_upButtons[n - 1] = up;
        m_driveBars[n - 1] = new TDriveBar(c);
        m_driveBars[n - 1]->setObjectName(QStringLiteral("DriveBar%1").arg(n));
        TbrowseComboBox* box = combos[n - 1];
        // Only the two lists take the focus with Tab; the combo boxes are
        // reached with the mouse or with Alt+F1 and Alt+F2.
        box->setFocusPolicy(Qt::ClickFocus);
        box->installEventFilter(this);
        box->onChange = [this] {
            // A change made with the keys waits until the box is left.
            if (!m_syncingBox && !m_driveGuard)
                list(ActivePanel)->setFocus();
        };
    }
    setTabOrder(ListBox1, ListBox2);
    setupDrives();
}

void TForm1::fillDriveBoxes()
{
    const QScopedValueRollback sync(m_syncingBox, true);
    for (TbrowseComboBox* box : {drivecombobox1, DriveComboBox2})
        box->FillDrives();
}

void TForm1::recomputeColumns()
{
    for (TPanelList* l : {ListBox1, ListBox2})
        l->delegate().options.columns =
            computeColumns(l->font(), l->delegate().options.nameColumnChars);
}

void TForm1::RefreshClick(bool background)
{
    const BusyScope busy(m_busy);
    m_driveGuard = false;
    if (!background) {
        for (const QString& file : std::as_const(m_pendingDeletions))
            hostfile::remove(file);
        m_pendingDeletions.clear();
    }
    recomputeColumns();
    const int n = ActivePanel;
    if (n == 1 && refreshTree())
        return;
    FilePanel& p = panel(n);
    TPanelList* l = list(n);
    l->setEventsAttached(false);
    if (readPanel(p, prompter()) == PanelReadOutcome::DriveCUnreadable) {
        l->setEventsAttached(true);
        stopProgram();
        return;
    }
    {
        // The box lists the levels of the panel's directory (for an archive,
        // of the directory that holds it: the box offers ways out of it).
        const QScopedValueRollback sync(m_syncingBox, true);
        driveBox(n)->SetPath(p.inArchive ? dospath::directoryPart(p.path) : p.path);
    }
    m_commandLine->setPrompt(m_panels[0].path + '>');
    pathCaption(n)->setText(panelCaption(p));
    l->entriesReset(p.entries.empty() ? -1 : 0, 0);
    updateDriveInfo(n);
    updateSelectionLine(n);
    l->setEventsAttached(true);
    watchPanels();
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
            int cursor = l->cursor();
            const int top = l->topIndex();
            // Rows that came or went shift the row icons: rebuild the rows
            // then, even when their number stayed the same.
            if (SyncPanelEntries(p.sortMethod, p.entries, p.path, cursor, p.filterMask) ||
                cursor != l->cursor())
                l->entriesReset(cursor, top);
            else
                l->viewport()->update();
        }
        updateSelectionLine(n);
    }
    updateDriveInfo(1);
    updateDriveInfo(2);
    for (TPanelList* l : {ListBox1, ListBox2})
        l->setEventsAttached(true);
    watchPanels();
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

void TForm1::setComboDrive(int n, QChar letter)
{
    const QScopedValueRollback sync(m_syncingBox, true);
    driveBox(n)->SetPath(QString(letter.toLower()) + QStringLiteral(":\\"));
}

QString TForm1::veranderfile1(int n, QChar letter)
{
    FilePanel& p = panel(n);
    const int other = 3 - n;
    const bool otherInArchive = panel(other).inArchive;
    if (!otherInArchive && !p.path.isEmpty() && p.path[0].toLower() == letter.toLower())
        return p.path;
    if (!waitForDrive(letter, prompter())) {
        setComboDrive(n, QChar('c'));
        return p.path;
    }
    if (ActivePanel == other && !otherInArchive &&
        panel(other).path[0].toLower() == letter.toLower()) {
        setComboDrive(n, letter);
        return panel(other).path;
    }
    return QString(letter.toUpper()) + QStringLiteral(":\\");
}

void TForm1::DriveComboBox1Exit(int n)
{
    m_driveGuard = false;
    applyDriveBox(n);
}

void TForm1::changeDrive(int n, QChar letter)
{
    FilePanel& p = panel(n);
    const QString path = veranderfile1(n, letter);
    if (path == p.path && !p.inArchive)
        return;
    p.showDirectory(path);
    const int wasActive = ActivePanel;
    ActivePanel = n;
    RefreshClick();
    setactief(wasActive);
    m_driveGuard = false;
}

void TForm1::setactief(int n)
{
    m_commandLine->setPrompt(panel(n).path + '>');
    if (n == 1 && treeMode()) {
        ActivePanel = 1;
        if (!DirOut1->hasFocus())
            DirOut1->setFocus();
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
    switch (OpenEntryStep(p.inArchive, entry)) {
    case OpenStep::Nothing:
        return;
    case OpenStep::ArchiveUp:
        rereadAndPlace(n, archiveUp(p));
        break;
    case OpenStep::ArchiveDirectory:
        archiveEnterDirectory(p, entry.name);
        rereadAndPlace(n, QString());
        break;
    case OpenStep::DirectoryUp:
        rereadAndPlace(n, directoryUp(p));
        break;
    case OpenStep::Directory:
        p.path = dospath::join(p.path, entry.name);
        rereadAndPlace(n, QString());
        break;
    case OpenStep::Stay:
        break;
    case OpenStep::File:
        openFile(n, entry);
        return;
    }
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

void TForm1::MaskonEnter(int n, bool marking)
{
    dovex::MaskonEnter(panel(n).entries, panel(n).selectionMask,
                       marking ? SelectMode::Mark : SelectMode::Unmark);
    updateSelectionLine(n);
    list(n)->viewport()->update();
    list(n)->setFocus();
}

void TForm1::openSelectionDialog(int n, bool marking)
{
    if (!m_selectionDialog)
        m_selectionDialog = new TForm8(this);
    const std::optional<QString> mask = m_selectionDialog->ask(
        marking ? QStringLiteral("Select Files") : QStringLiteral("Deselect Files"),
        panel(n).selectionMask);
    if (!mask)
        return;
    panel(n).selectionMask = *mask;
    MaskonEnter(n, marking);
}

void TForm1::openSeek(int n)
{
    if (!m_seek) {
        m_seek = new TForm11(this);
        connect(m_seek, &TForm11::cursorChanged, this, [this](int index) {
            list(ActivePanel)->setCursor(index);
            updateSelectionLine(ActivePanel);
        });
    }
    m_seek->setEntries(&panel(n).entries);
    QLabel* line = statusLine(n);
    const QRect global(line->mapToGlobal(QPoint(0, 0)), line->size());
    m_seek->showOver(global, global.top() - 5);
}

bool TForm1::Klik(int n, QKeyEvent* e)
{
    TPanelList* l = list(n);
    FilePanel& p = panel(n);
    const PanelKeyDecision d = PanelKeyPolicy(
        e->key(), e->modifiers(), e->text(),
        {m_symbolFlag, l->cursor() >= 0 || !p.entries.empty(), m_commandLine->text().isEmpty()});
    m_symbolFlag = d.symbolFlag;
    if (d.action != PanelKeyAction::OpenSeek && !p.entries.empty() && l->cursor() < 0)
        l->setCursor(0);
    applyPanelKey(n, d.action, e->text());
    if (d.updateLine)
        updateSelectionLine(n);
    return d.handled;
}

void TForm1::applyPanelKey(int n, PanelKeyAction action, const QString& text)
{
    TPanelList* l = list(n);
    FilePanel& p = panel(n);
    switch (action) {
    case PanelKeyAction::None:
        break;
    case PanelKeyAction::OpenSeek:
        openSeek(n);
        break;
    case PanelKeyAction::ClearCommandLine:
        m_commandLine->setText(QString());
        break;
    case PanelKeyAction::AppendName:
        m_commandLine->append(p.entries[size_t(l->cursor())].name + ' ');
        break;
    case PanelKeyAction::RunCommandLine:
        runCommandLine(n);
        break;
    case PanelKeyAction::OpenEntry:
        listklick(n);
        break;
    case PanelKeyAction::SelectDialog:
        openSelectionDialog(n, true);
        break;
    case PanelKeyAction::DeselectDialog:
        openSelectionDialog(n, false);
        break;
    case PanelKeyAction::InvertMarks:
        invertAll(p.entries);
        l->viewport()->update();
        break;
    case PanelKeyAction::AppendText:
        m_commandLine->append(text);
        break;
    case PanelKeyAction::ToggleMark:
        l->setCursor(toggleAndAdvance(p.entries, l->cursor()));
        l->viewport()->update();
        break;
    case PanelKeyAction::Backspace:
        m_commandLine->backspace();
        break;
    }
}

} // namespace dovex
