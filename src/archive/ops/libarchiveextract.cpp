#include "archive/ops/libarchiveextract.h"

#include "archive/archivekind.h"
#include "archive/archivepath.h"
#include "archive/archivereaders.h"
#include "archive/decompressahead.h"
#include "archive/filesource.h"
#include "archive/libarchivereader.h"
#include "archive/ops/archiveprogress.h"
#include "archive/ops/extractwrite.h"
#include "archive/zipoperations.h"
#include "fileops/copyhelpers.h"
#include "fileops/deleteengine.h"
#include "fileops/operationstate.h"
#include "platform/beneath.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"
#include "platform/locations.h"
#include "platform/prompter.h"
#include "platform/uniquefd.h"

#include <QHash>
#include <QSet>

#include <archive.h>
#include <archive_entry.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

namespace dovex {

namespace {

// Errors after which nothing more can be written: the extraction ends there,
// as a copy does, rather than go on writing the members that follow.
bool endsExtraction(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EFBIG || error == EIO || error == EROFS;
}

// A directory by identity, to tell the ones this extraction made.
using DirId = std::pair<std::uint64_t, std::uint64_t>;

std::optional<DirId> identityOf(int dir, const char* relative)
{
    struct stat st {};
    if (::fstatat(dir, relative, &st, 0) != 0)
        return std::nullopt;
    return DirId{std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
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
          m_state(prompter, progress), m_umask(mode_t(fileio::processUmask()))
    {
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
        if (!openTarget())
            return result;
        result.ran = true;
        m_state.totalBytes = file.size();
        m_state.progressWord = QStringLiteral("read");
        m_state.startCounting();
        // A compressed tar is inflated on a thread of its own, beside the
        // writing of its files; anything else is read here.
        std::optional<DecompressAhead> ahead;
        std::optional<LibarchiveInput> in;
        if (std::thread::hardware_concurrency() > 1 && DecompressAhead::compressed(file)) {
            in.emplace(ahead.emplace(file));
            if (!in->isOpen()) {
                in.reset();
                ahead.reset();
            }
        }
        if (!in)
            in.emplace(file);
        if (const int threads = CopyHelpers::threadsAvailable(); threads > 0)
            m_helpers = std::make_unique<CopyHelpers>(m_state, threads);
        const bool damaged = !walk(*in, selection);
        m_helpers.reset(); // every file written beside has arrived, or is told of
        if (damaged && !m_stopped) {
            m_prompter.error(QStringLiteral("Cannot read ") + m_archive + QStringLiteral(": ") +
                             in->error());
            ++m_state.notDone;
        }
        recheckLinks();
        setDirectoryTimes();
        result.aborted = m_stopped;
        result.passed = !m_stopped && !m_ended && !damaged && m_state.notDone == 0;
        return result;
    }

private:
    struct Member {
        QString shown;        // drive-letter path of its destination
        QByteArrayList parts; // host bytes of each component below the target
    };

    // A directory member this extraction made, given its stored time and
    // mode once everything below it is written.
    struct MadeDirectory {
        QByteArrayList parts;
        DirId id;
        std::time_t mtime;
        mode_t mode;
    };

    bool openTarget()
    {
        const QByteArray base = hostBytes(m_target);
        if (base.isEmpty() || !m_root.open(base)) {
            m_prompter.error(QStringLiteral("Cannot extract into ") + m_target +
                             QStringLiteral(": no such directory"));
            return false;
        }
        // Whatever the target, no member becomes one of the program's own
        // files (a program there may be run as an archiver) or a setting.
        m_root.forbid(hostname::encode(programDirectory()));
        m_root.forbid(hostname::encode(windowsDirectory()));
        return true;
    }

    // Every header in turn; false when the archive turned out damaged.
    bool walk(LibarchiveInput& in, const Selection& selection)
    {
        archive_entry* entry = nullptr;
        if (!in.isOpen())
            return false;
        while (!m_stopped && !m_ended) {
            const int r = in.next(entry);
            if (r <= 0)
                return r == 0;
            QString path;
            QByteArray stored;
            if (!LibarchiveEntryPath(entry, path, stored) || !selection.chosen(path))
                continue;
            // The listing cuts long names; what is written keeps every byte.
            handle(in, entry,
                   stored.size() < qsizetype(kMaxArchiveName) ? path
                                                              : LibarchiveEntryWholePath(entry));
            m_state.doneBytes = in.consumed();
            ProgressInfo(m_state);
            if (m_state.checkAbort())
                m_stopped = true;
        }
        return true;
    }

    QString shownOf(const QByteArrayList& parts) const
    {
        QString shown = m_target;
        for (const QByteArray& part : parts)
            shown = dospath::join(shown, hostname::decode(part));
        return shown;
    }

    Member memberAt(const QString& path) const
    {
        Member m;
        const QStringList names = path.split(u'\\');
        for (const QString& name : m_keepPaths ? names : names.mid(names.size() - 1))
            m.parts << hostname::encode(name);
        m.shown = shownOf(m.parts);
        return m;
    }

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

    // A write that did not reach the disk ends the extraction there.
    void writeFailed(const Member& m, int error)
    {
        m_state.error(QStringLiteral("Write error File ") + m.shown + QLatin1Char('\r') +
                      errnoText(error));
        ++m_state.notDone;
        m_state.ioFailed = true;
        m_ended = true;
    }

    void failedWith(const Member& m, int error)
    {
        if (endsExtraction(error))
            writeFailed(m, error);
        else if (error == ENAMETOOLONG)
            refuse(m, QStringLiteral("its name is too long for the file system"));
        else
            failed(m, errnoText(error));
    }

    // What the guarded facility's refusal of a path means for the member.
    void pathRefused(const Member& m, int error)
    {
        if (error == EXDEV || error == ELOOP)
            refuse(m, QStringLiteral("its path leads out of the target directory"));
        else if (error == EPERM)
            refuse(m, QStringLiteral("it would land in the program's or the settings' directory"));
        else if (error == ENOTDIR)
            refuse(m, QStringLiteral("its path leads through a file"));
        else
            failedWith(m, error);
    }

    // The directory at path beneath the target, made where missing; -1
    // (told) when it cannot be. The last one opened is kept: members come
    // directory by directory, so most cost no call at all.
    int directory(const Member& m, const QByteArrayList& path)
    {
        if (m_lastDir && m_lastDir->get() >= 0 && path == m_lastPath)
            return m_lastDir->get();
        m_lastDir.reset();
        qsizetype made = 0;
        const int fd = m_root.openDirectory(path, true, 0777, &made);
        if (fd < 0) {
            pathRefused(m, -fd);
            return -1;
        }
        m_lastPath = path;
        m_lastDir = std::make_shared<const UniqueFd>(fd);
        // The directories just made: this one and the made - 1 above it.
        QByteArray up = ".";
        for (qsizetype i = 0; i < made && m_madeDirs.size() < kMaxArchiveRecords; ++i) {
            if (const std::optional<DirId> id = identityOf(fd, up.constData()))
                m_madeDirs.insert(*id);
            up = i == 0 ? QByteArray("..") : up + "/..";
        }
        return fd;
    }

    // A directory member: made where missing; only one this extraction made
    // gets its stored time and mode, one that was there stays as it was.
    void directoryMember(const Member& m, archive_entry* entry)
    {
        const int fd = directory(m, m.parts);
        if (fd < 0)
            return;
        const std::optional<DirId> id = identityOf(fd, ".");
        if (id && m_madeDirs.count(*id) && m_dirs.size() < kMaxArchiveRecords)
            m_dirs.push_back({m.parts, *id, archive_entry_mtime(entry),
                              mode_t(archive_entry_perm(entry) & 0777)});
    }

    void handle(LibarchiveInput& in, archive_entry* entry, const QString& path)
    {
        const Member m = memberAt(path);
        m_state.setLine1(QStringLiteral("Extracting: ") + path);
        const mode_t type = archive_entry_filetype(entry);
        if (type == AE_IFDIR) {
            if (m_helpers && pendingAt(m.parts))
                m_helpers->settle(true);
            if (m_keepPaths)
                directoryMember(m, entry);
            return;
        }
        const char* hardlink = archive_entry_hardlink(entry);
        const la_int64_t size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
        const bool hardLink = hardlink && size == 0;
        if (type != AE_IFREG && type != AE_IFLNK && !hardLink) {
            refuse(m, QStringLiteral("it is a device, pipe or socket"));
            return;
        }
        const bool beside = m_helpers && type == AE_IFREG && !hardLink &&
                            archive_entry_size_is_set(entry) &&
                            archive_entry_size(entry) <= CopyHelpers::kLargest;
        // What comes next meets every file written beside as it would have
        // met it written here: a link (which may lead through it) or a
        // member at or below a name still being written waits for them.
        if (m_helpers && (!beside || pendingAt(m.parts)))
            m_helpers->settle(true);
        UniqueFd from;
        QByteArray fromLeaf;
        if (hardLink && !hardLinkSource(m, hardlink, from, fromLeaf))
            return;
        const int parent = directory(m, m.parts.mid(0, m.parts.size() - 1));
        if (parent < 0)
            return;
        if (beside)
            return writeBeside(in, entry, parent, m, path);
        mode_t replacing = 0;
        QByteArray name;
        bool written = false;
        if (type == AE_IFREG && !hardLink) {
            written = writeFile(in, entry, parent, m, replacing, name);
        } else if (mayWrite(parent, m, replacing)) {
            // What replaces a file is made under a temporary name.
            const bool temporary = replacing != 0;
            written = type == AE_IFLNK
                          ? writeLink(parent, m, archive_entry_symlink(entry), temporary, name)
                          : writeHardLink(from.get(), fromLeaf, parent, m, temporary, name);
        }
        if (!written || (replacing != 0 && !place(parent, m, name, type == AE_IFLNK, replacing)))
            return;
        if (type == AE_IFLNK)
            m_written.remove(path);
        else
            remember(path, m.parts);
    }

    // Whether a file is being written beside at parts or at a directory
    // above it.
    bool pendingAt(const QByteArrayList& parts) const
    {
        if (m_pending.isEmpty())
            return false;
        for (qsizetype n = 1; n <= parts.size(); ++n)
            if (m_pending.contains(joinParts(parts.mid(0, n)).toLower()))
                return true;
        return false;
    }

    // A small regular member is read here and written by a helper: created
    // exclusively under its own name in the directory already open, so
    // nothing is looked at or asked first. How it went is told in the
    // members' order; a name found taken goes the ordinary way then.
    void writeBeside(LibarchiveInput& in, archive_entry* entry, int parent, const Member& m,
                     const QString& path)
    {
        const std::int64_t size = archive_entry_size(entry);
        if (!enoughSpace(parent, m, size))
            return;
        auto data = std::make_shared<QByteArray>();
        if (!readData(in, m, *data, size))
            return;
        const QByteArray key = joinParts(m.parts).toLower();
        m_pending.insert(key);
        const auto dir = m_lastDir;
        const FileStamp stamp{mode_t(archive_entry_perm(entry) & 0777 & ~m_umask),
                              archive_entry_mtime(entry)};
        const auto work = [this, dir, m, path, data, stamp,
                           key](const std::atomic<bool>&,
                                std::atomic<std::int64_t>&) -> std::function<void()> {
            const int error = createAndFill(dir->get(), m.parts.last(), *data, stamp);
            return [this, dir, m, path, data, stamp, key, error] {
                m_pending.remove(key);
                landed(dir->get(), m, path, *data, stamp, error);
            };
        };
        m_helpers->add(
            work,
            [this, key] {
                m_pending.remove(key);
                ++m_state.notDone;
            },
            size);
    }

    // The member's bytes, as many as its header says and no more.
    bool readData(LibarchiveInput& in, const Member& m, QByteArray& data, std::int64_t size)
    {
        data.resize(qsizetype(size));
        std::int64_t total = 0;
        for (;;) {
            const la_ssize_t n =
                archive_read_data(in.handle(), data.data() + total, std::size_t(size - total) + 1);
            if (n < 0) {
                failed(m, in.error());
                return false;
            }
            if (n == 0)
                return total == size || (failed(m, in.error()), false);
            total += n;
            if (total > size) {
                failed(m, QStringLiteral("it holds more than its stated size"));
                return false;
            }
        }
    }

    // How a file written beside went. One whose name was taken is placed the
    // ordinary way: asked about, and written under a temporary name to
    // replace what is there.
    void landed(int dir, const Member& m, const QString& path, const QByteArray& data,
                const FileStamp& stamp, int error)
    {
        if (error == EEXIST)
            error = replaceWith(dir, m, data, stamp);
        if (error == 0)
            remember(path, m.parts);
        else if (error > 0 && m_ended)
            ++m_state.notDone; // the disk failed already, and was told of
        else if (error > 0)
            failedWith(m, error);
    }

    // 0 when placed, -1 when left (told), else an errno.
    int replaceWith(int dir, const Member& m, const QByteArray& data, const FileStamp& stamp)
    {
        mode_t replacing = 0;
        if (!mayWrite(dir, m, replacing))
            return -1;
        QByteArray name;
        const int made = makeAt(m.parts.last(), replacing != 0, name, [&](const QByteArray& n) {
            const int e = createAndFill(dir, n, data, stamp);
            return e == 0 ? 0 : -e;
        });
        if (made < 0)
            return -made;
        if (replacing != 0 && !place(dir, m, name, false, replacing))
            return -1;
        return 0;
    }

    // The file a hard link member names: only one this extraction wrote,
    // still a plain file, never one outside.
    bool hardLinkSource(const Member& m, const char* hardlink, UniqueFd& from, QByteArray& leaf)
    {
        const QString to = NormalizeArchivePath(hostname::decode(QByteArray(hardlink)));
        const auto it = m_written.constFind(to);
        if (it == m_written.constEnd()) {
            refuse(m, QStringLiteral("it is a hard link to a member not extracted here"));
            return false;
        }
        from.reset(m_root.openDirectory(it->mid(0, it->size() - 1), false, 0));
        leaf = it->last();
        struct stat st {};
        if (from.get() < 0 ||
            ::fstatat(from.get(), leaf.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode)) {
            refuse(m, QStringLiteral("it is a hard link to a member not extracted here"));
            return false;
        }
        return true;
    }

    // Nothing in the way, or the person agreed to replace it (the copy
    // engine's questions); replacing receives the type of what is there.
    bool mayWrite(int parent, const Member& m, mode_t& replacing)
    {
        struct stat existing {};
        if (::fstatat(parent, m.parts.last().constData(), &existing, AT_SYMLINK_NOFOLLOW) != 0)
            return true;
        if (S_ISDIR(existing.st_mode)) {
            refuse(m, QStringLiteral("a directory of that name exists"));
            return false;
        }
        // The questions look the file up by its path; one that path cannot
        // reach (too long) is never replaced unasked.
        if (!fileio::status(m.shown).exists) {
            refuse(m, QStringLiteral("the file in its place cannot be reached by its path"));
            return false;
        }
        if (!AgreeToReplace(m_state, m.shown, QStringLiteral("Write error File ") + m.shown,
                            QStringLiteral(" Exists,Overwrite?"))) {
            ++m_state.notDone;
            return false;
        }
        replacing = existing.st_mode & S_IFMT;
        return true;
    }

    // The new entry, written under a temporary name, takes the real name
    // (and with it the place of the old file) only now that it is whole.
    bool place(int parent, const Member& m, const QByteArray& temp, bool link, mode_t replaced)
    {
        const QByteArray& leaf = m.parts.last();
        if (::renameat(parent, temp.constData(), parent, leaf.constData()) != 0) {
            const int error = errno;
            ::unlinkat(parent, temp.constData(), 0);
            failedWith(m, error);
            return false;
        }
        if (link) {
            QByteArrayList from = m.parts;
            from.last() = temp;
            m_root.linkRenamed(from, m.parts);
        }
        // A directory opened through the old link may not be where its
        // path leads now.
        if (S_ISLNK(replaced)) {
            m_lastDir.reset();
            m_lastPath.clear();
        }
        return true;
    }

    // Where a file went, for hard links to it later; as many as a listing
    // keeps records, so that a bomb of members cannot exhaust memory here.
    void remember(const QString& path, const QByteArrayList& parts)
    {
        if (std::size_t(m_written.size()) < kMaxArchiveRecords &&
            m_writtenChars + std::size_t(path.size()) <= kMaxArchivePathChars) {
            m_writtenChars += std::size_t(path.size());
            m_written.insert(path, parts);
        }
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

    // A new file under its own name, created exclusively (so it is ours to
    // remove should it fail) without a look first; only a name that is taken
    // leads to the questions and, to replace what is there, a temporary
    // name. replacing receives the type of what is replaced.
    bool writeFile(LibarchiveInput& in, archive_entry* entry, int dir, const Member& m,
                   mode_t& replacing, QByteArray& name)
    {
        const std::int64_t size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
        if (!enoughSpace(dir, m, size))
            return false;
        const auto create = [dir](const QByteArray& n) {
            return BeneathRoot::createFile(dir, n, 0600);
        };
        UniqueFd out(makeAt(m.parts.last(), false, name, create));
        if (out.get() == -EEXIST) {
            if (!mayWrite(dir, m, replacing))
                return false;
            out.reset(makeAt(m.parts.last(), replacing != 0, name, create));
        }
        if (out.get() < 0) {
            failedWith(m, -out.get());
            return false;
        }
        if (copyData(in, m, out.get(), size) && finishFile(out, entry, m))
            return true;
        ::unlinkat(dir, name.constData(), 0);
        return false;
    }

    bool copyData(LibarchiveInput& in, const Member& m, int out, std::int64_t size)
    {
        m_buffer.resize(1u << 18);
        std::int64_t total = 0;
        for (;;) {
            const la_ssize_t n = archive_read_data(in.handle(), m_buffer.data(), m_buffer.size());
            if (n < 0) {
                failed(m, in.error());
                return false;
            }
            if (n == 0)
                return true;
            total += n;
            // A stream that yields more than its header said is a bomb or
            // damage; the free space was asked about for the stated size.
            if (size >= 0 && total > size) {
                failed(m, QStringLiteral("it holds more than its stated size"));
                return false;
            }
            if (const int error = writeWhole(out, m_buffer.data(), std::size_t(n))) {
                writeFailed(m, error);
                return false;
            }
            m_state.doneBytes = in.consumed();
            ProgressInfo(m_state);
            if (m_state.checkAbort()) {
                m_stopped = true;
                return false;
            }
        }
    }

    bool finishFile(UniqueFd& out, archive_entry* entry, const Member& m)
    {
        ::fchmod(out.get(), mode_t(archive_entry_perm(entry) & 0777 & ~m_umask));
        const struct timespec times[2] = {{archive_entry_mtime(entry), 0},
                                          {archive_entry_mtime(entry), 0}};
        ::futimens(out.get(), times);
        // A failed close can be the write that did not reach the disk.
        if (::close(out.release()) != 0) {
            writeFailed(m, errno);
            return false;
        }
        return true;
    }

    // A link is made only when, once made, it still resolves beneath the
    // target (the kernel is asked); whatever its text looks like.
    bool writeLink(int dir, const Member& m, const char* target, bool temporary, QByteArray& name)
    {
        const QByteArray bytes = target ? QByteArray(target) : QByteArray();
        QByteArrayList at = m.parts;
        const int rc = bytes.isEmpty() || bytes.size() > 4096
                           ? -EXDEV
                           : makeAt(m.parts.last(), temporary, name, [&](const QByteArray& n) {
                                 at.last() = n;
                                 return m_root.makeSymlink(dir, at, bytes);
                             });
        if (rc == -EXDEV || rc == -ELOOP)
            refuse(m, QStringLiteral("its link leads out of the target directory"));
        else if (rc < 0)
            failedWith(m, -rc);
        return rc == 0;
    }

    // A hard link to a file this extraction wrote itself; a link found in
    // its place is never followed.
    bool writeHardLink(int from, const QByteArray& fromLeaf, int dir, const Member& m,
                       bool temporary, QByteArray& name)
    {
        const int rc = makeAt(m.parts.last(), temporary, name, [&](const QByteArray& n) {
            return ::linkat(from, fromLeaf.constData(), dir, n.constData(), 0) == 0 ? 0 : -errno;
        });
        if (rc < 0)
            failedWith(m, -rc);
        return rc == 0;
    }

    // Links that later members gave a way out go, each told by name.
    void recheckLinks()
    {
        for (const QByteArrayList& parts : m_root.recheckLinks())
            refuse(Member{shownOf(parts), parts},
                   QStringLiteral("its link leads out of the target directory"));
    }

    // The deepest first, so that a mode closing a directory comes after
    // everything below it; a path that leads elsewhere by now is left.
    void setDirectoryTimes()
    {
        m_lastDir.reset();
        std::stable_sort(m_dirs.begin(), m_dirs.end(),
                         [](const MadeDirectory& a, const MadeDirectory& b) {
                             return a.parts.size() > b.parts.size();
                         });
        for (const MadeDirectory& d : m_dirs) {
            const UniqueFd dir(m_root.openDirectory(d.parts, false, 0));
            if (dir.get() < 0 || identityOf(dir.get(), ".") != d.id)
                continue;
            ::fchmod(dir.get(), d.mode & ~m_umask);
            const struct timespec times[2] = {{d.mtime, 0}, {d.mtime, 0}};
            ::futimens(dir.get(), times);
        }
    }

    QString m_archive;
    QString m_target;
    bool m_keepPaths;
    Prompter& m_prompter;
    OperationState m_state;
    mode_t m_umask;
    std::int64_t m_spaceLeft = 0;
    BeneathRoot m_root;
    std::shared_ptr<const UniqueFd> m_lastDir; // shared with the writers beside
    QByteArrayList m_lastPath;
    std::unique_ptr<CopyHelpers> m_helpers;
    QSet<QByteArray> m_pending; // where files are being written beside
    bool m_stopped = false;     // abort
    bool m_ended = false;       // a write failed
    std::vector<char> m_buffer;
    QHash<QString, QByteArrayList> m_written; // archive path -> where it was written
    std::size_t m_writtenChars = 0;
    std::set<DirId> m_madeDirs;
    std::vector<MadeDirectory> m_dirs;
};

// Members copied out show as a copy; the whole archive as a decompression.
void showExtract(ArchiveProgress& progress, const QString& archive, QChar kind, bool whole)
{
    const QString caption =
        whole ? QStringLiteral("Decompressing Files") : QStringLiteral("Copying from Archive");
    progress.showRun(caption,
                     whole ? QStringLiteral("Decompressing Files, Please wait... ")
                           : caption + QStringLiteral(", Please wait..."),
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
    showExtract(progress, archive, kind, false);
    Extraction extraction(archive, target, subdirs, prompter, progress);
    ArchiveOpResult result = extraction.run(selection);
    progress.hideRun();
    return result;
}

ArchiveOpResult ExtractWholeLibarchive(const QString& archive, const QString& target, bool subdirs,
                                       Prompter& prompter, ArchiveProgress& progress)
{
    Selection selection;
    selection.all = true;
    showExtract(progress, archive, DetectArchiveKind(archive), true);
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
