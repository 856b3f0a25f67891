#pragma once

#include "platform/progresssink.h"
#include "platform/prompter.h"

#include <QString>
#include <QStringList>

#include <optional>

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

// The name of a date/time as "YYYY-MM-DD HH:MM:SS"; fields out of their
// range are brought into it, so that every text is a real date.
QString isoDateTime(std::uint32_t dosDateTime);

// A name as one field of a tab-separated row: tab, line feed, carriage
// return and backslash (U+F05C too, which stands for a backslash in a host
// name) are written "\t", "\n", "\r" and "\\", other
// control characters "\xHH", and U+0085, U+2028 and U+2029 "\uHHHH", so
// that a row stays one line of its fields and the text can be read back
// exactly.
QString escapedField(const QString& text);

// A message as it is printed on the terminal: its line break "\r" (the
// windows' message separator) becomes a line feed, a tab stays, and any
// other control character is written "\xHH", so a name inside a message can
// neither overwrite what was printed nor pass for a line of its own.
QString printableMessage(const QString& text);

// The system's text for an errno ("Permission denied").
QString errorText(int error);

// How a kind of question is answered: from stdin, yes to all, or no.
enum class Policy { Ask, All, None };
// "ask", "all" or "none"; nullopt for anything else.
std::optional<Policy> policyOf(const QString& text);
// Prints the question with its choices and reads y, n or a (where "All" is
// one of the buttons) from stdin; anything else, or no input, is No.
Answer answerFromStdin(const QString& text, Buttons buttons);

// Answers the engines' replace questions by policy, as the person would in
// the window: "... Exists,Overwrite?" by overwrite, the protected-file
// questions ("... do you wish to Delete this file?", "Are you sure to
// delete all ...") by protectedFiles; ask reads y, n or a from stdin. Too
// little space is answered No (nothing is written that may not fit), any
// other question with otherQuestions. Every question is printed to stderr
// with its answer; plain messages as CliPrompter prints them.
class PolicyPrompter : public Prompter {
public:
    Policy overwrite = Policy::None;
    Policy protectedFiles = Policy::None;
    Answer otherQuestions = Answer::No;

    Answer ask(Severity severity, const QString& text, Buttons buttons,
               const QString& caption = QString()) override;

private:
    CliPrompter m_plain;
};

// Takes --overwrite and --protected out of args into the prompter; the
// message to fail with when a value is not ask, all or none.
std::optional<QString> takePolicies(QStringList& args, PolicyPrompter& prompter);

// The path with "." and ".." resolved within its drive; empty when it is
// not a path on a mapped drive.
QString onDrive(const QString& path);

// SOURCE, or the entries its last component's wildcard matches, sorted; a
// name that really holds "*" or "?" is that file alone (a pattern must not
// also take its neighbours). nullopt when the directory cannot be read.
std::optional<QStringList> expandSource(const QString& source);

// A directory inside an archive as typed: "/" stands for "\", and no
// separator is kept at either end ("\docs\" is "docs").
QString innerDirectoryArgument(QString typed);

} // namespace dovex::cli
