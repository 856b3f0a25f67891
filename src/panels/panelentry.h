#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace dovex {

// One listed item of a panel: a directory entry on disk or an archive member.
struct PanelEntry {
    QString name;                  // ".." for the parent entry
    QString archivePath;           // member path inside an archive, else empty
    std::uint32_t dosDateTime = 0; // date in the high 16 bits
    std::int64_t size = 0;         // bytes; 64-bit so that large files list right
    std::uint32_t attributes = 0;
    bool selected = false;
    bool directory = false;
    bool ownIcon = false;
    // An archive member that is a symbolic link (a file of its level), and
    // its target, empty when the archive left it out.
    bool link = false;
    QString linkTarget{};
};

using PanelEntries = std::vector<PanelEntry>;

// A panel lists at most this many entries.
inline constexpr int kPanelCapacity = 2048;

} // namespace dovex
