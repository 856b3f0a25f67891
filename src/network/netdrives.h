#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace dovex {

// One resource of the network as the browse tree shows it.
struct NetResource {
    enum class Display { Other = 0, Domain = 1, Server = 2, Share = 3 };
    Display display = Display::Other;
    bool printer = false;
    // What a connection names: "\\server\share" for SMB, else a location
    // such as "sftp://host/dir". For Other it is the comment.
    QString remoteName;
    QString comment;
    QString provider;
    // Where the children of this resource are enumerated from (a GIO
    // location); empty for a resource without children.
    QString childLocation;
};

enum class NetStatus { Ok, NoNetwork, BadPassword, Failed };

// The network below the program: GIO and gvfs on a desktop, a recording
// stub in tests. Every call may block; the window shows the hourglass.
class NetProvider {
public:
    virtual ~NetProvider() = default;
    // False when no network service is reachable ("No Network Present").
    // userName: the name to propose in the dialog (may stay empty).
    virtual bool networkPresent(QString* userName) = 0;
    // The resources below parent (empty: the top level); nullopt when that
    // level cannot be opened or enumerated.
    virtual std::optional<QList<NetResource>> enumerate(const QString& parentLocation) = 0;
    // Mounts location ("\\server\share", "smb://...", "sftp://...", "ftp://",
    // "dav://") with the given credentials; on success hostDir is the local
    // directory of the mount.
    virtual NetStatus mount(const QString& location, const QString& user, const QString& password,
                            QString* hostDir, QString* error) = 0;
    virtual NetStatus unmount(const QString& hostDir, QString* error) = 0;
    // The local directory of location while it is mounted; nullopt otherwise.
    virtual std::optional<QString> mountedDir(const QString& location) = 0;
};

// The provider over GIO/gvfs.
std::unique_ptr<NetProvider> MakeGioNetProvider();
// From now on a recorded network drive counts only while gvfs says that its
// directory belongs to the mount of its recorded location (a record naming
// any other directory is passed over); rebuilds the drive map.
void UseGioMountCheck();

// A drive letter given to a network location by the program.
struct NetDrive {
    QChar letter;     // upper case
    QString location; // as the user typed it
    QString hostDir;  // the mount's local directory
    bool reconnect = false;
};

// The program's network drives: which letter each connected location has,
// the recent paths, and the connections to restore at the next start. The
// records live in the program's own settings directory; the drive map maps
// a recorded letter while its mount exists.
class NetDrives {
public:
    explicit NetDrives(NetProvider& provider);

    // Letters D..Z that no drive of the drive map uses (upper case).
    QList<QChar> freeLetters() const;
    // Recent paths, newest first (at most 20 kept).
    QStringList recentPaths() const;

    // Mounts location and gives it letter: the drive map is rebuilt with
    // it. reconnect: mounted again at the next start (the password is never
    // stored). error: the text for Failed.
    NetStatus connect(const QString& location, QChar letter, const QString& user,
                      const QString& password, bool reconnect, QString* error);
    // Unmounts the drive with letter and drops its record.
    bool disconnect(QChar letter, QString* error);
    // The connected network drives (whose mounts exist).
    QList<NetDrive> connected() const;
    // At start-up: mounts the reconnect records that are not mounted yet
    // (without a password) and drops records whose mount is gone.
    void restore();

private:
    // Records a new mount and checks that its letter now reaches it; the
    // error text, or empty. Records of the dead letters are dropped.
    QString recordMount(const NetDrive& drive, const QString& dead);

    NetProvider& m_provider;
};

} // namespace dovex
