// Extracting members out of a zip archive. Every file, directory and link
// is created beneath the target directory by the guarded facility, so
// nothing the archive names (nor a link it or anyone else put there) can
// make a write land outside the target, nor in the program's or the
// settings' directory. A new file is created under its own name,
// exclusively, and removed should it fail; a file that replaces one arrives
// under a temporary name beside it and takes the name only when it is
// complete and the handler agreed.
#include "archive/archivepath.h"
#include "archive/zipmaster.h"
#include "archive/zipnames.h"
#include "archive/zipoperations.h"
#include "archive/zipwriteahead.h"
#include "platform/beneath.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"
#include "platform/locations.h"

#include <zip.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

namespace dovex {

namespace {

using Fd = UniqueFd;

// A directory this run made for a directory member: its mode and time are
// given to it last, once nothing more is written into it.
struct DirStamp {
    QByteArrayList path;
    DirIdentity id;
    std::time_t mtime;
    mode_t mode;
};

// Errors of the disk rather than of one name: the extraction stops there.
bool diskFault(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EFBIG || error == EIO || error == EROFS;
}

// A name of the listing cut at its cap (before a character the cut would
// split) chooses the members whose whole names begin with it.
bool cutNameOf(const QByteArray& member, const QByteArray& spec)
{
    return qsizetype(kMaxArchiveName) < member.size() &&
           spec.size() + 4 > qsizetype(kMaxArchiveName) &&
           spec.size() <= qsizetype(kMaxArchiveName) && member.startsWith(spec);
}

class Extractor {
public:
    explicit Extractor(TZipMaster& zip) : m_zip(zip), m_umask(mode_t(fileio::processUmask())) {}
    ~Extractor()
    {
        if (m_archive)
            zip_discard(m_archive);
    }

    int run()
    {
        if (!openRoot() || !openArchive())
            return 0;
        chooseSpecs();
        const std::vector<ZipMember> members = collect();
        if (!roomForAll(members))
            return 0;
        std::vector<int> jobs(members.size(), -1);
        std::unique_ptr<ZipWriteAhead> ahead = startHelpers(members, jobs);
        m_ahead = ahead.get();
        for (size_t i = 0; i < members.size() && !m_stopped; ++i)
            extract(members[i], jobs[i] >= 0 ? &ahead->take(jobs[i]) : nullptr);
        m_ahead = nullptr;
        ahead.reset(); // stops the helpers and removes what was not taken
        recheckLinks();
        stampDirectories();
        return m_count;
    }

private:
    bool openRoot()
    {
        const QByteArray base =
            m_zip.ExtrBaseDir.isEmpty() ? QByteArray() : hostBytes(m_zip.ExtrBaseDir);
        if (base.isEmpty() || !m_root.open(base)) {
            m_zip.message(TZipMaster::kErrorArchive, QStringLiteral("Cannot extract into ") +
                                                         m_zip.ExtrBaseDir +
                                                         QStringLiteral(": no such directory"));
            return false;
        }
        // What lands there could run as an archiver or rewrite the settings.
        // They are told by identity, so they must be there first: a member
        // must not make them itself.
        for (const QString& dir : {programDirectory(), windowsDirectory()}) {
            ensureDirectory(dir);
            m_root.forbid(hostname::encode(dir));
        }
        return true;
    }

