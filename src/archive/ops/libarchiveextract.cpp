#include "archive/ops/libarchiveextract.h"

#include "archive/archivekind.h"
#include "archive/archivepath.h"
#include "archive/archivereaders.h"
#include "archive/filesource.h"
#include "archive/libarchivereader.h"
#include "archive/ops/archiveprogress.h"
#include "archive/zipoperations.h"
#include "fileops/deleteengine.h"
#include "fileops/operationstate.h"
#include "platform/drivemap.h"
#include "platform/hostname.h"
#include "platform/prompter.h"

#include <QHash>
#include <QRandomGenerator>
#include <QSet>

#include <archive.h>
#include <archive_entry.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace dovex {

namespace {

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& o) noexcept : m_fd(o.release()) {}
    Fd& operator=(Fd&& o) noexcept
    {
        if (this != &o) {
            reset();
            m_fd = o.release();
        }
        return *this;
    }
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
};

QByteArray tempName()
{
    return QByteArray(".dvx") +
           QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".$$$";
}

// Whether a link made at depth (directories below the target) with this
// target would lead out of the target directory.
bool linkLeadsOut(const QByteArray& target, qsizetype depth)
{
    if (target.isEmpty() || target.startsWith('/'))
        return true;
    for (const QByteArray& part : target.split('/')) {
        if (part == "..") {
            if (--depth < 0)
                return true;
        } else if (!part.isEmpty() && part != ".") {
            ++depth;
        }
    }
    return false;
}

// What is to be extracted: everything, or named files and the directories
// whose whole content goes.
struct Selection {
    bool all = false;
    QSet<QString> files;
    QSet<QString> directories;

    bool chosen(const QString& path) const
    {
        if (all || files.contains(path))
            return true;
        for (qsizetype cut = path.indexOf(u'\\'); cut > 0; cut = path.indexOf(u'\\', cut + 1))
            if (directories.contains(path.left(cut)))
                return true;
        return false;
    }
};

class Extraction {
public:
    Extraction(const QString& archive, const QString& target, bool keepPaths, Prompter& prompter,
               ArchiveProgress& progress)
        : m_archive(archive), m_target(target), m_keepPaths(keepPaths), m_prompter(prompter),
          m_progress(progress), m_state(prompter, progress)
    {
        const mode_t mask = ::umask(022);
        ::umask(mask);
        m_umask = mask;
    }

