#include "ImagesTest.h"

#include "common/TestSupport.h"
#include "common/ViewFixtures.h"

#include "Media/ImageGalleryView.h"
#include "Media/ImageLoading.h"
#include "Media/ImagePickerButton.h"
#include "Model/ImageCache.h"
#include "Model/JournalStore.h"
#include "Model/Uuid.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/Transitions.h"

#include <QAbstractButton>
#include <QFile>
#include <QLabel>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <atomic>

using vsp::Color;

namespace {

/// A decoder that makes a picture of the size named by the file ("/w x h") and counts its calls; the
/// file "/slow" waits for `gate` first (counted in `waiting`), and "/none" decodes to nothing.
struct FakeDecoder {
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> waiting = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<QSemaphore> gate = std::make_shared<QSemaphore>(0);

    ImageCache::Decoder function() const
    {
        return [calls = calls, waiting = waiting, gate = gate](const QString& path,
                                                               double maxDimension) -> ImageCache::Decoded {
            if (path == QStringLiteral("/slow")) {
                ++*waiting;
                gate->acquire();
            }
            ++*calls;
            if (path == QStringLiteral("/none")) {
                return {};
            }
            const QStringList sides = path.mid(1).split(u'x');
            QSize size = sides.size() == 2 ? QSize(sides[0].toInt(), sides[1].toInt()) : QSize(10, 10);
            if (maxDimension > 0) {
                size = size.boundedTo(QSize(int(maxDimension), int(maxDimension)));
            }
            QImage image(size, QImage::Format_RGB32);
            image.fill(Qt::gray);
            return {QVariant::fromValue(image), image.sizeInBytes()};
        };
    }
};

QString photoIn(const QUuid& id, const QString& name, QSize size)
{
    const QString path = JournalStore::imagesDirectory(id) + u'/' + name;
    if (!size.isEmpty()) {
        viewfixtures::writePhoto(path, size);
    }
    return path;
}

void waitForDecodes()
{
    vsp::photos::decodePool().waitForDone();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

} // namespace

void ImagesTest::init()
{
    viewfixtures::resetState();
    ImageCache::shared().clear();
    ImageCache::shared().setDecoder(vsp::photos::decodeFile);
}

void ImagesTest::cleanup()
{
    waitForDecodes();
    ImageCache::shared().clear();
    ImageCache::shared().setDecoder(vsp::photos::decodeFile);
}

// ------------------------------------------------------------------------------------------ cache

void ImagesTest::cache_thumbnailFitsWithin_data()
{
    QTest::addColumn<QSize>("photo");
    QTest::addColumn<QSize>("thumbnail");
    QTest::newRow("3000 x 2000 (533.3 high)") << QSize(3000, 2000) << QSize(800, 533);
    QTest::newRow("400 x 1600") << QSize(400, 1600) << QSize(200, 800);
    QTest::newRow("exactly 800 x 800 stays") << QSize(800, 800) << QSize(800, 800);
    QTest::newRow("smaller is never enlarged") << QSize(300, 120) << QSize(300, 120);
}

void ImagesTest::cache_thumbnailFitsWithin()
{
    QFETCH(QSize, photo);
    QFETCH(QSize, thumbnail);
    const QString path = photoIn(vsp::newUuid(), QStringLiteral("p.jpg"), photo);
    const QImage thumb = ImageCache::shared().thumbnail(path, 800).value<QImage>();
    QCOMPARE(thumb.size(), thumbnail);
    QCOMPARE(vsp::photos::cachedThumbnail(path).size(), thumbnail);
    QVERIFY(ImageCache::shared().cachedImage(path).isNull());
}

void ImagesTest::cache_thumbnailKey_takesWholePart()
{
    QCOMPARE(ImageCache::thumbnailKey(QStringLiteral("/a/b.jpg"), 800), QStringLiteral("/a/b.jpg_thumb_800"));
    QCOMPARE(ImageCache::thumbnailKey(QStringLiteral("/a/b.jpg"), 800.9), QStringLiteral("/a/b.jpg_thumb_800"));
    FakeDecoder fake;
    ImageCache::shared().setDecoder(fake.function());
    ImageCache::shared().thumbnail(QStringLiteral("/900x900"), 800.9);
    QVERIFY(!ImageCache::shared().thumbnail(QStringLiteral("/900x900"), 800).isNull());
    QCOMPARE(fake.calls->load(), 1);
}

void ImagesTest::cache_fullAndThumbnail_decodeApart_evictDropsBoth()
{
    FakeDecoder fake;
    ImageCache& cache = ImageCache::shared();
    cache.setDecoder(fake.function());
    const QString path = QStringLiteral("/900x600");
    QCOMPARE(cache.image(path).value<QImage>().size(), QSize(900, 600));
    QCOMPARE(cache.thumbnail(path, 800).value<QImage>().size(), QSize(800, 600));
    cache.thumbnail(path, 400);
    QCOMPARE(fake.calls->load(), 3);
    cache.image(path);
    cache.thumbnail(path, 800);
    QCOMPARE(fake.calls->load(), 3);

    cache.evict(path);
    QVERIFY(cache.cachedImage(path).isNull());
    QVERIFY(cache.cachedThumbnail(path, 800).isNull());
    QVERIFY(!cache.cachedThumbnail(path, 400).isNull());
    cache.image(path);
    cache.thumbnail(path, 800);
    QCOMPARE(fake.calls->load(), 5);
    cache.evict(QStringLiteral("/never-cached"));
    QCOMPARE(cache.imageCount(), 1);
}

void ImagesTest::cache_undecodableFile_isReadAgain_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("HEIC (no decoder here)") << QByteArray("\0\0\0\x18"
                                                          "ftypheic\0\0\0\0mif1heic",
                                                          24);
    QTest::newRow("garbage") << QByteArray("not a picture at all");
}

