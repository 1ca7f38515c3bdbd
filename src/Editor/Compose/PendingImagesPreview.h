#pragma once

#include <QFutureWatcher>
#include <QImage>
#include <QList>
#include <QUrl>
#include <QWidget>

class ComposeMotionTest;
class ComposeViewTest;
class ComposeWidgetsTest;
class QAbstractButton;
class QHBoxLayout;
class QLabel;
class QScrollArea;
class TransitionSlot;

/// One waiting image: its thumbnail (80 × 60, filled and clipped to a rounded rectangle) with a small
/// remove button in the top-right corner. The thumbnail is decoded on the photo threads, never on the
/// GUI thread; until it comes a muted frame stands in. For a file that cannot be read as an image (or is
/// not a local file) only the button shows.
class PendingImageThumb final : public QWidget {
    Q_OBJECT

public:
    PendingImageThumb(const QUrl& url, QWidget* parent = nullptr);
    ~PendingImageThumb() override;

    QUrl url() const { return m_url; }
    // The remove button is the child "removeImage".

    /// Reads an image file scaled to cover `size` (device pixels), keeping its proportions; a null image
    /// when the file is missing or is not an image. Runs on any thread.
    static QImage readThumbnail(const QString& path, const QSize& size);

Q_SIGNALS:
    void removeRequested(const QUrl& url);
    /// The decode ended (with a thumbnail or none) and the thumbnail shows.
    void thumbnailArrived();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class ComposeMotionTest;
    friend class ComposeWidgetsTest;

    // Read by its tests alone.
    bool hasThumbnail() const { return !m_image.isNull(); }
    /// Whether the thumbnail's decode has not ended yet.
    bool isLoading() const { return m_watcher != nullptr; }

    QUrl m_url;
    QImage m_image;
    QAbstractButton* m_remove;
    QFutureWatcher<QImage>* m_watcher = nullptr;
};

/// The strip of images dropped on or picked in the compose window that wait for the entry to be
/// saved: a thumbnail per image, in order, then "1 image" / "N images". Removing a thumbnail takes
/// every copy of its file out of the list; the file itself is never touched.
///
/// More images than the strip can show are reached by scrolling it sideways, with a touchpad or with
/// an ordinary mouse wheel.
///
/// Thumbnails come and go growing from and shrinking to 80 % about their centres as they fade, and the
/// others close up: a removal moves with a spring of response 0.25, an addition with one of 0.3. A
/// thumbnail that arrives while the strip, or a thumbnail, is moving is drawn into the moving picture.
class PendingImagesPreview final : public QWidget {
    Q_OBJECT

public:
    explicit PendingImagesPreview(QWidget* parent = nullptr);

    /// Shows these images; emits nothing. With `animate`, thumbnails that come or go play their
    /// transitions (when the strip is visible and animations are on).
    void setUrls(const QList<QUrl>& urls, bool animate = false);

Q_SIGNALS:
    /// The user removed an image; the new list.
    void urlsEdited(const QList<QUrl>& urls);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class ComposeMotionTest;
    friend class ComposeViewTest;
    friend class ComposeWidgetsTest;

    // Read by its tests alone.
    QList<QUrl> urls() const { return m_urls; }
    QString captionText() const;

    /// The thumbnails of the images in the list, in order (not those still leaving).
    QList<PendingImageThumb*> thumbs() const { return m_thumbs; }
    /// The places of the thumbnails still on the strip, leaving ones included.
    QList<TransitionSlot*> slots() const;

    void rebuild(bool animate, bool removal);
    /// Every moving place that pictures `thumb` takes its picture again, the innermost first.
    void refreshPictures(QWidget* thumb);
    void applyColors();

    QList<QUrl> m_urls;
    QList<PendingImageThumb*> m_thumbs;
    QList<TransitionSlot*> m_slots;
    QScrollArea* m_scroll;
    QWidget* m_strip;
    QHBoxLayout* m_row;
    QLabel* m_caption;
};
