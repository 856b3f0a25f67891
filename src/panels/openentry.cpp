#include "panels/openentry.h"

#include "panels/filepanel.h"
#include "panels/panelreader.h"
#include "platform/drivemap.h"

namespace dovex {

OpenStep OpenEntryStep(bool inArchive, const PanelEntry& entry)
{
    const bool up = entry.name == QLatin1String("..");
    if (inArchive) {
        // Members are viewed and extracted by the archive commands.
        if (!entry.directory)
            return OpenStep::Nothing;
        return up ? OpenStep::ArchiveUp : OpenStep::ArchiveDirectory;
    }
    if (!entry.directory)
        return OpenStep::File;
    if (up)
        return OpenStep::DirectoryUp;
    return entry.name == QLatin1String(".") ? OpenStep::Stay : OpenStep::Directory;
}

QString MovePanelForStep(FilePanel& p, OpenStep step, const PanelEntry& entry)
{
    switch (step) {
    case OpenStep::ArchiveUp:
        return archiveUp(p);
    case OpenStep::ArchiveDirectory:
        archiveEnterDirectory(p, entry.name);
        break;
    case OpenStep::DirectoryUp:
        return directoryUp(p);
    case OpenStep::Directory:
        p.path = dospath::join(p.path, entry.name);
        break;
    case OpenStep::Nothing:
    case OpenStep::Stay:
    case OpenStep::File:
        break;
    }
    return {};
}

OpenFile OpenFileStep(const QString& name, const OpenFileFacts& facts)
{
    // An archive is entered while the other panel shows none; otherwise a
    // compressed file (or an archive while the other panel browses one) is
    // unpacked.
    if (facts.isArchive() && !facts.otherPanelInArchive)
        return OpenFile::EnterArchive;
    if (facts.isCompressed())
        return OpenFile::Decompress;
    if (name.endsWith(QLatin1String(".001")))
        return OpenFile::MergePieces;
    return facts.openDocuments ? OpenFile::OpenDocument : OpenFile::Nothing;
}

} // namespace dovex
