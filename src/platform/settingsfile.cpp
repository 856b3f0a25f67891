#include "platform/settingsfile.h"

#include "platform/profile.h"

#include <utility>

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

namespace {

int integerOf(const QString& stored, int fallback)
{
    const QString text = stored.trimmed();
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

int decimalOf(const QString& section, const QString& key, const QString& text)
{
    const std::optional<int> value = parseDecimal(text);
    if (!value)
        throw SettingsError(section, key, text);
    return *value;
}

QString boolText(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

QString SettingsFile::readString(const QString& section, const QString& key,
                                 const QString& fallback)
{
    return profileString(section, key, fallback, kFileName);
}

int SettingsFile::readInteger(const QString& section, const QString& key, int fallback)
{
    return integerOf(readString(section, key, QString()), fallback);
}

bool SettingsFile::readBool(const QString& section, const QString& key, bool fallback)
{
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

int SettingsFile::readDecimal(const QString& section, const QString& key, int fallback)
{
    return decimalOf(section, key, readString(section, key, QString::number(fallback)));
}

void SettingsFile::writeString(const QString& section, const QString& key, const QString& value)
{
    const Result r = writeProfileString(section, key, value, kFileName);
    if (!r)
        throw SettingsWriteError(r.error());
}

void SettingsFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, boolText(value));
}

void SettingsFile::eraseSection(const QString& section)
{
    const Result r = eraseProfileSection(section, kFileName);
    if (!r)
        throw SettingsWriteError(r.error());
}

QString SettingsFile::path()
{
    return profilePath(kFileName);
}

QString SettingsFile::unreadableMessage(const QString& reason)
{
    return QStringLiteral("The settings file %1 exists but cannot be read: %2.\n\nThe program "
                          "starts with its default settings and leaves the file as it is; "
                          "settings changed now are not saved.")
        .arg(path(), reason);
}

SettingsSession::SettingsSession()
    : m_batch(std::make_unique<ProfileBatch>(SettingsFile::kFileName))
{
}

SettingsSession::~SettingsSession() = default;

QString SettingsSession::unreadableReason()
{
    const ProfileFileCheck check = m_batch->check();
    return check.state == ProfileFileState::Unreadable ? check.reason : QString();
}

QString SettingsSession::readString(const QString& section, const QString& key,
                                    const QString& fallback)
{
    return m_batch->readString(section, key, fallback);
}

int SettingsSession::readInteger(const QString& section, const QString& key, int fallback)
{
    return integerOf(readString(section, key, QString()), fallback);
}

bool SettingsSession::readBool(const QString& section, const QString& key, bool fallback)
{
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

int SettingsSession::readDecimal(const QString& section, const QString& key, int fallback)
{
    return decimalOf(section, key, readString(section, key, QString::number(fallback)));
}

void SettingsSession::writeString(const QString& section, const QString& key, const QString& value)
{
    // A value that cannot be stored keeps the old one; the rest still goes.
    if (const Result r = m_batch->writeString(section, key, value); !r && m_refused.isEmpty())
        m_refused = r.error();
}

void SettingsSession::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, boolText(value));
}

void SettingsSession::eraseSection(const QString& section)
{
    if (const Result r = m_batch->eraseSection(section); !r && m_refused.isEmpty())
        m_refused = r.error();
}

void SettingsSession::commit()
{
    if (const Result r = m_batch->commit(); !r)
        throw SettingsWriteError(r.error());
    if (!m_refused.isEmpty())
        throw SettingsWriteError(std::exchange(m_refused, QString()));
}

} // namespace dovex
