#include "archive/zipnames.h"

#include "platform/hostname.h"

#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace dovex::zipnames {

namespace {

constexpr zip_uint16_t kExtendedTimeId = 0x5455;

// "*" and "?" over bytes; neither takes a "/" unless crossLevels.
bool glob(const QByteArray& text, const QByteArray& pattern, bool crossLevels)
{
    qsizetype t = 0, p = 0, starP = -1, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() &&
            (pattern[p] == text[t] || (pattern[p] == '?' && (crossLevels || text[t] != '/')))) {
            ++t;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starT = t;
        } else if (starP >= 0) {
            if (!crossLevels && text[starT] == '/')
                return false;
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool globOrDotless(const QByteArray& text, const QByteArray& pattern, bool crossLevels)
{
    if (glob(text, pattern, crossLevels))
        return true;
    // "*.*" and a pattern ending in ".*" also take names without a dot.
    if (pattern.endsWith(".*"))
        return glob(text, pattern.chopped(2), crossLevels);
    return false;
}

QByteArrayList splitBoth(const QByteArray& name)
{
    QByteArray copy = name;
    copy.replace('\\', '/');
    return copy.split('/');
}

} // namespace

QByteArray specPath(const QString& spec)
{
    QByteArray bytes;
    // "\" separates the levels of an entry; U+F05C stands for a "\" byte in a name.
    for (const QString& part : spec.split(QLatin1Char('\\'))) {
        bytes += hostname::encode(part);
        bytes += '/';
    }
    bytes.chop(1);
    bytes.replace("//", "/");
    while (bytes.startsWith("./"))
        bytes.remove(0, 2);
    while (bytes.startsWith('/'))
        bytes.remove(0, 1);
    while (bytes.endsWith('/'))
        bytes.chop(1);
    return bytes;
}

bool hasWildcard(const QByteArray& spec)
{
    return spec.contains('*') || spec.contains('?');
}

bool memberMatches(const QByteArray& member, const QByteArray& spec, bool recurse, bool literal)
{
    QByteArray m = member;
    while (m.endsWith('/'))
        m.chop(1);
    // Compared as the names asked for are: a member stored as "/x" or "./x"
    // is found by "x" (and then refused or extracted by its own rules).
    while (m.startsWith("./"))
        m.remove(0, 2);
    while (m.startsWith('/'))
        m.remove(0, 1);
    if (m == spec)
        return true;
    if (m.startsWith(spec + '/')) {
        if (recurse || !m.mid(spec.size() + 1).contains('/'))
            return true;
    }
    if (literal || !hasWildcard(spec))
        return false;
    if (globOrDotless(m, spec, recurse))
        return true;
    if (recurse) {
        // A matching directory brings everything below it.
        for (qsizetype slash = m.indexOf('/'); slash > 0; slash = m.indexOf('/', slash + 1)) {
            if (globOrDotless(m.left(slash), spec, false))
                return true;
        }
    }
    return false;
}

std::optional<QByteArrayList> safeComponents(const QByteArray& name, QString* why)
{
    auto refuse = [why](const char* reason) -> std::optional<QByteArrayList> {
        if (why)
            *why = QString::fromLatin1(reason);
        return std::nullopt;
    };
    if (name.isEmpty())
        return refuse("it has no name");
    if (name.contains('\0'))
        return refuse("its name holds a NUL");
    if (name.startsWith('/') || name.startsWith('\\'))
        return refuse("it has an absolute path");
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        return refuse("it names a drive");
    for (const QByteArray& piece : splitBoth(name)) {
        if (piece == "..")
            return refuse("it climbs out with \"..\"");
    }
    QByteArrayList parts;
    for (const QByteArray& piece : name.split('/')) {
        if (!piece.isEmpty() && piece != ".")
            parts.append(piece);
    }
    if (parts.isEmpty())
        return refuse("it has no name");
    return parts;
}

QString display(const QByteArray& member)
{
    QStringList parts;
    for (const QByteArray& piece : member.split('/'))
        parts.append(hostname::decode(piece));
    return parts.join(QLatin1Char('\\'));
}

QByteArray dosComponent(const QByteArray& component)
{
    static const QByteArray allowed = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_$~!#%&-{}@^'`()";
    auto clean = [](const QByteArray& in, qsizetype length) {
        QByteArray out;
        for (char c : in) {
            if (out.size() == length)
                break;
            const char up = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
            out += allowed.contains(up) ? up : '_';
        }
        return out;
    };
    const qsizetype dot = component.lastIndexOf('.');
    QByteArray base = clean(dot > 0 ? component.left(dot) : component, 8);
    const QByteArray ext = dot > 0 ? clean(component.mid(dot + 1), 3) : QByteArray();
    if (base.isEmpty())
        base = "_";
    return ext.isEmpty() ? base : base + '.' + ext;
}

std::time_t memberTime(zip* archive, unsigned long long index, std::time_t dosTime)
{
    for (zip_flags_t where : {zip_flags_t(ZIP_FL_CENTRAL), zip_flags_t(ZIP_FL_LOCAL)}) {
        zip_uint16_t length = 0;
        const zip_uint8_t* data =
            zip_file_extra_field_get_by_id(archive, index, kExtendedTimeId, 0, &length, where);
        if (data && length >= 5 && (data[0] & 1)) {
            const std::uint32_t raw = std::uint32_t(data[1]) | std::uint32_t(data[2]) << 8 |
                                      std::uint32_t(data[3]) << 16 | std::uint32_t(data[4]) << 24;
            return std::time_t(std::int32_t(raw));
        }
    }
    return dosTime;
}

void setMemberTime(zip* archive, unsigned long long index, std::time_t t)
{
    const std::int64_t clamped = std::clamp<std::int64_t>(
        t, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
    const std::uint32_t raw = std::uint32_t(std::int32_t(clamped));
    const zip_uint8_t data[5] = {1, zip_uint8_t(raw), zip_uint8_t(raw >> 8), zip_uint8_t(raw >> 16),
                                 zip_uint8_t(raw >> 24)};
    zip_file_extra_field_delete_by_id(archive, index, kExtendedTimeId, ZIP_EXTRA_FIELD_ALL,
                                      ZIP_FL_LOCAL | ZIP_FL_CENTRAL);
    zip_file_extra_field_set(archive, index, kExtendedTimeId, ZIP_EXTRA_FIELD_NEW, data,
                             sizeof data, ZIP_FL_LOCAL | ZIP_FL_CENTRAL);
}

} // namespace dovex::zipnames
