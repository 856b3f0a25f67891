#pragma once

#include "platform/result.h"

#include <QString>

#include <memory>
#include <optional>
#include <stdexcept>

namespace dovex {

class ProfileBatch;

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
// copy is kept, every read looks at the file anew.
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

    // The host path of the file, as messages name it.
    static QString path();
    // The message shown once when the file exists but cannot be read.
    static QString unreadableMessage(const QString& reason);
};

// Many keys of "Dovex.Ini" at once (window creation, quit): the file is read
// once, reads see it as it was then together with the session's own writes,
// and the writes reach the disk together in commit(), with the result the
// same single writes would have had.
class SettingsSession {
public:
    SettingsSession();
    ~SettingsSession();

    // Why the file exists but cannot be read, as the system says it; empty
    // when it can be read or does not exist (the defaults then hold).
    QString unreadableReason();

    QString readString(const QString& section, const QString& key, const QString& fallback);
    int readInteger(const QString& section, const QString& key, int fallback);
    bool readBool(const QString& section, const QString& key, bool fallback);
    int readDecimal(const QString& section, const QString& key, int fallback);

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeBool(const QString& section, const QString& key, bool value);
    void eraseSection(const QString& section);

    // Writes the file. Throws SettingsWriteError naming the file when it
    // cannot be written (nothing is written then) or when a value could not
    // be stored (the others are written).
    void commit();

private:
    std::unique_ptr<ProfileBatch> m_batch;
    QString m_refused; // the first write that was refused
};

// The strict decimal conversion: optional blanks, an optional sign, digits,
// within 32 bits.
std::optional<int> parseDecimal(const QString& text);

} // namespace dovex
