// dovex-cli list PATH [--sort N] [--filter MASK]: the panel's rows.
#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "panels/panelreader.h"
#include "platform/dosattr.h"

namespace dovex::cli {

namespace {

QString attributeLetters(const PanelEntry& e)
{
    QString s;
    s += e.attributes & faReadOnly ? 'R' : '_';
    s += e.attributes & faHidden ? 'H' : '_';
    s += e.attributes & faSysFile ? 'S' : '_';
    s += e.directory ? 'D' : (e.attributes & faArchive ? 'A' : '_');
    return s;
}

int runList(QStringList args)
{
    FilePanel panel;
    if (const auto sort = takeOption(args, QStringLiteral("sort"))) {
        bool ok = false;
        panel.sortMethod = sort->toInt(&ok);
        if (!ok || panel.sortMethod < 0 || panel.sortMethod > 4)
            return fail(QStringLiteral("--sort takes 0 to 4, not %1").arg(*sort));
    }
    if (const auto filter = takeOption(args, QStringLiteral("filter")))
        panel.filterMask = *filter;
    if (args.size() != 1)
        return fail(QStringLiteral("list takes one path"));
    panel.path = args.first();
    while (panel.path.size() > 3 && panel.path.endsWith('\\'))
        panel.path.chop(1);
    if (panel.path.size() == 2 && panel.path[1] == ':')
        panel.path += '\\';
    if (!isExistingDirectory(panel.path))
        return fail(QStringLiteral("cannot list %1: no such directory").arg(panel.path));

    CliPrompter prompter;
    bool inArchive = false;
    RefreshBest(panel.entries, kPanelCapacity, panel.sortMethod, inArchive, panel.filterMask,
                QString(), QString(), panel.path, prompter);
    out(panel.path);
    QString row;
    for (const PanelEntry& e : panel.entries) {
        row = e.name;
        row += '\t';
        row += QString::number(e.size);
        row += '\t';
        row += attributeLetters(e);
        row += '\t';
        row += isoDateTime(e.dosDateTime);
        out(row);
    }
    return 0;
}

const CliCommand listCommand("list", "list PATH [--sort N] [--filter MASK]", runList);

} // namespace

} // namespace dovex::cli
