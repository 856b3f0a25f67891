#include "panels/textformat.h"

#include "panels/filepanel.h"
#include "panels/filetypetable.h"
#include "platform/dosattr.h"
#include "platform/dostime.h"
#include "platform/prompter.h"

#include <QDateTime>
#include <QLocale>

namespace dovex {

namespace {

// The locale's time format without the time-zone field, which the long time
// of the classic desktop never showed.
QString longTimeFormat(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == '\'')
            quoted = !quoted;
        if (!quoted && c == 't')
            continue;
        out += c;
    }
    return out.trimmed();
}

QString padSeven(QString part)
{
    return part.size() == 7 ? QLatin1Char('0') + part : part;
}

QString entryDetails(const PanelEntry& e, const FileTypeTable* types)
{
    QString line = e.name + QLatin1Char(' ');
    if (e.name == QLatin1String(".."))
        line += QStringLiteral("  [UP--DIR] ");
    else if (e.directory)
        line += QStringLiteral("  [SUB-DIR] ");
    else
        line += thousands(e.size) + QLatin1Char(' ');
    line += DateTimeText(e.dosDateTime);
    if (!e.directory && types) {
        if (const FileTypeRecord* record = types->find(e.name))
            line += QStringLiteral("  ") + record->description;
    }
    return line;
}

} // namespace

QString thousands(std::int64_t value)
{
    // Grouped by hand: the C locale's number options would drop the
    // separator, and "#,##0" always has one.
    const QString separator = QLocale().groupSeparator();
    const bool negative = value < 0;
    // Through unsigned, so that the most negative value has a magnitude.
    std::uint64_t magnitude =
        negative ? std::uint64_t(0) - std::uint64_t(value) : std::uint64_t(value);
    QString digits = QString::number(magnitude);
    QString out;
    const int n = int(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += separator;
        out += digits[i];
    }
    return negative ? QLatin1Char('-') + out : out;
}

QString SizeText(std::int64_t size)
{
    QString text;
    if (size > 999'999'999)
        text = thousands(size / 1'048'576) + QStringLiteral("MB");
    else if (size > 9'999'999)
        text = thousands(size / 1024) + QStringLiteral("KB");
    else
        text = thousands(size);
    return text.rightJustified(9, QLatin1Char(' '));
}

QString AttrText(std::uint32_t attributes)
{
    QString s(4, QLatin1Char('_'));
    if (attributes & faReadOnly)
        s[0] = 'R';
    if (attributes & faHidden)
        s[1] = 'H';
    if (attributes & faSysFile)
        s[2] = 'S';
    if (attributes & faDirectory)
        s[3] = 'D';
    else if (attributes & faArchive)
        s[3] = 'A';
    return s;
}

QString DateTimeText(std::uint32_t dosDateTime)
{
    const DosDateTimeParts p = unpackDosDateTime(dosDateTime);
    const QLocale locale;
    // A packed value may hold an impossible day or time (day 0, second 62);
    // such parts come out as they are stored rather than as an empty text.
    const QDate date(p.year, p.month, p.day);
    const QTime time(p.hour, p.minute, p.second);
    const QString dateText = date.isValid() ? locale.toString(date, QLocale::ShortFormat)
                                            : QStringLiteral("%1-%2-%3")
                                                  .arg(p.year)
                                                  .arg(p.month, 2, 10, QLatin1Char('0'))
                                                  .arg(p.day, 2, 10, QLatin1Char('0'));
    const QString timeText = time.isValid() ? locale.toString(time, longTimeFormat(locale))
                                            : QStringLiteral("%1:%2:%3")
                                                  .arg(p.hour, 2, 10, QLatin1Char('0'))
                                                  .arg(p.minute, 2, 10, QLatin1Char('0'))
                                                  .arg(p.second, 2, 10, QLatin1Char('0'));
    return padSeven(dateText) + QLatin1Char(' ') + padSeven(timeText);
}

std::optional<QString> SelectionLineText(const FilePanel& panel, int cursor,
                                         const FileTypeTable* types)
{
    if (panel.entries.empty())
        return QStringLiteral("No files");
    std::int64_t total = 0;
    int count = 0;
    for (const PanelEntry& e : panel.entries) {
        if (e.selected) {
            total += e.size;
            ++count;
        }
    }
    if (count > 0)
        return thousands(total) + QStringLiteral(" bytes in ") + QString::number(count) +
               QStringLiteral(" files");
    if (cursor < 0 || cursor >= int(panel.entries.size()))
        return std::nullopt;
    return entryDetails(panel.entries[size_t(cursor)], types);
}

bool waitForDrive(QChar letter, Prompter& prompter)
{
    const QString text = QStringLiteral("Drive ") + letter.toLower() + QStringLiteral(" not ready");
    while (!DriveMap::instance().space(letter)) {
        if (prompter.ask(Severity::Error, text, Buttons::AbortRetry) != Answer::Retry)
            return false;
    }
    return true;
}

std::optional<QString> UpdateSelectionLine(const FilePanel& panel, int cursor,
                                           const FileTypeTable* types, Prompter& prompter,
                                           const std::function<int()>& onAbort)
{
    if (!panel.path.isEmpty() && panel.path[0].isLetter() && !waitForDrive(panel.path[0], prompter))
        cursor = onAbort ? onAbort() : cursor;
    return SelectionLineText(panel, cursor, types);
}

QString DriveInfoText(QChar letter, const std::optional<DriveSpace>& space)
{
    const QString drive = QStringLiteral("Drive ") + letter.toUpper() + QLatin1Char(':');
    if (!space)
        return drive + QStringLiteral(" not ready.");
    if (space->total >= 9'437'184)
        return drive + QLatin1Char(' ') + QString::number(space->total / 1'048'576) +
               QStringLiteral(" MB Total, ") + QString::number(space->free / 1'048'576) +
               QStringLiteral(" MB Free.");
    // The small-drive form names the drive by its lower-case letter alone
    // ("Drive a 1,423 KB Total, ..."); the letter stays the 7th character.
    return QStringLiteral("Drive ") + letter.toLower() + QLatin1Char(' ') +
           thousands(space->total / 1024) + QStringLiteral(" KB Total, ") +
           thousands(space->free / 1024) + QStringLiteral(" KB Free.");
}

QString DriveInfoText(const QString& path)
{
    if (path.isEmpty() || !path[0].isLetter())
        return QString();
    return DriveInfoText(path[0], DriveMap::instance().space(path[0]));
}

} // namespace dovex
