// dovex-cli list PATH [--sort N] [--filter MASK] [--view full [--types]] [--select MASK]:
// the panel's rows.
//
// Columns, tab-separated, after a first line with the path:
//   default view:      name, size in bytes, attribute letters (R/H/S/A or D,
//                      "_" for a clear bit), YYYY-MM-DD HH:MM:SS
//   --view full:       name, the size column as the Full view writes it
//                      (SizeText, "[SUB-DIR]" or "[UP--DIR]", without the left
//                      padding), AttrText, DateTimeText
//   --view full --types: name, the size column, the type text as the row
//                      writes it (with its leading blank: " " + description,
//                      " " + EXT + "-File", or " " + the folder type text)
// Names are printed as their bytes (see escapedField for the escapes).
// With --select MASK the entries MaskMatches passes are marked, directories
// included (".." never is); a marked row ends in one more field "*", and the
// selection line under the panel follows the rows as the last line (with
// nothing marked it shows the first row, where the cursor of a freshly read
// panel stands).
#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "panels/filetypetable.h"
#include "panels/panelreader.h"
#include "panels/rowtexts.h"
#include "panels/selection.h"
#include "panels/textformat.h"
#include "platform/dosattr.h"
#include "platform/drivemap.h"
#include "platform/hostfile.h"
#include "platform/hostname.h"
#include "platform/locations.h"

#include <unistd.h>

namespace dovex::cli {

namespace {

struct ListOptions {
    bool full = false;
    bool types = false;
    std::optional<QString> select;
};

QString attributeLetters(const PanelEntry& e)
{
    QString s;
    s += e.attributes & faReadOnly ? 'R' : '_';
    s += e.attributes & faHidden ? 'H' : '_';
    s += e.attributes & faSysFile ? 'S' : '_';
    s += e.directory ? 'D' : (e.attributes & faArchive ? 'A' : '_');
    return s;
}

QString plainRow(const PanelEntry& e)
{
    return escapedField(e.name) + '\t' + QString::number(e.size) + '\t' + attributeLetters(e) +
           '\t' + isoDateTime(e.dosDateTime);
}

QString withoutLeftPadding(QString text)
{
    int blanks = 0;
    while (blanks < text.size() && text[blanks] == ' ')
        ++blanks;
    return text.mid(blanks);
}

QString fullRow(const PanelEntry& e, const ListOptions& options, const FileTypeTable* types,
                const QString& folderTypeText)
{
    const RowTexts t = RowTexts::of(e, options.types ? RowDetail::FileType : RowDetail::Attributes,
                                    types, folderTypeText);
    QString row = escapedField(e.name) + '\t' + withoutLeftPadding(t.size) + '\t' + t.detail;
    if (!options.types)
        row += '\t' + t.date;
    return row;
}

// The table the window builds at start: the program directory's cache when
// it holds whole records, else the MIME database. The cache is only read
// here; writing it is the window's business.
void loadTypes(FileTypeTable& types)
{
    const QString cache = programDirectory() + QLatin1Char('/') + FileTypeTable::fileName();
    if (!hostfile::isFile(cache) || !types.load(cache))
        types.buildFromMimeDatabase();
}

std::optional<QString> parseOptions(QStringList& args, FilePanel& panel, ListOptions& options)
{
    if (const auto sort = takeOption(args, QStringLiteral("sort"))) {
        bool ok = false;
        panel.sortMethod = sort->toInt(&ok);
        if (!ok || panel.sortMethod < 0 || panel.sortMethod > 4)
            return QStringLiteral("--sort takes 0 to 4, not %1").arg(*sort);
    }
    if (const auto filter = takeOption(args, QStringLiteral("filter")))
        panel.filterMask = *filter;
    if (const auto view = takeOption(args, QStringLiteral("view"))) {
        if (*view != QLatin1String("full"))
            return QStringLiteral("--view takes full, not %1").arg(*view);
        options.full = true;
    }
    options.types = args.removeAll(QStringLiteral("--types")) > 0;
    if (options.types && !options.full)
        return QStringLiteral("--types needs --view full");
    options.select = takeOption(args, QStringLiteral("select"));
    if (args.size() != 1)
        return QStringLiteral("list takes one path");
    return std::nullopt;
}

// Why the directory cannot be listed, or nullopt when it can.
std::optional<QString> unlistable(const QString& path)
{
    // A network drive whose server stopped answering: said within the
    // network time limit, not after the server's own time-outs.
    const QChar letter = path[0];
    if (DriveMap::instance().isNetworkDrive(letter) && !DriveMap::instance().space(letter))
        return QStringLiteral("Drive %1 not ready").arg(letter.toLower());
    if (!isExistingDirectory(path))
        return QStringLiteral("cannot list %1: no such directory").arg(path);
    // A directory the search cannot open would read as an empty panel.
    const QByteArray host = hostname::encode(*DriveMap::instance().toHost(path));
    if (::access(host.constData(), R_OK | X_OK) != 0)
        return QStringLiteral("cannot list %1: permission denied").arg(path);
    return std::nullopt;
}

int runList(QStringList args)
{
    FilePanel panel;
    ListOptions options;
    if (const auto error = parseOptions(args, panel, options))
        return fail(*error);
    const std::optional<QString> normal = dospath::normalize(args.first());
    if (!normal)
        return fail(QStringLiteral("%1 is not a path on a drive").arg(args.first()));
    panel.path = *normal;
    if (const auto error = unlistable(panel.path))
        return fail(*error);

    CliPrompter prompter;
    bool inArchive = false;
    RefreshBest(panel.entries, kPanelCapacity, panel.sortMethod, inArchive, panel.filterMask,
                QString(), QString(), panel.path, prompter);
    if (options.select)
        MaskonEnter(panel.entries, *options.select, SelectMode::Mark);

    FileTypeTable types;
    if (options.types || options.select)
        loadTypes(types);
    const QString folderTypeText = options.types ? FileTypeTable::folderTypeText() : QString();

    out(panel.path);
    for (const PanelEntry& e : panel.entries) {
        QString row = options.full ? fullRow(e, options, &types, folderTypeText) : plainRow(e);
        if (e.selected)
            row += QStringLiteral("\t*");
        out(row);
    }
    if (options.select) {
        if (const auto line = SelectionLineText(panel, 0, &types))
            out(*line);
    }
    return 0;
}

const CliCommand listCommand(
    "list",
    "list PATH [--sort N] [--filter MASK] [--view full [--types]] [--select MASK]\n"
    "      --view full: the Full view's texts; sizes without their left padding\n"
    "      names are printed as their bytes, with tab, line feed, carriage return and\n"
    "      backslash written \\t \\n \\r \\\\ and other control characters \\xHH;\n"
    "      on the command line a backslash inside a name is written as U+F05C",
    runList);

} // namespace

} // namespace dovex::cli
