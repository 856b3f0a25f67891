#pragma once

#include "archive/ui/tform12.h"
#include "launch/commandhistory.h"
#include "launch/runcommand.h"
#include "launch/ui/helpwindow.h"
#include "launch/viewer.h"

#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

namespace dovex {

struct FilePanel;
struct PanelEntry;
class Prompter;

// The launching commands of the main window: Enter on files, the command
// line, View, Edit, the system tools and the manual. The window gives the
// panel and entry; the engines in src/launch do the work.
class LaunchCommands {
public:
    LaunchCommands(QWidget* parent, Prompter& prompter);
    ~LaunchCommands();

    // A host file to remove at the next panel refresh (the viewed extract).
    std::function<void(const QString&)> markForDeletion;
    // Replaces the "Registering Fileextention" dialog (tests).
    launch::ProgramChooser* chooser = nullptr;

    // Enter on a file outside an archive, before the archive checks:
    // true when handled; openDirectory is set when a link leads to one.
    bool enterFile(const FilePanel& panel, const PanelEntry& entry, QString& openDirectory);
    // Enter on a file nobody else took, with "Open Documents on enter".
    void openDocument(const FilePanel& panel, const PanelEntry& entry);
    launch::CommandResult runCommandLine(const FilePanel& panel, const QString& text);
    QString lastCommand() { return m_history.takeLast(); }
    const launch::CommandHistory& history() const { return m_history; }

    void view(const FilePanel& panel, const PanelEntry& entry, launch::ViewMode mode);
    void edit(const FilePanel& panel, const PanelEntry& entry, bool notePad);
    void systemTool(const QString& caption);
    void findFiles(const FilePanel& panel);
    void help();
    THelpWindow* helpWindow() const { return m_help; }

private:
    QWidget* m_parent;
    Prompter& m_prompter;
    launch::CommandHistory m_history;
    QPointer<THelpWindow> m_help;
    QPointer<TForm12> m_progress;
};

// The file dialog of viewer registration, on the platform's chooser.
class FileDialogChooser : public launch::ProgramChooser {
public:
    explicit FileDialogChooser(QWidget* parent) : m_parent(parent) {}
    std::optional<QString> chooseProgram(const QString& title,
                                         const QString& startDirectory) override;

private:
    QWidget* m_parent;
};

} // namespace dovex
