#pragma once

#include "platform/prompter.h"

#include <memory>

class QWidget;

namespace dovex {

// The program's message boxes: information, warning, error and question
// boxes with the buttons the engine asks for ("All" included), modal, over
// the window in front (a progress window that stays on top, else the given
// one) and with the keyboard focus.
class MessagePrompter : public Prompter {
public:
    explicit MessagePrompter(QWidget* parent = nullptr) : m_parent(parent) {}

    Answer ask(Severity severity, const QString& text, Buttons buttons,
               const QString& caption = QString()) override;

private:
    QWidget* m_parent;
};

// The prompter a command was given, else message boxes over parent.
//
//   PrompterChoice prompter(ctx.prompter, ctx.parent);
//   prompter.get().error(...);
class PrompterChoice {
public:
    PrompterChoice(Prompter* given, QWidget* parent)
    {
        if (!given)
            m_own = std::make_unique<MessagePrompter>(parent);
        m_prompter = given ? given : m_own.get();
    }
    Prompter& get() { return *m_prompter; }

private:
    std::unique_ptr<MessagePrompter> m_own;
    Prompter* m_prompter;
};

} // namespace dovex
