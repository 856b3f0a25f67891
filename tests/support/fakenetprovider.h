#pragma once

#include "network/netdrives.h"
#include "network/ui/netconnector.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace dovex::test {

// A network the test scripts: the resources of each level (by parent
// location, "" the top), whether a network is present, and a record of
// every level asked for.
class FakeNetProvider : public NetProvider {
public:
    bool present = true;
    QString user;
    QMap<QString, std::optional<QList<NetResource>>> levels;
    QStringList enumerated;

    static NetResource share(const QString& remote, const QString& childLocation = {},
                             bool printer = false)
    {
        NetResource r;
        r.display = NetResource::Display::Share;
        r.remoteName = remote;
        r.printer = printer;
        r.provider = QStringLiteral("smb");
        r.childLocation = childLocation;
        return r;
    }
    static NetResource container(NetResource::Display display, const QString& remote,
                                 const QString& childLocation)
    {
        NetResource r;
        r.display = display;
        r.remoteName = remote;
        r.provider = QStringLiteral("smb");
        r.childLocation = childLocation;
        return r;
    }

    bool networkPresent(QString* userName) override
    {
        if (userName)
            *userName = user;
        return present;
    }
    std::optional<QList<NetResource>> enumerate(const QString& parent) override
    {
        enumerated << parent;
        return levels.value(parent, std::optional<QList<NetResource>>{});
    }
    NetStatus mount(const QString&, const QString&, const QString&, QString*,
                    QString* error) override
    {
        if (error)
            *error = QStringLiteral("the windows never mount");
        return NetStatus::Failed;
    }
    NetStatus unmount(const QString&, QString*) override { return NetStatus::Failed; }
    std::optional<QString> mountedDir(const QString&) override { return std::nullopt; }
};

// The program's network drives as the test scripts them: a connection
// that succeeds maps its letter to a fresh directory through DOVEX_DRIVES
// (the DriveFixture puts the variable back), and every call is recorded.
class FakeNetConnector : public NetConnector {
public:
    struct Call {
        QString location;
        QChar letter;
        QString user;
        QString password;
        bool reconnect = false;
        bool desktopPrompt = false;
    };

    QList<QChar> free = {QChar('E'), QChar('F'), QChar('G')};
    QStringList recent;
    NetStatus answer = NetStatus::Ok;
    bool desktopPrompt = false;
    bool refuseDisconnect = false;
    QList<Call> calls;
    QList<QChar> disconnected;
    QList<NetDrive> drives;

    QList<QChar> freeLetters() const override { return free; }
    QStringList recentPaths() const override { return recent; }
    NetStatus connect(const QString& location, QChar letter, const QString& user,
                      const QString& password, bool reconnect, QString* error) override
    {
        calls.append({location, letter, user, password, reconnect, false});
        return finish(location, letter, reconnect, error);
    }
    bool offersDesktopPrompt() const override { return desktopPrompt; }
    NetStatus connectWithDesktopPrompt(const QString& location, QChar letter, bool reconnect,
                                       QString* error) override
    {
        calls.append({location, letter, {}, {}, reconnect, true});
        return finish(location, letter, reconnect, error);
    }
    bool disconnect(QChar letter, QString* error) override
    {
        disconnected << letter;
        if (refuseDisconnect) {
            if (error)
                *error = QStringLiteral("the volume is busy");
            return false;
        }
        for (qsizetype i = 0; i < drives.size(); ++i)
            if (drives[i].letter == letter) {
                drives.removeAt(i);
                unmap(letter);
                return true;
            }
        return false;
    }
    QList<NetDrive> connected() const override { return drives; }

    // The host directory behind a connected letter.
    QString hostDir(QChar letter) const
    {
        for (const NetDrive& d : drives)
            if (d.letter == letter)
                return d.hostDir;
        return {};
    }

private:
    NetStatus finish(const QString& location, QChar letter, bool reconnect, QString* error)
    {
        if (answer != NetStatus::Ok) {
            if (error)
                *error = QStringLiteral("scripted failure");
            return answer;
        }
        auto dir = std::make_shared<QTemporaryDir>();
        m_dirs << dir;
        drives.append({letter.toUpper(), location, dir->path(), reconnect});
        free.removeAll(letter.toUpper());
        QByteArray map = qgetenv("DOVEX_DRIVES");
        map += ';' + QString(letter.toUpper()).toLatin1() + '=' + dir->path().toUtf8();
        qputenv("DOVEX_DRIVES", map);
        return NetStatus::Ok;
    }
    void unmap(QChar letter)
    {
        QList<QByteArray> kept;
        for (const QByteArray& part : qgetenv("DOVEX_DRIVES").split(';'))
            if (!part.startsWith(QString(letter.toUpper()).toLatin1() + '='))
                kept << part;
        qputenv("DOVEX_DRIVES", kept.join(';'));
    }
    QList<std::shared_ptr<QTemporaryDir>> m_dirs;
};

} // namespace dovex::test
