#include "archive/szdd.h"

#include "platform/drivemap.h"
#include "platform/hostfile.h"
#include "platform/hostname.h"
#include "platform/uniquefd.h"

#include <mspack.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dovex {

namespace {

constexpr std::uint8_t kSignature[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr std::size_t kHeaderSize = 14;

// One side of an expansion, handed to libmspack in place of a file name:
// the input in memory or behind a descriptor, the output into memory or a
// descriptor, never past its limit.
struct Stream {
    const std::uint8_t* data = nullptr;
    std::int64_t size = 0;
    std::int64_t position = 0;
    int fd = -1;
    std::vector<std::uint8_t>* out = nullptr;
    std::int64_t limit = 0;
    bool cutAtLimit = false; // drop what goes past limit instead of failing
    bool failed = false;
};

Stream* streamOf(mspack_file* f)
{
    return reinterpret_cast<Stream*>(f);
}

mspack_file* sysOpen(mspack_system*, const char* name, int)
{
    return reinterpret_cast<mspack_file*>(const_cast<char*>(name));
}

void sysClose(mspack_file*) {}

int sysRead(mspack_file* f, void* buffer, int bytes)
{
    Stream* s = streamOf(f);
    if (bytes < 0)
        return -1;
    if (s->fd >= 0) {
        ssize_t n;
        do
            n = ::read(s->fd, buffer, size_t(bytes));
        while (n < 0 && errno == EINTR);
        if (n < 0)
            s->failed = true;
        return int(n);
    }
    const std::int64_t n = std::min<std::int64_t>(bytes, s->size - s->position);
    if (n <= 0)
        return 0;
    std::memcpy(buffer, s->data + s->position, size_t(n));
    s->position += n;
    return int(n);
}

int sysWrite(mspack_file* f, void* buffer, int bytes)
{
    Stream* s = streamOf(f);
    const int asked = bytes;
    if (bytes >= 0 && s->cutAtLimit && s->position + bytes > s->limit)
        bytes = int(std::max<std::int64_t>(0, s->limit - s->position));
    if (bytes < 0 || s->position + bytes > s->limit) {
        s->failed = true;
        return -1;
    }
    if (s->out) {
        const auto* b = static_cast<const std::uint8_t*>(buffer);
        s->out->insert(s->out->end(), b, b + bytes);
    } else {
        int done = 0;
        while (done < bytes) {
            const ssize_t n =
                ::write(s->fd, static_cast<const char*>(buffer) + done, size_t(bytes - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                s->failed = true;
                return -1;
            }
            done += int(n);
        }
    }
    s->position += bytes;
    return asked;
}

int sysSeek(mspack_file* f, off_t offset, int mode)
{
    Stream* s = streamOf(f);
    if (s->fd >= 0) {
        const int whence = mode == MSPACK_SYS_SEEK_START ? SEEK_SET
                           : mode == MSPACK_SYS_SEEK_CUR ? SEEK_CUR
                                                         : SEEK_END;
        return ::lseek(s->fd, offset, whence) < 0 ? -1 : 0;
    }
    const std::int64_t base = mode == MSPACK_SYS_SEEK_START ? 0
                              : mode == MSPACK_SYS_SEEK_CUR ? s->position
                                                            : s->size;
    const std::int64_t to = base + offset;
    if (to < 0 || to > s->size)
        return -1;
    s->position = to;
    return 0;
}

off_t sysTell(mspack_file* f)
{
    Stream* s = streamOf(f);
    return s->fd >= 0 ? ::lseek(s->fd, 0, SEEK_CUR) : off_t(s->position);
}

void sysMessage(mspack_file*, const char*, ...) {}

void* sysAlloc(mspack_system*, size_t bytes)
{
    return std::malloc(bytes);
}

void sysFree(void* p)
{
    std::free(p);
}

void sysCopy(void* src, void* dest, size_t bytes)
{
    std::memmove(dest, src, bytes);
}

mspack_system* streamSystem()
{
    static mspack_system system = {sysOpen,    sysClose, sysRead, sysWrite, sysSeek, sysTell,
                                   sysMessage, sysAlloc, sysFree, sysCopy,  nullptr};
    return &system;
}

// Expands input into output; false on any fault of either side.
bool expand(Stream& input, Stream& output)
{
    msszdd_decompressor* d = mspack_create_szdd_decompressor(streamSystem());
    if (!d)
        return false;
    const int rc = d->decompress(d, reinterpret_cast<const char*>(&input),
                                 reinterpret_cast<const char*>(&output));
    mspack_destroy_szdd_decompressor(d);
    return rc == MSPACK_ERR_OK && !input.failed && !output.failed;
}

bool usableInName(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7F && c != '/' && c != '\\' && c != ':' && c != '.';
}

} // namespace

std::optional<SzddHeader> ReadSzddHeader(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kSignature, 8) != 0 ||
        bytes[8] != 'A')
        return std::nullopt;
    SzddHeader h;
    h.missingChar = char(bytes[9]);
    h.length = std::int64_t(bytes[10]) | std::int64_t(bytes[11]) << 8 |
               std::int64_t(bytes[12]) << 16 | std::int64_t(bytes[13]) << 24;
    return h;
}

