#pragma once

#include <QObject>

/// The photo cache (sizes, keys, limits, eviction), the cached image's loads (never a stale one), the
/// gallery's clicks, the lightbox's closing and the picker's local files.
class ImagesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void cache_thumbnailFitsWithin_data();
    void cache_thumbnailFitsWithin();
    void cache_thumbnailKey_takesWholePart();
    void cache_fullAndThumbnail_decodeApart_evictDropsBoth();
    void cache_undecodableFile_isReadAgain_data();
    void cache_undecodableFile_isReadAgain();
    void cache_limit_dropsLeastRecentlyUsed_data();
    void cache_limit_dropsLeastRecentlyUsed();
    void cache_overByteBudget_dropsOldestButKeepsNewest();

    void cachedImage_heldThumbnail_showsAtOnce();
    void cachedImage_slowEarlierLoad_neverReplacesNewer();
    void cachedImage_goneBeforeItsTurn_decodesNothing();
    void cachedImage_undecodableFile_keepsPlaceholder();
    void cachedImage_pictureIsMadeForItsFrameOffTheGuiThread();
    void cachedImage_atRest_spinsWhileLoading();
    void cachedImage_unreadableFile_saysSoInsteadOfSpinning_data();
    void cachedImage_unreadableFile_saysSoInsteadOfSpinning();

    void gallery_noNames_showsNothing();
    void gallery_clicks_data();
    void gallery_clicks();
    void gallery_namesChange_keepStayingThumbnails_data();
    void gallery_namesChange_keepStayingThumbnails();
    void gallery_comingInWhilePhotosDecode_picturesPlaceholderThenPhotos();

    void lightbox_fitsPhotoWithinPadding();
    void lightbox_missingFile_saysItCannotBeRead();
    void lightbox_closes_data();
    void lightbox_closes();

    void picker_handsOverLocalFilesOnly();
};
