// Photos in the entry detail over a generated journal (10,000 entries by default). Generates 4000 x 3000
// JPEG photos, then measures, with a cold cache:
//   - the time from selecting an entry with 20 photos to its first thumbnail shown (target ≤ 150 ms);
//   - the GUI thread's longest stall while the 20 thumbnails decode (target ≤ 16 ms), from the gaps
//     between the ticks of a 2 ms timer;
//   - the bytes the image cache holds after 200 photos were shown as thumbnails and opened large (its
//     limits: 30 full images and 60 thumbnails).
// Prints the figures and adds them to results.json.

#include "common/BenchResults.h"
#include "common/BenchSupport.h"
#include "common/JournalGenerator.h"

#include "Media/ImageGalleryView.h"
#include "Media/ImageLoading.h"
#include "Model/AppSettings.h"
#include "Model/ImageCache.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/Spring.h"
#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/MainWindow.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

constexpr int kGallerySize = 20;
constexpr int kOpened = 200;

/// A camera-sized photo with detail everywhere, so the decoder does real work.
QByteArray photoBytes()
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, 3000);
    sky.setColorAt(0, QColor(0x4a, 0x7d, 0xb8));
    sky.setColorAt(1, QColor(0xe9, 0xc4, 0x8a));
    p.fillRect(image.rect(), sky);
    QRandomGenerator random(7);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4000; ++i) {
        p.setBrush(QColor::fromRgb(random.bounded(256), random.bounded(256), random.bounded(256), 160));
        const int r = 10 + random.bounded(120);
        p.drawEllipse(QPoint(random.bounded(4000), random.bounded(3000)), r, r);
    }
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 88);
    return bytes;
}

QStringList photoNames(int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i) {
        names.append(QStringLiteral("photo-%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
    }
    return names;
}

void writePhotos(const JournalEntry& entry, const QByteArray& bytes)
{
    for (const QString& name : entry.imageFilenames) {
        QFile file(JournalStore::imagesDirectory(entry.id) + u'/' + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            std::exit(1);
        }
    }
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QList<ImageThumbnail*> thumbnailsOf(MainWindow& window)
{
    QList<ImageThumbnail*> shown;
    for (ImageThumbnail* thumb : window.findChildren<ImageThumbnail*>()) {
        if (thumb->isVisible()) {
            shown.append(thumb);
        }
    }
    return shown;
}

double nowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

/// The GUI thread's longest stretch of work between two waits for events (ms, wall time): unlike the
/// ticks' gaps it leaves out how long a loaded machine takes to wake the thread when an event comes.
double g_longestBusyMs = 0;
double g_traceStart = 0;

/// Runs the event loop until `done` holds, ticking a 2 ms timer; returns the longest gap between ticks
/// beyond the timer's own interval (ms). Also keeps the longest busy stretch in `g_longestBusyMs`.
double runWhileWatchingStalls(const std::function<bool()>& done)
{
    g_longestBusyMs = 0;
    double awoke = nowMs();
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    const QMetaObject::Connection onAwake =
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [&] { awoke = nowMs(); });
    const QMetaObject::Connection onBlock = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [&] {
        const double busy = nowMs() - awoke;
        g_longestBusyMs = std::max(g_longestBusyMs, busy);
        if (busy > 4 && qEnvironmentVariableIsSet("VESPERLOG_BENCH_TRACE")) {
            std::printf("    GUI work of %.1f ms, ended at %.1f ms\n", busy, nowMs() - g_traceStart);
        }
    });
    const auto disconnect = qScopeGuard([&] {
        QObject::disconnect(onAwake);
        QObject::disconnect(onBlock);
    });
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    double worst = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(2);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, (now - last) / 1e6 - 2.0);
        last = now;
    });
    ticker.start();
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return std::max(0.0, worst);
}

} // namespace

