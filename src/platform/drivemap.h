#pragma once

#include <QChar>
#include <QHash>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace dovex {

// The classic drive kinds, numbered as the platform reported them.
enum class DriveKind {
    Unknown = 0,
    NoRoot = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6
};

struct DriveSpace {
    std::int64_t total = 0;
    std::int64_t free = 0;
};

struct Drive {
    QChar letter; // upper case
    QString root; // host directory, no trailing slash except for "/"
};

// Maps drive letters to host directories and translates paths both ways.
// The map is read from DOVEX_DRIVES ("C=/home/u;D=/media/stick") when set,
// else built from the home directory, "/" and the mounted volumes. Either
// way the network drives the program recorded (netrecords.h) are added,
// each while its mount exists and its letter is free, as remote drives.
class DriveMap {
public:
    static DriveMap& instance();

    // Builds the map again from the environment (tests change DOVEX_DRIVES).
    void reload();

    const QList<Drive>& drives() const { return m_drives; }
    std::optional<QString> rootOf(QChar letter) const;

    // "C:\work\a.txt" -> "/home/u/work/a.txt"; nullopt for an unmapped drive
    // or a text that is not a drive-letter path. ".." and "." are resolved
    // within the drive ("C:\..\x" is "C:\x"), so no drive-letter path names
    // anything above its drive's root. The host path is in the program's
    // form of names (see hostname.h): encode it before a system call.
    std::optional<QString> toHost(const QString& dosPath) const;
    // The drive-letter path of a host path: the drive with the longest root
    // that holds it. A root comes back as "C:\".
    std::optional<QString> toDos(const QString& hostPath) const;

    // True when hostPath is the root of one of the drives: such a directory
    // is never removed or renamed through the program.
    bool isDriveRoot(const QString& hostPath) const;

    DriveKind kind(QChar letter) const;
    // True for a letter the program's network drives gave (cheap: no look
    // at the mount table).
    bool isNetworkDrive(QChar letter) const { return m_network.contains(letter.toUpper()); }
    // The name a drive is shown with: a network drive's share (the last
    // part of its location), the volume's label when the drive's
    // root is the mount point of a labelled block device, else the root's
    // last component ("/" for the file system's root). Reads only
    // /proc/self/mounts and /dev/disk/by-label, so a network mount that
    // does not answer never blocks it.
    QString displayName(QChar letter) const;
    // Total and free bytes; nullopt when the drive is not ready.
    std::optional<DriveSpace> space(QChar letter) const;

private:
    DriveMap();
    QList<Drive> m_drives;
    QList<Drive> m_volumes; // the mounted volumes' letters (built from the mounts only)
    QString m_retired;      // letters of volumes gone in this run
    QString m_network;      // letters of recorded network drives
    QHash<QChar, QString> m_networkNames; // their names, from the locations
};

// Letters D to Y for mounted volumes (host mount points, in mount order): a
// volume of previous keeps its letter, a new one takes the first letter
// that no volume had in this run (retired lists the letters of volumes
// gone; it is updated), else the first free one.
// Letters in reserved (network drives) are never given.
QList<Drive> assignVolumeLetters(const QList<Drive>& previous, const QStringList& mountPoints,
                                 QString& retired, const QString& reserved = QString());

// The kinds a drive box and a drive bar list (removable to RAM disk); a
// letter without a root or of unknown kind is left out.
inline bool isListedKind(DriveKind kind)
{
    return int(kind) >= int(DriveKind::Removable) && int(kind) <= int(DriveKind::RamDisk);
}
// A drive box's item for a drive: "c: name" (the letter in lower case).
QString driveItemText(QChar letter, const QString& displayName);

// Helpers for drive-letter paths.
namespace dospath {

// The path with "." and ".." resolved within its drive, "/" read as "\",
// repeated separators and a trailing one dropped, the letter as written:
// "c:\a\..\..\x" is "c:\x". nullopt for a text that is not a drive-letter path.
std::optional<QString> normalize(const QString& dosPath);
// dir + "\" + name, without doubling the backslash after a root ("C:\").
QString join(const QString& dir, const QString& name);
// "C:\a\b.txt" -> "C:\a"; "C:\a" -> "C:\"; a root stays itself.
QString directoryPart(const QString& path);
// The last component; empty for a root.
QString fileName(const QString& path);
bool isRoot(const QString& path);

} // namespace dospath

} // namespace dovex
