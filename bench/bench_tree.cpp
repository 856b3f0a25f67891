// The tree view's own part of a Reload: the nodes of a tree of 20,200
// directories already read (the reading is measured by tree_vs_find.sh).
#include "panels/dirtree.h"
#include "panels/ui/tdirout.h"

#include <benchmark/benchmark.h>

using namespace dovex;

namespace {

DirectoryTree makeTree()
{
    DirectoryTree tree;
    for (int a = 0; a < 200; ++a) {
        const QString top = QStringLiteral("C:\\top%1").arg(a, 3, 10, QChar('0'));
        tree.directories.push_back({top, 1});
        for (int b = 0; b < 20; ++b) {
            const QString mid = top + QStringLiteral("\\mid%1").arg(b, 2, 10, QChar('0'));
            tree.directories.push_back({mid, 2});
            for (const char* leaf : {"w", "x", "y", "z"})
                tree.directories.push_back({mid + '\\' + leaf, 3});
        }
    }
    return tree;
}

void BM_TreeFill(benchmark::State& state)
{
    const DirectoryTree tree = makeTree();
    TDirOut view;
    for (auto _ : state)
        view.fill(tree);
    state.counters["nodes"] = double(tree.directories.size());
}
BENCHMARK(BM_TreeFill)->Unit(benchmark::kMillisecond);

} // namespace
