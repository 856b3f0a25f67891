#include "fileops/partoutput.h"

#include "fileops/deleteengine.h"
#include "fileops/operationstate.h"
#include "fileops/pathrules.h"
#include "platform/drivemap.h"
#include "platform/progresssink.h"

#include <cerrno>

namespace dovex {

bool PartOutput::create(bool replacing)
{
    if (!replacing) {
        if (file.create(name)) {
            written = name;
            return true;
        }
        if (file.error() != EEXIST)
            return false;
    }
    for (int n = 0; n < 1000; ++n) {
        // A target named "x.$$$" is never written under its own name.
        const QString candidate = partialName(name, n);
        if (candidate == name)
            continue;
        if (file.create(candidate)) {
            written = candidate;
            return true;
        }
        if (file.error() != EEXIST)
            return false;
    }
    return false;
}

bool PartOutput::finish()
{
    file.close();
    return written == name || fileio::rename(written, name) == 0;
}

QString PartOutput::abandon()
{
    file.close();
    if (written != name)
        return written;
    for (int n = 0; n < 1000; ++n) {
        const QString candidate = partialName(name, n);
        const int rc = fileio::renameNoReplace(name, candidate);
        if (rc == 0)
            return candidate;
        if (rc != EEXIST)
            break;
    }
    fileio::removeFile(name);
    return QString();
}

bool MayReplacePart(OperationState& state, const QString& name, bool& exists)
{
    exists = fileio::status(name).exists;
    return !exists || AgreeToReplace(state, name, QStringLiteral("Write error File ") + name,
                                     QStringLiteral(" Exists, Overwrite?"));
}

bool OpenPartOutput(OperationState& state, PartOutput& out, const QString& name)
{
    out.name = name;
    bool exists = false;
    if (!MayReplacePart(state, name, exists))
        return false;
    if (!out.create(exists)) {
        state.error(QStringLiteral("Write error File ") + name);
        return false;
    }
    return true;
}

void ResetSplitMergeState(OperationState& state)
{
    state.overwriteAll = false;
    state.deleteProtectedAll = false;
    state.abortRequested = false;
    state.ioFailed = false;
    state.notDone = 0;
    state.sink.dropPendingEscape();
    state.byteMode = true;
    state.countBytes = true;
}

QString CrcText(std::uint32_t crc)
{
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
}

bool EnoughSpaceForParts(OperationState& state, const QString& source, const QString& target,
                         std::int64_t size)
{
    const std::optional<std::int64_t> free = fileio::freeSpace(dospath::directoryPart(target));
    if (!free || size <= *free)
        return true;
    return state.ask(Severity::Error,
                     QStringLiteral("Not enought space to write file ") + source +
                         QStringLiteral("\rdo you wish to continue anyway?"),
                     Buttons::YesNo) == Answer::Yes;
}

void ReportEarlyEnd(OperationState& state, const QString& what, const QString& sources,
                    const QString& partial)
{
    QString text =
        what + QStringLiteral(" ended early; ") + sources + QStringLiteral(" unchanged.");
    if (!partial.isEmpty())
        text += QStringLiteral("\rThe incomplete file is kept as ") + partial + '.';
    state.ask(Severity::Warning, text, Buttons::Ok);
}

} // namespace dovex
