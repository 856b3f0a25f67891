#include "archive/zipmaster.h"

#include "archive/zipoperations.h"
#include "platform/drivemap.h"
#include "platform/hostname.h"
#include "platform/prompter.h"

#include <sys/stat.h>

#include <cstring>
#include <exception>

namespace dovex {

QByteArray hostBytes(const QString& dosPath)
{
    const std::optional<QString> host = DriveMap::instance().toHost(dosPath);
    return host ? hostname::encode(*host) : QByteArray();
}

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The handlers run inside libzip's calls, which an exception must not cross:
// one is caught here and stops the operation as a cancel does.
bool TZipMaster::progress(int type, const QString& fileName, std::int64_t size)
{
    try {
        if (OnProgress)
            OnProgress(*this, type, fileName, size);
    } catch (...) {
        m_fatal = true;
    }
    return Cancel || m_fatal;
}

void TZipMaster::message(int code, const QString& text)
{
    QString trimmed = text;
    for (int i = 0;
         i < 2 && (trimmed.endsWith(QLatin1Char('\r')) || trimmed.endsWith(QLatin1Char('\n'))); ++i)
        trimmed.chop(1);
    try {
        if (OnMessage)
            OnMessage(*this, code, trimmed);
    } catch (...) {
        m_fatal = true;
    }
}

bool TZipMaster::confirmReplace(const QString& destination)
{
    try {
        return OnConfirmReplace && OnConfirmReplace(*this, destination);
    } catch (...) {
        m_fatal = true;
    }
    return false;
}

void TZipMaster::note(const QString& text)
{
    if (Verbose || Trace)
        message(0, text);
}

void TZipMaster::notice(const QString& text)
{
    if (Messages)
        Messages->ask(Severity::Information, text, Buttons::Ok);
    else
        message(0, text);
}

int TZipMaster::runGuarded(bool& busy, int (TZipMaster::*operation)())
{
    busy = true;
    Cancel = false;
    m_fatal = false;
    int result = 0;
    try {
        result = (this->*operation)();
    } catch (...) {
        m_fatal = true;
    }
    if (m_fatal) {
        // Whatever failed inside has been undone by the operation's own
        // cleanup; the person learns that it stopped.
        notice(QStringLiteral("Fatal DLL Error: abort exception"));
        result = 0;
    }
    m_fatal = false;
    FSpecArgs.clear();
    Cancel = false;
    busy = false;
    m_successCount = result;
    return result;
}

bool TZipMaster::cancelled() const
{
    return Cancel || m_fatal;
}

int TZipMaster::Add()
{
    if (FSpecArgs.isEmpty()) {
        notice(QStringLiteral("Error - no files to zip"));
        return 0;
    }
    if (m_zipBusy)
        return 0;
    if (ZipFilename.isEmpty() || hostBytes(ZipFilename).isEmpty()) {
        notice(QStringLiteral("Error - no zip file specified"));
        return 0;
    }
    return runGuarded(m_zipBusy, &TZipMaster::doAdd);
}

int TZipMaster::Delete()
{
    if (FSpecArgs.isEmpty()) {
        notice(QStringLiteral("Error - no files selected for deletion"));
        return 0;
    }
    if (m_zipBusy)
        return 0;
    const QByteArray host = ZipFilename.isEmpty() ? QByteArray() : hostBytes(ZipFilename);
    struct stat st {};
    if (host.isEmpty() || ::stat(host.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        notice(QStringLiteral("Error - no zip file specified"));
        return 0;
    }
    return runGuarded(m_zipBusy, &TZipMaster::doDelete);
}

int TZipMaster::Extract()
{
    if (m_unzBusy)
        return 0;
    return runGuarded(m_unzBusy, &TZipMaster::doExtract);
}

int TZipMaster::doAdd()
{
    return runZipAdd(*this);
}

int TZipMaster::doDelete()
{
    return runZipDelete(*this);
}

int TZipMaster::doExtract()
{
    return runZipExtract(*this);
}

} // namespace dovex
