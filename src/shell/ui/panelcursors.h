#pragma once

#include <QString>

#include <array>

namespace dovex {

class TPanelList;

// The cursor of each panel before a command that changes the disk, put back
// afterwards on its entry, else on its row, else on the last.
class PanelCursors {
public:
    explicit PanelCursors(std::array<TPanelList*, 2> lists);
    void restore() const;

private:
    std::array<TPanelList*, 2> m_lists;
    std::array<QString, 2> m_names;
    std::array<int, 2> m_rows{-1, -1};
};

} // namespace dovex
