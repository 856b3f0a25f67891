// dovex-cli archive FILE [INNER\DIR] [--filter MASK]: one level of an archive
// as the panel lists it.
#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "archive/archivekind.h"
#include "archive/archivereaders.h"
#include "panels/panelreader.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"

#include <QDir>

namespace dovex::cli {

namespace {

// A drive-letter path as given, or the drive-letter form of a host path.
std::optional<QString> archivePathOf(const QString& arg)
{
    if (DriveMap::instance().toHost(arg))
        return arg;
    const QString absolute = QDir::isAbsolutePath(arg) ? arg : QDir::currentPath() + '/' + arg;
    return DriveMap::instance().toDos(QDir::cleanPath(absolute));
}

QString row(const PanelEntry& e)
{
    QString line = escapedField(e.name);
    line += '\t';
    line += e.directory ? 'D' : e.link ? 'L' : 'F';
    line += '\t';
    line += QString::number(e.size);
    line += '\t';
    line += isoDateTime(e.dosDateTime);
    line += '\t';
    line += escapedField(e.archivePath);
    return line;
}

// Why the file cannot be listed, or nothing when it can.
std::optional<QString> unreadable(const std::optional<QString>& file, const QString& arg)
{
    const QString shown = escapedField(arg);
    if (!file)
        return QStringLiteral("cannot read %1: no such file").arg(shown);
    // Only a regular file is opened: a FIFO or a device could block.
    const FileStatus status = fileio::status(*file, true);
    if (!status.exists)
        return QStringLiteral("cannot read %1: no such file").arg(shown);
    if (!status.regular)
        return QStringLiteral("cannot read %1: not a regular file").arg(shown);
    return std::nullopt;
}

int runArchive(QStringList args)
{
    FilePanel panel;
    if (const auto filter = takeOption(args, QStringLiteral("filter")))
        panel.filterMask = *filter;
    if (args.isEmpty() || args.size() > 2)
        return fail(QStringLiteral("archive takes a file and an optional directory inside it"));
    const std::optional<QString> file = archivePathOf(args[0]);
    if (const auto error = unreadable(file, args[0]))
        return fail(*error);
    const QString shown = escapedField(args[0]);
    const QChar kind = DetectArchiveKind(*file);
    if (kind == QChar(kKindNone))
        return fail(QStringLiteral("%1 is not an archive of a known kind").arg(shown));
    const QString inner = innerDirectoryArgument(args.size() > 1 ? args[1] : QString());

    InitArchiveReaders();
    panel.path = *file;
    panel.archiveFile = *file;
    panel.archiveKind = kind;
    panel.inArchive = true;
    panel.innerDirectory = inner;
    CliPrompter prompter;
    RefreshBest(panel.entries, kPanelCapacity, panel.sortMethod, panel.inArchive, panel.filterMask,
                panel.archiveFile, panel.innerDirectory, panel.path, prompter);

    const ArchiveReaders& readers = archiveReaders();
    if (!inner.isEmpty()) {
        const QString prefix = inner + '\\';
        bool found = false;
        for (const ArchiveRecord& r : readers.records())
            found = found || r.path.startsWith(prefix);
        if (!found)
            return fail(QStringLiteral("%1 holds no directory %2").arg(shown, escapedField(inner)));
    }
    out(ArchiveKindTag(kind));
    for (const PanelEntry& e : panel.entries)
        out(row(e));
    if (readers.lastReadEncrypted())
        return fail(QStringLiteral("%1 has encrypted headers; its members cannot be listed "
                                   "without the password")
                        .arg(shown));
    if (readers.lastReadDamaged())
        return fail(QStringLiteral("%1 is damaged; only the members before the damage are listed")
                        .arg(shown));
    if (readers.lastReadTooLarge())
        return fail(QStringLiteral("%1 holds more members than can be listed; only the first "
                                   "%2 are listed")
                        .arg(shown)
                        .arg(readers.records().size()));
    return 0;
}

const CliCommand archiveCommand(
    "archive",
    "archive FILE [INNER\\DIR] [--filter MASK]\n"
    "      the kind tag, then one row per entry of the level:\n"
    "      NAME<tab>D|F|L<tab>SIZE<tab>YYYY-MM-DD HH:MM:SS<tab>PATH IN ARCHIVE\n"
    "      (L: a symbolic link, a file of its level);\n"
    "      (in NAME and PATH a tab, line feed, carriage return or backslash is\n"
    "      written \\t, \\n, \\r or \\\\, so the separators of PATH read \\\\;\n"
    "      other control characters \\xHH, U+0085, U+2028 and U+2029 \\uHHHH);\n"
    "      exit 2 when the archive is damaged or cut short (the members before\n"
    "      the damage are listed) or its headers are encrypted",
    runArchive);

} // namespace

} // namespace dovex::cli