void ImagesTest::cache_undecodableFile_isReadAgain()
{
    QFETCH(QByteArray, contents);
    const QString path = photoIn(vsp::newUuid(), QStringLiteral("p.heic"), {});
    if (!contents.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    QVERIFY(ImageCache::shared().image(path).isNull());
    QVERIFY(ImageCache::shared().thumbnail(path, 800).isNull());
    QCOMPARE(ImageCache::shared().imageCount() + ImageCache::shared().thumbnailCount(), 0);

    // Counted with a fake: every call reads again.
    FakeDecoder fake;
    ImageCache::shared().setDecoder(fake.function());
    ImageCache::shared().image(QStringLiteral("/none"));
    ImageCache::shared().image(QStringLiteral("/none"));
    QCOMPARE(fake.calls->load(), 2);
}

void ImagesTest::cache_limit_dropsLeastRecentlyUsed_data()
{
    QTest::addColumn<bool>("thumbnails");
    QTest::addColumn<int>("limit");
    QTest::newRow("30 full images") << false << 30;
    QTest::newRow("60 thumbnails") << true << 60;
}

void ImagesTest::cache_limit_dropsLeastRecentlyUsed()
{
    QFETCH(bool, thumbnails);
    QFETCH(int, limit);
    FakeDecoder fake;
    ImageCache& cache = ImageCache::shared();
    cache.setDecoder(fake.function());
    const auto ask = [&](int i) {
        const QString path = QStringLiteral("/%1x10").arg(10 + i);
        return thumbnails ? cache.thumbnail(path, 800) : cache.image(path);
    };
    const auto count = [&] { return thumbnails ? cache.thumbnailCount() : cache.imageCount(); };
    for (int i = 0; i < limit; ++i) {
        ask(i);
    }
    QCOMPARE(count(), limit);
    ask(0); // used again: the second is now the oldest
    ask(limit);
    QCOMPARE(count(), limit);
    QCOMPARE(fake.calls->load(), limit + 1);
    ask(0);
    QCOMPARE(fake.calls->load(), limit + 1);
    ask(1);
    QCOMPARE(fake.calls->load(), limit + 2);
    const qint64 perPicture = QImage(20, 10, QImage::Format_RGB32).sizeInBytes();
    QVERIFY(cache.bytesHeld() <= limit * perPicture * 5);
    QVERIFY(cache.bytesHeld() > 0);
}

void ImagesTest::cache_overByteBudget_dropsOldestButKeepsNewest()
{
    ImageCache& cache = ImageCache::shared();
    const qint64 camera = 48'000'000; // a decoded 4000 x 3000 photo
    for (int i = 0; i < 10; ++i) {
        cache.storeImage(QStringLiteral("/photo%1").arg(i), {i, camera});
    }
    QCOMPARE(cache.imageCount(), int(ImageCache::kImageBytesLimit / camera));
    QVERIFY(cache.cachedImage(QStringLiteral("/photo0")).isNull());
    QCOMPARE(cache.cachedImage(QStringLiteral("/photo9")), QVariant(9));
    QVERIFY(cache.bytesHeld() <= ImageCache::kImageBytesLimit);
    // One picture larger than the whole budget still stays while it is the newest.
    cache.storeImage(QStringLiteral("/panorama"), {10, ImageCache::kImageBytesLimit * 2});
    QCOMPARE(cache.imageCount(), 1);
    QCOMPARE(cache.cachedImage(QStringLiteral("/panorama")), QVariant(10));
}

// ------------------------------------------------------------------------------------------ cached image

void ImagesTest::cachedImage_heldThumbnail_showsAtOnce()
{
    FakeDecoder fake;
    ImageCache::shared().setDecoder(fake.function());
    ImageCache::shared().thumbnail(QStringLiteral("/40x30"), 800);
    CachedImageView view(QStringLiteral("/40x30"), true, 400, ImageContentMode::Fill);
    QVERIFY(!view.isLoading());
    QCOMPARE(view.image().size(), QSize(40, 30));
    QCOMPARE(view.heightForWidth(400), 300);
    QCOMPARE(fake.calls->load(), 1);
}

void ImagesTest::cachedImage_slowEarlierLoad_neverReplacesNewer()
{
    FakeDecoder fake;
    ImageCache::shared().setDecoder(fake.function());
    CachedImageView view(QStringLiteral("/40x30"), true, 400, ImageContentMode::Fill);
    QTRY_VERIFY(!view.isLoading());
    QCOMPARE(view.image().size(), QSize(40, 30));

    // The earlier picture stays while the next one decodes...
    view.setPath(QStringLiteral("/slow"));
    QVERIFY(view.isLoading());
    QTRY_COMPARE(fake.waiting->load(), 1);
    QCOMPARE(view.image().size(), QSize(40, 30));
    // ...and a slow decode that ends after a newer one never replaces it.
    view.setPath(QStringLiteral("/60x20"));
    QTRY_VERIFY(!view.isLoading());
    QCOMPARE(view.image().size(), QSize(60, 20));
    fake.gate->release();
    waitForDecodes();
    QCOMPARE(fake.calls->load(), 3);
    QCOMPARE(view.image().size(), QSize(60, 20));
    QCOMPARE(view.path(), QStringLiteral("/60x20"));
}

void ImagesTest::cachedImage_goneBeforeItsTurn_decodesNothing()
{
    FakeDecoder fake;
    ImageCache::shared().setDecoder(fake.function());
    // Both photo threads wait on slow files; the third load waits for a thread.
    CachedImageView first(QStringLiteral("/slow"), true, 400, ImageContentMode::Fill);
    CachedImageView second(QStringLiteral("/slow"), false, 400, ImageContentMode::Fill);
    QTRY_COMPARE(fake.waiting->load(), 2);
    auto gone = std::make_unique<CachedImageView>(QStringLiteral("/30x30"), true, 400, ImageContentMode::Fill);
    auto moved = std::make_unique<CachedImageView>(QStringLiteral("/31x31"), true, 400, ImageContentMode::Fill);
    gone.reset();
    moved->setPath(QStringLiteral("/32x32"));
    fake.gate->release(2);
    QTRY_VERIFY(!moved->isLoading());
    waitForDecodes();
    QCOMPARE(fake.calls->load(), 3);
    QCOMPARE(moved->image().size(), QSize(32, 32));
    QVERIFY(ImageCache::shared().cachedThumbnail(QStringLiteral("/30x30"), 800).isNull());
}

void ImagesTest::cachedImage_undecodableFile_keepsPlaceholder()
{
    FakeDecoder fake;
    ImageCache::shared().setDecoder(fake.function());
    CachedImageView view(QStringLiteral("/40x30"), true, 400, ImageContentMode::Fill);
    QTRY_VERIFY(!view.isLoading());
    QSignalSpy finished(&view, &CachedImageView::loadFinished);
    view.setPath(QStringLiteral("/none"));
    QTRY_COMPARE(finished.size(), 1);
    QVERIFY(view.image().isNull());
    QCOMPARE(view.heightForWidth(400), 120);
}

void ImagesTest::cachedImage_pictureIsMadeForItsFrameOffTheGuiThread()
{
    FakeDecoder fake;
    ImageCache::shared().setDecoder(fake.function());
    QWidget host;
    auto* view = new CachedImageView(QStringLiteral("/600x450"), true, 400, ImageContentMode::Fill, &host);
    view->setGeometry(0, 0, 300, 225);
    host.show();
    QTRY_VERIFY(!view->isLoading());
    // The load came with the copy for the frame it found once decoded: a paint copies it as it is.
    QVERIFY(view->isFramed());
    QCOMPARE(view->image().size(), QSize(600, 450));
    // Another size: the copy at hand is stretched until the photo threads send one for it.
    view->setGeometry(0, 0, 500, 375);
    QVERIFY(!view->isFramed());
    view->repaint();
    QTRY_VERIFY(view->isFramed());
    // Corners given after the load began are made again too.
    view->setCornerRadius(12);
    QVERIFY(!view->isFramed());
    view->repaint();
    QTRY_VERIFY(view->isFramed());
    QCOMPARE(fake.calls->load(), 1);
}

// ------------------------------------------------------------------------------------------ gallery

void ImagesTest::gallery_noNames_showsNothing()
{
    QWidget host;
    auto* gallery = new ImageGalleryView(vsp::newUuid(), {}, true, nullptr, nullptr, &host);
    host.show();
    QVERIFY(!gallery->isVisible());
    QVERIFY(gallery->findChildren<QLabel*>().isEmpty());
    QVERIFY(gallery->thumbnails().isEmpty());
}

void ImagesTest::gallery_clicks_data()
{
    QTest::addColumn<bool>("editing");
    QTest::addColumn<bool>("withActions");
    QTest::addColumn<bool>("clickRemove");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("reading: a click opens") << false << true << false << QStringList{QStringLiteral("tap b.jpg")};
    QTest::newRow("editing: a click opens") << true << true << false << QStringList{QStringLiteral("tap b.jpg")};
    QTest::newRow("editing: the cross removes only")
        << true << true << true << QStringList{QStringLiteral("remove b.jpg")};
    QTest::newRow("no actions: nothing happens") << true << false << true << QStringList{};
}

void ImagesTest::gallery_clicks()
{
    QFETCH(bool, editing);
    QFETCH(bool, withActions);
    QFETCH(bool, clickRemove);
    QFETCH(QStringList, expected);
    const QUuid id = vsp::newUuid();
    photoIn(id, QStringLiteral("a.jpg"), QSize(90, 60));
    photoIn(id, QStringLiteral("b.jpg"), QSize(60, 90));
    QStringList calls;
    ImageGalleryView::Action remove;
    ImageGalleryView::Action tap;
    if (withActions) {
        remove = [&](const QString& name) { calls.append(QStringLiteral("remove ") + name); };
        tap = [&](const QString& name) { calls.append(QStringLiteral("tap ") + name); };
    }
    ImageGalleryView gallery(id, {QStringLiteral("a.jpg"), QStringLiteral("b.jpg")}, editing, remove, tap);
    gallery.resize(500, 900);
    gallery.show();
    QCOMPARE(gallery.findChild<QLabel*>(QStringLiteral("imagesCaption"))->text(), QStringLiteral("IMAGES"));
    QCOMPARE(gallery.thumbnails().size(), 2);
    QCOMPARE(gallery.removeButtons().size(), editing ? 2 : 0);
    for (ImageThumbnail* thumb : gallery.thumbnailViews()) {
        QTRY_VERIFY(!thumb->imageView()->isLoading());
        QVERIFY(!thumb->imageView()->image().isNull());
    }
    if (clickRemove) {
        QAbstractButton* cross = gallery.removeButtons().at(1);
        QVERIFY(cross->isVisible());
        QTest::mouseClick(cross, Qt::LeftButton);
    } else {
        QTest::mouseClick(gallery.thumbnails().at(1), Qt::LeftButton);
    }
    QCOMPARE(calls, expected);
}

void ImagesTest::gallery_namesChange_keepStayingThumbnails_data()
{
    QTest::addColumn<bool>("animations");
    QTest::newRow("springs") << true;
    QTest::newRow("animations off") << false;
}

void ImagesTest::gallery_namesChange_keepStayingThumbnails()
{
    QFETCH(bool, animations);
    const QUuid id = vsp::newUuid();
    const QStringList names{QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg"),
                            QStringLiteral("d.jpg")};
    for (const QString& name : names) {
        photoIn(id, name, QSize(90, 60));
    }
    QWidget host;
    host.resize(400, 900);
    auto* gallery = new ImageGalleryView(id, names.mid(0, 3), true, nullptr, nullptr, &host);
    gallery->setGeometry(0, 0, 400, 900);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    const QList<ImageThumbnail*> before = gallery->thumbnailViews();
    const auto loading = [](ImageThumbnail* t) { return t->imageView()->isLoading(); };
    QTRY_VERIFY(std::none_of(before.begin(), before.end(), loading));
    const int fullHeight = gallery->contentHeight();
    vsp::setAnimationsEnabled(animations);
    const auto settled = [gallery] {
        const QList<TransitionSlot*> slots = gallery->thumbnailSlots();
        return std::none_of(slots.begin(), slots.end(), [](TransitionSlot* s) { return s->isTransitioning(); });
    };

    // Removed: the others stay the same thumbnails; the removed one leaves, with a spring or at once.
    gallery->setFilenames({names[0], names[2]});
    QCOMPARE(gallery->thumbnailViews(), (QList<ImageThumbnail*>{before[0], before[2]}));
    QCOMPARE(gallery->thumbnailSlots().size() == 3 && !settled(), animations);
    QTRY_VERIFY(settled() && gallery->thumbnailSlots().size() == 2);
    const int twoHigh = gallery->contentHeight();
    QVERIFY(twoHigh < fullHeight);

    // Added: it comes in after the ones before it in the list, taking its room as it grows.
    gallery->setFilenames({names[0], names[2], names[3]});
    QCOMPARE(gallery->thumbnailViews().mid(0, 2), (QList<ImageThumbnail*>{before[0], before[2]}));
    QCOMPARE(gallery->thumbnailViews().at(2)->accessibleName(), names[3]);
    QCOMPARE(!settled(), animations);
    if (animations) {
        QVERIFY(gallery->contentHeight() < fullHeight);
    }
    QTRY_VERIFY(settled() && !gallery->thumbnailViews().at(2)->imageView()->isLoading());
    QTRY_COMPARE(gallery->contentHeight(), fullHeight);
    QCOMPARE(gallery->thumbnailSlots().at(2)->content(), gallery->thumbnailViews().at(2));
}

void ImagesTest::gallery_comingInWhilePhotosDecode_picturesPlaceholderThenPhotos()
{
    const QUuid id = vsp::newUuid();
    photoIn(id, QStringLiteral("a.jpg"), QSize(90, 60));
    QWidget host;
    host.resize(400, 700);
    auto* column = new QVBoxLayout(&host);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    vsp::setAnimationsEnabled(true);
    viewfixtures::PhotoThreadsHeld held;
    // An edit page's photo section coming in with a photo not decoded yet.
    auto* gallery = new ImageGalleryView(id, {QStringLiteral("a.jpg")}, true, nullptr, nullptr);
    gallery->hide();
    auto* section = new TransitionSlot(gallery, Transition{1.0, Qt::AlignTop | Qt::AlignHCenter, false, Qt::Vertical},
                                       vsp::Spring{1.0, 1.0}, &host);
    column->addWidget(section);
    section->setPresent(true);
    QVERIFY(section->isTransitioning());
    CachedImageView* photo = gallery->thumbnailViews().at(0)->imageView();
    QVERIFY(photo->isLoading());
    // Pixels unlike the plain placeholder (its spinner's), and pixels of the photo's colours.
    const auto unlikePlaceholder = [photo] {
        const QImage image = photo->grab().toImage();
        const QColor muted = Color::vspMuted().resolve();
        int n = 0;
        for (int y = 12; y < image.height() - 12; ++y) {
            for (int x = 12; x < image.width() - 12; ++x) {
                const QColor p = image.pixelColor(x, y);
                n += std::abs(p.red() - muted.red()) + std::abs(p.green() - muted.green()) > 30 ? 1 : 0;
            }
        }
        return n;
    };
    const auto photoColoured = [section] {
        const QImage image = section->grab().toImage();
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor p = image.pixelColor(x, y);
                n += p.alpha() > 60 && p.hsvSaturation() > 100 ? 1 : 0;
            }
        }
        return n;
    };
    // The moving picture holds the placeholder without a spinner frozen in it.
    QCOMPARE(unlikePlaceholder(), 0);
    QCOMPARE(photoColoured(), 0);

    // The photo arrives while the section still comes in: the picture shows it.
    held.release();
    QTRY_VERIFY(!photo->isLoading());
    QTRY_VERIFY(photoColoured() > 0 || !section->isTransitioning());
    QVERIFY(section->isTransitioning());
    QTRY_VERIFY(!section->isTransitioning());
    QVERIFY(photoColoured() > 0);
}

