#pragma once

#include "Media/ImageLoading.h"
#include "Theme/PaintedButton.h"

#include <QFutureWatcher>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QWidget>

#include <functional>

class QLabel;
class QVBoxLayout;
class QVariantAnimation;
class TransitionSlot;

namespace vsp {
class RemoveButton;
class SpringValue;
} // namespace vsp

/// One photo file, drawn from the image cache: the 800-pixel thumbnail or the full image. What the cache
/// holds shows at once; anything else is decoded on the photo threads, never on the GUI thread, while a
/// muted placeholder with a spinning indicator stands in (it stays when the file cannot be decoded).
///
/// Every load is tagged with the file it was for: after `setPath` only the newest load's result is shown,
/// whatever order the decodes end in; the earlier picture stays until then.
///
/// The photo threads also scale the picture to the size it is shown at and round its corners, so a
/// paint only copies pixels; after a resize the picture at hand is stretched until its new copy comes.
class CachedImageView final : public QWidget {
    Q_OBJECT

public:
    /// `path` is a local file (the view reads nothing else); `maxHeight` in pixels.
    CachedImageView(const QString& path, bool useThumbnail, int maxHeight, ImageContentMode mode,
                    QWidget* parent = nullptr);
    ~CachedImageView() override;

    QString path() const { return m_path; }
    /// Shows another file: starts its load and keeps the current picture until that load ends.
    void setPath(const QString& path);
    /// The picture shown; null while the placeholder shows.
    QImage image() const { return m_image; }
    /// Whether a load has not ended yet.
    bool isLoading() const { return m_watcher != nullptr; }
    /// Whether the last load ended without a picture (the file is missing or is not one): the frame then
    /// says so instead of spinning.
    bool loadFailed() const { return m_failed; }
    /// What the frame says when the load failed.
    static QString unreadableText();
    /// Whether the picture ready for the current frame has come (what a paint copies as it is).
    bool isFramed() const;
    /// Rounds the frame's corners (pixels, 0 for square ones).
    void setCornerRadius(double radius);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

Q_SIGNALS:
    /// A load ended and its result is shown (a picture, or the placeholder when it found none).
    void loadFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void startLoad();
    /// Asks the photo threads for the picture made ready for a frame of `pixels`.
    void frameFor(QSize pixels);
    QSize framePixels() const;
    /// Cancels the load under way, if any: its decode is skipped when it has not begun.
    void dropLoad();
    void apply(const QImage& image, const QImage& framed = {}, QSize framedFor = {});
    void updateSpinner();
    void setFailed(bool failed);

    QString m_path;
    bool m_useThumbnail;
    int m_maxHeight;
    ImageContentMode m_mode;
    double m_cornerRadius = 0;
    QImage m_image;
    /// m_image scaled, cut and rounded on the photo threads for a frame of `m_framedFor` pixels.
    QImage m_framed;
    QSize m_framedFor;
    /// The frame's width in device pixels, read by a load once its decode is done.
    std::shared_ptr<std::atomic<int>> m_width = std::make_shared<std::atomic<int>>(0);
    QFutureWatcher<vsp::photos::FramedLoad>* m_watcher = nullptr;
    QFutureWatcher<QImage>* m_framer = nullptr;
    QSize m_framingFor;
    QVariantAnimation* m_spinner = nullptr;
    bool m_failed = false;
};

/// One photo of a gallery: a button showing the photo's thumbnail (at most 400 pixels high, cut to its
/// frame) in rounded corners over a soft shadow, a little larger while the pointer is over it; while
/// editing it carries a remove cross in its top trailing corner. A click on the cross removes, a click
/// anywhere else opens.
class ImageThumbnail final : public vsp::PaintedButton {
    Q_OBJECT

public:
    ImageThumbnail(const QString& path, bool isEditing, QWidget* parent = nullptr);

    CachedImageView* imageView() const { return m_image; }
    /// The remove cross; null when not editing.
    QAbstractButton* removeButton() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

Q_SIGNALS:
    void removeClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hoverChanged(bool hovered) override;

private:
    void place();
    QRectF imageFrame() const;

    CachedImageView* m_image;
    vsp::RemoveButton* m_remove = nullptr;
    vsp::SpringValue* m_hover;
};

