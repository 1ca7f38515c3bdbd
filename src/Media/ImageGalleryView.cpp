#include "Media/ImageGalleryView.h"

#include "Model/JournalStore.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"

#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

using vsp::Color;

namespace {

constexpr int kThumbHeight = 96;

QImage readImage(const QUuid& entryID, const QString& filename, int maxHeight)
{
    const std::optional<QString> path = JournalStore::imageFilePath(entryID, filename);
    if (!path) {
        return {};
    }
    QImageReader reader(*path);
    reader.setAutoTransform(true);
    if (maxHeight > 0) {
        const QSize size = reader.size();
        if (size.isValid() && size.height() > maxHeight) {
            reader.setScaledSize(size.scaled(size.width(), maxHeight, Qt::KeepAspectRatio));
        }
    }
    return reader.read();
}

class Thumbnail final : public QToolButton {
public:
    Thumbnail(const QImage& image, QWidget* parent) : QToolButton(parent), m_image(image)
    {
        const int width = image.isNull()
                              ? kThumbHeight
                              : std::clamp(image.width() * kThumbHeight / std::max(1, image.height()), 48, 220);
        setFixedSize(width, kThumbHeight);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect()), 10, 10);
        p.setClipPath(clip);
        p.fillRect(rect(), Color::vspSurface().resolve());
        if (!m_image.isNull()) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(QRectF(rect()), m_image);
        }
    }

private:
    QImage m_image;
};

} // namespace

ImageGalleryView::ImageGalleryView(const QUuid& entryID, const QStringList& filenames, bool isEditing, Action onRemove,
                                   Action onImageTap, QWidget* parent)
    : QWidget(parent),
      m_filenames(filenames)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    auto* caption = new QLabel(tr("IMAGES"), this);
    caption->setFont(vsp::fonts::tracked(vsp::fonts::system(9, QFont::DemiBold), 1.4));
    QPalette pal = caption->palette();
    pal.setColor(QPalette::WindowText, Color::tertiaryStyle().resolve());
    caption->setPalette(pal);
    column->addWidget(caption);
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    for (const QString& name : filenames) {
        auto* thumb = new Thumbnail(readImage(entryID, name, kThumbHeight), this);
        thumb->setAccessibleName(name);
        connect(thumb, &QAbstractButton::clicked, this, [onImageTap, name] {
            if (onImageTap) {
                onImageTap(name);
            }
        });
        m_thumbs.append(thumb);
        if (isEditing) {
            auto* remove = new QToolButton(thumb);
            remove->setText(QStringLiteral("×"));
            remove->setToolTip(tr("Remove image"));
            remove->setFixedSize(20, 20);
            remove->move(thumb->width() - 24, 4);
            connect(remove, &QAbstractButton::clicked, this, [onRemove, name] {
                if (onRemove) {
                    onRemove(name);
                }
            });
            m_removes.append(remove);
        }
        row->addWidget(thumb);
    }
    row->addStretch(1);
    column->addLayout(row);
}

ImageLightbox::ImageLightbox(const QUuid& entryID, const QString& filename, std::function<void()> onDismiss,
                             QWidget* parent)
    : QWidget(parent),
      m_filename(filename),
      m_image(readImage(entryID, filename, 0)),
      m_onDismiss(std::move(onDismiss))
{
    setFocusPolicy(Qt::StrongFocus);
    setGeometry(parent->rect());
}

void ImageLightbox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0, 200));
    if (!m_image.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSize size = m_image.size().scaled(rect().size() - QSize(80, 80), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
        p.drawImage(target, m_image);
    }
}

void ImageLightbox::mousePressEvent(QMouseEvent*)
{
    if (m_onDismiss) {
        m_onDismiss();
    }
}

void ImageLightbox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && m_onDismiss) {
        m_onDismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}
