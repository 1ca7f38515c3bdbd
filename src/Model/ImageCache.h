#pragma once

#include <QMutex>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

/// The one process-wide memory cache of decoded photos: full-size images (at most 30) and thumbnails
/// (at most 60), keyed by file path, the least recently used going first. It keeps nothing on disk,
/// prints nothing and reports no errors.
///
/// Each cache also has a byte budget, standing in for the eviction under memory pressure that this
/// desktop does not signal: 30 camera photos of 4000 x 3000 would otherwise hold 1.4 GB. Over budget,
/// the oldest pictures go until it fits again (the newest always stays).
///
/// The model layer needs no GUI types, so the pictures are held as variants and the decoding is given
/// to the cache by the photo views (src/Media installs a QImageReader decoder; tests install fakes).
/// Every member may be called from any thread: one mutex guards both caches, and decoding runs outside
/// it, so two simultaneous misses of one key both decode and the later result stays.
class ImageCache final {
public:
    static constexpr int kImageLimit = 30;
    static constexpr int kThumbnailLimit = 60;
    static constexpr qint64 kImageBytesLimit = 384LL << 20;
    static constexpr qint64 kThumbnailBytesLimit = 128LL << 20;

    /// A decoded picture and what it costs in memory (bytes). A null `image` means the file could not be
    /// decoded.
    struct Decoded {
        QVariant image;
        qint64 bytes = 0;
    };
    /// Decodes the file at `path`: the whole image when `maxDimension` is 0, else one no larger than
    /// `maxDimension` pixels on either side (never enlarged). May run on any thread, several at once.
    using Decoder = std::function<Decoded(const QString& path, double maxDimension)>;

    static ImageCache& shared();

    /// Replaces the decoder; without one every miss gives nothing.
    void setDecoder(Decoder decoder);
    bool hasDecoder() const;

    /// The full-size image of the file, from the cache or decoded now (and then cached). Null when the
    /// file cannot be decoded; a failure is not remembered, so the next call reads the file again.
    QVariant image(const QString& path);
    /// The file's thumbnail of at most `maxDimension` pixels a side (finite, > 0), from the cache or
    /// decoded now. Neither reads nor fills the full-size cache.
    QVariant thumbnail(const QString& path, double maxDimension);
    /// What the cache holds already, without decoding anything: safe on the GUI thread.
    QVariant cachedImage(const QString& path) const;
    QVariant cachedThumbnail(const QString& path, double maxDimension) const;

    /// Puts a decoded picture in (the decoder's results go through here too).
    void storeImage(const QString& path, Decoded decoded);
    void storeThumbnail(const QString& path, double maxDimension, Decoded decoded);

    /// Forgets the file's full-size image and its 800-pixel thumbnail (other sizes stay). Called before a
    /// photo is deleted; a file that is not cached is no error.
    void evict(const QString& path);
    /// Forgets everything (tests and benchmarks).
    void clear();

    /// The thumbnail key: the path, "_thumb_" and the integer part of `maxDimension` ("…_thumb_800").
    static QString thumbnailKey(const QString& path, double maxDimension);

    int imageCount() const;
    int thumbnailCount() const;
    /// Bytes held by the decoded pictures of both caches.
    qint64 bytesHeld() const;

private:
    ImageCache();
    ~ImageCache();

    class Lru;
    mutable QMutex m_mutex;
    std::unique_ptr<Lru> m_images;
    std::unique_ptr<Lru> m_thumbnails;
    std::shared_ptr<const Decoder> m_decoder;
};
