// The real app on the generator's journals, driven offscreen as a user would:
// - start_to_idle: the app binary from exec until its GUI thread first rests (150 ms with nothing to
//   do) with the list painted; the median of five warm starts;
// - search_keystroke_max: the longest keystroke in the search field: the work from the key until the
//   window, with the filtered list, has been painted;
// - search_open_frame_max: the most work of one frame (from one paint of the window to the next) while
//   the search field slides in;
// - peak_rss_ratio: peak resident memory of a fresh app process after load, 20 searches and 20 saves,
//   over the size of entries.json.
// Each figure is printed next to the one measured before this benchmark's changes
// (app_bench_before.json) and merged into results.json.
//
// GUI-thread work is seen through the event dispatcher: busy from `awake` to `aboutToBlock`, so the
// 5 ms Qt waits before painting a changed window is not counted. Glib's dispatcher announces a block
// before every iteration, so the plain Unix one is used (QT_NO_GLIB=1).

#include "common/BenchResults.h"
#include "common/BenchSupport.h"
#include "common/JournalGenerator.h"

#include "App/Application.h"
#include "App/VesperlogApp.h"
#include "Model/AppNotifications.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Theme/Spring.h"
#include "Views/Main/MainWindow.h"
#include "Views/Main/SearchField.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using vsp::bench::Result;

long long nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

/// Records when the GUI thread's event loop goes to sleep and wakes up, and when the watched window
/// starts painting (Qt paints a window on QEvent::UpdateRequest, at most every 5 ms).
class LoopWatch final : public QObject {
public:
    explicit LoopWatch(QObject* window = nullptr)
    {
        auto* dispatcher = QAbstractEventDispatcher::instance();
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { m_blockedAt = nowNs(); });
        connect(dispatcher, &QAbstractEventDispatcher::awake, this, [this] {
            const long long now = nowNs();
            if (m_blockedAt >= 0) {
                m_rests.push_back({m_blockedAt, now});
                if (m_loop && now - m_blockedAt >= m_quietNs) {
                    m_loop->quit();
                }
            }
            m_blockedAt = -1;
        });
        if (window) {
            window->installEventFilter(this);
        }
    }

    /// Runs the event loop until it has rested `quietMs` at one stretch, or `maxMs` have passed.
    void runUntilQuiet(int quietMs, int maxMs = 5000)
    {
        QEventLoop loop;
        m_loop = &loop;
        m_quietNs = static_cast<long long>(quietMs) * 1000000;
        QTimer wake;
        connect(&wake, &QTimer::timeout, this, [] {});
        wake.start(quietMs + 5);
        QTimer::singleShot(maxMs, &loop, &QEventLoop::quit);
        loop.exec();
        m_loop = nullptr;
    }

    void clear()
    {
        m_rests.clear();
        m_paints.clear();
    }

    /// Milliseconds of work in [from, to): the time not spent resting.
    double busyMs(long long from, long long to) const
    {
        long long resting = 0;
        for (const auto& [blocked, awoke] : m_rests) {
            resting += std::max(0LL, std::min(awoke, to) - std::max(blocked, from));
        }
        return double(to - from - resting) / 1e6;
    }
    /// When the first paint that starts at or after `t` has finished (the loop rests next), or -1.
    long long paintedAfter(long long t) const
    {
        const auto paint = std::find_if(m_paints.cbegin(), m_paints.cend(), [t](long long p) { return p >= t; });
        if (paint == m_paints.cend()) {
            return -1;
        }
        for (const auto& rest : m_rests) {
            if (rest.first >= *paint) {
                return rest.first;
            }
        }
        return -1;
    }
    /// The work of each frame since `t`, in ms: from one paint's start to the next, and the last paint.
    std::vector<double> framesSince(long long t) const
    {
        std::vector<double> frames;
        long long from = t;
        for (const long long paint : m_paints) {
            if (paint < t) {
                continue;
            }
            if (paint > from) {
                frames.push_back(busyMs(from, paint));
            }
            from = paint;
        }
        const long long end = paintedAfter(from);
        if (end > from) {
            frames.push_back(busyMs(from, end));
        }
        return frames;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::UpdateRequest) {
            m_paints.push_back(nowNs());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::vector<std::pair<long long, long long>> m_rests;
    std::vector<long long> m_paints;
    long long m_blockedAt = -1;
    long long m_quietNs = 0;
    QEventLoop* m_loop = nullptr;
};

VesperlogApp::Options appOptions()
{
    VesperlogApp::Options options = VesperlogApp::Options::withoutDesktop();
    // As the app itself asks for the update feed: through a copy of its program.
    options.updater.feedHelper = QStringLiteral(VESPERLOG_APP_BINARY);
    return options;
}

