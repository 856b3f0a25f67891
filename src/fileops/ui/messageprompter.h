#pragma once

#include "platform/prompter.h"

class QWidget;

namespace dovex {

// The program's message boxes: information, warning, error and question
// boxes with the buttons the engine asks for ("All" included), modal over
// the given window.
class MessagePrompter : public Prompter {
public:
    explicit MessagePrompter(QWidget* parent = nullptr) : m_parent(parent) {}

    Answer ask(Severity severity, const QString& text, Buttons buttons,
               const QString& caption = QString()) override;

private:
    QWidget* m_parent;
};

} // namespace dovex
