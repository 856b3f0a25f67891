// Feeds arbitrary bytes to the profile (ini) functions as the content of
// "Dovex.Ini": reads must stay within their 1023 bytes and a write must keep
// the file readable.
#include "platform/profile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString dir = [] {
        QString d = QDir::tempPath() + QStringLiteral("/dovex-fuzz-profile-%1").arg(getpid());
        QDir().mkpath(d);
        return d;
    }();
    const QString file = dir + QStringLiteral("/Dovex.Ini");
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const QString value = dovex::profileString(QStringLiteral("Panels"), QStringLiteral("Dir1"),
                                               QStringLiteral("C:\\"), file);
    if (value.toUtf8().size() > 1023)
        __builtin_trap();
    if (!dovex::writeProfileString(QStringLiteral("Panels"), QStringLiteral("Dir1"),
                                   QStringLiteral("D:\\x"), file))
        return 0;
    if (dovex::profileString(QStringLiteral("panels"), QStringLiteral("dir1"), QString(), file) !=
        QLatin1String("D:\\x"))
        __builtin_trap();
    return 0;
}
