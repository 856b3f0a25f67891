#include "shell/settingsfile.h"

#include "platform/profile.h"

namespace dovex {

SettingsError::SettingsError(QString section, QString key, QString value)
    : std::runtime_error("malformed integer in the settings file"), m_section(std::move(section)),
      m_key(std::move(key)), m_value(std::move(value))
{
}

QString SettingsError::message() const
{
    return QStringLiteral("The value \"%1\" of the key \"%2\" in section [%3] of %4 is not a "
                          "valid integer. Correct or remove it and start the program again.")
        .arg(m_value, m_key, m_section, SettingsFile::kFileName);
}

SettingsWriteError::SettingsWriteError(const QString& message)
    : std::runtime_error(message.toStdString())
{
}

std::optional<int> parseDecimal(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    int i = 0;
    if (t[0] == '+' || t[0] == '-')
        i = 1;
    if (i == t.size())
        return std::nullopt;
    for (int k = i; k < t.size(); ++k)
        if (t[k] < '0' || t[k] > '9')
            return std::nullopt;
    bool ok = false;
    const int value = t.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

QString SettingsFile::readString(const QString& section, const QString& key,
                                 const QString& fallback)
{
    return profileString(section, key, fallback, kFileName);
}

int SettingsFile::readInteger(const QString& section, const QString& key, int fallback)
{
    const QString text = readString(section, key, QString()).trimmed();
    if (text.isEmpty())
        return fallback;
    bool ok = false;
    int value = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toInt(&ok, 16);
    else if (const std::optional<int> d = parseDecimal(text))
        value = *d, ok = true;
    return ok ? value : fallback;
}

bool SettingsFile::readBool(const QString& section, const QString& key, bool fallback)
{
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

int SettingsFile::readDecimal(const QString& section, const QString& key, int fallback)
{
    const QString text = readString(section, key, QString::number(fallback));
    const std::optional<int> value = parseDecimal(text);
    if (!value)
        throw SettingsError(section, key, text);
    return *value;
}

void SettingsFile::writeString(const QString& section, const QString& key, const QString& value)
{
    const Result r = writeProfileString(section, key, value, kFileName);
    if (!r)
        throw SettingsWriteError(r.error());
}

void SettingsFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void SettingsFile::eraseSection(const QString& section)
{
    const Result r = eraseProfileSection(section, kFileName);
    if (!r)
        throw SettingsWriteError(r.error());
}

} // namespace dovex
