#pragma once

#include "Model/ImageCache.h"

#include <QFuture>
#include <QImage>
#include <QSize>
#include <QString>

class QThreadPool;

namespace vsp::photos {

/// The one size of thumbnail the image views ask for: at most 800 pixels on the longer side.
inline constexpr double kThumbnailSize = 800;

/// Decodes a local file with QImageReader, turned upright by its orientation tag: the whole image when
/// `maxDimension` is 0, else scaled down (never up) to fit `maxDimension` pixels on either side, keeping
/// its proportions. A missing, unreadable or undecodable file (HEIC has no decoder here) gives a null
/// image; nothing is printed. Runs on any thread.
ImageCache::Decoded decodeFile(const QString& path, double maxDimension);

/// The shared cache, with decodeFile as its decoder unless another one was given (tests).
ImageCache& cache();

/// The threads photos are decoded on: two, so a gallery of large photos leaves the rest of the machine
/// alone. Owned by the application object; its end waits for decodes under way.
QThreadPool& decodePool();

/// Starts decoding on the pool: the 800-pixel thumbnail, or the full image, through the cache. The
/// future's one result is a null image when the file cannot be decoded; a future cancelled before its
/// turn decodes nothing and has no result.
QFuture<QImage> loadThumbnail(const QString& path);
QFuture<QImage> loadImage(const QString& path);
/// Starts decoding the full image through the cache and scales it on the pool to fit `size` (pixels),
/// so the GUI thread never scales a camera photo itself.
QFuture<QImage> loadImageFitting(const QString& path, QSize size);

/// The cached thumbnail or full image, without decoding: null when the cache does not hold it.
QImage cachedThumbnail(const QString& path);
QImage cachedImage(const QString& path);

} // namespace vsp::photos
