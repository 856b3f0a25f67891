// Sorting a full panel and drawing a screen of rows, the two costs paid at
// every re-read and every repaint of a panel.
#include "panels/filetypetable.h"
#include "panels/sorting.h"
#include "panels/ui/rowpainter.h"
#include "platform/dosattr.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <random>

using namespace dovex;

namespace {

PanelEntries makeEntries(int count)
{
    static const char* const exts[] = {".txt", ".doc", ".zip", ".exe",  ".c",
                                       ".h",   "",     ".dat", ".jpeg", ".xls"};
    std::mt19937 rng(7);
    PanelEntries entries;
    entries.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        PanelEntry e;
        e.name = QStringLiteral("File_%1%2").arg(rng() % 100000).arg(exts[rng() % 10]);
        e.size = std::int64_t(rng() % 50'000'000);
        e.dosDateTime = std::uint32_t(rng());
        e.attributes = faArchive;
        entries.push_back(std::move(e));
    }
    return entries;
}

void BM_SortRange(benchmark::State& state)
{
    const int method = int(state.range(0));
    const PanelEntries original = makeEntries(kPanelCapacity);
    for (auto _ : state) {
        state.PauseTiming();
        PanelEntries entries = original;
        state.ResumeTiming();
        sortRange(entries, 0, int(entries.size()) - 1, method);
        benchmark::DoNotOptimize(entries.data());
    }
}
BENCHMARK(BM_SortRange)
    ->Arg(SortName)
    ->Arg(SortExtension)
    ->Arg(SortDateTime)
    ->Arg(SortSize)
    ->Unit(benchmark::kMicrosecond);

void BM_DirectoriesFirst(benchmark::State& state)
{
    PanelEntries original = makeEntries(kPanelCapacity);
    for (size_t i = 0; i < original.size(); i += 5)
        original[i].directory = true;
    for (auto _ : state) {
        state.PauseTiming();
        PanelEntries entries = original;
        state.ResumeTiming();
        directoriesFirst(entries);
        benchmark::DoNotOptimize(entries.data());
    }
}
BENCHMARK(BM_DirectoriesFirst)->Unit(benchmark::kMicrosecond);

// 40 Full rows of 18 pixels, as a maximised panel shows them.
void BM_DrawScreen(benchmark::State& state)
{
    FileTypeTable types;
    types.buildFromMimeDatabase();
    RowPainter painter(&types);
    FilePanel panel;
    panel.path = QStringLiteral("C:\\bench");
    panel.inArchive = true; // no files behind the rows: mode 1 costs its theme lookups only
    panel.entries = makeEntries(40);
    for (int i = 0; i < 40; i += 3)
        panel.entries[size_t(i)].selected = true;

    const QFont font(QStringLiteral("DejaVu Sans"), 9);
    RowOptions options;
    options.iconMode = int(state.range(0));
    options.columns = computeColumns(font, options.nameColumnChars);
    options.folderTypeText = FileTypeTable::folderTypeText();
    std::vector<QPixmap> itemIcons(40);

    QImage screen(600, 40 * 18, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&screen);
        p.setFont(font);
        for (int row = 0; row < 40; ++row)
            painter.paint(p, QRect(0, row * 18, 600, 18), panel, row, options,
                          &itemIcons[size_t(row)]);
        p.end();
        benchmark::DoNotOptimize(screen.constBits());
    }
}
BENCHMARK(BM_DrawScreen)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