    bool openArchive()
    {
        const QByteArray archive =
            m_zip.ZipFilename.isEmpty() ? QByteArray() : hostBytes(m_zip.ZipFilename);
        struct stat st {};
        if (!archive.isEmpty() && ::stat(archive.constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
            m_zip.message(TZipMaster::kErrorArchive, QStringLiteral("Cannot open ") +
                                                         m_zip.ZipFilename +
                                                         QStringLiteral(": not a plain file"));
            return false;
        }
        int error = ZIP_ER_NOENT;
        m_archive = archive.isEmpty() ? nullptr : zip_open(archive.constData(), ZIP_RDONLY, &error);
        if (!m_archive) {
            zip_error_t e;
            zip_error_init_with_code(&e, error);
            m_zip.message(TZipMaster::kErrorArchive,
                          QStringLiteral("Cannot open ") + m_zip.ZipFilename +
                              QStringLiteral(": ") +
                              QString::fromLocal8Bit(zip_error_strerror(&e)));
            zip_error_fini(&e);
            return false;
        }
        m_archiveHost = archive;
        return true;
    }

    void chooseSpecs()
    {
        for (const QString& text : m_zip.FSpecArgs) {
            const QByteArray spec = zipnames::specPath(text);
            // A member really named with "*" or "?" is taken by its name alone.
            const bool literal =
                zipnames::hasWildcard(spec) &&
                (zip_name_locate(m_archive, spec.constData(), ZIP_FL_ENC_RAW) >= 0 ||
                 zip_name_locate(m_archive, (spec + '/').constData(), ZIP_FL_ENC_RAW) >= 0);
            m_specs.push_back({spec, literal});
        }
    }

    bool chosen(const QByteArray& name) const
    {
        if (m_specs.empty())
            return true;
        const bool recurse = m_zip.AddOptions.contains(AddOptsEnum::AddRecurseDirs) ||
                             m_zip.ExtrOptions.contains(ExtrOptsEnum::ExtrDirNames);
        for (const auto& [spec, literal] : m_specs) {
            if (zipnames::memberMatches(name, spec, recurse, literal) || cutNameOf(name, spec))
                return true;
        }
        return false;
    }

    std::vector<ZipMember> collect()
    {
        std::vector<ZipMember> members;
        const zip_int64_t count = zip_get_num_entries(m_archive, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            ZipMember member;
            if (describe(zip_uint64_t(i), member))
                members.push_back(std::move(member));
        }
        return members;
    }

    // Members that together claim more than the disk holds (a bomb of
    // overlapping members claims terabytes) are refused before any is
    // written.
    bool roomForAll(const std::vector<ZipMember>& members)
    {
        std::uint64_t needed = 0;
        for (const ZipMember& m : members)
            needed = std::min<std::uint64_t>(
                needed + std::min<std::uint64_t>(std::uint64_t(m.size), std::uint64_t(1) << 62),
                std::uint64_t(1) << 62);
        struct statvfs space {};
        if (::fstatvfs(m_root.descriptor(), &space) != 0)
            return true;
        m_spaceLeft = std::int64_t(std::min<std::uint64_t>(
            std::uint64_t(space.f_bavail) * space.f_frsize, std::uint64_t(1) << 62));
        if (needed <= std::uint64_t(m_spaceLeft))
            return true;
        m_zip.message(
            TZipMaster::kErrorArchive,
            QStringLiteral("Cannot extract from %1: its members need %2 bytes, %3 are free")
                .arg(m_zip.ZipFilename)
                .arg(needed)
                .arg(std::uint64_t(space.f_bavail) * space.f_frsize));
        return false;
    }

    // Small files are written ahead on helper threads, unless the options
    // make the decision depend on what earlier members leave (by time), or
    // there is one core only.
    std::unique_ptr<ZipWriteAhead> startHelpers(const std::vector<ZipMember>& members,
                                                std::vector<int>& jobs)
    {
        const ExtrOpts& options = m_zip.ExtrOptions;
        const int helpers = int(std::min(std::thread::hardware_concurrency(), 4u));
        if (helpers < 2 || options.contains(ExtrOptsEnum::ExtrFreshen) ||
            options.contains(ExtrOptsEnum::ExtrUpdate))
            return nullptr;
        const bool mayReplace =
            options.contains(ExtrOptsEnum::ExtrOverWrite) && bool(m_zip.OnConfirmReplace);
        auto ahead = std::make_unique<ZipWriteAhead>(m_archiveHost, m_root, mayReplace,
                                                     0700 | (0777 & ~m_umask), helpers);
        const std::vector<bool> ownName = ownNames(members);
        for (size_t i = 0; i < members.size(); ++i) {
            const ZipMember& m = members[i];
            if (!m.directory && !m.link && m.size > 0 && m.size <= ZipWriteAhead::kLargest)
                jobs[i] = ahead->add(&m, ownName[i]);
        }
        ahead->start();
        return ahead;
    }

    // The members a helper may create under their own names, and make the
    // directories for: none when a member is a link (it could lead a later
    // path elsewhere) or a file where another member needs a directory;
    // and never two members of one name (told apart as a file system that
    // ignores case would), whose second must meet the first.
    static std::vector<bool> ownNames(const std::vector<ZipMember>& members)
    {
        std::vector<bool> own(members.size(), false);
        QSet<QByteArray> directories;
        QHash<QByteArray, int> files;
        for (const ZipMember& m : members) {
            if (m.link)
                return own;
            for (qsizetype i = 1; i <= m.parts.size(); ++i)
                if (i < m.parts.size() || m.directory)
                    directories.insert(joinParts(m.parts.mid(0, i)).toLower());
            if (!m.directory)
                ++files[joinParts(m.parts).toLower()];
        }
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            if (directories.contains(it.key()))
                return own;
        for (size_t i = 0; i < members.size(); ++i)
            own[i] =
                !members[i].directory && files.value(joinParts(members[i].parts).toLower()) == 1;
        return own;
    }

    bool describe(zip_uint64_t index, ZipMember& m)
    {
        const char* raw = zip_get_name(m_archive, index, ZIP_FL_ENC_RAW);
        zip_stat_t st;
        if (!raw || zip_stat_index(m_archive, index, ZIP_FL_ENC_RAW, &st) != 0)
            return false;
        m.index = index;
        m.name = raw;
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        zip_file_get_external_attributes(m_archive, index, 0, &opsys, &attributes);
        if (opsys == ZIP_OPSYS_DOS || opsys == ZIP_OPSYS_WINDOWS_NTFS || opsys == ZIP_OPSYS_VFAT)
            m.name.replace('\\', '/'); // written where "\" is the separator
        m.shown = zipnames::display(m.name);
        if (!chosen(m.name))
            return false;
        QString why;
        const std::optional<QByteArrayList> parts = zipnames::safeComponents(m.name, &why);
        if (!parts) {
            refuse(m.shown, why);
            return false;
        }
        const mode_t unixMode = opsys == ZIP_OPSYS_UNIX ? mode_t(attributes >> 16) : 0;
        m.parts = *parts;
        m.directory = m.name.endsWith('/') || S_ISDIR(unixMode) ||
                      (opsys != ZIP_OPSYS_UNIX && (attributes & 0x10));
        m.link = !m.directory && S_ISLNK(unixMode);
        m.size = (st.valid & ZIP_STAT_SIZE) ? std::int64_t(st.size) : 0;
        m.mtime =
            zipnames::memberTime(m_archive, index, (st.valid & ZIP_STAT_MTIME) ? st.mtime : 0);
        if (unixMode & 0777)
            m.mode = unixMode & 0777;
        else
            m.mode = (m.directory ? 0777 : 0666) & ~m_umask & ((attributes & 0x01) ? ~0222 : ~0);
        if (!m_zip.ExtrOptions.contains(ExtrOptsEnum::ExtrDirNames)) {
            if (m.directory)
                return false;
            m.parts = QByteArrayList{m.parts.last()};
        }
        return true;
    }

    void refuse(const QString& shown, const QString& why)
    {
        m_zip.message(TZipMaster::kErrorRefused,
                      QStringLiteral("Refused ") + shown + QStringLiteral(": ") + why);
    }

    void failed(const QString& shown, const QString& why)
    {
        m_zip.message(TZipMaster::kErrorFile,
                      QStringLiteral("Cannot extract ") + shown + QStringLiteral(": ") + why);
    }

    // What an error of the file system means for the member: a name it
    // cannot hold or a path that leads astray refuses it; a fault of the
    // disk ends the extraction there.
    void trouble(const ZipMember& m, int error)
    {
        switch (error) {
        case EXDEV:
            refuse(m.shown, QStringLiteral("its path leads outside the target directory"));
            return;
        case ELOOP:
        case ENOTDIR:
            refuse(m.shown, QStringLiteral("its path leads through a link or a file"));
            return;
        case ENAMETOOLONG:
            refuse(m.shown, QStringLiteral("its name is too long for the file system"));
            return;
        default:
            failed(m.shown, errnoText(error));
            if (diskFault(error))
                m_stopped = true;
        }
    }

    // The directory at path beneath the root, made where missing.
    // Borrowed: valid until the next call. Members come directory by
    // directory, so the last directory opened is usually the one asked for.
    int openDirectory(const ZipMember& m, const QByteArrayList& path)
    {
        if (m_lastDir.get() >= 0 && path == m_lastPath)
            return m_lastDir.get();
        m_lastDir.reset();
        qsizetype made = 0;
        const int fd = m_root.openDirectory(path, true, 0700 | (0777 & ~m_umask), &made);
        for (qsizetype i = 0; i < made; ++i)
            m_created.insert(joinParts(path.mid(0, path.size() - i)));
        if (fd == -EPERM) {
            refuse(m.shown, QStringLiteral("it would land in the program's or the settings' "
                                           "directory"));
            return -1;
        }
        if (fd < 0) {
            trouble(m, -fd);
            return -1;
        }
        m_lastDir.reset(fd);
        m_lastPath = path;
        m_lastId = identityOf(fd);
        return fd;
    }

    int openParent(const ZipMember& m)
    {
        return openDirectory(m, m.parts.mid(0, m.parts.size() - 1));
    }

    void extractDirectory(const ZipMember& m)
    {
        if (openDirectory(m, m.parts) < 0)
            return;
        // One that was there before keeps its mode and its time.
        const QByteArray path = joinParts(m.parts);
        if (m_created.contains(path) || (m_ahead && m_ahead->madeDirectory(path)))
            m_dirs.push_back({m.parts, m_lastId, m.mtime, m.mode});
    }

    enum class Way { New, Replace, Leave };

    // Whether the member goes to its name in parent: as a new entry, in
    // place of what is there (the options want it and the handler agreed),
    // or not at all.
    Way decide(const ZipMember& m, int parent)
    {
        const ExtrOpts& options = m_zip.ExtrOptions;
        const bool byTime = options.contains(ExtrOptsEnum::ExtrUpdate) ||
                            options.contains(ExtrOptsEnum::ExtrFreshen);
        struct stat existing {};
        if (::fstatat(parent, m.parts.last().constData(), &existing, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) { // a name the file system cannot hold
                trouble(m, errno);
                return Way::Leave;
            }
            return options.contains(ExtrOptsEnum::ExtrFreshen) &&
                           !options.contains(ExtrOptsEnum::ExtrUpdate)
                       ? Way::Leave
                       : Way::New;
        }
        if (S_ISDIR(existing.st_mode)) {
            refuse(m.shown, QStringLiteral("a directory of that name exists"));
            return Way::Leave;
        }
        const bool wanted = byTime ? m.mtime > existing.st_mtime + 1
                                   : options.contains(ExtrOptsEnum::ExtrOverWrite);
        if (!wanted || !m_zip.confirmReplace(destinationOf(m))) {
            if (!byTime || wanted)
                m_zip.note(QStringLiteral("Skipped ") + m.shown +
                           QStringLiteral(": the file exists"));
            m_stopped = m_stopped || m_zip.cancelled();
            return Way::Leave;
        }
        m_replacesLink = S_ISLNK(existing.st_mode);
        return m_zip.cancelled() ? Way::Leave : Way::Replace;
    }

    QString destinationOf(const ZipMember& m) const
    {
        QString path = m_zip.ExtrBaseDir;
        for (const QByteArray& part : m.parts)
            path = dospath::join(path, hostname::decode(part));
        return path;
    }

    // The space last looked up answers for members well below it, less what
    // was written since; anything closer is looked up again.
    bool roomFor(const ZipMember& m, int parent)
    {
        if (m.size <= m_spaceLeft / 2) {
            m_spaceLeft -= m.size;
            return true;
        }
        struct statvfs space {};
        if (::fstatvfs(parent, &space) != 0)
            return true;
        const std::int64_t free = std::int64_t(std::min<std::uint64_t>(
            std::uint64_t(space.f_bavail) * space.f_frsize, std::uint64_t(1) << 62));
        m_spaceLeft = free - m.size;
        if (m.size <= free)
            return true;
        failed(m.shown, QStringLiteral("not enough free space for its %1 bytes").arg(m.size));
        m_stopped = true;
        return false;
    }

    // job: the member's file as a helper wrote it ahead, or nullptr.
    void extract(const ZipMember& m, ZipWriteAhead::Job* job)
    {
        // A file written ahead and not used (left alone, refused, failed)
        // goes, whichever way this returns.
        struct Unused {
            ZipWriteAhead::Job* job;
            ~Unused()
            {
                if (job && !job->temp.isEmpty())
                    ::unlinkat(job->dirFd(), job->temp.constData(), 0);
            }
        } unused{job};
        if (m.directory) {
            extractDirectory(m);
            return;
        }
        const int parent = openParent(m);
        if (parent < 0)
            return;
        if (job && job->inPlace) {
            if (job->dirId == m_lastId)
                return keepWrittenAhead(m, *job, parent);
            // Not where the member goes after all: it is written again.
            ::unlinkat(job->dirFd(), job->temp.constData(), 0);
            job->temp.clear();
        }
        m_replacesLink = false;
        const Way way = decide(m, parent);
        if (way == Way::Leave || !roomFor(m, parent))
            return;
        if (m_zip.progress(TZipMaster::kProgressNewFile, m.shown, m.size)) {
            m_stopped = true;
            return;
        }
        if (m.link)
            extractLink(parent, m, way == Way::Replace);
        else
            extractFile(parent, m, way == Way::Replace, job);
        // Paths through a new link, or through a link replaced, lead
        // elsewhere than the directory in the cache may.
        if (m.link || m_replacesLink)
            m_lastDir.reset();
    }

    // A helper created the file under its own name where nothing was: it
    // stays once its steps are counted, unless the person stops first.
    void keepWrittenAhead(const ZipMember& m, ZipWriteAhead::Job& job, int parent)
    {
        if (!roomFor(m, parent))
            return;
        if (m_zip.progress(TZipMaster::kProgressNewFile, m.shown, m.size)) {
            m_stopped = true;
            return;
        }
        if (!step((m.size + TZipMaster::kStepBytes - 1) / TZipMaster::kStepBytes))
            return;
        job.temp.clear(); // it is the member's file now
        ++m_count;
    }

    void extractFile(int parent, const ZipMember& m, bool replace, ZipWriteAhead::Job* job)
    {
        QByteArray temp;
        int tempDir = parent;
        // A file written ahead counts only when it is in the same directory.
        const bool ahead = job && !job->temp.isEmpty() && job->dirId == m_lastId;
        if (ahead) {
            // Already written: the steps of its bytes, then it is put in place.
            if (!step((m.size + TZipMaster::kStepBytes - 1) / TZipMaster::kStepBytes))
                return;
            temp = job->temp;
            tempDir = job->dirFd();
        } else if (!writeFile(parent, m, temp, !replace)) {
            if (!temp.isEmpty())
                ::unlinkat(parent, temp.constData(), 0);
            return;
        }
        const QByteArray& leaf = m.parts.last();
        if (temp == leaf) { // made under its own name
            ++m_count;
            return;
        }
        const int renamed = replace
                                ? ::renameat(tempDir, temp.constData(), parent, leaf.constData())
                                : ::renameat2(tempDir, temp.constData(), parent, leaf.constData(),
                                              RENAME_NOREPLACE);
        const int error = errno;
        if (renamed == 0) {
            if (ahead)
                job->temp.clear(); // it is the member's file now
            ++m_count;
            return;
        }
        if (!ahead) // a helper's file goes with its job
            ::unlinkat(parent, temp.constData(), 0);
        if (error == EEXIST)
            m_zip.note(QStringLiteral("Skipped ") + m.shown + QStringLiteral(": the file exists"));
        else
            trouble(m, error);
    }

    // The member's file in dir: a new one under its own name (created
    // exclusively, so that it is ours to remove should it fail), one that
    // replaces another under a temporary name. name receives the name
    // written, empty when nothing was created.
    bool writeFile(int dir, const ZipMember& m, QByteArray& name, bool own)
    {
        Fd out;
        for (int attempt = 0; attempt < 8 && out.get() < 0; ++attempt) {
            name = own ? m.parts.last() : temporaryLeaf();
            const int fd = BeneathRoot::createFile(dir, name, 0600);
            if (fd >= 0) {
                out.reset(fd);
            } else if (own && fd == -EEXIST) { // it arrived meanwhile
                name.clear();
                m_zip.note(QStringLiteral("Skipped ") + m.shown +
                           QStringLiteral(": the file exists"));
                return false;
            } else if (fd != -EEXIST || attempt == 7) {
                name.clear();
                trouble(m, -fd);
                return false;
            }
        }
        zip_file_t* in = zip_fopen_index(m_archive, m.index, 0);
        if (!in) {
            failed(m.shown, QString::fromLocal8Bit(zip_strerror(m_archive)));
            return false;
        }
        const bool copied = copy(in, out.get(), m);
        zip_fclose(in);
        if (!copied)
            return false;
        ::fchmod(out.get(), m.mode);
        const struct timespec times[2] = {{m.mtime, 0}, {m.mtime, 0}};
        ::futimens(out.get(), times);
        // A failed close can be the write that did not reach the disk.
        if (::close(out.release()) != 0) {
            writeFailed(m, errno);
            return false;
        }
        return true;
    }

    void writeFailed(const ZipMember& m, int error)
    {
        failed(m.shown, errnoText(error));
        m_stopped = true;
    }

    // Streams the member in steps of 32768 bytes; never more than it claims.
    bool copy(zip_file_t* in, int out, const ZipMember& m)
    {
        std::vector<char> buffer(TZipMaster::kStepBytes);
        std::int64_t total = 0;
        for (;;) {
            const zip_int64_t n = zip_fread(in, buffer.data(), buffer.size());
            if (n < 0) {
                failed(m.shown, QString::fromLocal8Bit(zip_file_strerror(in)));
                return false;
            }
            if (n == 0)
                break;
            const std::int64_t before = total;
            total += n;
            if (total > m.size) {
                failed(m.shown, QStringLiteral("it holds more than its stated size"));
                return false;
            }
            if (!writeAll(out, buffer.data(), std::size_t(n), m))
                return false;
            if (!step(total / TZipMaster::kStepBytes - before / TZipMaster::kStepBytes))
                return false;
        }
        // The last, short step.
        if (total % TZipMaster::kStepBytes != 0 && !step(1))
            return false;
        if (total != m.size) {
            failed(m.shown, QStringLiteral("the archive is damaged"));
            return false;
        }
        return true;
    }

    bool writeAll(int out, const char* data, std::size_t size, const ZipMember& m)
    {
        for (std::size_t done = 0; done < size;) {
            const ssize_t w = ::write(out, data + done, size - done);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                writeFailed(m, w < 0 ? errno : ENOSPC);
                return false;
            }
            done += std::size_t(w);
        }
        return true;
    }

