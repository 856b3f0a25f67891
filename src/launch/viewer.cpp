#include "launch/viewer.h"

#include "archive/ops/archiveoperations.h"
#include "fileops/treewalk.h"
#include "launch/shellexecute.h"
#include "panels/textformat.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/prompter.h"
#include "shell/settingsfile.h"


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

const QString kFirstQuestion = QStringLiteral("Viewer not Registered, View with the defaultviewer?");
const QString kSecondQuestion = QStringLiteral("Default Viewer not Registered, Register Now?");
const QString kDialogTitle = QStringLiteral("Registering Fileextention");

// The file goes to the viewer as one argument, its host path: the viewer is
// a program of this system and reads neither drive letters nor split words.
bool startViewer(const QString& viewer, const QString& directory, const QString& name)
{
    const auto host = DriveMap::instance().toHost(dospath::join(directory, name));
    if (!host)
        return false;
    return startPlan(planExecuteWords(QStringLiteral("open"), viewer, QStringList{*host}, directory));
}

std::optional<QString> chooseAndStore(const QString& key, ProgramChooser& chooser)
{
    const auto chosen = chooser.chooseProgram(kDialogTitle);
    if (chosen)
        viewtable::write(key, *chosen);
    return chosen;
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

    if (prompter.ask(Severity::Information, kFirstQuestion, Buttons::YesNo) == Answer::No) {
        const auto chosen = chooseAndStore(key, chooser);
        return chosen && startViewer(*chosen, directory, name);
    }
    const QString fallback = viewtable::read(viewtable::kDefaultKey);
    viewtable::write(key, fallback);
    if (fallback != viewtable::kNone)
        return startViewer(fallback, directory, name);
    if (prompter.ask(Severity::Information, kSecondQuestion, Buttons::YesNo) != Answer::Yes)
        return false;
    const auto chosen = chooseAndStore(viewtable::kDefaultKey, chooser);
    return chosen && startViewer(*chosen, directory, name);
}

QString directoryInformationText(const QString& path, std::int64_t bytes, std::int64_t files)
{
    return QStringLiteral("Directory ") + path + QStringLiteral(" contains ") + thousands(bytes) +
           QStringLiteral(" Bytes in ") + QString::number(files) + QStringLiteral(" Files");
}

QString directoryInformation(const QString& directory, const QString& name)
{
    const QString path = dospath::join(directory, name);
    const Totals totals = DirectoryTotals(path);
    return directoryInformationText(path, totals.bytes, totals.files);
}

std::optional<QString> extractMemberForView(const QString& archive, QChar kind,
                                            const QString& innerDirectory, const QString& name,
                                            Prompter& prompter, ArchiveProgress& progress,
                                            QString& hostToDelete)
{
    hostToDelete.clear();
    const QString host = ExtractMemberForView(archive, kind, innerDirectory, name, prompter, progress);
    const auto dos = host.isEmpty() ? std::nullopt : DriveMap::instance().toDos(host);
    if (!dos) {
        prompter.information(QStringLiteral("Cannot view ") + name);
        return std::nullopt;
    }
    hostToDelete = host;
    return dos;
}

} // namespace dovex::launch