QLineEdit* searchEdit(VesperlogApp& app)
{
    auto* field = app.mainWindow()->findChild<SearchField*>();
    return field ? field->lineEdit() : nullptr;
}

/// Median seconds from exec to the first rest of the app's GUI thread, over five starts after one
/// that warms the file cache.
double startToIdle(double* rssOut)
{
    QTemporaryDir runtime;
    std::vector<double> seconds;
    // A start that never reports going idle is shown and run again, at most three times in all.
    int failures = 0;
    for (int run = 0; run < 6; ++run) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VESPERLOG_EXIT_WHEN_IDLE"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_NO_GLIB"), QStringLiteral("1"));
        env.insert(QStringLiteral("VESPERLOG_INSTANCE_NAME"), runtime.filePath(QStringLiteral("bench.sock")));
        // Started as a user starts it: whatever the app does to its allocator, it does by itself.
        env.remove(QStringLiteral("GLIBC_TUNABLES"));
        env.remove(QStringLiteral("VESPERLOG_NO_RELAUNCH"));
        process.setProcessEnvironment(env);
        const long long start = nowNs();
        process.start(QStringLiteral(VESPERLOG_APP_BINARY), {});
        process.waitForFinished(120000);
        const QByteArray out = process.readAllStandardOutput();
        const qsizetype at = out.indexOf("idle at=");
        if (at < 0) {
            std::fprintf(stderr, "the app did not report going idle (exit code %d):\n%s\n", process.exitCode(),
                         out.constData());
            if (++failures > 3) {
                return -1;
            }
            --run;
            continue;
        }
        const QList<QByteArray> fields = out.mid(at).split('\n').value(0).split(' ');
        const long long idleAt = fields.value(1).mid(3).toLongLong();
        *rssOut = double(fields.value(2).mid(4).toLongLong());
        if (run > 0) {
            seconds.push_back(double(idleAt - start) / 1e9);
        }
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

void sendKey(QLineEdit* edit, QChar c)
{
    QKeyEvent press = c.isNull() ? QKeyEvent(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier)
                                 : QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(edit, &press);
}

/// Runs in a child process (a fresh heap): load, 20 searches, 20 saves; prints the peak RSS.
int memoryChild()
{
    keepLargeAllocationsInHeap();
    int argc = 1;
    char name[] = "bench_app";
    char* argv[] = {name, nullptr};
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesperlog"));
    QApplication::setOrganizationName(QStringLiteral("Vesperlog"));
    VesperlogApp app(appOptions());
    app.showMainWindow();
    LoopWatch watch;
    watch.runUntilQuiet(100);
    // As the app does once its window is painted.
    app.store().prepareSearch();
    watch.runUntilQuiet(100);
    Q_EMIT AppNotifications::instance().VspToggleSearch();
    watch.runUntilQuiet(100);
    QLineEdit* edit = searchEdit(app);
    const QStringList queries = {QStringLiteral("light"), QStringLiteral("river"), QStringLiteral("über"),
                                 QStringLiteral("coffee"), QStringLiteral("a")};
    for (int i = 0; i < 20; ++i) {
        edit->clear();
        for (const QChar c : queries[i % queries.size()]) {
            sendKey(edit, c);
        }
        watch.runUntilQuiet(30);
    }
    JournalStore& store = app.store();
    for (int i = 0; i < 20; ++i) {
        JournalEntry entry = store.entries().at(i % store.entries().size());
        entry.body = entry.body.toString() + QStringLiteral(" One more line.");
        store.updateEntry(entry);
        watch.runUntilQuiet(50);
    }
    // Writes handed to another thread finish before the figure is taken.
    watch.runUntilQuiet(500, 10000);
    std::printf("peak_rss=%lld\n", vsp::bench::peakResidentBytes());
    return 0;
}

double peakRssRatio(const QString& journalPath)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_NO_GLIB"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory-child")});
    process.waitForFinished(300000);
    const QByteArray out = process.readAllStandardOutput();
    const qsizetype at = out.indexOf("peak_rss=");
    if (at < 0) {
        std::fprintf(stderr, "the memory run failed:\n%s\n%s\n", out.constData(),
                     process.readAllStandardError().constData());
        return -1;
    }
    const double peak = out.mid(at + 9).split('\n').value(0).toDouble();
    return peak / double(QFileInfo(journalPath).size());
}

