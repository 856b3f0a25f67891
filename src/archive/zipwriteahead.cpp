#include "archive/zipwriteahead.h"

#include "platform/beneath.h"

#include <zip.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace dovex
{

DirIdentity identityOf(int dirFd)
{
    struct stat st {
    };
    if (dirFd < 0 || ::fstat(dirFd, &st) != 0)
        return {};
    return {std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
}

ZipWriteAhead::ZipWriteAhead(const QByteArray& archive, const BeneathRoot& root, bool mayReplace,
                             int threads)
    : m_archive(archive), m_root(root), m_mayReplace(mayReplace), m_threads(threads)
{
}

ZipWriteAhead::~ZipWriteAhead()
{
    stop();
    // Whatever was written and never taken goes.
    for (Job& j : m_jobs)
        if (!j.temp.isEmpty() && j.dir.get() >= 0)
            ::unlinkat(j.dir.get(), j.temp.constData(), 0);
}

int ZipWriteAhead::add(const ZipMember* m)
{
    m_jobs.emplace_back();
    m_jobs.back().member = m;
    return int(m_jobs.size()) - 1;
}

void ZipWriteAhead::start()
{
    if (m_jobs.empty())
        return;
    for (int i = 0; i < m_threads; ++i)
        m_workers.emplace_back([this] { work(); });
}

void ZipWriteAhead::stop()
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

ZipWriteAhead::Job& ZipWriteAhead::take(int job)
{
    std::unique_lock lock(m_mutex);
    Job& j = m_jobs[size_t(job)];
    if (j.state == Job::Waiting)
        j.state = Job::Done; // not started: the extraction writes it itself
    else
        m_changed.wait(lock, [&] { return j.state == Job::Done || j.state == Job::Taken; });
    if (j.state != Job::Taken) {
        j.state = Job::Taken;
        m_ahead -= j.member->size;
        m_changed.notify_all();
    }
    return j;
}

bool ZipWriteAhead::claim(int& job)
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

void ZipWriteAhead::work()
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

// The member's file under a temporary name, complete, or nothing.
void ZipWriteAhead::write(zip* archive, Job& j, DirCache& cache)
{
    const ZipMember& m = *j.member;
    const QByteArrayList path = m.parts.mid(0, m.parts.size() - 1);
    // A directory still missing may be made by the extraction meanwhile.
    if (cache.dir.get() < 0 || path != cache.path) {
        const int fd = m_root.openDirectory(path, false, 0);
        cache.dir.reset(fd >= 0 ? fd : -1);
        cache.id = identityOf(cache.dir.get());
        cache.path = path;
    }
    if (cache.dir.get() < 0)
        return;
    // The job keeps a handle of its own: the extraction renames from it.
    UniqueFd dir(::fcntl(cache.dir.get(), F_DUPFD_CLOEXEC, 0));
    struct stat existing {
    };
    if (dir.get() < 0 ||
        (::fstatat(dir.get(), m.parts.last().constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
         (!m_mayReplace || S_ISDIR(existing.st_mode))))
        return;
    const QByteArray temp = temporaryLeaf();
    UniqueFd out(BeneathRoot::createFile(dir.get(), temp, 0600));
    if (out.get() < 0)
        return;
    bool whole = fill(archive, m, out.get());
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
    j.dirId = cache.id;
    j.temp = temp;
}

// Copies the member into out; true when all its bytes, and no more, went.
bool ZipWriteAhead::fill(zip* archive, const ZipMember& m, int out) const
{
    zip_file_t* in = zip_fopen_index(archive, m.index, 0);
    if (!in)
        return false;
    std::vector<char> buffer(256 * 1024);
    std::int64_t total = 0;
    bool whole = false;
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
            const ssize_t w = ::write(out, buffer.data() + done, std::size_t(n - done));
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
    return whole;
}

} // namespace dovex
