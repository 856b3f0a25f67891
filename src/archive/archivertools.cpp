#include "archive/archivertools.h"

#include "archive/toolprofiles.h"
#include "panels/selection.h"
#include "platform/drivemap.h"
#include "platform/profile.h"

namespace dovex {

namespace {

const QString kSettingsFile = QStringLiteral("Dovex.Ini");

struct Key {
    const char* name;
    int width;
    QString ArchiverTool::*field;
};

const Key kKeys[] = {
    {"Naam", 25, &ArchiverTool::naam},   {"Ext", 3, &ArchiverTool::ext},
    {"Add", 100, &ArchiverTool::add},    {"Add_S", 100, &ArchiverTool::addS},
    {"Add_L", 10, &ArchiverTool::addL},  {"Add_P", 10, &ArchiverTool::addP},
    {"Add_V", 20, &ArchiverTool::addV},  {"Exp", 100, &ArchiverTool::exp},
    {"Exp_S", 100, &ArchiverTool::expS}, {"Exp_P", 10, &ArchiverTool::expP},
    {"Exp_V", 20, &ArchiverTool::expV},
};

// The default rows, key by key in the order of kKeys; nullptr stays missing.
const char* const kDefaults[5][11] = {
    {"Arj", "ARJ", "ARJ.exe A -y", "ARJ.exe A -r -y", "!", "-g", "-v1440", "ARJ.exe E -y",
     "ARJ.exe X -y", "-g", "-v"},
    {"Rar", "RAR", "RAR.exe A -y", "RAR.exe A -r -y", "@", "-p", "-v1440", "RAR.exe E -y",
     "RAR.exe X -y", "-p", "-v"},
    {"Lha", "LZH", "LHA.exe A", "LHA.exe A -r", "@", nullptr, nullptr, "LHA.exe E", "LHA.exe X",
     nullptr, nullptr},
    {"Pak", "PAK", "PAK.exe A -WA", "PAK.exe A -WA -I", "@", nullptr, nullptr, "PAK.exe E -WA",
     "PAK.exe E -WA", nullptr, nullptr},
    {"Zoo", "ZOO", "ZOO.exe aP", "ZOO.exe aP", nullptr, nullptr, nullptr, "ZOO.exe xO",
     "ZOO.exe xO", nullptr, nullptr},
};

QString section(int slot)
{
    return QStringLiteral("Packer%1").arg(slot);
}

QString nameWithoutExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf('.');
    return dot > 0 ? name.left(dot) : name;
}

QString extensionOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf('.');
    return dot > 0 ? name.mid(dot) : QString();
}

QString fileNamePart(const QString& path)
{
    return path.mid(std::max(path.lastIndexOf('\\'), path.lastIndexOf(':')) + 1);
}

QString directoryPart(const QString& path)
{
    return path.left(std::max(path.lastIndexOf('\\'), path.lastIndexOf(':')) + 1);
}

// T: a directory with "\" appended when longer than 3 characters.
QString targetDirectory(const QString& edit)
{
    QString dir = directoryPart(edit);
    while (dir.size() > 3 && dir.endsWith('\\'))
        dir.chop(1);
    return WithSlashWhenLong(dir);
}

ToolCommand splitAtFirstBlank(const QString& command, const QString& workingDirectory)
{
    ToolCommand c;
    const qsizetype blank = command.indexOf(' ');
    c.tool = blank < 0 ? command : command.left(blank);
    c.parameters = blank < 0 ? QString() : command.mid(blank + 1);
    c.workingDirectory = workingDirectory;
    return c;
}

// The password of a request that asks for one: the text typed, an empty one
// too (it is never null, which means none).
QString passwordOf(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

QStringList fullPaths(const QList<CompressItem>& items)
{
    QStringList out;
    for (const CompressItem& i : items)
        out << i.fullPath;
    return out;
}

} // namespace

ArchiverTool ReadArchiverTool(int slot)
{
    ArchiverTool tool;
    for (const Key& k : kKeys) {
        const QString value =
            profileString(section(slot), QLatin1String(k.name), ArchiverTool::kNone, kSettingsFile);
        // A missing key stays "[none]" whatever the width: it means "not
        // available", and "[no" would mean a tool of that name.
        tool.*k.field = value == ArchiverTool::kNone ? value : value.left(k.width);
    }
    return tool;
}

