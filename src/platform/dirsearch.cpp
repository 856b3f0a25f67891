#include "platform/dirsearch.h"

#include "platform/dosattr.h"
#include "platform/dostime.h"
#include "platform/drivemap.h"
#include "platform/fileattr.h"
#include "platform/hostname.h"
#include "platform/slowdrive.h"

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

namespace dovex {

namespace {

bool matchFrom(const QString& name, int n, const QString& pat, int p)
{
    while (p < pat.size()) {
        const QChar c = pat[p];
        if (c == '*') {
            while (p < pat.size() && pat[p] == '*')
                ++p;
            if (p == pat.size())
                return true;
            for (int k = n; k <= name.size(); ++k)
                if (matchFrom(name, k, pat, p))
                    return true;
            return false;
        }
        if (n >= name.size()) {
            // A trailing ".*" or "." matches the end of a name without a dot.
            if (c == '.') {
                int q = p + 1;
                while (q < pat.size() && pat[q] == '*')
                    ++q;
                return q == pat.size();
            }
            return false;
        }
        if (c != '?' && c.toUpper() != name[n].toUpper())
            return false;
        ++n;
        ++p;
    }
    return n == name.size();
}

} // namespace

bool wildcardMatches(const QString& name, const QString& wildcard)
{
    if (wildcard == QLatin1String("*.*") || wildcard == QLatin1String("*"))
        return true;
    return matchFrom(name, 0, wildcard, 0);
}

DirSearch::~DirSearch()
{
    close();
}

void DirSearch::close()
{
    m_dir.reset();
    m_read.clear();
    m_fromRead = false;
}

std::optional<FindRecord> DirSearch::findFirst(const QString& pattern, std::uint32_t attributeMask)
{
    close();
    const int cut = pattern.lastIndexOf('\\');
    if (cut < 2)
        return std::nullopt;
    const QString dir = pattern.left(cut == 2 ? 3 : cut);
    m_wildcard = pattern.mid(cut + 1);
    m_mask = attributeMask;
    m_atRoot = dospath::isRoot(dir);
    const std::optional<QString> host = DriveMap::instance().toHost(dir);
    if (!host)
        return std::nullopt;
    m_hostDir = hostname::encode(*host);
    m_path = m_hostDir + '/';
    m_fromRead = DriveMap::instance().isNetworkDrive(dir[0]);
    m_notReady = false;
    if (m_fromRead) {
        // Read on a thread of its own: a server that stopped answering
        // holds that thread, not this one.
        auto rows = slowdrive::call<std::vector<FindRecord>>(
            dir[0], [hostDir = m_hostDir, wildcard = m_wildcard, mask = m_mask, atRoot = m_atRoot] {
                DirSearch disk;
                disk.m_hostDir = hostDir;
                disk.m_path = hostDir + '/';
                disk.m_wildcard = wildcard;
                disk.m_mask = mask;
                disk.m_atRoot = atRoot;
                disk.m_dir.reset(opendir(hostDir.constData()));
                std::vector<FindRecord> all;
                while (std::optional<FindRecord> rec = disk.nextFromDisk())
                    all.push_back(std::move(*rec));
                return all;
            });
        m_notReady = !rows;
        m_read = rows ? std::move(*rows) : std::vector<FindRecord>{};
        m_readNext = 0;
        return findNext();
    }
    m_dir.reset(opendir(m_hostDir.constData()));
    if (!m_dir)
        return std::nullopt;
    return findNext();
}

std::optional<FindRecord> DirSearch::findNext()
{
    if (m_fromRead)
        return m_readNext < m_read.size() ? std::optional(m_read[m_readNext++]) : std::nullopt;
    return nextFromDisk();
}

std::optional<FindRecord> DirSearch::nextFromDisk()
{
    if (!m_dir)
        return std::nullopt;
    const int fd = dirfd(m_dir.get());
    while (dirent* ent = readdir(m_dir.get())) {
        const char* raw = ent->d_name;
        const bool dot = raw[0] == '.' && raw[1] == '\0';
        const bool dotdot = raw[0] == '.' && raw[1] == '.' && raw[2] == '\0';
        if ((dot || dotdot) && m_atRoot)
            continue;
        if ((m_mask & faDirectoriesOnly) && ent->d_type != DT_DIR && ent->d_type != DT_LNK &&
            ent->d_type != DT_UNKNOWN)
            continue;
        // A search without directories passes them over unseen.
        if (!(m_mask & faDirectory) && ent->d_type == DT_DIR)
            continue;
        const QString name = hostname::decode(raw, qsizetype(std::strlen(raw)));
        if (!dot && !dotdot && !wildcardMatches(name, m_wildcard))
            continue;

        struct stat st {};
        if (fstatat(fd, raw, &st, 0) != 0 && fstatat(fd, raw, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const bool isDir = S_ISDIR(st.st_mode);
        if ((m_mask & faDirectoriesOnly) && !isDir)
            continue;
        // One path buffer serves the whole search: only the name part changes.
        m_path.truncate(m_hostDir.size() + 1);
        m_path.append(raw);
        const QByteArray& full = m_path;
        std::uint32_t attr = isDir ? faDirectory : 0;
        if (!(st.st_mode & S_IWUSR))
            attr |= faReadOnly;
        // Only the dotted names need the stored bits looked up before the
        // mask test; the rest are looked up when they are kept.
        if (!dot && !dotdot)
            attr = attributesOf(full, st, name);
        const std::uint32_t needs = attr & (faHidden | faSysFile | faDirectory);
        if ((needs & ~m_mask) != 0)
            continue;
        FindRecord rec;
        rec.name = name;
        rec.attributes = attr;
        rec.size = isDir ? 0 : std::int64_t(st.st_size);
        rec.dosDateTime = dosDateTimeFromUnix(st.st_mtime);
        return rec;
    }
    return std::nullopt;
}

} // namespace dovex
