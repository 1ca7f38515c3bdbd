#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QWidget>

#include <functional>

class QAbstractButton;

/// An entry's photos: the caption "IMAGES" and one thumbnail per file of the entry's image folder, in
/// order. A click on a thumbnail calls `onImageTap` with its file name; only while editing does each
/// thumbnail carry a remove control, which calls `onRemove`.
///
/// Stand-in until the photo work lands: thumbnails are decoded on the main thread, at most 96 pixels
/// high, and files that cannot be read show an empty tile. The interface is the final one.
class ImageGalleryView final : public QWidget {
    Q_OBJECT

public:
    using Action = std::function<void(const QString& filename)>;

    ImageGalleryView(const QUuid& entryID, const QStringList& filenames, bool isEditing, Action onRemove,
                     Action onImageTap, QWidget* parent = nullptr);

    QStringList filenames() const { return m_filenames; }
    /// The thumbnail buttons and (while editing) the remove buttons, in file order.
    QList<QAbstractButton*> thumbnails() const { return m_thumbs; }
    QList<QAbstractButton*> removeButtons() const { return m_removes; }

private:
    QStringList m_filenames;
    QList<QAbstractButton*> m_thumbs;
    QList<QAbstractButton*> m_removes;
};

/// A photo over the view that hosts it, on a dimmed backdrop; Escape or a click closes it.
///
/// Stand-in until the photo work lands: the whole image, scaled to fit. The interface is the final one.
class ImageLightbox final : public QWidget {
    Q_OBJECT

public:
    ImageLightbox(const QUuid& entryID, const QString& filename, std::function<void()> onDismiss, QWidget* parent);
    QString filename() const { return m_filename; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_filename;
    QImage m_image;
    std::function<void()> m_onDismiss;
};
