// dovex-cli tree DRIVE: the directory tree of a drive as the left panel's
// tree view reads it, one full drive-letter path a line in the tree's order
// (each directory followed by its own subdirectories, siblings sorted by
// name). The names in each path are escaped as escapedField writes them, so
// the backslashes left are the separators.
#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "panels/dirtree.h"
#include "platform/drivemap.h"

namespace dovex::cli {

namespace {

QString escapedPath(const QString& path)
{
    const QStringList parts = path.split('\\');
    QString text = parts.first();
    for (qsizetype i = 1; i < parts.size(); ++i)
        text += '\\' + escapedField(parts[i]);
    return text;
}

int runTree(const QStringList& args)
{
    if (args.size() != 1)
        return fail(QStringLiteral("tree takes one argument, the drive (C, C: or C:\\)"));
    const QString& a = args.first();
    const bool drivePath =
        !a.isEmpty() && a[0].isLetter() && a[0].unicode() < 128 &&
        (a.size() == 1 || a.mid(1) == QLatin1String(":") || a.mid(1) == QLatin1String(":\\"));
    if (!drivePath)
        return fail(QStringLiteral("not a drive: ") + a);
    const QChar letter = a[0].toUpper();
    if (!DriveMap::instance().rootOf(letter))
        return fail(QStringLiteral("no such drive: ") + letter);
    const DirectoryTree tree = ReadDirectoryTree(letter);
    if (!tree.rootReadable)
        return fail(QStringLiteral("cannot read the root of drive ") + letter);
    for (const TreeDirectory& d : tree.directories)
        out(escapedPath(d.path));
    return 0;
}

} // namespace

const CliCommand treeCommand(
    "tree",
    "tree DRIVE\n"
    "      the directory tree of a drive as the tree view shows it: one full path\n"
    "      a line, each directory followed by its subdirectories, siblings sorted\n"
    "      by name; links to directories and other volumes are listed, not entered",
    runTree);

} // namespace dovex::cli
