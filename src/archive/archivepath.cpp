#include "archive/archivepath.h"

#include <QByteArrayView>

namespace dovex {

QString NormalizeArchivePath(const QString& stored)
{
    QString out;
    out.reserve(stored.size());
    for (QChar c : stored) {
        if (c == u'/')
            c = u'\\';
        if (c == u'\\' && (out.isEmpty() || out.back() == u'\\'))
            continue;
        out += c;
    }
    return out;
}

QString decodeArchiveName(const std::uint8_t* bytes, std::size_t length)
{
    if (length > kMaxArchiveName)
        length = kMaxArchiveName;
    std::size_t n = 0;
    while (n < length && bytes[n] != 0)
        ++n;
    const QByteArrayView view(reinterpret_cast<const char*>(bytes), qsizetype(n));
    if (view.isValidUtf8())
        return QString::fromUtf8(view);
    return QString::fromLatin1(view);
}

} // namespace dovex
