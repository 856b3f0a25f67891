// dovex-cli compare DIR1 DIR2, size PATH... and attrib PATH... : Compare
// Directories, Calculate Size and File Properties without the windows.
#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "archive/archivekind.h"
#include "archive/archivereaders.h"
#include "archive/ops/archivesize.h"
#include "fileops/attributes.h"
#include "fileops/comparesize.h"
#include "fileops/operationstate.h"
#include "panels/panelreader.h"
#include "platform/dosattr.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"
#include "platform/progresssink.h"

#include <unistd.h>

namespace dovex::cli {

namespace {

// A directory as its panel lists it; nullopt when it cannot be listed.
std::optional<FilePanel> readDirectory(const QString& arg, Prompter& prompter, QString& error)
{
    const QString path = onDrive(arg);
    if (path.isEmpty()) {
        error = QStringLiteral("%1 is not a path on a drive").arg(escapedField(arg));
        return std::nullopt;
    }
    if (!isExistingDirectory(path)) {
        error = QStringLiteral("cannot list %1: no such directory").arg(escapedField(path));
        return std::nullopt;
    }
    const QByteArray host = hostname::encode(*DriveMap::instance().toHost(path));
    if (::access(host.constData(), R_OK | X_OK) != 0) {
        error = QStringLiteral("cannot list %1: permission denied").arg(escapedField(path));
        return std::nullopt;
    }
    FilePanel panel;
    panel.path = path;
    bool inArchive = false;
    RefreshBest(panel.entries, kPanelCapacity, panel.sortMethod, inArchive, panel.filterMask,
                QString(), QString(), panel.path, prompter);
    return panel;
}

int runCompare(QStringList args)
{
    if (args.size() != 2)
        return fail(QStringLiteral("compare takes two directories"));
    CliPrompter prompter;
    QString error;
    auto left = readDirectory(args[0], prompter, error);
    if (!left)
        return fail(error);
    auto right = readDirectory(args[1], prompter, error);
    if (!right)
        return fail(error);
    const CompareCount count = CompareDirs(left->entries, int(left->entries.size()), right->entries,
                                           int(right->entries.size()));
    for (const PanelEntry& e : left->entries)
        if (e.selected)
            out(QStringLiteral("L\t") + escapedField(e.name));
    for (const PanelEntry& e : right->entries)
        if (e.selected)
            out(QStringLiteral("R\t") + escapedField(e.name));
    if (count.total() == 0)
        out(kCompareIdentical);
    return 0;
}

void printSize(const Totals& totals)
{
    for (const QString& line : CalculateSizeText(totals).split('\r'))
        out(line);
}

// size --archive FILE [INNER\DIR] [NAME...]: the named entries of the level
// (all of them without names), subdirectories included.
int runArchiveSize(QStringList args)
{
    if (args.isEmpty())
        return fail(QStringLiteral("size --archive takes an archive file"));
    const QString file = onDrive(args.takeFirst());
    const FileStatus st = file.isEmpty() ? FileStatus{} : fileio::status(file, true);
    if (!st.exists || !st.regular)
        return fail(QStringLiteral("cannot read %1: no such file").arg(escapedField(file)));
    const QChar kind = DetectArchiveKind(file);
    if (kind == QChar(kKindNone))
        return fail(QStringLiteral("%1 is not an archive of a known kind").arg(escapedField(file)));
    const QString inner = innerDirectoryArgument(args.isEmpty() ? QString() : args.takeFirst());
    InitArchiveReaders();
    FilePanel panel;
    panel.path = panel.archiveFile = file;
    panel.archiveKind = kind;
    panel.inArchive = true;
    panel.innerDirectory = inner;
    CliPrompter prompter;
    RefreshBest(panel.entries, kPanelCapacity, panel.sortMethod, panel.inArchive, panel.filterMask,
                panel.archiveFile, panel.innerDirectory, panel.path, prompter);
    for (const QString& name : args) {
        bool found = false;
        for (PanelEntry& e : panel.entries)
            if (e.name == name) {
                e.selected = found = true;
            }
        if (!found)
            return fail(
                QStringLiteral("%1 holds no %2").arg(escapedField(file), escapedField(name)));
    }
    if (args.isEmpty())
        for (PanelEntry& e : panel.entries)
            e.selected = e.name != QLatin1String("..");
    printSize(
        CalculateArchiveSizeTotals(file, inner, panel.entries, int(panel.entries.size()), -1));
    if (archiveReaders().lastReadDamaged())
        return fail(QStringLiteral("%1 is damaged; only the members before the damage are counted")
                        .arg(escapedField(file)));
    return 0;
}

// Every path the arguments name (wildcards expanded), checked before anything
// is done; the first failure's message otherwise.
std::optional<QStringList> pathsOf(const QStringList& args, QString& error)
{
    QStringList paths;
    for (const QString& arg : args) {
        const QString path = onDrive(arg);
        if (path.isEmpty()) {
            error = QStringLiteral("%1 is not a path on a drive").arg(escapedField(arg));
            return std::nullopt;
        }
        const auto found = expandSource(path);
        if (!found || found->isEmpty()) {
            error = QStringLiteral("cannot find %1").arg(escapedField(path));
            return std::nullopt;
        }
        for (const QString& p : *found) {
            if (!fileio::status(p).exists) {
                error = QStringLiteral("cannot find %1").arg(escapedField(p));
                return std::nullopt;
            }
            paths << p;
        }
    }
    return paths;
}

int runSize(QStringList args)
{
    if (args.removeAll(QStringLiteral("--archive")) > 0)
        return runArchiveSize(args);
    if (args.isEmpty())
        return fail(QStringLiteral("size takes one or more paths"));
    QString error;
    const auto paths = pathsOf(args, error);
    if (!paths)
        return fail(error);
    Totals totals;
    for (const QString& path : *paths) {
        const FileStatus st = fileio::status(path);
        if (!st.directory) {
            totals.bytes += st.size;
            totals.files += 1;
            continue;
        }
        const Totals t = DirectoryTotals(path);
        totals.bytes += t.bytes;
        totals.files += t.files;
        if (t.unreadable && !totals.unreadable) {
            totals.firstUnreadable = t.firstUnreadable;
            totals.error = t.error;
        }
        totals.unreadable += t.unreadable;
    }
    printSize(totals);
    if (totals.unreadable == 0)
        return 0;
    QString more;
    if (totals.unreadable > 1)
        more = QStringLiteral(" and %1 more directories").arg(totals.unreadable - 1);
    return unfinished(
        QStringLiteral("cannot read %1 (%2)%3: the total leaves them out")
            .arg(escapedField(totals.firstUnreadable), errorText(totals.error), more));
}

QString letters(std::uint32_t a)
{
    QString s;
    s += a & faReadOnly ? 'R' : '_';
    s += a & faHidden ? 'H' : '_';
    s += a & faSysFile ? 'S' : '_';
    s += a & faArchive ? 'A' : '_';
    return s;
}

int runAttrib(QStringList args)
{
    AttributeRequest request;
    TriState boxes[4] = {TriState::Keep, TriState::Keep, TriState::Keep, TriState::Keep};
    const QString order = QStringLiteral("SHRA"); // system, hidden, read-only, archive
    if (const auto date = takeOption(args, QStringLiteral("date"))) {
        const auto packed = ParseFixedDateTime(*date);
        if (!packed)
            return fail(InvalidDateTimeText(*date));
        request.setTime = true;
        request.fileDate = *packed;
    }
    request.includeSubdirs = args.removeAll(QStringLiteral("--subdirs")) > 0;
    QStringList rest;
    for (const QString& arg : args) {
        if (arg.size() == 2 && (arg[0] == '+' || arg[0] == '-') &&
            order.contains(arg[1].toUpper())) {
            boxes[order.indexOf(arg[1].toUpper())] =
                arg[0] == '+' ? TriState::Set : TriState::Clear;
            continue;
        }
        rest << arg;
    }
    if (rest.isEmpty())
        return fail(QStringLiteral("attrib takes one or more paths"));
    SetMasksFrom(request, boxes[0], boxes[1], boxes[2], boxes[3]);
    QString error;
    const auto paths = pathsOf(rest, error);
    if (!paths)
        return fail(error);

    CliPrompter prompter;
    SilentSink sink;
    OperationState state(prompter, sink);
    state.byteMode = false;
    state.progressWord = QStringLiteral("Changed");
    int failures = 0;
    const auto failed = [&failures](const QString& path, int error) {
        ++failures;
        fail(QStringLiteral("cannot change %1: %2").arg(escapedField(path), errorText(error)));
    };
    for (const QString& path : *paths) {
        const FileStatus st = fileio::status(path);
        if (st.directory) {
            // The directory itself never changes; its files only with --subdirs.
            if (request.includeSubdirs)
                AttributeTree(state, path, request, failed);
            continue;
        }
        const AppliedAttributes done = ApplyAttributes(state, path, request);
        out(escapedField(path) + '\t' + letters(done.attributes));
        if (done.error)
            failed(path, done.error);
    }
    return failures == 0 ? 0 : 1;
}

const CliCommand compareCommand(
    "compare",
    "compare DIR1 DIR2\n"
    "      the entries Compare Directories marks: L<tab>NAME for the first,\n"
    "      R<tab>NAME for the second; the identical-directories message when none",
    runCompare);

const CliCommand sizeCommand(
    "size",
    "size PATH...  |  size --archive FILE [INNER\\DIR] [NAME...]\n"
    "      the Calculate Size message (its two lines): directories with every file\n"
    "      below them; in an archive the named entries of the level, all without names",
    runSize);

const CliCommand attribCommand(
    "attrib",
    "attrib PATH... [+R|-R] [+H|-H] [+S|-S] [+A|-A] [--date 'DD/MM/YY HH:MM:SS'] [--subdirs]\n"
    "      File Properties: a bit not named stays as each file has it; directories\n"
    "      change only the files below them, with --subdirs; prints each named\n"
    "      file's path and its attributes (RHSA, _ for a clear bit)",
    runAttrib);

} // namespace

} // namespace dovex::cli
