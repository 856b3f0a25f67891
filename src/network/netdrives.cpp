#include "network/netdrives.h"

#include "network/netlocation.h"

#include "platform/drivemap.h"
#include "platform/netrecords.h"

#include <QDir>
#include <QUrl>

namespace dovex {

namespace {

constexpr int kMaxRecent = 20;

void rememberRecent(netrecords::Records& records, const QString& location)
{
    records.recent.removeAll(location);
    records.recent.prepend(location);
    while (records.recent.size() > kMaxRecent)
        records.recent.removeLast();
}

} // namespace

NetDrives::NetDrives(NetProvider& provider) : m_provider(provider) {}

QList<QChar> NetDrives::freeLetters() const
{
    const DriveMap& map = DriveMap::instance();
    const netrecords::Records records = netrecords::read();
    QList<QChar> letters;
    for (char c = 'D'; c <= 'Z'; ++c) {
        const QChar letter = QLatin1Char(c);
        bool used = map.rootOf(letter).has_value();
        // A drive waiting to be reconnected keeps its letter.
        for (const netrecords::Record& r : records.drives)
            used = used || (r.letter == letter && (r.reconnect || netrecords::isDriveOf(r)));
        if (!used)
            letters.append(letter);
    }
    return letters;
}

QStringList NetDrives::recentPaths() const
{
    return netrecords::read().recent;
}

namespace {

// The letters of the records whose mount went away and that wait for no
// reconnection.
QString deadLetters()
{
    QString dead;
    for (const netrecords::Record& r : netrecords::read().drives)
        if (!r.reconnect && !netrecords::isDriveOf(r))
            dead.append(r.letter);
    return dead;
}

// A password written into the location is used, never recorded.
QString passwordFor(const QString& typed, const QString& given)
{
    if (given.isEmpty() && !typed.startsWith(QLatin1String("\\\\")))
        return QUrl(typed).password();
    return given;
}

} // namespace

NetStatus NetDrives::connect(const QString& typed, QChar letterIn, const QString& user,
                             const QString& passwordIn, bool reconnect, QString* error)
{
    const auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return NetStatus::Failed;
    };
    const QChar letter = letterIn.toUpper();
    if (!freeLetters().contains(letter))
        return fail(QStringLiteral("drive %1: is in use").arg(letter));
    if (!netlocation::toGio(typed))
        return fail(
            QStringLiteral("not a network location: %1").arg(netlocation::withoutPassword(typed)));
    const QString location = netlocation::withoutPassword(typed);
    // Read before the mount, which may make an old record of the same
    // location look alive again.
    const QString dead = deadLetters();

    QString hostDir, why;
    const NetStatus status =
        m_provider.mount(location, user, passwordFor(typed, passwordIn), &hostDir, &why);
    if (status != NetStatus::Ok) {
        if (error)
            *error = why;
        return status;
    }
    hostDir = QDir::cleanPath(hostDir);
    if (!hostDir.startsWith('/') || hostDir == QLatin1String("/"))
        return fail(QStringLiteral("the mount of %1 has no local directory").arg(location));
    const QString problem = recordMount({letter, location, hostDir, reconnect}, dead);
    return problem.isEmpty() ? NetStatus::Ok : fail(problem);
}

QString NetDrives::recordMount(const NetDrive& drive, const QString& dead)
{
    netrecords::Records records = netrecords::read();
    // A drive whose mount went away is forgotten (unless it waits to be
    // reconnected), so it cannot come back with a later mount of the same
    // location.
    records.drives.removeIf([&](const netrecords::Record& r) {
        return r.letter == drive.letter || dead.contains(r.letter);
    });
    records.drives.append({drive.letter, drive.location, drive.hostDir, drive.reconnect});
    rememberRecent(records, drive.location);
    if (!netrecords::write(records)) {
        // Without its record the letter would vanish at the next run: the
        // mount is not left behind unnamed.
        m_provider.unmount(drive.hostDir, nullptr);
        return QStringLiteral("the network drives could not be recorded in %1")
            .arg(netrecords::path());
    }
    DriveMap::instance().reload();
    if (DriveMap::instance().rootOf(drive.letter) != drive.hostDir) {
        // The mount's directory cannot be reached (or the letter was taken
        // meanwhile): no record is left that names it.
        records.drives.removeIf(
            [&](const netrecords::Record& r) { return r.letter == drive.letter; });
        netrecords::write(records);
        DriveMap::instance().reload();
        return QStringLiteral("the local directory %1 of the mount cannot be reached")
            .arg(drive.hostDir);
    }
    return {};
}

bool NetDrives::disconnect(QChar letterIn, QString* error)
{
    const QChar letter = letterIn.toUpper();
    netrecords::Records records = netrecords::read();
    const auto it = std::find_if(records.drives.begin(), records.drives.end(),
                                 [&](const netrecords::Record& r) { return r.letter == letter; });
    if (it == records.drives.end()) {
        if (error)
            *error = QStringLiteral("%1: is not a network drive").arg(letter);
        return false;
    }
    // Only the mount of the record's own location is ended: a record that
    // names another directory is merely dropped.
    if (netrecords::isDriveOf(*it)) {
        QString why;
        if (m_provider.unmount(it->hostDir, &why) != NetStatus::Ok && netrecords::isDriveOf(*it)) {
            if (error)
                *error = why;
            return false;
        }
    }
    records.drives.erase(it);
    const bool written = netrecords::write(records);
    DriveMap::instance().reload();
    if (!written && error)
        *error = QStringLiteral("the network drives could not be recorded in %1")
                     .arg(netrecords::path());
    return written;
}

QList<NetDrive> NetDrives::connected() const
{
    QList<NetDrive> list;
    for (const netrecords::Record& r : netrecords::read().drives)
        if (netrecords::isDriveOf(r) && DriveMap::instance().rootOf(r.letter) == r.hostDir)
            list.append({r.letter, r.location, r.hostDir, r.reconnect});
    return list;
}

void NetDrives::restore()
{
    netrecords::Records records = netrecords::read();
    bool changed = false;
    for (qsizetype i = 0; i < records.drives.size();) {
        netrecords::Record& r = records.drives[i];
        if (netrecords::isDriveOf(r)) {
            ++i;
            continue;
        }
        if (r.reconnect) {
            // Mounted again without a password: the desktop's keyring or an
            // anonymous login may answer; else the record waits for the
            // next start.
            QString hostDir;
            if (m_provider.mount(r.location, QString(), QString(), &hostDir, nullptr) ==
                    NetStatus::Ok &&
                hostDir.startsWith('/') && hostDir != r.hostDir) {
                r.hostDir = hostDir;
                changed = true;
            }
            ++i;
            continue;
        }
        records.drives.removeAt(i);
        changed = true;
    }
    if (changed)
        netrecords::write(records);
    DriveMap::instance().reload();
}

} // namespace dovex
