#include "panels/ui/diskfollower.h"

#include "panels/filepanel.h"
#include "panels/panelreader.h"
#include "platform/dirwatcher.h"
#include "platform/drivemap.h"
#include "platform/mountwatcher.h"

#include <QTimer>

namespace dovex {

namespace {

// Long enough to gather a burst (an unpacking, a build) into a few updates,
// short enough that a single change shows at once.
constexpr int kFollowDelayMs = 200;

} // namespace

DiskFollower::DiskFollower(QObject* parent, std::array<const FilePanel*, 2> panels, Host host)
    : QObject(parent), m_panels(panels), m_host(std::move(host)),
      m_dirWatcher(new DirWatcher(this)), m_mountWatcher(new MountWatcher(this)),
      m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setInterval(kFollowDelayMs);
    connect(m_timer, &QTimer::timeout, this, &DiskFollower::follow);
    // The first event of a burst starts the timer; later ones only set
    // their flags, so a burst never holds the update back for ever.
    const auto arm = [this] {
        if (!m_timer->isActive())
            m_timer->start();
    };
    connect(m_dirWatcher, &DirWatcher::changed, this, arm);
    connect(m_mountWatcher, &MountWatcher::changed, this, [this, arm] {
        m_mountsPending = true;
        arm();
    });
}

void DiskFollower::watchPanels()
{
    const DriveMap& map = DriveMap::instance();
    for (int k = 0; k < 2; ++k) {
        const FilePanel& p = *m_panels[size_t(k)];
        // Inside an archive only the archive file counts: a change of it
        // reads the level again, its neighbours do not matter.
        const std::optional<QString> host = map.toHost(p.inArchive ? p.archiveFile : p.path);
        if (!host)
            m_dirWatcher->clear(k);
        else if (p.inArchive)
            m_dirWatcher->watchFile(k, *host);
        else
            m_dirWatcher->watchDirectory(k, *host);
    }
}

void DiskFollower::follow()
{
    if (m_host.closing())
        return;
    // Never under an operation of the program's own, nor while panels are
    // read: the update comes after it.
    if (!m_host.idle()) {
        m_timer->start();
        return;
    }
    if (m_mountsPending) {
        m_mountsPending = false;
        mountsChanged();
    }
    const unsigned changed = m_dirWatcher->takeChanged();
    if (changed && m_host.active()) {
        ++m_updates;
        m_host.update(changed);
    }
}

void DiskFollower::mountsChanged()
{
    if (m_host.closing())
        return;
    m_host.rereadDrives();
    if (!m_host.idle() || !m_host.active())
        return;
    unsigned gone = 0;
    for (int k = 0; k < 2; ++k) {
        const FilePanel& p = *m_panels[size_t(k)];
        const bool present =
            p.inArchive ? isExistingFile(p.archiveFile) : isExistingDirectory(p.path);
        if (!present)
            gone |= 1u << k;
    }
    if (gone)
        m_host.update(gone);
}

} // namespace dovex
