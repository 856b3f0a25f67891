#include "shell/ui/panelcursors.h"

#include "fileops/runoperation.h"
#include "panels/ui/panellist.h"

namespace dovex {

PanelCursors::PanelCursors(std::array<TPanelList*, 2> lists) : m_lists(lists)
{
    for (size_t k = 0; k < 2; ++k) {
        const int at = m_lists[k]->cursor();
        m_rows[k] = at;
        if (at >= 0)
            m_names[k] = m_lists[k]->panel().entries[size_t(at)].name;
    }
}

void PanelCursors::restore() const
{
    for (size_t k = 0; k < 2; ++k)
        m_lists[k]->setCursor(
            CursorAfterReread(m_lists[k]->panel().entries, m_names[k], m_rows[k]));
}

} // namespace dovex
