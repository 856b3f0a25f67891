#include "launch/viewer.h"

#include "archive/ops/archiveoperations.h"
#include "fileops/treewalk.h"
#include "launch/shellexecute.h"
#include "panels/textformat.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/locations.h"
#include "platform/process.h"
#include "platform/prompter.h"
#include "platform/settingsfile.h"

namespace dovex::launch {

namespace viewtable {

QString keyOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1).left(10);
}

QString read(const QString& key)
{
    if (key.isEmpty())
        return kNone;
    return SettingsFile::readString(kSection, key, kNone);
}

bool write(const QString& key, const QString& value)
{
    for (const QChar c : key) {
        if (c.unicode() < 32 || QStringLiteral("=[];").contains(c))
            return false;
    }
    if (key.isEmpty() || key.trimmed() != key || value.contains(QLatin1Char('\n')) ||
        value.contains(QLatin1Char('\r')) || value.contains(QChar(0)))
        return false;
    try {
        SettingsFile::writeString(kSection, key, value);
        return true;
    } catch (const SettingsWriteError&) {
        return false;
    }
}

} // namespace viewtable

namespace {

const QString kFirstQuestion =
    QStringLiteral("Viewer not Registered, View with the defaultviewer?");
const QString kSecondQuestion = QStringLiteral("Default Viewer not Registered, Register Now?");
const QString kDialogTitle = QStringLiteral("Registering Fileextention");

// The file goes to the viewer as one argument, its host path: the viewer is
// a program of this system and reads neither drive letters nor split words.
bool startViewer(const QString& viewer, const QString& directory, const QString& name)
{
    const auto host = DriveMap::instance().toHost(dospath::join(directory, name));
    if (!host)
        return false;
    return startPlan(
        planExecuteWords(QStringLiteral("open"), viewer, QStringList{*host}, directory));
}

// A viewer that lies outside the drives, started by its host path.
bool startHostViewer(const QString& program, const QString& directory, const QString& name)
{
    const auto file = DriveMap::instance().toHost(dospath::join(directory, name));
    const auto workingDirectory = DriveMap::instance().toHost(directory);
    if (!file || !workingDirectory)
        return false;
    LaunchPlan plan;
    plan.program = program;
    plan.arguments = QStringList{*file};
    plan.workingDirectory = *workingDirectory;
    return startPlan(plan);
}

// The dialog's choice, stored under key and started with the file. Every
// way it can fail is told: a file that is no program, a program that does
// not start, one outside the drives (which the table cannot hold).
bool chooseAndView(const QString& key, const QString& directory, const QString& name,
                   Prompter& prompter, ProgramChooser& chooser)
{
    const auto chosen = chooser.chooseProgram(kDialogTitle, windowsDirectory());
    if (!chosen)
        return false;
    const auto dos = DriveMap::instance().toDos(*chosen);
    const QString shown = dos.value_or(*chosen);
    if (!process::isExecutableFile(*chosen) && !isClassicProgramName(*chosen)) {
        prompter.error(shown + QStringLiteral(" is not a program, so it cannot view ") + name);
        return false;
    }
    bool started = false;
    if (dos) {
        viewtable::write(key, *dos);
        started = startViewer(*dos, directory, name);
    } else {
        prompter.information(shown +
                             QStringLiteral(" lies outside the drives, so it cannot be registered "
                                            "as the viewer; it shows this file once."));
        started = startHostViewer(*chosen, directory, name);
    }
    if (!started)
        prompter.error(QStringLiteral("Cannot start ") + shown);
    return started;
}

} // namespace

bool viewFile(const QString& directory, const QString& name, ViewMode mode, Prompter& prompter,
              ProgramChooser& chooser)
{
    if (name.isEmpty())
        return false;
    const QString key = viewtable::keyOf(name);
    const QString viewer = viewtable::read(key);
    if (viewer != viewtable::kNone && mode == ViewMode::View)
        return startViewer(viewer, directory, name);

    const Answer first = prompter.ask(Severity::Information, kFirstQuestion, Buttons::YesNo);
    if (first == Answer::No)
        return chooseAndView(key, directory, name, prompter, chooser);
    if (first != Answer::Yes)
        return false;
    const QString fallback = viewtable::read(viewtable::kDefaultKey);
    viewtable::write(key, fallback);
    if (fallback != viewtable::kNone)
        return startViewer(fallback, directory, name);
    if (prompter.ask(Severity::Information, kSecondQuestion, Buttons::YesNo) != Answer::Yes)
        return false;
    return chooseAndView(viewtable::kDefaultKey, directory, name, prompter, chooser);
}

QString directoryInformationText(const QString& path, std::int64_t bytes, std::int64_t files)
{
    return QStringLiteral("Directory ") + path + QStringLiteral(" contains ") + thousands(bytes) +
           QStringLiteral(" Bytes in ") + QString::number(files) + QStringLiteral(" Files");
}

QString directoryInformation(const QString& directory, const QString& name)
{
    // ".." is the directory above, counted and named as itself: the name
    // with ".." in it reached no directory and read as empty.
    const QString joined = dospath::join(directory, name);
    const QString path = dospath::normalize(joined).value_or(joined);
    const Totals totals = DirectoryTotals(path);
    return directoryInformationText(path, totals.bytes, totals.files);
}

std::optional<QString> extractMemberForView(const QString& archive, QChar kind,
                                            const QString& innerDirectory, const QString& name,
                                            Prompter& prompter, ArchiveProgress& progress,
                                            QString& hostToDelete)
{
    hostToDelete.clear();
    const QString host =
        ExtractMemberForView(archive, kind, innerDirectory, name, prompter, progress);
    const auto dos = host.isEmpty() ? std::nullopt : DriveMap::instance().toDos(host);
    if (!dos) {
        prompter.information(QStringLiteral("Cannot view ") + name);
        return std::nullopt;
    }
    hostToDelete = host;
    return dos;
}

} // namespace dovex::launch
