#include "archive/toolprofiles.h"

#include "archive/archivekind.h"
#include "archive/archivereaders.h"
#include "archive/filesource.h"
#include "platform/directory.h"
#include "platform/drivemap.h"
#include "platform/hostname.h"

namespace dovex::archive {

namespace {

using C = NameClass;
using P = Passing;

QStringList withoutSwitch(QStringList switches, const QString& name)
{
    switches.removeIf([&](const QString& s) { return s.compare(name, Qt::CaseInsensitive) == 0; });
    return switches;
}

QString command(const ArchiverCommand& c)
{
    return c.switches.isEmpty() ? QString() : c.switches.first().toLower();
}

QString joinRelative(const QString& dir, const QString& name)
{
    return dir.isEmpty() ? name : dir + QLatin1Char('/') + name;
}

// Every entry of a directory (given by its drive-letter path), relative to
// the working directory; directories too when the tool recurses into them
// itself, or their files one by one when deep (for tools that are given
// every file by name). Nothing is a pattern: names come from the disk. A
// FIFO, socket or device is no file to archive and never named.
void expand(const QString& dosDir, const QString& relDir, bool withDirs, bool deep,
            QStringList& out)
{
    Directory dir;
    if (!dir.open(dosDir))
        return;
    const auto items = dir.list(false);
    if (!items)
        return;
    for (const DirItem& item : *items) {
        const QString rel = joinRelative(relDir, item.name);
        if (item.directory) {
            if (withDirs)
                out << rel;
            else if (deep)
                expand(dospath::join(dosDir, item.name), rel, false, true, out);
        } else if (item.regular || item.symlink) {
            out << rel;
        }
    }
}

// The names a tool is given for the file items: a directory item ("dir\*.*")
// as the directory itself or as all its files, "*.*" as the entries there.
QStringList fileNames(const ToolContext& c, bool withDirs, bool deepAll)
{
    QStringList out;
    for (const ToolItem& item : c.items) {
        if (!item.all) {
            out << item.relative;
            continue;
        }
        const bool atWork = item.host == c.workingDirectory;
        const QString rel = atWork ? QString() : item.relative;
        if (atWork || !withDirs)
            expand(item.dosPath, rel, withDirs, deepAll || !atWork, out);
        else
            out << rel;
    }
    return out;
}

// Each file by name, the files of a directory item too (below it as well
// when deep): for tools that read a plain name as a pattern in every
// subdirectory once they recurse.
QStringList everyFile(const ToolContext& c, bool deep)
{
    QStringList out;
    for (const ToolItem& item : c.items) {
        if (!item.all)
            out << item.relative;
        else
            expand(item.dosPath, item.host == c.workingDirectory ? QString() : item.relative, false,
                   deep, out);
    }
    return out;
}

// Names through a tool's table; empty with plan.error set at the first
// refused one, which stops the command before anything ran.
QStringList passNames(const NameRules& rules, const char* tool, const QStringList& names,
                      bool member, ToolPlan& plan)
{
    QStringList out;
    for (const QString& n : names) {
        const PassedName p = passName(rules, n, member);
        if (!p.refusal.isEmpty()) {
            plan.error = refusalMessage(n, QLatin1String(tool), p.refusal);
            return {};
        }
        out << p.text;
    }
    return out;
}

// Member items through a tool's table; a whole directory ("dir\*.*") as
// its passed name and the tool's pattern for everything below it.
QStringList memberNames(const ToolContext& c, const NameRules& rules, const char* tool,
                        const QString& allPattern, ToolPlan& plan)
{
    QStringList out;
    for (const ToolItem& item : c.items) {
        QString name;
        if (!item.host.isEmpty()) {
            const PassedName p = passName(rules, item.host, true);
            if (!p.refusal.isEmpty()) {
                plan.error = refusalMessage(item.host, QLatin1String(tool), p.refusal);
                return {};
            }
            name = p.text;
        }
        out << (item.all ? joinRelative(name, allPattern) : name);
    }
    return out;
}

// A list file holds one name per line; a name with a line break in it
// cannot be told that way and stops the command rather than name another file.
QByteArray listText(const QStringList& names, ToolPlan& plan)
{
    QByteArray text;
    for (const QString& n : names) {
        if (n.contains(QLatin1Char('\n')) || n.contains(QLatin1Char('\r'))) {
            plan.error = kLineBreakInName.arg(n);
            return {};
        }
        text += hostname::encode(n) + '\n';
    }
    return text;
}

// The password of a tool that asks for it on its terminal: the step runs
// there. False (plan.error set) when it cannot be typed.
bool passwordOnTerminal(const ToolContext& c, ToolStep& step, ToolPlan& plan)
{
    const QString& password = c.command->password;
    if (password.isNull())
        return true;
    if (!typeablePassword(password)) {
        plan.error = kPasswordNotTypeable;
        return false;
    }
    step.passwordOnTerminal = true;
    return true;
}

// A tool that can be told a password only on its command line is never
// told one: the command stops instead.
bool noPassword(const ToolContext& c, const char* tool, ToolPlan& plan)
{
    if (c.command->password.isNull())
        return true;
    plan.error = kPasswordRefused.arg(QLatin1String(tool));
    return false;
}

// An archiver told to add or delete and given no name takes every file or
// member ("arj a x.arj" adds the whole directory): such a command does
// nothing instead, as it was asked. Extracting names none for all.
bool namesNothing(const ToolContext& c, const QStringList& names)
{
    const QString verb = command(*c.command);
    return names.isEmpty() &&
           (verb.startsWith(QLatin1Char('a')) || verb.startsWith(QLatin1Char('m')) ||
            verb.startsWith(QLatin1Char('d')));
}

QString asDirectory(const QString& host)
{
    return host.endsWith(QLatin1Char('/')) ? host : host + QLatin1Char('/');
}

// arj, as installed: list lines are patterns, trimmed of the blanks at
// both ends; "[c]" is c alone, so every name can be made exact.
constexpr NameRules kArjNames = {{
    {C::EdgeBlank, P::Bracketed, P::Bracketed, "\" a.txt\" took a.txt", ""},
    {C::OpenBracket, P::Bracketed, P::Bracketed, "\"[ab]\" took a and b", ""},
    {C::CloseBracket, P::Literal, P::Literal, "\"x]y\" is itself", ""},
    {C::Star, P::Bracketed, P::Bracketed, "\"st*r\" took stxr too", ""},
    {C::Question, P::Bracketed, P::Bracketed, "\"q?m\" took qxm too", ""},
    {C::LeadBang, P::Literal, P::Literal, "itself on a list line", ""},
    {C::LeadAt, P::Literal, P::Literal, "itself on a list line", ""},
    {C::LeadDash, P::Literal, P::Literal, "itself on a list line", ""},
    {C::Quote, P::Literal, P::Literal, "itself", ""},
    {C::Backslash, P::Refused, P::Refused, "\"b\\s\" took nothing, exit 0",
     "it reads \"\\\" as a directory separator"},
    {C::Control, P::Literal, P::Literal, "itself, a tab inside too", ""},
    {C::Delete, P::Literal, P::Literal, "itself", ""},
    {C::LineBreak, P::Refused, P::Refused, "ends the list line",
     "its list file holds one name per line"},
    {C::NotUtf8, P::Literal, P::Literal, "its bytes", ""},
    {C::LeadingDot, P::Refused, P::Refused,
     "\".z\", \".hd/z\", \".../x\": adding or extracting loops at full CPU",
     "it runs without end on a path that starts with \".\""},
}};
static_assert(wellFormed(kArjNames));

// rar is not installed where these rows were written: only what cannot be
// read as anything but itself is passed.
constexpr const char* kUntried = "not tried: the tool was not installed";
constexpr const char* kUntriedWhy = "the name holds a character this archiver may read as a "
                                    "pattern or an option";
constexpr NameRules kRarNames = {{
    {C::EdgeBlank, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::OpenBracket, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::CloseBracket, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::Star, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::Question, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::LeadBang, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::LeadAt, P::Refused, P::Refused, "a list file on its command line", kUntriedWhy},
    {C::LeadDash, P::Refused, P::Refused, "a switch on its command line", kUntriedWhy},
    {C::Quote, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::Backslash, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::Control, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::Delete, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::LineBreak, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::NotUtf8, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::LeadingDot, P::Literal, P::Literal, kUntried, ""},
}};
static_assert(wellFormed(kRarNames));

// arj and rar speak the classic language themselves: the words stay, the
// names are passed by the tool's table. Both read a plain file name as a
// pattern in every subdirectory once they recurse ("a.txt" with "-r" also
// took sub/a.txt, which "M" then deleted), so the directories are walked
// here, every file is named, and "-r" is left out. The names always go
// through a list file: on the command line "!", "@" and "-" lead a list or
// a switch.
ToolPlan classicSyntax(const ToolContext& c, const NameRules& rules, const char* tool,
                       const QString& listPrefix, const QString& passwordSwitch)
{
    const ArchiverCommand& cmd = *c.command;
    const bool members = cmd.itemKind == ToolItems::Members;
    ToolPlan plan;
    ToolStep step{c.program, withoutSwitch(cmd.switches, QStringLiteral("-r")), c.workingDirectory,
                  false};
    if (!passwordOnTerminal(c, step, plan))
        return plan;
    if (step.passwordOnTerminal)
        step.arguments << passwordSwitch;
    if (!c.archive.isEmpty())
        step.arguments << c.archive;
    const QStringList names =
        members ? memberNames(c, rules, tool, QStringLiteral("*"), plan)
                : passNames(rules, tool, everyFile(c, hasSwitch(cmd.switches, "-r")), false, plan);
    if (!plan.error.isEmpty() || namesNothing(c, names))
        return plan;
    if (!names.isEmpty()) {
        plan.usesList = true;
        plan.listText = listText(names, plan);
        plan.listArgPrefix = listPrefix;
        step.arguments << kListPlaceholder;
    }
    if (!c.target.isEmpty())
        step.arguments << asDirectory(c.target);
    plan.steps << step;
    return plan;
}

// arj runs without end on a member whose path starts with "." when told to
// extract everything, too: the archive's own listing names such a member.
QString arjLoopingMember(const ToolContext& c)
{
    const QString verb = command(*c.command);
    if (!c.command->items.isEmpty() || (verb != QLatin1String("e") && verb != QLatin1String("x")))
        return {};
    FileSource source;
    if (!source.open(c.archive))
        return {};
    for (const ArchiveRecord& r :
         readArchiveRecords(detectArchiveKind(source.read(0, 11)), source).records) {
        const QString stored = hostname::decode(r.storedBytes());
        if (stored.startsWith(QLatin1Char('.')))
            return stored;
    }
    return {};
}

ToolPlan arj(const ToolContext& c)
{
    if (const QString looping = arjLoopingMember(c); !looping.isEmpty()) {
        ToolPlan plan;
        plan.error =
            refusalMessage(looping, QStringLiteral("arj"),
                           QString::fromUtf8(kArjNames[std::size_t(NameClass::LeadingDot)].why));
        return plan;
    }
    return classicSyntax(c, kArjNames, "arj", QStringLiteral("!"), QStringLiteral("-g?"));
}

ToolPlan rar(const ToolContext& c)
{
    return classicSyntax(c, kRarNames, "rar", QStringLiteral("@"), QStringLiteral("-p"));
}

// lha (the Java lha), as installed: every name on its command line is
// itself, even after its command word "-x"; but it reads names as text.
constexpr NameRules kLhaNames = {{
    {C::EdgeBlank, P::Literal, P::Literal, "itself", ""},
    {C::OpenBracket, P::Literal, P::Literal, "itself: \"[ab]\" took neither a nor b", ""},
    {C::CloseBracket, P::Literal, P::Literal, "itself", ""},
    {C::Star, P::Literal, P::Literal, "itself: \"st*r\" left stxr alone", ""},
    {C::Question, P::Literal, P::Literal, "itself", ""},
    {C::LeadBang, P::Literal, P::Literal, "itself", ""},
    {C::LeadAt, P::Literal, P::Literal, "itself", ""},
    {C::LeadDash, P::Literal, P::Literal, "itself: no option after the command word", ""},
    {C::Quote, P::Literal, P::Literal, "itself", ""},
    {C::Backslash, P::Literal, P::Literal, "itself, added and extracted", ""},
    {C::Control, P::Literal, P::Literal, "itself", ""},
    {C::Delete, P::Literal, P::Literal, "itself", ""},
    {C::LineBreak, P::Refused, P::Refused, "listed cut at the break",
     "it lists such a name cut at the line break"},
    {C::NotUtf8, P::Refused, P::Refused, "\"Cannot access\", ignored, exit 0",
     "it reads names as UTF-8 text and leaves this one out"},
    {C::LeadingDot, P::Literal, P::Literal, "itself", ""},
}};
static_assert(wellFormed(kLhaNames));

// lha takes one command word with its options glued on, and the names on
// its command line; it recurses into directories by itself.
ToolPlan lha(const ToolContext& c)
{
    const ArchiverCommand& cmd = *c.command;
    ToolPlan plan;
    const QString verb = command(cmd);
    QString key;
    if (verb == QLatin1String("a") || verb == QLatin1String("m") || verb == QLatin1String("d"))
        key = verb;
    // Extraction goes into an empty scratch directory, where "f" only lets
    // the later of two members of one name replace the earlier.
    else if (verb == QLatin1String("x"))
        key = QStringLiteral("xf");
    else if (verb == QLatin1String("e"))
        key = QStringLiteral("xif");
    else {
        plan.error = QStringLiteral("The archiver has no command \"%1\".").arg(verb);
        return plan;
    }
    if (!noPassword(c, "lha", plan))
        return plan;
    if (!c.target.isEmpty())
        key += QStringLiteral("w=") + c.target;
    // The classic LHA added ".LZH" to an archive named without an extension;
    // lha for Unix takes the name as it is, so the extension is added here.
    QString archive = c.archive;
    if (!archive.mid(archive.lastIndexOf('/') + 1).contains('.'))
        archive += QStringLiteral(".lzh");
    const QStringList names =
        cmd.itemKind == ToolItems::Members
            ? memberNames(c, kLhaNames, "lha", QStringLiteral("*"), plan)
            : passNames(kLhaNames, "lha", fileNames(c, true, false), false, plan);
    if (plan.error.isEmpty() && !namesNothing(c, names))
        plan.steps << ToolStep{c.program, QStringList{key, archive} + names, c.workingDirectory,
                               false};
    return plan;
}

// arc, as installed: "*" and "?" are wildcards with no escape ("[*]" took
// nothing), "@" at the start of an argument reads a list file.
constexpr NameRules kArcNames = {{
    {C::EdgeBlank, P::Literal, P::Literal, "itself", ""},
    {C::OpenBracket, P::Literal, P::Literal, "itself: \"[ab]\" extracted [ab] alone", ""},
    {C::CloseBracket, P::Literal, P::Literal, "itself", ""},
    {C::Star, P::Refused, P::Refused, "\"st*r\" took stxr too; \"st[*]r\" took nothing",
     "it reads \"*\" as a wildcard and has no way to name it alone"},
    {C::Question, P::Refused, P::Refused, "\"q?m\" took qxm too",
     "it reads \"?\" as a wildcard and has no way to name it alone"},
    {C::LeadBang, P::Literal, P::Literal, "itself", ""},
    {C::LeadAt, P::DotSlash, P::Refused, "\"@at\" read the list at.CMD; \"./@at\" is the file",
     "it reads a name starting with \"@\" as a list file"},
    {C::LeadDash, P::Literal, P::Literal, "itself", ""},
    {C::Quote, P::Literal, P::Literal, "itself", ""},
    {C::Backslash, P::Refused, P::Refused, "\"b\\s\" read as \"b\\b\\s\", nothing added",
     "it reads \"\\\" as a directory separator"},
    {C::Control, P::Literal, P::Literal, "itself", ""},
    {C::Delete, P::Literal, P::Literal, "itself", ""},
    {C::LineBreak, P::Refused, P::Refused, "listed cut at the break",
     "it lists such a name cut at the line break"},
    {C::NotUtf8, P::Literal, P::Literal, "its bytes", ""},
    {C::LeadingDot, P::Literal, P::Literal, "itself", ""},
}};
static_assert(wellFormed(kArcNames));

// arc stores no directories: a directory's files go in one by one. It asks
// before replacing a file, so extraction says "overwrite" up front, as the
// classic "-WA" did; the classic "X" (extract, then delete) is two runs.
ToolPlan arc(const ToolContext& c)
{
    const ArchiverCommand& cmd = *c.command;
    ToolPlan plan;
    if (!noPassword(c, "arc", plan))
        return plan;
    const QString verb = command(cmd);
    const QString dir = c.target.isEmpty() ? c.workingDirectory : c.target;
    const bool members = cmd.itemKind == ToolItems::Members;
    const QStringList plain =
        members ? QStringList() : fileNames(c, false, hasSwitch(cmd.switches, "-I"));
    // arc keeps at most 12 bytes of a name and asks, without end when
    // nobody answers, whether to cut a longer one: such a name never goes in.
    for (const QString& n : plain) {
        const QString base = n.section(QLatin1Char('/'), -1);
        if (hostname::encode(base).size() > 12) {
            plan.error = QStringLiteral("Cannot add %1: the archiver keeps names of at most 12 "
                                        "characters.")
                             .arg(base);
            return plan;
        }
    }
    const QStringList names = members
                                  ? memberNames(c, kArcNames, "arc", QStringLiteral("*.*"), plan)
                                  : passNames(kArcNames, "arc", plain, false, plan);
    if (!plan.error.isEmpty() || namesNothing(c, names))
        return plan;
    auto step = [&](const QString& key) {
        ToolStep s{c.program, {key, c.archive}, dir, false};
        s.arguments << names;
        plan.steps << s;
    };
    if (verb == QLatin1String("a") || verb == QLatin1String("m") || verb == QLatin1String("d"))
        step(verb);
    else if (verb == QLatin1String("e"))
        step(QStringLiteral("xo"));
    else if (verb == QLatin1String("x")) {
        step(QStringLiteral("xo"));
        step(QStringLiteral("d"));
    } else
        plan.error = QStringLiteral("The archiver has no command \"%1\".").arg(verb);
    return plan;
}

// zoo is not installed where these rows were written: as for rar.
constexpr NameRules kZooNames = {{
    {C::EdgeBlank, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::OpenBracket, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::CloseBracket, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::Star, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::Question, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::LeadBang, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::LeadAt, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::LeadDash, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::Quote, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::Backslash, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::Control, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::Delete, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::LineBreak, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::NotUtf8, P::Refused, P::Refused, kUntried, kUntriedWhy},
    {C::LeadingDot, P::Literal, P::Literal, kUntried, ""},
}};
static_assert(wellFormed(kZooNames));

// zoo's own command letters are the classic ones; it has no target switch,
// so it runs in the target directory.
ToolPlan zoo(const ToolContext& c)
{
    const ArchiverCommand& cmd = *c.command;
    ToolPlan plan;
    if (!noPassword(c, "zoo", plan))
        return plan;
    const QStringList names =
        cmd.itemKind == ToolItems::Members
            ? memberNames(c, kZooNames, "zoo", QStringLiteral("*"), plan)
            : passNames(kZooNames, "zoo", fileNames(c, false, false), false, plan);
    if (plan.error.isEmpty() && !namesNothing(c, names))
        plan.steps << ToolStep{c.program, cmd.switches + QStringList{c.archive} + names,
                               c.target.isEmpty() ? c.workingDirectory : c.target, false};
    return plan;
}

// zip, as installed, reading its list on standard input with "-nw" (no
// wildcards of its own): every name is stored as itself. It only adds.
constexpr NameRules kZipNames = {{
    {C::EdgeBlank, P::Literal, P::Refused, "itself, a tab too", "zip only adds"},
    {C::OpenBracket, P::Literal, P::Refused, "itself", "zip only adds"},
    {C::CloseBracket, P::Literal, P::Refused, "itself", "zip only adds"},
    {C::Star, P::Literal, P::Refused, "itself with -nw", "zip only adds"},
    {C::Question, P::Literal, P::Refused, "itself with -nw", "zip only adds"},
    {C::LeadBang, P::Literal, P::Refused, "itself", "zip only adds"},
    {C::LeadAt, P::Literal, P::Refused, "itself", "zip only adds"},
    {C::LeadDash, P::Literal, P::Refused, "itself on a list line", "zip only adds"},
    {C::Quote, P::Literal, P::Refused, "itself", "zip only adds"},
    {C::Backslash, P::Literal, P::Refused, "itself", "zip only adds"},
    {C::Control, P::Literal, P::Refused, "itself", "zip only adds"},
    {C::Delete, P::Literal, P::Refused, "itself", "zip only adds"},
    {C::LineBreak, P::Refused, P::Refused, "ends the list line",
     "its list holds one name per line"},
    {C::NotUtf8, P::Literal, P::Refused, "its bytes", "zip only adds"},
    {C::LeadingDot, P::Literal, P::Refused, "itself", "zip only adds"},
}};
static_assert(wellFormed(kZipNames));

// PKZIP: "-P" keeps the paths (zip does that unless told -j), "-r" recurses,
// a password is asked on the terminal ("-e"). The names always go through
// the list file on standard input, where a name starting with "-" is no
// option and no shell globs.
ToolPlan zip(const ToolContext& c)
{
    const ArchiverCommand& cmd = *c.command;
    ToolPlan plan;
    const bool recurse = hasSwitch(cmd.switches, "-r");
    ToolStep step{
        c.program, {QStringLiteral("-q"), QStringLiteral("-nw")}, c.workingDirectory, true};
    if (recurse)
        step.arguments << QStringLiteral("-r");
    if (!hasSwitch(cmd.switches, "-P"))
        step.arguments << QStringLiteral("-j");
    if (!passwordOnTerminal(c, step, plan))
        return plan;
    if (step.passwordOnTerminal)
        step.arguments << QStringLiteral("-e");
    step.arguments << QStringLiteral("-@") << c.archive; // absolute: never taken for a switch
    const QStringList names =
        passNames(kZipNames, "zip", fileNames(c, recurse, false), false, plan);
    if (!plan.error.isEmpty())
        return plan;
    plan.usesList = true;
    plan.listText = listText(names, plan);
    plan.steps << step;
    return plan;
}

// unzip, as installed: each member after the archive is a pattern where
// "\" escapes ("\*", "\[", "\\"; "[\]" took nothing), and "-x" or "-d"
// after the archive are still options ("-dash" read as "-d ash").
constexpr NameRules kUnzipNames = {{
    {C::EdgeBlank, P::Refused, P::Literal, "itself; a tab only with -^", "unzip only extracts"},
    {C::OpenBracket, P::Refused, P::Escaped, "\"[ab]\" a class", "unzip only extracts"},
    {C::CloseBracket, P::Refused, P::Literal, "itself", "unzip only extracts"},
    {C::Star, P::Refused, P::Escaped, "a wildcard", "unzip only extracts"},
    {C::Question, P::Refused, P::Escaped, "a wildcard", "unzip only extracts"},
    {C::LeadBang, P::Refused, P::Literal, "itself", "unzip only extracts"},
    {C::LeadAt, P::Refused, P::Literal, "itself", "unzip only extracts"},
    {C::LeadDash, P::Refused, P::Escaped, "an option", "unzip only extracts"},
    {C::Quote, P::Refused, P::Literal, "itself", "unzip only extracts"},
    {C::Backslash, P::Refused, P::Escaped, "the escape character", "unzip only extracts"},
    {C::Control, P::Refused, P::Literal, "dropped from the file name unless -^",
     "unzip only extracts"},
    {C::Delete, P::Refused, P::Refused, "matched by nothing, not even \"?\"",
     "it finds no member whose name holds the character 0x7F"},
    {C::LineBreak, P::Refused, P::Refused, "not tried", "it may write such a name otherwise"},
    {C::NotUtf8, P::Refused, P::Literal, "its bytes", "unzip only extracts"},
    {C::LeadingDot, P::Refused, P::Literal, "itself", "unzip only extracts"},
}};
static_assert(wellFormed(kUnzipNames));

// PKUNZIP: "-d" restores the directories (unzip does unless told -j), a
// password is asked on the terminal; the target is unzip's "-d", an empty
// scratch directory where "-o" only lets the later of two members of one
// name replace the earlier (the user's files are asked about when the
// members are placed). "-^" keeps control characters in the names it writes.
ToolPlan unzip(const ToolContext& c)
{
    const ArchiverCommand& cmd = *c.command;
    ToolPlan plan;
    ToolStep step{c.program,
                  {QStringLiteral("-qq"), QStringLiteral("-o"), QStringLiteral("-^")},
                  c.workingDirectory,
                  false};
    if (!hasSwitch(cmd.switches, "-d"))
        step.arguments << QStringLiteral("-j");
    if (!passwordOnTerminal(c, step, plan))
        return plan;
    step.arguments << c.archive;
    if (cmd.itemKind == ToolItems::Members)
        step.arguments << memberNames(c, kUnzipNames, "unzip", QStringLiteral("*"), plan);
    if (!plan.error.isEmpty())
        return plan;
    if (!c.target.isEmpty())
        step.arguments << QStringLiteral("-d") << c.target;
    plan.steps << step;
    return plan;
}

// The name a compressed file gets with "/r": the last character of a
// three-letter extension becomes "_" ("a.txt" -> "a.tx_"), a shorter one
// or none gets it added ("a.c" -> "a.c_", "abc" -> "abc._").
QString compressedName(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return name + QStringLiteral("._");
    if (name.size() - dot - 1 < 3)
        return name + QLatin1Char('_');
    return name.left(name.size() - 1) + QLatin1Char('_');
}

// mscompress, as installed: each input is given as "./" + its name (a link
// in the scratch directory), which it takes as it is, whatever it holds.
constexpr NameRules kMsCompressNames = {{
    {C::EdgeBlank, P::Literal, P::Refused, "itself", "it only compresses"},
    {C::OpenBracket, P::Literal, P::Refused, "itself", "it only compresses"},
    {C::CloseBracket, P::Literal, P::Refused, "itself", "it only compresses"},
    {C::Star, P::Literal, P::Refused, "itself", "it only compresses"},
    {C::Question, P::Literal, P::Refused, "itself", "it only compresses"},
    {C::LeadBang, P::Literal, P::Refused, "itself", "it only compresses"},
    {C::LeadAt, P::Literal, P::Refused, "itself", "it only compresses"},
    {C::LeadDash, P::Literal, P::Refused, "itself after \"./\"", "it only compresses"},
    {C::Quote, P::Literal, P::Refused, "itself", "it only compresses"},
    {C::Backslash, P::Literal, P::Refused, "itself", "it only compresses"},
    {C::Control, P::Literal, P::Refused, "itself", "it only compresses"},
    {C::Delete, P::Literal, P::Refused, "itself", "it only compresses"},
    {C::LineBreak, P::Literal, P::Refused, "itself", "it only compresses"},
    {C::NotUtf8, P::Literal, P::Refused, "its bytes", "it only compresses"},
    {C::LeadingDot, P::Literal, P::Refused, "itself", "it only compresses"},
}};
static_assert(wellFormed(kMsCompressNames));

// Compress: mscompress writes "name_" beside each input, so it works on
// links in a scratch directory inside the target; "/r" picks the classic
// output name, without it the name stays as it was.
ToolPlan mscompress(const ToolContext& c)
{
    const ArchiverCommand& cmd = *c.command;
    ToolPlan plan;
    if (c.target.isEmpty()) {
        plan.error = QStringLiteral("Compress needs a target directory.");
        return plan;
    }
    if (!noPassword(c, "mscompress", plan))
        return plan;
    const bool rename = hasSwitch(cmd.switches, "/r") || hasSwitch(cmd.switches, "-r");
    QStringList inputs; // host paths of the files
    for (const ToolItem& item : c.items) {
        if (!item.all) {
            inputs << item.host;
            continue;
        }
        QStringList names;
        expand(item.dosPath, QString(), false, false, names);
        for (const QString& n : names)
            inputs << joinRelative(item.host == QLatin1String("/") ? QString() : item.host, n);
    }
    plan.scratch = true;
    ToolStep step{c.program, {}, kScratchPlaceholder, false};
    QStringList seen;
    for (const QString& input : inputs) {
        const QString name = input.section(QLatin1Char('/'), -1);
        const QString out = rename ? compressedName(name) : name;
        if (seen.contains(out)) {
            plan.error = QStringLiteral("Cannot compress two files to %1.").arg(out);
            return plan;
        }
        seen << out;
        plan.links << qMakePair(name, input);
        plan.results << qMakePair(name + QLatin1Char('_'), out);
        const QStringList passed = passNames(kMsCompressNames, "mscompress", {name}, false, plan);
        if (passed.isEmpty())
            return plan;
        step.arguments << QStringLiteral("./") + passed.first();
    }
    if (!inputs.isEmpty())
        plan.steps << step;
    return plan;
}

const ToolProfile kProfiles[] = {
    {"ARJ.exe", "arj", arj, &kArjNames, PasswordWay::Terminal},
    {"RAR.exe", "rar", rar, &kRarNames, PasswordWay::Terminal},
    {"LHA.exe", "lha", lha, &kLhaNames, PasswordWay::None},
    {"PAK.exe", "arc", arc, &kArcNames, PasswordWay::None},
    {"ZOO.exe", "zoo", zoo, &kZooNames, PasswordWay::None},
    {"PKZIP.EXE", "zip", zip, &kZipNames, PasswordWay::Terminal},
    {"PKUNZIP.EXE", "unzip", unzip, &kUnzipNames, PasswordWay::Terminal},
    {"Compress.exe", "mscompress", mscompress, &kMsCompressNames, PasswordWay::None},
};

} // namespace

const ToolProfile* findProfile(const QString& classicName)
{
    for (const ToolProfile& p : kProfiles)
        if (classicName.compare(QLatin1String(p.classic), Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

PasswordWay passwordWayOf(const QString& classicName)
{
    const ToolProfile* p = findProfile(classicName);
    return p ? p->password : PasswordWay::None;
}

bool typeablePassword(const QString& password)
{
    for (const QChar ch : password)
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
            return false;
    return password.toUtf8().size() <= 255;
}

bool hasSwitch(const QStringList& switches, const char* name)
{
    for (const QString& s : switches)
        if (s.compare(QLatin1StringView(name), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QStringList splitWords(const QString& text)
{
    QStringList words;
    QString word;
    bool inWord = false;
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (!quote.isNull()) {
            if (ch == quote)
                quote = QChar();
            else if (ch == QLatin1Char('\\') && quote == QLatin1Char('"') && i + 1 < text.size() &&
                     QStringLiteral("\"\\$`").contains(text[i + 1]))
                word += text[++i];
            else
                word += ch;
        } else if (ch == QLatin1Char('\'') || ch == QLatin1Char('"')) {
            quote = ch;
            inWord = true;
        } else if (ch == QLatin1Char('\\') && i + 1 < text.size()) {
            word += text[++i];
            inWord = true;
        } else if (ch == QLatin1Char(' ') || ch == QLatin1Char('\t')) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += ch;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    return words;
}

ArchiverCommand ArchiverCommand::fromTemplate(const QString& templateText)
{
    ArchiverCommand c;
    const QString t = templateText.trimmed();
    const qsizetype blank = t.indexOf(QLatin1Char(' '));
    c.tool = blank < 0 ? t : t.left(blank);
    if (blank >= 0)
        c.switches = splitWords(t.mid(blank + 1));
    return c;
}

} // namespace dovex::archive
