// The entry detail in the main window over a generated journal (10,000 entries by default): selecting
// another entry whose body is 2,000 words of rich text (load and layout, and with an edit in progress
// also its commit), entering edit mode, and a keystroke in the edit layout while the floating format
// bar is shown. Targets at 10,000 entries: select ≤ 30 ms, enter edit ≤ 30 ms, keystroke ≤ 4 ms.

#include "common/BenchSupport.h"
#include "common/JournalGenerator.h"

#include "Editor/FloatingFormatBar.h"
#include "Editor/FormattableTextEditor.h"
#include "Editor/Rtf/RtfWriter.h"
#include "Editor/VesperlogTextView.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/Spring.h"
#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/MainWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

int g_size = 10000;
JournalStore* g_store = nullptr;
MainWindow* g_window = nullptr;
QUuid g_first;
QUuid g_second;

/// A 2,000-word body with headings, bold and italic words, as the editor writes it.
JournalEntry richEntry(const QString& title, int seed)
{
    static const QStringList words = {QStringLiteral("morning"), QStringLiteral("river"),  QStringLiteral("light"),
                                      QStringLiteral("thought"), QStringLiteral("garden"), QStringLiteral("letters"),
                                      QStringLiteral("quiet"),   QStringLiteral("walked")};
    QTextDocument document;
    QTextCursor cursor(&document);
    QString plain;
    for (int w = 0; w < 2000; ++w) {
        if (w % 120 == 0 && w > 0) {
            cursor.insertText(QStringLiteral("\n\n"));
            plain += QStringLiteral("\n\n");
        }
        QTextCharFormat format;
        format.setFontPointSize(w % 120 == 0 ? 26 : 15);
        format.setFontWeight((w + seed) % 17 == 0 ? QFont::Bold : QFont::Normal);
        format.setFontItalic((w + seed) % 23 == 0);
        const QString word = words[(w * 7 + seed) % words.size()] + u' ';
        cursor.insertText(word, format);
        plain += word;
    }
    JournalEntry e = JournalEntry::create();
    e.title = title;
    e.body = plain;
    e.bodyRTF = vsp::rtf::writeRtf(document);
    e.tags = {QStringLiteral("walks")};
    return e;
}

EntryDetailView& detail()
{
    return *g_window->contentView()->detail();
}

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void select(const QUuid& id)
{
    g_store->setSelectedEntryID(id);
    settle();
}

void BM_SelectAnotherEntry(benchmark::State& state)
{
    detail().commitEdits();
    bool first = true;
    for (auto _ : state) {
        select(first ? g_second : g_first);
        first = !first;
    }
}

void BM_SelectAnotherEntryWhileEditing(benchmark::State& state)
{
    // Focus mode keeps editing across the change, so each change commits an edit in progress.
    g_store->setFocusMode(true);
    bool first = true;
    for (auto _ : state) {
        select(first ? g_second : g_first);
        first = !first;
    }
    g_store->setFocusMode(false);
}

void BM_EnterEditMode(benchmark::State& state)
{
    select(g_first);
    for (auto _ : state) {
        detail().startEditing();
        settle();
        state.PauseTiming();
        detail().commitEdits();
        settle();
        state.ResumeTiming();
    }
}

void BM_KeystrokeWithFloatingBar(benchmark::State& state)
{
    select(g_first);
    detail().startEditing();
    settle();
    QTextEdit* view = detail().findChild<FormattableTextEditor*>(QStringLiteral("detailBody"))->textView();
    view->setFocus();
    QTextCursor cursor = view->textCursor();
    cursor.setPosition(200);
    cursor.setPosition(230, QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
    bool right = true;
    for (auto _ : state) {
        // Shift+arrow moves the selection's end: the bar stays up and follows it.
        QKeyEvent press(QEvent::KeyPress, right ? Qt::Key_Right : Qt::Key_Left, Qt::ShiftModifier);
        QCoreApplication::sendEvent(view, &press);
        right = !right;
    }
    if (!detail().findChild<FloatingFormatBar*>(QStringLiteral("floatingFormatBar"))->isVisible()) {
        state.SkipWithError("the floating bar was not shown");
    }
    detail().commitEdits();
}

void BM_KeystrokeTyping(benchmark::State& state)
{
    select(g_first);
    detail().startEditing();
    settle();
    QTextEdit* view = detail().findChild<FormattableTextEditor*>(QStringLiteral("detailBody"))->textView();
    view->setFocus();
    view->moveCursor(QTextCursor::End);
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(view, &press);
    }
    detail().commitEdits();
}

} // namespace

BENCHMARK(BM_SelectAnotherEntry)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SelectAnotherEntryWhileEditing)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_EnterEditMode)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_KeystrokeWithFloatingBar)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_KeystrokeTyping)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

int main(int argc, char** argv)
{
    g_size = vsp::bench::takeJournalSize(argc, argv, 10000);
    QList<JournalEntry> journal = vsp::bench::generateJournal(g_size);
    const JournalEntry a = richEntry(QStringLiteral("A long morning"), 1);
    const JournalEntry b = richEntry(QStringLiteral("Letters by the river"), 5);
    journal.prepend(b);
    journal.prepend(a);
    g_first = a.id;
    g_second = b.id;
    vsp::bench::installJournal(journal);
    QApplication app(argc, argv);
    vsp::setAnimationsEnabled(false);
    AppSettings().setHasCompletedOnboarding(true);
    JournalStore store;
    MoodStore moods;
    g_store = &store;
    MainWindow window(store, moods, {});
    g_window = &window;
    window.resize(1440, 900);
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    store.setSelectedEntryID(g_first);
    settle();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
