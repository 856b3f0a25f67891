#include "launch/custombuttons.h"

#include "launch/shelllink.h"
#include "launch/shortcuts.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostfile.h"
#include "platform/hostname.h"
#include "platform/settingsfile.h"

#include <QDir>

namespace dovex {

namespace {

// The keys of a slot's section, declared once.
const QString kText = QStringLiteral("Text");
const QString kCommand = QStringLiteral("Command");
const QString kParameter = QStringLiteral("Parameter");
const QString kDirectory = QStringLiteral("Directory");
const QString kAction = QStringLiteral("Action");
const QString kIcon = QStringLiteral("Icon");
const QString kPopup = QStringLiteral("Popup");
// The default that tells a missing "Command" key.
const QString kUndefined = QStringLiteral("xx");

const char* const kNetworkFolder = "{208D2C60-3AEA-1069-A2D7-08002B30309D}";
const char* const kRecycleBinFolder = "{645FF040-5081-101B-9F08-00AA002F954E}";

bool isDirectory(const QString& dosPath)
{
    return dospath::normalize(dosPath) && fileio::status(dosPath, true).directory;
}

QString withoutExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? name : name.left(dot);
}

} // namespace

ButtonLayout layoutButtons(const ButtonSlots& buttons)
{
    ButtonLayout l;
    for (int j = 1; j <= kButtonSlots; ++j)
        l.left[j - 1] = 25 * j - 11;
    for (int j = 1; j <= kButtonSlots; ++j) {
        if (!buttons[j - 1].defined) {
            for (int k = j + 1; k <= kButtonSlots; ++k)
                l.left[k - 1] -= 17;
            continue;
        }
        l.visible[j - 1] = true;
        if (j > 1 && !l.visible[j - 2]) {
            l.separatorLeft[j - 1] = l.left[j - 1] - 5;
            l.separatorVisible[j - 1] = true;
        }
    }
    return l;
}

QString buttonSection(int slot)
{
    return QStringLiteral("Button") + QString::number(slot);
}

ButtonSlots readButtons(bool writeBack)
{
    SettingsSession file;
    ButtonSlots buttons;
    bool wrote = false;
    for (int j = 1; j <= kButtonSlots; ++j) {
        const QString section = buttonSection(j);
        CustomButton& b = buttons[j - 1];
        b.Command = file.readString(section, kCommand, kUndefined);
        if (b.Command == kUndefined) {
            b = CustomButton();
            continue;
        }
        b.defined = true;
        b.Parameter = file.readString(section, kParameter, QString());
        b.Directory = file.readString(section, kDirectory, QString());
        b.Action = file.readString(section, kAction, QString());
        b.Icon = file.readString(section, kIcon, QString());
        b.Popup = file.readBool(section, kPopup, false);
        b.Text = file.readString(section, kText, QStringLiteral("Button"));
        if (b.Icon.isEmpty()) {
            b.Icon = b.Directory + (b.Directory.size() == 3 ? QString() : QStringLiteral("\\")) +
                     b.Command;
            if (writeBack) {
                file.writeString(section, kIcon, b.Icon);
                wrote = true;
            }
        }
    }
    if (wrote)
        file.commit();
    return buttons;
}

void writeButton(int slot, const CustomButton& b)
{
    SettingsSession file;
    const QString section = buttonSection(slot);
    file.writeString(section, kText, b.Text);
    file.writeString(section, kIcon, b.Icon);
    file.writeString(section, kCommand, b.Command);
    file.writeString(section, kDirectory, b.Directory);
    file.writeString(section, kParameter, b.Parameter);
    file.writeString(section, kAction, b.Action);
    file.writeBool(section, kPopup, b.Popup);
    file.commit();
}

void createButtonFromEntry(int slot, const QString& dir, const QString& name)
{
    SettingsSession file;
    const QString section = buttonSection(slot);
    file.writeString(section, kCommand, name);
    file.writeString(section, kParameter, QString());
    file.writeString(section, kDirectory, dir);
    file.writeString(section, kAction, QStringLiteral("open"));
    file.writeString(section, kIcon,
                     dir + (dir.endsWith('\\') ? QString() : QStringLiteral("\\")) + name);
    file.writeString(section, kText, capitalisedName(withoutExtension(name)));
    file.commit();
}

void createButtonFromFile(int slot, const QString& dosPath)
{
    SettingsSession file;
    const QString section = buttonSection(slot);
    const QString name = dospath::fileName(dosPath);
    file.writeString(section, kCommand, name);
    file.writeString(section, kParameter, QString());
    file.writeString(section, kDirectory, dospath::directoryPart(dosPath));
    file.writeString(section, kAction, QStringLiteral("open"));
    file.writeString(section, kIcon, dosPath);
    file.writeString(section, kText, withoutExtension(name));
    file.writeBool(section, kPopup, false);
    file.commit();
}

