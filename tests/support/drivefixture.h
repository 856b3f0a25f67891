#pragma once

#include "platform/dostime.h"

#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <map>
#include <memory>

namespace dovex::test {

// Temporary drives for a test: each letter is a fresh directory, and
// DOVEX_DRIVES points the drive map at them for the life of the fixture.
// The Windows and program directories are temporary too.
class DriveFixture {
public:
    explicit DriveFixture(const QString& letters = QStringLiteral("C"));
    ~DriveFixture();

    // Host path of a drive-letter path ("C:\a\b.txt").
    QString host(const QString& dosPath) const;
    QString root(QChar letter) const;
    QString windowsDir() const { return m_windows.path(); }
    // Dovex.Ini in the windows directory: written whole, and read back.
    void writeSettings(const QByteArray& text) const;
    QByteArray settingsText() const;
    QString programDir() const { return m_program.path(); }

    // Creates a file with size bytes of a repeating pattern (or the given
    // content), the directories above it included.
    void file(const QString& dosPath, std::int64_t size = 0, const QByteArray& content = {});
    void directory(const QString& dosPath);
    void setTime(const QString& dosPath, const DosDateTimeParts& when);
    QByteArray read(const QString& dosPath) const;
    bool exists(const QString& dosPath) const;

private:
    std::map<QChar, std::unique_ptr<QTemporaryDir>> m_drives;
    QTemporaryDir m_windows;
    QTemporaryDir m_program;
    QByteArray m_oldDrives, m_oldWindir, m_oldHome;
};

// How many descriptors the process holds open: equal before and after an
// operation when it leaks none, on every way out.
int openDescriptorCount();

} // namespace dovex::test
