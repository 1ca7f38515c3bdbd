#pragma once

#include <QImage>
#include <QList>
#include <QUrl>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QToolButton;

/// One waiting image: its thumbnail (80 × 60, filled and clipped to a rounded rectangle) with a small
/// remove button in the top-right corner. A file that cannot be read as an image shows only the button.
class PendingImageThumb final : public QWidget {
    Q_OBJECT

public:
    PendingImageThumb(const QUrl& url, QWidget* parent = nullptr);

    QUrl url() const { return m_url; }
    bool hasThumbnail() const { return !m_image.isNull(); }
    QToolButton* removeButton() const { return m_remove; }

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
    QToolButton* m_remove;
};

/// The strip of images dropped on or picked in the compose window that wait for the entry to be
/// saved: a thumbnail per image, in order, then "1 image" / "N images". Removing a thumbnail takes
/// every copy of its file out of the list; the file itself is never touched.
class PendingImagesPreview final : public QWidget {
    Q_OBJECT

public:
    explicit PendingImagesPreview(QWidget* parent = nullptr);

    QList<QUrl> urls() const { return m_urls; }
    /// Shows these images; emits nothing.
    void setUrls(const QList<QUrl>& urls);

    QList<PendingImageThumb*> thumbs() const { return m_thumbs; }
    QString captionText() const;

Q_SIGNALS:
    /// The user removed an image; the new list.
    void urlsEdited(const QList<QUrl>& urls);

private:
    void rebuild();
    void applyColors();

    QList<QUrl> m_urls;
    QList<PendingImageThumb*> m_thumbs;
    QWidget* m_strip;
    QHBoxLayout* m_row;
    QLabel* m_caption;
};