void moveButton(int from, int to)
{
    if (from == to)
        return;
    SettingsSession file;
    const QString source = buttonSection(from);
    const QString target = buttonSection(to);
    for (const QString& key : {kCommand, kParameter, kDirectory, kAction, kIcon, kText})
        file.writeString(target, key, file.readString(source, key, QString()));
    file.eraseSection(source);
    file.commit();
}

void deleteButton(int slot)
{
    SettingsSession file;
    file.eraseSection(buttonSection(slot));
    file.commit();
}

int dropTargetSlot(const ButtonLayout& layout, int x)
{
    for (int i = 1; i <= kButtonSlots; ++i)
        if (layout.left[i - 1] < x && x < layout.left[i - 1] + 25)
            return i;
    return x > 11 ? kButtonSlots : 1;
}

QString folderBase(const QString& directory)
{
    return directory.size() > 3 ? directory + '\\' : directory;
}

QString quotedWord(const QString& text)
{
    QString q = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == '"' || c == '\\' || c == '$' || c == '`')
            q += '\\';
        q += c;
    }
    return q + '"';
}

QString desktopTrashDirectory()
{
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    const QString base = data.startsWith('/') ? hostname::decodeText(data)
                                              : QDir::homePath() + QStringLiteral("/.local/share");
    const std::optional<QString> dos =
        DriveMap::instance().toDos(base + QStringLiteral("/Trash/files"));
    return dos && isDirectory(*dos) ? *dos : QString();
}

ButtonRun planButtonRun(const CustomButton& b, const QString& pendingParameter,
                        const ButtonContext& context)
{
    const QString path = folderBase(b.Directory) + b.Command;
    ButtonRun run;
    if (b.Command.toLower().endsWith(QLatin1String(".lnk"))) {
        // The two default buttons name shell folders, not paths.
        // The program writes its two links as "NetWork.Lnk" and "Recycled.Lnk"
        // and the default buttons name them "...lnk": on a file system that
        // tells case apart, the extension's spellings are all tried.
        std::optional<QByteArray> bytes;
        const QString stem = path.left(path.size() - 4);
        for (const char* ext : {"", ".Lnk", ".lnk", ".LNK"}) {
            const QString host =
                context.hostPath ? context.hostPath(*ext ? stem + ext : path) : QString();
            if (!host.isEmpty() && (bytes = hostfile::read(host, 64 * 1024)))
                break;
        }
        const std::optional<QString> folder = bytes ? shellFolderOfLink(*bytes) : std::nullopt;
        if (folder == QLatin1String(kNetworkFolder)) {
            run.kind = ButtonRun::Kind::OpenNetwork;
            return run;
        }
        if (folder == QLatin1String(kRecycleBinFolder)) {
            run.directory = context.trashDirectory ? context.trashDirectory() : QString();
            run.kind =
                run.directory.isEmpty() ? ButtonRun::Kind::Nothing : ButtonRun::Kind::OpenDirectory;
            return run;
        }
        const QString target = context.readLinkTarget ? context.readLinkTarget(path) : QString();
        if (!target.isEmpty() && isDirectory(target)) {
            run.kind = ButtonRun::Kind::OpenDirectory;
            run.directory = *dospath::normalize(target);
            return run;
        }
    }
    if (isDirectory(path)) {
        run.kind = ButtonRun::Kind::OpenDirectory;
        run.directory = *dospath::normalize(path);
        return run;
    }
    run.kind = ButtonRun::Kind::Execute;
    run.verb = b.Action;
    run.file = b.Command;
    run.parameters =
        pendingParameter.trimmed().isEmpty() ? b.Parameter : quotedWord(pendingParameter);
    run.workingDirectory = b.Directory;
    return run;
}

QString buttonHostPath(const QString& path, const QString& programDir,
                       const QString& programDirName)
{
    // The program directory of a drive's root is named "C:", so its files
    // read "C:NetWork.lnk".
    QString dos = path;
    if (dos.size() > 2 && dos[1] == ':' && dos[2] != '\\')
        dos.insert(2, '\\');
    if (const std::optional<QString> host = DriveMap::instance().toHost(dos))
        return *host;
    // The program directory off the drives: only its own files.
    if (!programDirName.startsWith('/') || !path.startsWith(programDirName) ||
        path.size() <= programDirName.size())
        return {};
    const QChar separator = path[programDirName.size()];
    const QString name = path.mid(programDirName.size() + 1);
    if ((separator != '/' && separator != '\\') || name.contains('\\') || name.contains('/'))
        return {};
    return programDir + '/' + name;
}

} // namespace dovex
