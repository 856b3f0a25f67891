#include "archive/toolnames.h"

#include "platform/hostname.h"

#include <optional>

namespace dovex::archive {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// The class of the character at i, if it has one.
std::optional<NameClass> classAt(const QString& name, qsizetype i)
{
    const QChar c = name[i];
    if (isBlank(c)) {
        qsizetype start = i, end = i;
        while (start > 0 && isBlank(name[start - 1]))
            --start;
        while (end + 1 < name.size() && isBlank(name[end + 1]))
            ++end;
        if (start == 0 || end == name.size() - 1)
            return NameClass::EdgeBlank;
    }
    switch (c.unicode()) {
    case '[':
        return NameClass::OpenBracket;
    case ']':
        return NameClass::CloseBracket;
    case '*':
        return NameClass::Star;
    case '?':
        return NameClass::Question;
    case '\'':
    case '"':
        return NameClass::Quote;
    case '\\':
    case hostname::kBackslashStandIn:
        return NameClass::Backslash;
    case '\n':
    case '\r':
        return NameClass::LineBreak;
    case 0x7F:
        return NameClass::Delete;
    case '!':
        if (i == 0)
            return NameClass::LeadBang;
        break;
    case '@':
        if (i == 0)
            return NameClass::LeadAt;
        break;
    case '-':
        if (i == 0)
            return NameClass::LeadDash;
        break;
    default:
        if (c.unicode() < 0x20)
            return NameClass::Control;
    }
    return std::nullopt;
}

Passing passingOf(const NameRules& rules, NameClass cls, bool member)
{
    const NameRule& r = rules[std::size_t(cls)];
    return member ? r.members : r.files;
}

// The first class of the name the rules refuse; nullopt when none.
std::optional<NameClass> refusedClass(const NameRules& rules, const QString& name, bool member)
{
    auto refused = [&](NameClass cls) { return passingOf(rules, cls, member) == Passing::Refused; };
    if (name.startsWith(QLatin1Char('.')) && refused(NameClass::LeadingDot))
        return NameClass::LeadingDot;
    if (holdsNonUtf8(name) && refused(NameClass::NotUtf8))
        return NameClass::NotUtf8;
    for (qsizetype i = 0; i < name.size(); ++i)
        if (const auto cls = classAt(name, i); cls && refused(*cls))
            return cls;
    return std::nullopt;
}

} // namespace

bool holdsNonUtf8(const QString& name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate())
            ++i;
        else if (name[i].isSurrogate())
            return true;
    }
    return false;
}

PassedName passName(const NameRules& rules, const QString& name, bool member)
{
    PassedName out;
    if (const auto cls = refusedClass(rules, name, member)) {
        out.refusal = QString::fromUtf8(rules[std::size_t(*cls)].why);
        return out;
    }
    bool dotSlash = false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        const auto cls = classAt(name, i);
        const Passing p = cls ? passingOf(rules, *cls, member) : Passing::Literal;
        // A stand-in is the backslash the tool is to see.
        const QString shown =
            c == QChar(hostname::kBackslashStandIn) ? QStringLiteral("\\") : QString(c);
        switch (p) {
        case Passing::Bracketed:
            out.text += QLatin1Char('[') + shown + QLatin1Char(']');
            break;
        case Passing::Escaped:
            out.text += QLatin1Char('\\') + shown;
            break;
        case Passing::DotSlash:
            dotSlash = true;
            [[fallthrough]];
        case Passing::Literal:
        case Passing::Refused:
            out.text += c;
            break;
        }
    }
    if (dotSlash)
        out.text.prepend(QStringLiteral("./"));
    return out;
}

QString refusalMessage(const QString& given, const QString& tool, const QString& why)
{
    return QStringLiteral("%1 cannot be handed to %2: %3. Nothing was done.")
        .arg(hostname::displayName(given), tool, why);
}

} // namespace dovex::archive
