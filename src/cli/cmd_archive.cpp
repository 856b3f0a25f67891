// dovex-cli archive FILE [INNER\DIR] [--filter MASK]: one level of an archive
// as the panel lists it.
#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "archive/archivekind.h"
#include "archive/archivereaders.h"
#include "panels/panelreader.h"
#include "platform/drivemap.h"

#include <QFileInfo>

namespace dovex::cli {

namespace {

// A drive-letter path as given, or the drive-letter form of a host path.
std::optional<QString> archivePathOf(const QString& arg)
{
    if (DriveMap::instance().toHost(arg))
        return arg;
    const QFileInfo info(arg);
    if (!info.exists())
        return std::nullopt;
    return DriveMap::instance().toDos(info.absoluteFilePath());
}

QString row(const PanelEntry& e)
{
    QString line = e.name;
    line += '\t';
    line += e.directory ? 'D' : 'F';
    line += '\t';
    line += QString::number(e.size);
    line += '\t';
    line += isoDateTime(e.dosDateTime);
    line += '\t';
    line += e.archivePath;
    return line;
}

int runArchive(QStringList args)
{
    FilePanel panel;
    if (const auto filter = takeOption(args, QStringLiteral("filter")))
        panel.filterMask = *filter;
    if (args.isEmpty() || args.size() > 2)
        return fail(QStringLiteral("archive takes a file and an optional directory inside it"));
    const std::optional<QString> file = archivePathOf(args[0]);
    if (!file || !isExistingFile(*file))
        return fail(QStringLiteral("cannot read %1: no such file").arg(args[0]));
    const QChar kind = DetectArchiveKind(*file);
    if (kind == QChar(kKindNone))
        return fail(QStringLiteral("%1 is not an archive of a known kind").arg(args[0]));
    QString inner = args.size() > 1 ? args[1] : QString();
    inner.replace('/', '\\');
    while (inner.startsWith('\\'))
        inner.remove(0, 1);
    while (inner.endsWith('\\'))
        inner.chop(1);

    InitArchiveReaders();
    panel.path = *file;
    panel.archiveFile = *file;
    panel.archiveKind = kind;
    panel.inArchive = true;
    panel.innerDirectory = inner;
    CliPrompter prompter;
    RefreshBest(panel.entries, kPanelCapacity, panel.sortMethod, panel.inArchive,
                panel.filterMask, panel.archiveFile, panel.innerDirectory, panel.path, prompter);

    const ArchiveReaders& readers = archiveReaders();
    if (!inner.isEmpty()) {
        const QString prefix = inner + '\\';
        bool found = false;
        for (const ArchiveRecord& r : readers.records())
            found = found || r.path.startsWith(prefix);
        if (!found)
            return fail(QStringLiteral("%1 holds no directory %2").arg(args[0], inner));
    }
    out(ArchiveKindTag(kind));
    for (const PanelEntry& e : panel.entries)
        out(row(e));
    if (readers.lastReadDamaged())
        return fail(QStringLiteral("%1 is damaged; only the members before the damage are listed")
                        .arg(args[0]));
    return 0;
}

const CliCommand archiveCommand("archive", "archive FILE [INNER\\DIR] [--filter MASK]",
                                runArchive);

} // namespace

} // namespace dovex::cli
