#pragma once

#include "platform/result.h"

#include <QString>

#include <stdexcept>

namespace dovex {

// A value in "Dovex.Ini" that should be a decimal integer and is not.
class SettingsError : public std::runtime_error {
public:
    SettingsError(QString section, QString key, QString value);
    const QString& section() const { return m_section; }
    const QString& key() const { return m_key; }
    const QString& value() const { return m_value; }
    // The text shown before the program stops.
    QString message() const;

private:
    QString m_section, m_key, m_value;
};

// A failed write of "Dovex.Ini".
class SettingsWriteError : public std::runtime_error {
public:
    explicit SettingsWriteError(const QString& message);
};

// Single values of "Dovex.Ini", straight through the profile functions: no
// copy is kept, every read opens the file anew.
class SettingsFile {
public:
    static inline const QString kFileName = QStringLiteral("Dovex.Ini");

    static QString readString(const QString& section, const QString& key, const QString& fallback);
    // Accepts decimal and "0x"/"0X" hexadecimal; anything else gives fallback.
    static int readInteger(const QString& section, const QString& key, int fallback);
    static bool readBool(const QString& section, const QString& key, bool fallback);
    // The strict conversion of the keys that must hold a decimal integer:
    // throws SettingsError naming the section, the key and the value.
    static int readDecimal(const QString& section, const QString& key, int fallback);

    // Throw SettingsWriteError when the file cannot be written.
    static void writeString(const QString& section, const QString& key, const QString& value);
    static void writeBool(const QString& section, const QString& key, bool value);
    static void eraseSection(const QString& section);
};

// The strict decimal conversion: optional blanks, an optional sign, digits,
// within 32 bits.
std::optional<int> parseDecimal(const QString& text);

} // namespace dovex
