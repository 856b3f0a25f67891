// Adding to and deleting from a zip archive through libzip. libzip builds
// the new archive beside the old one when it is closed and renames it over
// the old one only when everything was written; a failure or a cancel
// discards it, so the old archive stays as it was, byte for byte.
#include "archive/zipdeflate.h"
#include "archive/zipmaster.h"
#include "archive/zipnames.h"
#include "archive/zipoperations.h"

#include "platform/dirsearch.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"
#include "platform/uniquefd.h"

#include <zip.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <thread>
#include <vector>

namespace dovex {

namespace {

struct AddItem {
    QString dosPath;
    QByteArray host;
    QByteArray member; // "/" separated; a directory ends in "/"
    QString shown;
    bool directory = false;
    bool symlink = false;
    std::uint32_t mode = 0;
    std::time_t mtime = 0;
    std::int64_t size = 0;
};

// What the file sources share while libzip writes the archive.
struct AddRun {
    TZipMaster& zip;
    QString failure; // the first read failure, named
    bool stopped = false;
    zipdeflate::Pool* pool = nullptr; // deflates small files ahead of the writer
};

QByteArray memberOf(const QString& relative, const AddOpts& options)
{
    QStringList parts = relative.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!options.contains(AddOptsEnum::AddDirNames) && !parts.isEmpty())
        parts = QStringList{parts.last()};
    QByteArrayList bytes;
    for (const QString& part : parts) {
        const QByteArray raw = hostname::encode(part);
        bytes.append(options.contains(AddOptsEnum::AddForceDOS) ? zipnames::dosComponent(raw)
                                                                : raw);
    }
    return bytes.join('/');
}

bool isDosPath(const QString& text)
{
    return text.size() >= 2 && text[1] == QLatin1Char(':') && text[0].isLetter();
}

// The path of a file relative to the base directory, or to its own
// directory when it lies elsewhere.
QString relativeTo(const QString& base, const QString& path)
{
    if (!base.isEmpty()) {
        const QString prefix = dospath::isRoot(base) ? base : base + QLatin1Char('\\');
        if (path.size() > prefix.size() && path[0].toUpper() == prefix[0].toUpper() &&
            QStringView(path).mid(1, prefix.size() - 1) == QStringView(prefix).mid(1))
            return path.mid(prefix.size());
    }
    return dospath::fileName(path);
}

// Members in name order, whatever order the directory keeps.
void sortByName(std::vector<DirItem>& items)
{
    std::sort(items.begin(), items.end(), [](const DirItem& a, const DirItem& b) {
        return hostname::encode(a.name) < hostname::encode(b.name);
    });
}

class Collector {
public:
    Collector(TZipMaster& zip, const QString& base) : m_zip(zip), m_base(base) {}

    void spec(const QString& text)
    {
        const QString joined =
            isDosPath(text) || m_base.isEmpty() ? text : dospath::join(m_base, text);
        const std::optional<QString> path = dospath::normalize(joined);
        if (!path || hostBytes(*path).isEmpty()) {
            m_zip.message(TZipMaster::kErrorRefused, QStringLiteral("Cannot find ") + text);
            return;
        }
        const FileStatus st = fileio::status(*path);
        if (st.exists) {
            entry(*path, relativeTo(m_base, *path));
            return;
        }
        const QString leaf = dospath::fileName(*path);
        if (!leaf.contains(QLatin1Char('*')) && !leaf.contains(QLatin1Char('?'))) {
            m_zip.message(TZipMaster::kErrorRefused, QStringLiteral("Cannot find ") + *path);
            return;
        }
        const QString dir = dospath::directoryPart(*path);
        auto items = fileio::listDirectory(dir, false);
        if (items)
            sortByName(*items);
        if (!items) {
            m_zip.message(TZipMaster::kErrorRefused, QStringLiteral("Cannot read ") + dir);
            return;
        }
        for (const DirItem& item : *items) {
            if (wildcardMatches(item.name, leaf)) {
                const QString child = dospath::join(dir, item.name);
                entry(child, relativeTo(m_base, child));
            }
        }
    }

