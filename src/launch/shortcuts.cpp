#include "launch/shortcuts.h"

#include "fileops/deleteengine.h"
#include "fileops/operationstate.h"
#include "platform/dirsearch.h"
#include "platform/dosattr.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostfile.h"
#include "platform/hostname.h"
#include "platform/progresssink.h"

#include <QDir>

namespace dovex {

namespace {

QString asciiUpper(const QString& s)
{
    QString u = s;
    for (QChar& c : u)
        if (c >= 'a' && c <= 'z')
            c = QChar(c.unicode() - 32);
    return u;
}

QString asciiLower(const QString& s)
{
    QString l = s;
    for (QChar& c : l)
        if (c >= 'A' && c <= 'Z')
            c = QChar(c.unicode() + 32);
    return l;
}

// "name.ext" -> "name"; a name without a dot stays itself.
QString withoutExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? name : name.left(dot);
}

QString envOr(const char* name, const QString& fallback)
{
    const QByteArray value = qgetenv(name);
    return value.startsWith('/') ? hostname::decodeText(value) : fallback;
}

std::optional<QString> existingDosDirectory(const QString& hostDir)
{
    const std::optional<QString> dos = DriveMap::instance().toDos(hostDir);
    if (!dos || !fileio::status(*dos, true).directory)
        return std::nullopt;
    return dos;
}

// Asks before a file of the shortcut's name is replaced, as a copy onto it
// would. A directory there is not asked about: the save fails on it and
// says so.
bool mayReplaceShortcut(Prompter& prompter, const QString& linkPath)
{
    const FileStatus there = fileio::status(linkPath);
    if (!there.exists || there.directory)
        return true;
    SilentSink sink;
    OperationState state(prompter, sink);
    return AgreeToReplace(state, linkPath, QString(), QStringLiteral(" Exists,Overwrite?"));
}

} // namespace

QString capitalisedName(const QString& name)
{
    if (name.isEmpty() || asciiUpper(name) != name)
        return name;
    return name.left(1) + asciiLower(name.mid(1));
}

QString shortcutFileName(const QString& sourceName)
{
    return withoutExtension(capitalisedName(sourceName)) + QStringLiteral(".lnk");
}

CreatedLink createLinkShortcut(TShellLink& link, const QString& sourceDir, const QString& name,
                               const QString& destDir, Prompter& prompter)
{
    const QString source = dospath::join(sourceDir, name);
    const FileStatus st = fileio::status(source, true);
    if (name.isEmpty() || !st.exists || !(st.regular || st.directory))
        return {};
    const QString fileName = dospath::fileName(source);
    const QString linkPath = dospath::join(destDir, shortcutFileName(fileName));
    // "notes.lnk" makes "notes.lnk": written beside itself, the shortcut
    // would replace the very file it is to point at.
    if (linkPath == source || fileio::sameFile(linkPath, source))
        return {QString(), Result::failure(QStringLiteral("Cannot create a shortcut over its own "
                                                          "source ") +
                                           source)};
    if (!mayReplaceShortcut(prompter, linkPath))
        return {QString(), {}, true};
    link.Target = source;
    link.IconLocation = source;
    link.Description = QStringLiteral("Link to ") + fileName;
    link.WorkingDir = dospath::directoryPart(source);
    const TShellLink::SaveOutcome saved = link.Save(linkPath);
    if (!saved.result)
        return {QString(), saved.result};
    return {saved.written ? linkPath : QString(), {}};
}

std::optional<QString> userDirFromText(const QByteArray& text, const QByteArray& key,
                                       const QString& home)
{
    std::optional<QString> found;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (!line.startsWith(key + '='))
            continue;
        QByteArray value = line.mid(key.size() + 1);
        if (value.size() < 2 || !value.startsWith('"') || !value.endsWith('"'))
            continue;
        value = value.mid(1, value.size() - 2);
        QByteArray plain;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size())
                ++i;
            plain += value[i];
        }
        if (plain.startsWith("$HOME/") || plain == "$HOME")
            found = home + hostname::decodeText(plain.mid(5));
        else if (plain.startsWith('/'))
            found = hostname::decodeText(plain);
        // anything else is not a valid entry and is passed over
    }
    return found;
}

std::optional<QString> specialFolderPath(SpecialFolder folder)
{
    const QString home = envOr("HOME", QDir::homePath());
    const QString config = envOr("XDG_CONFIG_HOME", home + QStringLiteral("/.config"));
    const QString data = envOr("XDG_DATA_HOME", home + QStringLiteral("/.local/share"));
    auto userDir = [&](const QByteArray& key) {
        const std::optional<QByteArray> text =
            hostfile::read(config + QStringLiteral("/user-dirs.dirs"), 64 * 1024);
        return text ? userDirFromText(*text, key, home) : std::nullopt;
    };
    std::optional<QString> host;
    switch (folder) {
    case SpecialFolder::Desktop:
        host = userDir("XDG_DESKTOP_DIR").value_or(home + QStringLiteral("/Desktop"));
        break;
    case SpecialFolder::Personal:
        host = userDir("XDG_DOCUMENTS_DIR");
        break;
    case SpecialFolder::StartMenu:
        host = data + QStringLiteral("/applications");
        break;
    case SpecialFolder::Programs:
        host = QStringLiteral("/usr/share/applications");
        break;
    case SpecialFolder::Recent:
        break;
    }
    return host ? existingDosDirectory(*host) : std::nullopt;
}

QList<LinkMenuItem> linkMenuItems(const QString& folder)
{
    QList<LinkMenuItem> items;
    DirSearch search;
    const std::uint32_t mask = faReadOnly | faHidden | faSysFile | faArchive;
    for (auto found = search.findFirst(dospath::join(folder, QStringLiteral("*.lnk")), mask); found;
         found = search.findNext()) {
        if (found->attributes & faDirectory)
            continue;
        // The item keeps the file's own name: "A.LNK" is opened as "A.LNK",
        // not as the "A.lnk" its caption would spell on a file system that
        // tells the two apart.
        items.append({withoutExtension(found->name), dospath::join(folder, found->name)});
    }
    return items;
}

} // namespace dovex
