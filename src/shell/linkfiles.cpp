#include "shell/linkfiles.h"

#include "platform/drivemap.h"
#include "platform/hostfile.h"

#include <QUuid>

namespace dovex {

namespace {

void putLe32(QByteArray& b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(v >> (8 * i) & 0xFF);
}

void putLe16(QByteArray& b, int at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

// A class identifier in its binary layout: the first three fields
// little-endian, the last eight bytes as written.
QByteArray guidBytes(const QString& text)
{
    const QUuid id(text);
    QByteArray b(16, '\0');
    putLe32(b, 0, id.data1);
    putLe16(b, 4, id.data2);
    putLe16(b, 6, id.data3);
    for (int i = 0; i < 8; ++i)
        b[8 + i] = char(id.data4[i]);
    return b;
}

} // namespace

QByteArray folderLinkBytes(const QString& folderClassId)
{
    QByteArray link(100, '\0');
    putLe32(link, 0x00, 0x4C);
    link.replace(0x04, 16, guidBytes(QStringLiteral("{00021401-0000-0000-C000-000000000046}")));
    putLe32(link, 0x14, 0x01); // only the target ID list is present
    putLe32(link, 0x3C, 1);    // show command: normal window
    putLe16(link, 0x4C, 0x16); // ID list: one item and the terminator
    putLe16(link, 0x4E, 0x14);
    link[0x50] = char(0x1F);
    link[0x51] = 0;
    link.replace(0x52, 16, guidBytes(folderClassId));
    // the terminating zero word at 0x62 is already there
    return link;
}

Result writeMissingLinkFiles(const QString& programDir)
{
    const struct {
        const char* name;
        const char* target;
    } links[] = {{"NetWork.Lnk", "{208D2C60-3AEA-1069-A2D7-08002B30309D}"},
                 {"Recycled.Lnk", "{645FF040-5081-101B-9F08-00AA002F954E}"}};
    for (const auto& l : links) {
        const QString path = programDir + '/' + QLatin1String(l.name);
        if (hostfile::isFile(path))
            continue;
        if (!hostfile::write(path, folderLinkBytes(QLatin1String(l.target))))
            return Result::failure(QStringLiteral("Cannot create the file %1").arg(path));
    }
    return {};
}

QString programDirectoryName(const QString& hostProgramDir)
{
    const std::optional<QString> dos = DriveMap::instance().toDos(hostProgramDir);
    if (!dos)
        return hostProgramDir;
    return dospath::isRoot(*dos) ? dos->left(2) : *dos;
}

} // namespace dovex
