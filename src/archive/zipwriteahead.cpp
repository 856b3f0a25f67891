#include "archive/zipwriteahead.h"

#include "platform/beneath.h"

#include <zip.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace dovex {

DirIdentity identityOf(int dirFd)
{
    struct stat st {};
    if (dirFd < 0 || ::fstat(dirFd, &st) != 0)
        return {};
    return {std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
}

ZipWriteAhead::ZipWriteAhead(const QByteArray& archive, const BeneathRoot& root, bool mayReplace,
                             mode_t dirMode, int threads)
    : m_archive(archive), m_root(root), m_mayReplace(mayReplace), m_dirMode(dirMode),
      m_threads(threads)
{
}

ZipWriteAhead::~ZipWriteAhead()
{
    stop();
    // Whatever was written and never taken goes.
    for (Job& j : m_jobs)
        if (!j.temp.isEmpty() && j.dirFd() >= 0)
            ::unlinkat(j.dirFd(), j.temp.constData(), 0);
}

int ZipWriteAhead::add(const ZipMember* m, bool ownName)
{
    m_jobs.emplace_back();
    m_jobs.back().member = m;
    m_jobs.back().ownName = ownName;
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
    m_work.notify_all();
    for (std::thread& t : m_workers)
        t.join();
    m_workers.clear();
}

ZipWriteAhead::Job& ZipWriteAhead::take(int job)
{
    std::unique_lock lock(m_mutex);
    Job& j = m_jobs[size_t(job)];
    if (j.state == Job::Waiting) {
        j.state = Job::Done; // not started: the extraction writes it itself
    } else {
        m_awaited = job;
        m_done.wait(lock, [&] { return j.state == Job::Done || j.state == Job::Taken; });
        m_awaited = -1;
    }
    if (j.state != Job::Taken) {
        j.state = Job::Taken;
        m_ahead -= j.member->size;
        // Only a helper held back by the budget needs to hear of it.
        if (m_idle > 0)
            m_work.notify_all();
    }
    return j;
}

bool ZipWriteAhead::madeDirectory(const QByteArray& path)
{
    std::lock_guard lock(m_mutex);
    return m_madeDirs.count(path) > 0;
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
        if (!m_stopping && !claim(job)) {
            ++m_idle;
            m_work.wait(lock, [&] { return m_stopping || claim(job); });
            --m_idle;
        }
        if (job < 0)
            break;
        Job& j = m_jobs[size_t(job)];
        lock.unlock();
        if (archive)
            write(archive, j, cache);
        lock.lock();
        j.state = Job::Done;
        if (m_awaited == job)
            m_done.notify_one();
    }
    lock.unlock();
    if (archive)
        zip_discard(archive);
}

// The directory a member goes into, kept while members come from the same
// one; one it made is told to madeDirectory.
void ZipWriteAhead::openDirectory(const QByteArrayList& path, bool create, DirCache& cache)
{
    if (cache.dir && cache.dir->get() >= 0 && path == cache.path)
        return;
    qsizetype made = 0;
    int fd = -1;
    if (create) {
        // Made and told in one step: the extraction, finding a directory
        // there already, asks madeDirectory only after this has told it.
        std::lock_guard lock(m_mutex);
        fd = m_root.openDirectory(path, true, m_dirMode, &made);
        for (qsizetype i = 0; i < made; ++i)
            m_madeDirs.insert(joinParts(path.mid(0, path.size() - i)));
    } else {
        fd = m_root.openDirectory(path, false, 0);
    }
    cache.dir = std::make_shared<const UniqueFd>(fd >= 0 ? fd : -1);
    cache.id = identityOf(cache.dir->get());
    cache.path = path;
}

// The member's file, complete, under its own name or a temporary one; or
// nothing.
void ZipWriteAhead::write(zip* archive, Job& j, DirCache& cache)
{
    const ZipMember& m = *j.member;
    // Only a member that nothing can redirect makes directories; for the
    // others a directory still missing may be made by the extraction
    // meanwhile.
    openDirectory(m.parts.mid(0, m.parts.size() - 1), j.ownName, cache);
    if (cache.dir->get() < 0)
        return;
    // The job shares the handle: the extraction renames or removes from it.
    j.dir = cache.dir;
    j.dirId = cache.id;
    if (!j.ownName || !writeInPlace(archive, j))
        writeBeside(archive, j);
    if (j.temp.isEmpty())
        j.dir.reset();
}

// Created exclusively under its own name; false when something is there.
bool ZipWriteAhead::writeInPlace(zip* archive, Job& j)
{
    const QByteArray& leaf = j.member->parts.last();
    const int out = BeneathRoot::createFile(j.dirFd(), leaf, 0600);
    if (out == -EEXIST)
        return false;
    if (out >= 0 && finish(archive, *j.member, j.dirFd(), leaf, out)) {
        j.temp = leaf;
        j.inPlace = true;
    }
    return true;
}

void ZipWriteAhead::writeBeside(zip* archive, Job& j)
{
    const ZipMember& m = *j.member;
    struct stat existing {};
    if (::fstatat(j.dirFd(), m.parts.last().constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
        (!m_mayReplace || S_ISDIR(existing.st_mode)))
        return;
    const QByteArray temp = temporaryLeaf();
    const int out = BeneathRoot::createFile(j.dirFd(), temp, 0600);
    if (out >= 0 && finish(archive, m, j.dirFd(), temp, out))
        j.temp = temp;
}

// Fills the new file out (name in dir) and closes it; a file that did not
// come out whole is removed.
bool ZipWriteAhead::finish(zip* archive, const ZipMember& m, int dir, const QByteArray& name,
                           int out)
{
    UniqueFd file(out);
    bool whole = fill(archive, m, file.get());
    if (whole) {
        ::fchmod(file.get(), m.mode);
        const struct timespec times[2] = {{m.mtime, 0}, {m.mtime, 0}};
        ::futimens(file.get(), times);
        whole = ::close(file.release()) == 0;
    }
    if (!whole)
        ::unlinkat(dir, name.constData(), 0);
    return whole;
}

// Copies the member into out; true when all its bytes, and no more, went.
bool ZipWriteAhead::fill(zip* archive, const ZipMember& m, int out) const
{
    zip_file_t* in = zip_fopen_index(archive, m.index, 0);
    if (!in)
        return false;
    // One buffer per helper, not one per member.
    thread_local std::vector<char> buffer(256 * 1024);
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
