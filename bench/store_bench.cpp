// The journal store on generated journals: load, save, search, streak and memory.
// Run with --journal-size=N (scripts/run-bench.sh runs 1,000, 10,000 and 50,000).

#include "common/BenchResults.h"
#include "common/BenchSupport.h"
#include "common/JournalGenerator.h"

#include "Model/JournalStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/stat.h>

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

void BM_SearchTyping(benchmark::State& state)
{
    // As the list asks while a word is typed letter by letter: positions, not copies of the entries.
    JournalStore store;
    store.setSelectedSection(NavSection::Journal);
    store.setSearchQuery(QStringLiteral("x"));
    benchmark::DoNotOptimize(store.filteredEntryIndices());
    // More queries than the store keeps answers for: every keystroke searches.
    const QString words[] = {QStringLiteral("light"), QStringLiteral("river"), QStringLiteral("coffee"),
                             QStringLiteral("garden"), QStringLiteral("morning")};
    int i = 0;
    for (auto _ : state) {
        const QString& word = words[i++ % 5];
        for (qsizetype n = 1; n <= word.size(); ++n) {
            store.setSearchQuery(word.left(n));
            benchmark::DoNotOptimize(store.filteredEntryIndices());
        }
        store.setSearchQuery(QString());
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

ino_t inodeOf(const QString& path)
{
    struct stat info { };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

struct SaveFigures {
    /// The longest time the calling (GUI) thread spent in a change and in taking in its outcome, ms.
    double stallMax = 0;
    /// The time from a change to entries.json replaced on disk, ms: the median and the longest.
    double toDisk = 0;
    double toDiskMax = 0;
};

// One change at a time, as a user makes them: the time the operation holds the thread, and the time
// until the file on disk has been replaced (an atomic write gives the file a new inode).
SaveFigures measureSaves(bool background, int rounds)
{
    JournalStore store;
    store.setBackgroundWriting(background);
    const JournalEntry first = store.entries().first();
    SaveFigures figures;
    std::vector<double> toDisks;
    for (int i = 0; i < rounds; ++i) {
        const ino_t before = inodeOf(g_path);
        QElapsedTimer clock;
        clock.start();
        store.toggleFavorite(first);
        const qint64 stall = clock.nsecsElapsed();
        while (inodeOf(g_path) == before && clock.elapsed() < 30000) {
            QThread::usleep(200);
        }
        const qint64 toDisk = clock.nsecsElapsed();
        store.waitForSaves(30000);
        // The outcome is taken in through the event loop, on the same thread.
        QElapsedTimer takeIn;
        takeIn.start();
        QCoreApplication::processEvents();
        const qint64 outcome = takeIn.nsecsElapsed();
        figures.stallMax = std::max(figures.stallMax, double(std::max(stall, outcome)) / 1e6);
        toDisks.push_back(double(toDisk) / 1e6);
    }
    std::sort(toDisks.begin(), toDisks.end());
    figures.toDisk = toDisks[toDisks.size() / 2];
    figures.toDiskMax = toDisks.back();
    return figures;
}

void reportSaves()
{
    // Before: every change encoded and wrote the journal on the GUI thread (as setBackgroundWriting(false)).
    const SaveFigures before = measureSaves(false, 5);
    const SaveFigures after = measureSaves(true, 10);
    std::printf("save_stall_max (%d entries): %.1f ms (before: %.1f ms; target 16 ms)\n", g_size, after.stallMax,
                before.stallMax);
    std::printf("save_to_disk (%d entries): median %.1f ms, longest %.1f ms (before: median %.1f ms, longest %.1f ms; "
                "target %s)\n",
                g_size, after.toDisk, after.toDiskMax, before.toDisk, before.toDiskMax,
                g_size <= 10000 ? "150 ms" : "1 s");
    vsp::bench::recordResults({{QStringLiteral("save_stall_max"), g_size, after.stallMax, QStringLiteral("ms")},
                               {QStringLiteral("save_to_disk"), g_size, after.toDisk, QStringLiteral("ms")}});
}

} // namespace

BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SearchFiltered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchTyping)->Unit(benchmark::kMillisecond);
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
    reportSaves();
    std::printf("peak memory of the process: %.1f MB\n", double(vsp::bench::peakResidentBytes()) / 1e6);
    return 0;
}
