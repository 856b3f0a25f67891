#pragma once

#include <QByteArray>
#include <QString>

namespace dovex {

// The program's first argument, as a desktop or a person gives it, turned
// into the drive-letter path the left panel starts at.
struct StartArgument {
    // A drive-letter path (checked for existence when the window shows, as
    // a typed one is); empty when the argument names nothing to open.
    QString path;
    // What the user is told when the argument could not be taken as given.
    QString notice;
};

// argument is the first argument's bytes: a drive-letter path ("C:\work"),
// a host path (absolute, or relative to workingDirectory) or a local
// "file://" URI, percent escapes taken as the name's bytes. A host path is
// translated through the drive map; one on no drive opens the root of the
// nearest drive (the one reached in the fewest steps through the
// directory tree) and says so. Other URIs, remote hosts and names holding
// a NUL are refused with a notice.
StartArgument readStartArgument(const QByteArray& argument, const QByteArray& workingDirectory);

// The drive whose root is the fewest steps away from hostPath through the
// directory tree (up to a common ancestor, then down); the earlier drive of
// the map on a tie. Empty when the map has no drive.
QString nearestDriveRoot(const QString& hostPath);

} // namespace dovex
