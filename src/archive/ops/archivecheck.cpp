#include "archive/ops/archivecheck.h"

#include "archive/archivekind.h"
#include "archive/archivereaders.h"
#include "archive/filesource.h"
#include "archive/toolnames.h"
#include "platform/dostime.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"
#include "platform/prompter.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cstdlib>

namespace dovex {

namespace {

constexpr std::uint32_t kDirectoryAttribute = 0x10;

bool isDirectory(const ArchiveRecord& r)
{
    return r.attributes & kDirectoryAttribute;
}

// The name an archiver is given for a member: the header's bytes (a "\\"
// in them is part of the name, never a separator). lha reads names as
// text: one whose bytes are no UTF-8 it is given as the reader decoded it.
QString toolName(QChar kind, const ArchiveRecord& r)
{
    const QString stored =
        hostname::decode(r.storedBytes()).replace(QLatin1Char('/'), QLatin1Char('\\'));
    return kind == kKindLha && archive::holdsNonUtf8(stored) ? r.path : stored;
}

// DOS times step by two seconds.
bool sameTime(const ArchiveRecord& r, std::time_t t)
{
    return std::llabs(std::int64_t(unixFromDosDateTime(r.dosDateTime)) - std::int64_t(t)) <= 2;
}

bool named(const ArchiveRecord& r, const QString& member)
{
    return r.path == member ||
           hostname::decode(r.storedBytes()).replace(QLatin1Char('/'), QLatin1Char('\\')) == member;
}

// "first" or "first and 3 more".
QString someOf(const QStringList& names, const QString& kind)
{
    const QString first = hostname::displayName(names.first());
    return names.size() == 1
               ? first
               : QStringLiteral("%1 and %2 more %3").arg(first).arg(names.size() - 1).arg(kind);
}

// Every directory between dir (itself included) and the member at path,
// each with its "\\": lha keeps its directories as entries of their own.
void directoriesOf(const QString& path, const QString& dir, QSet<QString>& out)
{
    for (qsizetype at = path.lastIndexOf(QLatin1Char('\\')); at > 0 && at >= dir.size();
         at = path.lastIndexOf(QLatin1Char('\\'), at - 1))
        out.insert(path.left(at + 1));
}

class StoreWalk {
public:
    StoreWalk(QChar kind, const QString& sourceDirectory)
        : m_flat(kind == kKindPak || kind == kKindZoo),
          m_prefix(dospath::isRoot(sourceDirectory) ? sourceDirectory
                                                    : sourceDirectory + QLatin1Char('\\'))
    {
    }

    void file(const QString& path, const FileStatus& st)
    {
        FileToStore f;
        f.path = path;
        f.member = m_flat || !path.startsWith(m_prefix) ? dospath::fileName(path)
                                                        : path.mid(m_prefix.size());
        const FileStatus target = st.symlink ? fileio::status(path, true) : st;
        f.sized = target.regular;
        f.size = target.size;
        f.modified = target.modified.tv_sec;
        plan.files << f;
    }

    void directory(const QString& dir)
    {
        if (const auto items = fileio::listDirectory(dir, false)) {
            for (const DirItem& item : *items) {
                const QString path = dospath::join(dir, item.name);
                const FileStatus st = fileio::status(path);
                if (st.directory)
                    directory(path);
                else if (st.regular || st.symlink)
                    file(path, st);
            }
        }
        plan.directories << dir;
    }