void ImagesTest::cachedImage_atRest_spinsWhileLoading()
{
    QWidget host;
    host.resize(300, 200);
    auto* view = new CachedImageView(QString(), true, 400, ImageContentMode::Fill, &host);
    view->setGeometry(0, 0, 300, 120);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    vsp::setAnimationsEnabled(true);
    viewfixtures::PhotoThreadsHeld held;
    view->setPath(photoIn(vsp::newUuid(), QStringLiteral("a.jpg"), QSize(90, 60)));
    QVERIFY(view->isLoading());
    // Out of any moving picture the placeholder carries its spinner.
    const QImage image = view->grab().toImage();
    const QColor muted = Color::vspMuted().resolve();
    int ring = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor p = image.pixelColor(x, y);
            ring += std::abs(p.red() - muted.red()) + std::abs(p.green() - muted.green()) > 30 ? 1 : 0;
        }
    }
    QVERIFY(ring > 20);
}

void ImagesTest::cachedImage_unreadableFile_saysSoInsteadOfSpinning_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("not a picture") << QByteArray("plain words, no picture") << true;
}

void ImagesTest::cachedImage_unreadableFile_saysSoInsteadOfSpinning()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    if (exists) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QWidget host;
    host.resize(300, 200);
    vsp::setAnimationsEnabled(true);
    auto* view = new CachedImageView(path, true, 400, ImageContentMode::Fill, &host);
    view->setGeometry(0, 0, 300, 120);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QTRY_VERIFY(!view->isLoading());
    QVERIFY(view->loadFailed());
    // No spinner goes on turning for a load that has ended, and the frame says what happened.
    QVERIFY(!view->findChild<QVariantAnimation*>());
    QCOMPARE(view->toolTip(), CachedImageView::unreadableText());
    // A picture found later in its place is shown, and the message goes.
    view->setPath(photoIn(vsp::newUuid(), QStringLiteral("a.jpg"), QSize(90, 60)));
    QVERIFY(!view->loadFailed());
    QTRY_VERIFY(!view->isLoading());
    QVERIFY(!view->loadFailed());
    QCOMPARE(view->toolTip(), QString());
}

