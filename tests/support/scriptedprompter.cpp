#include "scriptedprompter.h"

namespace dovex::test {

namespace {

Answer firstButton(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
    case Buttons::OkCancel:
        return Answer::Ok;
    case Buttons::AbortRetry:
        return Answer::Abort;
    default:
        return Answer::Yes;
    }
}

} // namespace

void ScriptedPrompter::script(std::initializer_list<Answer> answers)
{
    m_script.insert(m_script.end(), answers.begin(), answers.end());
}

Answer ScriptedPrompter::ask(Severity severity, const QString& text, Buttons buttons,
                             const QString&)
{
    Answer answer = firstButton(buttons);
    if (!m_script.empty() && buttons != Buttons::Ok) {
        answer = m_script.front();
        m_script.pop_front();
    }
    m_asked.append({severity, text, buttons, answer});
    return answer;
}

QStringList ScriptedPrompter::texts() const
{
    QStringList out;
    for (const Asked& a : m_asked)
        out << a.text;
    return out;
}

int ScriptedPrompter::count(const QString& text) const
{
    int n = 0;
    for (const Asked& a : m_asked)
        n += a.text == text;
    return n;
}

} // namespace dovex::test