/// An entry's photos: the caption "IMAGES" above one thumbnail per file name, in order; nothing at all
/// when there are no names. A click on a thumbnail calls `onImageTap` with its file name; while editing
/// every thumbnail carries a remove cross, which calls `onRemove`. Either action may be empty.
///
/// A changed list of names keeps the thumbnails of the names that stay: a removed photo shrinks to 80 %
/// and fades while the ones below move up, an added one does the reverse (a spring of response 0.35 and
/// damping 0.8), unless animations are off.
class ImageGalleryView final : public QWidget {
    Q_OBJECT

public:
    using Action = std::function<void(const QString& filename)>;

    /// The files are the names in the entry's images folder; a name that is not a plain file name shows
    /// the placeholder and reads nothing.
    ImageGalleryView(const QUuid& entryID, const QStringList& filenames, bool isEditing, Action onRemove,
                     Action onImageTap, QWidget* parent = nullptr);

    QUuid entryID() const { return m_entryID; }
    QStringList filenames() const { return m_filenames; }
    /// Shows these names (no name twice; not empty, since an empty gallery is no gallery), thumbnails
    /// coming and going with their transitions when `animate` is set.
    void setFilenames(const QStringList& filenames, bool animate = true);
    /// The thumbnail buttons and (while editing) their remove buttons, in file order; not those leaving.
    QList<QAbstractButton*> thumbnails() const;
    QList<QAbstractButton*> removeButtons() const;
    QList<ImageThumbnail*> thumbnailViews() const { return m_thumbs; }
    /// The places of the thumbnails, leaving ones included, in the order they stand.
    QList<TransitionSlot*> thumbnailSlots() const { return m_slots; }

    /// The height the caption and every thumbnail take at the gallery's width (pixels); while photos come
    /// and go, the height they take at that moment.
    int contentHeight() const { return m_contentHeight; }

Q_SIGNALS:
    /// The thumbnails' heights changed (a photo arrived, came, went, or the width changed).
    void contentHeightChanged(int height);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    ImageThumbnail* makeThumbnail(const QString& filename);
    void fitHeights();
    /// Has every moving place that holds the gallery take its picture again (soon, once).
    void refreshOuterPictures();

    QUuid m_entryID;
    bool m_isEditing;
    Action m_onRemove;
    Action m_onImageTap;
    int m_contentHeight = 0;
    QStringList m_filenames;
    QList<ImageThumbnail*> m_thumbs;
    QList<TransitionSlot*> m_slots;
    QLabel* m_caption = nullptr;
    QVBoxLayout* m_stack = nullptr;
    bool m_outerRefreshQueued = false;
};

/// A photo shown large over the view that hosts it, which it covers: the backdrop darkens to 75 % black
/// and the photo grows in, whole and as large as fits within 60 pixels of every edge. The full image is
/// decoded off the GUI thread; until it arrives (or when the file cannot be decoded) only the backdrop
/// shows. Escape or a click outside the photo closes it: it fades out and calls `onDismiss` once, 0.3 s
/// later; the host then removes it.
class ImageLightbox final : public QWidget {
    Q_OBJECT

public:
    ImageLightbox(const QUuid& entryID, const QString& filename, std::function<void()> onDismiss, QWidget* parent);
    ~ImageLightbox() override;

    QString filename() const { return m_filename; }
    /// The picture shown; null until the decode ends, and after a failed one.
    QImage image() const { return m_image; }
    /// Where the photo is drawn at rest, in this widget's pixels; empty without a picture.
    QRectF photoRect() const;
    /// Whether it is closing (Escape or a click came).
    bool isDismissing() const { return m_dismissing; }

Q_SIGNALS:
    /// The full image's decode ended (with a picture or none).
    void loadFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void dismiss();
    void load();
    QSize wantedPixels() const;
    /// The space the photo may take: all but 60 pixels on every side.
    QRectF room() const;

    QString m_filename;
    QString m_path;
    std::function<void()> m_onDismiss;
    vsp::SpringValue* m_appeared;
    QImage m_image;
    /// The photo in its rounded corners over its shadow, made on the photo threads for a photo of
    /// `m_cardFor` (logical pixels), with a margin around it for the shadow.
    QImage m_card;
    QSizeF m_cardFor;
    QFutureWatcher<vsp::photos::FramedLoad>* m_watcher = nullptr;
    bool m_dismissing = false;
};
