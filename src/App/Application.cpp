#include "App/Application.h"

#include "App/BundleInfo.h"
#include "App/VesperlogApp.h"
#include "Media/LocationWeatherManager.h"
#include "Media/MediaEnvironment.h"
#include "Model/JournalStore.h"
#include "Model/JournalStoreLock.h"
#include "Model/Log.h"
#include "Platform/ComposeTable.h"
#include "Platform/SingleInstance.h"
#include "Update/AppBundle.h"
#include "Update/FeedFetch.h"
#include "Views/Main/MainWindow.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <memory>
#include <utility>

namespace {

/// Resident memory of this process in bytes (from /proc), or 0.
long long residentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    return 0;
}

void reportJournalOpenElsewhere(const JournalLock& lock)
{
    const QString holder = lock.holderPid() > 0
                               ? QStringLiteral("process %1 on %2").arg(lock.holderPid()).arg(lock.holderHost())
                               : QStringLiteral("another process");
    vsp::logFailure(QStringLiteral("start"),
                    QStringLiteral("the journal is open in another Vesperlog (%1); nothing was changed").arg(holder));
    QMessageBox box(QMessageBox::Information, QStringLiteral("Vesperlog"),
                    QStringLiteral("Your journal is open in another copy of Vesperlog."), QMessageBox::Ok);
    box.setInformativeText(QStringLiteral("It is open in %1, which this copy cannot reach. Use that copy, or quit it "
                                          "and start Vesperlog again. This copy quits without changing anything.")
                               .arg(holder));
    box.exec();
}

void reportInstanceNotAnswering()
{
    // The name stays with the copy that holds it, and the journal is not opened: two writers could
    // otherwise meet in one journal once the first copy wakes up.
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Vesperlog"),
                    QStringLiteral("Vesperlog is already running but not answering."), QMessageBox::Ok);
    box.setInformativeText(QStringLiteral("Another copy of Vesperlog is open but did not reply. It may be busy with a "
                                          "large journal: wait a moment and start Vesperlog again, or quit that copy. "
                                          "This copy quits without changing anything."));
    box.exec();
}

/// CLOCK_MONOTONIC in nanoseconds: the clock a benchmark that starts this process reads too.
long long monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

/// For the start-up benchmark: after the first paint, waits for the GUI thread to go idle (its event
/// loop waits 150 ms with nothing to do), then prints the moment it last went to sleep (CLOCK_MONOTONIC,
/// ns) and the resident memory, and ends the process. The event loop's sleeps are seen through the
/// dispatcher's aboutToBlock and awake signals (exact with the plain Unix dispatcher, QT_NO_GLIB=1).
void exitWhenIdle(QObject* context)
{
    constexpr long long kQuietNs = 150LL * 1000 * 1000;
    auto* dispatcher = QAbstractEventDispatcher::instance();
    auto blockedAt = std::make_shared<long long>(monotonicNanoseconds());
    // Something must wake the loop after a quiet stretch for it to be seen. The wake-up is armed anew
    // each time the loop goes to sleep, so it only ever ends a rest of the full length and never
    // counts as work itself (a periodic timer would report its own wake-ups as the last moment busy).
    auto* wake = new QTimer(context);
    wake->setSingleShot(true);
    wake->setTimerType(Qt::PreciseTimer);
    wake->setInterval(int(kQuietNs / 1000000) + 1);
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, context, [blockedAt, wake] {
        *blockedAt = monotonicNanoseconds();
        wake->start();
    });
    QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, context, [blockedAt] {
        if (monotonicNanoseconds() - *blockedAt < kQuietNs) {
            return;
        }
        std::printf("Vesperlog: idle at=%lld rss=%lld\n", *blockedAt, residentBytes());
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    wake->start();
}

} // namespace

void keepLargeAllocationsInHeap()
{
    mallopt(M_MMAP_THRESHOLD, 16 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 32 * 1024 * 1024);
}