QString ExpandedName(const QString& compressedName, char missingChar)
{
    if (!compressedName.endsWith('_'))
        return compressedName;
    QString name = compressedName.left(compressedName.size() - 1);
    if (usableInName(missingChar)) {
        // The classic expander matches the case of the name.
        const bool lower = name == name.toLower();
        const char c =
            lower ? char(std::tolower(static_cast<unsigned char>(missingChar))) : missingChar;
        name += QLatin1Char(c);
    }
    while (name.endsWith('.'))
        name.chop(1);
    return name.isEmpty() || name == QLatin1String("..") ? compressedName : name;
}

std::optional<std::vector<std::uint8_t>> ExpandSzdd(std::span<const std::uint8_t> bytes,
                                                    std::int64_t limit)
{
    if (!ReadSzddHeader(bytes))
        return std::nullopt;
    std::vector<std::uint8_t> out;
    Stream input;
    input.data = bytes.data();
    input.size = std::int64_t(bytes.size());
    Stream output;
    output.out = &out;
    output.limit = limit;
    if (!expand(input, output))
        return std::nullopt;
    return out;
}

namespace {

// Opens source and reads its header into header: the failure's outcome
// when it is no file to expand.
std::optional<SzddResult> openSource(const QString& source, UniqueFd& in, SzddHeader& header)
{
    const std::optional<QString> host = DriveMap::instance().toHost(source);
    if (!host)
        return SzddResult::ReadFailed;
    in.reset(
        ::open(hostname::encode(*host).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (in.get() < 0)
        return SzddResult::ReadFailed;
    struct stat st {};
    std::uint8_t head[kHeaderSize];
    const bool plain = ::fstat(in.get(), &st) == 0 && S_ISREG(st.st_mode);
    const std::optional<SzddHeader> read =
        plain && ::pread(in.get(), head, sizeof head, 0) == ssize_t(sizeof head)
            ? ReadSzddHeader({head, sizeof head})
            : std::nullopt;
    if (!read)
        return plain ? SzddResult::NotCompressed : SzddResult::ReadFailed;
    header = *read;
    return std::nullopt;
}

mode_t creationMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Expands in (closed here) into a temporary file beside targetBytes and
// renames it over targetBytes when it holds all the header's length.
SzddResult expandInto(UniqueFd in, const QByteArray& targetBytes, std::int64_t length)
{
    QByteArray temp = targetBytes + ".$$$XXXXXX";
    UniqueFd out(::mkstemp(temp.data()));
    if (out.get() < 0)
        return SzddResult::WriteFailed;
    Stream input;
    input.fd = in.get();
    Stream output;
    output.fd = out.get();
    // The header's length is the measure: mscompress leaves a stray byte
    // after the last one, and a hostile file could go on for ever.
    output.limit = length;
    output.cutAtLimit = true;
    const bool ok = expand(input, output) && output.position == length && !output.failed;
    ::fchmod(out.get(), creationMode());
    const bool closed = ::close(out.release()) == 0;
    in.reset();
    if (ok && closed && ::rename(temp.constData(), targetBytes.constData()) == 0)
        return SzddResult::Expanded;
    ::unlink(temp.constData());
    if (input.failed)
        return SzddResult::ReadFailed;
    return output.failed && output.position < length ? SzddResult::WriteFailed
                                                     : SzddResult::Damaged;
}

} // namespace

SzddResult ExpandSzddFile(const QString& source, const QString& targetDir, bool replace,
                          QString* expandedPath)
{
    UniqueFd in;
    SzddHeader header;
    if (const std::optional<SzddResult> refused = openSource(source, in, header))
        return *refused;
    const QString target =
        dospath::join(targetDir, ExpandedName(dospath::fileName(source), header.missingChar));
    if (expandedPath)
        *expandedPath = target;
    const std::optional<QString> targetHost = DriveMap::instance().toHost(target);
    const QByteArray targetBytes = targetHost ? hostname::encode(*targetHost) : QByteArray();
    if (targetBytes.isEmpty())
        return SzddResult::WriteFailed;
    struct stat existing {};
    if (::lstat(targetBytes.constData(), &existing) == 0 && !replace)
        return SzddResult::Exists;
    return expandInto(std::move(in), targetBytes, header.length);
}

bool StoreSzddMissingChar(const QString& dosPath, char missingChar)
{
    const std::optional<QString> host = DriveMap::instance().toHost(dosPath);
    if (!host)
        return false;
    const UniqueFd fd(::open(hostname::encode(*host).constData(),
                             O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        return false;
    struct stat st {};
    std::uint8_t head[kHeaderSize];
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        ::pread(fd.get(), head, sizeof head, 0) != ssize_t(sizeof head) ||
        !ReadSzddHeader({head, sizeof head}))
        return false;
    const char held = char(head[9]);
    return held == missingChar || (held == 0 && ::pwrite(fd.get(), &missingChar, 1, 9) == 1);
}

namespace {

// The whole of a plain file of at most limit bytes, through its host path.
std::optional<QByteArray> readSmallFile(const QString& dosPath, std::int64_t limit)
{
    const std::optional<QString> host = DriveMap::instance().toHost(dosPath);
    return host ? hostfile::read(*host, limit) : std::nullopt;
}

// An SZDD file that stores every byte as a literal: a flag byte with one bit
// per byte, then up to eight bytes.
QByteArray literalSzdd(const QByteArray& data, char missingChar)
{
    QByteArray out(reinterpret_cast<const char*>(kSignature), 8);
    out += 'A';
    out += missingChar;
    const quint32 length = quint32(data.size());
    for (int shift = 0; shift < 32; shift += 8)
        out += char((length >> shift) & 0xFF);
    for (qsizetype i = 0; i < data.size(); i += 8) {
        const qsizetype n = std::min<qsizetype>(8, data.size() - i);
        out += char((1 << n) - 1);
        out += data.mid(i, n);
    }
    return out;
}

} // namespace

bool MendSzddFile(const QString& original, const QString& compressed, char missingChar)
{
    const std::optional<QString> host = DriveMap::instance().toHost(original);
    struct stat st {};
    if (!host || ::stat(hostname::encode(*host).constData(), &st) != 0)
        return false;
    if (st.st_size > kMendLimit)
        return true;
    const std::optional<QByteArray> data = readSmallFile(original, kMendLimit);
    const std::optional<QByteArray> packed = readSmallFile(compressed, 4 * kMendLimit);
    if (!data || !packed)
        return false;
    const auto expanded = ExpandSzdd(
        {reinterpret_cast<const std::uint8_t*>(packed->constData()), std::size_t(packed->size())},
        data->size() + 1);
    if (expanded && expanded->size() == std::size_t(data->size()) &&
        std::memcmp(expanded->data(), data->constData(), expanded->size()) == 0)
        return true;
    const std::optional<QString> target = DriveMap::instance().toHost(compressed);
    return target && hostfile::write(*target, literalSzdd(*data, missingChar));
}

} // namespace dovex
