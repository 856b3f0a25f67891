// The main window's status bar and the handlers of the commands that act on
// the window itself (the table of commands is in commands.cpp).
#include "archive/ui/archivecommands.h"
#include "archive/ui/compressiontools.h"
#include "shell/ui/tform1.h"

#include "fileops/runoperation.h"
#include "fileops/ui/fileoperations.h"
#include "panels/ui/driveselector.h"
#include "panels/ui/panelkeys.h"
#include "panels/ui/panellist.h"
#include "platform/drivemap.h"
#include "platform/prompter.h"
#include "platform/settingsfile.h"
#include "shell/mainsettings.h"
#include "shell/ui/commandline.h"
#include "shell/ui/drivestatus.h"
#include "shell/ui/settingsmarks.h"

#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

namespace dovex {

void TForm1::setupStatusBar()
{
    for (int n = 0; n < 2; ++n) {
        m_driveStatus[n] = new TDriveStatus(this);
        m_driveStatus[n]->setObjectName(QStringLiteral("DriveStatus%1").arg(n + 1));
        statusBar()->addWidget(m_driveStatus[n], n);
    }
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
        command(sortCommand(n, k))->setChecked(k == method);
    ActivePanel = n;
    RefreshClick();
    setactief(n);
}

void TForm1::setFilter(int n)
{
    const std::optional<QString> mask =
        m_keys->ask(QStringLiteral("Set Filter"), panel(n).filterMask);
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
    m_drives->dropDown(1);
}

void TForm1::Drive2Click()
{
    m_drives->dropDown(2);
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
            for (const QString& file :
                 compressionTools().compress(ctx.source, ctx.cursorIndex, ctx.other))
                deleteAtNextRefresh(file);
        };
        m_archiveCommands->openDecompress = [this](const OperationContext& ctx,
                                                   const QString& archivePath) {
            for (const QString& file : compressionTools().decompress(
                     archivePath, ctx.other.inArchive
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
    OperationContext ctx{
        panel(n),   list(n)->cursor(), panel(3 - n), this, command(Cmd::ShowCopySpeed)->isChecked(),
        m_prompter, &archiveCommands()};
    QString created;
    const auto run = [&] {
        switch (kind) {
        case 1:
            dovex::Copy1Click(ctx);
            break;
        case 2:
            Doemove(ctx);
            break;
        case 3:
            dovex::Delete1Click(ctx);
            break;
        default:
            created = dovex::MkDir1Click(ctx);
            break;
        }
    };
    if (!mkdir) {
        runChanging(run);
        return;
    }
    // A new directory takes the cursor of the panel it was made in.
    runChanging(run, [&] {
        list(n)->setCursor(
            CursorAfterMkDir(panel(n).entries, panel(n).path, created, list(n)->cursor()));
    });
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
    statusBar()->setVisible(command(Cmd::ShowStatusBar)->isChecked());
    verander();
}

void TForm1::ShowSpeedbar1Click()
{
    const bool on = command(Cmd::ShowSpeedbar)->isChecked();
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
    m_marks->setNameWidth(characters);
}

void TForm1::setIconMode(int mode)
{
    m_settings.useIcons = mode;
    m_marks->setIconMode(mode);
}

void TForm1::setDetailMode(DetailMode mode)
{
    m_marks->setDetailMode(mode);
}

void TForm1::PanelFont1Click()
{
    m_marks->chooseFont(this);
}

void TForm1::About1Click()
{
    QMessageBox::about(this, QStringLiteral("About"),
                       QStringLiteral("Dovex 1.3 32-Bit\n\nA dual-panel file manager."));
}

} // namespace dovex
