#pragma once

#include "platform/drivemap.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <cstdint>
#include <optional>

namespace dovex::sysinfo {

// The texts of the System Info table, one per row below the header.
struct SystemInfo {
    QString processor;
    QString display;
    QString memory;
    QString system;
    QString disks;
};

// The screen as the window toolkit reports it (pixels, bits per pixel).
struct DisplayInfo {
    int width = 0;
    int height = 0;
    int depth = 0;
};

// One drive of the drive map as the disk total sees it.
struct DiskSample {
    QChar letter;
    DriveKind kind = DriveKind::Unknown;
    std::optional<DriveSpace> space;     // nullopt: not ready (no medium)
    std::optional<std::uint64_t> device; // st_dev of the root, when known
};

struct DiskTotals {
    std::uint64_t total = 0;
    std::uint64_t free = 0;
    int counted = 0;
};

// Where the texts are read from; tests point these at files of their own.
struct Sources {
    QString cpuinfo = QStringLiteral("/proc/cpuinfo");
    QString meminfo = QStringLiteral("/proc/meminfo");
    QStringList osRelease = {QStringLiteral("/etc/os-release"),
                             QStringLiteral("/usr/lib/os-release")};
};

// The processor's model name from the text of /proc/cpuinfo, tidied of
// trade marks and the clock rate so it fits its cell; empty when the text
// names none.
QString processorText(const QByteArray& cpuinfo);
// The physical memory in bytes from the text of /proc/meminfo (MemTotal),
// saturated at the largest number; nullopt when absent or malformed.
std::optional<std::uint64_t> memTotalBytes(const QByteArray& meminfo);
// "<n> MB", n the bytes / 2^20 rounded to the nearest whole number;
// "unknown" without a value.
QString memoryText(std::optional<std::uint64_t> bytes);
// The distribution's name and version from the text of an os-release file
// (NAME and VERSION_ID, else PRETTY_NAME); empty when it names none.
QString distributionName(const QByteArray& osRelease);
// "<sysname> <major>.<minor>" from uname's values, with the distribution
// in parentheses when known: "Linux 6.1 (Debian GNU/Linux 12)".
QString systemText(const QString& sysname, const QString& release, const QString& distribution);
// 2 raised to the depth, saturated at the largest 64-bit number; 0 for a
// negative depth.
std::uint64_t colourCount(int depth);
// "800x600, 65536 colors"; "no display" when there is no screen.
QString displayText(std::optional<DisplayInfo> display);
// The totals of the fixed and removable drives C to W that report a size,
// each volume counted once however many letters map into it, added
// without overflow.
DiskTotals addDisks(const QList<DiskSample>& disks);
// "Total <MB> MB , free <MB> MB", MB rounded down.
QString diskText(const DiskTotals& totals);

// The drives of the drive map, looked at now.
QList<DiskSample> sampleDrives(const DriveMap& map);
// Everything, read now from the sources, the drive map and uname.
SystemInfo collect(std::optional<DisplayInfo> display, const Sources& sources = {});
// The six rows of the table: the header row, then label and text.
QList<QPair<QString, QString>> rows(const SystemInfo& info);

} // namespace dovex::sysinfo
