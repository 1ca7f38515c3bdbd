// The real app on the generator's journals ("--mix=diary", the default, or "--mix=long"), driven
// offscreen as a user would, every figure from the input event until the GUI thread rests again:
// - start_to_idle: the app binary from exec until its GUI thread first rests (150 ms with nothing to
//   do) with the list painted; the median of five warm starts;
// - search_open_frame_max: the most work of one frame (from one paint of the window to the next) while
//   the search field slides in;
// - search_keystroke_max: the longest keystroke in the search field, the first included: the work from
//   the key until the window, with the filtered list, has been painted;
// - change_stall_max: the longest stretch the GUI thread is busy without a break after a change to the
//   selected entry: Ctrl+Shift+F (favourite), "Archive" in the detail's menu, a tag typed with Return,
//   "Move to Trash" in the delete question;
// - entry_switch_stretch_max: the longest busy stretch after a click on another entry's row, until the
//   detail and its photos have been shown; once over entries without photos, once ("…, photos") over
//   entries with two camera-sized photos each;
// - edit_switch_frame: with words typed into the selected entry's in-place edit, a click on another
//   row until the window has painted the other entry (the work in between, the save included);
// - peak_rss_ratio: peak resident memory of a fresh app process after load, 20 searches and 20 saves,
//   over the size of entries.json;
// - rss_settled_mb: the resident memory of the app binary 5 s after its window was first painted, with
//   whatever it warms up by then (the sound plugins wait until a Voice button or voice note shows);
// - search_open_stretch_max: the longest busy stretch from the search command until the window rests;
// - change_stall_max_favourite, …_archive, …_tag_done, …_trash: change_stall_max for each kind of
//   change alone, over ten changes or more each;
// - rss_after_first_edit_mb: the resident memory of a fresh app (in this program) 2 s after the first
//   Edit and Done, which follows 5 s after its window was first painted;
// - journal_write_ms: from a change (a favourite, through the store) until entries.json has been
//   replaced; the median of ten.
// Each figure is printed beside its target (for the diary mix) and, for the long mix, the figure measured
// before the list and search rework (app_bench_before.json); all are merged into results.json.
//
// GUI-thread work is seen through the event dispatcher: busy from the end of a rest (`awake`, or the
// first event a timer or socket delivers after the sleep) to `aboutToBlock`, so the 5 ms Qt waits before
// painting a changed window is not counted. Glib's dispatcher announces a block
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
#include "Views/Main/EntryListModel.h"
#include "Views/Main/EntryListWidget.h"
#include "Views/Main/MainWindow.h"
#include "Views/Main/SearchField.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

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
///
/// The dispatcher announces `awake` at the start of its next turn, after it has already run the timers
/// and socket notifiers that woke it: a rest ends at whichever comes first, `awake` or the first event
/// delivered on this thread (seen through an application-wide event filter). Otherwise the work of a
/// timer (an answer to a question, an animation step, a deferred layout) would count as rest.
class LoopWatch final : public QObject {
public:
    explicit LoopWatch(QObject* window = nullptr) : m_window(window)
    {
        auto* dispatcher = QAbstractEventDispatcher::instance();
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { m_blockedAt = nowNs(); });
        connect(dispatcher, &QAbstractEventDispatcher::awake, this, [this] { endRest(); });
        QCoreApplication::instance()->installEventFilter(this);
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
    /// The longest stretch of work without a rest from `t` on, in ms (the loop rests at the end of a run).
    double longestStretchMs(long long t) const
    {
        long long longest = 0;
        long long from = t;
        for (const auto& [blocked, awoke] : m_rests) {
            if (awoke <= t) {
                continue;
            }
            longest = std::max(longest, blocked - from);
            from = std::max(from, awoke);
        }
        return double(longest) / 1e6;
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
        endRest();
        if (watched == m_window && event->type() == QEvent::UpdateRequest) {
            m_paints.push_back(nowNs());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void endRest()
    {
        if (m_blockedAt < 0) {
            return;
        }
        const long long now = nowNs();
        m_rests.push_back({m_blockedAt, now});
        if (m_loop && now - m_blockedAt >= m_quietNs) {
            m_loop->quit();
        }
        m_blockedAt = -1;
    }

    QObject* m_window;
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

/// Runs `body` on a fresh app whose window was just shown, in a child process of this program.
int runChild(const std::function<void(VesperlogApp& app, LoopWatch& watch)>& body)
{
    int argc = 1;
    char name[] = "bench_app";
    char* argv[] = {name, nullptr};
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesperlog"));
    QApplication::setOrganizationName(QStringLiteral("Vesperlog"));
    VesperlogApp app(appOptions());
    app.showMainWindow();
    LoopWatch watch;
    body(app, watch);
    return 0;
}

/// What this program prints when started with `flag` (a child of runChild()).
QByteArray childOutput(const char* flag)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_NO_GLIB"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    process.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(flag)});
    process.waitForFinished(300000);
    const QByteArray out = process.readAllStandardOutput();
    if (process.exitCode() != 0 || out.isEmpty()) {
        std::fprintf(stderr, "the %s run failed:\n%s\n%s\n", flag, out.constData(),
                     process.readAllStandardError().constData());
    }
    return out;
}

/// Runs in a child process (a fresh heap): load, 20 searches, 20 saves; prints the peak RSS.
void memoryChild(VesperlogApp& app, LoopWatch& watch)
{
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
}

/// Runs in a child process: the window, 5 s, then the first Edit and Done on the selected entry, 2 s;
/// prints the resident memory at both moments.
void firstEditChild(VesperlogApp& app, LoopWatch& watch)
{
    const auto waitMs = [&](int ms) {
        const long long until = nowNs() + static_cast<long long>(ms) * 1000000;
        while (nowNs() < until) {
            watch.runUntilQuiet(50, int((until - nowNs()) / 1000000) + 1);
        }
    };
    waitMs(5000);
    std::printf("settled_rss=%lld\n", vsp::bench::currentResidentBytes());
    QWidget* window = app.mainWindow();
    window->activateWindow();
    QTest::keyClick(window, Qt::Key_E, Qt::ControlModifier);
    waitMs(300);
    QTest::keyClick(window, Qt::Key_E, Qt::ControlModifier);
    waitMs(2000);
    std::printf("edit_rss=%lld\n", vsp::bench::currentResidentBytes());
}

/// The figure after `key` in a child's output, or -1.
double printedFigure(const QByteArray& out, const char* key)
{
    const qsizetype at = out.indexOf(key);
    return at < 0 ? -1.0 : out.mid(at + qstrlen(key)).split('\n').value(0).toDouble();
}

/// The figures firstEditChild() prints, in MB: 5 s after the window, and 2 s after the first Edit and Done.
std::pair<double, double> firstEditRssMb()
{
    const QByteArray out = childOutput("--first-edit-child");
    return {printedFigure(out, "settled_rss=") / 1048576.0, printedFigure(out, "edit_rss=") / 1048576.0};
}

/// Milliseconds from a favourite (through the store) until entries.json has been replaced; the median
/// of `count` changes, each after the writes before it finished.
double journalWriteMs(JournalStore& store, const QString& path, int count)
{
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        store.waitForSaves();
        const QUuid id = store.entries().at(i % store.entries().size()).id;
        const auto inode = [&] {
            struct stat st { };
            return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
        };
        const ino_t before = inode();
        const long long start = nowNs();
        store.toggleFavorite(*store.entry(id));
        while (inode() == before && nowNs() - start < 10'000'000'000LL) {
            ::usleep(200);
        }
        times.push_back(double(nowNs() - start) / 1e6);
    }
    store.waitForSaves();
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double peakRssRatio(const QString& journalPath)
{
    const double peak = printedFigure(childOutput("--memory-child"), "peak_rss=");
    return peak < 0 ? -1 : peak / double(QFileInfo(journalPath).size());
}

/// The resident memory of the app binary 5 s after its window was first painted, in MB.
double settledRssMb()
{
    QTemporaryDir runtime;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VESPERLOG_EXIT_SETTLED_AFTER_MS"), QStringLiteral("5000"));
    env.insert(QStringLiteral("VESPERLOG_INSTANCE_NAME"), runtime.filePath(QStringLiteral("bench.sock")));
    env.remove(QStringLiteral("GLIBC_TUNABLES"));
    env.remove(QStringLiteral("VESPERLOG_NO_RELAUNCH"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(VESPERLOG_APP_BINARY), {});
    process.waitForFinished(120000);
    const QByteArray out = process.readAllStandardOutput();
    const qsizetype at = out.indexOf("settled rss=");
    if (at < 0) {
        std::fprintf(stderr, "the app did not report its settled memory:\n%s\n", out.constData());
        return -1;
    }
    return out.mid(at + 12).split('\n').value(0).toDouble() / 1048576.0;
}

/// Writes two camera-sized pictures (a 4000×3000 JPEG and a 1600×1200 PNG) under each of the entry's
/// photo names into the journal's images folder.
void writePhotos(const JournalEntry& entry)
{
    static const QByteArray jpeg = [] {
        QImage image(4000, 3000, QImage::Format_RGB32);
        QPainter painter(&image);
        QLinearGradient sky(0, 0, 4000, 3000);
        sky.setColorAt(0, QColor(0x3A, 0x6E, 0xA5));
        sky.setColorAt(1, QColor(0xF2, 0xC1, 0x7D));
        painter.fillRect(image.rect(), sky);
        for (int i = 0; i < 400; ++i) {
            painter.fillRect(QRect((i * 7919) % 4000, (i * 104729) % 3000, 60, 40), QColor::fromHsv(i % 360, 120, 200));
        }
        painter.end();
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG", 88);
        return bytes;
    }();
    static const QByteArray png = [] {
        QImage image = QImage::fromData(jpeg).scaled(1600, 1200);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }();
    const QString folder = JournalStore::storeFolder() + QStringLiteral("/images");
    QDir().mkpath(folder);
    for (const QString& name : entry.imageFilenames) {
        QFile file(folder + u'/' + name);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(name.endsWith(QLatin1String(".png")) ? png : jpeg);
        }
    }
}

/// Profiling one kind of input: with VESPERLOG_BENCH_PERF_CONTROL naming the control FIFO of a
/// `perf record -D -1 --control=fifo:<FIFO>` that runs this program, and VESPERLOG_BENCH_PERF_INPUT one
/// of "switch", "favourite", "archive", "tag_done" or "trash", perf samples only while such an input
/// is timed.
void perfSampling(const char* input, bool on)
{
    static FILE* control = [] {
        const QByteArray path = qgetenv("VESPERLOG_BENCH_PERF_CONTROL");
        return path.isEmpty() ? nullptr : std::fopen(path.constData(), "w");
    }();
    if (control && qgetenv("VESPERLOG_BENCH_PERF_INPUT") == input) {
        std::fputs(on ? "enable\n" : "disable\n", control);
        std::fflush(control);
    }
}

/// Drives the shown main window of `app` as a user would, timing what each input costs the GUI thread.
class WindowDriver {
public:
    WindowDriver(VesperlogApp& app, LoopWatch& watch)
        : m_app(app),
          m_watch(watch),
          m_window(app.mainWindow()),
          m_list(app.mainWindow()->findChild<EntryListWidget*>())
    { }

    /// The listed entries (top to bottom) that have photos, or none.
    QList<QUuid> listedEntries(bool withPhotos, int count) const
    {
        QList<QUuid> ids;
        EntryListModel* model = m_list->listModel();
        for (int row = 0; row < model->rowCount() && ids.size() < count; ++row) {
            const JournalEntry* entry = model->entryAt(row);
            if (entry && !entry->isArchived && entry->imageFilenames.isEmpty() != withPhotos
                && (!ids.isEmpty() || row > 0)) {
                ids.append(entry->id);
            }
        }
        return ids;
    }

    /// Clicks the row of `id` (brought into view first, untimed); the longest busy stretch after the click.
    double clickRow(const QUuid& id, int quietMs = 150)
    {
        bringIntoView(id);
        perfSampling("switch", true);
        const long long start = nowNs();
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, m_list->rectOf(id).center());
        m_watch.runUntilQuiet(quietMs);
        perfSampling("switch", false);
        if (m_app.store().selectedEntryID() != id) {
            std::fprintf(stderr, "a click on a row did not select its entry\n");
        }
        return m_watch.longestStretchMs(start);
    }

    void bringIntoView(const QUuid& id)
    {
        m_list->scrollTo(m_list->listModel()->index(m_list->listModel()->rowOf(id), 0));
        m_watch.runUntilQuiet(100);
        m_watch.clear();
    }

    /// Runs `input`, then the loop until it rests; the longest busy stretch from the input on.
    double stall(const char* name, const std::function<void()>& input, int quietMs = 150)
    {
        m_watch.clear();
        perfSampling(name, true);
        const long long start = nowNs();
        input();
        m_watch.runUntilQuiet(quietMs);
        perfSampling(name, false);
        return m_watch.longestStretchMs(start);
    }

    double toggleFavorite()
    {
        activate();
        return stall("favourite",
                     [this] { QTest::keyClick(m_window, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier); });
    }

    /// "Archive" from the detail's "More actions" menu (the menu opened untimed).
    double archive()
    {
        auto* more = findByName<QAbstractButton>(m_window, QStringLiteral("More actions"));
        if (!more) {
            return -1;
        }
        QTest::mouseClick(more, Qt::LeftButton);
        m_watch.runUntilQuiet(100);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QAction* action = nullptr;
        for (QAction* a : menu ? menu->actions() : QList<QAction*>()) {
            if (a->text() == QLatin1String("Archive")) {
                action = a;
            }
        }
        if (!action) {
            std::fprintf(stderr, "no Archive in the detail's menu\n");
            return -1;
        }
        return stall("archive", [menu, action] {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        });
    }

    /// A new tag typed into the in-place edit's tag field with Return (untimed), then Done (Ctrl+E, timed):
    /// tags reach the journal when the edit is done.
    double addTag(const QString& tag)
    {
        if (!openEdit()) {
            return -1;
        }
        auto* field = m_window->findChild<QLineEdit*>(QStringLiteral("detailTagField"));
        if (!field || !field->isVisible()) {
            std::fprintf(stderr, "the in-place edit shows no tag field\n");
            return -1;
        }
        field->setFocus();
        QTest::keyClicks(field, tag);
        QTest::keyClick(field, Qt::Key_Return);
        m_watch.runUntilQuiet(100);
        return stall("tag_done", [this] { QTest::keyClick(m_window, Qt::Key_E, Qt::ControlModifier); });
    }

    /// Ctrl+E on the selected entry; the in-place edit's text view, or null when it did not open.
    QTextEdit* openEdit()
    {
        activate();
        QTest::keyClick(m_window, Qt::Key_E, Qt::ControlModifier);
        m_watch.runUntilQuiet(150);
        auto* body = qobject_cast<QTextEdit*>(QApplication::focusWidget());
        if (!body || body->isReadOnly()) {
            std::fprintf(stderr, "Ctrl+E did not open the in-place edit\n");
            return nullptr;
        }
        return body;
    }

    /// The main window active again, as after a click into it (a closed question leaves it inactive
    /// on the offscreen platform, and its shortcuts with it).
    void activate()
    {
        m_window->activateWindow();
        m_watch.runUntilQuiet(50);
    }

    /// Ctrl+Backspace (untimed), then "Move to Trash" in the question (timed).
    double moveToTrash()
    {
        activate();
        m_pressedAt = -1;
        // The question runs its own event loop: it is answered from a timer that waits for it.
        QTimer answer;
        int tries = 0;
        QObject::connect(&answer, &QTimer::timeout, m_window, [this, &answer, &tries] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QAbstractButton* trash = nullptr;
            for (QAbstractButton* b : box ? box->buttons() : QList<QAbstractButton*>()) {
                if (b->text() == QLatin1String("Move to Trash")) {
                    trash = b;
                }
            }
            if (!trash) {
                if (++tries == 40) {
                    answer.stop();
                    std::fprintf(stderr, "no delete question came\n");
                }
                return;
            }
            answer.stop();
            m_watch.clear();
            perfSampling("trash", true);
            m_pressedAt = nowNs();
            QTest::mouseClick(trash, Qt::LeftButton);
        });
        answer.start(50);
        QTest::keyClick(m_window, Qt::Key_Backspace, Qt::ControlModifier);
        m_watch.runUntilQuiet(150);
        while (answer.isActive()) {
            m_watch.runUntilQuiet(150);
        }
        perfSampling("trash", false);
        return m_pressedAt < 0 ? -1 : m_watch.longestStretchMs(m_pressedAt);
    }

