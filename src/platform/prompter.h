#pragma once

#include <QString>

namespace dovex {

enum class Answer { Ok, Yes, No, All, Cancel, Abort, Retry };

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, YesNoAll, YesNoAllCancel, AbortRetry };

enum class Severity { Information, Warning, Error, Question };

// How an engine talks to the person: the message boxes of the program with
// their fixed English texts. Windows show Qt dialogs; tests answer from a
// script and record what was asked. A question closed without a button
// (Escape, the close box) answers Cancel; an Ok box Ok, Abort/Retry Abort.
class Prompter {
public:
    virtual ~Prompter() = default;

    virtual Answer ask(Severity severity, const QString& text, Buttons buttons,
                       const QString& caption = QString()) = 0;

    void information(const QString& text) { ask(Severity::Information, text, Buttons::Ok); }
    void error(const QString& text) { ask(Severity::Error, text, Buttons::Ok); }
};

} // namespace dovex
