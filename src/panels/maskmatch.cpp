#include "panels/maskmatch.h"

#include "panels/sorting.h"

namespace dovex {

namespace {

char at(const QByteArray& s, int i)
{
    return i < s.size() ? s[i] : '\0';
}

QByteArray extensionPart(const QByteArray& s)
{
    const int dot = s.lastIndexOf('.');
    return dot < 0 ? QByteArray() : s.mid(dot);
}

} // namespace

bool MaskMatches(const QString& nameText, const QString& maskText)
{
    const QByteArray name = upperAscii(nameText.toUtf8());
    QByteArray mask = upperAscii(maskText.toUtf8());
    // Where the end of the name may meet the mask's dot: only at a dot this
    // function added, so that a mask without a dot matches its own name.
    int addedDot = -1;
    if (!mask.contains('.')) {
        addedDot = int(mask.size());
        mask +=
            mask.endsWith('*') ? ".*" : ".  "; // a blank extension, as a name without one pads to
    }

    for (int i = 0; i <= name.size(); ++i) {
        const char n = at(name, i), m = at(mask, i);
        if (n == '.' || m == '*' || (n == '\0' && i == addedDot))
            break;
        if (n != m)
            return false;
    }

    const QByteArray nameExt = (extensionPart(name) + "   ").left(4);
    const QByteArray maskExt = extensionPart(mask);
    for (int i = 1; i <= 4; ++i) {
        const char n = at(nameExt, i), m = at(maskExt, i);
        if (m == '*')
            return true;
        if (n != m)
            return false;
    }
    return true;
}

} // namespace dovex
