#include "launch/pif.h"

#include "platform/hostfile.h"
#include "platform/hostname.h"

#include <array>

namespace dovex::launch {

namespace {

struct PifByte {
    int offset;
    int value;
};
struct PifWord {
    int offset;
    int value;
};
struct PifText {
    int offset;
    const char* text;
};

// The fixed part of the image, as the tables of the format give it.
constexpr std::array kBytes{
    PifByte{1, 120},  PifByte{99, 16},  PifByte{230, 1},  PifByte{232, 255}, PifByte{233, 25},
    PifByte{234, 80}, PifByte{237, 7},  PifByte{429, 2},  PifByte{430, 16},  PifByte{431, 2},
    PifByte{433, 31}, PifByte{709, 2},  PifByte{721, 50}, PifByte{723, 1},   PifByte{735, 1},
    PifByte{739, 5},  PifByte{741, 25}, PifByte{743, 3},  PifByte{745, 200}, PifByte{749, 2},
    PifByte{751, 10}, PifByte{753, 1},  PifByte{761, 28}, PifByte{769, 7},   PifByte{771, 12},
    PifByte{839, 3},  PifByte{843, 80}, PifByte{845, 25}, PifByte{855, 22},  PifByte{859, 1},
    PifByte{965, 1},
};
constexpr std::array kWords{
    PifWord{32, 640},    PifWord{385, 391}, PifWord{387, 0},     PifWord{389, 369},
    PifWord{407, 517},   PifWord{409, 413}, PifWord{411, 104},   PifWord{413, 640},
    PifWord{417, 100},   PifWord{419, 50},  PifWord{421, 65535}, PifWord{425, 65535},
    PifWord{533, 65535}, PifWord{535, 539}, PifWord{537, 428},   PifWord{747, 1000},
    PifWord{847, 560},   PifWord{849, 300}, PifWord{851, 572},   PifWord{853, 359},
    PifWord{873, 572},   PifWord{875, 359},
};
constexpr std::array kTexts{
    PifText{369, "MICROSOFT PIFEX"}, PifText{391, "WINDOWS 386 3.0"},
    PifText{517, "WINDOWS VMM 4.0"}, PifText{627, "PIFMGR.DLL"},
    PifText{773, "Terminal"},        PifText{805, "Lucida Console"},
};

const std::array<const char*, 8> kArchivers{"arj",   "Lha", "Pak",      "Pkunzip",
                                            "PkZip", "Rar", "Compress", "Zoo"};

void put(QByteArray& image, int offset, const QByteArray& bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i)
        image[offset + i] = bytes[i];
}

} // namespace

QByteArray pifImage(const QString& programPath)
{
    QByteArray image(kPifSize, '\0');
    for (const PifByte& b : kBytes)
        image[b.offset] = char(b.value);
    for (const PifWord& w : kWords) {
        image[w.offset] = char(w.value & 0xff);
        image[w.offset + 1] = char((w.value >> 8) & 0xff);
    }
    for (const PifText& t : kTexts)
        put(image, t.offset, QByteArray(t.text));
    for (int i = 861; i <= 868; ++i)
        image[i] = char(255);

    const QString file = programPath.section(QLatin1Char('\\'), -1).section(QLatin1Char('/'), -1);
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    QByteArray title = hostname::encode(dot > 0 ? file.left(dot) : file).left(30);
    title += QByteArray(30 - title.size(), ' ');
    put(image, 2, title);
    put(image, 36, hostname::encode(programPath).left(63));
    return image;
}

bool writePif(const QString& programHostPath, const QString& programPathAsNamed)
{
    const qsizetype slash = programHostPath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = programHostPath.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > slash ? programHostPath.left(dot) : programHostPath;
    return hostfile::write(base + QStringLiteral(".Pif"), pifImage(programPathAsNamed));
}

int writeMissingPifs(const QString& programHostDir, const QString& dirName)
{
    int written = 0;
    for (const char* name : kArchivers) {
        const QString n = QString::fromLatin1(name);
        if (hostfile::isFile(programHostDir + '/' + n + QStringLiteral(".pif")) ||
            hostfile::isFile(programHostDir + '/' + n + QStringLiteral(".Pif")))
            continue;
        if (writePif(programHostDir + '/' + n + QStringLiteral(".exe"),
                     dirName + '\\' + n + QStringLiteral(".exe")))
            ++written;
    }
    return written;
}

} // namespace dovex::launch
