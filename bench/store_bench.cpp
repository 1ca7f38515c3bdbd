// The journal store on generated journals: load, save, search, streak and memory.
// Run with --journal-size=N (scripts/run-bench.sh runs 1,000, 10,000 and 50,000).

#include "common/BenchSupport.h"
#include "common/JournalGenerator.h"

#include "Model/JournalStore.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

int g_size = 10000;
QString g_path;

void BM_Load(benchmark::State& state)
{
    for (auto _ : state) {
        JournalStore store;
        benchmark::DoNotOptimize(store.entries().size());
    }
}

void BM_Save(benchmark::State& state)
{
    JournalStore store;
    const JournalEntry first = store.entries().first();
    for (auto _ : state) {
        store.toggleFavorite(first);
    }
}

void BM_SearchFiltered(benchmark::State& state)
{
    JournalStore store;
    store.setSelectedSection(NavSection::Journal);
    // Warm the folded search text the way the running app does after its first search.
    store.setSearchQuery(QStringLiteral("x"));
    benchmark::DoNotOptimize(store.filteredEntries());
    const QString queries[] = {QStringLiteral("Grateful"), QStringLiteral("river q"), QStringLiteral("überra")};
    int i = 0;
    for (auto _ : state) {
        store.setSearchQuery(queries[i++ % 3]);
        benchmark::DoNotOptimize(store.filteredEntries());
    }
}

void BM_SearchFirstKeystroke(benchmark::State& state)
{
    // The very first search after launch also folds every entry's text once.
    for (auto _ : state) {
        state.PauseTiming();
        auto store = std::make_unique<JournalStore>();
        store->setSelectedSection(NavSection::Journal);
        state.ResumeTiming();
        store->setSearchQuery(QStringLiteral("g"));
        benchmark::DoNotOptimize(store->filteredEntries());
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
}

void BM_JournalSection(benchmark::State& state)
{
    JournalStore store;
    store.setSelectedSection(NavSection::Journal);
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.filteredEntries());
    }
}

void BM_CurrentStreak(benchmark::State& state)
{
    JournalStore store;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.currentStreak());
    }
}

void BM_OnThisDay(benchmark::State& state)
{
    JournalStore store;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.onThisDayEntries());
    }
}

void BM_Memory(benchmark::State& state)
{
    // Heap held by a loaded store, with the search text folded as after the first search.
    const long long before = vsp::bench::heapInUseBytes();
    for (auto _ : state) {
        JournalStore store;
        store.setSearchQuery(QStringLiteral("x"));
        benchmark::DoNotOptimize(store.filteredEntries());
        const double held = double(vsp::bench::heapInUseBytes() - before);
        state.counters["store_MB"] = held / 1e6;
        state.counters["per_file_byte"] = held / double(QFileInfo(g_path).size());
    }
}

} // namespace

BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SearchFiltered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchFirstKeystroke)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_JournalSection)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurrentStreak)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OnThisDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memory)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    g_size = vsp::bench::takeJournalSize(argc, argv, 10000);
    QCoreApplication app(argc, argv);
    g_path = vsp::bench::installJournal(vsp::bench::generateJournal(g_size));
    std::printf("journal: %d entries, entries.json %.1f MB\n", g_size, double(QFileInfo(g_path).size()) / 1e6);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("peak memory of the process: %.1f MB\n", double(vsp::bench::peakResidentBytes()) / 1e6);
    return 0;
}
