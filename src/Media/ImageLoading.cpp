#include "Media/ImageLoading.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QPromise>
#include <QThreadPool>

#include <cmath>
#include <memory>
#include <mutex>

namespace vsp::photos {

namespace {

QImage toImage(const QVariant& value)
{
    return value.value<QImage>();
}

template <typename Work>
QFuture<QImage> runOnPool(Work work)
{
    auto promise = std::make_shared<QPromise<QImage>>();
    QFuture<QImage> future = promise->future();
    promise->start();
    decodePool().start([promise, work = std::move(work)]() mutable {
        // Nobody waits for a cancelled load any more (its view went or asked for another file): the
        // threads go on to the photos still wanted.
        if (!promise->isCanceled()) {
            promise->addResult(work());
        }
        promise->finish();
    });
    return future;
}

} // namespace

ImageCache::Decoded decodeFile(const QString& path, double maxDimension)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (maxDimension > 0) {
        // The reader decodes straight to the smaller size (a JPEG at a fraction of the work): the limit
        // holds for either side, so it is the same before and after the orientation turn.
        const QSize stored = reader.size();
        if (stored.isValid() && (stored.width() > maxDimension || stored.height() > maxDimension)) {
            const double scale = std::min(maxDimension / stored.width(), maxDimension / stored.height());
            reader.setScaledSize(QSize(std::max(1, int(std::lround(stored.width() * scale))),
                                       std::max(1, int(std::lround(stored.height() * scale)))));
        }
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return {};
    }
    const qint64 bytes = image.sizeInBytes();
    return {QVariant::fromValue(std::move(image)), bytes};
}

ImageCache& cache()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (!ImageCache::shared().hasDecoder()) {
            ImageCache::shared().setDecoder(decodeFile);
        }
    });
    return ImageCache::shared();
}

QThreadPool& decodePool()
{
    static QThreadPool* pool = [] {
        auto* made = new QThreadPool(QCoreApplication::instance());
        made->setMaxThreadCount(2);
        made->setObjectName(QStringLiteral("photoDecoding"));
        return made;
    }();
    return *pool;
}

QFuture<QImage> loadThumbnail(const QString& path)
{
    return runOnPool([path] { return toImage(cache().thumbnail(path, kThumbnailSize)); });
}

QFuture<QImage> loadImage(const QString& path)
{
    return runOnPool([path] { return toImage(cache().image(path)); });
}

QFuture<QImage> loadImageFitting(const QString& path, QSize size)
{
    return runOnPool([path, size] {
        const QImage full = toImage(cache().image(path));
        if (full.isNull() || size.isEmpty() || (full.width() <= size.width() && full.height() <= size.height())) {
            return full;
        }
        return full.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    });
}

QImage cachedThumbnail(const QString& path)
{
    return toImage(cache().cachedThumbnail(path, kThumbnailSize));
}

QImage cachedImage(const QString& path)
{
    return toImage(cache().cachedImage(path));
}

} // namespace vsp::photos