ArchiverToolTable LoadArchiverTools()
{
    for (int slot = 1; slot <= 5; ++slot) {
        if (profileString(section(slot), QStringLiteral("Naam"), ArchiverTool::kNone,
                          kSettingsFile) != ArchiverTool::kNone)
            continue;
        ProfileBatch batch(kSettingsFile);
        for (int k = 0; k < 11; ++k)
            if (const char* value = kDefaults[slot - 1][k])
                batch.writeString(section(slot), QLatin1String(kKeys[k].name),
                                  QLatin1String(value));
        batch.commit();
    }
    ArchiverToolTable table;
    for (int slot = 1; slot <= 7; ++slot)
        table[size_t(slot - 1)] = ReadArchiverTool(slot);
    return table;
}

MethodOptions MethodClick(CompressMethod method, const ArchiverTool* slot)
{
    MethodOptions o;
    switch (method) {
    case CompressMethod::Pkzip:
        o.password = true;
        o.subdirectories = true;
        break;
    case CompressMethod::ZipInternal:
    case CompressMethod::Library:
        o.subdirectories = true;
        break;
    case CompressMethod::MsCompress:
        o.targetDirectoryOnly = true;
        break;
    case CompressMethod::Custom:
        if (slot) {
            o.volumes = ArchiverTool::isSet(slot->addV);
            o.password = ArchiverTool::isSet(slot->addP);
            o.subdirectories = ArchiverTool::isSet(slot->addS);
            if (ArchiverTool::isSet(slot->addL))
                o.compressAll = true;
        }
        break;
    }
    return o;
}

QString PasswordHint(CompressMethod method, const ArchiverTool* slot, bool decompress)
{
    const QString unread = QStringLiteral(" It never stands on a command line, where other users "
                                          "of the machine could read it.");
    if (method == CompressMethod::Pkzip)
        return (decompress ? QStringLiteral("unzip asks for the password on a terminal of its own "
                                            "and gets it there.")
                           : QStringLiteral("Dovex encrypts the files itself (the classic zip "
                                            "encryption PKZIP's -s wrote).")) +
               unread;
    if (method != CompressMethod::Custom || !slot)
        return {};
    const QString tool =
        archive::ArchiverCommand::fromTemplate(decompress ? slot->exp : slot->add).tool;
    if (archive::passwordWayOf(tool) == archive::PasswordWay::None)
        return tool + QStringLiteral(" takes a password only on its command line, where other "
                                     "users of the machine could read it: Dovex refuses to run "
                                     "it with one.");
    return tool +
           QStringLiteral(" asks for the password on a terminal of its own and gets it "
                          "there.") +
           unread +
           QStringLiteral(" A program of that name in the Dovex directory cannot be given it so: "
                          "Dovex refuses to run it with a password.");
}

QString WithSlashWhenLong(const QString& directory)
{
    return directory.size() > 3 && !directory.endsWith('\\') ? directory + '\\' : directory;
}

CompressSelection CompressionSelection(const PanelEntries& entries, int cursor,
                                       const QString& sourceDirectory)
{
    CompressSelection s;
    const QString source = WithSlashWhenLong(sourceDirectory);
    const auto add = [&](const PanelEntry& e) {
        const QString name = e.directory ? e.name + QStringLiteral("\\*.*") : e.name;
        s.items.append({source + name, name});
    };
    // The archive is named after the stem most of the chosen names share (a
    // program, .exe, scores two more); the first such stem wins a tie.
    const std::vector<int> chosen = ActedOnIndexes(entries, cursor);
    QString winner;
    int best = -1;
    for (size_t c = 0; c < chosen.size(); ++c) {
        const QString& name = entries[size_t(chosen[c])].name;
        const QString stem = nameWithoutExtension(name);
        int score = 0;
        for (size_t d = c; d < chosen.size(); ++d)
            if (nameWithoutExtension(entries[size_t(chosen[d])].name)
                    .compare(stem, Qt::CaseInsensitive) == 0)
                ++score;
        if (extensionOf(name).compare(QLatin1String(".exe"), Qt::CaseInsensitive) == 0)
            score += 2;
        if (score > best) {
            best = score;
            winner = stem;
        }
        add(entries[size_t(chosen[c])]);
    }
    winner.remove(' ');
    s.baseName = winner.left(8);
    return s;
}

QString CleanBaseName(const QString& name)
{
    QString out;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u < '-' || (u >= ':' && u <= '@') || (u >= '[' && u <= '^') || u == '`')
            continue;
        out += c;
    }
    if (out.isEmpty())
        out = QStringLiteral("Packed");
    return out.left(8);
}