    bool step(std::int64_t steps)
    {
        for (std::int64_t i = 0; i < steps; ++i) {
            if (m_zip.progress(TZipMaster::kProgressStep, QStringLiteral(" "), 0)) {
                m_stopped = true;
                return false;
            }
        }
        return true;
    }

    bool readLinkTarget(const ZipMember& m, QByteArray& target)
    {
        if (m.size > 4096) {
            refuse(m.shown, QStringLiteral("its link target is too long"));
            return false;
        }
        zip_file_t* in = zip_fopen_index(m_archive, m.index, 0);
        if (!in) {
            failed(m.shown, QString::fromLocal8Bit(zip_strerror(m_archive)));
            return false;
        }
        target = QByteArray(4097, '\0');
        const zip_int64_t n = zip_fread(in, target.data(), 4097);
        zip_fclose(in);
        if (n < 0 || n != m.size) {
            failed(m.shown, QStringLiteral("the archive is damaged"));
            return false;
        }
        target.truncate(n);
        if (target.isEmpty() || target.contains('\0')) {
            refuse(m.shown, QStringLiteral("its link target is no name"));
            return false;
        }
        return true;
    }

    // The link is made under its own name and kept only when the kernel
    // finds it leads to a place beneath the target. What it replaces waits
    // under a temporary name until the link is there.
    void extractLink(int parent, const ZipMember& m, bool replace)
    {
        QByteArray target;
        if (!readLinkTarget(m, target))
            return;
        const QByteArray& leaf = m.parts.last();
        QByteArray aside;
        if (replace) {
            aside = temporaryLeaf();
            if (::renameat2(parent, leaf.constData(), parent, aside.constData(),
                            RENAME_NOREPLACE) != 0) {
                trouble(m, errno);
                return;
            }
        }
        const int made = m_root.makeSymlink(parent, m.parts, target);
        if (made != 0) {
            if (replace)
                ::renameat2(parent, aside.constData(), parent, leaf.constData(), RENAME_NOREPLACE);
            if (made == -EXDEV || made == -ELOOP)
                refuse(m.shown,
                       QStringLiteral("it is a link that leads outside the target directory"));
            else
                trouble(m, -made);
            return;
        }
        if (replace)
            ::unlinkat(parent, aside.constData(), 0);
        const struct timespec times[2] = {{m.mtime, 0}, {m.mtime, 0}};
        ::utimensat(parent, leaf.constData(), times, AT_SYMLINK_NOFOLLOW);
        ++m_count;
    }

