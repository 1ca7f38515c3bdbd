// The main window's first frame with a huge entry selected, over a generated diary journal (10,000
// entries by default) plus one entry of rich text written as the editor writes it: paragraphs of about 700
// characters with a bold word each, 100,000 / 1,000,000 / 5,000,000 characters long. Each figure is the
// time from building the window (the journal already loaded, the entry selected) through show() to the
// end of the first frame that draws the entry's body, in seconds, the median of five windows; target
// ≤ 0.3 s whatever the size. The same for 1,000,000 and 5,000,000 characters without a single line break.
// Merged into results.json as first_paint_100k_entry, first_paint_1m_entry, first_paint_5m_entry,
// first_paint_1m_one_paragraph and first_paint_5m_one_paragraph.

#include "common/BenchResults.h"
#include "common/BenchSupport.h"
#include "common/HugeEntry.h"
#include "common/JournalGenerator.h"

#include "Editor/Rtf/RtfWriter.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/Spring.h"
#include "Views/Detail/BodyTextView.h"
#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

namespace {

using vsp::bench::Result;

/// Seconds from building the main window over the installed journal, `selected` chosen, to the end of
/// its first frame with the body drawn; -1 when no such frame came within ten minutes.
double firstPaint(const QUuid& selected)
{
    JournalStore store;
    MoodStore moods;
    store.setSelectedEntryID(selected);
    QEventLoop loop;
    qint64 painted = -1;
    QElapsedTimer clock;
    // Every widget of a frame paints within one event; the first turn of the loop after the body's first
    // paint comes once that frame is done.
    struct PaintWatch final : QObject {
        std::function<void()> onPaint;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint && onPaint) {
                QTimer::singleShot(0, this, std::exchange(onPaint, nullptr));
            }
            return QObject::eventFilter(watched, event);
        }
    } watch;
    watch.onPaint = [&] {
        painted = clock.nsecsElapsed();
        loop.quit();
    };
    clock.start();
    MainWindow window(store, moods, {});
    window.contentView()
        ->detail()
        ->findChild<BodyTextView*>(QStringLiteral("detailBodyText"))
        ->installEventFilter(&watch);
    window.resize(1440, 900);
    window.show();
    QTimer::singleShot(600000, &loop, &QEventLoop::quit);
    loop.exec();
    return painted < 0 ? -1 : double(painted) / 1e9;
}

/// The median of five first paints with an entry of `characters`, broken as `breaks` says, selected in a
/// journal of `size`.
double medianFirstPaint(int size, qsizetype characters, vsp::bench::Breaks breaks)
{
    QList<JournalEntry> journal = vsp::bench::generateJournal(size, 42, vsp::bench::Mix::Diary);
    const JournalEntry huge = vsp::bench::hugeEntry(characters, breaks);
    journal.prepend(huge);
    vsp::bench::installJournal(journal);
    std::vector<double> seconds;
    for (int run = 0; run < 5; ++run) {
        seconds.push_back(firstPaint(huge.id));
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int size = vsp::bench::takeJournalSize(argc, argv, 10000);
    QApplication app(argc, argv);
    AppSettings().setHasCompletedOnboarding(true);
    using vsp::bench::Breaks;
    const struct {
        const char* name;
        qsizetype characters;
        Breaks breaks;
        const char* mix;
    } cases[] = {
        {"first_paint_100k_entry", 100000, Breaks::Paragraphs, "diary, one rich entry of 100,000 characters selected"},
        {"first_paint_1m_entry", 1000000, Breaks::Paragraphs, "diary, one rich entry of 1,000,000 characters selected"},
        {"first_paint_5m_entry", 5000000, Breaks::Paragraphs, "diary, one rich entry of 5,000,000 characters selected"},
        {"first_paint_1m_one_paragraph", 1000000, Breaks::OneParagraph,
         "diary, one rich entry of 1,000,000 characters on one line selected"},
        {"first_paint_5m_one_paragraph", 5000000, Breaks::OneParagraph,
         "diary, one rich entry of 5,000,000 characters on one line selected"}};
    QList<Result> results;
    for (const auto& c : cases) {
        const Result r{QString::fromLatin1(c.name),
                       size,
                       medianFirstPaint(size, c.characters, c.breaks),
                       QStringLiteral("s"),
                       QString::fromLatin1(c.mix),
                       QStringLiteral("<= 0.3 s")};
        vsp::bench::printResult(r);
        results.append(r);
    }
    return vsp::bench::recordResults(results) ? 0 : 1;
}
