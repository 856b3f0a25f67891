#include "archive/toolprofiles.h"

#include "platform/directory.h"
#include "platform/drivemap.h"
#include "platform/hostname.h"

#include <QRegularExpression>

namespace dovex::archive {

namespace {

bool hasSwitch(const QStringList& switches, const QString& name)
{
    for (const QString& s : switches)
        if (s.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The switch starting with prefix, without it ("-s" + password); null when absent.
QString switchValue(const QStringList& switches, const QString& prefix)
{
    for (const QString& s : switches)
        if (s.startsWith(prefix, Qt::CaseInsensitive) && s.size() > prefix.size())
            return s.mid(prefix.size());
    return {};
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
// itself, or their files one by one when deep (for tools that store no
// directories). Nothing is a pattern: names come from the disk.
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
        if (item.directory && !item.symlink) {
            if (withDirs)
                out << rel;
            else if (deep)
                expand(dospath::join(dosDir, item.name), rel, false, true, out);
        } else if (!item.directory) {
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

QStringList memberNames(const ToolContext& c, const QString& allPattern)
{
    QStringList out;
    for (const ToolItem& item : c.items)
        out << (item.all ? joinRelative(item.host, allPattern) : item.host);
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


bool hasWildcard(const QString& name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

// arj, rar and arc read every name they are given as a pattern. A file name
// holding "*" or "?" goes to them only when it matches no other file of its
// directory; a member name never does, as it might take others with it (a
// delete would lose them).
QString wildcardProblem(const ToolContext& c)
{
    const QString refuse = QStringLiteral("Cannot hand %1 to the archiver: its \"*\" or \"?\" "
                                          "would name other files too.");
    for (const ToolItem& item : c.items) {
        const QString name = item.host.section(QLatin1Char('/'), -1);
        if (!hasWildcard(name))
            continue;
        if (c.command->itemKind == ToolItems::Members)
            return refuse.arg(item.given);
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(name));
        Directory dir;
        if (!dir.open(dospath::directoryPart(item.dosPath)))
            return refuse.arg(item.given);
        const auto entries = dir.list(false);
        if (!entries)
            return refuse.arg(item.given);
        for (const DirItem& e : *entries)
            if (e.name != name && re.match(e.name).hasMatch())
                return refuse.arg(item.given);
    }
    return {};
}

QString asDirectory(const QString& host)
{
    return host.endsWith(QLatin1Char('/')) ? host : host + QLatin1Char('/');
}

// arj and rar speak the classic language themselves: the words stay, only
// the names change to host form ("*" where the classic tool said "*.*").
ToolPlan classicSyntax(const ToolContext& c, const QString& listPrefix)
{
    const ArchiverCommand& cmd = *c.command;
    ToolPlan plan;
    plan.error = wildcardProblem(c);
    if (!plan.error.isEmpty())
        return plan;
    ToolStep step{c.program, cmd.switches, c.workingDirectory, false};
    if (!c.archive.isEmpty())
        step.arguments << c.archive;
    QStringList names;
    if (cmd.itemKind == ToolItems::Members) {
        names = memberNames(c, QStringLiteral("*"));
    } else {
        // arj stops recursing into the directories of "dir/*" specs that
        // follow a plain file name, so the whole directories go first.
        QStringList files;
        for (const ToolItem& item : c.items) {
            if (item.all)
                names << joinRelative(item.host == c.workingDirectory ? QString() : item.relative,
                                      QStringLiteral("*"));
            else
                files << item.relative;
        }
        names << files;
    }
    if (!cmd.listPrefix.isEmpty() && !names.isEmpty()) {
        plan.usesList = true;
        plan.listText = listText(names, plan);
        plan.listArgPrefix = listPrefix;
        step.arguments << kListPlaceholder;
    } else {
        // On the command line a name starting with "-" would be a switch.
        for (const QString& n : names)
            step.arguments << (n.startsWith(QLatin1Char('-')) && cmd.itemKind == ToolItems::Files
                                   ? QStringLiteral("./") + n
                                   : n);
    }
    if (!c.target.isEmpty())
        step.arguments << asDirectory(c.target);
    plan.steps << step;
    return plan;
}

ToolPlan arj(const ToolContext& c)
{
    return classicSyntax(c, QStringLiteral("!"));
}

ToolPlan rar(const ToolContext& c)
{
    return classicSyntax(c, QStringLiteral("@"));
}

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
    if (!c.target.isEmpty())
        key += QStringLiteral("w=") + c.target;
    // The classic LHA added ".LZH" to an archive named without an extension;
    // lha for Unix takes the name as it is, so the extension is added here.
    QString archive = c.archive;
    if (!archive.mid(archive.lastIndexOf('/') + 1).contains('.'))
        archive += QStringLiteral(".lzh");
    ToolStep step{c.program, {key, archive}, c.workingDirectory, false};
    if (cmd.itemKind == ToolItems::Members)
        step.arguments << memberNames(c, QStringLiteral("*"));
    else
        step.arguments << fileNames(c, true, false);
    plan.steps << step;
    return plan;
}

// arc stores no directories: a directory's files go in one by one. It asks
// before replacing a file, so extraction says "overwrite" up front, as the
// classic "-WA" did; the classic "X" (extract, then delete) is two runs.
ToolPlan arc(const ToolContext& c)
{
    const ArchiverCommand& cmd = *c.command;
    ToolPlan plan;
    const QString verb = command(cmd);
    const QString dir = c.target.isEmpty() ? c.workingDirectory : c.target;
    QStringList names;
    if (cmd.itemKind == ToolItems::Members)
        names = memberNames(c, QStringLiteral("*.*"));
    else
        names = fileNames(c, false, hasSwitch(cmd.switches, QStringLiteral("-I")));
    plan.error = wildcardProblem(c);
    if (!plan.error.isEmpty())
        return plan;
    // arc keeps at most 12 bytes of a name and asks, without end when
    // nobody answers, whether to cut a longer one: such a name never goes in.
    for (const QString& n : names) {
        const QString base = n.section(QLatin1Char('/'), -1);
        if (hostname::encode(base).size() > 12) {
            plan.error = QStringLiteral("Cannot add %1: the archiver keeps names of at most 12 "
                                        "characters.")
                             .arg(base);
            return plan;
        }
    }
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

// zoo's own command letters are the classic ones; it has no target switch,
// so it runs in the target directory.
ToolPlan zoo(const ToolContext& c)
{
    const ArchiverCommand& cmd = *c.command;
    ToolPlan plan;
    ToolStep step{c.program, cmd.switches, c.target.isEmpty() ? c.workingDirectory : c.target,
                  false};
    step.arguments << c.archive;
    if (cmd.itemKind == ToolItems::Members)
        step.arguments << memberNames(c, QStringLiteral("*"));
    else
        step.arguments << fileNames(c, false, false);
    plan.steps << step;
    return plan;
}

// PKZIP: "-P" keeps the paths (zip does that unless told -j), "-r" recurses,
// "-s<password>". The names always go through the list file on standard
// input, where a name starting with "-" is no option and no shell globs.
ToolPlan zip(const ToolContext& c)
{
    const ArchiverCommand& cmd = *c.command;
    ToolPlan plan;
    const bool recurse = hasSwitch(cmd.switches, QStringLiteral("-r"));
    ToolStep step{c.program, {QStringLiteral("-q")}, c.workingDirectory, true};
    if (recurse)
        step.arguments << QStringLiteral("-r");
    if (!hasSwitch(cmd.switches, QStringLiteral("-P")))
        step.arguments << QStringLiteral("-j");
    const QString password = switchValue(cmd.switches, QStringLiteral("-s"));
    if (!password.isNull())
        step.arguments << QStringLiteral("-P") << password;
    step.arguments << QStringLiteral("-@") << c.archive; // absolute: never taken for a switch
    plan.usesList = true;
    plan.listText = listText(fileNames(c, recurse, false), plan);
    plan.steps << step;
    return plan;
}

// PKUNZIP: "-d" restores the directories (unzip does unless told -j),
// "-s:<password>"; the target is unzip's "-d", an empty scratch directory
// where "-o" only lets the later of two members of one name replace the
// earlier (the user's files are asked about when the members are placed).
ToolPlan unzip(const ToolContext& c)
{
    const ArchiverCommand& cmd = *c.command;
    ToolPlan plan;
    ToolStep step{c.program, {QStringLiteral("-qq"), QStringLiteral("-o")},
                  c.workingDirectory, false};
    if (!hasSwitch(cmd.switches, QStringLiteral("-d")))
        step.arguments << QStringLiteral("-j");
    const QString password = switchValue(cmd.switches, QStringLiteral("-s:"));
    if (!password.isNull())
        step.arguments << QStringLiteral("-P") << password;
    step.arguments << c.archive;
    // Chosen members (the safe ones of an archive that holds hostile
    // names): unzip reads each as a pattern, so its pattern characters are
    // bracketed to stand for themselves.
    for (const ToolItem& item : c.items) {
        if (cmd.itemKind != ToolItems::Members)
            break;
        QString name;
        for (const QChar ch : item.host)
            name += (ch == QLatin1Char('*') || ch == QLatin1Char('?') || ch == QLatin1Char('['))
                        ? QStringLiteral("[") + ch + QLatin1Char(']')
                        : QString(ch);
        step.arguments << (item.all ? joinRelative(name, QStringLiteral("*")) : name);
    }
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
    const bool rename = hasSwitch(cmd.switches, QStringLiteral("/r")) ||
                        hasSwitch(cmd.switches, QStringLiteral("-r"));
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
        step.arguments << QStringLiteral("./") + name;
    }
    if (!inputs.isEmpty())
        plan.steps << step;
    return plan;
}

const ToolProfile kProfiles[] = {
    {"ARJ.exe", "arj", arj},
    {"RAR.exe", "rar", rar},
    {"LHA.exe", "lha", lha},
    {"PAK.exe", "arc", arc},
    {"ZOO.exe", "zoo", zoo},
    {"PKZIP.EXE", "zip", zip},
    {"PKUNZIP.EXE", "unzip", unzip},
    {"Compress.exe", "mscompress", mscompress},
};

} // namespace

const ToolProfile* findProfile(const QString& classicName)
{
    for (const ToolProfile& p : kProfiles)
        if (classicName.compare(QLatin1String(p.classic), Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
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
