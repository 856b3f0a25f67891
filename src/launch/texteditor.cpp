#include "launch/texteditor.h"

#include "platform/hostname.h"
#include "platform/process.h"

namespace dovex::launch {

namespace {

// Terminals and the words that make each run the command that follows
// (each word of it one argument, never a shell line).
struct Terminal {
    const char* program;
    const char* runWord; // empty: the command follows directly
};

constexpr Terminal kTerminals[] = {
    {"x-terminal-emulator", "-e"},
    {"gnome-terminal", "--"},
    {"konsole", "-e"},
    {"xfce4-terminal", "-x"},
    {"mate-terminal", "-x"},
    {"kitty", ""},
    {"alacritty", "-e"},
    {"foot", ""},
    {"xterm", "-e"},
};

QString terminalNames()
{
    QStringList names{QStringLiteral("$TERMINAL")};
    for (const Terminal& t : kTerminals)
        names << QString::fromLatin1(t.program);
    return names.join(QStringLiteral(", "));
}

// The editor command as words: $VISUAL, $EDITOR, else an installed editor.
// from names where it came from, for the message.
QStringList editorCommand(QString& from)
{
    for (const char* variable : {"VISUAL", "EDITOR"}) {
        const auto words = splitWords(hostname::decodeText(qgetenv(variable)));
        if (words && !words->isEmpty() && !process::findExecutable(words->first()).isEmpty()) {
            from = QLatin1Char('$') + QString::fromLatin1(variable);
            return *words;
        }
    }
    const QString installed = firstInstalled(kTerminalEditors);
    from = installed;
    return installed.isEmpty() ? QStringList() : QStringList{installed};
}

QString problemText(const QString& editorFrom, bool haveEditor, bool desktopFailed)
{
    QString text = desktopFailed ? QStringLiteral("The application for text files did not start, "
                                                  "and no editor could be run in a terminal.")
                                 : QStringLiteral("No program to edit text files was found.");
    text += QStringLiteral("\n\nLooked for: an application for text files (text/plain)");
    if (!haveEditor)
        text += QStringLiteral(", $VISUAL, $EDITOR, and the editors ") +
                kTerminalEditors.join(QStringLiteral(", "));
    else
        text += QStringLiteral(", and a terminal to run ") + editorFrom + QStringLiteral(" in: ") +
                terminalNames();
    return text +
           QStringLiteral(".\n\nSet an application with \"xdg-mime default NAME.desktop "
                          "text/plain\", or set EDITOR (for example EDITOR=nano) and install a "
                          "terminal such as xterm.");
}

} // namespace

QStringList terminalCommand()
{
    const QString chosen = hostname::decodeText(qgetenv("TERMINAL"));
    if (const QString found = process::findExecutable(chosen);
        !chosen.isEmpty() && !found.isEmpty())
        return {found, QStringLiteral("-e")};
    for (const Terminal& t : kTerminals) {
        const QString found = process::findExecutable(QString::fromLatin1(t.program));
        if (found.isEmpty())
            continue;
        QStringList command{found};
        if (*t.runWord)
            command << QString::fromLatin1(t.runWord);
        return command;
    }
    return {};
}

TextEditing planTerminalEditing(const QString& hostFile, const QString& hostDirectory,
                                bool desktopFailed)
{
    QString editorFrom;
    const QStringList editor = editorCommand(editorFrom);
    const QStringList terminal = editor.isEmpty() ? QStringList() : terminalCommand();
    if (terminal.isEmpty())
        return {std::nullopt, problemText(editorFrom, !editor.isEmpty(), desktopFailed)};
    LaunchPlan plan;
    plan.workingDirectory = hostDirectory;
    plan.kind = LaunchPlan::Kind::Program;
    plan.program = terminal.first();
    plan.arguments = terminal.mid(1) + editor + QStringList{hostFile};
    return {plan, {}};
}

} // namespace dovex::launch
