#pragma once

#include "platform/prompter.h"

#include <QList>
#include <QString>

#include <deque>

namespace dovex::test {

// Answers questions from a script and records every message it was given.
// Without a scripted answer it gives the first button (Ok, Yes or Abort).
class ScriptedPrompter : public Prompter {
public:
    struct Asked {
        Severity severity;
        QString text;
        Buttons buttons;
        Answer answer;
    };

    void script(std::initializer_list<Answer> answers);
    Answer ask(Severity severity, const QString& text, Buttons buttons,
               const QString& caption = QString()) override;

    const QList<Asked>& asked() const { return m_asked; }
    QStringList texts() const;
    int count(const QString& text) const;
    void clear() { m_asked.clear(); }

private:
    std::deque<Answer> m_script;
    QList<Asked> m_asked;
};

} // namespace dovex::test