int runVesperlog(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], vsp::update::kFeedHelperArgument) == 0) {
        return vsp::update::runFeedHelper(argc, argv);
    }
    keepLargeAllocationsInHeap();
    vsp::prepareMediaEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesperlog"));
    QApplication::setOrganizationName(QStringLiteral("Vesperlog"));
    QApplication::setApplicationVersion(BundleInfo::shortVersion());
    QGuiApplication::setDesktopFileName(QStringLiteral("vesperlog"));

    // One process per user writes the journal: a second launch brings the first one forward and ends.
    SingleInstance instance(qEnvironmentVariable("VESPERLOG_INSTANCE_NAME"));
    switch (instance.acquire()) {
    case SingleInstance::Outcome::Primary: break;
    case SingleInstance::Outcome::HandedOver: return 0;
    case SingleInstance::Outcome::NotAnswering: reportInstanceNotAnswering(); return 1;
    }
    // One process per journal, too: a copy with other runtime folders (another session, `su`) finds the
    // journal's lock, hands over to its holder when it can reach it, and otherwise ends untouched.
    JournalLock journalLock(JournalStore::storeFolder());
    if (journalLock.acquire(instance.serverName()) == JournalLock::Result::HeldElsewhere) {
        if (!journalLock.holderAddress().isEmpty() && SingleInstance::askToComeForward(journalLock.holderAddress())) {
            return 0;
        }
        reportJournalOpenElsewhere(journalLock);
        return 1;
    }

    // An unpacked bundle has no launcher until it runs once: its own desktop entry, naming this copy's
    // program by its absolute path, goes to the user's applications (and follows the bundle if moved).
    if (const QString bundle = vsp::bundle::runningBundlePath(); !bundle.isEmpty()) {
        vsp::bundle::installDesktopEntry(bundle, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                                                     + QStringLiteral("/applications"));
    }

    // New entries note the place and the weather through the desktop's location service.
    LocationWeatherManager::shared().setServices(LocationWeatherManager::liveServices());
    VesperlogApp::Options options;
    // The update check asks for the feed through a copy of this program, which ends after it.
    options.updater.feedHelper = QCoreApplication::applicationFilePath();
    VesperlogApp vesperlog(std::move(options));
    QObject::connect(&instance, &SingleInstance::activationRequested, &vesperlog, &VesperlogApp::showMainWindow);
    // Search folds the journal's text on another thread once the window is on screen, not before.
    QObject::connect(vesperlog.mainWindow(), &MainWindow::firstPainted, &vesperlog.store(),
                     &JournalStore::prepareSearch, Qt::SingleShotConnection);
    // The keyboard's compose table, which Qt would otherwise compile on the first key typed, a moment
    // later: nobody types that soon, and the window reaches its first rest as early as before.
    QObject::connect(
        vesperlog.mainWindow(), &MainWindow::firstPainted, &app,
        [&app] { QTimer::singleShot(300, &app, [] { vsp::preloadComposeTable(); }); }, Qt::SingleShotConnection);
    // The sound plugins load soon after a "Voice" button or a voice note is first shown (their widgets
    // start the warm-up), not in every session.

    // For the start-up benchmark: report when the main window has first been painted, then end.
    if (qEnvironmentVariableIsSet("VESPERLOG_EXIT_AFTER_FIRST_PAINT")) {
        QObject::connect(vesperlog.mainWindow(), &MainWindow::firstPainted, &app, [] {
            std::printf("Vesperlog: first paint rss=%lld\n", residentBytes());
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
    }
    // For the memory benchmark: the resident memory once the app has settled, N ms after the first paint,
    // then end.
    if (const int settleMs = qEnvironmentVariableIntValue("VESPERLOG_EXIT_SETTLED_AFTER_MS"); settleMs > 0) {
        QObject::connect(
            vesperlog.mainWindow(), &MainWindow::firstPainted, &app,
            [&app, settleMs] {
                QTimer::singleShot(settleMs, &app, [] {
                    std::printf("Vesperlog: settled rss=%lld\n", residentBytes());
                    std::fflush(stdout);
                    QCoreApplication::exit(0);
                });
            },
            Qt::SingleShotConnection);
    }
    if (qEnvironmentVariableIsSet("VESPERLOG_EXIT_WHEN_IDLE")) {
        QObject::connect(
            vesperlog.mainWindow(), &MainWindow::firstPainted, &app, [&app] { exitWhenIdle(&app); },
            Qt::SingleShotConnection);
    }
    // A logout, a closed terminal or `kill` keeps the words being typed, as quitting does.
    vesperlog.followSessionEnd();
    vesperlog.showMainWindow();
    return QApplication::exec();
}
