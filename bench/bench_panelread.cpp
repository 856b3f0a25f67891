// Reading a panel of 2048 entries, and the update on activation after ten
// files appeared and ten vanished.
#include "panels/panelreader.h"
#include "platform/prompter.h"

#include "support/drivefixture.h"

#include <QFile>

#include <benchmark/benchmark.h>

using namespace dovex;

namespace {

class SilentPrompter : public Prompter {
public:
    Answer ask(Severity, const QString&, Buttons, const QString&) override { return Answer::Ok; }
};

test::DriveFixture& drive()
{
    static test::DriveFixture fixture("C");
    static bool made = false;
    if (!made) {
        for (int i = 0; i < 1000; ++i)
            fixture.directory(QStringLiteral("C:\\big\\dir%1").arg(i, 4, 10, QChar('0')));
        for (int i = 0; i < 1047; ++i)
            fixture.file(QStringLiteral("C:\\big\\file%1.txt").arg(i, 4, 10, QChar('0')), i % 97);
        made = true; // with ".." that is 2048 entries
    }
    return fixture;
}

void BM_ReadPanel2048(benchmark::State& state)
{
    drive();
    SilentPrompter prompter;
    FilePanel panel;
    panel.path = QStringLiteral("C:\\big");
    panel.sortMethod = int(state.range(0));
    for (auto _ : state) {
        readPanel(panel, prompter);
        benchmark::DoNotOptimize(panel.entries.data());
    }
    state.counters["entries"] = double(panel.entries.size());
}
BENCHMARK(BM_ReadPanel2048)->Arg(SortName)->Arg(Unsorted)->Unit(benchmark::kMillisecond);

void BM_ActivationUpdate(benchmark::State& state)
{
    test::DriveFixture& d = drive();
    SilentPrompter prompter;
    FilePanel panel;
    panel.path = QStringLiteral("C:\\big");
    for (auto _ : state) {
        state.PauseTiming();
        readPanel(panel, prompter);
        for (int i = 0; i < 10; ++i) {
            QFile::remove(
                d.host(QStringLiteral("C:\\big\\file%1.txt").arg(i * 7, 4, 10, QChar('0'))));
            d.file(QStringLiteral("C:\\big\\new%1.txt").arg(i));
        }
        int cursor = 100;
        state.ResumeTiming();
        SyncPanelEntries(panel.sortMethod, panel.entries, panel.path, cursor);
        state.PauseTiming();
        for (int i = 0; i < 10; ++i) {
            QFile::remove(d.host(QStringLiteral("C:\\big\\new%1.txt").arg(i)));
            d.file(QStringLiteral("C:\\big\\file%1.txt").arg(i * 7, 4, 10, QChar('0')));
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ActivationUpdate)->Unit(benchmark::kMillisecond);

} // namespace
