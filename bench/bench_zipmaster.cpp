// The internal zip adding a tree of 3,000 files (about 200 MB, text and
// binary mixed) at level 6 and extracting it again. bench/zipmaster_vs_zip.sh
// sets the same tree against "zip -r -6" and "unzip" as whole processes.
// DOVEX_BENCH_TREE_MB scales the tree down for a quick run; DOVEX_BENCH_TREE
// names a tree made elsewhere (the script's) to use instead.
#include "archive/zipmaster.h"
#include "support/drivefixture.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

using namespace dovex;

namespace {

constexpr int kFiles = 3000;

void writeFile(const QByteArray& path, const QByteArray& data)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        std::abort();
    if (::write(fd, data.constData(), data.size()) != data.size())
        std::abort();
    ::close(fd);
}

// Text that compresses like source code, and bytes that do not compress.
QByteArray content(int index, std::int64_t size)
{
    QByteArray b;
    b.reserve(size);
    std::uint32_t x = 2463534242u + std::uint32_t(index);
    const bool binary = index % 3 == 0;
    static const char* words[] = {"int ",     "return ", "value", "(",       ");\n", "if ",
                                  "else ",    "for ",    "    ",  "name",    "= ",   "const ",
                                  "QString ", "{\n",     "}\n",   "// the ", "size", "+ 1"};
    while (b.size() < size) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        if (binary)
            b.append(reinterpret_cast<const char*>(&x), 4);
        else
            b.append(words[x % 18]);
    }
    b.truncate(size);
    return b;
}

// Builds the tree under the fixture's C:\tree once.
struct Tree {
    Tree()
    {
        if (const char* given = std::getenv("DOVEX_BENCH_TREE")) {
            const QByteArray link = drives.host(QStringLiteral("C:\\tree")).toLocal8Bit();
            // The tree is copied in as hard links where it can be, so that
            // both sides read the same bytes from the same disk.
            if (std::system(("cp -al '" + QByteArray(given) + "' '" + link +
                             "' 2>/dev/null || cp -a '" + QByteArray(given) + "' '" + link + "'")
                                .constData()) != 0)
                std::abort();
            return;
        }
        const char* mb = std::getenv("DOVEX_BENCH_TREE_MB");
        const std::int64_t total = std::int64_t(mb ? std::atoi(mb) : 200) << 20;
        const QByteArray root = drives.host(QStringLiteral("C:\\tree")).toLocal8Bit();
        ::mkdir(root.constData(), 0755);
        for (int d = 0; d < 30; ++d)
            ::mkdir(root + "/dir" + QByteArray::number(d), 0755);
        // Sizes from a few bytes to a few megabytes, summing to the total.
        std::uint32_t x = 12345;
        std::vector<std::int64_t> sizes(kFiles);
        std::int64_t sum = 0;
        for (int i = 0; i < kFiles; ++i) {
            x = x * 1103515245u + 12345u;
            sizes[i] = 1 + (x >> 8) % 1000 * (i % 50 == 0 ? 50 : 1) * ((x >> 20) % 4 + 1);
            sum += sizes[i];
        }
        for (int i = 0; i < kFiles; ++i) {
            const std::int64_t size = sizes[i] * total / sum;
            writeFile(root + "/dir" + QByteArray::number(i % 30) + "/file" + QByteArray::number(i) +
                          ".dat",
                      content(i, size));
        }
    }
    test::DriveFixture drives;
};

Tree& tree()
{
    static Tree t;
    return t;
}

void BM_ZipMasterAdd(benchmark::State& state)
{
    Tree& t = tree();
    for (auto _ : state) {
        state.PauseTiming();
        ::unlink(t.drives.host(QStringLiteral("C:\\tree.zip")).toLocal8Bit().constData());
        state.ResumeTiming();
        TZipMaster zip;
        zip.ZipFilename = QStringLiteral("C:\\tree.zip");
        zip.BaseDir = QStringLiteral("C:\\tree");
        zip.AddCompLevel = 6;
        zip.AddOptions = {AddOptsEnum::AddDirNames, AddOptsEnum::AddRecurseDirs};
        zip.FSpecArgs = QStringList{QStringLiteral("*.*")};
        if (zip.Add() != kFiles)
            state.SkipWithError("not every file was added");
    }
}
BENCHMARK(BM_ZipMasterAdd)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_ZipMasterExtract(benchmark::State& state)
{
    Tree& t = tree();
    if (!QFile::exists(t.drives.host(QStringLiteral("C:\\tree.zip")))) {
        TZipMaster zip;
        zip.ZipFilename = QStringLiteral("C:\\tree.zip");
        zip.BaseDir = QStringLiteral("C:\\tree");
        zip.AddCompLevel = 6;
        zip.AddOptions = {AddOptsEnum::AddDirNames, AddOptsEnum::AddRecurseDirs};
        zip.FSpecArgs = QStringList{QStringLiteral("*.*")};
        zip.Add();
    }
    static int run = 0;
    for (auto _ : state) {
        // A fresh directory each time: creating files where thousands were
        // just deleted costs ext4 far more than the extraction itself.
        const QString out = QStringLiteral("C:\\out%1").arg(++run);
        state.PauseTiming();
        QDir().mkpath(t.drives.host(out));
        state.ResumeTiming();
        TZipMaster zip;
        zip.ZipFilename = QStringLiteral("C:\\tree.zip");
        zip.ExtrBaseDir = out;
        zip.ExtrOptions = {ExtrOptsEnum::ExtrDirNames, ExtrOptsEnum::ExtrOverWrite};
        if (zip.Extract() != kFiles)
            state.SkipWithError("not every file was extracted");
    }
}
BENCHMARK(BM_ZipMasterExtract)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace
