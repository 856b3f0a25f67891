#include "launch/launchentry.h"

#include "launch/linktarget.h"
#include "launch/shellexecute.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"

#include <sys/stat.h>

namespace dovex::launch {

QString upperExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot <= 0 ? QString() : name.mid(dot).toUpper();
}

EntryLaunch launchEntry(const QString& panelDirectory, const QString& name, Prompter* prompter)
{
    EntryLaunch result;
    const QString path = dospath::join(panelDirectory, name);
    const QString ext = upperExtension(name);
    if (ext == QLatin1String(".LNK")) {
        result.handled = true;
        const auto target = dospath::normalize(ReadLinkTarget(path, prompter));
        if (!target)
            return result;
        const FileStatus st = fileio::status(*target, true);
        if (st.directory)
            result.openDirectory = *target;
        else if (st.regular)
            shellExecute(QString(), *target, QString(), panelDirectory);
        return result;
    }
    const FileStatus st = fileio::status(path, true);
    const bool executable = st.regular && (st.mode & S_IXUSR);
    if (isClassicProgramName(name) || executable) {
        result.handled = true;
        shellExecute(QStringLiteral("open"), name, QString(), panelDirectory);
    }
    return result;
}

bool openDocumentEntry(const QString& panelDirectory, const QString& name)
{
    if (upperExtension(name).size() < 2)
        return false;
    return startPlan(planDocument(name, panelDirectory, false));
}

} // namespace dovex::launch
