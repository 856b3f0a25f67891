#include "platform/mounttable.h"

#include "platform/hostname.h"

#include <QFile>

namespace dovex {

namespace {

QString unescapeMountField(const QByteArray& field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(char(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return hostname::decode(out);
}

} // namespace

QList<MountEntry> ReadMountTable()
{
    QList<MountEntry> mounts;
    QFile file(QStringLiteral("/proc/self/mounts"));
    if (!file.open(QIODevice::ReadOnly))
        return mounts;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 3)
            continue;
        mounts.append({unescapeMountField(fields[0]), unescapeMountField(fields[1]),
                       QString::fromLatin1(fields[2])});
    }
    return mounts;
}

} // namespace dovex
