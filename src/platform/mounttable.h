#pragma once

#include <QList>
#include <QString>

namespace dovex {

// One line of the kernel's mount table.
struct MountEntry {
    QString device;
    QString mountPoint; // in the program's form of names (hostname.h)
    QString type;
};

// The mounts of this process, read from /proc/self/mounts with the
// kernel's octal escapes (\040 for a blank) undone; empty when unreadable.
QList<MountEntry> ReadMountTable();

} // namespace dovex
