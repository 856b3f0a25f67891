#include "platform/profile.h"

#include "platform/hostname.h"
#include "platform/locations.h"
#include "platform/profiletext.h"
#include "platform/uniquefd.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace dovex {

using profiletext::Edit;
using profiletext::Text;

namespace {

constexpr int kValueLimit = 1023;
// A settings file is a few kilobytes; far larger ones are refused before
// they fill the memory (and the positions of the index stay 32-bit).
constexpr qint64 kMaxFileSize = qint64(256) << 20;
// File times come from a coarse clock (and whole seconds on some file
// systems): a write within the same tick can leave them as they were. A
// parsed copy is trusted on its times alone only once they are this much
// older than the moment the bytes were read.
constexpr time_t kSettleSeconds = 3;
constexpr int kCacheEntries = 4;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString cannotWrite(const QString& display, const QString& why)
{
    return QStringLiteral("Cannot write the file %1: %2").arg(display, why);
}

// Profile text keeps bytes that are not UTF-8 as lone surrogates
// (hostname::decodeText); this writes them back as the bytes they were.
QByteArray encodeText(QStringView s)
{
    QByteArray out;
    out.reserve(s.size());
    qsizetype run = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < 0x80)
            continue;
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c >= 0xDC80 && c <= 0xDCFF) {
            out += s.mid(run, i - run).toUtf8();
            out += char(c - 0xDC00);
            run = i + 1;
        }
    }
    out += s.mid(run).toUtf8();
    return out;
}

QByteArray cutValue(QByteArray value)
{
    // Classic readers drop one pair of surrounding quotes.
    if (value.size() >= 2 && ((value.startsWith('"') && value.endsWith('"')) ||
                              (value.startsWith('\'') && value.endsWith('\''))))
        value = value.mid(1, value.size() - 2);
    if (value.size() > kValueLimit) {
        int cut = kValueLimit;
        while (cut > 0 && (std::uint8_t(value[cut]) & 0xC0) == 0x80)
            --cut; // never split a UTF-8 sequence
        value.truncate(cut);
    }
    return value;
}

// ---------------------------------------------------------------- reading

struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
};

bool sameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool operator==(const Identity& a, const Identity& b)
{
    return a.device == b.device && a.inode == b.inode && a.size == b.size &&
           sameTime(a.modified, b.modified) && sameTime(a.changed, b.changed);
}

