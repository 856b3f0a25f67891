#include "shell/sysinfo.h"

#include "platform/hostname.h"

#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <set>

namespace dovex::sysinfo {

namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
// A system file larger than this is not a real one; what was read is used.
constexpr qsizetype kReadLimit = 4 << 20;
// No text from a file takes more than a line of the table.
constexpr int kTextLimit = 120;

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b)
{
    return a > kMax - b ? kMax : a + b;
}

// The text of a system file, at most kReadLimit bytes. Only a regular file
// is read: a FIFO put in its place would block.
QByteArray readSystemFile(const QString& path)
{
    const QByteArray name = hostname::encode(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray text;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char buffer[65536];
        while (text.size() < kReadLimit) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            text.append(buffer, qsizetype(n));
        }
    }
    ::close(fd);
    return text.left(kReadLimit);
}

// Control characters become blanks, runs of blanks one blank, and the text
// is cut to a line of the table: a hostile file cannot add rows or columns
// to the listing.
QString clean(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        out += (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
                c == QChar(0x2028) || c == QChar(0x2029))
                   ? QChar(' ')
                   : c;
    out = out.simplified();
    if (out.size() > kTextLimit)
        out = out.left(kTextLimit).trimmed();
    return out;
}

// The value of the first "key : value" line whose key is one of keys, in
// the order the keys are given. Keys are compared as the kernel writes them:
// x86's "model" is a number, a board's "Model" its name.
QString fieldValue(const QByteArray& text, std::initializer_list<const char*> keys)
{
    const QList<QByteArray> lines = text.split('\n');
    for (const char* key : keys) {
        for (const QByteArray& line : lines) {
            const qsizetype colon = line.indexOf(':');
            if (colon < 0)
                continue;
            if (line.left(colon).trimmed() == key) {
                const QString value = clean(QString::fromUtf8(line.mid(colon + 1)));
                if (!value.isEmpty())
                    return value;
            }
        }
    }
    return {};
}

// An os-release value: double or single quotes removed, backslash escapes
// taken as the character they escape.
QString unquote(const QByteArray& raw)
{
    const QByteArray v = raw.trimmed();
    if (v.size() < 2 || (v.front() != '"' && v.front() != '\'') || v.back() != v.front())
        return QString::fromUtf8(v);
    QByteArray out;
    for (qsizetype i = 1; i + 1 < v.size(); ++i) {
        if (v[i] == '\\' && v.front() == '"' && i + 2 < v.size())
            ++i;
        out += v[i];
    }
    return QString::fromUtf8(out);
}

QString osReleaseValue(const QByteArray& text, const char* key)
{
    const QByteArray prefix = QByteArray(key) + '=';
    for (const QByteArray& line : text.split('\n'))
        if (line.trimmed().startsWith(prefix))
            return clean(unquote(line.trimmed().mid(prefix.size())));
    return {};
}

} // namespace

QString processorText(const QByteArray& cpuinfo)
{
    // x86 names the model in "model name"; ARM, MIPS, PowerPC and RISC-V
    // boards use the others.
    QString model = fieldValue(
        cpuinfo, {"model name", "Model", "cpu model", "Processor", "cpu", "uarch", "Hardware"});
    static const QRegularExpression noise(
        QStringLiteral("\\((R|TM|C)\\)|\\bCPU\\b|\\bProcessor\\b|@\\s*[0-9.]+\\s*[GM]Hz"),
        QRegularExpression::CaseInsensitiveOption);
    model.replace(noise, QStringLiteral(" "));
    return model.simplified();
}

std::optional<std::uint64_t> memTotalBytes(const QByteArray& meminfo)
{
    for (const QByteArray& line : meminfo.split('\n')) {
        if (!line.startsWith("MemTotal:"))
            continue;
        const QList<QByteArray> words = line.mid(9).simplified().split(' ');
        if (words.isEmpty() || words[0].isEmpty())
            return std::nullopt;
        std::uint64_t value = 0;
        for (char c : words[0]) {
            if (c < '0' || c > '9')
                return std::nullopt;
            const std::uint64_t digit = std::uint64_t(c - '0');
            value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
        }
        std::uint64_t unit = 1;
        if (words.size() > 1) {
            const QByteArray u = words[1].toLower();
            if (u == "kb")
                unit = 1024;
            else if (u == "mb")
                unit = 1024 * 1024;
            else if (u == "gb")
                unit = 1024 * 1024 * 1024;
            else if (u != "b")
                return std::nullopt;
        }
        return value > kMax / unit ? kMax : value * unit;
    }
    return std::nullopt;
}

QString memoryText(std::optional<std::uint64_t> bytes)
{
    if (!bytes)
        return QStringLiteral("unknown");
    // Rounded to the nearest MB without adding half a MB first, which
    // would overflow near the largest number.
    const std::uint64_t mb = (*bytes >> 20) + ((*bytes >> 19) & 1);
    return QString::number(mb) + QStringLiteral(" MB");
}

