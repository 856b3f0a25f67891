#include "fileops/fieldform.h"

#include <utility>

namespace dovex {

namespace {

// The form being made. Text that stands for itself waits in pending until
// the next field, so that letters next to each other go into one quoted
// run: "'d''e'" would read as the one text "d'e".
struct Building {
    FieldForm out;
    QString pending;
};

// Pending text into the format: letters quoted, a quote doubled, inside
// quoted letters or alone.
void flush(Building& b)
{
    bool open = false;
    for (const QChar c : std::as_const(b.pending)) {
        if (c != '\'' && c.isLetter() != open) {
            b.out.format += '\'';
            open = !open;
        }
        b.out.format += c == '\'' ? QStringLiteral("''") : QString(c);
    }
    if (open)
        b.out.format += '\'';
    b.pending.clear();
}

// A character as itself; escaped in the mask where the mask would read it
// as a rule.
void literal(Building& b, QChar c)
{
    static const QString metas = QStringLiteral("AaNnXx90Dd#HhBb<>!{}[];\\");
    b.pending += c;
    if (metas.contains(c))
        b.out.mask += '\\';
    b.out.mask += c;
}

void field(Building& b, const QString& token, const QString& mask)
{
    flush(b);
    b.out.format += token;
    b.out.mask += mask;
}

// Quoted text from the quote at i ("''" inside is a quote, and so is "''"
// alone), each character literal. Returns the index after the closing quote.
qsizetype takeQuoted(const QString& f, qsizetype i, Building& out)
{
    if (i + 1 < f.size() && f[i + 1] == '\'') {
        literal(out, '\'');
        return i + 2;
    }
    qsizetype j = i + 1;
    for (; j < f.size(); ++j) {
        if (f[j] == '\'') {
            if (j + 1 < f.size() && f[j + 1] == '\'') {
                literal(out, '\'');
                ++j;
                continue;
            }
            break;
        }
        literal(out, f[j]);
    }
    return j + 1;
}

// A run of one pattern character at i, run long: the field it stands for,
// or the characters themselves. Returns how many characters it took (a day
// half "AP" one more than its run).
qsizetype takeRun(const QString& f, qsizetype i, qsizetype run, Building& out)
{
    const QChar c = f[i];
    switch (c.unicode()) {
    case 'd':
        if (run <= 2)
            field(out, QStringLiteral("dd"), QStringLiteral("99"));
        break; // a weekday name
    case 'M':
        field(out, QStringLiteral("MM"), QStringLiteral("99"));
        break;
    case 'y':
        if (run == 2)
            field(out, QStringLiteral("yy"), QStringLiteral("99"));
        else
            field(out, QStringLiteral("yyyy"), QStringLiteral("9999"));
        break;
    case 'h':
    case 'H':
        field(out, QString(2, c), QStringLiteral("99"));
        break;
    case 'm':
        field(out, QStringLiteral("mm"), QStringLiteral("99"));
        break;
    case 's':
        field(out, QStringLiteral("ss"), QStringLiteral("99"));
        break;
    case 'z':
    case 't':
        break;
    case 'A':
    case 'a':
        // "AP", "ap", "A" or "a": the day half, two letters.
        if (i + run < f.size() && (f[i + run] == 'P' || f[i + run] == 'p'))
            ++run;
        field(out, QStringLiteral("AP"), QStringLiteral("aa"));
        break;
    default:
        if (c.isLetter()) // a field Qt may add later: unknown, so left out
            break;
        for (qsizetype k = 0; k < run; ++k)
            literal(out, c);
    }
    return run;
}

// Without what a dropped field leaves at either end (", ", " ").
QString trimmedEnds(QString s)
{
    while (!s.isEmpty() && (s.back().isSpace() || s.back() == ',' || s.back() == '.'))
        s.chop(1);
    while (!s.isEmpty() && (s.front().isSpace() || s.front() == ','))
        s.remove(0, 1);
    return s;
}

} // namespace

FieldForm fixedWidthForm(const QString& systemFormat)
{
    const QString& f = systemFormat;
    Building b;
    for (qsizetype i = 0; i < f.size();) {
        if (f[i] == '\'') {
            i = takeQuoted(f, i, b);
            continue;
        }
        qsizetype run = 1;
        while (i + run < f.size() && f[i + run] == f[i])
            ++run;
        i += takeRun(f, i, run, b);
    }
    flush(b);
    return {trimmedEnds(b.out.format), trimmedEnds(b.out.mask)};
}

FieldForm dateFieldForm(const QString& systemShortDate)
{
    FieldForm f = fixedWidthForm(systemShortDate);
    // A month written as a name becomes its number: the blanks around it
    // would then run three numbers together, so slashes part them.
    if (systemShortDate.contains(QLatin1String("MMM"))) {
        f.format.replace(' ', '/');
        f.mask.replace(' ', '/');
    }
    if (!f.format.contains(QLatin1String("dd")) || !f.format.contains(QLatin1String("MM")) ||
        !f.format.contains(QLatin1String("yy")))
        f = {QStringLiteral("dd/MM/yy"), QStringLiteral("99/99/99")};
    return f;
}

FieldForm timeFieldForm(const QString& systemLongTime)
{
    FieldForm f = fixedWidthForm(systemLongTime);
    if (!f.format.contains(QLatin1String("mm")))
        f = {QStringLiteral("HH:mm:ss"), QStringLiteral("99:99:99")};
    return f;
}

} // namespace dovex