    ArchiveOpResult run(const Selection& selection)
    {
        ArchiveOpResult result;
        const std::optional<QString> host = DriveMap::instance().toHost(m_archive);
        FileSource file;
        if (!host || !file.open(*host)) {
            m_prompter.error(QStringLiteral("Cannot open ") + m_archive + QLatin1Char('.'));
            return result;
        }
        const QByteArray base = hostBytes(m_target);
        m_base = Fd(base.isEmpty() ? -1 : ::open(base.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (m_base.get() < 0) {
            m_prompter.error(QStringLiteral("Cannot extract into ") + m_target +
                             QStringLiteral(": no such directory"));
            return result;
        }
        result.ran = true;
        m_state.totalBytes = file.size();
        m_state.progressWord = QStringLiteral("read");
        m_state.startCounting();

        LibarchiveInput in(file);
        archive_entry* entry = nullptr;
        bool damaged = !in.isOpen();
        while (!damaged && !m_stopped) {
            const int r = in.next(entry);
            if (r == 0)
                break;
            if (r < 0) {
                damaged = true;
                break;
            }
            QString path;
            QByteArray stored;
            if (!LibarchiveEntryPath(entry, path, stored) || !selection.chosen(path))
                continue;
            handle(in, entry, path);
            m_state.doneBytes = in.consumed();
            ProgressInfo(m_state);
            if (m_state.checkAbort())
                m_stopped = true;
        }
        if (damaged && !m_stopped) {
            m_prompter.error(QStringLiteral("Cannot read ") + m_archive + QStringLiteral(": ") +
                             in.error());
            ++m_state.notDone;
        }
        setDirectoryTimes();
        result.aborted = m_stopped;
        result.passed = !m_stopped && !damaged && m_state.notDone == 0;
        return result;
    }

private:
    struct Member {
        QString shown;        // drive-letter path of its destination
        QByteArrayList parts; // host bytes of each component below the target
    };

    void refuse(const Member& m, const QString& why)
    {
        m_state.error(QStringLiteral("Refused ") + m.shown + QStringLiteral(": ") + why);
        ++m_state.notDone;
    }

    void failed(const Member& m, const QString& why)
    {
        m_state.error(QStringLiteral("Cannot extract ") + m.shown + QStringLiteral(": ") + why);
        ++m_state.notDone;
    }

    // The directory holding the first depth parts, made where missing and
    // never reached through a link; -1 (told) when it cannot be.
    int openParent(const Member& m, qsizetype depth)
    {
        const QByteArrayList path = m.parts.mid(0, depth);
        if (m_lastDir.get() >= 0 && path == m_lastPath)
            return m_lastDir.get();
        m_lastDir.reset();
        Fd dir(::dup(m_base.get()));
        for (const QByteArray& part : path) {
            int next = ::openat(dir.get(), part.constData(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (next < 0 && errno == ENOENT) {
                ::mkdirat(dir.get(), part.constData(), 0700 | (0777 & ~m_umask));
                next = ::openat(dir.get(), part.constData(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            }
            if (next < 0) {
                const int error = errno;
                if (error == ELOOP || error == ENOTDIR)
                    refuse(m, QStringLiteral("its path leads through a link or a file"));
                else
                    failed(m, errnoText(error));
                return -1;
            }
            dir = Fd(next);
        }
        m_lastPath = path;
        m_lastDir = std::move(dir);
        return m_lastDir.get();
    }

    void handle(LibarchiveInput& in, archive_entry* entry, const QString& path)
    {
        Member m;
        const QStringList names = path.split(u'\\');
        for (const QString& name : m_keepPaths ? names : names.mid(names.size() - 1))
            m.parts << hostname::encode(name);
        m.shown = m_target;
        for (const QByteArray& part : m.parts)
            m.shown = dospath::join(m.shown, hostname::decode(part));
        m_state.setLine1(QStringLiteral("Extracting: ") + path);
        const mode_t type = archive_entry_filetype(entry);
        if (type == AE_IFDIR) {
            if (m_keepPaths && openParent(m, m.parts.size()) >= 0)
                m_dirs.push_back({m.parts, archive_entry_mtime(entry)});
            return;
        }
        const char* hardlink = archive_entry_hardlink(entry);
        const la_int64_t size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
        if (type != AE_IFREG && type != AE_IFLNK && !(hardlink && size == 0)) {
            refuse(m, QStringLiteral("it is a device, pipe or socket"));
            return;
        }
        const bool hardLink = hardlink && size == 0;
        Fd linkFrom;
        QByteArray linkLeaf;
        if (hardLink) {
            // Only to a file this extraction wrote: never to one outside.
            const QString to = NormalizeArchivePath(hostname::decode(QByteArray(hardlink)));
            const auto it = m_written.constFind(to);
            if (it == m_written.constEnd()) {
                refuse(m, QStringLiteral("it is a hard link to a member not extracted here"));
                return;
            }
            const Member source{m.shown, *it};
            const int from = openParent(source, source.parts.size() - 1);
            if (from < 0)
                return;
            linkFrom = Fd(::dup(from));
            linkLeaf = source.parts.last();
        }
        const int parent = openParent(m, m.parts.size() - 1);
        if (parent < 0)
            return;
        const QByteArray& leaf = m.parts.last();
        struct stat existing {};
        bool replace = false;
        if (::fstatat(parent, leaf.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISDIR(existing.st_mode)) {
                refuse(m, QStringLiteral("a directory of that name exists"));
                return;
            }
            if (!AgreeToReplace(m_state, m.shown, QStringLiteral("Write error File ") + m.shown,
                                QStringLiteral(" Exists,Overwrite?"))) {
                ++m_state.notDone;
                return;
            }
            replace = true;
        }
        QByteArray temp;
        bool written = false;
        if (type == AE_IFLNK)
            written = writeLink(parent, m, archive_entry_symlink(entry), temp);
        else if (hardLink)
            written = writeHardLink(linkFrom.get(), linkLeaf, parent, m, temp);
        else
            written = enoughSpace(parent, m, size) &&
                      writeFile(in, entry, parent, m, size, replace ? QByteArray() : leaf, temp);
        if (!written) {
            if (!temp.isEmpty())
                ::unlinkat(parent, temp.constData(), 0);
            return;
        }
        // A new file was made under its own name (exclusively, so it is
        // ours to remove had it failed): nothing to rename.
        if (temp == leaf) {
            remember(path, m.parts);
            return;
        }
        const int renamed = replace ? ::renameat(parent, temp.constData(), parent, leaf.constData())
                                    : ::renameat2(parent, temp.constData(), parent,
                                                  leaf.constData(), RENAME_NOREPLACE);
        if (renamed != 0) {
            const int error = errno;
            ::unlinkat(parent, temp.constData(), 0);
            failed(m, error == EEXIST ? QStringLiteral("the file appeared meanwhile")
                                      : errnoText(error));
            return;
        }
        if (type == AE_IFREG && !hardLink)
            remember(path, m.parts);
    }

    // Where a file went, for hard links to it later; as many as a listing
    // keeps records, so that a bomb of members cannot exhaust memory here.
    void remember(const QString& path, const QByteArrayList& parts)
    {
        if (std::size_t(m_written.size()) < kMaxArchiveRecords)
            m_written.insert(path, parts);
    }

    // The copy engine's question when the member is larger than the space
    // left; false when the person does not go on.
    // The space last looked up answers for members well below it, less what
    // was written since, as the copy engine does; anything closer is looked
    // up again.
    bool enoughSpace(int dir, const Member& m, std::int64_t size)
    {
        if (size <= 0)
            return true;
        if (size <= m_spaceLeft / 2) {
            m_spaceLeft -= size;
            return true;
        }
        struct statvfs space {};
        if (::fstatvfs(dir, &space) != 0)
            return true;
        const std::int64_t free = std::int64_t(space.f_bavail) * std::int64_t(space.f_frsize);
        m_spaceLeft = free - size;
        if (size <= free)
            return true;
        if (m_state.ask(Severity::Error,
                        QStringLiteral("Not enought space to write file ") + m.shown +
                            QStringLiteral("\rdo you wish to continue anyway?"),
                        Buttons::YesNo) == Answer::Yes)
            return true;
        ++m_state.notDone;
        return false;
    }

    // A new file under a temporary name, or under name when one is given.
    Fd makeTemp(int dir, const Member& m, const QByteArray& name, QByteArray& temp)
    {
        Fd out;
        for (int attempt = 0; attempt < 8 && out.get() < 0; ++attempt) {
            temp = name.isEmpty() ? tempName() : name;
            out = Fd(::openat(dir, temp.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (out.get() < 0 && (errno != EEXIST || !name.isEmpty()))
                break;
        }
        if (out.get() < 0) {
            const int error = errno;
            temp.clear();
            failed(m, error == EEXIST ? QStringLiteral("the file appeared meanwhile")
                                      : errnoText(error));
        }
        return out;
    }

    bool writeFile(LibarchiveInput& in, archive_entry* entry, int dir, const Member& m,
                   std::int64_t size, const QByteArray& name, QByteArray& temp)
    {
        Fd out = makeTemp(dir, m, name, temp);
        if (out.get() < 0)
            return false;
        m_buffer.resize(1u << 18);
        std::int64_t total = 0;
        for (;;) {
            const la_ssize_t n = archive_read_data(in.handle(), m_buffer.data(), m_buffer.size());
            if (n < 0) {
                failed(m, in.error());
                return false;
            }
            if (n == 0)
                break;
            total += n;
            // A stream that yields more than its header said is a bomb or
            // damage; the free space was asked about for the stated size.
            if (archive_entry_size_is_set(entry) && total > size) {
                failed(m, QStringLiteral("it holds more than its stated size"));
                return false;
            }
            for (la_ssize_t done = 0; done < n;) {
                const ssize_t w = ::write(out.get(), m_buffer.data() + done, std::size_t(n - done));
                if (w < 0 && errno == EINTR)
                    continue;
                if (w <= 0) {
                    failed(m, errnoText(w < 0 ? errno : ENOSPC));
                    return false;
                }
                done += w;
            }
            m_state.doneBytes = in.consumed();
            ProgressInfo(m_state);
            if (m_state.checkAbort()) {
                m_stopped = true;
                return false;
            }
        }
        ::fchmod(out.get(), archive_entry_perm(entry) & 0777);
        const struct timespec times[2] = {{archive_entry_mtime(entry), 0},
                                          {archive_entry_mtime(entry), 0}};
        ::futimens(out.get(), times);
        // A failed close can be the write that did not reach the disk.
        if (::close(out.release()) != 0) {
            failed(m, errnoText(errno));
            return false;
        }
        return true;
    }

    bool writeLink(int dir, const Member& m, const char* target, QByteArray& temp)
    {
        const QByteArray bytes = target ? QByteArray(target) : QByteArray();
        if (bytes.size() > 4096 || linkLeadsOut(bytes, m.parts.size() - 1)) {
            refuse(m, QStringLiteral("its link leads out of the target directory"));
            return false;
        }
        for (int attempt = 0; attempt < 8; ++attempt) {
            temp = tempName();
            if (::symlinkat(bytes.constData(), dir, temp.constData()) == 0)
                return true;
            if (errno != EEXIST)
                break;
        }
        const int error = errno;
        temp.clear();
        failed(m, errnoText(error));
        return false;
    }

    // A hard link to a file this extraction wrote itself, made from the
    // directory handle that file was written through.
    bool writeHardLink(int from, const QByteArray& fromLeaf, int dir, const Member& m,
                       QByteArray& temp)
    {
        for (int attempt = 0; attempt < 8; ++attempt) {
            temp = tempName();
            if (::linkat(from, fromLeaf.constData(), dir, temp.constData(), 0) == 0)
                return true;
            if (errno != EEXIST)
                break;
        }
        const int error = errno;
        temp.clear();
        failed(m, errnoText(error));
        return false;
    }

    void setDirectoryTimes()
    {
        for (const auto& [parts, mtime] : m_dirs) {
            Member m{m_target, parts};
            m_lastDir.reset();
            m_lastPath.clear();
            const int dir = openParent(m, parts.size());
            if (dir < 0)
                continue;
            const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
            ::futimens(dir, times);
        }
    }

    QString m_archive;
    QString m_target;
    bool m_keepPaths;
    Prompter& m_prompter;
    ArchiveProgress& m_progress;
    OperationState m_state;
    mode_t m_umask = 022;
    std::int64_t m_spaceLeft = 0;
    Fd m_base;
    Fd m_lastDir;
    QByteArrayList m_lastPath;
    bool m_stopped = false;
    std::vector<char> m_buffer;
    QHash<QString, QByteArrayList> m_written; // archive path -> where it was written
    std::vector<std::pair<QByteArrayList, std::time_t>> m_dirs;
};

void showExtract(ArchiveProgress& progress, const QString& archive, QChar kind)
{
    const QString caption = QStringLiteral("Copying from Archive");
    progress.showRun(caption, caption + QStringLiteral(", Please wait..."),
                     QStringLiteral("Compressed file:") + dospath::fileName(archive),
                     QStringLiteral("Compression Method:") + ArchiveMethodName(kind),
                     ArchiveProgress::Animation::Unzip, true);
}

} // namespace

ArchiveOpResult ExtractLibarchiveMembers(const QString& archive, QChar kind,
                                         const QString& innerDirectory,
                                         const QList<MemberItem>& members, const QString& target,
                                         bool subdirs, Prompter& prompter,
                                         ArchiveProgress& progress)
{
    Selection selection;
    const QString inner = NormalizeArchivePath(innerDirectory);
    for (const MemberItem& item : members) {
        if (item.name.isEmpty() || item.name == QLatin1String(".."))
            continue;
        const QString path = inner.isEmpty() ? item.name : inner + u'\\' + item.name;
        if (!item.directory)
            selection.files.insert(path);
        else if (subdirs)
            selection.directories.insert(path);
    }
    if (selection.files.isEmpty() && selection.directories.isEmpty()) {
        ArchiveOpResult none;
        none.passed = true;
        return none;
    }
    showExtract(progress, archive, kind);
    Extraction extraction(archive, target, subdirs, prompter, progress);
    ArchiveOpResult result = extraction.run(selection);
    progress.hideRun();
    return result;
}

ArchiveOpResult ExtractWholeLibarchive(const QString& archive, const QString& target,
                                       bool subdirs, Prompter& prompter,
                                       ArchiveProgress& progress)
{
    Selection selection;
    selection.all = true;
    showExtract(progress, archive, DetectArchiveKind(archive));
    Extraction extraction(archive, target, subdirs, prompter, progress);
    ArchiveOpResult result = extraction.run(selection);
    progress.hideRun();
    return result;
}

void RefuseLibarchiveChange(const QString& archive, QChar kind, Prompter& prompter)
{
    prompter.information(QStringLiteral("Cannot change ") + archive + QStringLiteral(": ") +
                         ArchiveMethodName(kind) +
                         QStringLiteral(" archives are read only (use Copy to take members out)."));
}

} // namespace dovex
