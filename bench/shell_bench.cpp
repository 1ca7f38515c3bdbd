// The application shell on a generated journal: time from process start to the first painted main
// window and the memory of the running app (by launching the real binary), one search keystroke until
// the list is painted again, and one scroll step of the list.
// Targets with 10,000 entries: start-up <= 400 ms, keystroke <= 16 ms, memory <= 3 x entries.json.

#include "common/BenchSupport.h"
#include "common/JournalGenerator.h"

#include "App/Application.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/Spring.h"
#include "Views/Main/EntryListView.h"
#include "Views/Main/EntryListWidget.h"
#include "Views/Main/SearchField.h"
#include "Widgets/ColumnVisibilityHolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

int g_size = 10000;
QString g_journalPath;

void BM_StartupToFirstPaint(benchmark::State& state)
{
    QTemporaryDir runtime;
    long long rss = 0;
    for (auto _ : state) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VESPERLOG_EXIT_AFTER_FIRST_PAINT"), QStringLiteral("1"));
        env.insert(QStringLiteral("VESPERLOG_INSTANCE_NAME"), runtime.filePath(QStringLiteral("bench.sock")));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(VESPERLOG_APP_BINARY), {});
        // The clock stops when the app reports its first paint, not when it has finished ending.
        QByteArray out;
        while (!out.contains("first paint") && process.state() != QProcess::NotRunning) {
            process.waitForReadyRead(100);
            out += process.readAllStandardOutput();
        }
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        process.waitForFinished(30000);
        out += process.readAllStandardOutput();
        if (!out.contains("first paint")) {
            state.SkipWithError("the app did not report its first paint");
            return;
        }
        state.SetIterationTime(seconds);
        const qsizetype at = out.indexOf("rss=");
        if (at >= 0) {
            rss = std::max(rss, out.mid(at + 4).trimmed().split('\n').value(0).toLongLong());
        }
    }
    const double fileBytes = double(QFileInfo(g_journalPath).size());
    state.counters["rss_MB"] = double(rss) / (1024.0 * 1024.0);
    state.counters["journal_MB"] = fileBytes / (1024.0 * 1024.0);
    state.counters["rss_per_journal"] = fileBytes > 0 ? double(rss) / fileBytes : 0;
}

/// The list column of the main window at its usual size, shown offscreen.
struct ListColumn {
    JournalStore store;
    MoodStore moods;
    ColumnVisibilityHolder columns;
    EntryListView view{store, moods, columns, {}};

    ListColumn()
    {
        store.setSelectedSection(NavSection::Journal);
        view.resize(340, 860);
        view.show();
        settle();
    }
    void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        view.list()->viewport()->repaint();
    }
};

void BM_SearchKeystroke(benchmark::State& state)
{
    // As the app runs it: rows move when a keystroke changes the list by a few rows.
    const bool animated = state.range(0) != 0;
    vsp::setAnimationsEnabled(animated);
    ListColumn column;
    column.view.setShowSearch(true);
    column.settle();
    QLineEdit* edit = column.view.findChild<SearchField*>(QStringLiteral("searchField"))->lineEdit();
    // Typing a word and taking it back again: every step is one keystroke.
    const QString word = QStringLiteral("river");
    int step = 0;
    for (auto _ : state) {
        const int phase = step++ % (2 * int(word.size()));
        QKeyEvent press = phase < word.size()
                              ? QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(word[phase]))
                              : QKeyEvent(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        QCoreApplication::sendEvent(edit, &press);
        column.settle();
    }
    state.counters["rows_shown"] = double(column.view.list()->model()->rowCount());
    vsp::setAnimationsEnabled(false);
}

void BM_ScrollStep(benchmark::State& state)
{
    ListColumn column;
    QScrollBar* bar = column.view.list()->verticalScrollBar();
    int direction = 1;
    for (auto _ : state) {
        const int next = bar->value() + direction * 120;
        if (next >= bar->maximum() || next <= 0) {
            direction = -direction;
        }
        bar->setValue(std::clamp(next, 0, bar->maximum()));
        column.view.list()->viewport()->repaint();
    }
}

} // namespace

int main(int argc, char** argv)
{
    keepLargeAllocationsInHeap();
    g_size = vsp::bench::takeJournalSize(argc, argv, 10000);
    g_journalPath = vsp::bench::installJournal(vsp::bench::generateJournal(g_size));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesperlog"));
    QApplication::setOrganizationName(QStringLiteral("Vesperlog"));
    vsp::setAnimationsEnabled(false);
    AppSettings::instance().setHasCompletedOnboarding(true);

    benchmark::RegisterBenchmark("StartupToFirstPaint", BM_StartupToFirstPaint)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
    benchmark::RegisterBenchmark("SearchKeystroke", BM_SearchKeystroke)
        ->ArgName("animated")
        ->Arg(0)
        ->Arg(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ScrollStep", BM_ScrollStep)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
