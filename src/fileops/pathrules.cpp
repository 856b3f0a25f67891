#include "fileops/pathrules.h"

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
    const QString stem = path.left(path.size() - pathExtension(path).size());
    return n == 0 ? stem + QStringLiteral(".$$$") : stem + QStringLiteral(".%1.$$$").arg(n);
}

QString appendName(const QString& dir, const QString& name)
{
    return WithBackslash(dir) + name;
}

} // namespace dovex
