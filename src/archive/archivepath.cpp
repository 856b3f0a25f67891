#include "archive/archivepath.h"

#include <QByteArrayView>

namespace dovex {

namespace {

bool isDriveSpec(QStringView component)
{
    if (component.size() < 2 || component[1] != u':')
        return false;
    const char16_t c = component[0].unicode();
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

} // namespace

QString NormalizeArchivePath(const QString& stored)
{
    QString out;
    out.reserve(stored.size());
    qsizetype start = 0;
    const qsizetype n = stored.size();
    while (start <= n) {
        qsizetype end = start;
        while (end < n && stored[end] != u'\\' && stored[end] != u'/')
            ++end;
        QStringView component = QStringView(stored).mid(start, end - start);
        start = end + 1;
        // A drive letter only ever prefixes the whole path ("C:\x", "C:x"),
        // or what is left of it once dots and separators went.
        while (out.isEmpty() && isDriveSpec(component))
            component = component.mid(2);
        if (component.isEmpty() || component == u"." || component == u"..")
            continue;
        if (!out.isEmpty())
            out += u'\\';
        out += component;
    }
    return out;
}

bool ArchivePathLeavesRoot(const QString& stored)
{
    if (stored.startsWith(u'/') || stored.startsWith(u'\\'))
        return true;
    if (isDriveSpec(QStringView(stored).left(2)))
        return true;
    qsizetype start = 0;
    const qsizetype n = stored.size();
    while (start <= n) {
        qsizetype end = start;
        while (end < n && stored[end] != u'\\' && stored[end] != u'/')
            ++end;
        if (QStringView(stored).mid(start, end - start) == u"..")
            return true;
        start = end + 1;
    }
    return false;
}

QString decodeArchiveName(const std::uint8_t* bytes, std::size_t length)
{
    bool cut = false;
    if (length > kMaxArchiveName) {
        length = kMaxArchiveName;
        cut = true;
    }
    std::size_t n = 0;
    while (n < length && bytes[n] != 0)
        ++n;
    // A name cut at the limit keeps whole UTF-8 characters.
    if (cut && n == length) {
        std::size_t lead = n;
        while (lead > 0 && n - lead < 3 && (bytes[lead - 1] & 0xC0) == 0x80)
            --lead;
        if (lead > 0 && bytes[lead - 1] >= 0xC0) {
            const std::uint8_t b = bytes[lead - 1];
            const std::size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
            if (n - (lead - 1) < need)
                n = lead - 1;
        }
    }
    const QByteArrayView view(reinterpret_cast<const char*>(bytes), qsizetype(n));
    if (view.isValidUtf8())
        return QString::fromUtf8(view);
    return QString::fromLatin1(view);
}

} // namespace dovex
