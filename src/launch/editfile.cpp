#include "launch/editfile.h"

#include "launch/launchentry.h"
#include "launch/shellexecute.h"

#include <QMimeDatabase>

namespace dovex::launch {

bool editEntry(const QString& directory, const QString& name, bool isDirectory, EditMode mode)
{
    if (name.isEmpty())
        return false;
    const QString ext = upperExtension(name);
    if (ext == QLatin1String(".EXE") || ext == QLatin1String(".COM") ||
        ext == QLatin1String(".PIF"))
        return false;
    if (isDirectory)
        return shellExecute(QStringLiteral("explore"), name, QString(), directory);
    if (mode == EditMode::NotePad || ext == QLatin1String(".BAT"))
        return startPlan(planDocument(name, directory, true));
    // Registered: a type known by its name, with a default application.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    const bool registered = !ext.isEmpty() && !type.isDefault() &&
                            currentLauncher().hasDefaultApplication(type.name());
    return startPlan(planDocument(name, directory, !registered));
}

} // namespace dovex::launch
