// The command table of the main window: menus, command buttons, status bar,
// and the handlers of the commands that act on the window itself.
#include "shell/ui/tform1.h"
#include "archive/ui/archivecommands.h"
#include "archive/ui/compressiontools.h"

#include "fileops/runoperation.h"
#include "fileops/ui/fileoperations.h"
#include "panels/ui/panellist.h"
#include "panels/ui/selectionsetdialog.h"
#include "platform/drivemap.h"
#include "platform/prompter.h"
#include "platform/settingsfile.h"
#include "shell/mainsettings.h"
#include "shell/ui/commandline.h"
#include "shell/ui/drivestatus.h"

#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

namespace dovex {

QAction* TForm1::addCommand(QMenu* menu, const QString& caption, const QKeySequence& key,
                            void (TForm1::*handler)())
{
    QAction* a = menu->addAction(caption);
    a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    if (handler)
        connect(a, &QAction::triggered, this, handler);
    else
        a->setEnabled(false); // its command is not built yet
    m_actions.append(a);
    return a;
}

QAction* TForm1::action(const QString& caption) const
{
    for (QAction* a : m_actions)
        if (a->text() == caption)
            return a;
    return nullptr;
}

void TForm1::setupMenus()
{
    QMenuBar* bar = menuBar();
    const QKeySequence none;
    using F = TForm1;

    for (int n = 0; n < 2; ++n) {
        QMenu* m = bar->addMenu(n == 0 ? QStringLiteral("Left") : QStringLiteral("Right"));
        auto* views = new QActionGroup(this);
        m_full[n] = addCommand(m, QStringLiteral("Full"), none, n == 0 ? &F::Full1Click : &F::Full2Click);
        m_brief[n] = addCommand(m, QStringLiteral("Brief"), none, n == 0 ? &F::Brief1Click : &F::Brief2Click);
        for (QAction* a : {m_full[n], m_brief[n]}) {
            a->setCheckable(true);
            views->addAction(a);
        }
        m_full[n]->setChecked(true);
        if (n == 0) {
            QAction* tree = addCommand(m, QStringLiteral("Tree"), none, &F::Tree1Click);
            m_treeItem = tree;
            tree->setCheckable(true);
            views->addAction(tree);
        }
        m->addSeparator();
        const QStringList sorts =
            n == 0 ? QStringList{"Sort on Name", "Sort on extention", "Sort on Time/Date",
                                 "Sort on FileSize", "Unsorted"}
                   : QStringList{"Sort on name", "Sort on extention", "Sort on Time/Date",
                                 "Sort on Size", "Unsorted"};
        auto* sortGroup = new QActionGroup(this);
        for (int k = 0; k < 5; ++k) {
            QAction* a = addCommand(m, sorts[k], none, nullptr);
            a->setEnabled(true);
            a->setCheckable(true);
            sortGroup->addAction(a);
            connect(a, &QAction::triggered, this, [this, n, k] { setSortMethod(n + 1, k); });
            m_sortItems[n][k] = a;
        }
        m->addSeparator();
        addCommand(m, QStringLiteral("Drive"), QKeySequence(n == 0 ? "Alt+F1" : "Alt+F2"),
                   n == 0 ? &F::Drive1Click : &F::Drive2Click);
        addCommand(m, QStringLiteral("Filter"), none, n == 0 ? &F::Filter1Click : &F::Filter2Click);
        if (n == 0) {
            QMenu* files = bar->addMenu(QStringLiteral("Files"));
            addCommand(files, QStringLiteral("View"), QKeySequence("F3"), nullptr);
            addCommand(files, QStringLiteral("Viewer Select"), QKeySequence("Shift+F3"), nullptr);
            addCommand(files, QStringLiteral("Edit"), QKeySequence("F4"), nullptr);
            addCommand(files, QStringLiteral("NotePad"), QKeySequence("Shift+F4"), nullptr);
            addCommand(files, QStringLiteral("Copy"), QKeySequence("F5"), &F::Copy1Click);
            addCommand(files, QStringLiteral("Move"), QKeySequence("F6"), &F::Move1Click);
            addCommand(files, QStringLiteral("MkDir"), QKeySequence("F7"), &F::MkDir1Click);
            addCommand(files, QStringLiteral("Delete"), QKeySequence("F8"), &F::Delete1Click);
            addCommand(files, QStringLiteral("Calculate Size"), QKeySequence("F9"), nullptr);
            addCommand(files, QStringLiteral("File Properties"), QKeySequence("F11"), nullptr);
            files->addSeparator();
            addCommand(files, QStringLiteral("Quit"), QKeySequence("F10"), &F::Quit1Click);

            QMenu* cmd = bar->addMenu(QStringLiteral("Command"));
            addCommand(cmd, QStringLiteral("Compare Directory's"), QKeySequence("Ctrl+C"), nullptr);
            addCommand(cmd, QStringLiteral("Reread Directory"), QKeySequence("Ctrl+R"), &F::test2Click);
            addCommand(cmd, QStringLiteral("Last Command"), QKeySequence("Ctrl+E"), nullptr);
            addCommand(cmd, QStringLiteral("Reallocate Network Drives"), QKeySequence("Ctrl+D"), nullptr);
            addCommand(cmd, QStringLiteral("System Information"), QKeySequence("Ctrl+S"), nullptr);
            addCommand(cmd, QStringLiteral("Find Files"), QKeySequence("Ctrl+F"), nullptr);
            addCommand(cmd, QStringLiteral("Create Link Shortcut"), QKeySequence("Shift+F9"), nullptr);
            addCommand(cmd, QStringLiteral("DiskCopy"), none, nullptr);
            addCommand(cmd, QStringLiteral("Format Drive"), none, nullptr);
            addCommand(cmd, QStringLiteral("Compression Tools"), QKeySequence("F12"),
                       &F::CompressionTools1Click);
            addCommand(cmd, QStringLiteral("Decompresstion"), QKeySequence("Alt+Return"),
                       &F::Decompresstion1Click);
            addCommand(cmd, QStringLiteral("Split File"), QKeySequence("Ctrl+F12"), nullptr);
            addCommand(cmd, QStringLiteral("Merge File "), none, nullptr);

            QMenu* opt = bar->addMenu(QStringLiteral("Options"));
            addCommand(opt, QStringLiteral("Panel Font"), none, &F::PanelFont1Click);
            m_showStatusBar = addCommand(opt, QStringLiteral("Show StatusBar"), none, &F::ShowStatusBar1Click);
            m_showSpeedbar = addCommand(opt, QStringLiteral("Show Speedbar"), none, &F::ShowSpeedbar1Click);
            m_showIntro = addCommand(opt, QStringLiteral("Show Intro"), none, nullptr);
            QAction* trueColor = addCommand(opt, QStringLiteral("Show True Color Drives"), none, nullptr);
            trueColor->setVisible(false);
            m_showCopySpeed = addCommand(opt, QStringLiteral("Show copy Speed "), none, nullptr);
            m_openDocuments = addCommand(opt, QStringLiteral("Open Documents on enter"), none, nullptr);
            for (QAction* a : {m_showStatusBar, m_showSpeedbar, m_showIntro, m_showCopySpeed,
                               m_openDocuments, trueColor}) {
                a->setCheckable(true);
                a->setChecked(a != trueColor);
            }
            for (QAction* a : {m_showIntro, m_showCopySpeed, m_openDocuments})
                a->setEnabled(true); // only toggles, read where they act
            m_showCopySpeed->setChecked(false);
            m_openDocuments->setChecked(false);

            QMenu* icons = opt->addMenu(QStringLiteral("Icon Options"));
            auto* iconGroup = new QActionGroup(this);
            const QStringList iconNames = {"Internal Icons", "Default Icons", "Extract Exe,Lnk,Ico",
                                           "Extract All (Slow)"};
            for (int i = 0; i < 4; ++i) {
                QAction* a = addCommand(icons, iconNames[i], none, nullptr);
                a->setEnabled(true);
                a->setCheckable(true);
                iconGroup->addAction(a);
                connect(a, &QAction::triggered, this, [this, i] { setIconMode(i); });
                m_iconItems[i] = a;
            }
            m_iconItems[1]->setChecked(true);

            QMenu* widths = opt->addMenu(QStringLiteral("Panel width"));
            auto* widthGroup = new QActionGroup(this);
            const int chars[6] = {12, 16, 20, 25, 30, -1};
            for (int i = 0; i < 6; ++i) {
                const QString caption = chars[i] < 0 ? QStringLiteral("All Characters")
                                                     : QStringLiteral("%1 Characters").arg(chars[i]);
                QAction* a = addCommand(widths, caption, none, nullptr);
                a->setEnabled(true);
                a->setCheckable(true);
                widthGroup->addAction(a);
                const int c = chars[i];
                connect(a, &QAction::triggered, this, [this, c] { setPanelWidth(c); });
                m_widthItems[i] = a;
            }

            QMenu* details = opt->addMenu(QStringLiteral("Panel Options"));
            auto* detailGroup = new QActionGroup(this);
            m_showAttr = addCommand(details, QStringLiteral("Show Size-Attr-Date/Time"), none, nullptr);
            m_showType = addCommand(details, QStringLiteral("Show Size-FileType"), none, nullptr);
            for (QAction* a : {m_showAttr, m_showType}) {
                a->setEnabled(true);
                a->setCheckable(true);
                detailGroup->addAction(a);
                connect(a, &QAction::triggered, this, [this, a] {
                    for (TPanelList* l : {ListBox1, ListBox2})
                        l->delegate().options.detail =
                            a == m_showAttr ? DetailMode::Attributes : DetailMode::FileType;
                    repaintLists();
                });
            }

            QMenu* help = bar->addMenu(QStringLiteral("Help"));
            addCommand(help, QStringLiteral("Dovex Help Contents"), QKeySequence("F2"), nullptr);
            addCommand(help, QStringLiteral("&About..."), none, &F::About1Click);
        }
    }
}

void TForm1::setupCommandButtons()
{
    m_buttonRow = new QWidget(centralWidget());
    m_buttonRow->setObjectName(QStringLiteral("ButtonRow"));
    const QStringList captions = {"Property", "Compress", "View", "Edit", "Copy",
                                  "Move",     "MkDir",    "Delete", "Quit"};
    using F = TForm1;
    void (F::*handlers[9])() = {nullptr,          &F::CompressionTools1Click, nullptr,
                                nullptr,          &F::Copy1Click, &F::Move1Click,
                                &F::MkDir1Click,  &F::Delete1Click, &F::Quit1Click};
    for (int k = 0; k < 9; ++k) {
        auto* b = new QPushButton(captions[k], m_buttonRow);
        b->setFocusPolicy(Qt::NoFocus);
        if (handlers[k])
            connect(b, &QPushButton::clicked, this, handlers[k]);
        else
            b->setEnabled(false);
        m_buttons[size_t(k)] = b;
    }
}

void TForm1::setupStatusBar()
{
    for (int n = 0; n < 2; ++n) {
        m_driveStatus[n] = new TDriveStatus(this);
        m_driveStatus[n]->setObjectName(QStringLiteral("DriveStatus%1").arg(n + 1));
        statusBar()->addWidget(m_driveStatus[n], n);
    }
}

void TForm1::repaintLists()
{
    for (TPanelList* l : {ListBox1, ListBox2})
        l->viewport()->update();
}

void TForm1::Full1Click()
{
    ListBox1->setBrief(false);
    leaveTree();
}

void TForm1::Brief1Click()
{
    ListBox1->setBrief(true);
    leaveTree();
}

void TForm1::Full2Click()
{
    ListBox2->setBrief(false);
}

void TForm1::Brief2Click()
{
    ListBox2->setBrief(true);
}

void TForm1::setSortMethod(int n, int method)
{
    panel(n).sortMethod = method;
    for (int k = 0; k < 5; ++k)
        m_sortItems[n - 1][k]->setChecked(k == method);
    ActivePanel = n;
    RefreshClick();
    setactief(n);
}

void TForm1::setFilter(int n)
{
    if (!m_selectionDialog)
        m_selectionDialog = new TForm8(this);
    const std::optional<QString> mask =
        m_selectionDialog->ask(QStringLiteral("Set Filter"), panel(n).filterMask);
    if (!mask)
        return;
    panel(n).filterMask = *mask;
    // Activated before the re-read, so that the keys follow the panel just
    // filtered; afterwards the prompt names it again.
    setactief(n);
    RefreshClick();
    setactief(n);
}

void TForm1::Filter1Click()
{
    setFilter(1);
}

void TForm1::Filter2Click()
{
    setFilter(2);
}

void TForm1::Drive1Click()
{
    m_driveGuard = true;
    drivecombobox1->setFocus();
    drivecombobox1->showPopup();
}

void TForm1::Drive2Click()
{
    m_driveGuard = true;
    DriveComboBox2->setFocus();
    DriveComboBox2->showPopup();
}

void TForm1::test2Click()
{
    const int n = ActivePanel;
    RefreshClick();
    setactief(n);
}

ArchiveCommands& TForm1::archiveCommands()
{
    if (!m_archiveCommands) {
        m_archiveCommands = std::make_unique<ArchiveCommands>(this);
        m_archiveCommands->markForDeletion = [this](const QString& hostPath) {
            deleteAtNextRefresh(hostPath);
        };
        // The operation dialog's extra buttons open Compression Tools; the
        // operation's caller re-reads both panels afterwards.
        m_archiveCommands->openCompress = [this](const OperationContext& ctx, const QStringList&) {
            for (const QString& file : compressionTools().compress(ctx.source, ctx.cursorIndex,
                                                                    ctx.other))
                deleteAtNextRefresh(file);
        };
        m_archiveCommands->openDecompress = [this](const OperationContext& ctx,
                                                   const QString& archivePath) {
            for (const QString& file :
                 compressionTools().decompress(archivePath,
                                               ctx.other.inArchive
                                                   ? dospath::directoryPart(ctx.other.archiveFile)
                                                   : ctx.other.path))
                deleteAtNextRefresh(file);
        };
    }
    return *m_archiveCommands;
}

void TForm1::runFileOperation(int kind)
{
    const int n = ActivePanel;
    if (n == 1 && treeMode())
        return; // the tree has no entries to act on, nor a directory of its own
    const bool mkdir = kind == 4;
    if (!mkdir) {
        // A list with lines but no cursor line acts on its first line.
        for (int k = 1; k <= 2; ++k)
            if (!panel(k).entries.empty() && list(k)->cursor() < 0)
                list(k)->setCursor(0);
    }
    OperationContext ctx{panel(n), list(n)->cursor(), panel(3 - n), this,
                         m_showCopySpeed->isChecked(), m_prompter, &archiveCommands()};
    const QString names[2] = {
        list(1)->cursor() >= 0 ? panel(1).entries[size_t(list(1)->cursor())].name : QString(),
        list(2)->cursor() >= 0 ? panel(2).entries[size_t(list(2)->cursor())].name : QString()};
    const int indexes[2] = {list(1)->cursor(), list(2)->cursor()};
    QString created;
    ++m_busy; // the dialogs' closing must not update the panels under the operation
    switch (kind) {
    case 1: dovex::Copy1Click(ctx); break;
    case 2: Doemove(ctx); break;
    case 3: dovex::Delete1Click(ctx); break;
    default: created = dovex::MkDir1Click(ctx); break;
    }
    --m_busy;
    // Both panels are brought up to date as on an activation, so the marks
    // of every entry that is still there stay.
    Werkpanelsbij();
    if (m_stopped)
        return;
    if (mkdir) {
        list(n)->setCursor(
            CursorAfterMkDir(panel(n).entries, panel(n).path, created, list(n)->cursor()));
    } else {
        // Each cursor back on its entry, else on its row, else the last.
        for (int k = 1; k <= 2; ++k)
            list(k)->setCursor(
                CursorAfterReread(panel(k).entries, names[k - 1], indexes[k - 1]));
    }
    for (int k = 1; k <= 2; ++k)
        updateSelectionLine(k);
    // The keys go back to the panel: the dialogs that closed may have left
    // the keyboard focus nowhere.
    if (!isActiveWindow())
        activateWindow();
    ActivePanel = 3 - n;
    setactief(n);
}

void TForm1::Copy1Click()
{
    runFileOperation(1);
}

void TForm1::Move1Click()
{
    runFileOperation(2);
}

void TForm1::Delete1Click()
{
    runFileOperation(3);
}

void TForm1::MkDir1Click()
{
    runFileOperation(4);
}

void TForm1::ShowStatusBar1Click()
{
    statusBar()->setVisible(m_showStatusBar->isChecked());
    verander();
}

void TForm1::ShowSpeedbar1Click()
{
    const bool on = m_showSpeedbar->isChecked();
    m_toolbarRow->setVisible(on);
    m_buttonRow->setVisible(on);
    verander();
}

void TForm1::setPanelWidth(int characters)
{
    m_settings.characters = characters;
    try {
        writePanelWidth(m_settings);
    } catch (const SettingsWriteError& e) {
        prompter().error(QString::fromStdString(e.what()));
    }
    for (TPanelList* l : {ListBox1, ListBox2})
        l->delegate().options.nameColumnChars = characters;
    recomputeColumns();
    repaintLists();
}

void TForm1::setIconMode(int mode)
{
    m_settings.useIcons = mode;
    for (TPanelList* l : {ListBox1, ListBox2})
        l->delegate().options.iconMode = mode;
    repaintLists();
}

void TForm1::PanelFont1Click()
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, ListBox1->font(), this, QStringLiteral("Font"));
    if (!ok)
        return;
    ListBox1->setFont(font);
    ListBox2->setFont(font);
    recomputeColumns();
    const int height = std::max(17, QFontMetrics(font).height());
    ListBox1->setRowHeight(height);
    ListBox2->setRowHeight(height);
}

void TForm1::About1Click()
{
    QMessageBox::about(this, QStringLiteral("About"),
                       QStringLiteral("Dovex 1.3 32-Bit\n\nA dual-panel file manager."));
}

} // namespace dovex
