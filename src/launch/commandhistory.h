#pragma once

#include <QString>

#include <array>

namespace dovex::launch {

// The commands typed on the command line, newest in slot 0; kept for the
// run only.
class CommandHistory {
public:
    static constexpr int kSlots = 101;

    // A command that ran: slots 0..99 move to 1..100 (slot 100's text is
    // lost) and text, as typed, becomes slot 0.
    void push(const QString& text);
    // "Last Command": slot 0 comes back for the command line, then slots
    // 1..100 move down to 0..99 (slot 100 keeps its text), so repeated use
    // walks back through older commands.
    QString takeLast();
    const QString& slot(int index) const { return m_slots[size_t(index)]; }

private:
    std::array<QString, kSlots> m_slots;
};

} // namespace dovex::launch
