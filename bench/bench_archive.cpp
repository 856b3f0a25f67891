// Listing a large zip: the first reading of its root, and a level change
// inside it that the record cache serves; and hostile sparse files whose
// headers claim gigabytes, which must be listed (or refused) in microseconds
// and without the peak memory of the process moving.
#include "archive/archivereaders.h"
#include "support/drivefixture.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>

#include <sys/resource.h>

using namespace dovex;

namespace {

constexpr int kDirectories = 200;
constexpr int kPerDirectory = 100;

void put(QByteArray& b, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b += char((v >> (8 * i)) & 0xFF);
}

// A zip as zip writes it for small text files: stored members with the
// extended-time extra field in both headers. With a prefix that is no UTF-8
// ("\x82" say), every name is read through code page 437.
QByteArray largeZip(const QByteArray& prefix = {})
{
    QByteArray out, central;
    const QByteArray extra("UT\x05\x00\x03\x00\x00\x00\x60", 9);
    for (int d = 0; d < kDirectories; ++d) {
        for (int f = 0; f < kPerDirectory; ++f) {
            const QByteArray name = prefix + QStringLiteral("dir%1/file%2.txt")
                                                 .arg(d, 3, 10, QChar('0'))
                                                 .arg(f, 5, 10, QChar('0'))
                                                 .toLatin1();
            const QByteArray data = name.right(9);
            const std::uint32_t offset = std::uint32_t(out.size());
            put(out, 0x04034B50, 4);
            put(out, 10, 2);
            put(out, 0, 2);
            put(out, 0, 2);
            put(out, 0x52AF1234, 4);
            put(out, 0, 4);
            put(out, std::uint32_t(data.size()), 4);
            put(out, std::uint32_t(data.size()), 4);
            put(out, std::uint32_t(name.size()), 2);
            put(out, std::uint32_t(extra.size()), 2);
            out += name + extra + data;

            put(central, 0x02014B50, 4);
            put(central, 0x031E, 2);
            put(central, 10, 2);
            put(central, 0, 2);
            put(central, 0, 2);
            put(central, 0x52AF1234, 4);
            put(central, 0, 4);
            put(central, std::uint32_t(data.size()), 4);
            put(central, std::uint32_t(data.size()), 4);
            put(central, std::uint32_t(name.size()), 2);
            put(central, std::uint32_t(extra.size()), 2);
            put(central, 0, 2);
            put(central, 0, 2);
            put(central, 0, 2);
            put(central, 0x81A40000, 4);
            put(central, offset, 4);
            central += name + extra;
        }
    }
    const std::uint32_t cdOffset = std::uint32_t(out.size());
    out += central;
    put(out, 0x06054B50, 4);
    put(out, 0, 4);
    put(out, kDirectories * kPerDirectory, 2);
    put(out, kDirectories * kPerDirectory, 2);
    put(out, std::uint32_t(central.size()), 4);
    put(out, cdOffset, 4);
    put(out, 0, 2);
    return out;
}

struct LargeZip {
    LargeZip()
    {
        drives.file(QStringLiteral("C:\\large.zip"), 0, largeZip());
        drives.file(QStringLiteral("C:\\cp437.zip"), 0, largeZip("\x82"));
    }
    test::DriveFixture drives;
};

LargeZip& fixture()
{
    static LargeZip zip;
    return zip;
}

void BM_ListZipRoot(benchmark::State& state)
{
    fixture();
    PanelEntries entries;
    for (auto _ : state) {
        InvalidateArchiveCache();
        benchmark::DoNotOptimize(ListArchiveDirectory("C:\\large.zip", "", "*.*", entries));
    }
    state.counters["entries"] = double(entries.size());
}
BENCHMARK(BM_ListZipRoot)->Unit(benchmark::kMillisecond);

// The same archive with names in code page 437, as DOS tools wrote them.
void BM_ListCp437ZipRoot(benchmark::State& state)
{
    fixture();
    PanelEntries entries;
    for (auto _ : state) {
        InvalidateArchiveCache();
        benchmark::DoNotOptimize(ListArchiveDirectory("C:\\cp437.zip", "", "*.*", entries));
    }
    state.counters["entries"] = double(entries.size());
}
BENCHMARK(BM_ListCp437ZipRoot)->Unit(benchmark::kMillisecond);

void BM_CachedLevelChange(benchmark::State& state)
{
    fixture();
    PanelEntries entries;
    InvalidateArchiveCache();
    ListArchiveDirectory("C:\\large.zip", "", "*.*", entries);
    int d = 0;
    for (auto _ : state) {
        const QString level = QStringLiteral("dir%1").arg(d, 3, 10, QChar('0'));
        benchmark::DoNotOptimize(ListArchiveDirectory("C:\\large.zip", level, "*.*", entries));
        d = (d + 37) % kDirectories;
    }
    state.counters["entries"] = double(entries.size());
}
BENCHMARK(BM_CachedLevelChange)->Unit(benchmark::kMillisecond);

// A 3 GB sparse file: a local header, then nothing but the end record of a
// central directory that claims almost all of the file and 65,535 entries.
struct HugeSparse {
    HugeSparse()
    {
        drives.file(QStringLiteral("C:\\huge.zip"), 0, "PK\x03\x04");
        QFile f(drives.host(QStringLiteral("C:\\huge.zip")));
        f.open(QIODevice::ReadWrite);
        f.resize(kSize);
        f.seek(kSize - 22);
        QByteArray end;
        put(end, 0x06054B50, 4);
        put(end, 0, 4);
        put(end, 0xFFFF, 2);
        put(end, 0xFFFF, 2);
        put(end, 0xB0000000, 4); // the directory's size
        put(end, 0x100, 4);      // and offset
        put(end, 0, 2);
        f.write(end);
    }
    static constexpr qint64 kSize = 3'000'000'000LL;
    test::DriveFixture drives;
};

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void BM_HugeSparseZipClaim(benchmark::State& state)
{
    static HugeSparse huge;
    PanelEntries entries;
    const long before = peakKilobytes();
    for (auto _ : state) {
        InvalidateArchiveCache();
        benchmark::DoNotOptimize(ListArchiveDirectory("C:\\huge.zip", "", "*.*", entries));
    }
    state.counters["peak_growth_kb"] = double(peakKilobytes() - before);
}
BENCHMARK(BM_HugeSparseZipClaim)->Unit(benchmark::kMicrosecond);

} // namespace
