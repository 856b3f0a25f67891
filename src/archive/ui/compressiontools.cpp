#include "archive/ui/compressiontools.h"

#include "archive/archivekind.h"
#include "archive/libarchivereader.h"
#include "archive/ops/compression.h"
#include "archive/ui/tform10.h"
#include "archive/ui/tform12.h"
#include "platform/drivemap.h"

namespace dovex {

namespace {

QStringList leftFiles(const std::optional<CompressionOutcome>& outcome)
{
    if (!outcome || outcome->listFile.isEmpty())
        return {};
    return {outcome->listFile};
}

// The directory a panel stands for as a target: while it browses an
// archive, the directory that holds the archive (the archive file itself is
// no directory to write into).
QString targetDirectoryOf(const FilePanel& panel)
{
    return panel.inArchive ? dospath::directoryPart(panel.archiveFile) : panel.path;
}

} // namespace

CompressionTools::CompressionTools(QWidget* parent, Prompter& prompter)
    : m_parent(parent), m_prompter(prompter)
{
}

CompressionTools::~CompressionTools() = default;

TForm12& CompressionTools::progressWindow()
{
    if (!m_progress)
        m_progress = new TForm12(m_parent);
    return *m_progress;
}

TForm10& CompressionTools::dialog()
{
    if (!m_dialog)
        m_dialog = new TForm10(m_prompter, progressWindow(), m_parent);
    return *m_dialog;
}

QStringList CompressionTools::compress(const FilePanel& active, int cursor, const FilePanel& other)
{
    if (active.inArchive)
        return {};
    return leftFiles(
        dialog().Update(active.entries, cursor, active.path, targetDirectoryOf(other)));
}

QStringList CompressionTools::decompress(const QString& archivePath, const QString& otherDirectory)
{
    return leftFiles(dialog().Decompress(archivePath, otherDirectory));
}

QStringList CompressionTools::decompressEntry(const FilePanel& active, int cursor,
                                              const FilePanel& other)
{
    if (active.inArchive || cursor < 0 || cursor >= int(active.entries.size()))
        return {};
    const PanelEntry& entry = active.entries[size_t(cursor)];
    if (entry.directory)
        return {};
    if (!isCompressedEntry(active.path, entry.name))
        return {};
    return decompress(dospath::join(active.path, entry.name), targetDirectoryOf(other));
}

bool CompressionTools::isCompressedEntry(const QString& directory, const QString& name)
{
    return isCompressedFile(name) ||
           isLibarchiveKind(DetectArchiveKind(dospath::join(directory, name)));
}

bool CompressionTools::isCompressedFile(const QString& name)
{
    return IsCompressedFile(name, dialog().tools());
}

void CompressionTools::seekTools()
{
    dialog().BitBtn3Click();
}

} // namespace dovex