namespace {

// PKZIP into archive (the target directory and clean base name).
ToolCommand pkzipCompress(const CompressRequest& r, const QString& archive)
{
    ToolCommand c;
    c.workingDirectory = r.sourceDirectory;
    c.tool = QStringLiteral("PKZIP.EXE");
    QString p;
    if (r.subdirectories)
        p += QStringLiteral(" -P -r");
    if (r.password)
        p += QStringLiteral(" -s") + r.passwordText;
    p += ' ' + archive;
    if (r.compressAll) {
        p += QStringLiteral(" *.*");
    } else if (r.items.isEmpty()) {
        p += ' ' + r.sourceDirectory + QStringLiteral("*.*");
    } else {
        c.listFile = fullPaths(r.items);
        p += QStringLiteral(" @") + r.listFile;
    }
    c.parameters = p;
    return c;
}

ToolCommand msCompress(const CompressRequest& r, bool everything)
{
    ToolCommand c;
    c.workingDirectory = r.sourceDirectory;
    c.tool = QStringLiteral("Compress.exe");
    if (everything) {
        c.parameters = QStringLiteral("/r *.* ") + r.target;
    } else {
        QString p = QStringLiteral("/r");
        for (const CompressItem& i : r.items)
            p += ' ' + i.fullPath;
        c.parameters = p + ' ' + r.target;
    }
    return c;
}

// The templates of a Packer slot, with the options it has.
ToolCommand customCompress(const CompressRequest& r, const ArchiverTool& t, const QString& archive,
                           bool everything)
{
    const MethodOptions enabled = MethodClick(CompressMethod::Custom, &t);
    // The subdirectory template only where the slot has one: a checked but
    // disabled box would otherwise run "[none]".
    QString command = (r.subdirectories && enabled.subdirectories ? t.addS : t.add) + ' ';
    if (r.volumes && enabled.volumes)
        command += t.addV + ' ';
    if (r.password && enabled.password)
        command += t.addP + r.passwordText + ' ';
    command += archive + ' ';
    std::optional<QStringList> list;
    if (everything) {
        command += QStringLiteral(" *.*");
    } else if (!ArchiverTool::isSet(t.addL)) {
        for (const CompressItem& i : r.items)
            command += ' ' + i.fullPath;
    } else {
        list = fullPaths(r.items);
        command += t.addL + r.listFile;
    }
    ToolCommand c = splitAtFirstBlank(command, r.sourceDirectory);
    c.listFile = list;
    return c;
}

} // namespace

ToolCommand ComposeCompress(const CompressRequest& r, const ArchiverToolTable& tools)
{
    const QString archive = targetDirectory(r.target) + CleanBaseName(fileNamePart(r.target));
    const bool everything = r.compressAll || r.items.isEmpty();
    switch (r.method) {
    case CompressMethod::Pkzip:
        return pkzipCompress(r, archive);
    case CompressMethod::MsCompress:
        return msCompress(r, everything);
    case CompressMethod::Custom:
        if (r.slot >= 1 && r.slot <= 7)
            return customCompress(r, tools[size_t(r.slot - 1)], archive, everything);
        break;
    case CompressMethod::ZipInternal:
    case CompressMethod::Library:
        break;
    }
    ToolCommand c;
    c.workingDirectory = r.sourceDirectory;
    return c;
}

ToolCommand ComposeExtract(const ExtractRequest& r, const ArchiverToolTable& tools)
{
    const QString D = WithSlashWhenLong(dospath::directoryPart(r.archive));
    const QString name = dospath::fileName(r.archive);
    const QString T = WithSlashWhenLong(r.target);
    if (r.method == CompressMethod::Pkzip) {
        ToolCommand c;
        c.tool = QStringLiteral("Pkunzip.exe");
        c.workingDirectory = r.programDirectory;
        QString p;
        if (r.subdirectories)
            p += QStringLiteral(" -d");
        if (r.password)
            p += QStringLiteral(" -s:") + r.passwordText;
        c.parameters = p + ' ' + D + name + ' ' + T;
        return c;
    }
    if (r.method != CompressMethod::Custom || r.slot < 1 || r.slot > 7)
        return {};
    const ArchiverTool& t = tools[size_t(r.slot - 1)];
    QString command = (r.subdirectories && ArchiverTool::isSet(t.expS) ? t.expS : t.exp) + ' ';
    if (r.volumes && ArchiverTool::isSet(t.expV))
        command += t.expV + ' ';
    if (r.password && ArchiverTool::isSet(t.expP))
        command += t.expP + r.passwordText + ' ';
    command += ' ' + D + name;
    command += ' ' + T;
    return splitAtFirstBlank(command, r.programDirectory);
}

