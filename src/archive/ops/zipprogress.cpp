#include "archive/ops/zipprogress.h"

#include "archive/ops/archiveprogress.h"
#include "archive/zipmaster.h"
#include "fileops/deleteengine.h"
#include "fileops/operationstate.h"
#include "platform/prompter.h"

#include <cmath>

namespace dovex {

void AskBeforeReplacing(TZipMaster& zip, OperationState& state, int* declined)
{
    zip.OnConfirmReplace = [&state, declined](TZipMaster&, const QString& destination) {
        if (AgreeToReplace(state, destination, QStringLiteral("Write error File ") + destination,
                           QStringLiteral(" Exists,Overwrite?")))
            return true;
        if (declined)
            ++*declined;
        return false;
    };
}

ZipProgress::ZipProgress(ArchiveProgress& window, Prompter& prompter, QString verb)
    : verb(std::move(verb)), m_window(window), m_prompter(prompter), m_state(prompter, window)
{
}

void ZipProgress::attach(TZipMaster& zip)
{
    zip.OnProgress = [this](TZipMaster& sender, int type, const QString& name, std::int64_t size) {
        onProgress(sender, type, name, size);
    };
    zip.OnMessage = [this](TZipMaster&, int code, const QString& message) {
        onMessage(code, message);
    };
    AskBeforeReplacing(zip, m_state, &declined);
}

void ZipProgress::onProgress(TZipMaster& zip, int type, const QString& fileName, std::int64_t size)
{
    switch (type) {
    case TZipMaster::kProgressNewFile:
        m_window.setLine(1, fileName);
        ++fileCount;
        if (verb == kDecompressed) {
            // Each file of an unpacking gets a bar of its own.
            totalBytes = size;
            doneBytes = 0;
            m_bar = 0;
            m_window.setPercent(0);
        } else {
            doneBytes += pendingBytes;
            pendingBytes = size;
        }
        m_window.repaint();
        break;
    case TZipMaster::kProgressStep: {
        doneBytes += TZipMaster::kStepBytes;
        pendingBytes -= TZipMaster::kStepBytes;
        const std::int64_t total = totalBytes == 0 ? 1 : totalBytes;
        // The last step of a file overshoots its size; the bar stops at full.
        const int percent = int(
            std::min<std::int64_t>(100, std::llround(double(doneBytes) / double(total) * 100.0)));
        if (m_bar / 2 != percent / 2) {
            m_bar = percent;
            m_window.setPercent(percent);
            m_window.setLine(3, FormatKilobytes(std::min(doneBytes, total)) +
                                    QStringLiteral(" of ") + FormatKilobytes(totalBytes) + ' ' +
                                    verb);
        }
        m_window.repaint();
        break;
    }
    case TZipMaster::kProgressEndOfBatch:
        m_window.hideRun();
        m_window.setBarVisible(false);
        m_window.setPercent(0);
        m_bar = 0;
        // The summary of an add ("3 file(s) added to ..."); nothing to say
        // when the library said nothing, or after a failure already shown.
        if (verb == kCompressed && !lastMessage.isEmpty() && failures == 0)
            m_prompter.information(lastMessage);
        break;
    default:
        break;
    }
    if (m_window.abortRequested())
        zip.Cancel = true;
}

void ZipProgress::onMessage(int code, const QString& message)
{
    if (code != 0) {
        ++failures;
        m_prompter.error(QStringLiteral("An error has occured: ") + message +
                         QStringLiteral(", Errorcode:") + QString::number(code));
        m_window.hideRun();
    }
    lastMessage = message;
}

} // namespace dovex