    std::vector<AddItem>& items() { return m_items; }

private:
    void entry(const QString& path, const QString& relative)
    {
        const FileStatus st = fileio::status(path);
        const AddOpts& options = m_zip.AddOptions;
        AddItem item;
        item.dosPath = path;
        item.host = hostBytes(path);
        item.mode = st.mode;
        item.mtime = st.modified.tv_sec;
        item.shown = path;
        if (st.directory) {
            const bool recurse = options.contains(AddOptsEnum::AddRecurseDirs);
            if (options.contains(AddOptsEnum::AddDirNames) && !relative.isEmpty()) {
                item.directory = true;
                item.member = memberOf(relative, options) + '/';
                push(item);
            }
            if (!recurse)
                return;
            auto children = fileio::listDirectory(path, false);
            if (children)
                sortByName(*children);
            if (!children) {
                m_zip.message(TZipMaster::kErrorRefused, QStringLiteral("Cannot read ") + path);
                return;
            }
            for (const DirItem& child : *children) {
                if (child.mountPoint) {
                    m_zip.message(TZipMaster::kErrorRefused,
                                  QStringLiteral("Skipped ") + dospath::join(path, child.name) +
                                      QStringLiteral(": another volume is mounted there"));
                    continue;
                }
                const QString childRelative =
                    relative.isEmpty() ? child.name : relative + QLatin1Char('\\') + child.name;
                entry(dospath::join(path, child.name), childRelative);
            }
            return;
        }
        if (!st.regular && !st.symlink) {
            m_zip.message(TZipMaster::kErrorRefused,
                          QStringLiteral("Skipped ") + path + QStringLiteral(": not a plain file"));
            return;
        }
        if (fileio::sameFile(path, m_zip.ZipFilename))
            return; // never the archive into itself
        item.symlink = st.symlink;
        item.size = st.size;
        item.member = memberOf(relative, options);
        push(item);
    }

    void push(const AddItem& item)
    {
        if (item.member.isEmpty() || item.member == "/")
            return;
        if (!m_seen.insert(item.member).second) {
            if (!item.directory)
                m_zip.message(
                    TZipMaster::kErrorRefused,
                    QStringLiteral("Skipped ") + item.shown +
                        QStringLiteral(": the archive already gets a member of that name"));
            return;
        }
        m_items.push_back(item);
    }

    TZipMaster& m_zip;
    QString m_base;
    std::vector<AddItem> m_items;
    std::set<QByteArray> m_seen;
};

// A libzip source that reads one file when libzip writes its member, and
// reports the file and every 32768 bytes of it.
class FileFeed {
public:
    // job: the file's number in the run's deflate pool, or -1 when libzip
    // reads and deflates it itself.
    FileFeed(AddRun& run, const AddItem& item, int job = -1) : m_run(run), m_item(item), m_job(job)
    {
        zip_error_init(&m_error);
    }
    ~FileFeed() { zip_error_fini(&m_error); }

    static zip_int64_t callback(void* state, void* data, zip_uint64_t length,
                                zip_source_cmd_t command)
    {
        return static_cast<FileFeed*>(state)->handle(data, length, command);
    }

private:
    zip_int64_t fail(int zipError, int systemError)
    {
        zip_error_set(&m_error, zipError, systemError);
        return -1;
    }

    zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        switch (command) {
        case ZIP_SOURCE_OPEN:
            return m_job >= 0 ? openPacked() : open();
        case ZIP_SOURCE_READ:
            return m_job >= 0 ? readPacked(static_cast<char*>(data), length)
                              : read(static_cast<char*>(data), length);
        case ZIP_SOURCE_CLOSE:
            m_fd.reset();
            // The deflated bytes are written; only their sums are kept.
            if (m_packed)
                std::vector<unsigned char>().swap(m_packed->data);
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->size = zip_uint64_t(m_item.size);
            st->mtime = m_item.mtime;
            st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
            if (m_job >= 0) {
                // Already deflated: libzip copies the stream as it is.
                if (!fetch())
                    return -1;
                st->size = zip_uint64_t(m_packed->size);
                st->comp_size = m_compressedSize;
                st->crc = m_packed->crc;
                st->comp_method = ZIP_CM_DEFLATE;
                st->valid |= ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD;
            }
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&m_error, data, length);
        case ZIP_SOURCE_FREE:
            delete this;
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ,
                                                  ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            return fail(ZIP_ER_OPNOTSUPP, 0);
        }
    }

    zip_int64_t open()
    {
        if (m_run.stopped)
            return fail(ZIP_ER_CANCELLED, 0);
        m_fd.reset(::open(m_item.host.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
        if (m_fd.get() < 0) {
            const int error = errno;
            if (m_run.failure.isEmpty())
                m_run.failure = QStringLiteral("Cannot read ") + m_item.shown +
                                QStringLiteral(": ") + errnoText(error);
            return fail(ZIP_ER_OPEN, error);
        }
        ::posix_fadvise(m_fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
        m_done = 0;
        if (!m_announced) {
            m_announced = true;
            if (m_run.zip.progress(TZipMaster::kProgressNewFile, m_item.shown, m_item.size))
                m_run.stopped = true;
        }
        return 0;
    }

    zip_int64_t read(char* buffer, zip_uint64_t length)
    {
        if (m_run.stopped)
            return fail(ZIP_ER_CANCELLED, 0);
        ssize_t n;
        do
            n = ::read(m_fd.get(), buffer, length);
        while (n < 0 && errno == EINTR);
        if (n < 0) {
            const int error = errno;
            if (m_run.failure.isEmpty())
                m_run.failure = QStringLiteral("Cannot read ") + m_item.shown +
                                QStringLiteral(": ") + errnoText(error);
            return fail(ZIP_ER_READ, error);
        }
        const std::int64_t before = m_done;
        m_done += n;
        // One step for every 32768 bytes begun; the last, short one at the end.
        std::int64_t steps = m_done / TZipMaster::kStepBytes - before / TZipMaster::kStepBytes;
        if (n == 0 && m_done % TZipMaster::kStepBytes != 0 && !m_lastStep)
            steps = 1;
        if (n == 0)
            m_lastStep = true;
        for (std::int64_t i = 0; i < steps && !m_run.stopped; ++i) {
            if (m_run.zip.progress(TZipMaster::kProgressStep, QStringLiteral(" "), 0))
                m_run.stopped = true;
        }
        if (m_run.stopped)
            return fail(ZIP_ER_CANCELLED, 0);
        return n;
    }

    bool fetch()
    {
        if (m_run.stopped) {
            fail(ZIP_ER_CANCELLED, 0);
            return false;
        }
        if (!m_packed) {
            m_packed = m_run.pool->take(m_job);
            if (!m_packed)
                m_packed = std::make_unique<zipdeflate::Packed>();
            m_compressedSize = m_packed->data.size();
        }
        if (m_packed->error != 0) {
            if (m_run.failure.isEmpty())
                m_run.failure = QStringLiteral("Cannot read ") + m_item.shown +
                                QStringLiteral(": ") + errnoText(m_packed->error);
            fail(ZIP_ER_READ, m_packed->error);
            return false;
        }
        return true;
    }

    zip_int64_t openPacked()
    {
        if (!fetch())
            return -1;
        m_served = 0;
        m_done = 0;
        m_lastStep = false;
        if (!m_announced) {
            m_announced = true;
            if (m_run.zip.progress(TZipMaster::kProgressNewFile, m_item.shown, m_item.size))
                m_run.stopped = true;
        }
        return 0;
    }

    // Serves the deflated stream; the steps follow the share of the file
    // written, one for every 32768 bytes of it, as when reading it plain.
    zip_int64_t readPacked(char* buffer, zip_uint64_t length)
    {
        if (m_run.stopped)
            return fail(ZIP_ER_CANCELLED, 0);
        const std::uint64_t total = m_packed->data.size();
        const std::uint64_t n = std::min<std::uint64_t>(length, total - m_served);
        std::memcpy(buffer, m_packed->data.data() + m_served, n);
        m_served += n;
        const std::int64_t before = m_done;
        m_done = total == 0
                     ? m_packed->size
                     : std::int64_t(double(m_packed->size) * double(m_served) / double(total));
        const auto steps = [](std::int64_t bytes, bool end) {
            return end ? (bytes + TZipMaster::kStepBytes - 1) / TZipMaster::kStepBytes
                       : bytes / TZipMaster::kStepBytes;
        };
        // The short last step comes once, with the last bytes.
        const bool end = m_served == total && !m_lastStep;
        if (end)
            m_lastStep = true;
        const std::int64_t count =
            std::max<std::int64_t>(0, steps(m_done, end) - steps(before, false));
        for (std::int64_t i = 0; i < count && !m_run.stopped; ++i) {
            if (m_run.zip.progress(TZipMaster::kProgressStep, QStringLiteral(" "), 0))
                m_run.stopped = true;
        }
        if (m_run.stopped)
            return fail(ZIP_ER_CANCELLED, 0);
        return zip_int64_t(n);
    }

    AddRun& m_run;
    AddItem m_item;
    int m_job = -1;
    std::unique_ptr<zipdeflate::Packed> m_packed;
    std::uint64_t m_compressedSize = 0;
    std::uint64_t m_served = 0;
    zip_error_t m_error;
    UniqueFd m_fd;
    std::int64_t m_done = 0;
    bool m_announced = false;
    bool m_lastStep = false;
};

int cancelCallback(zip_t*, void* state)
{
    auto* run = static_cast<AddRun*>(state);
    if (run->zip.cancelled())
        run->stopped = true;
    return run->stopped ? 1 : 0;
}

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ArchiveHandle = std::unique_ptr<zip_t, ArchiveCloser>;

ArchiveHandle openArchive(TZipMaster& zip, int flags)
{
    // A pipe or device would block the open or never end; only a plain file
    // (or none yet, when one is made) is an archive.
    struct stat st {};
    if (::stat(hostBytes(zip.ZipFilename).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        zip.message(TZipMaster::kErrorArchive, QStringLiteral("Cannot open ") + zip.ZipFilename +
                                                   QStringLiteral(": not a plain file"));
        return nullptr;
    }
    int error = 0;
    zip_t* archive = zip_open(hostBytes(zip.ZipFilename).constData(), flags, &error);
    if (!archive) {
        zip_error_t e;
        zip_error_init_with_code(&e, error);
        zip.message(TZipMaster::kErrorArchive, QStringLiteral("Cannot open ") + zip.ZipFilename +
                                                   QStringLiteral(": ") +
                                                   QString::fromLocal8Bit(zip_error_strerror(&e)));
        zip_error_fini(&e);
    }
    return ArchiveHandle(archive);
}

// Writes the archive; false (with a message, the old archive kept) when it
// failed or was stopped.
bool commit(TZipMaster& zip, ArchiveHandle& archive, AddRun& run)
{
    if (zip_close(archive.get()) == 0) {
        archive.release();
        return true;
    }
    if (!run.stopped) {
        const QString why = run.failure.isEmpty()
                                ? QString::fromLocal8Bit(zip_strerror(archive.get()))
                                : run.failure;
        zip.message(TZipMaster::kErrorArchive,
                    QStringLiteral("Cannot write ") + zip.ZipFilename + QStringLiteral(": ") + why);
    }
    return false; // the handle's deleter discards the new archive
}

bool newerThanMember(zip_t* archive, zip_int64_t index, std::time_t fileTime)
{
    zip_stat_t st;
    if (zip_stat_index(archive, zip_uint64_t(index), 0, &st) != 0)
        return true;
    const std::time_t memberTime = zipnames::memberTime(archive, zip_uint64_t(index), st.mtime);
    return fileTime > memberTime + 1; // DOS times step by two seconds
}

// The first bytes of a file, or -1 when it cannot be read.
ssize_t readStart(const QByteArray& host, unsigned char* buffer, std::size_t size)
{
    const UniqueFd fd(::open(host.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    return fd.get() < 0 ? -1 : ::pread(fd.get(), buffer, size, 0);
}

// True when the start of the file looks like random bytes (already packed
// or encrypted): deflating it costs time and gains nothing, so such a file
// is stored, as the usual zip tools end up doing too.
bool looksIncompressible(const AddItem& item)
{
    if (item.size < 4096)
        return false;
    unsigned char sample[65536];
    const ssize_t n = readStart(item.host, sample, sizeof sample);
    if (n < 4096)
        return false;
    std::size_t counts[256] = {};
    for (ssize_t i = 0; i < n; ++i)
        ++counts[sample[i]];
    double entropy = 0;
    for (std::size_t c : counts) {
        if (c) {
            const double p = double(c) / double(n);
            entropy -= p * std::log2(p);
        }
    }
    return entropy > 7.95;
}

std::uint32_t externalAttributes(const AddItem& item, bool forceDos)
{
    std::uint32_t dos = item.directory ? 0x10 : 0;
    if (!(item.mode & S_IWUSR))
        dos |= 0x01;
    return forceDos ? dos : (item.mode << 16) | dos;
}

// Puts one item into the archive; false when libzip refused it.
bool stage(TZipMaster& zip, zip_t* archive, AddRun& run, const AddItem& item)
{
    const bool forceDos = zip.AddOptions.contains(AddOptsEnum::AddForceDOS);
    zip_int64_t index;
    if (item.directory) {
        index = zip_name_locate(archive, item.member.constData(), ZIP_FL_ENC_RAW);
        if (index < 0)
            index = zip_dir_add(archive, item.member.chopped(1).constData(), ZIP_FL_ENC_GUESS);
    } else {
        const int level = std::clamp(zip.AddCompLevel, 0, 9);
        const bool store =
            level == 0 || item.size == 0 || item.symlink || looksIncompressible(item);
        zip_source_t* source;
        if (item.symlink) {
            QByteArray target(4096, '\0');
            const ssize_t n = ::readlink(item.host.constData(), target.data(), target.size());
            if (n < 0)
                return false;
            target.truncate(n);
            // libzip frees the copy with the archive.
            void* copy = std::malloc(std::size_t(std::max<qsizetype>(target.size(), 1)));
            if (!copy)
                return false;
            std::memcpy(copy, target.constData(), std::size_t(target.size()));
            source = zip_source_buffer(archive, copy, zip_uint64_t(target.size()), 1);
        } else {
            const bool ahead = run.pool && !store && item.size <= zipdeflate::Pool::kLargest;
            const int job = ahead ? run.pool->add(item.host, item.size) : -1;
            source =
                zip_source_function(archive, &FileFeed::callback, new FileFeed(run, item, job));
        }
        if (!source)
            return false;
        index = zip_file_add(archive, item.member.constData(), source,
                             ZIP_FL_ENC_GUESS | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            return false;
        }
        zip_set_file_compression(archive, zip_uint64_t(index),
                                 store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, zip_uint32_t(level));
        // A file that cannot be encrypted does not go in in the clear.
        if (!zip.Password.isEmpty() &&
            zip_file_set_encryption(archive, zip_uint64_t(index), ZIP_EM_TRAD_PKWARE,
                                    zip.Password.toUtf8().constData()) != 0) {
            zip_delete(archive, zip_uint64_t(index));
            return false;
        }
    }
    if (index < 0)
        return false;
    zip_file_set_mtime(archive, zip_uint64_t(index), item.mtime, 0);
    zip_file_set_external_attributes(archive, zip_uint64_t(index), 0,
                                     forceDos ? ZIP_OPSYS_DOS : ZIP_OPSYS_UNIX,
                                     externalAttributes(item, forceDos));
    if (!forceDos)
        zipnames::setMemberTime(archive, zip_uint64_t(index), item.mtime);
    return true;
}

void removeSources(TZipMaster& zip, const std::vector<AddItem>& added)
{
    for (const AddItem& item : added) {
        if (item.directory)
            continue;
        if (const int error = fileio::removeFile(item.dosPath))
            zip.message(TZipMaster::kErrorFile, QStringLiteral("Cannot remove ") + item.dosPath +
                                                    QStringLiteral(": ") + errnoText(error));
    }
    // Directories last, deepest first; one that still holds something stays.
    for (auto it = added.rbegin(); it != added.rend(); ++it) {
        if (it->directory && !fileio::isDriveRoot(it->dosPath) && it->dosPath != zip.BaseDir)
            fileio::removeDirectory(it->dosPath);
    }
}

void stampWithNewest(TZipMaster& zip)
{
    int error = 0;
    zip_t* archive = zip_open(hostBytes(zip.ZipFilename).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return;
    std::time_t newest = 0;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &st) == 0)
            newest = std::max(newest, zipnames::memberTime(archive, zip_uint64_t(i), st.mtime));
    }
    zip_discard(archive);
    if (count > 0) {
        const struct timespec times[2] = {{newest, 0}, {newest, 0}};
        ::utimensat(AT_FDCWD, hostBytes(zip.ZipFilename).constData(), times, 0);
    }
}

int endBatch(TZipMaster& zip, int count)
{
    zip.progress(TZipMaster::kProgressEndOfBatch, QStringLiteral(" "), 0);
    return count;
}

// Freshen takes only files the archive holds, update and freshen only
// files newer than their member.
bool wantedForAdd(const AddOpts& options, zip_t* archive, const AddItem& item)
{
    const bool freshen = options.contains(AddOptsEnum::AddFreshen);
    const bool update = options.contains(AddOptsEnum::AddUpdate);
    const zip_int64_t existing = zip_name_locate(archive, item.member.constData(), ZIP_FL_ENC_RAW);
    if ((freshen || update) && !item.directory) {
        if (existing < 0 && freshen && !update)
            return false;
        if (existing >= 0 && !newerThanMember(archive, existing, item.mtime))
            return false;
    }
    return !(item.directory && freshen && !update && existing < 0);
}

// The items that go in, each put into the archive; one libzip refused is
// named and left out.
std::vector<AddItem> stageAll(TZipMaster& zip, zip_t* archive, AddRun& run,
                              const std::vector<AddItem>& items)
{
    std::vector<AddItem> staged;
    for (const AddItem& item : items) {
        if (!wantedForAdd(zip.AddOptions, archive, item))
            continue;
        if (!stage(zip, archive, run, item)) {
            zip.message(TZipMaster::kErrorFile, QStringLiteral("Cannot add ") + item.shown +
                                                    QStringLiteral(": ") +
                                                    QString::fromLocal8Bit(zip_strerror(archive)));
            continue;
        }
        staged.push_back(item);
    }
    return staged;
}

int finishAdd(TZipMaster& zip, bool written, const std::vector<AddItem>& staged)
{
    const int files = int(std::count_if(staged.begin(), staged.end(),
                                        [](const AddItem& item) { return !item.directory; }));
    if (written) {
        if (zip.AddOptions.contains(AddOptsEnum::AddMove))
            removeSources(zip, staged);
        if (zip.AddOptions.contains(AddOptsEnum::AddZipTime))
            stampWithNewest(zip);
        zip.message(0, QStringLiteral("%1 file(s) added to %2").arg(files).arg(zip.ZipFilename));
    } else if (staged.empty()) {
        zip.message(0, QStringLiteral("Nothing to add to ") + zip.ZipFilename);
    }
    return endBatch(zip, written ? files : 0);
}

// A pattern's name bytes, and whether its "*" or "?" are taken literally.
using DeleteSpec = std::pair<QByteArray, bool>;

// A member really named with "*" or "?" is taken by its name alone.
std::vector<DeleteSpec> deleteSpecs(const QStringList& texts, zip_t* archive)
{
    std::vector<DeleteSpec> specs;
    for (const QString& text : texts) {
        const QByteArray spec = zipnames::specPath(text);
        const bool literal =
            zipnames::hasWildcard(spec) &&
            (zip_name_locate(archive, spec.constData(), ZIP_FL_ENC_RAW) >= 0 ||
             zip_name_locate(archive, (spec + '/').constData(), ZIP_FL_ENC_RAW) >= 0);
        specs.push_back({spec, literal});
    }
    return specs;
}

bool chosenForDelete(const QByteArray& name, const std::vector<DeleteSpec>& specs, bool recurse)
{
    bool chosen = false;
    for (const auto& [spec, literal] : specs) {
        // Deleting a directory takes everything below it.
        if (zipnames::memberMatches(name, spec, zipnames::hasWildcard(spec) ? recurse : true,
                                    literal))
            chosen = true;
    }
    return chosen;
}

// Marks the chosen members deleted, each announced; the files among them.
int deleteChosen(TZipMaster& zip, zip_t* archive, AddRun& run, zip_int64_t count)
{
    const std::vector<DeleteSpec> specs = deleteSpecs(zip.FSpecArgs, archive);
    const bool recurse = zip.AddOptions.contains(AddOptsEnum::AddRecurseDirs);
    int deleted = 0;
    for (zip_int64_t i = 0; i < count && !run.stopped; ++i) {
        const char* raw = zip_get_name(archive, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        if (!raw || !chosenForDelete(QByteArray(raw), specs, recurse))
            continue;
        const QByteArray name(raw);
        if (zip.progress(TZipMaster::kProgressNewFile, zipnames::display(name), 0))
            run.stopped = true;
        else if (zip_delete(archive, zip_uint64_t(i)) == 0 && !name.endsWith('/'))
            ++deleted;
    }
    return deleted;
}

bool noMemberLeft(zip_t* archive, zip_int64_t count)
{
    if (zip_get_num_entries(archive, 0) <= 0)
        return false;
    for (zip_int64_t i = 0; i < count; ++i)
        if (zip_get_name(archive, zip_uint64_t(i), 0))
            return false;
    return true;
}

// libzip removes an archive left without members; the panel keeps an empty
// archive instead.
void writeEmptyArchive(const QString& zipFilename)
{
    static const char empty[22] = {'P', 'K', 5, 6};
    const QByteArray host = hostBytes(zipFilename);
    const UniqueFd fd(::open(host.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (fd.get() < 0)
        return;
    [[maybe_unused]] const ssize_t n = ::write(fd.get(), empty, sizeof empty);
}

} // namespace

int runZipAdd(TZipMaster& zip)
{
    const std::optional<QString> base =
        zip.BaseDir.isEmpty() ? std::nullopt : dospath::normalize(zip.BaseDir);
    Collector collector(zip, base.value_or(QString()));
    for (const QString& spec : zip.FSpecArgs)
        collector.spec(spec);

    const int helpers = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    zipdeflate::Pool pool(std::clamp(zip.AddCompLevel, 1, 9), helpers);
    AddRun run{zip, {}, false, &pool};
    ArchiveHandle archive = openArchive(zip, ZIP_CREATE);
    if (!archive)
        return endBatch(zip, 0);
    zip_register_cancel_callback_with_state(archive.get(), &cancelCallback, nullptr, &run);
    const std::vector<AddItem> staged = stageAll(zip, archive.get(), run, collector.items());
    pool.start();
    const bool written = !staged.empty() && commit(zip, archive, run);
    pool.stop();
    return finishAdd(zip, written, staged);
}

int runZipDelete(TZipMaster& zip)
{
    AddRun run{zip, {}, false};
    ArchiveHandle archive = openArchive(zip, 0);
    if (!archive)
        return endBatch(zip, 0);
    zip_register_cancel_callback_with_state(archive.get(), &cancelCallback, nullptr, &run);
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    const int deleted = deleteChosen(zip, archive.get(), run, count);
    bool written = false;
    if (!run.stopped && deleted > 0) {
        const bool emptied = noMemberLeft(archive.get(), count);
        written = commit(zip, archive, run);
        if (written && emptied)
            writeEmptyArchive(zip.ZipFilename);
        if (written)
            zip.message(
                0, QStringLiteral("%1 file(s) deleted from %2").arg(deleted).arg(zip.ZipFilename));
    } else if (!run.stopped) {
        zip.message(0, QStringLiteral("Nothing to delete in ") + zip.ZipFilename);
    }
    return endBatch(zip, written ? deleted : 0);
}

} // namespace dovex
