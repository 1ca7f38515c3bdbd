// Export (JSON and Markdown), import and the daily backup on generated journals.
// Run with --journal-size=N (scripts/run-bench.sh runs 1,000, 10,000 and 50,000).

#include "common/BenchSupport.h"
#include "common/JournalGenerator.h"

#include "Model/EntryCodec.h"
#include "Model/FileChooser.h"
#include "Model/FileIO.h"
#include "Model/JournalStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

int g_size = 10000;
QString g_exportPath;
QString g_importPath;

class FixedChooser final : public FileChooser {
public:
    std::optional<QString> chooseExportDestination(JournalStore::ExportFormat, const QString&) override
    {
        return g_exportPath;
    }
    std::optional<QString> chooseImportFile(const QString&, const QString&) override { return g_importPath; }
};

void BM_ExportJson(benchmark::State& state)
{
    JournalStore store;
    FixedChooser chooser;
    store.setFileChooser(&chooser);
    for (auto _ : state) {
        store.exportEntries(JournalStore::ExportFormat::Json);
    }
    state.counters["file_MB"] = double(QFileInfo(g_exportPath).size()) / 1e6;
}

void BM_ExportMarkdown(benchmark::State& state)
{
    JournalStore store;
    FixedChooser chooser;
    store.setFileChooser(&chooser);
    for (auto _ : state) {
        store.exportEntries(JournalStore::ExportFormat::Markdown);
    }
    state.counters["file_MB"] = double(QFileInfo(g_exportPath).size()) / 1e6;
}

void BM_Backup(benchmark::State& state)
{
    JournalStore store;
    for (auto _ : state) {
        store.performAutoBackup();
    }
}

// Importing the whole journal into an empty one: decode, merge, sort and save.
void BM_ImportIntoEmptyJournal(benchmark::State& state)
{
    const QString entries = JournalStore::storeFolder() + QStringLiteral("/entries.json");
    const QString saved = entries + QStringLiteral(".bench");
    QFile::remove(saved);
    QFile::rename(entries, saved);
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(entries);
        auto store = std::make_unique<JournalStore>();
        FixedChooser chooser;
        store->setFileChooser(&chooser);
        state.ResumeTiming();
        store->importEntries();
        state.PauseTiming();
        benchmark::DoNotOptimize(store->entries().size());
        store.reset();
        state.ResumeTiming();
    }
    QFile::remove(entries);
    QFile::rename(saved, entries);
}

// Importing a backup of the same journal: everything is known, nothing is written.
void BM_ImportNothingNew(benchmark::State& state)
{
    JournalStore store;
    FixedChooser chooser;
    store.setFileChooser(&chooser);
    for (auto _ : state) {
        store.importEntries();
    }
}

} // namespace

BENCHMARK(BM_ExportJson)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ExportMarkdown)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ImportIntoEmptyJournal)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ImportNothingNew)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char** argv)
{
    g_size = vsp::bench::takeJournalSize(argc, argv, 10000);
    QCoreApplication app(argc, argv);
    const QList<JournalEntry> journal = vsp::bench::generateJournal(g_size);
    const QString entriesPath = vsp::bench::installJournal(journal);
    QTemporaryDir out;
    qputenv("HOME", QFile::encodeName(out.path()));
    qputenv("XDG_DOCUMENTS_DIR", QFile::encodeName(out.path() + QStringLiteral("/Documents")));
    g_exportPath = out.path() + QStringLiteral("/export");
    g_importPath = out.path() + QStringLiteral("/backup.json");
    vsp::writeFileAtomically(g_importPath, vsp::encodeEntries(journal, {.dates = vsp::DateEncoding::ISO8601}).bytes);
    std::printf("journal: %d entries, entries.json %.1f MB\n", g_size, double(QFileInfo(entriesPath).size()) / 1e6);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
