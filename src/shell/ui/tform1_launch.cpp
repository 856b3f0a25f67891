// The main window's running, viewing and editing commands: wiring only, the
// work is in src/launch.
#include "shell/ui/tform1.h"

#include "launch/ui/launchcommands.h"
#include "panels/ui/driveselector.h"
#include "panels/ui/panellist.h"
#include "platform/prompter.h"
#include "shell/ui/commandline.h"

namespace dovex {

void TForm1::setupLaunchCommands()
{
    m_launch = std::make_unique<LaunchCommands>(this, prompter());
    m_launch->markForDeletion = [this](const QString& hostPath) { deleteAtNextRefresh(hostPath); };
}

void TForm1::runCommandLine(int n)
{
    const launch::CommandResult r = m_launch->runCommandLine(panel(n), m_commandLine->text());
    if (!r.error.isEmpty())
        return;
    if (r.plan.kind == launch::CommandPlan::Kind::Drive) {
        m_drives->showRoot(n, r.plan.drive);
        changeDrive(n, r.plan.drive);
    } else if (!r.newDirectory.isEmpty() && r.newDirectory != panel(n).path) {
        panel(n).inArchive = false;
        panel(n).path = r.newDirectory;
        rereadAndPlace(n, QString());
        if (r.plan.kind == launch::CommandPlan::Kind::Start)
            Werkpanelsbij();
        setactief(n);
        list(n)->setFocus();
    }
    m_commandLine->setText(QString());
}

void TForm1::LastCommand1Click()
{
    m_commandLine->setText(m_launch->lastCommand());
}

void TForm1::viewCommand(bool select)
{
    for (int n : {1, 2}) {
        if (!panel(n).entries.empty() && list(n)->cursor() < 0)
            list(n)->setCursor(0);
    }
    const int n = ActivePanel;
    if (const int at = cursorRow(n); at >= 0)
        m_launch->view(panel(n), panel(n).entries[size_t(at)],
                       select ? launch::ViewMode::ViewerSelect : launch::ViewMode::View);
}

void TForm1::editCommand(bool notePad)
{
    const int n = ActivePanel;
    if (const int at = cursorRow(n); at >= 0)
        m_launch->edit(panel(n), panel(n).entries[size_t(at)], notePad);
}

int TForm1::cursorRow(int n) const
{
    const int at = list(n)->cursor();
    const bool none = (n == 1 && m_settings.treeView) || m_panels[size_t(n - 1)].entries.empty();
    return none ? -1 : at;
}

} // namespace dovex