QString distributionName(const QByteArray& osRelease)
{
    const QString name = osReleaseValue(osRelease, "NAME");
    const QString version = osReleaseValue(osRelease, "VERSION_ID");
    if (!name.isEmpty())
        return version.isEmpty() ? name : name + ' ' + version;
    return osReleaseValue(osRelease, "PRETTY_NAME");
}

QString systemText(const QString& sysname, const QString& release, const QString& distribution)
{
    static const QRegularExpression majorMinor(QStringLiteral("^(\\d{1,9})\\.(\\d{1,9})"));
    const QRegularExpressionMatch m = majorMinor.match(release);
    const QString version = m.hasMatch() ? m.captured(1) + '.' + m.captured(2) : clean(release);
    QString text = clean(sysname.isEmpty() ? QStringLiteral("Linux") : sysname);
    if (!version.isEmpty())
        text += ' ' + version;
    const QString distro = clean(distribution);
    if (!distro.isEmpty())
        text += QStringLiteral(" (") + distro + ')';
    return text;
}

std::uint64_t colourCount(int depth)
{
    if (depth < 0)
        return 0;
    if (depth >= 64)
        return kMax;
    return std::uint64_t(1) << depth;
}

QString displayText(std::optional<DisplayInfo> display)
{
    if (!display || display->width <= 0 || display->height <= 0)
        return QStringLiteral("no display");
    return QStringLiteral("%1x%2, %3 colors")
        .arg(display->width)
        .arg(display->height)
        .arg(colourCount(display->depth));
}

DiskTotals addDisks(const QList<DiskSample>& disks)
{
    DiskTotals totals;
    std::set<std::uint64_t> seen;
    for (const DiskSample& d : disks) {
        const QChar letter = d.letter.toUpper();
        // X, Y and Z were never looked at: they are the network's letters.
        if (letter < QChar('C') || letter > QChar('W'))
            continue;
        if (d.kind != DriveKind::Fixed && d.kind != DriveKind::Removable)
            continue;
        if (!d.space || d.space->total <= 0)
            continue;
        // Two letters on one volume (the home directory and "/" on the
        // same partition) would count its bytes twice.
        if (d.device && !seen.insert(*d.device).second)
            continue;
        totals.total = saturatingAdd(totals.total, std::uint64_t(d.space->total));
        if (d.space->free > 0)
            totals.free = saturatingAdd(totals.free, std::uint64_t(d.space->free));
        ++totals.counted;
    }
    return totals;
}

QString diskText(const DiskTotals& totals)
{
    return QStringLiteral("Total %1 MB , free %2 MB")
        .arg(totals.total >> 20)
        .arg(totals.free >> 20);
}

QList<DiskSample> sampleDrives(const DriveMap& map)
{
    QList<DiskSample> out;
    for (const Drive& drive : map.drives()) {
        DiskSample s;
        s.letter = drive.letter;
        s.kind = map.kind(drive.letter);
        if (s.kind != DriveKind::Fixed && s.kind != DriveKind::Removable) {
            out << s; // not counted: its space is not asked for (a network drive may hang)
            continue;
        }
        s.space = map.space(drive.letter);
        struct stat st {};
        if (::stat(hostname::encode(drive.root).constData(), &st) == 0)
            s.device = std::uint64_t(st.st_dev);
        out << s;
    }
    return out;
}

SystemInfo collect(std::optional<DisplayInfo> display, const Sources& sources)
{
    SystemInfo info;
    info.disks = diskText(addDisks(sampleDrives(DriveMap::instance())));
    info.memory = memoryText(memTotalBytes(readSystemFile(sources.meminfo)));
    struct utsname uts {};
    const bool haveUname = ::uname(&uts) == 0;
    QString distribution;
    for (const QString& path : sources.osRelease) {
        distribution = distributionName(readSystemFile(path));
        if (!distribution.isEmpty())
            break;
    }
    info.system = systemText(haveUname ? QString::fromUtf8(uts.sysname) : QString(),
                             haveUname ? QString::fromUtf8(uts.release) : QString(), distribution);
    info.processor = processorText(readSystemFile(sources.cpuinfo));
    if (info.processor.isEmpty() && haveUname)
        info.processor = clean(QString::fromUtf8(uts.machine));
    info.display = displayText(display);
    return info;
}

QList<QPair<QString, QString>> rows(const SystemInfo& info)
{
    return {{QStringLiteral("System Info"), QStringLiteral("This system")},
            {QStringLiteral("CPU-Type"), info.processor},
            {QStringLiteral("VGA-resolution"), info.display},
            {QStringLiteral("Total Memory"), info.memory},
            {QStringLiteral("Operating System"), info.system},
            {QStringLiteral("Harddisk(s)"), info.disks}};
}

} // namespace dovex::sysinfo
