#include "panels/openentry.h"

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