    /// With `words` typed into the in-place edit of the selected entry, a click on the row of `next`: the
    /// work from the click until the window has painted, in ms.
    double switchWhileEditing(const QUuid& next, const QString& words)
    {
        QTextEdit* body = openEdit();
        if (!body) {
            return -1;
        }
        body->moveCursor(QTextCursor::End);
        QTest::keyClicks(body, words);
        m_watch.runUntilQuiet(150);
        bringIntoView(next);
        const long long start = nowNs();
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, m_list->rectOf(next).center());
        m_watch.runUntilQuiet(150);
        const long long painted = m_watch.paintedAfter(start);
        return painted < 0 ? -1 : m_watch.busyMs(start, painted);
    }

private:
    template <typename T>
    static T* findByName(QWidget* root, const QString& name)
    {
        for (T* w : root->findChildren<T*>()) {
            if (w->accessibleName() == name && w->isVisible()) {
                return w;
            }
        }
        return nullptr;
    }

    VesperlogApp& m_app;
    LoopWatch& m_watch;
    QWidget* m_window;
    EntryListWidget* m_list;
    long long m_pressedAt = -1;
};

double maxOf(const std::vector<double>& values)
{
    return values.empty() ? -1 : *std::max_element(values.begin(), values.end());
}

/// The target of a figure for the diary mix at this journal size; none for the long mix.
QString targetFor(const QString& name, int size, bool diary)
{
    const bool large = size >= 50000;
    if (name == QLatin1String("search_open_frame_max")) {
        return QStringLiteral("<= 16 ms");
    }
    if (name == QLatin1String("peak_rss_ratio")) {
        return QStringLiteral("<= 2.2");
    }
    if (!diary) {
        return {};
    }
    if (name == QLatin1String("start_to_idle")) {
        return large ? QStringLiteral("<= 0.30 s") : QStringLiteral("<= 0.15 s");
    }
    if (name == QLatin1String("search_open_stretch_max")) {
        return QStringLiteral("<= 16 ms");
    }
    if (name == QLatin1String("journal_write_ms")) {
        return large ? QStringLiteral("<= 80 ms") : QStringLiteral("<= 20 ms");
    }
    if (name.startsWith(QLatin1String("change_stall_max"))) {
        return large ? QStringLiteral("<= 16 ms") : QStringLiteral("<= 8 ms");
    }
    if (name == QLatin1String("search_keystroke_max")) {
        return large ? QStringLiteral("<= 12 ms") : QStringLiteral("<= 8 ms");
    }
    if (name == QLatin1String("entry_switch_stretch_max")) {
        return QStringLiteral("<= 8 ms");
    }
    if (name == QLatin1String("edit_switch_frame")) {
        return QStringLiteral("<= 30 ms");
    }
    if (name == QLatin1String("rss_settled_mb")) {
        return large ? QStringLiteral("<= 140 MB") : QStringLiteral("<= 70 MB");
    }
    if (name == QLatin1String("rss_after_first_edit_mb")) {
        return large ? QStringLiteral("<= 155 MB") : QStringLiteral("<= 85 MB");
    }
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_NO_GLIB", "1");
    if (argc > 1 && qstrcmp(argv[1], "--memory-child") == 0) {
        keepLargeAllocationsInHeap();
        return runChild(memoryChild);
    }
    if (argc > 1 && qstrcmp(argv[1], "--first-edit-child") == 0) {
        return runChild(firstEditChild);
    }
    keepLargeAllocationsInHeap();
    const int size = vsp::bench::takeJournalSize(argc, argv, 10000);
    const vsp::bench::Mix mix = vsp::bench::takeJournalMix(argc, argv, vsp::bench::Mix::Diary);
    const QString mixName = vsp::bench::mixName(mix);
    const QList<JournalEntry> journal = vsp::bench::generateJournal(size, 42, mix);
    const QString journalPath = vsp::bench::installJournal(journal);
    const bool verbose = qEnvironmentVariableIsSet("VESPERLOG_BENCH_VERBOSE");
    {
        std::vector<qsizetype> lengths;
        for (const JournalEntry& e : journal) {
            lengths.push_back(e.body.toString().size());
        }
        std::sort(lengths.begin(), lengths.end());
        const double mean = double(std::accumulate(lengths.begin(), lengths.end(), qsizetype(0))) / lengths.size();
        std::printf("%s journal: bodies of a median of %lld and a mean of %.0f characters, the longest %lld\n",
                    qPrintable(mixName), (long long)lengths[lengths.size() / 2], mean, (long long)lengths.back());
    }
    QList<Result> results;
    const auto add = [&](const char* name, double value, const char* unit, const QString& rowMix) {
        results.append({QString::fromLatin1(name), size, value, QString::fromLatin1(unit), rowMix,
                        targetFor(QString::fromLatin1(name), size, mix == vsp::bench::Mix::Diary)});
    };
    {
        QApplication qapp(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Vesperlog"));
        QApplication::setOrganizationName(QStringLiteral("Vesperlog"));
        // Written to the file at once: the app processes started below read it.
        AppSettings::instance().setHasCompletedOnboarding(true);

        double rss = 0;
        add("start_to_idle", startToIdle(&rss), "s", mixName);

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
        if (verbose) {
            std::printf("search field frames (ms):");
            for (const double f : frames) {
                std::printf(" %.1f", f);
            }
            std::printf("\n");
        }
        add("search_open_frame_max", maxOf(frames), "ms", mixName);
        add("search_open_stretch_max", watch.longestStretchMs(open), "ms", mixName);

        // Typing words and taking them back: each keystroke until the list rests again; the very first
        // key of the process among them.
        QLineEdit* edit = searchEdit(app);
        double keystrokeMax = 0;
        double firstKeystroke = -1;
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
                if (verbose) {
                    std::printf("key %s: %.1f ms\n", key.isNull() ? "⌫" : QString(key).toUtf8().constData(), ms);
                }
                if (firstKeystroke < 0) {
                    firstKeystroke = ms;
                }
                keystrokeMax = std::max(keystrokeMax, ms);
            }
        }
        std::printf("first keystroke (\"l\"): %.1f ms\n", firstKeystroke);
        add("search_keystroke_max", keystrokeMax, "ms", mixName);
        Q_EMIT AppNotifications::instance().VspToggleSearch();
        watch.runUntilQuiet(200);

        // The rest works on the whole journal, as after a click on "Journal" in the sidebar.
        app.store().showSection(NavSection::Journal);
        watch.runUntilQuiet(200);
        WindowDriver driver(app, watch);
        if (verbose) {
            auto* list = app.mainWindow()->findChild<EntryListWidget*>();
            std::printf("list rows %d, entries %d, pending %d, filtered %d, search \"%s\" calendar %d section %d\n",
                        list->listModel()->rowCount(), list->listModel()->entryCount(),
                        int(list->listModel()->isRefreshPending()), int(app.store().filteredEntries().size()),
                        qPrintable(app.store().searchQuery()), int(app.store().showCalendar()),
                        int(app.store().selectedSection()));
        }
        // Switching entries: rows without photos, then rows whose two photos are on disk.
        std::vector<double> plain;
        for (const QUuid& id : driver.listedEntries(false, 12)) {
            plain.push_back(driver.clickRow(id));
        }
        std::vector<double> photos;
        const QList<QUuid> withPhotos = driver.listedEntries(true, 8);
        for (const QUuid& id : withPhotos) {
            writePhotos(*app.store().entry(id));
        }
        for (const QUuid& id : withPhotos) {
            photos.push_back(driver.clickRow(id, 300));
        }
        if (verbose) {
            std::printf("entry switch (ms):");
            for (const double ms : plain) {
                std::printf(" %.1f", ms);
            }
            std::printf("; with photos:");
            for (const double ms : photos) {
                std::printf(" %.1f", ms);
            }
            std::printf("\n");
        }
        add("entry_switch_stretch_max", maxOf(plain), "ms", mixName);
        add("entry_switch_stretch_max", maxOf(photos), "ms", mixName + QStringLiteral(", photos"));

        // Changes to the selected entry, each on an entry of its own further down the list.
        // Ten of each kind.
        const QList<QUuid> targets = driver.listedEntries(false, 52).mid(12);
        std::vector<double> changes;
        std::vector<std::pair<const char*, double>> named;
        for (int i = 0; i + 4 <= targets.size() && i < 40; i += 4) {
            driver.clickRow(targets[i]);
            named.emplace_back("favourite", driver.toggleFavorite());
            named.emplace_back("tag_done", driver.addTag(QStringLiteral("bench%1").arg(i)));
            driver.clickRow(targets[i + 1]);
            named.emplace_back("archive", driver.archive());
            driver.clickRow(targets[i + 2]);
            named.emplace_back("trash", driver.moveToTrash());
        }
        std::map<std::string, std::vector<double>> byKind;
        for (const auto& [what, ms] : named) {
            if (ms < 0) {
                std::fprintf(stderr, "the %s change could not be made\n", what);
            }
            changes.push_back(ms);
            byKind[what].push_back(ms);
            if (verbose) {
                std::printf("%s %.1f ms\n", what, ms);
            }
        }
        add("change_stall_max", maxOf(changes), "ms", mixName);
        for (const auto& [what, times] : byKind) {
            const std::string row = "change_stall_max_" + what;
            add(row.c_str(), maxOf(times), "ms", mixName);
        }

        // Switching entries while editing: words typed, then a click on another row.
        std::vector<double> editSwitches;
        const QList<QUuid> editing = driver.listedEntries(false, 72).mid(52);
        for (int i = 0; i + 1 < editing.size() && i < 12; i += 2) {
            driver.clickRow(editing[i]);
            editSwitches.push_back(driver.switchWhileEditing(editing[i + 1], QStringLiteral(" and one more line")));
        }
        if (verbose) {
            std::printf("switch while editing (ms):");
            for (const double ms : editSwitches) {
                std::printf(" %.1f", ms);
            }
            std::printf("\n");
        }
        add("edit_switch_frame", maxOf(editSwitches), "ms", mixName);
        vsp::setAnimationsEnabled(false);
        add("journal_write_ms", journalWriteMs(app.store(), QFileInfo(journalPath).canonicalFilePath(), 10), "ms",
            mixName);

        add("peak_rss_ratio", peakRssRatio(journalPath), "ratio", mixName);
        add("rss_settled_mb", settledRssMb(), "MB", mixName);
        const auto [settledInBench, afterEdit] = firstEditRssMb();
        add("rss_after_first_edit_mb", afterEdit, "MB", mixName);
        std::printf("in this program: %.1f MB 5 s after the window, %.1f MB 2 s after the first Edit and Done\n",
                    settledInBench, afterEdit);
        std::printf("journal %.1f MB; rss at idle %.1f MB\n", double(QFileInfo(journalPath).size()) / 1048576.0,
                    rss / 1048576.0);
    }

    // The figures before the list and search rework were taken on the long mix, named with no mix.
    const QList<Result> before = vsp::bench::readResults(QStringLiteral(VESPERLOG_BENCH_BEFORE_FILE));
    for (const Result& r : std::as_const(results)) {
        vsp::bench::printResult(r, mix == vsp::bench::Mix::Long ? vsp::bench::findResult(before, r.name, r.entries)
                                                                : nullptr);
    }
    return vsp::bench::recordResults(results) ? 0 : 1;
}
