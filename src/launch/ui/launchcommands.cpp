#include "launch/ui/launchcommands.h"

#include "archive/ui/tform12.h"
#include "controls/dialogowner.h"
#include "controls/quickfiledialog.h"
#include "launch/editfile.h"
#include "launch/launchentry.h"
#include "launch/shellexecute.h"
#include "launch/systemtools.h"
#include "launch/ui/helpwindow.h"
#include "panels/filepanel.h"
#include "platform/drivemap.h"
#include "platform/hostname.h"
#include "platform/locations.h"
#include "platform/prompter.h"

#include <QApplication>
#include <QFileDialog>

namespace dovex {

LaunchCommands::LaunchCommands(QWidget* parent, Prompter& prompter)
    : m_parent(parent), m_prompter(prompter)
{
}

LaunchCommands::~LaunchCommands() = default;

bool LaunchCommands::enterFile(const FilePanel& panel, const PanelEntry& entry,
                               QString& openDirectory)
{
    const launch::EntryLaunch r = launch::launchEntry(panel.path, entry.name, &m_prompter);
    openDirectory = r.openDirectory;
    return r.handled;
}

void LaunchCommands::openDocument(const FilePanel& panel, const PanelEntry& entry)
{
    launch::openDocumentEntry(panel.path, entry.name);
}

launch::CommandResult LaunchCommands::runCommandLine(const FilePanel& panel, const QString& text)
{
    launch::CommandResult r =
        launch::runCommandLine(panel.inArchive ? dospath::directoryPart(panel.path) : panel.path,
                               panel.inArchive, text, m_history);
    if (!r.error.isEmpty())
        m_prompter.error(r.error);
    return r;
}

void LaunchCommands::view(const FilePanel& panel, const PanelEntry& entry, launch::ViewMode mode)
{
    QString directory = panel.path;
    if (panel.inArchive) {
        if (!m_progress)
            m_progress = new TForm12(m_parent);
        const QString tempHost = programDirectory() + QStringLiteral("/temp");
        if (entry.directory) {
            directory = DriveMap::instance().toDos(tempHost).value_or(QString());
        } else {
            QString toDelete;
            const auto extracted = launch::extractMemberForView(
                panel.archiveFile.isEmpty() ? panel.path : panel.archiveFile, panel.archiveKind,
                panel.innerDirectory, entry.name, m_prompter, *m_progress, toDelete);
            if (!toDelete.isEmpty() && markForDeletion)
                markForDeletion(toDelete);
            if (!extracted)
                return;
            directory = dospath::directoryPart(*extracted);
        }
    }
    if (entry.name.isEmpty() || directory.isEmpty())
        return;
    if (entry.directory) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const QString text = launch::directoryInformation(directory, entry.name);
        QApplication::restoreOverrideCursor();
        m_prompter.ask(Severity::Information, text, Buttons::Ok,
                       QStringLiteral("Directory information"));
        return;
    }
    FileDialogChooser dialog(m_parent);
    launch::viewFile(directory, entry.name, mode, m_prompter, chooser ? *chooser : dialog);
}

void LaunchCommands::edit(const FilePanel& panel, const PanelEntry& entry, bool notePad)
{
    if (panel.inArchive || entry.name.isEmpty() || entry.name == QLatin1String(".."))
        return;
    launch::editEntry(panel.path, entry.name, entry.directory,
                      notePad ? launch::EditMode::NotePad : launch::EditMode::Edit, m_prompter);
}

void LaunchCommands::systemTool(const QString& caption)
{
    launch::startSystemTool(caption);
}

void LaunchCommands::findFiles(const FilePanel& panel)
{
    launch::startFindFiles(panel.inArchive ? dospath::directoryPart(panel.path) : panel.path);
}

void LaunchCommands::help()
{
    if (!m_help) {
        m_help = new THelpWindow(m_parent);
        m_help->load(THelpWindow::manualPath());
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

std::optional<QString> FileDialogChooser::chooseProgram(const QString& title,
                                                        const QString& startDirectory)
{
    QFileDialog dialog(m_parent, title, hostname::displayName(startDirectory));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(
        {QStringLiteral("Executables (*.EXE *.COM *.exe *.com)"), QStringLiteral("All files (*)")});
    dialog.selectNameFilter(QStringLiteral("All files (*)"));
    listQuickly(dialog);
    placeInFront(dialog, m_parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace dovex
