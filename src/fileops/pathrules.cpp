#include "fileops/pathrules.h"

#include "platform/drivemap.h"
#include "platform/hostname.h"

namespace dovex {

namespace {

// Where the file name of a path begins: after the last backslash or colon.
int nameStart(const QString& path)
{
    return int(std::max(path.lastIndexOf('\\'), path.lastIndexOf(':'))) + 1;
}

// The wildcard rule for one part (name or extension).
QString mergePart(const QString& pattern, const QString& source)
{
    const int star = int(pattern.indexOf('*'));
    if (star < 0)
        return pattern;
    return pattern.left(star) + source.mid(star);
}

} // namespace

QString WithBackslash(const QString& path)
{
    return path.endsWith('\\') ? path : path + '\\';
}

QString ResolveTypedTarget(const QString& text, const QString& sourceDirectory)
{
    QString result;
    if (text.size() >= 3 && text[1] == ':' && text[2] == '\\')
        result = text;
    else if (text.startsWith('\\'))
        result = sourceDirectory.left(2) + text;
    else if (text.isEmpty())
        result = sourceDirectory;
    else
        result = appendName(sourceDirectory, text);
    // "..", "." and doubled separators are resolved within the drive, so a
    // typed target never names anything above the drive's root.
    if (const std::optional<QString> normal = dospath::normalize(result))
        return *normal;
    while (result.size() > 3 && result.endsWith('\\'))
        result.chop(1);
    return result;
}

QString pathExtension(const QString& path)
{
    const int start = nameStart(path);
    const int dot = int(path.lastIndexOf('.'));
    return dot >= start ? path.mid(dot) : QString();
}

QString pathBaseName(const QString& path)
{
    const QString name = path.mid(nameStart(path));
    return name.left(name.size() - pathExtension(path).size());
}

QString ApplyWildcardName(const QString& destination, const QString& source)
{
    if (!destination.contains('*'))
        return destination;
    const QString directory = destination.left(nameStart(destination));
    QString extension = mergePart(pathExtension(destination), pathExtension(source));
    // "*.*" on a name without an extension leaves no bare dot behind.
    if (extension == QLatin1String("."))
        extension.clear();
    return directory + mergePart(pathBaseName(destination), pathBaseName(source)) + extension;
}

QString partialName(const QString& path, int n)
{
    const int start = nameStart(path);
    QString stem = path.mid(start, path.size() - start - pathExtension(path).size());
    const QString suffix = n == 0 ? QStringLiteral(".$$$") : QStringLiteral(".%1.$$$").arg(n);
    // The name must fit the file system, or the partial file could only
    // keep the complete file's name: the stem gives way, never the suffix.
    const qsizetype room = kMaxNameBytes - hostname::encode(suffix).size();
    while (!stem.isEmpty() && hostname::encode(stem).size() > room) {
        stem.chop(1);
        if (!stem.isEmpty() && stem.back().isHighSurrogate())
            stem.chop(1);
    }
    return path.left(start) + stem + suffix;
}

QString appendName(const QString& dir, const QString& name)
{
    return WithBackslash(dir) + name;
}

} // namespace dovex