    StorePlan plan;

private:
    bool m_flat;
    QString m_prefix;
};

} // namespace

std::optional<ArchiveContents> ReadArchiveNow(const QString& archive)
{
    const auto host = DriveMap::instance().toHost(archive);
    if (!host)
        return std::nullopt;
    // An archiver may remove an archive it emptied.
    if (!fileio::status(archive).exists)
        return ArchiveContents{};
    FileSource source;
    if (!source.open(*host))
        return std::nullopt;
    ArchiveContents contents = readArchiveRecords(detectArchiveKind(source.read(0, 11)), source);
    if (!contents.complete())
        return std::nullopt;
    return contents;
}

StorePlan PlanStore(QChar kind, const QString& sourceDirectory, const QStringList& items)
{
    StoreWalk walk(kind, sourceDirectory);
    for (const QString& item : items) {
        if (item.endsWith(QLatin1String("\\*.*"))) {
            walk.directory(item.chopped(4));
            continue;
        }
        const FileStatus st = fileio::status(item);
        if (st.regular || st.symlink)
            walk.file(item, st);
    }
    return walk.plan;
}

bool HoldsFile(const ArchiveContents& after, const ArchiveContents& before, const FileToStore& file)
{
    auto same = [](const ArchiveRecord& a, const ArchiveRecord& b) {
        return a.size == b.size && a.dosDateTime == b.dosDateTime;
    };
    for (const ArchiveRecord& r : after.records) {
        if (isDirectory(r) || !named(r, file.member))
            continue;
        if (file.sized && !r.link && r.size != file.size)
            return false;
        if (sameTime(r, file.modified))
            return true;
        // Another time than the file's: it must at least be no member left
        // as it was (an archiver that wrote nothing exits 0 all the same).
        for (const ArchiveRecord& old : before.records)
            if (named(old, file.member) && same(old, r))
                return false;
        return true;
    }
    return false;
}

QStringList MembersToDelete(QChar kind, const std::vector<ArchiveRecord>& records,
                            const QStringList& chosen)
{
    QStringList names;
    QSet<QString> directories;
    for (const ArchiveRecord& r : records) {
        for (const QString& c : chosen) {
            const bool all = c == QLatin1String("*.*") || c.endsWith(QLatin1String("\\*.*"));
            const QString dir = all && c.size() > 3 ? c.chopped(4) : QString();
            if (all ? !dir.isEmpty() && !r.path.startsWith(dir + QLatin1Char('\\')) : r.path != c)
                continue;
            names << toolName(kind, r);
            if (all && kind == kKindLha)
                directoriesOf(r.path, dir, directories);
            break;
        }
    }
    QStringList dirs(directories.begin(), directories.end());
    // Deepest first: lha may keep a directory entry that still holds one.
    std::sort(dirs.begin(), dirs.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return names << dirs;
}

bool CheckDeleted(QChar kind, const ArchiveContents& before, const QString& archive,
                  const QStringList& asked, Prompter& prompter)
{
    const std::optional<ArchiveContents> after = ReadArchiveNow(archive);
    if (!after) {
        prompter.error(QStringLiteral("Cannot read ") + archive +
                       QStringLiteral(" after the archiver ran: what it deleted is not known."));
        return false;
    }
    const QSet<QString> gone(asked.begin(), asked.end());
    QHash<QString, int> kept;
    QStringList left, lost;
    for (const ArchiveRecord& r : after->records) {
        if (isDirectory(r))
            continue;
        if (gone.contains(toolName(kind, r)))
            left << r.path;
        ++kept[r.path + QLatin1Char('/') + QString::number(r.size)];
    }
    for (const ArchiveRecord& r : before.records) {
        if (isDirectory(r) || gone.contains(toolName(kind, r)))
            continue;
        if (kept[r.path + QLatin1Char('/') + QString::number(r.size)]-- <= 0)
            lost << r.path;
    }
    if (!left.isEmpty())
        prompter.error(archive + QStringLiteral(" still holds ") +
                       someOf(left, QStringLiteral("member(s)")) +
                       QStringLiteral(" after the archiver ran: the delete failed."));
    if (!lost.isEmpty())
        prompter.error(archive + QStringLiteral(" lost ") +
                       someOf(lost, QStringLiteral("member(s)")) +
                       QStringLiteral(", which the delete did not name."));
    return left.isEmpty() && lost.isEmpty();
}

QStringList ArrivedMembers(QChar kind, const ArchiveContents& before, const QStringList& names,
                           const QString& target, bool keepsPaths, const QString& archive,
                           Prompter& prompter, bool& whole)
{
    const QSet<QString> wanted(names.begin(), names.end());
    QStringList arrived, missing;
    for (const ArchiveRecord& r : before.records) {
        const QString name = toolName(kind, r);
        if (isDirectory(r) || !wanted.contains(name))
            continue;
        const QString file =
            dospath::join(target, keepsPaths ? r.path : r.path.section(QLatin1Char('\\'), -1));
        const FileStatus st = fileio::status(file);
        if (st.regular && st.size == r.size && sameTime(r, st.modified.tv_sec))
            arrived << name;
        else
            missing << r.path;
    }
    whole = missing.isEmpty();
    if (!whole)
        prompter.error(
            someOf(missing, QStringLiteral("member(s)")) + QStringLiteral(" did not arrive in ") +
            target + QStringLiteral(" whole: ") +
            (missing.size() == 1 ? QStringLiteral("it stays") : QStringLiteral("they stay")) +
            QStringLiteral(" in ") + archive + QLatin1Char('.'));
    return arrived;
}

QList<FileToStore> CheckStored(const QString& archive, const ArchiveContents& before,
                               const QList<FileToStore>& files, bool moved, Prompter& prompter)
{
    const QString kept = moved ? QStringLiteral(" The files were kept.") : QString();
    const std::optional<ArchiveContents> after = ReadArchiveNow(archive);
    if (!after) {
        prompter.error(QStringLiteral("Cannot read ") + archive +
                       QStringLiteral(" after the archiver ran: what it stored is not known.") +
                       kept);
        return {};
    }
    QHash<QString, int> uses;
    for (const FileToStore& f : files)
        ++uses[f.member];
    QList<FileToStore> held;
    QStringList missing;
    for (const FileToStore& f : files) {
        if (uses[f.member] == 1 && HoldsFile(*after, before, f))
            held << f;
        else
            missing << f.path;
    }
    if (!missing.isEmpty())
        prompter.error(archive + QStringLiteral(" does not hold ") +
                       someOf(missing, QStringLiteral("file(s)")) +
                       QStringLiteral(" as given after the archiver ran.") + kept);
    return held;
}

} // namespace dovex
