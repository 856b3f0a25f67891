#include "platform/netrecords.h"

#include "platform/hostfile.h"
#include "platform/hostname.h"
#include "platform/locations.h"
#include "platform/mounttable.h"
#include "platform/uniquefd.h"

#include <QDir>

#include <dirent.h>

namespace dovex::netrecords {

namespace {

constexpr int kMaxRecent = 20;
constexpr qsizetype kMaxField = 4096;
// Read one byte more than the limit, to know that the file goes past it.
constexpr qsizetype kMaxFileSize = kMaxBytes + 1;

// A host directory is written as its bytes (hostname.h); a location or a
// recent path is text the user typed, written as UTF-8.
QByteArray escape(const QString& field, bool hostPath)
{
    QByteArray out;
    for (const char c : hostPath ? hostname::encode(field) : field.toUtf8()) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::optional<QString> unescape(const QByteArray& field, bool hostPath)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        char c = field[i];
        if (c == '\\') {
            if (++i >= field.size())
                return std::nullopt;
            switch (field[i]) {
            case '\\':
                c = '\\';
                break;
            case 't':
                c = '\t';
                break;
            case 'n':
                c = '\n';
                break;
            case 'r':
                c = '\r';
                break;
            default:
                return std::nullopt;
            }
        }
        if (c == '\0')
            return std::nullopt;
        out += c;
    }
    if (out.size() > kMaxField)
        return std::nullopt;
    return hostPath ? hostname::decode(out) : QString::fromUtf8(out);
}

// A mount's directory as the records may name it: absolute, already clean,
// and never the file system's root.
bool acceptableHostDir(const QString& dir)
{
    return dir.startsWith('/') && dir != QLatin1String("/") && QDir::cleanPath(dir) == dir;
}

// Whether dir holds an entry called name. Only reads the directory: on
// gvfs's FUSE root the list of mounts is answered locally, while a stat of
// a mount's directory would ask its server.
bool directoryLists(const QString& dir, const QString& name)
{
    const UniqueDir d(::opendir(hostname::encode(dir).constData()));
    if (!d)
        return false;
    const QByteArray wanted = hostname::encode(name);
    while (dirent* e = ::readdir(d.get()))
        if (wanted == e->d_name)
            return true;
    return false;
}

// gvfs gives every mounted location a directory inside its one FUSE mount;
// a network drive is such a directory or a folder below one. The mount
// that holds hostDir (the longest mount point above it) must be gvfs's FUSE
// mount itself, so no other file system (a tmpfs, /proc) passes, not even
// one mounted inside it.
bool realLiveMount(const QString& hostDir)
{
    if (!acceptableHostDir(hostDir))
        return false;
    std::optional<MountEntry> holder;
    for (const MountEntry& m : ReadMountTable()) {
        const bool holds = m.mountPoint == QLatin1String("/") || hostDir == m.mountPoint ||
                           hostDir.startsWith(m.mountPoint + '/');
        if (holds && (!holder || m.mountPoint.size() >= holder->mountPoint.size()))
            holder = m;
    }
    if (!holder || holder->type != QLatin1String("fuse.gvfsd-fuse") ||
        hostDir == holder->mountPoint)
        return false;
    const QString rest = hostDir.mid(holder->mountPoint.size() + 1);
    return directoryLists(holder->mountPoint, rest.left(rest.indexOf('/')));
}

std::function<bool(const QString&)>& liveMountCheck()
{
    static std::function<bool(const QString&)> check = realLiveMount;
    return check;
}

std::function<bool(const QString&, const QString&)>& locationCheck()
{
    static std::function<bool(const QString&, const QString&)> check;
    return check;
}

} // namespace

QString path()
{
    return programDirectory() + QStringLiteral("/netdrives.txt");
}

Records parse(const QByteArray& text)
{
    Records records;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> fields = line.split('\t');
        if (fields[0] == "drive" && fields.size() == 5) {
            const std::optional<QString> location = unescape(fields[3], false);
            const std::optional<QString> hostDir = unescape(fields[4], true);
            if (fields[1].size() != 1 || fields[1][0] < 'D' || fields[1][0] > 'Z' ||
                (fields[2] != "0" && fields[2] != "1") || !location || location->isEmpty() ||
                !hostDir || !acceptableHostDir(*hostDir))
                continue;
            const QChar letter = QLatin1Char(fields[1][0]);
            bool taken = false;
            for (const Record& r : std::as_const(records.drives))
                taken = taken || r.letter == letter;
            if (!taken)
                records.drives.append({letter, *location, *hostDir, fields[2] == "1"});
        } else if (fields[0] == "recent" && fields.size() == 2) {
            const std::optional<QString> p = unescape(fields[1], false);
            if (p && !p->isEmpty() && !records.recent.contains(*p) &&
                records.recent.size() < kMaxRecent)
                records.recent.append(*p);
        }
    }
    return records;
}

QByteArray format(const Records& records)
{
    QByteArray text = "# Network drives of dovex: drive LETTER RECONNECT LOCATION DIRECTORY\n";
    for (const Record& r : records.drives)
        text += "drive\t" + QByteArray(1, char(r.letter.toLatin1())) + '\t' +
                (r.reconnect ? "1" : "0") + '\t' + escape(r.location, false) + '\t' +
                escape(r.hostDir, true) + '\n';
    for (qsizetype i = 0; i < records.recent.size() && i < kMaxRecent; ++i)
        text += "recent\t" + escape(records.recent[i], false) + '\n';
    return text;
}

Records read()
{
    const std::optional<QByteArray> text = hostfile::readPrefix(path(), kMaxFileSize);
    if (!text)
        return Records{};
    if (text->size() < kMaxFileSize)
        return parse(*text);
    // Past the limit: the complete lines before it count, the rest is left
    // unread and said so, and the drives recorded first stay.
    Records records = parse(text->left(text->lastIndexOf('\n') + 1));
    records.overLimit = true;
    return records;
}

bool write(const Records& records)
{
    return hostfile::makeDirectories(programDirectory()) &&
           hostfile::write(path(), format(records));
}

bool isLiveMount(const QString& hostDir)
{
    return liveMountCheck()(hostDir);
}

bool isDriveOf(const Record& record)
{
    if (!isLiveMount(record.hostDir))
        return false;
    const auto& check = locationCheck();
    return !check || check(record.location, record.hostDir);
}

void setLocationCheck(std::function<bool(const QString&, const QString&)> check)
{
    locationCheck() = std::move(check);
}

std::function<bool(const QString&)>& answerCheck()
{
    static std::function<bool(const QString&)> check;
    return check;
}

bool serverAnswers(const QString& hostDir)
{
    const auto& check = answerCheck();
    return !check || check(hostDir);
}

void setAnswerCheck(std::function<bool(const QString&)> check)
{
    answerCheck() = std::move(check);
}

int timeLimitMs()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("DOVEX_NET_TIMEOUT", &ok);
    return ok && seconds >= 1 && seconds <= 120 ? seconds * 1000 : 15000;
}

void setLiveMountCheck(std::function<bool(const QString&)> check)
{
    liveMountCheck() = check ? std::move(check) : realLiveMount;
}

} // namespace dovex::netrecords
