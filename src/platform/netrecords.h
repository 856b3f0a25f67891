#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace dovex::netrecords {

// The program's record of its network drives: which letter each connected
// location was given and where its mount's local directory is, plus the
// recent paths of the connect dialog. No password is ever kept here.
struct Record {
    QChar letter;      // upper case, D..Z
    QString location;  // as the user typed it
    QString hostDir;   // the mount's local directory (absolute, clean)
    bool reconnect = false;
};

struct Records {
    QList<Record> drives;
    QStringList recent; // newest first
};

// Host path of the records file in the program's directory.
QString path();

// The records; a missing, unreadable or damaged file reads as no records
// (lines that do not parse are skipped, one record per letter).
Records read();
// Writes the records whole (temporary file, then rename).
bool write(const Records& records);

// Parses and formats the file's text (exposed for the tests).
Records parse(const QByteArray& text);
QByteArray format(const Records& records);

// True while hostDir is the live local directory of a mount: a directory
// that is a mount point or lies in a FUSE file system (gvfs gives each
// location a directory inside its one FUSE mount). Never contacts the
// remote server for the answer. Tests replace the check.
bool isLiveMount(const QString& hostDir);
void setLiveMountCheck(std::function<bool(const QString&)> check);

} // namespace dovex::netrecords
