#include "archive/zipdeflate.h"

#include "platform/uniquefd.h"

#include <zlib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace dovex::zipdeflate {

namespace {

// How far the helpers may run ahead of the writer, in bytes of files read.
constexpr std::int64_t kBudget = 64 << 20;

} // namespace

Pool::Pool(int level, int threads) : m_level(level), m_threads(threads) {}

Pool::~Pool()
{
    stop();
}

int Pool::add(QByteArray hostPath, std::int64_t expectedSize)
{
    Job job;
    job.host = std::move(hostPath);
    job.expected = expectedSize;
    m_jobs.push_back(std::move(job));
    return int(m_jobs.size()) - 1;
}

void Pool::start()
{
    if (m_jobs.empty())
        return;
    for (int i = 0; i < m_threads; ++i)
        m_workers.emplace_back([this] { work(); });
}

void Pool::stop()
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

bool Pool::claimNext(int& job)
{
    // Called with the mutex held.
    while (m_next < int(m_jobs.size()) && m_jobs[size_t(m_next)].state != Job::Waiting)
        ++m_next;
    if (m_next >= int(m_jobs.size()))
        return false;
    Job& j = m_jobs[size_t(m_next)];
    // One file always goes, however large the budget's use: the writer
    // needs it next.
    if (m_ahead > 0 && m_ahead + j.expected > kBudget)
        return false;
    j.state = Job::Running;
    m_ahead += j.expected;
    job = m_next++;
    return true;
}

void Pool::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        int job = -1;
        m_changed.wait(lock, [&] { return m_stopping || claimNext(job); });
        if (job < 0)
            return;
        const QByteArray host = m_jobs[size_t(job)].host;
        lock.unlock();
        std::unique_ptr<Packed> result = pack(host);
        lock.lock();
        m_jobs[size_t(job)].result = std::move(result);
        m_jobs[size_t(job)].state = Job::Done;
        m_changed.notify_all();
    }
}

std::unique_ptr<Packed> Pool::take(int job)
{
    std::unique_lock lock(m_mutex);
    Job& j = m_jobs[size_t(job)];
    if (j.state == Job::Taken)
        return nullptr;
    if (j.state == Job::Waiting) {
        // No helper got to it (the budget, or none at all): do it here.
        j.state = Job::Running;
        m_ahead += j.expected;
        lock.unlock();
        std::unique_ptr<Packed> result = pack(j.host);
        lock.lock();
        j.result = std::move(result);
        j.state = Job::Done;
    }
    m_changed.wait(lock, [&] { return j.state == Job::Done; });
    j.state = Job::Taken;
    m_ahead -= j.expected;
    m_changed.notify_all();
    return std::move(j.result);
}

namespace {

// Deflates length bytes (with Z_FINISH the end of the stream too) into
// data, which grows as the output needs; false when zlib refuses.
bool deflateInto(z_stream& z, std::vector<unsigned char>& data, unsigned char* in, uInt length,
                 int flush)
{
    z.next_in = in;
    z.avail_in = length;
    int rc;
    do {
        if (z.avail_out == 0) {
            const size_t used = data.size();
            data.resize(used * 2);
            z.next_out = data.data() + used;
            z.avail_out = uInt(data.size() - used);
        }
        rc = deflate(&z, flush);
        if (rc == Z_STREAM_ERROR)
            return false;
    } while (z.avail_in > 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
    return true;
}

} // namespace

std::unique_ptr<Packed> Pool::pack(const QByteArray& host) const
{
    auto out = std::make_unique<Packed>();
    const UniqueFd file(::open(host.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (file.get() < 0 || ::fstat(file.get(), &st) != 0) {
        out->error = errno;
        return out;
    }
    if (!S_ISREG(st.st_mode)) {
        out->error = EINVAL;
        return out;
    }
    z_stream z{};
    if (deflateInit2(&z, m_level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        out->error = ENOMEM;
        return out;
    }
    // The file may have grown since it was listed; whatever is read is
    // what the member holds, with the matching CRC and size.
    out->data.resize(deflateBound(&z, uLong(st.st_size)) + 64);
    z.next_out = out->data.data();
    z.avail_out = uInt(out->data.size());
    std::vector<unsigned char> buffer(256 * 1024);
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
        ssize_t n;
        do
            n = ::read(file.get(), buffer.data(), buffer.size());
        while (n < 0 && errno == EINTR);
        // A file that keeps growing while it is read (a log being written)
        // must not fill the memory: it is left out with a message.
        if (n < 0 || out->size + n > 4 * kLargest || m_stopping) {
            out->error = n < 0 ? errno : m_stopping ? ECANCELED : EFBIG;
            deflateEnd(&z);
            return out;
        }
        const int flush = n == 0 ? Z_FINISH : Z_NO_FLUSH;
        out->size += n;
        crc = crc32(crc, buffer.data(), uInt(n));
        if (!deflateInto(z, out->data, buffer.data(), uInt(n), flush)) {
            out->error = EIO;
            deflateEnd(&z);
            return out;
        }
        if (flush == Z_FINISH)
            break;
    }
    out->data.resize(z.total_out);
    out->crc = std::uint32_t(crc);
    deflateEnd(&z);
    return out;
}

} // namespace dovex::zipdeflate
