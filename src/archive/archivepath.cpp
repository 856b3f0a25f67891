#include "archive/archivepath.h"

#include <QByteArrayView>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <optional>

namespace dovex {

namespace {

bool isDriveSpec(QStringView component)
{
    if (component.size() < 2 || component[1] != u':')
        return false;
    const char16_t c = component[0].unicode();
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// stored with each "/" made "\\" in one pass, when it has nothing to drop:
// no empty, "." or ".." component and no drive prefix; else nothing.
// exact tells whether it held no "\\" of its own.
std::optional<QString> turnSeparators(const QString& stored, bool& exact)
{
    const qsizetype n = stored.size();
    if (n == 0 || (n >= 2 && isDriveSpec(QStringView(stored).first(2))))
        return std::nullopt;
    QString out(n, Qt::Uninitialized);
    const char16_t* s = reinterpret_cast<const char16_t*>(stored.constData());
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    exact = true;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= n; ++i) {
        const char16_t c = i < n ? s[i] : u'\\';
        if (c != u'\\' && c != u'/') {
            d[i] = c;
            continue;
        }
        const qsizetype length = i - start;
        if (length == 0 ||
            (length <= 2 && s[start] == u'.' && (length == 1 || s[start + 1] == u'.')))
            return std::nullopt;
        exact = exact && (i == n || c == u'/');
        if (i < n)
            d[i] = u'\\';
        start = i + 1;
    }
    return out;
}

} // namespace

QString NormalizeArchivePath(const QString& stored, bool* onlySeparators)
{
    // The common case, in one pass.
    bool turned = false;
    if (std::optional<QString> out = turnSeparators(stored, turned)) {
        if (onlySeparators)
            *onlySeparators = turned;
        return *std::move(out);
    }
    bool exact = true;
    QString out;
    out.reserve(stored.size());
    qsizetype start = 0;
    const qsizetype n = stored.size();
    while (start <= n) {
        qsizetype end = start;
        while (end < n && stored[end] != u'\\' && stored[end] != u'/')
            ++end;
        QStringView component = QStringView(stored).mid(start, end - start);
        exact = exact && (end == n || stored[end] == u'/');
        start = end + 1;
        // A drive letter only ever prefixes the whole path ("C:\x", "C:x"),
        // or what is left of it once dots and separators went.
        while (out.isEmpty() && isDriveSpec(component)) {
            component = component.mid(2);
            exact = false;
        }
        if (component.isEmpty() || component == u"." || component == u"..") {
            exact = false;
            continue;
        }
        if (!out.isEmpty())
            out += u'\\';
        out += component;
    }
    if (onlySeparators)
        *onlySeparators = exact;
    return out;
}

namespace {

// The characters of code page 437 above 0x7F, read once from the converter
// Qt has through ICU (its lower half is ASCII, as the zip format reads it;
// the converter's IBM form swaps 0x1A and 0x7F there). Without the
// converter, Latin-1, so that no byte is lost either way.
struct Cp437Table {
    char16_t high[128];
    Cp437Table()
    {
        QByteArray all(128, '\0');
        for (int i = 0; i < 128; ++i)
            all[i] = char(0x80 + i);
        QStringDecoder decoder("IBM437", QStringConverter::Flag::Stateless);
        const QString text = decoder.isValid() ? decoder.decode(all) : QString();
        for (int i = 0; i < 128; ++i)
            high[i] = text.size() == 128 ? text[i].unicode() : char16_t(0x80 + i);
    }
};

const Cp437Table& cp437Table()
{
    static const Cp437Table table;
    return table;
}

QString fromCp437(QByteArrayView bytes)
{
    const Cp437Table& table = cp437Table();
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    for (const char c : bytes) {
        const auto b = std::uint8_t(c);
        *d++ = b < 0x80 ? char16_t(b) : table.high[b - 0x80];
    }
    return out;
}

bool isSjisLead(std::uint8_t b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool isSjisTrail(std::uint8_t b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// The length of bytes that is well-formed code page 932, a last lead byte
// left out when cut says the name was cut there; -1 when it is not.
qsizetype sjisLength(QByteArrayView bytes, bool cut)
{
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = std::uint8_t(bytes[i]);
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF))
            continue;
        if (!isSjisLead(b))
            return -1;
        if (i + 1 == n)
            return cut ? i : -1;
        if (!isSjisTrail(std::uint8_t(bytes[++i])))
            return -1;
    }
    return n;
}

// The name as code page 932, or nothing when a byte pair is not one of
// its characters. The converter is made once per thread: making one costs
// far more than decoding a name.
std::optional<QString> fromShiftJis(QByteArrayView bytes, bool cut)
{
    const qsizetype n = sjisLength(bytes, cut);
    if (n < 0)
        return std::nullopt;
    thread_local QStringDecoder decoder("Shift_JIS", QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    const QByteArrayView whole = bytes.first(n);
    QString text = decoder.decode(whole);
    // An unmapped pair comes out as a substitute; the converter's error
    // flag does not reset between names, so look for the substitute itself.
    const bool substituted = text.contains(QChar::ReplacementCharacter) ||
                             (text.contains(QChar(0x1A)) && !whole.contains(char(0x1A)));
    if (substituted)
        return std::nullopt;
    return text;
}

// n without a UTF-8 character the cut at the limit split.
std::size_t wholeUtf8(const std::uint8_t* bytes, std::size_t n)
{
    std::size_t lead = n;
    while (lead > 0 && n - lead < 3 && (bytes[lead - 1] & 0xC0) == 0x80)
        --lead;
    if (lead > 0 && bytes[lead - 1] >= 0xC0) {
        const std::uint8_t b = bytes[lead - 1];
        const std::size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        if (n - (lead - 1) < need)
            return lead - 1;
    }
    return n;
}

} // namespace

QByteArrayView storedNameBytes(const std::uint8_t* bytes, std::size_t length)
{
    length = std::min(length, kMaxArchiveName);
    if (length == 0) // bytes may then be null, which memchr must not see
        return {};
    const void* zero = std::memchr(bytes, 0, length);
    const std::size_t n =
        zero ? std::size_t(static_cast<const std::uint8_t*>(zero) - bytes) : length;
    return QByteArrayView(reinterpret_cast<const char*>(bytes), qsizetype(n));
}

bool StoredNameLeavesRoot(QByteArrayView stored)
{
    if (stored.startsWith('/') || stored.startsWith('\\'))
        return true;
    if (stored.size() >= 2 && stored[1] == ':' &&
        ((stored[0] >= 'A' && stored[0] <= 'Z') || (stored[0] >= 'a' && stored[0] <= 'z')))
        return true;
    qsizetype start = 0;
    const qsizetype n = stored.size();
    while (start <= n) {
        qsizetype end = start;
        while (end < n && stored[end] != '\\' && stored[end] != '/')
            ++end;
        if (stored.sliced(start, end - start) == "..")
            return true;
        start = end + 1;
    }
    return false;
}

QString decodeArchiveName(const std::uint8_t* bytes, std::size_t length, LegacyNameCoding legacy,
                          bool* usedLegacy)
{
    bool cut = false;
    if (length > kMaxArchiveName) {
        length = kMaxArchiveName;
        cut = true;
    }
    const std::size_t n = std::size_t(storedNameBytes(bytes, length).size());
    cut = cut && n == length;
    const QByteArrayView raw(reinterpret_cast<const char*>(bytes), qsizetype(n));
    // A name cut at the limit keeps whole UTF-8 characters.
    const QByteArrayView utf8 = cut ? raw.first(qsizetype(wholeUtf8(bytes, n))) : raw;
    if (utf8.isValidUtf8())
        return QString::fromUtf8(utf8);
    if (usedLegacy)
        *usedLegacy = true;
    switch (legacy) {
    case LegacyNameCoding::Cp437:
        return fromCp437(raw);
    case LegacyNameCoding::ShiftJis:
        if (std::optional<QString> text = fromShiftJis(raw, cut))
            return *std::move(text);
        break;
    case LegacyNameCoding::Latin1:
        break;
    }
    return QString::fromLatin1(raw);
}

bool isPathWrittenOut(QByteArrayView bytes, const QString& path, bool cp437)
{
    const char16_t* c = reinterpret_cast<const char16_t*>(path.constData());
    const char16_t* const end = c + path.size();
    const Cp437Table* table = cp437 ? &cp437Table() : nullptr;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (c == end)
            return false;
        const auto b = std::uint8_t(bytes[i]);
        if (b < 0x80) {
            // path's "\\" is written out as "/": a stored "\\" is kept.
            if (b == '\\' || (*c != b && !(*c == u'\\' && b == '/')))
                return false;
            ++c;
            continue;
        }
        if (table) {
            if (*c++ != table->high[b - 0x80])
                return false;
            continue;
        }
        // One UTF-8 sequence against one or two UTF-16 units.
        const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
        if (b < 0xC2 || b > 0xF4)
            return false;
        char32_t cp = b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= bytes.size())
                return false;
            cp = (cp << 6) | (std::uint8_t(bytes[i + k]) & 0x3F);
        }
        i += extra;
        if (cp >= 0x10000) {
            if (end - c < 2 || c[0] != QChar::highSurrogate(cp) || c[1] != QChar::lowSurrogate(cp))
                return false;
            c += 2;
        } else if (*c++ != cp) {
            return false;
        }
    }
    return c == end;
}

QByteArray writeOutPath(const QString& path, bool cp437)
{
    QString text = path;
    text.replace(u'\\', u'/');
    if (!cp437)
        return text.toUtf8();
    const Cp437Table& table = cp437Table();
    QByteArray out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        char byte = '?';
        if (ch.unicode() < 0x80)
            byte = char(ch.unicode());
        for (int i = 0; i < 128 && ch.unicode() >= 0x80; ++i)
            if (table.high[i] == ch.unicode()) {
                byte = char(0x80 + i);
                break;
            }
        out += byte;
    }
    return out;
}

QString decodeUtf16Name(const std::uint8_t* bytes, std::size_t length)
{
    length = std::min(length, kMaxArchiveName) / 2;
    QString out;
    out.reserve(qsizetype(length));
    for (std::size_t i = 0; i < length; ++i) {
        const char16_t c = char16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (c == 0)
            break;
        out += QChar(c);
    }
    return out;
}

} // namespace dovex
