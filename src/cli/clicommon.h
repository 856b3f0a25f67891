#pragma once

#include "platform/prompter.h"

#include <QString>

namespace dovex::cli {

// Messages of the engines go to stderr; questions take the answer given on
// the command line (or the first button) and are printed with it.
class CliPrompter : public Prompter {
public:
    Answer ask(Severity severity, const QString& text, Buttons buttons,
               const QString& caption = QString()) override;

    // The answer to give for questions with these buttons; unset gives the
    // first button.
    void setAnswer(Buttons buttons, Answer answer);

private:
    std::optional<std::pair<Buttons, Answer>> m_answers[8];
};

// The name of a date/time as "YYYY-MM-DD HH:MM:SS".
QString isoDateTime(std::uint32_t dosDateTime);

} // namespace dovex::cli
