#include "Model/ImageCache.h"

#include <QHash>
#include <QMutexLocker>

#include <cmath>
#include <list>

/// A cache limited in count and bytes that drops the least recently used entry first.
class ImageCache::Lru final {
public:
    Lru(int limit, qint64 byteLimit) : m_limit(limit), m_byteLimit(byteLimit) { }

    std::optional<Decoded> take(const QString& key)
    {
        const auto it = m_items.find(key);
        if (it == m_items.end()) {
            return std::nullopt;
        }
        m_order.splice(m_order.begin(), m_order, it->second);
        return it->first;
    }

    std::optional<Decoded> peek(const QString& key) const
    {
        const auto it = m_items.constFind(key);
        if (it == m_items.constEnd()) {
            return std::nullopt;
        }
        return it->first;
    }

    void put(const QString& key, Decoded decoded)
    {
        remove(key);
        m_order.push_front(key);
        m_bytes += decoded.bytes;
        m_items.insert(key, {std::move(decoded), m_order.begin()});
        while (m_items.size() > m_limit || (m_bytes > m_byteLimit && m_items.size() > 1)) {
            remove(m_order.back());
        }
    }

    void remove(const QString& key)
    {
        const auto it = m_items.find(key);
        if (it == m_items.end()) {
            return;
        }
        m_bytes -= it->first.bytes;
        m_order.erase(it->second);
        m_items.erase(it);
    }

    void clear()
    {
        m_items.clear();
        m_order.clear();
        m_bytes = 0;
    }

    int size() const { return int(m_items.size()); }
    qint64 bytes() const { return m_bytes; }

private:
    int m_limit;
    qint64 m_byteLimit;
    std::list<QString> m_order;
    QHash<QString, std::pair<Decoded, std::list<QString>::iterator>> m_items;
    qint64 m_bytes = 0;
};

ImageCache::ImageCache()
    : m_images(std::make_unique<Lru>(kImageLimit, kImageBytesLimit)),
      m_thumbnails(std::make_unique<Lru>(kThumbnailLimit, kThumbnailBytesLimit))
{ }

ImageCache::~ImageCache() = default;

ImageCache& ImageCache::shared()
{
    static ImageCache instance;
    return instance;
}

void ImageCache::setDecoder(Decoder decoder)
{
    QMutexLocker lock(&m_mutex);
    m_decoder = decoder ? std::make_shared<const Decoder>(std::move(decoder)) : nullptr;
}

bool ImageCache::hasDecoder() const
{
    QMutexLocker lock(&m_mutex);
    return m_decoder != nullptr;
}

QString ImageCache::thumbnailKey(const QString& path, double maxDimension)
{
    // The integer part, as the key's text: 800.9 and 800 share "_thumb_800".
    const double whole = std::isfinite(maxDimension) ? std::trunc(maxDimension) : 0.0;
    return path + QStringLiteral("_thumb_") + QString::number(qint64(whole));
}

QVariant ImageCache::image(const QString& path)
{
    std::shared_ptr<const Decoder> decoder;
    {
        QMutexLocker lock(&m_mutex);
        if (auto hit = m_images->take(path)) {
            return hit->image;
        }
        decoder = m_decoder;
    }
    if (!decoder) {
        return {};
    }
    Decoded decoded = (*decoder)(path, 0);
    if (decoded.image.isNull()) {
        return {};
    }
    const QVariant image = decoded.image;
    storeImage(path, std::move(decoded));
    return image;
}

QVariant ImageCache::thumbnail(const QString& path, double maxDimension)
{
    if (!std::isfinite(maxDimension) || maxDimension < 1) {
        return {};
    }
    const QString key = thumbnailKey(path, maxDimension);
    std::shared_ptr<const Decoder> decoder;
    {
        QMutexLocker lock(&m_mutex);
        if (auto hit = m_thumbnails->take(key)) {
            return hit->image;
        }
        decoder = m_decoder;
    }
    if (!decoder) {
        return {};
    }
    Decoded decoded = (*decoder)(path, maxDimension);
    if (decoded.image.isNull()) {
        return {};
    }
    const QVariant image = decoded.image;
    QMutexLocker lock(&m_mutex);
    m_thumbnails->put(key, std::move(decoded));
    return image;
}

QVariant ImageCache::cachedImage(const QString& path) const
{
    QMutexLocker lock(&m_mutex);
    const auto hit = m_images->peek(path);
    return hit ? hit->image : QVariant();
}

QVariant ImageCache::cachedThumbnail(const QString& path, double maxDimension) const
{
    QMutexLocker lock(&m_mutex);
    const auto hit = m_thumbnails->peek(thumbnailKey(path, maxDimension));
    return hit ? hit->image : QVariant();
}

void ImageCache::storeImage(const QString& path, Decoded decoded)
{
    QMutexLocker lock(&m_mutex);
    m_images->put(path, std::move(decoded));
}

void ImageCache::storeThumbnail(const QString& path, double maxDimension, Decoded decoded)
{
    QMutexLocker lock(&m_mutex);
    m_thumbnails->put(thumbnailKey(path, maxDimension), std::move(decoded));
}

void ImageCache::evict(const QString& path)
{
    QMutexLocker lock(&m_mutex);
    m_images->remove(path);
    m_thumbnails->remove(thumbnailKey(path, 800));
}

void ImageCache::clear()
{
    QMutexLocker lock(&m_mutex);
    m_images->clear();
    m_thumbnails->clear();
}

int ImageCache::imageCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_images->size();
}

int ImageCache::thumbnailCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_thumbnails->size();
}

qint64 ImageCache::bytesHeld() const
{
    QMutexLocker lock(&m_mutex);
    return m_images->bytes() + m_thumbnails->bytes();
}
