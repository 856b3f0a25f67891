// Panels that follow the disk and drives that follow the mounts: changes
// made by other programs reach the panels while the window is active, the
// same way an activation brings them up to date.
#include "shell/ui/tform1.h"

#include "fileops/ui/fileoperations.h"
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

void TForm1::setupWatchers()
{
    m_dirWatcher = new DirWatcher(this);
    m_mountWatcher = new MountWatcher(this);
    m_followTimer = new QTimer(this);
    m_followTimer->setSingleShot(true);
    m_followTimer->setInterval(kFollowDelayMs);
    connect(m_followTimer, &QTimer::timeout, this, &TForm1::followDisk);
    // The first event of a burst starts the timer; later ones only set
    // their flags, so a burst never holds the update back for ever.
    const auto arm = [this] {
        if (!m_followTimer->isActive())
            m_followTimer->start();
    };
    connect(m_dirWatcher, &DirWatcher::changed, this, arm);
    connect(m_mountWatcher, &MountWatcher::changed, this, [this, arm] {
        m_mountsPending = true;
        arm();
    });
}

void TForm1::watchPanels()
{
    if (!m_dirWatcher)
        return;
    const DriveMap& map = DriveMap::instance();
    for (int n = 1; n <= 2; ++n) {
        const FilePanel& p = panel(n);
        // Inside an archive only the archive file counts: a change of it
        // reads the level again, its neighbours do not matter.
        const std::optional<QString> host = map.toHost(p.inArchive ? p.archiveFile : p.path);
        if (!host)
            m_dirWatcher->clear(n - 1);
        else if (p.inArchive)
            m_dirWatcher->watchFile(n - 1, *host);
        else
            m_dirWatcher->watchDirectory(n - 1, *host);
    }
}

void TForm1::followDisk()
{
    if (m_quitting || m_stopped)
        return;
    // Never under an operation of the program's own, nor while panels are
    // read: the update comes after it.
    if (!m_shown || m_busy > 0 || FileOperationRunning()) {
        m_followTimer->start();
        return;
    }
    if (m_mountsPending) {
        m_mountsPending = false;
        mountsChanged();
    }
    const unsigned changed = m_dirWatcher->takeChanged();
    // An inactive window is brought up to date by its next activation.
    if (changed && isActiveWindow()) {
        ++m_diskUpdates;
        Werkpanelsbij(changed);
    }
}

void TForm1::mountsChanged()
{
    if (m_quitting || m_stopped)
        return;
    rereadDriveLists();
    if (!m_shown || !isActiveWindow() || m_busy > 0 || FileOperationRunning())
        return;
    // A panel whose drive or directory went falls back as on activation.
    unsigned gone = 0;
    for (int n = 1; n <= 2; ++n) {
        const FilePanel& p = panel(n);
        const bool present =
            p.inArchive ? isExistingFile(p.archiveFile) : isExistingDirectory(p.path);
        if (!present)
            gone |= 1u << (n - 1);
    }
    if (gone)
        Werkpanelsbij(gone);
}

} // namespace dovex
