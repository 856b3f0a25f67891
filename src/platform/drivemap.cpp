#include "platform/drivemap.h"

#include "platform/hostname.h"
#include "platform/mounttable.h"
#include "platform/netrecords.h"
#include "platform/slowdrive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <limits>

namespace dovex {

namespace {

bool isVolume(const MountEntry& m)
{
    static const QStringList network = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs"};
    if (m.mountPoint == QLatin1String("/"))
        return false;
    for (const char* pseudo : {"/proc", "/sys", "/dev", "/run", "/boot", "/snap"}) {
        const QString p = QLatin1String(pseudo);
        if ((m.mountPoint == p || m.mountPoint.startsWith(p + '/')) &&
            !m.mountPoint.startsWith(QLatin1String("/run/media/")))
            return false;
    }
    if (network.contains(m.type))
        return true;
    if (m.type == QLatin1String("iso9660") || m.type == QLatin1String("udf"))
        return true;
    // A RAM disk mounted by hand is a drive of its own kind.
    if (m.type == QLatin1String("tmpfs") || m.type == QLatin1String("ramfs"))
        return true;
    return m.device.startsWith(QLatin1String("/dev/")) &&
           !m.device.startsWith(QLatin1String("/dev/loop"));
}

// The mount that holds a host directory: the longest mount point above it.
std::optional<MountEntry> mountOf(const QString& hostDir)
{
    std::optional<MountEntry> best;
    for (const MountEntry& m : ReadMountTable()) {
        const bool holds = m.mountPoint == QLatin1String("/") || hostDir == m.mountPoint ||
                           hostDir.startsWith(m.mountPoint + '/');
        if (holds && (!best || m.mountPoint.size() >= best->mountPoint.size()))
            best = m;
    }
    return best;
}

bool isRemovableDevice(const QString& device)
{
    if (!device.startsWith(QLatin1String("/dev/")))
        return false;
    QString name = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
    // A partition's disk is its parent in sysfs.
    for (int tries = 0; tries < 2 && !name.isEmpty(); ++tries) {
        QFile flag(QStringLiteral("/sys/class/block/%1/removable").arg(name));
        if (flag.open(QIODevice::ReadOnly))
            return flag.readAll().trimmed() == "1";
        QFileInfo link(QStringLiteral("/sys/class/block/%1").arg(name));
        name = QFileInfo(link.canonicalFilePath()).dir().dirName();
    }
    return false;
}

QString cleanRoot(const QString& dir)
{
    QString root = QDir::cleanPath(dir);
    return root.isEmpty() ? QStringLiteral("/") : root;
}

bool isSeparator(QChar c)
{
    return c == '\\' || c == '/';
}

// The components of the part of a drive-letter path after "X:", with "."
// and empty components dropped and ".." taking back the component before it
// but never leaving the drive. False when a component holds a NUL, which no
// host name can.
bool splitWithinDrive(QStringView rest, QStringList& components)
{
    components.clear();
    qsizetype i = 0;
    while (i < rest.size()) {
        while (i < rest.size() && isSeparator(rest[i]))
            ++i;
        qsizetype end = i;
        while (end < rest.size() && !isSeparator(rest[end]))
            ++end;
        const QStringView part = rest.mid(i, end - i);
        i = end;
        if (part.isEmpty() || part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!components.isEmpty())
                components.removeLast();
            continue;
        }
        if (part.contains(QChar(0)))
            return false;
        components.append(part.toString());
    }
    return true;
}

bool isDrivePath(const QString& dosPath)
{
    return dosPath.size() >= 2 && dosPath[1] == ':' && dosPath[0].isLetter() &&
           dosPath[0].unicode() < 128;
}

// Total and free bytes of the directory host; nullopt when it is none.
std::optional<DriveSpace> spaceOf(const QByteArray& host)
{
    struct statvfs st {};
    if (statvfs(host.constData(), &st) != 0)
        return std::nullopt;
    struct stat dir {};
    if (::stat(host.constData(), &dir) != 0 || !S_ISDIR(dir.st_mode))
        return std::nullopt;
    // A file system may report any counts (a FUSE one makes them up): the
    // products stop at the largest number instead of overflowing.
    const auto bytes = [&](std::uint64_t blocks) {
        std::uint64_t product = 0;
        if (__builtin_mul_overflow(blocks, std::uint64_t(st.f_frsize), &product) ||
            product > std::uint64_t(std::numeric_limits<std::int64_t>::max()))
            return std::numeric_limits<std::int64_t>::max();
        return std::int64_t(product);
    };
    return DriveSpace{bytes(st.f_blocks), bytes(st.f_bavail)};
}

} // namespace

DriveMap& DriveMap::instance()
{
    static DriveMap map;
    return map;
}

DriveMap::DriveMap()
{
    reload();
}