int main(int argc, char** argv)
{
    const int size = vsp::bench::takeJournalSize(argc, argv, 10000);
    QList<JournalEntry> journal = vsp::bench::generateJournal(size);
    JournalEntry gallery = JournalEntry::create();
    gallery.title = QStringLiteral("Twenty photos from the coast");
    gallery.date = journal.first().date + 60;
    JournalEntry many = JournalEntry::create();
    many.title = QStringLiteral("Two hundred photos");
    many.date = gallery.date - 30;
    gallery.imageFilenames = photoNames(kGallerySize);
    many.imageFilenames = photoNames(kOpened);
    journal.prepend(gallery);
    journal.prepend(many);
    vsp::bench::installJournal(journal);
    QApplication app(argc, argv);
    vsp::setAnimationsEnabled(false);
    AppSettings().setHasCompletedOnboarding(true);

    QElapsedTimer clock;
    clock.start();
    const QByteArray bytes = photoBytes();
    writePhotos(gallery, bytes);
    writePhotos(many, bytes);
    std::printf("%d photos of 4000 x 3000 (%lld KB each) written in %.1f s\n", kGallerySize + kOpened,
                qlonglong(bytes.size() / 1024), clock.elapsed() / 1000.0);

    // One decode of each kind, on this thread, as a yardstick for the figures below.
    const QString probe = JournalStore::imagesDirectory(many.id) + u'/' + many.imageFilenames.last();
    clock.restart();
    const ImageCache::Decoded thumbProbe = vsp::photos::decodeFile(probe, vsp::photos::kThumbnailSize);
    const double thumbDecodeMs = clock.nsecsElapsed() / 1e6;
    clock.restart();
    const ImageCache::Decoded fullProbe = vsp::photos::decodeFile(probe, 0);
    const double fullDecodeMs = clock.nsecsElapsed() / 1e6;
    std::printf("one decode: 800-pixel thumbnail %.1f ms (%lld bytes), full image %.1f ms (%lld bytes)\n",
                thumbDecodeMs, qlonglong(thumbProbe.bytes), fullDecodeMs, qlonglong(fullProbe.bytes));

    JournalStore store;
    MoodStore moods;
    MainWindow window(store, moods, {});
    window.resize(1440, 900);
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    // Start-up selected the entry with 200 photos: its views go, and their loads with them.
    store.setSelectedEntryID(journal[2].id);
    settle();
    vsp::photos::decodePool().waitForDone();
    ImageCache::shared().clear();

    // The gallery, cold.
    clock.restart();
    g_traceStart = nowMs();
    store.setSelectedEntryID(gallery.id);
    const double selectMs = clock.nsecsElapsed() / 1e6;
    QList<ImageThumbnail*> thumbs = thumbnailsOf(window);
    if (thumbs.size() != kGallerySize) {
        std::fprintf(stderr, "expected %d thumbnails, found %lld\n", kGallerySize, qlonglong(thumbs.size()));
        return 1;
    }
    if (qEnvironmentVariableIsSet("VESPERLOG_BENCH_TRACE")) {
        for (ImageThumbnail* t : thumbs) {
            QObject::connect(t->imageView(), &CachedImageView::loadFinished, [&clock, t] {
                std::printf("    %s at %.1f ms\n", qPrintable(t->accessibleName()), clock.nsecsElapsed() / 1e6);
            });
        }
    }
    double firstShownMs = -1;
    const double stallMs = runWhileWatchingStalls([&] {
        if (firstShownMs < 0 && !thumbs.first()->imageView()->image().isNull()) {
            thumbs.first()->imageView()->repaint();
            firstShownMs = clock.nsecsElapsed() / 1e6;
        }
        return std::all_of(thumbs.begin(), thumbs.end(),
                           [](ImageThumbnail* t) { return !t->imageView()->isLoading(); });
    });
    const double allMs = clock.nsecsElapsed() / 1e6;
    const double busyMs = g_longestBusyMs;

    // The same gallery again: from the cache.
    store.setSelectedEntryID(journal[2].id);
    settle();
    clock.restart();
    store.setSelectedEntryID(gallery.id);
    thumbs = thumbnailsOf(window);
    const bool warmAtOnce = !thumbs.isEmpty() && !thumbs.first()->imageView()->image().isNull();
    const double warmMs = clock.nsecsElapsed() / 1e6;

    // 200 photos: every one shown as a thumbnail and opened large.
    store.setSelectedEntryID(many.id);
    settle();
    thumbs = thumbnailsOf(window);
    runWhileWatchingStalls([&] {
        return std::all_of(thumbs.begin(), thumbs.end(),
                           [](ImageThumbnail* t) { return !t->imageView()->isLoading(); });
    });
    clock.restart();
    double lightboxStallMs = 0;
    double lightboxBusyMs = 0;
    double lightboxPaintMs = 0;
    for (const QString& name : many.imageFilenames) {
        auto* box = new ImageLightbox(many.id, name, {}, window.contentView()->detail());
        box->show();
        bool loaded = false;
        QObject::connect(box, &ImageLightbox::loadFinished, [&] { loaded = true; });
        lightboxStallMs = std::max(lightboxStallMs, runWhileWatchingStalls([&] { return loaded; }));
        lightboxBusyMs = std::max(lightboxBusyMs, g_longestBusyMs);
        // The photo's first paint, on the GUI thread, once it has arrived.
        const double paintStart = nowMs();
        box->repaint();
        lightboxPaintMs = std::max(lightboxPaintMs, nowMs() - paintStart);
        delete box;
    }
    const double openMs = clock.nsecsElapsed() / 1e6;
    vsp::photos::decodePool().waitForDone();
    const ImageCache& cache = ImageCache::shared();

    std::printf("journal of %d entries\n", size);
    std::printf("  select the entry with %d photos      %7.1f ms\n", kGallerySize, selectMs);
    std::printf("  first thumbnail shown                %7.1f ms   (target <= 150)\n", firstShownMs);
    std::printf("  all %d thumbnails shown              %7.1f ms\n", kGallerySize, allMs);
    std::printf("  longest GUI stall while decoding     %7.1f ms   (target <= 16)\n", stallMs);
    std::printf("  longest GUI work between waits       %7.1f ms\n", busyMs);
    std::printf("  first thumbnail again, from cache    %7.1f ms   (%s)\n", warmMs,
                warmAtOnce ? "shown at once" : "NOT shown at once");
    std::printf("  %d photos opened large               %7.1f ms   (longest GUI stall %.1f ms, work %.1f ms, "
                "first paint %.1f ms)\n",
                kOpened, openMs, lightboxStallMs, lightboxBusyMs, lightboxPaintMs);
    std::printf("  cache after %d photos: %d full images, %d thumbnails, %.1f MB held; resident %.1f MB\n", kOpened,
                cache.imageCount(), cache.thumbnailCount(), cache.bytesHeld() / 1048576.0,
                vsp::bench::currentResidentBytes() / 1048576.0);

    // The photos take 300 MB of the temporary folder: they go now.
    QDir(JournalStore::imagesDirectory(gallery.id)).removeRecursively();
    QDir(JournalStore::imagesDirectory(many.id)).removeRecursively();

    const QList<vsp::bench::Result> results = {
        {QStringLiteral("gallery_first_thumbnail"), size, firstShownMs, QStringLiteral("ms")},
        {QStringLiteral("gallery_longest_gui_stall"), size, stallMs, QStringLiteral("ms")},
        {QStringLiteral("gallery_longest_gui_work"), size, busyMs, QStringLiteral("ms")},
        {QStringLiteral("gallery_all_thumbnails"), size, allMs, QStringLiteral("ms")},
        {QStringLiteral("lightbox_longest_first_paint"), size, lightboxPaintMs, QStringLiteral("ms")},
        {QStringLiteral("image_cache_bytes_after_200"), size, double(cache.bytesHeld()), QStringLiteral("B")},
    };
    return vsp::bench::recordResults(results) ? 0 : 1;
}
