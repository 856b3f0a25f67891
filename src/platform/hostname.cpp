#include "platform/hostname.h"

namespace dovex::hostname {

namespace {

void appendEscaped(QString& out, unsigned char byte)
{
    out.append(QChar(char16_t(0xDC00 + byte)));
}

// Length of the valid UTF-8 sequence at p (1..4), or 0 when the bytes there
// are not one: overlong forms, surrogates and values past U+10FFFF are
// refused as the standard says.
int validSequence(const unsigned char* p, qsizetype left, char32_t& code)
{
    const unsigned char b0 = p[0];
    if (b0 < 0x80) {
        code = b0;
        return 1;
    }
    int length;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2;
        code = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3;
        code = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4;
        code = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void appendUtf8(QByteArray& out, char32_t c)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

} // namespace

static QString decodeBytes(const char* bytes, qsizetype size, bool fileName)
{
    QString out;
    out.reserve(size);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    qsizetype i = 0;
    while (i < size) {
        // Plain ASCII is by far the most common; take it without the checks.
        if (p[i] < 0x80) {
            out.append(fileName && p[i] == '\\' ? QChar(kBackslashStandIn) : QChar(char16_t(p[i])));
            ++i;
            continue;
        }
        char32_t code = 0;
        const int length = validSequence(p + i, size - i, code);
        if (length == 0 || (fileName && code == kBackslashStandIn)) {
            // An undecodable byte, or a real U+F05C whose bytes must not come
            // back as "\": each byte on its own.
            const int n = length == 0 ? 1 : length;
            for (int k = 0; k < n; ++k)
                appendEscaped(out, p[i + k]);
            i += n;
            continue;
        }
        if (code >= 0x10000) {
            out.append(QChar(char16_t(0xD800 + ((code - 0x10000) >> 10))));
            out.append(QChar(char16_t(0xDC00 + ((code - 0x10000) & 0x3FF))));
        } else {
            out.append(QChar(char16_t(code)));
        }
        i += length;
    }
    return out;
}

QString decode(const char* bytes, qsizetype size)
{
    return decodeBytes(bytes, size, true);
}

QString decode(const QByteArray& bytes)
{
    return decodeBytes(bytes.constData(), bytes.size(), true);
}

QString decodeText(const QByteArray& bytes)
{
    return decodeBytes(bytes.constData(), bytes.size(), false);
}

QByteArray encode(const QString& name)
{
    QByteArray out;
    out.reserve(name.size());
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = name.at(i).unicode();
        if (c < 0x80) {
            out.append(char(c));
        } else if (c == kBackslashStandIn) {
            out.append('\\');
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && name.at(i + 1).isLowSurrogate()) {
            const char32_t code =
                0x10000 + ((char32_t(c) - 0xD800) << 10) + (name.at(i + 1).unicode() - 0xDC00);
            appendUtf8(out, code);
            ++i;
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            out.append(char(c - 0xDC00));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            // A lone surrogate no decoded name holds: it cannot have come
            // from the disk, so write the replacement character.
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

bool encodable(const QString& name)
{
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = name.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 < n && name.at(i + 1).isLowSurrogate()) {
                ++i;
                continue;
            }
            return false;
        }
        if (c.isLowSurrogate() && (c.unicode() < 0xDC80 || c.unicode() > 0xDCFF))
            return false;
    }
    return true;
}

QString displayName(const QString& name)
{
    QString out = name;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const char16_t c = out.at(i).unicode();
        if (c == kBackslashStandIn)
            out[i] = QLatin1Char('\\');
        else if (c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !out.at(i - 1).isHighSurrogate()))
            out[i] = QChar(0xFFFD);
    }
    return out;
}

} // namespace dovex::hostname
