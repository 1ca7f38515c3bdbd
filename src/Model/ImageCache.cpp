#include "Model/ImageCache.h"

ImageCache& ImageCache::shared()
{
    static ImageCache instance;
    return instance;
}

void ImageCache::evict(const QString& path)
{
    cache.remove(path);
    thumbnailCache.remove(path + QStringLiteral("_thumb_800"));
}
