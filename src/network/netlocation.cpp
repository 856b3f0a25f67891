#include "network/netlocation.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace dovex::netlocation {

namespace {

bool hasControl(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    return false;
}

const QStringList& schemes()
{
    static const QStringList list = {"smb", "sftp", "ftp", "dav", "davs"};
    return list;
}

} // namespace

std::optional<QString> toGio(const QString& typedIn)
{
    const QString typed = typedIn.trimmed();
    if (typed.isEmpty() || typed.size() > 2048 || hasControl(typed))
        return std::nullopt;
    if (typed.startsWith(QLatin1String("\\\\"))) {
        QStringList parts = typed.mid(2).split('\\', Qt::SkipEmptyParts);
        if (parts.isEmpty())
            return std::nullopt;
        const QString server = parts.takeFirst();
        // A server name never holds a separator, "@" or a blank.
        for (const QChar c : server)
            if (c == '/' || c == '@' || c == ' ' || c == '?' || c == '#')
                return std::nullopt;
        for (const QString& p : parts)
            if (p == QLatin1String(".") || p == QLatin1String("..") || p.contains('/'))
                return std::nullopt;
        QUrl url;
        url.setScheme(QStringLiteral("smb"));
        url.setAuthority(server);
        if (!url.isValid() || url.host().isEmpty())
            return std::nullopt;
        url.setPath('/' + parts.join('/'));
        if (!url.isValid())
            return std::nullopt;
        return url.toString(QUrl::FullyEncoded);
    }
    const QUrl url(typed, QUrl::StrictMode);
    if (!url.isValid() || !schemes().contains(url.scheme().toLower()) || url.host().isEmpty())
        return std::nullopt;
    for (const QString& p : url.path().split('/'))
        if (p == QLatin1String(".."))
            return std::nullopt;
    QUrl clean = url;
    clean.setScheme(url.scheme().toLower());
    // A password goes to the mount operation, never into a location.
    clean.setPassword(QString());
    if (clean.path().isEmpty())
        clean.setPath(QStringLiteral("/"));
    return clean.toString(QUrl::FullyEncoded);
}

QString toRemoteName(const QString& gioLocation)
{
    const QUrl url(gioLocation);
    if (url.scheme() != QLatin1String("smb") || url.host().isEmpty() || url.userInfo().size() ||
        url.port() != -1)
        return gioLocation;
    QString name = QStringLiteral("\\\\") + url.host();
    for (const QString& p : url.path().split('/', Qt::SkipEmptyParts))
        name += '\\' + p;
    return name;
}

QString withoutPassword(const QString& typed)
{
    QUrl url(typed);
    if (typed.startsWith(QLatin1String("\\\\")) || !url.isValid() || url.password().isEmpty())
        return typed;
    url.setPassword(QString());
    return url.toString();
}

QString shown(const QString& text)
{
    // "scheme://user:secret@" anywhere in the text. As in a location, the
    // password ends at the last "@" before the path's "/" (or a blank).
    static const QRegularExpression secret(
        QStringLiteral("([A-Za-z][A-Za-z0-9+.-]*://[^/\\\\:@\\s]*):[^/\\s]*@"));
    QString clean = text;
    clean.replace(secret, QStringLiteral("\\1@"));
    QString out;
    out.reserve(clean.size());
    for (const QChar c : clean) {
        const ushort u = c.unicode();
        if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029)
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString withUser(const QString& gioLocation, const QString& userIn)
{
    const qsizetype cut = userIn.indexOf('\\');
    const QString user = cut >= 0 ? userIn.mid(cut + 1) : userIn;
    QUrl url(gioLocation, QUrl::StrictMode);
    if (user.isEmpty() || !url.isValid() || !url.userName().isEmpty())
        return gioLocation;
    url.setUserName(user);
    return url.isValid() ? url.toString(QUrl::FullyEncoded) : gioLocation;
}

} // namespace dovex::netlocation
