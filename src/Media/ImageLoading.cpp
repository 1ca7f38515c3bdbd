#include "Media/ImageLoading.h"

#include "Model/FileIO.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QThreadPool>

#include <cmath>
#include <memory>
#include <mutex>

#include <sys/resource.h>

namespace vsp::photos {

namespace {

/// How far below the GUI thread the photo threads run (Linux niceness of the thread, 0…19).
constexpr int kDecodeNiceness = 10;

QImage toImage(const QVariant& value)
{
    return value.value<QImage>();
}

} // namespace

QString pictureProblem(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The header alone: the format and the picture's size, without decoding its pixels.
    if (!reader.canRead() || !reader.size().isValid()) {
        return QStringLiteral("the file is not a picture Vesperlog can read");
    }
    return {};
}

ImageCache::Decoded decodeFile(const QString& path, double maxDimension)
{
    // Read through the bounded reader: a FIFO or a device among the photos never holds a decode thread.
    const vsp::FileRead read = vsp::readFileBounded(path, vsp::kMaxPhotoBytes);
    if (read.status != vsp::FileRead::Status::Ok) {
        return {};
    }
    QBuffer buffer;
    buffer.setData(read.bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
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

QSize frameFor(QSize source, int width, int maxHeight)
{
    if (source.isEmpty() || width <= 0) {
        return {};
    }
    const int natural = int(std::lround(double(width) * source.height() / source.width()));
    return {width, std::max(1, std::min(maxHeight, natural))};
}

QImage framedImage(const QImage& source, QSize frame, ImageContentMode mode, double cornerRadius)
{
    if (source.isNull() || frame.isEmpty()) {
        return {};
    }
    const Qt::AspectRatioMode aspect =
        mode == ImageContentMode::Fill ? Qt::KeepAspectRatioByExpanding : Qt::KeepAspectRatio;
    const QSize shown = source.size().scaled(frame, aspect).expandedTo(QSize(1, 1));
    QImage scaled =
        shown == source.size() ? source : source.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (mode == ImageContentMode::Fill && (shown.width() > frame.width() || shown.height() > frame.height())) {
        const QSize cut = shown.boundedTo(frame);
        const QPoint corner((shown.width() - cut.width()) / 2, (shown.height() - cut.height()) / 2);
        scaled = scaled.copy(QRect(corner, cut));
    }
    // The backing store's own formats: drawing these is a copy, anything else converts on every paint.
    const QImage::Format fast = scaled.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (cornerRadius <= 0) {
        if (scaled.format() != fast) {
            scaled.convertTo(fast);
        }
        return scaled;
    }
    QImage rounded(scaled.size(), QImage::Format_ARGB32_Premultiplied);
    rounded.fill(Qt::transparent);
    QPainter p(&rounded);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rounded.rect()), cornerRadius, cornerRadius);
    p.setClipPath(clip);
    p.drawImage(0, 0, scaled);
    p.end();
    return rounded;
}

QFuture<FramedLoad> loadFramed(const QString& path, bool thumbnail, std::shared_ptr<const std::atomic<int>> width,
                               int maxHeight, ImageContentMode mode, double cornerRadius)
{
    return runOnDecodePool([path, thumbnail, width = std::move(width), maxHeight, mode, cornerRadius] {
        FramedLoad load;
        load.source = toImage(thumbnail ? cache().thumbnail(path, kThumbnailSize) : cache().image(path));
        const int wide = width ? width->load() : 0;
        load.frame = frameFor(load.source.size(), wide, maxHeight);
        load.framed = framedImage(load.source, load.frame, mode, cornerRadius);
        return load;
    });
}

QFuture<QImage> frameOnPool(const QImage& source, QSize frame, ImageContentMode mode, double cornerRadius)
{
    return runOnDecodePool(
        [source, frame, mode, cornerRadius] { return framedImage(source, frame, mode, cornerRadius); });
}

void startOnDecodePool(std::function<void()> work)
{
    decodePool().start([work = std::move(work)] {
        // Decoding yields to the GUI thread: on a busy machine a woken GUI thread otherwise waits its turn
        // behind the photo threads, and the window stutters while a gallery decodes. (On Linux the
        // niceness belongs to the calling thread; failing to lower it only loses that.)
        thread_local const bool yielding = setpriority(PRIO_PROCESS, 0, kDecodeNiceness) == 0;
        Q_UNUSED(yielding);
        work();
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