archive::ArchiverCommand CompressCommand(const CompressRequest& r, const ArchiverToolTable& tools)
{
    using archive::ArchiverCommand;
    const QString& S = r.sourceDirectory;
    const QString archiveName = targetDirectory(r.target) + CleanBaseName(fileNamePart(r.target));
    const bool everything = r.compressAll || r.items.isEmpty();
    const QStringList items = everything ? QStringList{QStringLiteral("*.*")} : fullPaths(r.items);
    ArchiverCommand c;
    switch (r.method) {
    case CompressMethod::Pkzip:
        c.tool = QStringLiteral("PKZIP.EXE");
        if (r.subdirectories)
            c.switches << QStringLiteral("-P") << QStringLiteral("-r");
        if (r.password)
            c.password = passwordOf(r.passwordText);
        c.archive = archiveName;
        if (r.compressAll) {
            c.items = {QStringLiteral("*.*")};
        } else if (r.items.isEmpty()) {
            c.items = {S + QStringLiteral("*.*")};
        } else {
            c.items = fullPaths(r.items);
            c.listPrefix = QStringLiteral("@");
        }
        break;
    case CompressMethod::MsCompress:
        c.tool = QStringLiteral("Compress.exe");
        c.switches = {QStringLiteral("/r")};
        c.items = items;
        c.target = r.target;
        break;
    case CompressMethod::Custom: {
        if (r.slot < 1 || r.slot > 7)
            return c;
        const ArchiverTool& t = tools[size_t(r.slot - 1)];
        const MethodOptions enabled = MethodClick(CompressMethod::Custom, &t);
        c = ArchiverCommand::fromTemplate(r.subdirectories && enabled.subdirectories ? t.addS
                                                                                     : t.add);
        if (r.volumes && enabled.volumes)
            c.switches << archive::splitWords(t.addV);
        if (r.password && enabled.password)
            c.password = passwordOf(r.passwordText);
        c.archive = archiveName;
        c.items = items;
        if (!everything && ArchiverTool::isSet(t.addL))
            c.listPrefix = t.addL;
        break;
    }
    case CompressMethod::ZipInternal:
    case CompressMethod::Library:
        return c;
    }
    c.workingDirectory = S;
    return c;
}

archive::ArchiverCommand ExtractCommand(const ExtractRequest& r, const ArchiverToolTable& tools)
{
    using archive::ArchiverCommand;
    ArchiverCommand c;
    if (r.method == CompressMethod::Pkzip) {
        c.tool = QStringLiteral("PKUNZIP.EXE");
        if (r.subdirectories)
            c.switches << QStringLiteral("-d");
        if (r.password)
            c.password = passwordOf(r.passwordText);
    } else if (r.method == CompressMethod::Custom && r.slot >= 1 && r.slot <= 7) {
        const ArchiverTool& t = tools[size_t(r.slot - 1)];
        c = ArchiverCommand::fromTemplate(r.subdirectories && ArchiverTool::isSet(t.expS) ? t.expS
                                                                                          : t.exp);
        if (r.volumes && ArchiverTool::isSet(t.expV))
            c.switches << archive::splitWords(t.expV);
        if (r.password && ArchiverTool::isSet(t.expP))
            c.password = passwordOf(r.passwordText);
    } else {
        return c;
    }
    c.archive = r.archive;
    c.target = r.target;
    // The classic tools ran in the program's directory; here that directory
    // need not lie on a drive, and every path of the command is whole, so
    // the tool runs in the target.
    c.workingDirectory = r.target;
    return c;
}

int SlotForArchive(const QString& archivePath, const ArchiverToolTable& tools)
{
    const QString ext = extensionOf(dospath::fileName(archivePath)).toUpper();
    for (int slot = 1; slot <= 7; ++slot)
        if (tools[size_t(slot - 1)].present() &&
            QStringLiteral(".") + tools[size_t(slot - 1)].ext.toUpper() == ext)
            return slot;
    return 0;
}

} // namespace dovex