QList<Drive> assignVolumeLetters(const QList<Drive>& previous, const QStringList& mountPoints,
                                 QString& retired, const QString& reserved)
{
    QList<Drive> out;
    QString taken = reserved;
    // A volume still mounted keeps its letter, so a panel's path names the
    // same volume after another one came or went.
    for (const Drive& d : previous)
        if (mountPoints.contains(d.root)) {
            out.append(d);
            taken.append(d.letter);
        } else if (!retired.contains(d.letter)) {
            retired.append(d.letter);
        }
    for (const QString& point : mountPoints) {
        bool known = false;
        for (const Drive& d : std::as_const(out))
            known = known || d.root == point;
        if (known)
            continue;
        // A letter no volume had yet in this run first: a path that still
        // names a volume gone meanwhile must not lead into a new one.
        QChar letter;
        for (int pass = 0; pass < 2 && letter.isNull(); ++pass)
            for (char c = 'D'; c <= 'Y' && letter.isNull(); ++c)
                if (!taken.contains(QLatin1Char(c)) &&
                    (pass == 1 || !retired.contains(QLatin1Char(c))))
                    letter = QLatin1Char(c);
        if (letter.isNull())
            break; // D to Y are all given
        taken.append(letter);
        retired.remove(letter);
        out.append({letter, point});
    }
    return out;
}

void DriveMap::reload()
{
    m_drives.clear();
    m_network.clear();
    m_networkNames.clear();
    // The recorded network drives whose mounts exist; the volumes never
    // take their letters.
    QList<Drive> network;
    for (const netrecords::Record& r : netrecords::read().drives)
        if (netrecords::isDriveOf(r)) {
            network.append({r.letter, r.hostDir});
            m_network.append(r.letter);
            // "smb://host:port/share/dir" and "\\host\share\dir" are "dir".
            QString rest = r.location.mid(r.location.indexOf(QLatin1String("://")) + 1);
            rest.replace('\\', '/');
            const QStringList parts = rest.split('/', Qt::SkipEmptyParts);
            m_networkNames.insert(r.letter, parts.isEmpty() ? r.location : parts.last());
        }
    const QByteArray spec = qgetenv("DOVEX_DRIVES");
    if (!spec.isEmpty()) {
        for (const QString& item : hostname::decode(spec).split(';', Qt::SkipEmptyParts)) {
            const int eq = item.indexOf('=');
            if (eq != 1 || !item[0].isLetter())
                continue;
            m_drives.append({item[0].toUpper(), cleanRoot(item.mid(2))});
        }
    } else {
        const QByteArray home = qgetenv("HOME");
        m_drives.append(
            {QChar('C'), cleanRoot(home.isEmpty() ? QDir::homePath() : hostname::decode(home))});
        QStringList volumes;
        for (const MountEntry& m : ReadMountTable())
            if (isVolume(m) && !volumes.contains(cleanRoot(m.mountPoint)))
                volumes.append(cleanRoot(m.mountPoint));
        // A network drive's directory is never a volume of its own.
        for (const Drive& n : std::as_const(network))
            volumes.removeAll(n.root);
        m_drives.append(assignVolumeLetters(m_volumes, volumes, m_retired, m_network));
        m_volumes.clear();
        for (const Drive& d : std::as_const(m_drives))
            if (d.letter != QChar('C'))
                m_volumes.append(d);
        m_drives.append({QChar('Z'), QStringLiteral("/")});
    }
    // A letter the map already gives keeps its drive.
    QString given;
    for (const Drive& d : std::as_const(m_drives))
        given.append(d.letter);
    for (const Drive& n : std::as_const(network)) {
        if (given.contains(n.letter)) {
            m_network.remove(n.letter);
            continue;
        }
        m_drives.append(n);
        given.append(n.letter);
    }
    std::sort(m_drives.begin(), m_drives.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
}

std::optional<QString> DriveMap::rootOf(QChar letter) const
{
    const QChar up = letter.toUpper();
    for (const Drive& d : m_drives)
        if (d.letter == up)
            return d.root;
    return std::nullopt;
}

std::optional<QString> DriveMap::toHost(const QString& dosPath) const
{
    if (!isDrivePath(dosPath))
        return std::nullopt;
    const std::optional<QString> root = rootOf(dosPath[0]);
    QStringList components;
    if (!root || !splitWithinDrive(QStringView(dosPath).mid(2), components))
        return std::nullopt;
    if (components.isEmpty())
        return *root;
    const QString rest = components.join('/');
    return *root == QLatin1String("/") ? '/' + rest : *root + '/' + rest;
}

bool DriveMap::isDriveRoot(const QString& hostPath) const
{
    const QString path = QDir::cleanPath(hostPath);
    for (const Drive& d : m_drives)
        if (d.root == path)
            return true;
    return false;
}

std::optional<QString> DriveMap::toDos(const QString& hostPath) const
{
    const QString path = QDir::cleanPath(hostPath);
    const Drive* best = nullptr;
    for (const Drive& d : m_drives) {
        const bool holds =
            d.root == QLatin1String("/") || path == d.root || path.startsWith(d.root + '/');
        if (holds && (!best || d.root.size() > best->root.size()))
            best = &d;
    }
    if (!best)
        return std::nullopt;
    QString rest = path.mid(best->root == QLatin1String("/") ? 1 : best->root.size() + 1);
    if (rest.contains('\\'))
        return std::nullopt;
    rest.replace('/', '\\');
    return QString(best->letter) + QStringLiteral(":\\") + rest;
}

DriveKind DriveMap::kind(QChar letter) const
{
    const std::optional<QString> root = rootOf(letter);
    if (!root)
        return DriveKind::NoRoot;
    if (m_network.contains(letter.toUpper()))
        return DriveKind::Remote;
    const std::optional<MountEntry> m = mountOf(*root);
    if (!m)
        return DriveKind::Fixed;
    if (m->type == QLatin1String("iso9660") || m->type == QLatin1String("udf"))
        return DriveKind::CdRom;
    if (QStringList{"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs"}.contains(m->type))
        return DriveKind::Remote;
    if (m->type == QLatin1String("tmpfs") || m->type == QLatin1String("ramfs"))
        return DriveKind::RamDisk;
    if (m->mountPoint.startsWith(QLatin1String("/media/")) ||
        m->mountPoint.startsWith(QLatin1String("/run/media/")) || isRemovableDevice(m->device))
        return DriveKind::Removable;
    return DriveKind::Fixed;
}

namespace {

// udev writes a label's unsafe bytes as "\xHH".
QString unescapeLabel(const QString& name)
{
    const QByteArray raw = hostname::encode(name);
    QByteArray out;
    for (int i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 3 < raw.size() && raw[i + 1] == 'x') {
            bool ok = false;
            const int code = raw.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(code));
                i += 3;
                continue;
            }
        }
        out.append(raw[i]);
    }
    return hostname::decode(out);
}

