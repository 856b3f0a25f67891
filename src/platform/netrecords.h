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
    QChar letter;     // upper case, D..Z
    QString location; // as the user typed it
    QString hostDir;  // the mount's local directory (absolute, clean)
    bool reconnect = false;
};

struct Records {
    QList<Record> drives;
    QStringList recent; // newest first
    // The file is longer than kMaxBytes: only the lines before the limit
    // were read.
    bool overLimit = false;
};

inline constexpr qsizetype kMaxBytes = 1024 * 1024;

// Host path of the records file in the program's directory.
QString path();

// The records; a missing or unreadable file reads as no records, lines that
// do not parse are skipped (one record per letter), and of a file longer
// than kMaxBytes the complete lines before the limit are read.
Records read();
// Writes the records whole (temporary file, then rename).
bool write(const Records& records);

// Parses and formats the file's text (exposed for the tests).
Records parse(const QByteArray& text);
QByteArray format(const Records& records);

// True while hostDir lies in gvfs's FUSE mount, in the directory of one of
// its mounted locations (the location's own directory, or a folder below
// it). Never contacts the remote server for the answer. Tests replace the
// check.
bool isLiveMount(const QString& hostDir);
void setLiveMountCheck(std::function<bool(const QString&)> check);

// Whether record names a network drive now: its directory is live and, once
// the network layer has installed its check (which asks gvfs which mount
// holds the directory), belongs to the mount of the record's location.
bool isDriveOf(const Record& record);
void setLocationCheck(std::function<bool(const QString& location, const QString& hostDir)> check);

// Whether the server behind the network drive at hostDir answers within the
// network time limit, asked without going through the drive's directory.
// True when the network layer has installed no check.
bool serverAnswers(const QString& hostDir);
void setAnswerCheck(std::function<bool(const QString& hostDir)> check);

// The network time limit in milliseconds: DOVEX_NET_TIMEOUT seconds (1 to
// 120) when set, else 15 s. No network call waits longer.
int timeLimitMs();

} // namespace dovex::netrecords