Identity identityOf(const struct stat& st)
{
    return Identity{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

bool settledAt(const Identity& id, const timespec& now)
{
    const time_t limit = now.tv_sec - kSettleSeconds;
    return id.modified.tv_sec < limit && id.changed.tv_sec < limit;
}

struct Loaded {
    ProfileFileCheck check;
    std::shared_ptr<const Text> text;
    Identity id; // for a Readable file
};

struct CacheEntry {
    QByteArray path;
    Identity id;
    std::shared_ptr<const Text> text;
    bool settled = false;
};

std::mutex& profileMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<CacheEntry>& cache()
{
    static std::vector<CacheEntry> entries;
    return entries;
}

CacheEntry* cached(const QByteArray& path)
{
    for (CacheEntry& e : cache())
        if (e.path == path)
            return &e;
    return nullptr;
}

void forget(const QByteArray& path)
{
    std::erase_if(cache(), [&](const CacheEntry& e) { return e.path == path; });
}

void remember(const QByteArray& path, const Identity& id, std::shared_ptr<const Text> text,
              bool settled)
{
    forget(path);
    std::vector<CacheEntry>& entries = cache();
    entries.insert(entries.begin(), CacheEntry{path, id, std::move(text), settled});
    if (entries.size() > size_t(kCacheEntries))
        entries.pop_back();
}

const std::shared_ptr<const Text>& emptyText()
{
    static const std::shared_ptr<const Text> text = std::make_shared<Text>(QByteArray());
    return text;
}

// Reads to the end; errno tells why when it fails.
bool readAll(int fd, qint64 sizeHint, QByteArray& out)
{
    out.resize(qsizetype(std::min(sizeHint, kMaxFileSize) + 1));
    qsizetype used = 0;
    for (;;) {
        if (used == out.size()) {
            if (used > kMaxFileSize) {
                errno = EFBIG;
                return false;
            }
            out.resize(std::min<qsizetype>(used * 2, kMaxFileSize + 1));
        }
        const ssize_t n = ::read(fd, out.data() + used, size_t(out.size() - used));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        used += n;
    }
    out.truncate(used);
    return true;
}

Loaded unreadable(const QString& reason)
{
    return Loaded{{ProfileFileState::Unreadable, reason}, emptyText(), {}};
}

// The file as it is now, from the cache while that is provably current.
Loaded load(const QByteArray& path)
{
    for (int attempt = 0;; ++attempt) {
        UniqueFd file;
        // O_NONBLOCK: a FIFO in the file's place must not stop the program.
        file.reset(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        if (file.get() < 0) {
            if (errno != ENOENT)
                return unreadable(systemReason(errno));
            forget(path);
            return Loaded{{ProfileFileState::Missing, {}}, emptyText(), {}};
        }
        struct stat st = {};
        if (::fstat(file.get(), &st) != 0)
            return unreadable(systemReason(errno));
        if (S_ISDIR(st.st_mode))
            return unreadable(systemReason(EISDIR));
        if (!S_ISREG(st.st_mode))
            return unreadable(QStringLiteral("Not a regular file"));
        if (st.st_size > kMaxFileSize)
            return unreadable(QStringLiteral("Larger than %1 MB").arg(kMaxFileSize >> 20));
        const Identity id = identityOf(st);
        CacheEntry* entry = cached(path);
        if (entry && entry->id == id && entry->settled)
            return Loaded{{ProfileFileState::Readable, {}}, entry->text, id};

        QByteArray bytes;
        if (!readAll(file.get(), st.st_size, bytes))
            return unreadable(systemReason(errno));
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        struct stat after = {};
        if (::fstat(file.get(), &after) != 0)
            return unreadable(systemReason(errno));
        const bool steady = identityOf(after) == id;
        if (!steady && attempt < 2)
            continue; // written meanwhile: read it again
        // The index depends on the bytes alone: the same bytes (a file
        // touched, or written again as it was) keep the parsed copy.
        std::shared_ptr<const Text> text = entry && entry->text->bytes() == bytes
                                               ? entry->text
                                               : std::make_shared<const Text>(std::move(bytes));
        if (steady)
            remember(path, id, text, settledAt(id, now));
        else
            forget(path);
        return Loaded{{ProfileFileState::Readable, {}}, std::move(text), id};
    }
}

// ---------------------------------------------------------------- writing

QByteArray directoryOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// The file a write lands in: a symbolic link is followed to what it names,
// so the link stays a link (a settings file kept elsewhere and linked in).
std::optional<QByteArray> resolveLinks(QByteArray path, int* error)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st = {};
        if (::lstat(path.constData(), &st) != 0) {
            if (errno == ENOENT)
                return path; // created where the name points
            *error = errno;
            return std::nullopt;
        }
        if (!S_ISLNK(st.st_mode))
            return path;
        QByteArray target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (n < 0 || n >= target.size()) {
            *error = n < 0 ? errno : ENAMETOOLONG;
            return std::nullopt;
        }
        target.truncate(n);
        path = target.startsWith('/') ? target : directoryOf(path) + '/' + target;
    }
    *error = ELOOP;
    return std::nullopt;
}

bool makeDirectories(const QByteArray& dir)
{
    for (qsizetype slash = dir.indexOf('/', 1); slash > 0; slash = dir.indexOf('/', slash + 1))
        if (::mkdir(dir.left(slash).constData(), 0777) != 0 && errno != EEXIST)
            break; // the last mkdir tells
    if (::mkdir(dir.constData(), 0777) == 0 || errno == EEXIST)
        return true;
    return false;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

QByteArray temporaryName(const QByteArray& dir)
{
    static std::mt19937_64 random{std::random_device{}()};
    return dir + "/.dovex-" + QByteArray::number(qulonglong(random()), 36) + ".tmp";
}

void syncDirectory(const QByteArray& dir)
{
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

struct Replaced {
    Result result;
    bool raced = false; // the file changed since it was read; nothing written
};

// Whether the file still is what `before` read: another program may have
// written it while the new text was made.
bool unchangedSince(const QByteArray& path, const Loaded& before)
{
    struct stat st = {};
    if (::stat(path.constData(), &st) != 0)
        return errno == ENOENT && before.check.state == ProfileFileState::Missing;
    return before.check.state == ProfileFileState::Readable && identityOf(st) == before.id;
}

// Replaces the file with bytes: a temporary file in the same directory gets
// the old file's owner and permissions, is written in full and synced, and
// only then takes the file's name. Any failure leaves the old file alone.
Replaced replaceFile(const QByteArray& path, const QString& display, const QByteArray& bytes,
                     const Loaded& before, bool checkRace)
{
    const auto fail = [&](int error) {
        return Replaced{Result::failure(cannotWrite(display, systemReason(error))), false};
    };
    int error = 0;
    const std::optional<QByteArray> target = resolveLinks(path, &error);
    if (!target)
        return fail(error);
    struct stat old = {};
    const bool exists = ::stat(target->constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return fail(S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    if (exists && ::access(target->constData(), W_OK) != 0)
        return fail(errno); // a read-only file stays as it is
    const QByteArray dir = directoryOf(*target);
    // The Windows directory is made on first use; the directory a dangling
    // link names (a volume not mounted, say) is not.
    if (!exists && *target == path && !makeDirectories(dir))
        return fail(errno);

    QByteArray temp;
    UniqueFd out;
    for (int tries = 0; out.get() < 0; ++tries) {
        temp = temporaryName(dir);
        out.reset(::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                         exists ? 0600 : 0666));
        if (out.get() < 0 && (errno != EEXIST || tries > 100))
            return fail(errno);
    }
    if (exists) {
        if (::fchown(out.get(), old.st_uid, old.st_gid) != 0)
            (void)::fchown(out.get(), uid_t(-1), old.st_gid); // as far as allowed
        (void)::fchmod(out.get(), old.st_mode & 07777);
    }
    const auto discard = [&](int err) {
        ::unlink(temp.constData());
        return fail(err);
    };
    if (!writeAll(out.get(), bytes))
        return discard(errno);
    // A file system that cannot sync says so with EINVAL; that is no failure.
    if (::fsync(out.get()) != 0 && errno != EINVAL && errno != ENOTSUP && errno != ENOSYS)
        return discard(errno);
    if (::close(out.release()) != 0)
        return discard(errno);
    if (checkRace && !unchangedSince(path, before)) {
        ::unlink(temp.constData());
        return Replaced{{}, true};
    }
    if (::rename(temp.constData(), target->constData()) != 0)
        return discard(errno);
    syncDirectory(dir);
    return Replaced{};
}

// Names and values that would not stay one line of the file, or would read
// back as another name, are refused.
Result checkEntry(const QString& display, const QString& section, const QString* key,
                  const QString* value)
{
    const auto breaks = [](const QString& s) {
        return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
    };
    const auto padded = [](const QString& s) {
        return !s.isEmpty() && (s.front().isSpace() || s.back().isSpace());
    };
    if (breaks(section) || section.contains(QLatin1Char(']')) || padded(section))
        return Result::failure(
            cannotWrite(display, QStringLiteral("\"%1\" cannot be a section name").arg(section)));
    if (key) {
        const QString k = *key;
        if (k.isEmpty() || breaks(k) || k.contains(QLatin1Char('=')) || padded(k) ||
            k.startsWith(QLatin1Char(';')) || k.startsWith(QLatin1Char('[')))
            return Result::failure(
                cannotWrite(display, QStringLiteral("\"%1\" cannot be a key name").arg(k)));
    }
    if (value && breaks(*value))
        return Result::failure(cannotWrite(
            display, QStringLiteral("the value of %1 in section [%2] holds a line break")
                         .arg(*key, section)));
    return {};
}

} // namespace

// ---------------------------------------------------------------- ProfileBatch

struct ProfileBatch::State {
    struct Op {
        QString section, key, value;
        bool erase = false;
    };
    QString display;
    QByteArray path;
    std::optional<Loaded> loaded;
    std::unique_ptr<Edit> edit;
    std::vector<Op> ops;

    void ensureLoaded()
    {
        if (loaded)
            return;
        loaded = load(path);
        edit = std::make_unique<Edit>(loaded->text);
    }
    void apply(Edit& e, const Op& op) const
    {
        if (op.erase) {
            e.erase(op.section);
            return;
        }
        e.write(op.section, op.key, encodeText(op.section),
                encodeText(op.key) + '=' + encodeText(op.value));
    }
};

ProfileBatch::ProfileBatch(const QString& file) : m(std::make_unique<State>())
{
    m->display = profilePath(file);
    m->path = hostname::encode(m->display);
}

ProfileBatch::~ProfileBatch() = default;

ProfileFileCheck ProfileBatch::check()
{
    std::lock_guard lock(profileMutex());
    m->ensureLoaded();
    return m->loaded->check;
}

QString ProfileBatch::readString(const QString& section, const QString& key,
                                 const QString& fallback)
{
    std::lock_guard lock(profileMutex());
    m->ensureLoaded();
    const std::optional<QByteArray> value = m->edit->value(section, key);
    if (!value)
        return fallback;
    return hostname::decodeText(cutValue(*value));
}

Result ProfileBatch::writeString(const QString& section, const QString& key, const QString& value)
{
    if (Result r = checkEntry(m->display, section, &key, &value); !r)
        return r;
    std::lock_guard lock(profileMutex());
    m->ensureLoaded();
    m->ops.push_back(State::Op{section, key, value, false});
    m->apply(*m->edit, m->ops.back());
    return {};
}

Result ProfileBatch::eraseSection(const QString& section)
{
    if (Result r = checkEntry(m->display, section, nullptr, nullptr); !r)
        return r;
    std::lock_guard lock(profileMutex());
    m->ensureLoaded();
    m->ops.push_back(State::Op{section, {}, {}, true});
    m->apply(*m->edit, m->ops.back());
    return {};
}

Result ProfileBatch::commit()
{
    std::lock_guard lock(profileMutex());
    if (m->ops.empty())
        return {};
    for (int attempt = 0;; ++attempt) {
        const Loaded now = load(m->path);
        if (now.check.state == ProfileFileState::Unreadable)
            return Result::failure(cannotWrite(
                m->display, QStringLiteral("it exists but cannot be read (%1), so it was left as "
                                           "it is")
                                .arg(now.check.reason)));
        if (m->edit->base() != now.text) {
            // Another program wrote the file: the writes go onto its text.
            m->edit = std::make_unique<Edit>(now.text);
            for (const State::Op& op : m->ops)
                m->apply(*m->edit, op);
        }
        QByteArray text = m->edit->text();
        if (text == now.text->bytes()) { // nothing changed (or nothing to create)
            m->ops.clear();
            return {};
        }
        const Replaced r = replaceFile(m->path, m->display, text, now, attempt < 3);
        if (r.raced)
            continue;
        if (!r.result)
            return r.result;
        m->ops.clear();
        auto written = std::make_shared<const Text>(std::move(text));
        struct stat st = {};
        if (::stat(m->path.constData(), &st) == 0 && S_ISREG(st.st_mode))
            remember(m->path, identityOf(st), written, false);
        m->loaded = Loaded{{ProfileFileState::Readable, {}}, written, identityOf(st)};
        m->edit = std::make_unique<Edit>(written);
        return {};
    }
}

// ---------------------------------------------------------------- functions

QString profilePath(const QString& file)
{
    if (file.contains('/'))
        return file;
    return windowsDirectory() + '/' + file;
}

ProfileFileCheck checkProfileFile(const QString& file)
{
    return ProfileBatch(file).check();
}

QString profileString(const QString& section, const QString& key, const QString& fallback,
                      const QString& file)
{
    return ProfileBatch(file).readString(section, key, fallback);
}

Result writeProfileString(const QString& section, const QString& key, const QString& value,
                          const QString& file)
{
    ProfileBatch batch(file);
    if (Result r = batch.writeString(section, key, value); !r)
        return r;
    return batch.commit();
}

Result eraseProfileSection(const QString& section, const QString& file)
{
    ProfileBatch batch(file);
    if (Result r = batch.eraseSection(section); !r)
        return r;
    return batch.commit();
}

void forgetProfileCache()
{
    std::lock_guard lock(profileMutex());
    cache().clear();
}

} // namespace dovex
