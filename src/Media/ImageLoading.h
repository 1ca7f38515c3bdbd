#pragma once

#include "Model/ImageCache.h"

#include <QFuture>
#include <QImage>
#include <QPromise>
#include <QSize>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <type_traits>

class QThreadPool;

/// How a picture meets its frame: whole inside it (`Fit`) or covering it, cut at the edges (`Fill`).
enum class ImageContentMode { Fit, Fill };

namespace vsp::photos {

/// The one size of thumbnail the image views ask for: at most 800 pixels on the longer side.
inline constexpr double kThumbnailSize = 800;

/// Decodes a local regular file of at most 200 MiB with QImageReader, turned upright by its orientation tag: the whole image when
/// `maxDimension` is 0, else scaled down (never up) to fit `maxDimension` pixels on either side, keeping
/// its proportions. A missing, unreadable or undecodable file (HEIC has no decoder here) gives a null
/// image; nothing is printed. Runs on any thread.
ImageCache::Decoded decodeFile(const QString& path, double maxDimension);

/// Why `bytes` are no picture QImageReader can read (its format and size from the header alone), or
/// empty when they are one: the image check the journal store applies to picked files. Any thread.
QString pictureProblem(const QByteArray& bytes);

/// The shared cache, with decodeFile as its decoder unless another one was given (tests).
ImageCache& cache();

/// The threads photos are decoded on: two, so a gallery of large photos leaves the rest of the machine
/// alone. Owned by the application object; its end waits for decodes under way.
QThreadPool& decodePool();
/// Queues `work` on the decode pool.
void startOnDecodePool(std::function<void()> work);

/// The frame a picture of `source` pixels takes `width` pixels wide: its own proportions, at most
/// `maxHeight` pixels high (and at least 1). Empty for an empty source or width.
QSize frameFor(QSize source, int width, int maxHeight);

/// `source` made ready to be drawn 1:1 in a frame of `frame` pixels: smoothly scaled to cover (`Fill`)
/// or to fit (`Fit`) it with its proportions kept, and cut to the frame about its centre (`Fill`), in a
/// format the painter copies without converting. With `cornerRadius` (pixels) > 0 the result's corners
/// are rounded off (transparent). Null for a null source or an empty frame. Any thread.
QImage framedImage(const QImage& source, QSize frame, ImageContentMode mode, double cornerRadius = 0);

/// A decoded picture and its copy made ready for the frame it is shown in (null when that frame was not
/// known yet).
struct FramedLoad {
    QImage source;
    QImage framed;
    /// The frame (pixels) `framed` was made for.
    QSize frame;
};

/// Starts decoding on the pool, through the cache, the 800-pixel thumbnail (`thumbnail`) or the full
/// image, and makes it ready for its frame there too, so the GUI thread only copies pixels. The source is
/// a null image when the file cannot be decoded. `width` is the frame's width in device pixels, read
/// once the decode is done (the view lays out meanwhile); 0 when not known. `maxHeight` and
/// `cornerRadius` in device pixels. Cancelled before its turn, it decodes nothing.
QFuture<FramedLoad> loadFramed(const QString& path, bool thumbnail, std::shared_ptr<const std::atomic<int>> width,
                               int maxHeight, ImageContentMode mode, double cornerRadius);
/// Makes an image ready for another frame (a resize) on the pool.
QFuture<QImage> frameOnPool(const QImage& source, QSize frame, ImageContentMode mode, double cornerRadius);
/// Runs other picture work on the photo threads; the future's one result is what `work` returns. A
/// future cancelled before its turn runs nothing and has no result.
template <typename Work, typename Result = std::invoke_result_t<Work&>>
QFuture<Result> runOnDecodePool(Work work)
{
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> future = promise->future();
    promise->start();
    startOnDecodePool([promise, work = std::move(work)]() mutable {
        // Nobody waits for a cancelled load any more (its view went or asked for another file): the
        // threads go on to the photos still wanted.
        if (!promise->isCanceled()) {
            promise->addResult(work());
        }
        promise->finish();
    });
    return future;
}

/// The cached thumbnail or full image, without decoding: null when the cache does not hold it.
QImage cachedThumbnail(const QString& path);
QImage cachedImage(const QString& path);

} // namespace vsp::photos
