#include "shell/startargument.h"

#include "platform/drivemap.h"
#include "platform/hostname.h"

#include <QDir>
#include <QRegularExpression>

#include <cctype>

#include <optional>

namespace dovex {

namespace {

bool isDriveLetterPath(const QByteArray& a)
{
    return a.size() >= 2 && a[1] == ':' && std::isalpha(static_cast<unsigned char>(a[0]));
}

std::optional<QByteArray> uriScheme(const QByteArray& a)
{
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):/"));
    const QRegularExpressionMatch m = scheme.match(QString::fromLatin1(a.left(64)));
    if (!m.hasMatch() || m.capturedLength(1) < 2) // "C:" is a drive, not a scheme
        return std::nullopt;
    return m.captured(1).toLower().toLatin1();
}

QString notOnThisComputer(const QByteArray& uri)
{
    return QStringLiteral("%1 is not a folder of this computer, so the left panel shows its "
                          "last folder.")
        .arg(hostname::displayName(hostname::decodeText(uri)));
}

// The host path's bytes of a file URI, or a notice why there is none.
std::optional<QByteArray> fileUriPath(const QByteArray& uri, QString& notice)
{
    QByteArray rest = uri.mid(uri.indexOf(':') + 1);
    const qsizetype end = rest.indexOf('?') >= 0 ? rest.indexOf('?') : rest.indexOf('#');
    if (end >= 0)
        rest.truncate(end);
    if (rest.startsWith("//")) {
        const qsizetype slash = rest.indexOf('/', 2);
        const QByteArray host = rest.mid(2, slash < 0 ? -1 : slash - 2);
        if (!host.isEmpty() && host.toLower() != "localhost") {
            notice = notOnThisComputer(uri);
            return std::nullopt;
        }
        rest = slash < 0 ? QByteArray("/") : rest.mid(slash);
    }
    const QByteArray path = QByteArray::fromPercentEncoding(rest);
    if (!path.startsWith('/') || path.contains('\0')) {
        notice = QStringLiteral("%1 is not the address of a folder, so the left panel shows "
                                "its last folder.")
                     .arg(hostname::displayName(hostname::decodeText(uri)));
        return std::nullopt;
    }
    return path;
}

QStringList components(const QString& hostPath)
{
    return hostPath.split('/', Qt::SkipEmptyParts);
}

int treeDistance(const QStringList& a, const QStringList& b)
{
    int common = 0;
    while (common < a.size() && common < b.size() && a[common] == b[common])
        ++common;
    return int(a.size() + b.size()) - 2 * common;
}

StartArgument fromHostPath(const QByteArray& bytes, const QByteArray& workingDirectory)
{
    const QByteArray absolute = bytes.startsWith('/') ? bytes : workingDirectory + '/' + bytes;
    const QString host = QDir::cleanPath(hostname::decode(absolute));
    if (const std::optional<QString> dos = DriveMap::instance().toDos(host))
        return {*dos, {}};
    const QString root = nearestDriveRoot(host);
    if (root.isEmpty())
        return {{},
                QStringLiteral("%1 is on no drive, and no drive is mapped.")
                    .arg(hostname::displayName(host))};
    return {root, QStringLiteral("%1 is on no drive: the nearest drive, %2, is shown instead.")
                      .arg(hostname::displayName(host), root)};
}

} // namespace

QString nearestDriveRoot(const QString& hostPath)
{
    const QStringList target = components(hostPath);
    const Drive* best = nullptr;
    int bestDistance = 0;
    for (const Drive& d : DriveMap::instance().drives()) {
        const int distance = treeDistance(target, components(d.root));
        if (!best || distance < bestDistance) {
            best = &d;
            bestDistance = distance;
        }
    }
    return best ? QString(best->letter) + QStringLiteral(":\\") : QString();
}

StartArgument readStartArgument(const QByteArray& argument, const QByteArray& workingDirectory)
{
    if (argument.isEmpty())
        return {};
    if (isDriveLetterPath(argument))
        return {hostname::decodeText(argument), {}};
    const std::optional<QByteArray> scheme = uriScheme(argument);
    if (!scheme)
        return fromHostPath(argument, workingDirectory);
    if (*scheme != "file")
        return {{}, notOnThisComputer(argument)};
    QString notice;
    const std::optional<QByteArray> path = fileUriPath(argument, notice);
    if (!path)
        return {{}, notice};
    return fromHostPath(*path, workingDirectory);
}

} // namespace dovex
