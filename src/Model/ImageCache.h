#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

/// The application's one cache of decoded images, keyed by file path. Values are held as variants so
/// this model layer needs no GUI types; the photo views store and read QImage values.
class ImageCache final {
public:
    static ImageCache& shared();

    /// Full images, keyed by the file's path.
    QHash<QString, QVariant> cache;
    /// Thumbnails, keyed by the file's path followed by "_thumb_" and the size ("_thumb_800").
    QHash<QString, QVariant> thumbnailCache;

    /// Drops the full image and the 800-pixel thumbnail of the file at `path`. Absent keys are no error.
    void evict(const QString& path);

private:
    ImageCache() = default;
};
