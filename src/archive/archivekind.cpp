#include "archive/archivekind.h"

#include "archive/filesource.h"
#include "archive/libarchivereader.h"
#include "platform/drivemap.h"

namespace dovex {

namespace {

bool startsWith(std::span<const std::uint8_t> head, std::size_t at, const char* text)
{
    for (std::size_t i = 0; text[i]; ++i)
        if (at + i >= head.size() || head[at + i] != std::uint8_t(text[i]))
            return false;
    return true;
}

char upperAscii(std::uint8_t c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : char(c);
}

} // namespace

QChar detectArchiveKind(std::span<const std::uint8_t> head)
{
    if (head.size() >= 2 && head[0] == 0x60 && head[1] == 0xEA)
        return kKindArj;
    if (startsWith(head, 0, "PK"))
        return kKindZip;
    if (startsWith(head, 0, "ZOO"))
        return kKindZoo;
    if (head.size() >= 4 && upperAscii(head[0]) == 'R' && upperAscii(head[1]) == 'A' &&
        upperAscii(head[2]) == 'R' && head[3] == '!')
        return kKindRar;
    if (startsWith(head, 2, "-lh"))
        return kKindLha;
    if (!head.empty() && head[0] == 0x1A)
        return kKindPak;
    return kKindNone;
}

QChar DetectArchiveKind(const QString& dosPath)
{
    const std::optional<QString> host = DriveMap::instance().toHost(dosPath);
    FileSource file;
    if (!host || !file.open(*host))
        return kKindNone;
    const QChar classic = detectArchiveKind(file.read(0, 11));
    return classic != kKindNone ? classic : detectLibarchiveKind(file);
}

QString ArchiveKindTag(QChar kind)
{
    switch (kind.unicode()) {
    case kKindZip:
        return QStringLiteral("  [PkZip]");
    case kKindArj:
        return QStringLiteral("  [Arj]");
    case kKindRar:
        return QStringLiteral("  [Rar]");
    case kKindLha:
        return QStringLiteral("  [Lha]");
    case kKindPak:
        return QStringLiteral("  [Pak]");
    case kKindZoo:
        return QStringLiteral("  [Zoo]");
    case kKindTar:
        return QStringLiteral("  [Tar]");
    case kKind7z:
        return QStringLiteral("  [7-Zip]");
    case kKindIso:
        return QStringLiteral("  [ISO]");
    case kKindCpio:
        return QStringLiteral("  [Cpio]");
    default:
        return QString();
    }
}

} // namespace dovex
