// The sidebar on a generated journal whose entries carry 300 distinct tags: building the column, a tag
// click until the list shows the filtered rows, switching to the calendar and painting a month, and
// opening the trash sheet with 1,000 records.
// Targets with 10,000 entries: build <= 20 ms, tag click <= 16 ms, calendar <= 16 ms, trash <= 50 ms.

#include "common/BenchSupport.h"
#include "common/JournalGenerator.h"

#include "App/Application.h"
#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/Spring.h"
#include "Views/Main/EntryListView.h"
#include "Views/Main/EntryListWidget.h"
#include "Views/Sidebar/SidebarRows.h"
#include "Views/Sidebar/SidebarView.h"
#include "Views/Sidebar/TrashView.h"
#include "Widgets/ColumnVisibilityHolder.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QListView>
#include <QTest>

#include <benchmark/benchmark.h>

namespace {

constexpr int kTags = 300;
constexpr int kTrash = 1000;
/// Clicks on tag rows this far apart (prime to the number of rows), as many as make a fair average.
constexpr int kTagStride = 7;
constexpr int kTagClicks = 200;

/// Lays out what changed and paints `w` once, as the next frame would.
void paintNow(QWidget& w)
{
    // The list works out its new rows in a queued call after the store's change: that call is part of
    // what the user waits for, and runs before the next frame.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    w.repaint();
}

/// Lets everything pending happen, off the clock (deferred deletions included, as the event loop would).
void settle(QWidget& w)
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    w.repaint();
}

/// The sidebar beside the list, as in the main window.
struct Columns {
    JournalStore store;
    MoodStore moods;
    ColumnVisibilityHolder columns;
    QWidget window;
    SidebarView* sidebar;
    EntryListView* list;

    Columns()
    {
        auto* layout = new QHBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        sidebar = new SidebarView(store, moods, columns, &window);
        list = new EntryListView(store, moods, columns, {}, &window);
        sidebar->setFixedWidth(250);
        list->setFixedWidth(340);
        layout->addWidget(sidebar);
        layout->addWidget(list);
        window.resize(590, 900);
        window.show();
        settle(window);
    }
};

void BM_SidebarBuild(benchmark::State& state)
{
    JournalStore store;
    MoodStore moods;
    ColumnVisibilityHolder columns;
    for (auto _ : state) {
        SidebarView sidebar(store, moods, columns);
        sidebar.resize(250, 900);
        sidebar.show();
        paintNow(sidebar);
        state.PauseTiming();
        settle(sidebar);
        state.ResumeTiming();
    }
    state.counters["tags"] = double(store.allTags().size());
}

void BM_TagClick(benchmark::State& state)
{
    Columns c;
    SidebarRowList* tags = c.sidebar->findChild<SidebarRowList*>(QStringLiteral("tagList"));
    int i = 0;
    qint64 shown = 0;
    for (auto _ : state) {
        // Striding through the rows samples large and small tags alike, however many clicks are timed.
        const int row = int((qint64(i++) * kTagStride) % tags->items().size());
        QTest::mouseClick(tags, Qt::LeftButton, {}, tags->rowRect(row).center());
        paintNow(c.window);
        state.PauseTiming();
        shown += c.list->list()->model()->rowCount();
        settle(c.window);
        state.ResumeTiming();
    }
    state.counters["rows_shown"] = double(shown) / double(std::max(1, i));
}

void BM_CalendarSwitch(benchmark::State& state)
{
    Columns c;
    for (auto _ : state) {
        c.store.setCalendarMonth(vsp::now());
        c.store.setSelectedDate(vsp::startOfDayOf(vsp::now()));
        c.store.setShowCalendar(true);
        paintNow(*c.list);
        state.PauseTiming();
        settle(c.window);
        c.store.setShowCalendar(false);
        settle(c.window);
        state.ResumeTiming();
    }
}

void BM_TrashOpen(benchmark::State& state)
{
    Columns c;
    QList<TrashedEntry> trash;
    const EntryList& entries = c.store.entries();
    for (int i = 0; i < kTrash && i < entries.size(); ++i) {
        trash.append(TrashedEntry{entries[i], vsp::now() - i * 2000.0});
    }
    c.store.setTrashedEntries(trash);
    for (auto _ : state) {
        TrashView* sheet = c.sidebar->openTrash();
        paintNow(*sheet);
        state.PauseTiming();
        sheet->close();
        settle(c.window);
        state.ResumeTiming();
    }
    state.counters["records"] = double(c.store.trashedEntries().size());
}

} // namespace

int main(int argc, char** argv)
{
    keepLargeAllocationsInHeap();
    const int size = vsp::bench::takeJournalSize(argc, argv, 10000);
    QList<JournalEntry> journal = vsp::bench::generateJournal(size);
    // Spread 300 tags over the journal, beside the generator's own.
    for (qsizetype i = 0; i < journal.size(); ++i) {
        journal[i].tags.append(QStringLiteral("topic-%1").arg(i % kTags, 3, 10, QLatin1Char('0')));
    }
    vsp::bench::installJournal(journal);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesperlog"));
    QApplication::setOrganizationName(QStringLiteral("Vesperlog"));
    vsp::setAnimationsEnabled(false);
    AppSettings::instance().setHasCompletedOnboarding(true);
    AppSettings::instance().setDailyWordGoal(500);

    benchmark::RegisterBenchmark("SidebarBuild", BM_SidebarBuild)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("TagClick", BM_TagClick)->Unit(benchmark::kMillisecond)->Iterations(kTagClicks);
    benchmark::RegisterBenchmark("CalendarSwitch", BM_CalendarSwitch)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("TrashOpen", BM_TrashOpen)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
