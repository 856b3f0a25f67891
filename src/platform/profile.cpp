#include "platform/profile.h"

#include "platform/locations.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace dovex {

namespace {

constexpr int kValueLimit = 1023;

struct Line {
    QByteArray text; // without the line end
};

QByteArray trimmed(const QByteArray& s)
{
    return s.trimmed();
}

bool isSectionHeader(const QByteArray& line, QByteArray* name)
{
    const QByteArray t = trimmed(line);
    if (!t.startsWith('['))
        return false;
    const int close = t.indexOf(']');
    if (close < 0)
        return false;
    if (name)
        *name = trimmed(t.mid(1, close - 1));
    return true;
}

bool keyOf(const QByteArray& line, QByteArray* key, QByteArray* value)
{
    const QByteArray t = trimmed(line);
    if (t.isEmpty() || t.startsWith(';'))
        return false;
    const int eq = t.indexOf('=');
    if (eq < 0)
        return false;
    *key = trimmed(t.left(eq));
    if (value)
        *value = trimmed(t.mid(eq + 1));
    return true;
}

bool sameName(const QByteArray& a, const QString& b)
{
    return QString::fromUtf8(a).compare(b, Qt::CaseInsensitive) == 0;
}

QList<QByteArray> readLines(const QString& path, bool* crlf, bool* finalNewline)
{
    QFile file(path);
    QList<QByteArray> lines;
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    const QByteArray all = file.readAll();
    *crlf = all.contains("\r\n");
    *finalNewline = all.endsWith('\n');
    lines = all.split('\n');
    if (*finalNewline)
        lines.removeLast();
    for (QByteArray& l : lines)
        if (l.endsWith('\r'))
            l.chop(1);
    return lines;
}

QByteArray cutValue(QByteArray value)
{
    // Classic readers drop one pair of surrounding quotes.
    if (value.size() >= 2 &&
        ((value.startsWith('"') && value.endsWith('"')) ||
         (value.startsWith('\'') && value.endsWith('\''))))
        value = value.mid(1, value.size() - 2);
    if (value.size() > kValueLimit) {
        int cut = kValueLimit;
        while (cut > 0 && (std::uint8_t(value[cut]) & 0xC0) == 0x80)
            --cut; // never split a UTF-8 sequence
        value.truncate(cut);
    }
    return value;
}

Result writeLines(const QString& path, const QList<QByteArray>& lines, bool crlf)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Result::failure(QStringLiteral("Cannot write the file %1").arg(path));
    const QByteArray eol = crlf ? "\r\n" : "\n";
    QByteArray all;
    for (const QByteArray& l : lines)
        all += l + eol;
    if (file.write(all) != all.size() || !file.commit())
        return Result::failure(QStringLiteral("Cannot write the file %1").arg(path));
    return {};
}

// Index range of a section's lines: header index, and one past its last line.
struct SectionSpan {
    int header = -1;
    int end = -1;
};

SectionSpan findSection(const QList<QByteArray>& lines, const QString& section)
{
    SectionSpan span;
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray name;
        if (!isSectionHeader(lines[i], &name))
            continue;
        if (span.header >= 0) {
            span.end = i;
            return span;
        }
        if (sameName(name, section))
            span.header = i;
    }
    if (span.header >= 0)
        span.end = int(lines.size());
    return span;
}

} // namespace

QString profilePath(const QString& file)
{
    if (file.contains('/'))
        return file;
    return windowsDirectory() + '/' + file;
}

QString profileString(const QString& section, const QString& key, const QString& fallback,
                      const QString& file)
{
    bool crlf = false, finalNewline = false;
    const QList<QByteArray> lines = readLines(profilePath(file), &crlf, &finalNewline);
    const SectionSpan span = findSection(lines, section);
    if (span.header < 0)
        return fallback;
    for (int i = span.header + 1; i < span.end; ++i) {
        QByteArray k, v;
        if (keyOf(lines[i], &k, &v) && sameName(k, key))
            return QString::fromUtf8(cutValue(v));
    }
    return fallback;
}

Result writeProfileString(const QString& section, const QString& key, const QString& value,
                          const QString& file)
{
    const QString path = profilePath(file);
    bool crlf = false, finalNewline = true;
    QList<QByteArray> lines = readLines(path, &crlf, &finalNewline);
    const QByteArray entry = key.toUtf8() + '=' + value.toUtf8();
    const SectionSpan span = findSection(lines, section);
    if (span.header < 0) {
        if (!lines.isEmpty() && !trimmed(lines.last()).isEmpty())
            lines.append(QByteArray());
        lines.append('[' + section.toUtf8() + ']');
        lines.append(entry);
        ensureDirectory(QFileInfo(path).absolutePath());
        return writeLines(path, lines, crlf);
    }
    int lastContent = span.header;
    for (int i = span.header + 1; i < span.end; ++i) {
        QByteArray k;
        if (keyOf(lines[i], &k, nullptr) && sameName(k, key)) {
            lines[i] = entry;
            return writeLines(path, lines, crlf);
        }
        if (!trimmed(lines[i]).isEmpty())
            lastContent = i;
    }
    lines.insert(lastContent + 1, entry);
    return writeLines(path, lines, crlf);
}

Result eraseProfileSection(const QString& section, const QString& file)
{
    const QString path = profilePath(file);
    bool crlf = false, finalNewline = true;
    QList<QByteArray> lines = readLines(path, &crlf, &finalNewline);
    const SectionSpan span = findSection(lines, section);
    if (span.header < 0)
        return {};
    lines.erase(lines.begin() + span.header, lines.begin() + span.end);
    return writeLines(path, lines, crlf);
}

} // namespace dovex
