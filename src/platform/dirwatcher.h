#pragma once

#include "platform/uniquefd.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>

class QSocketNotifier;

namespace dovex {

// Tells when something changes in the directory of one of a few slots
// (inotify). A slot watches either a whole directory (every entry made,
// removed, renamed, written or changed in its attributes, and the directory
// itself going away) or one file in it: then only events that name that
// file count, whether the file is written, replaced by a rename or removed.
// Watching the file's directory rather than the file catches a file
// replaced by a new one, which a watch on the old file would miss.
//
// Paths are host paths in the program's form of names (hostname.h); they
// are encoded, never handed to Qt's file classes, so any byte name works.
// Events only set the slot's flag and emit changed(); the receiver decides
// when to act, so a burst costs no more than one flag per event.
class DirWatcher : public QObject {
    Q_OBJECT
public:
    static constexpr int kSlots = 2;

    explicit DirWatcher(QObject* parent = nullptr);
    ~DirWatcher() override;

    // False when the kernel gave no inotify instance (the limit of
    // instances reached): nothing is watched then.
    bool valid() const { return m_fd.get() >= 0; }

    // What a slot watches; an empty directory watches nothing. Setting the
    // same target again keeps the watch.
    void watchDirectory(int slot, const QString& hostDir);
    void watchFile(int slot, const QString& hostFile);
    void clear(int slot);

    // The slots with a change since the last take, as bits (1 << slot).
    unsigned takeChanged();
    // The same bits, left in place.
    unsigned pending() const { return m_changed; }

signals:
    void changed();

private:
    struct Slot {
        QByteArray dir;  // encoded host directory
        QByteArray name; // encoded file name; empty: the whole directory
        int wd = -1;
    };
    void point(int slot, const QByteArray& dir, const QByteArray& name);
    void release(int wd);
    void readEvents();

    UniqueFd m_fd;
    QSocketNotifier* m_notifier = nullptr;
    std::array<Slot, kSlots> m_slots;
    unsigned m_changed = 0;
};

} // namespace dovex
