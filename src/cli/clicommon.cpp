#include "cli/clicommon.h"

#include "cli/clicommand.h"

#include "platform/dirsearch.h"
#include "platform/dostime.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"
#include "platform/process.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

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
    case Answer::Ok:
        return "OK";
    case Answer::Yes:
        return "Yes";
    case Answer::No:
        return "No";
    case Answer::All:
        return "All";
    case Answer::Cancel:
        return "Cancel";
    case Answer::Abort:
        return "Abort";
    case Answer::Retry:
        return "Retry";
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
    const QByteArray shown = hostname::encode(printableMessage(text));
    if (buttons == Buttons::Ok)
        std::fprintf(stderr, "%s\n", shown.constData());
    else
        std::fprintf(stderr, "%s [%s]\n", shown.constData(), answerName(answer));
    return answer;
}

QString printableMessage(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\r')
            out += QLatin1Char('\n');
        else if (u == u'\t' ||
                 (u >= 0x20 && u != 0x7f && (u < 0x80 || u >= 0xa0) && u != 0x2028 && u != 0x2029))
            out += c;
        else
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
    }
    return out;
}

QString isoDateTime(std::uint32_t dosDateTime)
{
    const DosDateTimeParts p = unpackValidDosDateTime(dosDateTime);
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

QString escapedField(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'\t':
            out += QLatin1String("\\t");
            continue;
        case u'\n':
            out += QLatin1String("\\n");
            continue;
        case u'\r':
            out += QLatin1String("\\r");
            continue;
        // A backslash in a host name is held as U+F05C and printed as the
        // backslash it is, so it is escaped like one.
        case u'\\':
        case u'\uF05C':
            out += QLatin1String("\\\\");
            continue;
        default:
            break;
        }
        // Other controls, and the characters some readers take as line
        // breaks, by their code.
        if (u < 0x20 || u == 0x7F)
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else if (u == 0x85 || u == 0x2028 || u == 0x2029)
            out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

std::optional<Policy> policyOf(const QString& text)
{
    if (text == QLatin1String("ask"))
        return Policy::Ask;
    if (text == QLatin1String("all"))
        return Policy::All;
    if (text == QLatin1String("none"))
        return Policy::None;
    return std::nullopt;
}

Answer PolicyPrompter::ask(Severity severity, const QString& text, Buttons buttons,
                           const QString& caption)
{
    if (buttons == Buttons::Ok)
        return m_plain.ask(severity, text, buttons, caption);
    std::optional<Policy> policy;
    // By how the texts end: a name in them may hold any words.
    if (text.endsWith(QLatin1String(" Exists,Overwrite?")) ||
        text.endsWith(QLatin1String(" Exists, Overwrite?")))
        policy = overwrite;
    else if (text.endsWith(QLatin1String("do you wish to Delete this file?")) ||
             text.startsWith(QLatin1String("Are you sure to delete all")))
        policy = protectedFiles;
    else if (text.startsWith(QLatin1String("Not enought space")))
        policy = Policy::None;
    if (policy == Policy::Ask)
        return answerFromStdin(text, buttons);
    Answer answer = otherQuestions;
    if (policy)
        answer = *policy == Policy::None        ? Answer::No
                 : buttons == Buttons::YesNoAll ? Answer::All
                                                : Answer::Yes;
    std::fprintf(stderr, "%s [%s]\n", hostname::encode(text).constData(), answerName(answer));
    return answer;
}

std::optional<QString> takePolicies(QStringList& args, PolicyPrompter& prompter)
{
    const struct {
        const char* name;
        Policy& into;
    } options[] = {{"overwrite", prompter.overwrite}, {"protected", prompter.protectedFiles}};
    for (const auto& option : options) {
        const auto value = takeOption(args, QLatin1String(option.name));
        if (!value)
            continue;
        const std::optional<Policy> policy = policyOf(*value);
        if (!policy)
            return QStringLiteral("--%1 takes ask, all or none").arg(QLatin1String(option.name));
        option.into = *policy;
    }
    return std::nullopt;
}

Answer answerFromStdin(const QString& text, Buttons buttons)
{
    std::fprintf(stderr, "%s [y/n%s] ", hostname::encode(text).constData(),
                 buttons == Buttons::YesNoAll ? "/a" : "");
    std::fflush(stderr);
    std::string line;
    // Ctrl+C at a question ends the command, as it would anywhere else.
    if (std::cin.rdbuf()->in_avail() <= 0 && !process::waitForInput(0))
        return Answer::No;
    if (!std::getline(std::cin, line))
        return Answer::No;
    if (line == "y" || line == "Y")
        return Answer::Yes;
    if ((line == "a" || line == "A") && buttons == Buttons::YesNoAll)
        return Answer::All;
    return Answer::No;
}

QString onDrive(const QString& path)
{
    const std::optional<QString> normal = dospath::normalize(path);
    return normal && DriveMap::instance().rootOf(normal->at(0)) ? *normal : QString();
}

std::optional<QStringList> expandSource(const QString& source)
{
    const QString name = dospath::fileName(source);
    if (!name.contains('*') && !name.contains('?'))
        return QStringList{source};
    const QString dir = dospath::directoryPart(source);
    const auto items = fileio::listDirectory(dir);
    if (!items)
        return std::nullopt;
    for (const DirItem& item : *items)
        if (item.name == name)
            return QStringList{dospath::join(dir, item.name)};
    QStringList out;
    for (const DirItem& item : *items)
        if (wildcardMatches(item.name, name))
            out << dospath::join(dir, item.name);
    out.sort();
    return out;
}

QString innerDirectoryArgument(QString typed)
{
    typed.replace('/', '\\');
    while (typed.startsWith('\\'))
        typed.remove(0, 1);
    while (typed.endsWith('\\'))
        typed.chop(1);
    return typed;
}

} // namespace dovex::cli
