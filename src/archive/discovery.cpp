#include "archive/discovery.h"

#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"
#include "platform/prompter.h"

#include <sys/stat.h>
#include <unistd.h>

namespace dovex {

namespace {

bool isExecutableFile(const QByteArray& hostPath)
{
    struct stat st {};
    return ::stat(hostPath.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH));
}

// Looks for name in dir and then below it, pre-order, never into a link or
// a mount point; the first hit wins.
std::optional<QString> findBelow(const QString& dir, const QString& name)
{
    const QString base = dir.endsWith('\\') ? dir : dir + '\\';
    const std::optional<QString> host = DriveMap::instance().toHost(base + name);
    if (host && isExecutableFile(hostname::encode(*host)))
        return base + name;
    const auto items = fileio::listDirectory(dir, false);
    if (!items)
        return std::nullopt;
    for (const DirItem& item : *items) {
        if (!item.directory || item.mountPoint)
            continue;
        if (const std::optional<QString> hit = findBelow(base + item.name, name))
            return hit;
    }
    return std::nullopt;
}

} // namespace

const QStringList& ArchiverPrograms()
{
    static const QStringList names = {QStringLiteral("zip"), QStringLiteral("unzip"),
                                      QStringLiteral("arj"), QStringLiteral("rar"),
                                      QStringLiteral("lha"), QStringLiteral("arc"),
                                      QStringLiteral("zoo"), QStringLiteral("mscompress")};
    return names;
}

ArchiverDiscovery::ArchiverDiscovery(Prompter& prompter, QString programDir)
    : m_prompter(prompter), m_programDir(std::move(programDir))
{
}

bool ArchiverDiscovery::isPresent(const QString& name) const
{
    // A link left by an earlier search whose target went away is not there.
    if (isExecutableFile(hostname::encode(m_programDir + '/' + name)))
        return true;
    const QByteArray path = qgetenv("PATH");
    for (const QByteArray& dir : path.split(':')) {
        if (!dir.isEmpty() && isExecutableFile(dir + '/' + hostname::encode(name)))
            return true;
    }
    return false;
}

QString ArchiverDiscovery::FindOnLocalDisks(const QString& name) const
{
    for (char letter = 'c'; letter <= 'w'; ++letter) {
        const QChar drive(letter);
        if (!DriveMap::instance().rootOf(drive))
            continue;
        const DriveKind kind = DriveMap::instance().kind(drive);
        if (kind != DriveKind::Fixed && kind != DriveKind::Removable)
            continue;
        if (const std::optional<QString> hit =
                findBelow(QString(drive) + QStringLiteral(":\\"), name))
            return *hit;
    }
    return QStringLiteral("[None]");
}

bool ArchiverDiscovery::InstallArchiver(const QString& name)
{
    if (isPresent(name))
        return false;
    const QString where = FindOnLocalDisks(name);
    if (where == QLatin1String("[None]"))
        return false;
    const std::optional<QString> target = DriveMap::instance().toHost(where);
    if (!target)
        return false;
    if (!m_shown) {
        m_shown = true;
        if (installing)
            installing(QStringLiteral("From ") + m_programDir);
    }
    // A link rather than a copy: the program keeps its libraries and
    // updates where the system put it.
    const QByteArray link = hostname::encode(m_programDir + '/' + name);
    ::unlink(link.constData()); // a dangling link of an earlier search
    if (::symlink(hostname::encode(*target).constData(), link.constData()) != 0) {
        m_prompter.error(QStringLiteral("Cannot create the file ") + m_programDir + '/' + name);
        return false;
    }
    lastInstalled = where;
    return true;
}

void ArchiverDiscovery::SearchArchivers()
{
    if (m_prompter.ask(
            Severity::Information,
            QStringLiteral("Would you like to search your disk(s) for Compression Tools?"),
            Buttons::YesNo) != Answer::Yes)
        return;
    for (const QString& name : ArchiverPrograms())
        InstallArchiver(name);
    if (!m_shown)
        m_prompter.information(QStringLiteral("No new compression utilities found."));
}

} // namespace dovex
