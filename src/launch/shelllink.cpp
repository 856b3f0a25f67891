#include "launch/shelllink.h"

#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostfile.h"
#include "platform/hostname.h"

#include <QUuid>

namespace dovex {

namespace {

constexpr quint32 kHeaderSize = 0x4C;
constexpr quint32 kHasIdList = 0x01;
constexpr quint32 kHasLinkInfo = 0x02;
constexpr quint32 kHasName = 0x04;
constexpr quint32 kHasRelativePath = 0x08;
constexpr quint32 kHasWorkingDir = 0x10;
constexpr quint32 kHasArguments = 0x20;
constexpr quint32 kHasIconLocation = 0x40;
constexpr quint32 kIsUnicode = 0x80;
constexpr quint32 kVolumeAndLocalPath = 0x01;
// No shortcut a person makes comes near this; a larger file is not one.
constexpr qint64 kMaxLinkFile = 1 << 20;

const char* const kShellLinkClass = "{00021401-0000-0000-C000-000000000046}";

void putLe16(QByteArray& b, quint16 v)
{
    b += char(v & 0xFF);
    b += char(v >> 8);
}

void putLe32(QByteArray& b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b += char(v >> (8 * i) & 0xFF);
}

QByteArray guidBytes(const QString& text)
{
    const QUuid id(text);
    QByteArray b;
    putLe32(b, id.data1);
    putLe16(b, id.data2);
    putLe16(b, id.data3);
    for (int i = 0; i < 8; ++i)
        b += char(id.data4[i]);
    return b;
}

// The 8-bit form of a drive-letter path: each name's bytes as they are on
// disk, "\" the separator, and a name's own backslash (U+F05C) as that
// character's UTF-8, which hostname::decodeText turns back into it.
QByteArray linkText(const QString& text)
{
    const QStringList parts = text.split(QChar(hostname::kBackslashStandIn));
    QByteArray bytes;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            bytes += "\xEF\x81\x9C";
        bytes += hostname::encode(parts[i]);
    }
    return bytes;
}

QString textOf(QByteArray bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return hostname::decodeText(bytes);
}

bool putCounted(QByteArray& b, const QByteArray& text)
{
    if (text.size() > 0xFFFF)
        return false;
    putLe16(b, quint16(text.size()));
    b += text;
    return true;
}

// The path from the shortcut's folder to the target, up to the drive's
// root and down again; empty when they lie on different drives.
QByteArray relativePath(const QString& linkPath, const QString& target)
{
    if (linkPath.size() < 3 || linkPath[0].toUpper() != target[0].toUpper())
        return {};
    const QString folder = dospath::directoryPart(linkPath);
    const qsizetype depth = dospath::isRoot(folder) ? 0 : folder.mid(3).split('\\').size();
    QByteArray rel = depth == 0 ? QByteArray(".\\") : QByteArray("..\\").repeated(depth);
    rel += linkText(target.mid(3));
    // The NUL inside the count ends the path for a reader that scans the
    // bytes instead of counting them: the next string's count follows.
    rel += '\0';
    return rel;
}

QByteArray linkInfo(const QString& target)
{
    QByteArray volume;
    putLe32(volume, 0x11); // size of the volume record
    putLe32(volume, 3);    // fixed drive
    putLe32(volume, 0);    // serial number
    putLe32(volume, 0x10); // label offset
    volume += '\0';        // empty label
    const QByteArray base = linkText(target) + '\0';
    const quint32 headerSize = 0x1C;
    const quint32 volumeAt = headerSize;
    const quint32 baseAt = volumeAt + quint32(volume.size());
    const quint32 suffixAt = baseAt + quint32(base.size());
    QByteArray info;
    putLe32(info, suffixAt + 1);
    putLe32(info, headerSize);
    putLe32(info, kVolumeAndLocalPath);
    putLe32(info, volumeAt);
    putLe32(info, baseAt);
    putLe32(info, 0); // no network location
    putLe32(info, suffixAt);
    info += volume;
    info += base;
    info += '\0'; // empty common path suffix
    return info;
}

// Bounded reads over the bytes of a shortcut.
class Reader {
public:
    explicit Reader(const QByteArray& bytes) : m_bytes(bytes) {}
    bool has(qsizetype at, qsizetype n) const
    {
        return at >= 0 && n >= 0 && at <= m_bytes.size() && n <= m_bytes.size() - at;
    }
    quint32 le32(qsizetype at) const
    {
        quint32 v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | quint8(m_bytes[at + i]);
        return v;
    }
    quint16 le16(qsizetype at) const
    {
        return quint16(quint8(m_bytes[at]) | quint8(m_bytes[at + 1]) << 8);
    }
    // A NUL-terminated string starting at at and ending before end.
    std::optional<QByteArray> cString(qsizetype at, qsizetype end) const
    {
        if (at < 0 || at >= end || end > m_bytes.size())
            return std::nullopt;
        const qsizetype nul = m_bytes.indexOf('\0', at);
        if (nul < 0 || nul >= end)
            return std::nullopt;
        return m_bytes.mid(at, nul - at);
    }
    QByteArray mid(qsizetype at, qsizetype n) const { return m_bytes.mid(at, n); }

private:
    const QByteArray& m_bytes;
};

std::optional<QString> targetOfLinkInfo(const Reader& r, qsizetype at)
{
    if (!r.has(at, 0x1C))
        return std::nullopt;
    const quint32 size = r.le32(at);
    const quint32 headerSize = r.le32(at + 4);
    if (size < 0x1C || headerSize < 0x1C || headerSize > size || !r.has(at, size))
        return std::nullopt;
    if (!(r.le32(at + 8) & kVolumeAndLocalPath))
        return QString(); // a network location only: no local path here
    const qsizetype end = at + qsizetype(size);
    const auto base = r.cString(at + qsizetype(r.le32(at + 16)), end);
    const auto suffix = r.cString(at + qsizetype(r.le32(at + 24)), end);
    if (!base || !suffix)
        return std::nullopt;
    return hostname::decodeText(*base + *suffix);
}

} // namespace