QString labelOfDevice(const QString& device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return QString();
    const QDir dir(QStringLiteral("/dev/disk/by-label"));
    for (const QString& name : dir.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (QFileInfo(dir.filePath(name)).canonicalFilePath() == target)
            return unescapeLabel(name);
    }
    return QString();
}

} // namespace

QString DriveMap::displayName(QChar letter) const
{
    const std::optional<QString> root = rootOf(letter);
    if (!root)
        return QString();
    if (m_network.contains(letter.toUpper()))
        return m_networkNames.value(letter.toUpper());
    const std::optional<MountEntry> m = mountOf(*root);
    if (m && m->mountPoint == *root && m->device.startsWith(QLatin1String("/dev/"))) {
        const QString label = labelOfDevice(m->device);
        if (!label.isEmpty())
            return label;
    }
    if (*root == QLatin1String("/"))
        return *root;
    return root->mid(root->lastIndexOf('/') + 1);
}

QString driveItemText(QChar letter, const QString& displayName)
{
    return QStringLiteral("%1: %2").arg(letter.toLower(), displayName);
}

std::optional<DriveSpace> DriveMap::space(QChar letter) const
{
    const std::optional<QString> root = rootOf(letter);
    if (!root)
        return std::nullopt;
    // A network drive whose server stopped answering is not ready once the
    // network time limit has passed, instead of holding the caller: the
    // server is asked first, past the drive's directory, where a look could
    // hold this thread until the mount itself gives up.
    if (isNetworkDrive(letter) && !netrecords::serverAnswers(*root))
        return std::nullopt;
    const QByteArray host = hostname::encode(*root);
    const std::optional<std::optional<DriveSpace>> answer =
        slowdrive::call<std::optional<DriveSpace>>(letter, [host] { return spaceOf(host); });
    return answer ? *answer : std::nullopt;
}

namespace dospath {

std::optional<QString> normalize(const QString& dosPath)
{
    QStringList components;
    if (!isDrivePath(dosPath) || !splitWithinDrive(QStringView(dosPath).mid(2), components))
        return std::nullopt;
    return QString(dosPath[0]) + QStringLiteral(":\\") + components.join('\\');
}

QString join(const QString& dir, const QString& name)
{
    if (dir.endsWith('\\'))
        return dir + name;
    return dir + '\\' + name;
}

bool isRoot(const QString& path)
{
    return path.size() <= 3 && path.size() >= 2 && path[1] == ':';
}

QString directoryPart(const QString& path)
{
    if (isRoot(path))
        return path.size() == 2 ? path + '\\' : path;
    const int cut = path.lastIndexOf('\\');
    if (cut < 0)
        return path;
    if (cut <= 2)
        return path.left(3);
    return path.left(cut);
}

QString fileName(const QString& path)
{
    if (isRoot(path))
        return QString();
    return path.mid(path.lastIndexOf('\\') + 1);
}

} // namespace dospath

} // namespace dovex