    // Links that led nowhere when made are looked at again: a later member
    // may have given one a way out, and then it goes.
    void recheckLinks()
    {
        for (const QByteArrayList& parts : m_root.recheckLinks()) {
            refuse(zipnames::display(joinParts(parts)),
                   QStringLiteral("it is a link that leads outside the target directory"));
            --m_count;
        }
    }

    // Directory times last: extracting into a directory moves its time.
    void stampDirectories()
    {
        for (auto it = m_dirs.rbegin(); it != m_dirs.rend(); ++it) {
            const Fd dir(m_root.openDirectory(it->path, false, 0));
            if (dir.get() < 0 || !(identityOf(dir.get()) == it->id))
                continue;
            ::fchmod(dir.get(), it->mode);
            const struct timespec times[2] = {{it->mtime, 0}, {it->mtime, 0}};
            ::futimens(dir.get(), times);
        }
    }

    TZipMaster& m_zip;
    mode_t m_umask;
    zip_t* m_archive = nullptr;
    QByteArray m_archiveHost;
    BeneathRoot m_root;
    std::vector<std::pair<QByteArray, bool>> m_specs;
    std::vector<DirStamp> m_dirs;
    QSet<QByteArray> m_created;
    QByteArrayList m_lastPath;
    Fd m_lastDir;
    DirIdentity m_lastId;
    ZipWriteAhead* m_ahead = nullptr;
    std::int64_t m_spaceLeft = 0;
    int m_count = 0;
    bool m_stopped = false;
    bool m_replacesLink = false; // what the member takes the place of is a link
};

} // namespace

int runZipExtract(TZipMaster& zip)
{
    Extractor extractor(zip);
    const int count = extractor.run();
    zip.message(0, QStringLiteral("%1 file(s) extracted from %2").arg(count).arg(zip.ZipFilename));
    zip.progress(TZipMaster::kProgressEndOfBatch, QStringLiteral(" "), 0);
    return count;
}

} // namespace dovex
