#pragma once

#include "network/netdrives.h"
#include "network/ui/netconnector.h"

#include <memory>

namespace dovex {

// The program's own network: the GIO provider and the drive records behind
// the windows' NetConnector.
class NetDrivesConnector : public NetConnector {
public:
    explicit NetDrivesConnector(std::unique_ptr<NetProvider> provider);

    NetProvider& provider() { return *m_provider; }
    NetDrives& drives() { return m_drives; }

    QList<QChar> freeLetters() const override { return m_drives.freeLetters(); }
    QStringList recentPaths() const override { return m_drives.recentPaths(); }
    NetStatus connect(const QString& location, QChar letter, const QString& user,
                      const QString& password, bool reconnect, QString* error) override
    {
        return m_drives.connect(location, letter, user, password, reconnect, error);
    }
    bool disconnect(QChar letter, QString* error) override
    {
        return m_drives.disconnect(letter, error);
    }
    QList<NetDrive> connected() const override { return m_drives.connected(); }

private:
    std::unique_ptr<NetProvider> m_provider;
    NetDrives m_drives;
};

} // namespace dovex
