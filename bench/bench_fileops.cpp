// Copying one 64 MiB file and a tree of 1,000 small files with the engines
// the panels use, on a temporary drive pair (set TMPDIR to measure another
// file system, /dev/shm for the engine's own cost).
#include "fileops/copyengine.h"
#include "fileops/deleteengine.h"
#include "fileops/operationstate.h"
#include "platform/progresssink.h"
#include "platform/prompter.h"

#include "support/drivefixture.h"

#include <QDir>

#include <benchmark/benchmark.h>

using namespace dovex;

namespace {

class SilentPrompter : public Prompter {
public:
    Answer ask(Severity, const QString&, Buttons, const QString&) override { return Answer::Yes; }
};

class NullSink : public ProgressSink {
public:
    void setLabels(const QString&, const QString&) override {}
    void setPercent(int) override {}
    bool abortRequested() override { return false; }
};

test::DriveFixture& drives()
{
    static test::DriveFixture fixture("CD");
    static bool made = false;
    if (!made) {
        fixture.file(QStringLiteral("C:\\big\\one.bin"), 64 * 1024 * 1024);
        for (int d = 0; d < 10; ++d)
            for (int f = 0; f < 100; ++f)
                fixture.file(QStringLiteral("C:\\tree\\d%1\\f%2.dat").arg(d).arg(f),
                             1 + (d * 100 + f) * 37 % 8192);
        made = true;
    }
    return fixture;
}

void removeCopy(const QString& dosPath)
{
    const QString host = drives().host(dosPath);
    QDir(host).removeRecursively();
    QFile::remove(host);
}

void BM_CopyOneFile64MiB(benchmark::State& state)
{
    drives();
    SilentPrompter prompter;
    NullSink sink;
    for (auto _ : state) {
        OperationState op(prompter, sink);
        op.totalBytes = 64 * 1024 * 1024;
        op.startCounting();
        if (!CopyOneFile(op, QStringLiteral("C:\\big\\one.bin"), QStringLiteral("D:\\one.bin")))
            state.SkipWithError("copy failed");
        state.PauseTiming();
        removeCopy(QStringLiteral("D:\\one.bin"));
        state.ResumeTiming();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * 64 * 1024 * 1024);
}
BENCHMARK(BM_CopyOneFile64MiB)->Unit(benchmark::kMillisecond);

// A 4 GiB file with 1 MiB of data in four places: the copy moves the data
// and steps over the holes, so it takes milliseconds and stays small.
void BM_CopySparse4GiB(benchmark::State& state)
{
    drives();
    const QString source = QStringLiteral("C:\\sparse.img");
    const std::int64_t size = 4LL * 1024 * 1024 * 1024;
    {
        QFile f(drives().host(source));
        f.open(QIODevice::WriteOnly);
        const QByteArray block(256 * 1024, 'x');
        for (int i = 0; i < 4; ++i) {
            f.seek(size / 4 * i);
            f.write(block);
        }
        f.resize(size);
    }
    SilentPrompter prompter;
    NullSink sink;
    for (auto _ : state) {
        OperationState op(prompter, sink);
        op.totalBytes = size;
        op.startCounting();
        if (!CopyOneFile(op, source, QStringLiteral("D:\\sparse.img")))
            state.SkipWithError("copy failed");
        state.PauseTiming();
        removeCopy(QStringLiteral("D:\\sparse.img"));
        state.ResumeTiming();
    }
    removeCopy(source);
}
BENCHMARK(BM_CopySparse4GiB)->Unit(benchmark::kMillisecond);

void BM_CopyTree1000Files(benchmark::State& state)
{
    drives();
    SilentPrompter prompter;
    NullSink sink;
    for (auto _ : state) {
        OperationState op(prompter, sink);
        op.startCounting();
        CopyTree(op, QStringLiteral("C:\\tree"), QStringLiteral("D:\\tree"));
        if (op.notDone != 0)
            state.SkipWithError("tree copy incomplete");
        state.PauseTiming();
        removeCopy(QStringLiteral("D:\\tree"));
        state.ResumeTiming();
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * 1000);
}
BENCHMARK(BM_CopyTree1000Files)->Unit(benchmark::kMillisecond);

void BM_DeleteTree1000Files(benchmark::State& state)
{
    drives();
    SilentPrompter prompter;
    NullSink sink;
    for (auto _ : state) {
        state.PauseTiming();
        {
            OperationState fill(prompter, sink);
            CopyTree(fill, QStringLiteral("C:\\tree"), QStringLiteral("D:\\tree"));
        }
        OperationState op(prompter, sink);
        op.byteMode = false;
        op.startCounting();
        state.ResumeTiming();
        DeleteTree(op, QStringLiteral("D:\\tree"));
        if (op.notDone != 0)
            state.SkipWithError("tree delete incomplete");
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * 1000);
}
BENCHMARK(BM_DeleteTree1000Files)->Unit(benchmark::kMillisecond);

} // namespace
