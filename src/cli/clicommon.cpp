#include "cli/clicommon.h"

#include "platform/dostime.h"

#include <cstdio>

namespace dovex::cli {

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

const char* answerName(Answer a)
{
    switch (a) {
    case Answer::Ok: return "OK";
    case Answer::Yes: return "Yes";
    case Answer::No: return "No";
    case Answer::All: return "All";
    case Answer::Cancel: return "Cancel";
    case Answer::Abort: return "Abort";
    case Answer::Retry: return "Retry";
    }
    return "?";
}

} // namespace

void CliPrompter::setAnswer(Buttons buttons, Answer answer)
{
    m_answers[int(buttons)] = std::make_pair(buttons, answer);
}

Answer CliPrompter::ask(Severity, const QString& text, Buttons buttons, const QString&)
{
    Answer answer = firstButton(buttons);
    if (m_answers[int(buttons)])
        answer = m_answers[int(buttons)]->second;
    if (buttons == Buttons::Ok)
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    else
        std::fprintf(stderr, "%s [%s]\n", text.toLocal8Bit().constData(), answerName(answer));
    return answer;
}

QString isoDateTime(std::uint32_t dosDateTime)
{
    const DosDateTimeParts p = unpackDosDateTime(dosDateTime);
    char text[20];
    const auto put = [&text](int at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            text[at + i] = char('0' + value % 10);
    };
    put(0, p.year, 4);
    text[4] = '-';
    put(5, p.month, 2);
    text[7] = '-';
    put(8, p.day, 2);
    text[10] = ' ';
    put(11, p.hour, 2);
    text[13] = ':';
    put(14, p.minute, 2);
    text[16] = ':';
    put(17, p.second, 2);
    return QString::fromLatin1(text, 19);
}

} // namespace dovex::cli
