#pragma once

#include <QString>

#include <array>
#include <cstddef>

namespace dovex::archive {

// The kinds of character a file or member name can hold that an archiver
// may read as something other than itself.
enum class NameClass {
    EdgeBlank,    // a blank or tab at the start or the end of the name
    OpenBracket,  // "["
    CloseBracket, // "]"
    Star,         // "*"
    Question,     // "?"
    LeadBang,     // "!" at the start
    LeadAt,       // "@" at the start
    LeadDash,     // "-" at the start
    Quote,        // "'" or '"'
    Backslash,    // "\" (a Linux name may hold one)
    Control,      // a control character (0x01 to 0x1F) other than a line break
    Delete,       // 0x7F
    LineBreak,    // "\n" or "\r"
    NotUtf8,      // a byte that is no part of valid UTF-8
    LeadingDot,   // the path starts with "." (".profile", ".../x")
};
inline constexpr std::size_t kNameClasses = std::size_t(NameClass::LeadingDot) + 1;

// How a tool is given a name of a class.
enum class Passing {
    Literal,   // as it is: the tool takes it for itself
    Bracketed, // each such character as "[c]", the tool's pattern for it alone
    Escaped,   // each such character after a "\", the tool's escape
    DotSlash,  // the whole name as "./name" (files only: a member has no such form)
    Refused,   // the item is refused by name before the tool runs
};

// One row of a tool's table: how a class is passed in the names of files
// (adding) and of members (extracting, deleting), what the tool was seen to
// do with it, and the reason a refusal names.
struct NameRule {
    NameClass cls;
    Passing files;
    Passing members;
    const char* seen; // what the installed tool did with such a name
    const char* why;  // refusal text: "... cannot be handed to <tool>: " + why
};
using NameRules = std::array<NameRule, kNameClasses>;

// True when rules has one row per class, in the order of NameClass, and
// only sensible passings (no bracket or escape for a class that is no
// character, no "./" for members).
constexpr bool wellFormed(const NameRules& rules)
{
    for (std::size_t i = 0; i < kNameClasses; ++i) {
        const NameRule& r = rules[i];
        if (std::size_t(r.cls) != i || r.members == Passing::DotSlash)
            return false;
        const bool wholeName = r.cls == NameClass::NotUtf8 || r.cls == NameClass::LeadingDot ||
                               r.cls == NameClass::LineBreak;
        for (Passing p : {r.files, r.members})
            if (wholeName && (p == Passing::Bracketed || p == Passing::Escaped))
                return false;
    }
    return true;
}

// A name ("/" between directories, host form) as the tool is to be given
// it, or the reason it is refused.
struct PassedName {
    QString text;    // what goes into the list file or the argument
    QString refusal; // non-empty: refused, with this reason
};
PassedName passName(const NameRules& rules, const QString& name, bool member);

// True when a name (hostname form) holds a byte that is no part of valid
// UTF-8: a lone surrogate stands for it.
bool holdsNonUtf8(const QString& name);

// The message that stops a command over a refused name.
QString refusalMessage(const QString& given, const QString& tool, const QString& why);

} // namespace dovex::archive
