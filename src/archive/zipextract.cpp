// Extracting members out of a zip archive. Every file is written by names
// relative to directories opened from the target directory down, none of
// them followed when it is a link, so nothing the archive names (nor a link
// it or anyone else put there) can make a write land outside the target. A
// file arrives under a temporary name beside its final one and is renamed
// only when it is complete and checked.
#include "archive/zipmaster.h"
#include "archive/zipnames.h"
#include "archive/zipoperations.h"
#include "platform/uniquefd.h"

#include <zip.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <memory>
#include <vector>

namespace dovex
{

namespace
{

using Fd = UniqueFd;

struct DirStamp {
    QByteArrayList path;
    std::time_t mtime;
    mode_t mode;
};

struct Member {
    zip_uint64_t index = 0;
    QByteArray name;
    QString shown;
    QByteArrayList parts;
    std::int64_t size = 0;
    std::time_t mtime = 0;
    mode_t mode = 0644;
    bool directory = false;
    bool link = false;
};

mode_t currentUmask()
{
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

QByteArray tempName()
{
    return QByteArray(".dvx") +
           QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".$$$";
}

// Writes the files of small members under temporary names on helper
// threads, each with its own handle on the archive, while the extraction
// goes through the members in order: creating and filling files is most of
// the time an extraction takes, and it runs on every core this way. A
// helper only writes into a directory that exists already and only where
// no file of that name is in the way; anything else (and any failure) is
// left to the extraction itself, which decides, reports, and renames every
// prepared file into place or removes it. Nothing a helper writes is ever
// seen under a member's name unless the extraction put it there.
class WriteAhead
{
public:
    struct Job {
        const Member* member = nullptr;
        enum { Waiting, Running, Done, Taken } state = Waiting;
        Fd dir;         // the directory the temporary file is in
        QByteArray temp; // empty when the helper left the member alone
    };

    static constexpr std::int64_t kLargest = 8 << 20;
    static constexpr std::int64_t kBudget = 64 << 20;

    WriteAhead(const QByteArray& archive, int base, bool overwrite, int threads)
        : m_archive(archive), m_base(base), m_overwrite(overwrite), m_threads(threads)
    {
    }
    ~WriteAhead()
    {
        stop();
        // Whatever was written and never taken goes.
        for (Job& j : m_jobs)
            if (!j.temp.isEmpty() && j.dir.get() >= 0)
                ::unlinkat(j.dir.get(), j.temp.constData(), 0);
    }

    int add(const Member* m)
    {
        m_jobs.emplace_back();
        m_jobs.back().member = m;
        return int(m_jobs.size()) - 1;
    }

    void start()
    {
        if (m_jobs.empty())
            return;
        for (int i = 0; i < m_threads; ++i)
            m_workers.emplace_back([this] { work(); });
    }

    void stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        for (std::thread& t : m_workers)
            t.join();
        m_workers.clear();
    }

    // The job once its helper is done with it (nothing written when no
    // helper started it); the caller owns its temporary file from then on.
    Job& take(int job)
    {
        std::unique_lock lock(m_mutex);
        Job& j = m_jobs[size_t(job)];
        if (j.state == Job::Waiting)
            j.state = Job::Done; // not started: the extraction writes it itself
        else
            m_changed.wait(lock, [&] { return j.state == Job::Done; });
        if (j.state != Job::Taken) {
            j.state = Job::Taken;
            m_ahead -= j.member->size;
            m_changed.notify_all();
        }
        return j;
    }

private:
    bool claim(int& job)
    {
        while (m_next < int(m_jobs.size()) && m_jobs[size_t(m_next)].state != Job::Waiting)
            ++m_next;
        if (m_next >= int(m_jobs.size()))
            return false;
        Job& j = m_jobs[size_t(m_next)];
        if (m_ahead > 0 && m_ahead + j.member->size > kBudget)
            return false;
        j.state = Job::Running;
        m_ahead += j.member->size;
        job = m_next++;
        return true;
    }

    void work()
    {
        int error = 0;
        zip_t* archive = zip_open(m_archive.constData(), ZIP_RDONLY, &error);
        DirCache cache;
        std::unique_lock lock(m_mutex);
        for (;;) {
            int job = -1;
            m_changed.wait(lock, [&] { return m_stopping || claim(job); });
            if (job < 0)
                break;
            Job& j = m_jobs[size_t(job)];
            lock.unlock();
            if (archive)
                write(archive, j, cache);
            lock.lock();
            j.state = Job::Done;
            m_changed.notify_all();
        }
        lock.unlock();
        if (archive)
            zip_discard(archive);
    }

    struct DirCache {
        QByteArrayList path;
        Fd dir;
    };

    // The member's file under a temporary name, complete, or nothing.
    void write(zip_t* archive, Job& j, DirCache& cache)
    {
        const Member& m = *j.member;
        const QByteArrayList path = m.parts.mid(0, m.parts.size() - 1);
        if (cache.dir.get() < 0 || path != cache.path) {
            Fd walk(::dup(m_base));
            for (qsizetype i = 0; i < path.size() && walk.get() >= 0; ++i)
                walk = Fd(::openat(walk.get(), path[i].constData(),
                                   O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            cache.dir = std::move(walk);
            cache.path = path;
        }
        if (cache.dir.get() < 0)
            return;
        // The job keeps a handle of its own: the extraction renames from it.
        Fd dir(::dup(cache.dir.get()));
        struct stat existing {
        };
        if (::fstatat(dir.get(), m.parts.last().constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
            (!m_overwrite || S_ISDIR(existing.st_mode)))
            return;
        QByteArray temp = tempName();
        Fd out(::openat(dir.get(), temp.constData(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (out.get() < 0)
            return;
        bool whole = false;
        if (zip_file_t* in = zip_fopen_index(archive, m.index, 0)) {
            std::vector<char> buffer(256 * 1024);
            std::int64_t total = 0;
            for (;;) {
                const zip_int64_t n = zip_fread(in, buffer.data(), buffer.size());
                if (n <= 0 || m_stopping) {
                    whole = n == 0 && total == m.size && !m_stopping;
                    break;
                }
                total += n;
                if (total > m.size)
                    break;
                zip_int64_t done = 0;
                while (done < n) {
                    const ssize_t w = ::write(out.get(), buffer.data() + done, std::size_t(n - done));
                    if (w < 0 && errno == EINTR)
                        continue;
                    if (w <= 0)
                        break;
                    done += w;
                }
                if (done < n)
                    break;
            }
            zip_fclose(in);
        }
        if (whole) {
            ::fchmod(out.get(), m.mode);
            const struct timespec times[2] = {{m.mtime, 0}, {m.mtime, 0}};
            ::futimens(out.get(), times);
            whole = ::close(out.release()) == 0;
        }
        if (!whole) {
            ::unlinkat(dir.get(), temp.constData(), 0);
            return;
        }
        j.dir = std::move(dir);
        j.temp = temp;
    }

    QByteArray m_archive;
    int m_base;
    bool m_overwrite;
    int m_threads;
    std::deque<Job> m_jobs;
    std::vector<std::thread> m_workers;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_next = 0;
    std::int64_t m_ahead = 0;
    std::atomic<bool> m_stopping = false;
};

class Extractor
{
public:
    explicit Extractor(TZipMaster& zip) : m_zip(zip), m_umask(currentUmask()) {}
    ~Extractor()
    {
        if (m_archive)
            zip_discard(m_archive);
    }

    int run()
    {
        if (!open())
            return 0;
        chooseSpecs();
        const zip_int64_t count = zip_get_num_entries(m_archive, 0);
        std::vector<Member> members;
        std::uint64_t needed = 0;
        for (zip_int64_t i = 0; i < count; ++i) {
            Member member;
            if (describe(zip_uint64_t(i), member)) {
                needed +=
                    std::min<std::uint64_t>(std::uint64_t(member.size), std::uint64_t(1) << 62);
                needed = std::min<std::uint64_t>(needed, std::uint64_t(1) << 62);
                members.push_back(std::move(member));
            }
        }
        // Members that together claim more than the disk holds (a bomb of
        // overlapping members claims terabytes) are refused before any is
        // written.
        struct statvfs space {
        };
        if (::fstatvfs(m_base.get(), &space) == 0 &&
            needed > std::uint64_t(space.f_bavail) * space.f_frsize) {
            m_zip.message(
                TZipMaster::kErrorArchive,
                QStringLiteral("Cannot extract from %1: its members need %2 bytes, %3 are free")
                    .arg(m_zip.ZipFilename)
                    .arg(needed)
                    .arg(std::uint64_t(space.f_bavail) * space.f_frsize));
            return 0;
        }
        // Small files are written ahead on helper threads, unless the
        // options make the decision depend on what earlier members leave
        // (by time), or there is one core only.
        const ExtrOpts& options = m_zip.ExtrOptions;
        const int helpers = int(std::min(std::thread::hardware_concurrency(), 4u));
        std::unique_ptr<WriteAhead> ahead;
        std::vector<int> jobs(members.size(), -1);
        if (helpers > 1 && !options.contains(ExtrOptsEnum::ExtrFreshen) &&
            !options.contains(ExtrOptsEnum::ExtrUpdate)) {
            ahead = std::make_unique<WriteAhead>(
                hostBytes(m_zip.ZipFilename), m_base.get(),
                options.contains(ExtrOptsEnum::ExtrOverWrite), helpers);
            for (size_t i = 0; i < members.size(); ++i) {
                const Member& m = members[i];
                if (!m.directory && !m.link && m.size > 0 && m.size <= WriteAhead::kLargest)
                    jobs[i] = ahead->add(&m);
            }
            ahead->start();
        }
        for (size_t i = 0; i < members.size(); ++i) {
            if (m_stopped)
                break;
            WriteAhead::Job* job = jobs[i] >= 0 ? &ahead->take(jobs[i]) : nullptr;
            extract(members[i], job);
        }
        ahead.reset(); // stops the helpers and removes what was not taken
        stampDirectories();
        return m_count;
    }

private:
    bool open()
    {
        const QByteArray base =
            m_zip.ExtrBaseDir.isEmpty() ? QByteArray() : hostBytes(m_zip.ExtrBaseDir);
        m_base =
            Fd(base.isEmpty() ? -1 : ::open(base.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (m_base.get() < 0) {
            m_zip.message(TZipMaster::kErrorArchive, QStringLiteral("Cannot extract into ") +
                                                         m_zip.ExtrBaseDir +
                                                         QStringLiteral(": no such directory"));
            return false;
        }
        const QByteArray archive =
            m_zip.ZipFilename.isEmpty() ? QByteArray() : hostBytes(m_zip.ZipFilename);
        struct stat st {
        };
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
            if (zipnames::memberMatches(name, spec, recurse, literal))
                return true;
        }
        return false;
    }

    bool describe(zip_uint64_t index, Member& m)
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

    // The directory that holds parts (its own name last left out), made
    // where missing; never through a link.
    // Borrowed: valid until the next call. Members come directory by
    // directory, so the last directory opened is usually the one asked for.
    int openParent(const Member& m, qsizetype depth)
    {
        const QByteArrayList path = m.parts.mid(0, depth);
        if (m_lastDir.get() >= 0 && path == m_lastPath)
            return m_lastDir.get();
        m_lastDir.reset();
        Fd dir(::dup(m_base.get()));
        for (qsizetype i = 0; i < depth; ++i) {
            const QByteArray& part = m.parts[i];
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
                    refuse(m.shown, QStringLiteral("its path leads through a link or a file"));
                else
                    failed(m.shown, errnoText(error));
                return -1;
            }
            dir = Fd(next);
        }
        m_lastPath = path;
        m_lastDir = std::move(dir);
        return m_lastDir.get();
    }

    // job: the member's file as a helper wrote it ahead, or nullptr.
    void extract(const Member& m, WriteAhead::Job* job = nullptr)
    {
        // A file written ahead and not used (left alone, refused, failed)
        // goes, whichever way this returns.
        struct Unused {
            WriteAhead::Job* job;
            ~Unused()
            {
                if (job && !job->temp.isEmpty())
                    ::unlinkat(job->dir.get(), job->temp.constData(), 0);
            }
        } unused{job && !job->temp.isEmpty() ? job : nullptr};
        if (m.directory) {
            if (openParent(m, m.parts.size()) >= 0)
                m_dirs.push_back({m.parts, m.mtime, m.mode});
            return;
        }
        const int parent = openParent(m, m.parts.size() - 1);
        if (parent < 0)
            return;
        const QByteArray& leaf = m.parts.last();
        struct stat existing {
        };
        const bool exists =
            ::fstatat(parent, leaf.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
        const ExtrOpts& options = m_zip.ExtrOptions;
        const bool byTime = options.contains(ExtrOptsEnum::ExtrUpdate) ||
                            options.contains(ExtrOptsEnum::ExtrFreshen);
        bool replace = false;
        if (exists) {
            if (S_ISDIR(existing.st_mode)) {
                refuse(m.shown, QStringLiteral("a directory of that name exists"));
                return;
            }
            replace = byTime ? m.mtime > existing.st_mtime + 1
                             : options.contains(ExtrOptsEnum::ExtrOverWrite);
            if (!replace) {
                if (!byTime)
                    m_zip.note(QStringLiteral("Skipped ") + m.shown +
                               QStringLiteral(": the file exists"));
                return;
            }
        } else if (options.contains(ExtrOptsEnum::ExtrFreshen) &&
                   !options.contains(ExtrOptsEnum::ExtrUpdate)) {
            return;
        }
        struct statvfs space {
        };
        if (::fstatvfs(parent, &space) == 0 &&
            std::uint64_t(m.size) > std::uint64_t(space.f_bavail) * space.f_frsize) {
            failed(m.shown, QStringLiteral("not enough free space for its %1 bytes").arg(m.size));
            return;
        }
        if (m_zip.progress(TZipMaster::kProgressNewFile, m.shown, m.size)) {
            m_stopped = true;
            return;
        }
        QByteArray temp;
        int tempDir = parent;
        if (unused.job) {
            // Already written: the steps of its bytes, then it is put in place.
            if (!step((m.size + TZipMaster::kStepBytes - 1) / TZipMaster::kStepBytes))
                return;
            temp = unused.job->temp;
            tempDir = unused.job->dir.get();
        } else {
            const bool written =
                m.link ? writeLink(parent, m, temp) : writeFile(parent, m, temp);
            if (!written) {
                if (!temp.isEmpty())
                    ::unlinkat(parent, temp.constData(), 0);
                return;
            }
        }
        const int renamed =
            replace ? ::renameat(tempDir, temp.constData(), parent, leaf.constData())
                    : ::renameat2(tempDir, temp.constData(), parent, leaf.constData(),
                                  RENAME_NOREPLACE);
        if (unused.job && renamed == 0)
            unused.job->temp.clear(); // it is the member's file now
        if (renamed != 0) {
            const int error = errno;
            if (!unused.job)
                ::unlinkat(parent, temp.constData(), 0);
            if (error == EEXIST)
                m_zip.note(QStringLiteral("Skipped ") + m.shown +
                           QStringLiteral(": the file exists"));
            else
                failed(m.shown, errnoText(error));
            return;
        }
        ++m_count;
    }

    bool writeFile(int dir, const Member& m, QByteArray& temp)
    {
        Fd out;
        for (int attempt = 0; attempt < 8 && out.get() < 0; ++attempt) {
            temp = tempName();
            out = Fd(::openat(dir, temp.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (out.get() < 0 && errno != EEXIST)
                break;
        }
        if (out.get() < 0) {
            const int error = errno;
            temp.clear();
            failed(m.shown, errnoText(error));
            return false;
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
            failed(m.shown, errnoText(errno));
            return false;
        }
        return true;
    }

    // Streams the member in steps of 32768 bytes; never more than it claims.
    bool copy(zip_file_t* in, int out, const Member& m)
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
            for (zip_int64_t done = 0; done < n;) {
                const ssize_t w = ::write(out, buffer.data() + done, std::size_t(n - done));
                if (w < 0 && errno == EINTR)
                    continue;
                if (w <= 0) {
                    failed(m.shown, errnoText(w < 0 ? errno : ENOSPC));
                    return false;
                }
                done += w;
            }
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

    bool writeLink(int dir, const Member& m, QByteArray& temp)
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
        QByteArray target(4097, '\0');
        const zip_int64_t n = zip_fread(in, target.data(), 4097);
        zip_fclose(in);
        if (n < 0 || n != m.size) {
            failed(m.shown, QStringLiteral("the archive is damaged"));
            return false;
        }
        target.truncate(n);
        if (!zipnames::linkStaysInside(m.parts, target)) {
            refuse(m.shown,
                   QStringLiteral("it is a link that points outside the target directory"));
            return false;
        }
        for (int attempt = 0; attempt < 8; ++attempt) {
            temp = tempName();
            if (::symlinkat(target.constData(), dir, temp.constData()) == 0) {
                const struct timespec times[2] = {{m.mtime, 0}, {m.mtime, 0}};
                ::utimensat(dir, temp.constData(), times, AT_SYMLINK_NOFOLLOW);
                return true;
            }
            if (errno != EEXIST)
                break;
        }
        const int error = errno;
        temp.clear();
        failed(m.shown, errnoText(error));
        return false;
    }

    // Directory times last: extracting into a directory moves its time.
    void stampDirectories()
    {
        for (auto it = m_dirs.rbegin(); it != m_dirs.rend(); ++it) {
            Member m;
            m.parts = it->path;
            Fd dir(::dup(m_base.get()));
            for (const QByteArray& part : it->path) {
                dir = Fd(::openat(dir.get(), part.constData(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
                if (dir.get() < 0)
                    break;
            }
            if (dir.get() < 0)
                continue;
            ::fchmod(dir.get(), it->mode);
            const struct timespec times[2] = {{it->mtime, 0}, {it->mtime, 0}};
            ::futimens(dir.get(), times);
        }
    }

    TZipMaster& m_zip;
    mode_t m_umask;
    zip_t* m_archive = nullptr;
    Fd m_base;
    std::vector<std::pair<QByteArray, bool>> m_specs;
    std::vector<DirStamp> m_dirs;
    QByteArrayList m_lastPath;
    Fd m_lastDir;
    int m_count = 0;
    bool m_stopped = false;
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
