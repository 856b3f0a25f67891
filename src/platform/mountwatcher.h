#pragma once

#include "platform/uniquefd.h"

#include <QObject>

class QSocketNotifier;

namespace dovex {

// Tells when a volume is mounted or unmounted: the kernel marks the mount
// table (/proc/self/mounts) with an exceptional condition on every change
// of it, which a file-system watcher cannot see on /proc.
class MountWatcher : public QObject {
    Q_OBJECT
public:
    explicit MountWatcher(QObject* parent = nullptr);
    ~MountWatcher() override;

    bool valid() const { return m_fd.get() >= 0; }

signals:
    void changed();

private:
    void signalled();

    UniqueFd m_fd;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace dovex
