// The left panel's tree mode: the directory tree of the left drive over the
// left list; choosing a directory lists it in the right panel.
#include "shell/ui/tform1.h"

#include "panels/textformat.h"
#include "panels/ui/panellist.h"
#include "panels/ui/tdirout.h"
#include "shell/ui/commandline.h"
#include "shell/ui/drivestatus.h"

#include <QAction>
#include <QLabel>

namespace dovex {

void TForm1::setupTree()
{
    DirOut1 = new TDirOut(centralWidget());
    DirOut1->setObjectName(QStringLiteral("DirOut1"));
    DirOut1->hide();
    DirOut1->setFont(ListBox1->font());
    DirOut1->OnChange = [this](TDirOut*) { DirOut1Change(); };
    DirOut1->OnEnter = [this] { DirOut1Enter(); };
    setTabOrder(DirOut1, ListBox2);
}

bool TForm1::treeMode() const
{
    return DirOut1 && !DirOut1->isHidden();
}

void TForm1::Tree1Click()
{
    m_settings.treeView = true;
    command(Cmd::Tree)->setChecked(true);
    if (!treeMode()) {
        DirOut1->setFont(ListBox1->font());
        DirOut1->setGeometry(ListBox1->geometry());
        ListBox1->hide();
        DirOut1->show();
        Status1->clear();
        const QString& path = panel(1).path;
        if (!path.isEmpty()) {
            DirOut1->SetDrive(path[0].toUpper());
            ++m_busy; // the read lets events run: an activation must not re-read meanwhile
            DirOut1->Reload();
            --m_busy;
        }
    }
    ActivePanel = 2;
    setactief(1);
}

void TForm1::leaveTree()
{
    const bool was = treeMode();
    m_settings.treeView = false;
    if (!was)
        return;
    DirOut1->hide();
    ListBox1->show();
    // The left panel is read again: its directory is the one last chosen.
    ActivePanel = 1;
    RefreshClick();
    if (m_stopped)
        return;
    ActivePanel = 2;
    setactief(1);
}

bool TForm1::refreshTree()
{
    if (!treeMode())
        return false;
    const QString& path = panel(1).path;
    // Only a change of drive reads the tree again: a whole drive is slow.
    if (!path.isEmpty() && path[0].toLower() != DirOut1->Drive().toLower()) {
        DirOut1->SetDrive(path[0].toUpper());
        ++m_busy;
        DirOut1->Reload();
        --m_busy;
    }
    Label1->setText(path);
    m_commandLine->setPrompt(path + '>');
    updateDriveInfo(1);
    return true;
}

void TForm1::DirOut1Change()
{
    const QString path = DirOut1->selectedPath();
    panel(2).showDirectory(path);
    ActivePanel = 2;
    RefreshClick();
    if (m_stopped)
        return;
    Status1->clear();
    Label1->setText(path);
    panel(1).path = path;
    ActivePanel = 1;
    m_commandLine->setPrompt(path + '>');
}

void TForm1::DirOut1Enter()
{
    ActivePanel = 1;
    m_commandLine->setPrompt(panel(1).path + '>');
}

} // namespace dovex
