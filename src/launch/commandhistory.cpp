#include "launch/commandhistory.h"

#include <algorithm>

namespace dovex::launch {

void CommandHistory::push(const QString& text)
{
    std::move_backward(m_slots.begin(), m_slots.end() - 1, m_slots.end());
    m_slots[0] = text;
}

QString CommandHistory::takeLast()
{
    QString text = m_slots[0];
    std::move(m_slots.begin() + 1, m_slots.end(), m_slots.begin());
    m_slots[kSlots - 1] = m_slots[kSlots - 2];
    return text;
}

} // namespace dovex::launch