// ------------------------------------------------------------------------------------------ lightbox

void ImagesTest::lightbox_fitsPhotoWithinPadding()
{
    const QUuid id = vsp::newUuid();
    photoIn(id, QStringLiteral("wide.jpg"), QSize(1600, 600));
    QWidget host;
    host.resize(800, 600);
    auto* box = new ImageLightbox(
        id, QStringLiteral("wide.jpg"), [] {}, &host);
    host.show();
    QTRY_VERIFY(!box->image().isNull());
    // Wider than the room: exactly as wide as the host less 120, proportions kept.
    QCOMPARE(box->photoRect(), QRectF(60, 300 - 255.0 / 2, 680, 255));
    host.resize(600, 900);
    QCOMPARE(box->geometry(), host.rect());
    QCOMPARE(box->photoRect().width(), 480.0);
}

void ImagesTest::lightbox_missingFile_saysItCannotBeRead()
{
    QWidget host;
    host.resize(800, 600);
    vsp::setAnimationsEnabled(false);
    auto* box = new ImageLightbox(
        vsp::newUuid(), QStringLiteral("gone.jpg"), [] {}, &host);
    QSignalSpy finished(box, &ImageLightbox::loadFinished);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QTRY_VERIFY(finished.count() > 0);
    // Light text shows in the middle of the dark backdrop.
    const QImage picture = box->grab().toImage();
    int light = 0;
    for (int y = 250; y < 350; ++y) {
        for (int x = 200; x < 600; ++x) {
            light += qGray(picture.pixel(x, y)) > 160 ? 1 : 0;
        }
    }
    QVERIFY2(light > 50, qPrintable(QString::number(light)));
}

