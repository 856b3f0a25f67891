#include "shell/ui/programfiles.h"

#include "launch/pif.h"
#include "panels/filetypetable.h"
#include "platform/hostfile.h"
#include "platform/locations.h"
#include "platform/settingsfile.h"
#include "shell/linkfiles.h"

namespace dovex {

ProgramFiles PrepareProgramFiles(FileTypeTable& types)
{
    ProgramFiles files;
    files.dir = programDirectory();
    if (!ensureDirectory(files.dir))
        throw SettingsWriteError(
            QStringLiteral("Cannot create the program directory %1").arg(files.dir));
    files.name = programDirectoryName(files.dir);
    if (const Result r = writeMissingLinkFiles(files.dir); !r)
        throw SettingsWriteError(r.error());
    launch::writeMissingPifs(files.dir, files.name);

    const QString typeFile = files.dir + '/' + FileTypeTable::fileName();
    if (!hostfile::isFile(typeFile) || !types.load(typeFile)) {
        types.buildFromMimeDatabaseInChild();
        if (!types.save(typeFile))
            throw SettingsWriteError(QStringLiteral("Cannot write the file %1").arg(typeFile));
    }
    return files;
}

} // namespace dovex
