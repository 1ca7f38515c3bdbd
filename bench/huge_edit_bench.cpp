// Editing a huge entry in the main window: a journal of 1,000 generated entries plus one rich entry of
// 5,000,000 characters (paragraphs of about 700 with a bold word each), selected and drawn. Three
// figures, in seconds, each the median of three windows:
//   huge_edit_start  Edit until the editor holds the body and a frame has been drawn;
//   huge_edit_type   a word typed at the end of the body, keys sent until the frame after them;
//   huge_edit_done   Done until the word is in entries.json and the read layout's frame is drawn.
// Also the longest the event loop was blocked over the three steps, the typing itself (sent in one
// go) left out (huge_edit_longest_stall). The word is checked in the file; a run where it is missing
// fails.

#include "common/BenchResults.h"
#include "common/BenchSupport.h"
#include "common/HugeEntry.h"
#include "common/JournalGenerator.h"

#include "Editor/FormattableTextEditor.h"
#include "Editor/Rtf/RtfWriter.h"
#include "Editor/VesperlogTextView.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using vsp::bench::Result;

/// Measures the longest gap between turns of the event loop while it runs.
struct StallWatch {
    QTimer timer;
    QElapsedTimer since;
    qint64 longest = 0;
    StallWatch()
    {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this] { longest = std::max(longest, since.restart()); });
        since.start();
        timer.start();
    }
};

/// Runs the event loop until `done` holds; seconds taken, -1 after ten minutes.
template <typename Done>
double until(Done done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 600000) {
            return -1;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return double(clock.nsecsElapsed()) / 1e9;
}

struct Run {
    double start = -1;
    double type = -1;
    double done = -1;
    qint64 stallMs = 0;
    bool saved = false;
};

Run editOnce(const JournalEntry& huge, const QString& word, const QString& entriesPath)
{
    JournalStore store;
    MoodStore moods;
    store.setSelectedEntryID(huge.id);
    MainWindow window(store, moods, {});
    window.resize(1440, 900);
    window.show();
    EntryDetailView& detail = *window.contentView()->detail();
    // The read layout drawn and laid out before the clock starts.
    for (int turn = 0; turn < 200; ++turn) {
        QCoreApplication::processEvents();
    }

    Run run;
    StallWatch stalls;
    QElapsedTimer clock;
    clock.start();
    detail.startEditing();
    QTextEdit* view = detail.findChild<FormattableTextEditor*>(QStringLiteral("detailBody"))->textView();
    (void)until([&] { return view->isVisible() && view->document()->characterCount() > 1000; });
    window.repaint();
    run.start = double(clock.nsecsElapsed()) / 1e9;
    // The rest of the body is laid out in the turns that follow.
    for (int turn = 0; turn < 100; ++turn) {
        QCoreApplication::processEvents();
    }

    clock.restart();
    view->setFocus();
    QTextCursor end = view->textCursor();
    end.movePosition(QTextCursor::End);
    view->setTextCursor(end);
    const QString typed = u' ' + word;
    for (const QChar c : typed) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(view, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(view, &release);
    }
    window.repaint();
    run.type = double(clock.nsecsElapsed()) / 1e9;
    // The keys above were sent in one go: the loop's stalls count from here, the editor's coalesced
    // rich-text copy (due 250 ms after the last key) included.
    const qint64 beforeTyping = stalls.longest;
    stalls.since.restart();
    stalls.longest = 0;
    (void)until([&] { return clock.elapsed() > 2000; });

    clock.restart();
    detail.saveEdits();
    (void)store.waitForSaves(600000);
    window.repaint();
    run.done = double(clock.nsecsElapsed()) / 1e9;
    QFile file(entriesPath);
    run.saved = file.open(QIODevice::ReadOnly) && file.readAll().contains(word.toUtf8());
    QCoreApplication::processEvents();
    run.stallMs = std::max(beforeTyping, stalls.longest);
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int size = vsp::bench::takeJournalSize(argc, argv, 1000);
    QApplication app(argc, argv);
    AppSettings().setHasCompletedOnboarding(true);
    QList<JournalEntry> journal = vsp::bench::generateJournal(size);
    const JournalEntry huge = vsp::bench::hugeEntry(5000000);
    journal.prepend(huge);
    const QString entriesPath = vsp::bench::installJournal(journal);
    std::vector<double> starts, types, dones;
    qint64 stall = 0;
    bool saved = true;
    for (int run = 0; run < 3; ++run) {
        const Run r = editOnce(huge, QStringLiteral("ending%1").arg(run), entriesPath);
        starts.push_back(r.start);
        types.push_back(r.type);
        dones.push_back(r.done);
        stall = std::max(stall, r.stallMs);
        saved = saved && r.saved;
    }
    const QList<Result> results = {{QStringLiteral("huge_edit_start"), size, median(starts), QStringLiteral("s"),
                                    QStringLiteral("one rich entry of 5,000,000 characters")},
                                   {QStringLiteral("huge_edit_type"), size, median(types), QStringLiteral("s"),
                                    QStringLiteral("one rich entry of 5,000,000 characters")},
                                   {QStringLiteral("huge_edit_done"), size, median(dones), QStringLiteral("s"),
                                    QStringLiteral("one rich entry of 5,000,000 characters")},
                                   {QStringLiteral("huge_edit_longest_stall"), size, double(stall) / 1000,
                                    QStringLiteral("s"), QStringLiteral("one rich entry of 5,000,000 characters")}};
    for (const Result& r : results) {
        std::printf("%-24s %6d entries  %7.3f s\n", qPrintable(r.name), size, r.value);
    }
    std::printf("word saved: %s\n", saved ? "yes" : "NO");
    return saved && vsp::bench::recordResults(results) ? 0 : 1;
}