void print(const Result& r, const QList<Result>& before, const char* target)
{
    const Result* was = vsp::bench::findResult(before, r.name, r.entries);
    const QByteArray name = r.name.toUtf8();
    const QByteArray unit = r.unit.toUtf8();
    if (was) {
        std::printf("%-22s %6d entries  %9.3f %-5s (before %9.3f %s; target %s)\n", name.constData(), r.entries,
                    r.value, unit.constData(), was->value, unit.constData(), target);
    } else {
        std::printf("%-22s %6d entries  %9.3f %-5s (target %s)\n", name.constData(), r.entries, r.value,
                    unit.constData(), target);
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_NO_GLIB", "1");
    if (argc > 1 && qstrcmp(argv[1], "--memory-child") == 0) {
        return memoryChild();
    }
    keepLargeAllocationsInHeap();
    const int size = vsp::bench::takeJournalSize(argc, argv, 10000);
    const QString journalPath = vsp::bench::installJournal(vsp::bench::generateJournal(size));
    QList<Result> results;
    {
        QApplication qapp(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Vesperlog"));
        QApplication::setOrganizationName(QStringLiteral("Vesperlog"));
        // Written to the file at once: the app processes started below read it.
        AppSettings::instance().setHasCompletedOnboarding(true);

        double rss = 0;
        results.append({QStringLiteral("start_to_idle"), size, startToIdle(&rss), QStringLiteral("s")});

        VesperlogApp app(appOptions());
        vsp::setAnimationsEnabled(true);
        app.showMainWindow();
        LoopWatch watch(app.mainWindow());
        watch.runUntilQuiet(200);
        app.store().prepareSearch();
        watch.runUntilQuiet(200);

        // Opening the search field: every frame of its slide, from the command on.
        watch.clear();
        const long long open = nowNs();
        Q_EMIT AppNotifications::instance().VspToggleSearch();
        watch.runUntilQuiet(150);
        const std::vector<double> frames = watch.framesSince(open);
        const bool verbose = qEnvironmentVariableIsSet("VESPERLOG_BENCH_VERBOSE");
        if (verbose) {
            std::printf("search field frames (ms):");
            for (const double f : frames) {
                std::printf(" %.1f", f);
            }
            std::printf("\n");
        }
        results.append({QStringLiteral("search_open_frame_max"), size,
                        frames.empty() ? -1 : *std::max_element(frames.begin(), frames.end()), QStringLiteral("ms")});

        // Typing words and taking them back: each keystroke until the list rests again.
        QLineEdit* edit = searchEdit(app);
        double keystrokeMax = 0;
        double firstKeystroke = 0;
        const QStringList words = {QStringLiteral("light"), QStringLiteral("river"), QStringLiteral("über"),
                                   QStringLiteral("zq")};
        for (const QString& word : words) {
            QList<QChar> keys(word.cbegin(), word.cend());
            keys.append(QList<QChar>(word.size(), QChar()));
            for (const QChar key : keys) {
                watch.clear();
                const long long start = nowNs();
                sendKey(edit, key);
                watch.runUntilQuiet(60);
                const long long painted = watch.paintedAfter(start);
                const double ms = painted < 0 ? 0 : watch.busyMs(start, painted);
                const std::vector<double> stretches = watch.framesSince(start);
                if (verbose) {
                    std::printf("key %s: %.1f ms, then", key.isNull() ? "⌫" : QString(key).toUtf8().constData(), ms);
                    for (size_t i = 1; i < stretches.size(); ++i) {
                        std::printf(" %.1f", stretches[i]);
                    }
                    std::printf("\n");
                }
                if (firstKeystroke == 0) {
                    firstKeystroke = ms;
                }
                keystrokeMax = std::max(keystrokeMax, ms);
            }
        }
        std::printf("first keystroke (\"l\"): %.1f ms\n", firstKeystroke);
        results.append({QStringLiteral("search_keystroke_max"), size, keystrokeMax, QStringLiteral("ms")});
        vsp::setAnimationsEnabled(false);

        results.append({QStringLiteral("peak_rss_ratio"), size, peakRssRatio(journalPath), QStringLiteral("ratio")});
        std::printf("journal %.1f MB; rss at idle %.1f MB\n", double(QFileInfo(journalPath).size()) / 1048576.0,
                    rss / 1048576.0);
    }

    const QList<Result> before = vsp::bench::readResults(QStringLiteral(VESPERLOG_BENCH_BEFORE_FILE));
    const bool large = size >= 50000;
    print(results[0], before, large ? "<= 0.8 s" : "<= 0.25 s");
    print(results[1], before, "<= 8 ms");
    print(results[2], before, "<= 16 ms");
    print(results[3], before, "<= 2.2");
    return vsp::bench::recordResults(results) ? 0 : 1;
}
