// dovex-cli shortcut SOURCE DESTDIR: writes the shortcut Create Link
// Shortcut writes for SOURCE (a file or directory) into DESTDIR and prints
// the shortcut's path; one already there is replaced only as the options say.
// dovex-cli buttons: one line per defined custom button slot, its number and
// its left position on the bar, tab-separated.
#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "launch/custombuttons.h"
#include "launch/shortcuts.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/settingsfile.h"

namespace dovex::cli {

namespace {

int runShortcut(QStringList args)
{
    PolicyPrompter prompter;
    if (const std::optional<QString> wrong = takePolicies(args, prompter))
        return fail(*wrong);
    if (args.size() != 2)
        return fail(QStringLiteral("shortcut takes SOURCE and DESTDIR"));
    const std::optional<QString> source = dospath::normalize(args[0]);
    const std::optional<QString> dest = dospath::normalize(args[1]);
    if (!source || !DriveMap::instance().toHost(*source))
        return fail(QStringLiteral("%1 is not a path on a drive").arg(args[0]));
    if (!dest || !fileio::status(*dest, true).directory)
        return fail(QStringLiteral("%1 is not a directory").arg(args[1]));
    if (dospath::isRoot(*source))
        return fail(QStringLiteral("%1 is a drive's root").arg(*source));
    TShellLink link; // as the main window's instance starts
    const CreatedLink made = createLinkShortcut(link, dospath::directoryPart(*source),
                                                dospath::fileName(*source), *dest, prompter);
    if (!made.result)
        return fail(made.result.error());
    if (made.kept)
        return unfinished(QStringLiteral("the shortcut there is kept; nothing was written"));
    if (made.linkPath.isEmpty())
        return fail(QStringLiteral("%1 is neither a file nor a directory").arg(*source));
    out(made.linkPath);
    return 0;
}

int runButtons(const QStringList& args)
{
    if (!args.isEmpty())
        return fail(QStringLiteral("buttons takes no arguments"));
    try {
        const ButtonSlots buttons = readButtons(false);
        const ButtonLayout layout = layoutButtons(buttons);
        for (int j = 1; j <= kButtonSlots; ++j)
            if (buttons[j - 1].defined)
                out(QString::number(j) + '\t' + QString::number(layout.left[j - 1]));
    } catch (const SettingsWriteError& e) {
        return fail(QString::fromUtf8(e.what()));
    }
    return 0;
}

const CliCommand shortcutCommand(
    "shortcut",
    "shortcut SOURCE DESTDIR [--overwrite=ask|all|none] [--protected=ask|all|none]\n"
    "      an existing shortcut of that name is replaced only as --overwrite says, a\n"
    "      hidden, system or read-only one only as --protected also says (both none\n"
    "      when not given)",
    runShortcut);
const CliCommand buttonsCommand("buttons", "buttons", runButtons);

} // namespace

} // namespace dovex::cli