void ImagesTest::lightbox_closes_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("fileExists");
    QTest::newRow("Escape") << QStringLiteral("escape") << true;
    QTest::newRow("click outside the photo") << QStringLiteral("outside") << true;
    QTest::newRow("missing file: a click anywhere") << QStringLiteral("centre") << false;
}

void ImagesTest::lightbox_closes()
{
    QFETCH(QString, how);
    QFETCH(bool, fileExists);
    const QUuid id = vsp::newUuid();
    photoIn(id, QStringLiteral("p.jpg"), fileExists ? QSize(400, 300) : QSize());
    QWidget host;
    host.resize(800, 600);
    int dismissed = 0;
    auto* box = new ImageLightbox(
        id, QStringLiteral("p.jpg"), [&] { ++dismissed; }, &host);
    QSignalSpy loaded(box, &ImageLightbox::loadFinished);
    host.show();
    box->setFocus();
    QTRY_COMPARE(loaded.size(), 1);
    QCOMPARE(box->image().isNull(), !fileExists);
    if (fileExists) {
        // The photo itself takes no click.
        QTest::mouseClick(box, Qt::LeftButton, {}, box->photoRect().center().toPoint());
        QVERIFY(!box->isDismissing());
    }
    if (how == QStringLiteral("escape")) {
        QTest::keyClick(box, Qt::Key_Escape);
        QTest::keyClick(box, Qt::Key_Escape);
    } else {
        const QPoint where = how == QStringLiteral("outside") ? QPoint(20, 20) : QPoint(400, 300);
        QTest::mouseClick(box, Qt::LeftButton, {}, where);
        QTest::mouseClick(box, Qt::LeftButton, {}, where);
    }
    QVERIFY(box->isDismissing());
    QCOMPARE(dismissed, 0);
    // The fade ends once, though it was asked for twice.
    QCOMPARE(box->findChildren<QTimer*>(QStringLiteral("dismissTimer")).size(), 1);
    QVERIFY(vsp::test::fireTimer(*box, QStringLiteral("dismissTimer")));
    QCOMPARE(dismissed, 1);
}

// ------------------------------------------------------------------------------------------ picker

void ImagesTest::picker_handsOverLocalFilesOnly()
{
    QList<QList<QUrl>> handed;
    ImagePickerButton picker([&](const QList<QUrl>& files) { handed.append(files); });
    picker.show();
    const QUrl local = QUrl::fromLocalFile(QStringLiteral("/pictures/a.jpg"));
    const QUrl remote(QStringLiteral("https://example.org/b.jpg"));
    picker.setChooser([&](QWidget*) { return QList<QUrl>{remote, local}; });
    QTest::mouseClick(&picker, Qt::LeftButton);
    picker.setChooser([&](QWidget*) { return QList<QUrl>{remote}; });
    QTest::mouseClick(&picker, Qt::LeftButton);
    QCOMPARE(handed, QList<QList<QUrl>>{{local}});
    const QString filter = ImagePickerButton::imageNameFilter();
    QVERIFY(filter.contains(QStringLiteral("*.jpg")));
    QVERIFY(!filter.contains(QStringLiteral("*.heic")));
}
