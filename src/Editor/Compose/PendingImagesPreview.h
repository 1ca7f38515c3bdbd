#pragma once

#include <QImage>
#include <QList>
#include <QUrl>
#include <QWidget>

class QAbstractButton;
class QHBoxLayout;
class QLabel;
class QScrollArea;
class TransitionSlot;

/// One waiting image: its thumbnail (80 × 60, filled and clipped to a rounded rectangle) with a small
/// remove button in the top-right corner. A file that cannot be read as an image shows only the button.
class PendingImageThumb final : public QWidget {
    Q_OBJECT

public:
    PendingImageThumb(const QUrl& url, QWidget* parent = nullptr);

    QUrl url() const { return m_url; }
    bool hasThumbnail() const { return !m_image.isNull(); }
    QAbstractButton* removeButton() const { return m_remove; }

    /// Reads an image file scaled to cover `size` (device pixels), keeping its proportions; a null image
    /// when the file is missing or is not an image.
    static QImage readThumbnail(const QString& path, const QSize& size);

Q_SIGNALS:
    void removeRequested(const QUrl& url);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QUrl m_url;
    QImage m_image;
    QAbstractButton* m_remove;
};

/// The strip of images dropped on or picked in the compose window that wait for the entry to be
/// saved: a thumbnail per image, in order, then "1 image" / "N images". Removing a thumbnail takes
/// every copy of its file out of the list; the file itself is never touched.
///
/// More images than the strip can show are reached by scrolling it sideways, with a touchpad or with
/// an ordinary mouse wheel.
///
/// Thumbnails come and go growing from and shrinking to 80 % about their centres as they fade, and the
/// others close up: a removal moves with a spring of response 0.25, an addition with one of 0.3.
class PendingImagesPreview final : public QWidget {
    Q_OBJECT

public:
    explicit PendingImagesPreview(QWidget* parent = nullptr);

    QList<QUrl> urls() const { return m_urls; }
    /// Shows these images; emits nothing. With `animate`, thumbnails that come or go play their
    /// transitions (when the strip is visible and animations are on).
    void setUrls(const QList<QUrl>& urls, bool animate = false);

    /// The thumbnails of the images in the list, in order (not those still leaving).
    QList<PendingImageThumb*> thumbs() const { return m_thumbs; }
    /// The places of the thumbnails still on the strip, leaving ones included.
    QList<TransitionSlot*> slots() const;
    QString captionText() const;

Q_SIGNALS:
    /// The user removed an image; the new list.
    void urlsEdited(const QList<QUrl>& urls);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild(bool animate, bool removal);
    void applyColors();

    QList<QUrl> m_urls;
    QList<PendingImageThumb*> m_thumbs;
    QList<TransitionSlot*> m_slots;
    QScrollArea* m_scroll;
    QWidget* m_strip;
    QHBoxLayout* m_row;
    QLabel* m_caption;
};
