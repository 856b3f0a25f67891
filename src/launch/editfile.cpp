#include "launch/editfile.h"

#include "launch/launchentry.h"
#include "launch/shellexecute.h"
#include "launch/texteditor.h"
#include "platform/prompter.h"

#include <QMimeDatabase>

namespace dovex::launch {

namespace {

// A type known by the file's name, with a default application.
bool isRegistered(const QString& name, const QString& ext)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    return !ext.isEmpty() && !type.isDefault() &&
           currentLauncher().hasDefaultApplication(type.name());
}

// The desktop's application for text files, else a terminal editor; what
// fails is told.
bool editAsText(const LaunchPlan& document, Prompter& prompter)
{
    const bool desktop = currentLauncher().hasDefaultApplication(QStringLiteral("text/plain"));
    if (desktop && startPlan(document))
        return true;
    const TextEditing editing =
        planTerminalEditing(document.target, document.workingDirectory, desktop);
    if (!editing.found) {
        prompter.ask(Severity::Information, editing.problem, Buttons::Ok);
        return false;
    }
    if (startPlan(editing.found))
        return true;
    prompter.error(QStringLiteral("Cannot start ") + editing.found->program);
    return false;
}

} // namespace

bool editEntry(const QString& directory, const QString& name, bool isDirectory, EditMode mode,
               Prompter& prompter)
{
    if (name.isEmpty())
        return false;
    const QString ext = upperExtension(name);
    if (ext == QLatin1String(".EXE") || ext == QLatin1String(".COM") ||
        ext == QLatin1String(".PIF"))
        return false;
    if (isDirectory)
        return shellExecute(QStringLiteral("explore"), name, QString(), directory);
    const bool asText =
        mode == EditMode::NotePad || ext == QLatin1String(".BAT") || !isRegistered(name, ext);
    std::optional<LaunchPlan> plan = planDocument(name, directory, asText);
    if (!plan)
        return false; // not a plain file (any more)
    if (!asText && startPlan(plan))
        return true;
    // Edited as text, also when the registered application did not start.
    plan->kind = LaunchPlan::Kind::TextEditor;
    return editAsText(*plan, prompter);
}

} // namespace dovex::launch
