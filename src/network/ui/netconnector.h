#pragma once

#include "network/netdrives.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

namespace dovex {

// What the network windows need of the program's network drives: the free
// letters, the recent paths, connecting a location to a letter and
// disconnecting one. The program's drive records stand behind it; tests
// script it.
class NetConnector {
public:
    virtual ~NetConnector() = default;

    // Letters D..Z that no drive uses (upper case).
    virtual QList<QChar> freeLetters() const = 0;
    // Recent paths, newest first.
    virtual QStringList recentPaths() const = 0;
    virtual NetStatus connect(const QString& location, QChar letter, const QString& user,
                              const QString& password, bool reconnect, QString* error) = 0;
    virtual bool disconnect(QChar letter, QString* error) = 0;
    // The connected network drives.
    virtual QList<NetDrive> connected() const = 0;

    // A connection where the desktop asks for the credentials itself (its
    // own password window or keyring) instead of the dialog's fields. A
    // connector without one hides the dialog's "Connect Path" button.
    virtual bool offersDesktopPrompt() const { return false; }
    virtual NetStatus connectWithDesktopPrompt(const QString& location, QChar letter,
                                               bool reconnect, QString* error)
    {
        Q_UNUSED(location);
        Q_UNUSED(letter);
        Q_UNUSED(reconnect);
        if (error)
            *error = QStringLiteral("not offered");
        return NetStatus::Failed;
    }
};

} // namespace dovex