QByteArray TShellLink::encode(const QString& linkPath) const
{
    const std::optional<QString> target = dospath::normalize(Target);
    if (!target || !dospath::normalize(linkPath))
        return {};
    const QByteArray rel = relativePath(*dospath::normalize(linkPath), *target);
    quint32 flags = kHasLinkInfo | kHasName | kHasWorkingDir | kHasIconLocation;
    if (!rel.isEmpty())
        flags |= kHasRelativePath;
    if (!Arguments.isEmpty())
        flags |= kHasArguments;

    QByteArray b;
    putLe32(b, kHeaderSize);
    b += guidBytes(QLatin1String(kShellLinkClass));
    putLe32(b, flags);
    putLe32(b, fileio::status(*target, true).directory ? 0x10 : 0x20);
    b += QByteArray(24, '\0'); // creation, access and write times: unknown
    putLe32(b, 0);             // file size
    putLe32(b, IconNumber);
    putLe32(b, quint32(ShowCmd));
    putLe16(b, HotKey);
    b += QByteArray(10, '\0');

    b += linkInfo(*target);
    bool ok = putCounted(b, linkText(Description));
    if (!rel.isEmpty())
        ok = ok && putCounted(b, rel);
    ok = ok && putCounted(b, linkText(WorkingDir));
    if (!Arguments.isEmpty())
        ok = ok && putCounted(b, linkText(Arguments));
    ok = ok && putCounted(b, linkText(IconLocation));
    putLe32(b, 0); // no extra data blocks
    return ok ? b : QByteArray();
}

TShellLink::SaveOutcome TShellLink::Save(const QString& linkPath) const
{
    const QByteArray bytes = encode(linkPath);
    if (bytes.isEmpty())
        return {};
    const std::optional<QString> host = DriveMap::instance().toHost(linkPath);
    if (host && hostfile::write(*host, bytes))
        return {true, {}};
    return {false, Result::failure(QStringLiteral("Error in creating shortcut, please try again"))};
}

bool TShellLink::decode(const QByteArray& bytes)
{
    const Reader r(bytes);
    if (!r.has(0, kHeaderSize) || r.le32(0) != kHeaderSize ||
        r.mid(4, 16) != guidBytes(QLatin1String(kShellLinkClass)))
        return false;
    const quint32 flags = r.le32(20);
    if (flags & kIsUnicode)
        return false; // this program writes and reads the 8-bit form only
    TShellLink link;
    link.IconNumber = quint16(r.le32(56));
    link.ShowCmd = int(r.le32(60));
    link.HotKey = r.le16(64);
    qsizetype at = kHeaderSize;
    if (flags & kHasIdList) {
        if (!r.has(at, 2))
            return false;
        at += 2 + r.le16(at);
    }
    std::optional<QString> target;
    if (flags & kHasLinkInfo) {
        target = targetOfLinkInfo(r, at);
        if (!target || !r.has(at, 4))
            return false;
        at += qsizetype(r.le32(at));
    }
    QString strings[5];
    const quint32 stringFlags[5] = {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments,
                                    kHasIconLocation};
    for (int i = 0; i < 5; ++i) {
        if (!(flags & stringFlags[i]))
            continue;
        if (!r.has(at, 2) || !r.has(at + 2, r.le16(at)))
            return false;
        strings[i] = textOf(r.mid(at + 2, r.le16(at)));
        at += 2 + r.le16(at);
    }
    if (!target || target->isEmpty())
        return false; // no local path: nothing this program can open
    link.Target = *target;
    link.Description = strings[0];
    link.WorkingDir = strings[2];
    link.Arguments = strings[3];
    link.IconLocation = strings[4];
    *this = link;
    return true;
}

bool TShellLink::Load(const QString& linkPath)
{
    const std::optional<QString> host = DriveMap::instance().toHost(linkPath);
    if (!host)
        return false;
    const std::optional<QByteArray> bytes = hostfile::read(*host, kMaxLinkFile);
    if (!bytes || !decode(*bytes))
        return false;
    Path = linkPath;
    return true;
}

std::optional<QString> shellFolderOfLink(const QByteArray& bytes)
{
    const Reader r(bytes);
    if (!r.has(0, 0x4C + 0x18) || r.le32(0) != kHeaderSize ||
        r.mid(4, 16) != guidBytes(QLatin1String(kShellLinkClass)) ||
        (r.le32(20) & (kHasIdList | kHasLinkInfo)) != kHasIdList)
        return std::nullopt;
    // One item of 0x14 bytes: 0x1F, a sort byte and the folder's class.
    if (r.le16(0x4C) != 0x16 || r.le16(0x4E) != 0x14 || quint8(bytes[0x50]) != 0x1F ||
        r.le16(0x62) != 0)
        return std::nullopt;
    const QByteArray g = r.mid(0x52, 16);
    QUuid id(r.le32(0x52), r.le16(0x56), r.le16(0x58), quint8(g[8]), quint8(g[9]), quint8(g[10]),
             quint8(g[11]), quint8(g[12]), quint8(g[13]), quint8(g[14]), quint8(g[15]));
    return id.toString(QUuid::WithBraces).toUpper();
}

} // namespace dovex
