#pragma once

#include <QObject>

#include <array>
#include <functional>

class QTimer;

namespace dovex {

class DirWatcher;
class MountWatcher;
struct FilePanel;

// Panels that follow the disk and drives that follow the mounts: changes
// made by other programs reach the panels while the window is active, the
// same way an activation brings them up to date. A burst of changes is
// gathered by one timer into one update.
class DiskFollower : public QObject {
public:
    // What the follower asks of its window.
    struct Host {
        std::function<bool()> closing; // quitting or stopped: nothing more to follow
        // The panels were read once, and no read or operation of the
        // program's own runs: an update now would not come between.
        std::function<bool()> idle;
        std::function<bool()> active;       // an inactive window updates at its activation
        std::function<void()> rereadDrives; // the drive map, the drive boxes and bars
        // The panels brought up to date (which: bits 1 << (panel - 1)).
        std::function<void(unsigned which)> update;
    };

    DiskFollower(QObject* parent, std::array<const FilePanel*, 2> panels, Host host);

    // Watches what each panel shows now: its directory, or inside an
    // archive the archive file.
    void watchPanels();
    // The drive lists after a change of the mounts; a panel whose drive or
    // directory went falls back as on activation.
    void mountsChanged();
    // The number of panel updates changes on the disk caused.
    int updates() const { return m_updates; }

private:
    void follow();

    std::array<const FilePanel*, 2> m_panels;
    Host m_host;
    DirWatcher* m_dirWatcher;
    MountWatcher* m_mountWatcher;
    QTimer* m_timer;
    bool m_mountsPending = false;
    int m_updates = 0;
};

} // namespace dovex
