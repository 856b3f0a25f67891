#include "launch/linktarget.h"

#include "launch/shelllink.h"

#include "platform/fileio.h"
#include "platform/hostname.h"
#include "platform/prompter.h"

namespace dovex::launch {

QString linkTargetFromBytes(const QByteArray& data, const QString& linkPath)
{
    const qsizetype n = data.size();
    qsizetype found = -1;
    for (qsizetype i = n - 2; i >= 0; --i) {
        if (data[i] == '.' && data[i + 1] == '\\') {
            found = i;
            break;
        }
    }
    if (found <= 0)
        return {};
    qsizetype end = found + 2;
    while (end < n && static_cast<unsigned char>(data[end]) >= 20)
        ++end;
    const QByteArray collected = data.mid(found + 2, end - (found + 2));
    // Nothing after the marker names no file: a bare drive root from a
    // damaged link would open a folder the link never pointed at.
    if (collected.isEmpty())
        return {};
    // The bytes are the 8-bit form of a path: "\" stays the separator and any
    // byte that is not UTF-8 stays itself, so the name round-trips.
    return linkPath.left(3) + hostname::decodeText(collected);
}

QString ReadLinkTarget(const QString& linkPath, Prompter* prompter)
{
    return TryReadLinkTarget(linkPath, prompter).value_or(QString());
}

std::optional<QString> TryReadLinkTarget(const QString& linkPath, Prompter* prompter)
{
    File file;
    // Plain open: a pipe or a device named *.lnk must not block the window.
    bool ok = file.openReadPlain(linkPath) && file.status().regular;
    QByteArray data;
    if (ok) {
        data.resize(kLinkScanBytes);
        qsizetype got = 0;
        while (got < kLinkScanBytes) {
            const auto n = file.read(data.data() + got, kLinkScanBytes - got);
            if (n < 0) {
                ok = false;
                break;
            }
            if (n == 0)
                break;
            got += n;
        }
        data.truncate(got);
    }
    if (!ok) {
        if (prompter)
            prompter->error(QStringLiteral("Open error File ") + linkPath);
        return std::nullopt;
    }
    const QString scanned = linkTargetFromBytes(data, linkPath);
    // A shortcut to another drive has no relative path to scan for; a
    // well-formed one still names its target in its link-target location.
    TShellLink link;
    if (scanned.isEmpty() && link.Load(linkPath))
        return link.Target;
    return scanned;
}

} // namespace dovex::launch
