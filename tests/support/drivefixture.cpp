#include "drivefixture.h"

#include "platform/drivemap.h"
#include "platform/uniquefd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utime.h>

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

void makeWritable(const QString& path)
{
    QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadOwner);
    if (!QFileInfo(path).isDir() || QFileInfo(path).isSymLink())
        return;
    for (const QFileInfo& fi : QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                        QDir::Hidden | QDir::System))
        makeWritable(fi.filePath());
}

} // namespace

DriveFixture::DriveFixture(const QString& letters)
{
    m_oldDrives = qgetenv("DOVEX_DRIVES");
    m_oldWindir = qgetenv("DOVEX_WINDIR");
    m_oldHome = qgetenv("DOVEX_HOME");
    QStringList spec;
    for (QChar c : letters) {
        auto dir = std::make_unique<QTemporaryDir>();
        spec << QStringLiteral("%1=%2").arg(c.toUpper()).arg(dir->path());
        m_drives[c.toUpper()] = std::move(dir);
    }
    qputenv("DOVEX_DRIVES", spec.join(';').toLocal8Bit());
    qputenv("DOVEX_WINDIR", m_windows.path().toLocal8Bit());
    qputenv("DOVEX_HOME", m_program.path().toLocal8Bit());
    DriveMap::instance().reload();
}

DriveFixture::~DriveFixture()
{
    const auto restore = [](const char* name, const QByteArray& old) {
        if (old.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, old);
    };
    restore("DOVEX_DRIVES", m_oldDrives);
    restore("DOVEX_WINDIR", m_oldWindir);
    restore("DOVEX_HOME", m_oldHome);
    // Read-only files and directories must not keep the temporary dirs alive.
    for (auto& [letter, dir] : m_drives)
        makeWritable(dir->path());
    DriveMap::instance().reload();
}

QString DriveFixture::root(QChar letter) const
{
    return m_drives.at(letter.toUpper())->path();
}

QString DriveFixture::host(const QString& dosPath) const
{
    QString rest = dosPath.mid(2);
    rest.replace('\\', '/');
    return QDir::cleanPath(root(dosPath[0]) + '/' + rest);
}

void DriveFixture::file(const QString& dosPath, std::int64_t size, const QByteArray& content)
{
    const QString path = host(dosPath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot create test file");
    if (!content.isEmpty()) {
        f.write(content);
        return;
    }
    QByteArray block(65536, '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = char('a' + i % 26);
    for (std::int64_t left = size; left > 0;) {
        const std::int64_t n = std::min<std::int64_t>(left, block.size());
        f.write(block.constData(), n);
        left -= n;
    }
}

void DriveFixture::directory(const QString& dosPath)
{
    QDir().mkpath(host(dosPath));
}

void DriveFixture::setTime(const QString& dosPath, const DosDateTimeParts& when)
{
    const std::time_t t = unixFromDosDateTime(packDosDateTime(when));
    utimbuf times{t, t};
    utime(QFile::encodeName(host(dosPath)).constData(), &times);
}

QByteArray DriveFixture::read(const QString& dosPath) const
{
    QFile f(host(dosPath));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool DriveFixture::exists(const QString& dosPath) const
{
    return QFileInfo::exists(host(dosPath));
}

void DriveFixture::writeSettings(const QByteArray& text) const
{
    QFile f(windowsDir() + QStringLiteral("/Dovex.Ini"));
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        ADD_FAILURE() << "cannot write Dovex.Ini";
}

QByteArray DriveFixture::settingsText() const
{
    QFile f(windowsDir() + QStringLiteral("/Dovex.Ini"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int openDescriptorCount()
{
    int count = 0;
    const UniqueDir dir(::opendir("/proc/self/fd"));
    while (dir && ::readdir(dir.get()))
        ++count;
    return count;
}

} // namespace dovex::test
