#include "Media/ImageGalleryView.h"

#include "Media/ImageLoading.h"
#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/SymbolIcons.h"
#include "Theme/Transitions.h"

#include <QCache>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <cmath>

using vsp::Color;

namespace {

constexpr int kPlaceholderHeight = 120;
constexpr int kThumbnailMaxHeight = 400;
constexpr double kThumbnailRadius = 12;
// Room around a thumbnail's photo for its shadow (radius 6, 3 down) and its 1 % growth on hover; the
// room above and below makes the 8-pixel gap between photos.
constexpr int kShadowSide = 6;
constexpr int kShadowTop = 2;
constexpr int kShadowBottom = 6;
constexpr int kRemoveInset = 6;
constexpr int kThumbnailGap = 8 - kShadowTop - kShadowBottom;
constexpr int kLightboxPadding = 60;
constexpr double kLightboxRadius = 16;
constexpr int kDismissDelayMs = 300;

/// A soft shadow under a rounded rectangle: layers of growing, fainter outlines.
void paintShadow(QPainter& p, const QRectF& rect, double radius, double blur, QPointF offset, double alpha)
{
    p.save();
    p.setPen(Qt::NoPen);
    const int steps = std::max(3, int(blur / 2));
    for (int i = steps; i >= 1; --i) {
        const double grow = blur * i / steps;
        QColor c(0, 0, 0);
        c.setAlphaF(float(alpha * 2.0 / (steps + 1) * (1.0 - double(i - 1) / steps)));
        p.setBrush(c);
        p.drawRoundedRect(rect.translated(offset).adjusted(-grow / 2, -grow / 2, grow / 2, grow / 2), radius + grow / 2,
                          radius + grow / 2);
    }
    p.restore();
}

/// Room a thumbnail's shadow picture leaves around the photo: the blur's reach plus the drop.
constexpr int kThumbnailShadowMargin = 8;

/// The soft shadow under a thumbnail's photo of `photo` pixels, with `kThumbnailShadowMargin` around it.
/// Layered outlines of this size cost milliseconds a paint, and every paint of whatever lies over the
/// gallery (the lightbox's backdrop) repaints the thumbnails beneath: the picture is made once a size.
/// GUI thread only.
const QImage& thumbnailShadow(QSize photo, qreal dpr)
{
    // A few sizes at once: the gallery's width, and the steps of a hover's growth.
    static QCache<QString, QImage> pictures(24);
    const QString key = QStringLiteral("%1x%2@%3").arg(photo.width()).arg(photo.height()).arg(dpr);
    if (const QImage* held = pictures.object(key)) {
        return *held;
    }
    const QSize logical = photo + QSize(2 * kThumbnailShadowMargin, 2 * kThumbnailShadowMargin);
    auto* picture = new QImage((QSizeF(logical) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    picture->setDevicePixelRatio(dpr);
    picture->fill(Qt::transparent);
    QPainter p(picture);
    p.setRenderHint(QPainter::Antialiasing);
    paintShadow(p, QRectF(QPointF(kThumbnailShadowMargin, kThumbnailShadowMargin), QSizeF(photo)), kThumbnailRadius, 6,
                QPointF(0, 3), 0.15);
    p.end();
    pictures.insert(key, picture);
    return *pictures.object(key);
}

/// Room the lightbox card leaves around its photo for the shadow (radius 30, 10 down), logical pixels.
constexpr int kCardMargin = 44;

/// The lightbox's photo, drawn `photo` logical pixels large in its rounded corners over its soft shadow,
/// with `kCardMargin` around it; `dpr` device pixels to the logical one. Runs on the photo threads.
QImage lightboxCard(const QImage& image, QSizeF photo, qreal dpr)
{
    const QSizeF cardSize(photo.width() + 2 * kCardMargin, photo.height() + 2 * kCardMargin);
    QImage card((cardSize * dpr).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    card.setDevicePixelRatio(dpr);
    card.fill(Qt::transparent);
    QPainter p(&card);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF local(kCardMargin, kCardMargin, photo.width(), photo.height());
    // The soft shadow is drawn at a quarter of the size and stretched: as soft, a sixteenth of the work.
    QImage shadow((cardSize / 4).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    {
        QPainter small(&shadow);
        small.setRenderHint(QPainter::Antialiasing);
        small.scale(0.25, 0.25);
        paintShadow(small, local, kLightboxRadius, 30, QPointF(0, 10), 0.5);
    }
    p.drawImage(QRectF(QPointF(0, 0), cardSize), shadow);
    QPainterPath clip;
    clip.addRoundedRect(local, kLightboxRadius, kLightboxRadius);
    p.setClipPath(clip);
    p.drawImage(local, image, QRectF(image.rect()));
    return card;
}

/// Whether `widget` is drawn only into the picture of a place that moves (its content is out of sight
/// meanwhile).
bool insideMovingPicture(const QWidget* widget)
{
    for (const QWidget* up = widget->parentWidget(); up; up = up->parentWidget()) {
        if (auto* slot = qobject_cast<const TransitionSlot*>(up); slot && slot->isTransitioning()) {
            return true;
        }
    }
    return false;
}

QString photoPath(const QUuid& entryID, const QString& filename)
{
    // Only a plain name inside the entry's own folder is ever read.
    return JournalStore::imageFilePath(entryID, filename).value_or(QString());
}

} // namespace

// ------------------------------------------------------------------------------------------ cached image

CachedImageView::CachedImageView(const QString& path, bool useThumbnail, int maxHeight, ImageContentMode mode,
                                 QWidget* parent)
    : QWidget(parent),
      m_path(path),
      m_useThumbnail(useThumbnail),
      m_maxHeight(maxHeight),
      m_mode(mode)
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, qOverload<>(&QWidget::update));
    startLoad();
}

CachedImageView::~CachedImageView()
{
    dropLoad();
    if (m_framer) {
        m_framer->cancel();
        delete m_framer;
    }
}

void CachedImageView::dropLoad()
{
    if (m_watcher) {
        m_watcher->cancel();
        delete m_watcher;
        m_watcher = nullptr;
    }
}

void CachedImageView::setPath(const QString& path)
{
    if (path == m_path) {
        return;
    }
    m_path = path;
    startLoad();
}

void CachedImageView::setCornerRadius(double radius)
{
    if (radius == m_cornerRadius) {
        return;
    }
    m_cornerRadius = radius;
    m_framed = QImage();
    m_framedFor = QSize();
    update();
}

QSize CachedImageView::framePixels() const
{
    return (QSizeF(size()) * devicePixelRatioF()).toSize();
}

void CachedImageView::startLoad()
{
    // A newer load makes the one under way stale: its watcher goes, and with it its result.
    dropLoad();
    const QImage held = m_path.isEmpty() ? QImage()
                        : m_useThumbnail ? vsp::photos::cachedThumbnail(m_path)
                                         : vsp::photos::cachedImage(m_path);
    if (!held.isNull() || m_path.isEmpty()) {
        apply(held);
        return;
    }
    setFailed(false);
    m_watcher = new QFutureWatcher<vsp::photos::FramedLoad>(this);
    auto* watcher = m_watcher;
    const double radius = m_cornerRadius;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, radius] {
        if (watcher != m_watcher) {
            return;
        }
        const vsp::photos::FramedLoad result =
            watcher->future().resultCount() > 0 ? watcher->result() : vsp::photos::FramedLoad();
        m_watcher = nullptr;
        watcher->deleteLater();
        // Corners rounded for another radius (given after the load began) are made again.
        apply(result.source, radius == m_cornerRadius ? result.framed : QImage(), result.frame);
    });
    const qreal dpr = devicePixelRatioF();
    watcher->setFuture(vsp::photos::loadFramed(m_path, m_useThumbnail, m_width, int(std::lround(m_maxHeight * dpr)),
                                               m_mode, m_cornerRadius * dpr));
    updateSpinner();
}

QString CachedImageView::unreadableText()
{
    return tr("This photo could not be read");
}

void CachedImageView::setFailed(bool failed)
{
    m_failed = failed;
    setToolTip(failed ? unreadableText() : QString());
    setAccessibleDescription(failed ? unreadableText() : QString());
}

void CachedImageView::apply(const QImage& image, const QImage& framed, QSize framedFor)
{
    const bool sizeChanged = image.isNull() != m_image.isNull() || image.size() != m_image.size();
    // A load that ended with nothing found no picture there: waiting longer would show nothing more.
    setFailed(image.isNull() && !m_path.isEmpty());
    m_image = image;
    m_framed = framed;
    m_framedFor = framed.isNull() ? QSize() : framedFor;
    m_framed.setDevicePixelRatio(devicePixelRatioF());
    if (sizeChanged) {
        updateGeometry();
    }
    updateSpinner();
    update();
    Q_EMIT loadFinished();
}

void CachedImageView::frameFor(QSize pixels)
{
    if (m_image.isNull() || pixels.isEmpty() || (m_framer && m_framingFor == pixels)) {
        return;
    }
    if (m_framer) {
        m_framer->cancel();
        delete m_framer;
    }
    m_framer = new QFutureWatcher<QImage>(this);
    m_framingFor = pixels;
    auto* framer = m_framer;
    const qint64 source = m_image.cacheKey();
    const double radius = m_cornerRadius;
    connect(framer, &QFutureWatcherBase::finished, this, [this, framer, source, pixels, radius] {
        if (framer != m_framer) {
            return;
        }
        m_framer = nullptr;
        framer->deleteLater();
        // Made from a picture shown no more (another file came meanwhile): the next paint asks again.
        if (framer->future().resultCount() == 0 || m_image.cacheKey() != source || radius != m_cornerRadius) {
            update();
            return;
        }
        m_framed = framer->result();
        m_framed.setDevicePixelRatio(devicePixelRatioF());
        m_framedFor = pixels;
        update();
    });
    framer->setFuture(vsp::photos::frameOnPool(m_image, pixels, m_mode, m_cornerRadius * devicePixelRatioF()));
}

bool CachedImageView::isFramed() const
{
    const QSize pixels = framePixels();
    // A hover's 1 % growth draws the copy at hand; only a real change of size asks for another.
    return !m_framed.isNull() && std::abs(m_framedFor.width() - pixels.width()) <= pixels.width() / 40
           && std::abs(m_framedFor.height() - pixels.height()) <= pixels.height() / 40;
}

int CachedImageView::heightForWidth(int width) const
{
    if (m_image.isNull() || m_image.width() <= 0) {
        return kPlaceholderHeight;
    }
    return vsp::photos::frameFor(m_image.size(), width, m_maxHeight).height();
}

QSize CachedImageView::sizeHint() const
{
    return {680, heightForWidth(680)};
}

void CachedImageView::showEvent(QShowEvent*)
{
    updateSpinner();
}

void CachedImageView::hideEvent(QHideEvent*)
{
    updateSpinner();
}

void CachedImageView::resizeEvent(QResizeEvent*)
{
    m_width->store(int(std::lround(width() * devicePixelRatioF())));
}

void CachedImageView::updateSpinner()
{
    const bool spin = m_image.isNull() && !m_failed && isVisible() && vsp::animationsEnabled();
    if (spin && !m_spinner) {
        m_spinner = new QVariantAnimation(this);
        m_spinner->setStartValue(0.0);
        m_spinner->setEndValue(360.0);
        m_spinner->setDuration(900);
        m_spinner->setLoopCount(-1);
        connect(m_spinner, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
        m_spinner->start();
    } else if (!spin && m_spinner) {
        delete m_spinner;
        m_spinner = nullptr;
    }
}

void CachedImageView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(rect());
    if (m_image.isNull()) {
        QPainterPath clip;
        clip.addRoundedRect(frame, m_cornerRadius, m_cornerRadius);
        p.setClipPath(clip);
        p.fillRect(frame, Color::vspMuted().resolve());
        // A picture of a place that moves would hold the spinner still for the whole move, then lose it
        // at once: it shows the plain placeholder.
        if (insideMovingPicture(this)) {
            return;
        }
        if (m_failed) {
            const QColor ink = Color::vspFgMuted().resolve();
            const QRectF mark(frame.center().x() - 9, frame.center().y() - 22, 18, 18);
            vsp::symbols::paint(p, u"exclamationmark.triangle", mark, ink);
            p.setPen(ink);
            p.setFont(vsp::fonts::system(11));
            const QRectF line = frame.adjusted(8, mark.bottom() - frame.top() + 6, -8, 0);
            p.drawText(line, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, unreadableText());
            return;
        }
        // The platform's small spinner: an arc turning about the centre.
        const double side = 32 * 0.6;
        const QRectF ring(frame.center().x() - side / 2, frame.center().y() - side / 2, side, side);
        QPen pen(Color::vspFgMuted().resolve(), 2.2, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        const double angle = m_spinner ? m_spinner->currentValue().toDouble() : 0.0;
        p.drawArc(ring.adjusted(1, 1, -1, -1), int(-angle * 16), 270 * 16);
        return;
    }
    const bool framed = isFramed();
    if (!framed) {
        // Until the copy for this size comes, the one at hand (or the picture itself) is stretched.
        frameFor(framePixels());
        QPainterPath clip;
        clip.addRoundedRect(frame, m_cornerRadius, m_cornerRadius);
        p.setClipPath(clip);
    }
    const QImage& picture = m_framed.isNull() ? m_image : m_framed;
    const QSizeF natural = QSizeF(picture.size()) / picture.devicePixelRatio();
    const QSizeF shown = natural.scaled(frame.size(), m_mode == ImageContentMode::Fill ? Qt::KeepAspectRatioByExpanding
                                                                                       : Qt::KeepAspectRatio);
    const QRectF target(frame.center().x() - shown.width() / 2, frame.center().y() - shown.height() / 2, shown.width(),
                        shown.height());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, picture, QRectF(picture.rect()));
}

// ------------------------------------------------------------------------------------------ thumbnail

ImageThumbnail::ImageThumbnail(const QString& path, bool isEditing, QWidget* parent)
    : vsp::PaintedButton(parent),
      m_image(new CachedImageView(path, true, kThumbnailMaxHeight, ImageContentMode::Fill, this)),
      m_hover(new vsp::SpringValue(1.0, {0.25, 0.8}, this))
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    // Clicks on the photo are the button's.
    m_image->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_image->setCornerRadius(kThumbnailRadius);
    connect(m_image, &CachedImageView::loadFinished, this, [this] {
        updateGeometry();
        place();
    });
    connect(m_hover, &vsp::SpringValue::valueChanged, this, &ImageThumbnail::place);
    if (isEditing) {
        m_remove = new vsp::RemoveButton(vsp::RemoveButton::Look::CrossOnDisc, this);
        m_remove->setToolTip(tr("Remove image"));
        m_remove->setAccessibleName(tr("Remove image"));
        connect(m_remove, &QAbstractButton::clicked, this, &ImageThumbnail::removeClicked);
    }
}

QAbstractButton* ImageThumbnail::removeButton() const
{
    return m_remove;
}

int ImageThumbnail::heightForWidth(int width) const
{
    return m_image->heightForWidth(width - 2 * kShadowSide) + kShadowTop + kShadowBottom;
}

QSize ImageThumbnail::sizeHint() const
{
    return {680, heightForWidth(680)};
}

QRectF ImageThumbnail::imageFrame() const
{
    return QRectF(rect()).adjusted(kShadowSide, kShadowTop, -kShadowSide, -kShadowBottom);
}

void ImageThumbnail::place()
{
    const QRectF frame = imageFrame();
    const double scale = m_hover->value();
    const QSizeF size = frame.size() * scale;
    const QRectF grown(frame.center().x() - size.width() / 2, frame.center().y() - size.height() / 2, size.width(),
                       size.height());
    m_image->setGeometry(grown.toAlignedRect());
    if (m_remove) {
        m_remove->move(int(grown.right()) - kRemoveInset - m_remove->width(), int(grown.top()) + kRemoveInset);
        m_remove->raise();
    }
    update();
}

void ImageThumbnail::resizeEvent(QResizeEvent*)
{
    place();
}

void ImageThumbnail::hoverChanged(bool hovered)
{
    m_hover->animateTo(hovered ? 1.01 : 1.0);
}

void ImageThumbnail::paintEvent(QPaintEvent*)
{
    const QRect photo = m_image->geometry();
    if (photo.isEmpty()) {
        return;
    }
    QPainter p(this);
    p.drawImage(photo.topLeft() - QPoint(kThumbnailShadowMargin, kThumbnailShadowMargin),
                thumbnailShadow(photo.size(), devicePixelRatioF()));
}

// ------------------------------------------------------------------------------------------ gallery

ImageGalleryView::ImageGalleryView(const QUuid& entryID, const QStringList& filenames, bool isEditing, Action onRemove,
                                   Action onImageTap, QWidget* parent)
    : QWidget(parent),
      m_entryID(entryID),
      m_isEditing(isEditing),
      m_onRemove(std::move(onRemove)),
      m_onImageTap(std::move(onImageTap))
{
    setObjectName(QStringLiteral("imageGallery"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    if (filenames.isEmpty()) {
        setVisible(false);
        return;
    }
    m_caption = new QLabel(tr("IMAGES"), this);
    m_caption->setObjectName(QStringLiteral("imagesCaption"));
    m_caption->setFont(vsp::fonts::tracked(vsp::fonts::system(9, QFont::DemiBold), 1.4));
    const auto colorCaption = [caption = m_caption] {
        QPalette pal = caption->palette();
        pal.setColor(QPalette::WindowText, Color::tertiaryStyle().resolve());
        caption->setPalette(pal);
    };
    colorCaption();
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, m_caption, colorCaption);
    column->addWidget(m_caption);
    m_stack = new QVBoxLayout;
    m_stack->setSpacing(kThumbnailGap);
    column->addLayout(m_stack);
    setFilenames(filenames, false);
}

ImageThumbnail* ImageGalleryView::makeThumbnail(const QString& name)
{
    auto* thumb = new ImageThumbnail(photoPath(m_entryID, name), m_isEditing);
    thumb->setAccessibleName(name);
    thumb->setObjectName(QStringLiteral("imageThumbnail"));
    connect(thumb, &QAbstractButton::clicked, this, [this, name] {
        if (m_onImageTap) {
            m_onImageTap(name);
        }
    });
    connect(thumb, &ImageThumbnail::removeClicked, this, [this, name] {
        if (m_onRemove) {
            m_onRemove(name);
        }
    });
    connect(thumb->imageView(), &CachedImageView::loadFinished, this, [this, thumb] {
        fitHeights();
        // A photo that arrives while its thumbnail comes in is drawn into the moving picture.
        if (auto* slot = qobject_cast<TransitionSlot*>(thumb->parentWidget()); slot && slot->isTransitioning()) {
            slot->refreshSnapshot();
            slot->updateGeometry();
        }
        refreshOuterPictures();
    });
    return thumb;
}

void ImageGalleryView::setFilenames(const QStringList& filenames, bool animate)
{
    if (!m_stack || filenames.isEmpty() || filenames == m_filenames) {
        return;
    }
    m_filenames = filenames;
    const vsp::Spring spring{0.35, 0.8};
    QHash<QString, ImageThumbnail*> staying;
    for (ImageThumbnail* thumb : std::as_const(m_thumbs)) {
        if (filenames.contains(thumb->accessibleName())) {
            staying.insert(thumb->accessibleName(), thumb);
        } else {
            static_cast<TransitionSlot*>(thumb->parentWidget())->retire(m_slots, animate, spring);
        }
    }
    m_thumbs.clear();
    const int width = std::min(this->width() > 1 ? this->width() : 680, maximumWidth());
    TransitionSlot* previous = nullptr;
    for (const QString& name : filenames) {
        ImageThumbnail* thumb = staying.value(name);
        TransitionSlot* slot = nullptr;
        if (thumb) {
            slot = static_cast<TransitionSlot*>(thumb->parentWidget());
        } else {
            thumb = makeThumbnail(name);
            thumb->setFixedHeight(thumb->heightForWidth(width));
            thumb->hide();
            slot = new TransitionSlot(thumb, Transition{0.8, Qt::AlignCenter, false, Qt::Vertical}, spring, this);
            // Right after the photo before it, leaving ones included, so the order is the list's.
            m_stack->insertWidget(previous ? m_stack->indexOf(previous) + 1 : 0, slot);
            m_slots.append(slot);
            connect(slot, &TransitionSlot::transitionFinished, this, &ImageGalleryView::fitHeights);
            // Pictured at the width it will have, not at its own wish.
            slot->resize(width, 0);
            if (animate) {
                slot->setPresent(true, spring);
            } else {
                slot->setPresent(true, false);
            }
        }
        previous = slot;
        m_thumbs.append(thumb);
    }
    fitHeights();
}

void ImageGalleryView::refreshOuterPictures()
{
    // Photos arriving together are pictured once, after their heights have settled.
    if (m_outerRefreshQueued || !insideMovingPicture(this)) {
        return;
    }
    m_outerRefreshQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_outerRefreshQueued = false;
            // The places that hold the gallery (an edit page's photo section coming in) took their
            // pictures before the photos were there; each retakes its own, the innermost first.
            for (QWidget* up = parentWidget(); up; up = up->parentWidget()) {
                if (auto* slot = qobject_cast<TransitionSlot*>(up)) {
                    slot->refreshSnapshot();
                }
            }
        },
        Qt::QueuedConnection);
}

bool ImageGalleryView::event(QEvent* event)
{
    // A moving thumbnail's place grows or shrinks a little on every frame.
    if (event->type() == QEvent::LayoutRequest) {
        fitHeights();
    }
    return QWidget::event(event);
}

void ImageGalleryView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitHeights();
}

void ImageGalleryView::fitHeights()
{
    // Not every layout the gallery sits in asks for heights by width (the edit page squeezes its
    // children): each thumbnail takes the height its photo needs at the gallery's width.
    const int width = std::min(this->width() > 1 ? this->width() : 680, maximumWidth());
    int total = 0;
    int shown = 0;
    for (TransitionSlot* slot : std::as_const(m_slots)) {
        auto* thumb = static_cast<ImageThumbnail*>(slot->content());
        const int height = thumb->heightForWidth(width);
        thumb->setFixedHeight(height);
        // The place takes its piece's limits on a layout request, which Qt posts only while both are
        // shown: a height fixed out of sight (the read page rebuilt behind the edit page, the photo
        // arriving meanwhile) would stay the place's limit and cut the photo to a strip.
        if (slot->maximumSize() != thumb->maximumSize()) {
            slot->setMaximumSize(thumb->maximumSize());
            slot->updateGeometry();
        }
        if (slot->isHidden()) {
            continue;
        }
        total += slot->isTransitioning() ? slot->sizeHint().height() : height;
        ++shown;
    }
    if (m_caption && shown > 0) {
        total += m_caption->sizeHint().height() + 10 + kThumbnailGap * (shown - 1);
    }
    if (total != m_contentHeight) {
        m_contentHeight = total;
        Q_EMIT contentHeightChanged(total);
    }
}

QList<QAbstractButton*> ImageGalleryView::thumbnails() const
{
    QList<QAbstractButton*> buttons;
    for (ImageThumbnail* thumb : m_thumbs) {
        buttons.append(thumb);
    }
    return buttons;
}

QList<QAbstractButton*> ImageGalleryView::removeButtons() const
{
    QList<QAbstractButton*> buttons;
    for (ImageThumbnail* thumb : m_thumbs) {
        if (QAbstractButton* remove = thumb->removeButton()) {
            buttons.append(remove);
        }
    }
    return buttons;
}

// ------------------------------------------------------------------------------------------ lightbox

ImageLightbox::ImageLightbox(const QUuid& entryID, const QString& filename, std::function<void()> onDismiss,
                             QWidget* parent)
    : QWidget(parent),
      m_filename(filename),
      m_path(photoPath(entryID, filename)),
      m_onDismiss(std::move(onDismiss)),
      m_appeared(new vsp::SpringValue(0.0, {0.35, 0.82}, this))
{
    setObjectName(QStringLiteral("imageLightbox"));
    setFocusPolicy(Qt::StrongFocus);
    connect(m_appeared, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    if (parent) {
        setGeometry(parent->rect());
        parent->installEventFilter(this);
    }
    m_appeared->animateTo(1.0);
    load();
}

bool ImageLightbox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
    }
    return QWidget::eventFilter(watched, event);
}

QSize ImageLightbox::wantedPixels() const
{
    const QSize room = size() - QSize(2 * kLightboxPadding, 2 * kLightboxPadding);
    return (QSizeF(room.expandedTo(QSize(1, 1))) * devicePixelRatioF()).toSize();
}

QRectF ImageLightbox::room() const
{
    return QRectF(rect()).adjusted(kLightboxPadding, kLightboxPadding, -kLightboxPadding, -kLightboxPadding);
}

void ImageLightbox::load()
{
    if (m_path.isEmpty()) {
        Q_EMIT loadFinished();
        return;
    }
    // A resize asks again for a copy of the new size; only the newest answer is shown.
    if (m_watcher) {
        m_watcher->cancel();
    }
    delete m_watcher;
    m_watcher = new QFutureWatcher<vsp::photos::FramedLoad>(this);
    auto* watcher = m_watcher;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        if (watcher != m_watcher) {
            return;
        }
        const vsp::photos::FramedLoad result =
            watcher->future().resultCount() > 0 ? watcher->result() : vsp::photos::FramedLoad();
        m_image = result.source;
        m_card = result.framed;
        m_cardFor = QSizeF(result.frame) / std::max(1.0, m_card.devicePixelRatio());
        m_watcher = nullptr;
        watcher->deleteLater();
        update();
        Q_EMIT loadFinished();
    });
    const QString path = m_path;
    const QSize wanted = wantedPixels();
    const QSizeF roomSize = room().size();
    const qreal dpr = devicePixelRatioF();
    // Decoding, scaling and the card with its shadow are all made on the photo threads: the GUI thread
    // only copies the finished card, however large the photo.
    watcher->setFuture(vsp::photos::runOnDecodePool([path, wanted, roomSize, dpr] {
        vsp::photos::FramedLoad load;
        QImage full = vsp::photos::cache().image(path).value<QImage>();
        if (full.isNull()) {
            return load;
        }
        if (!wanted.isEmpty() && (full.width() > wanted.width() || full.height() > wanted.height())) {
            full = full.scaled(wanted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        load.source = full;
        const QSizeF photo = QSizeF(full.size()).scaled(roomSize, Qt::KeepAspectRatio);
        load.framed = lightboxCard(full, photo, dpr);
        load.frame = (photo * dpr).toSize();
        return load;
    }));
}

ImageLightbox::~ImageLightbox()
{
    if (m_watcher) {
        m_watcher->cancel();
    }
}

void ImageLightbox::resizeEvent(QResizeEvent*)
{
    // Another size of photo: its card is made again, the one at hand stretched meanwhile.
    const QRectF photo = photoRect();
    if (!m_image.isNull()
        && (std::abs(photo.width() - m_cardFor.width()) > 0.5 || std::abs(photo.height() - m_cardFor.height()) > 0.5)) {
        load();
    }
}

QRectF ImageLightbox::photoRect() const
{
    if (m_image.isNull()) {
        return {};
    }
    const QRectF room = this->room();
    const QSizeF shown = QSizeF(m_image.size()).scaled(room.size(), Qt::KeepAspectRatio);
    return {room.center().x() - shown.width() / 2, room.center().y() - shown.height() / 2, shown.width(),
            shown.height()};
}

void ImageLightbox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const double appeared = std::clamp(m_appeared->value(), 0.0, 1.2);
    p.fillRect(rect(), QColor::fromRgbF(0, 0, 0, float(0.75 * std::clamp(appeared, 0.0, 1.0))));
    const QRectF photo = photoRect();
    if (!m_watcher && m_image.isNull() && !m_path.isEmpty() && appeared > 0) {
        // The load ended without a picture: the dark backdrop alone would look like one still coming.
        p.setOpacity(std::clamp(appeared, 0.0, 1.0));
        p.setPen(QColor(255, 255, 255, 220));
        p.setFont(vsp::fonts::system(15));
        p.drawText(room(), Qt::AlignCenter | Qt::TextWordWrap, CachedImageView::unreadableText());
        return;
    }
    if (photo.isEmpty() || appeared <= 0 || m_card.isNull() || m_cardFor.isEmpty()) {
        return;
    }
    // The card was made for `m_cardFor`; after a resize it is stretched to the photo until its new copy
    // comes. At rest it is copied as it is.
    const bool sized =
        std::abs(photo.width() - m_cardFor.width()) < 1 && std::abs(photo.height() - m_cardFor.height()) < 1;
    const double fit = sized ? 1.0 : photo.width() / m_cardFor.width();
    const double scale = (0.85 + 0.15 * appeared) * fit;
    const QPointF middle(m_cardFor.width() / 2 + kCardMargin, m_cardFor.height() / 2 + kCardMargin);
    p.setOpacity(std::clamp(appeared, 0.0, 1.0));
    if (std::abs(scale - 1.0) < 1e-4) {
        p.drawImage((photo.center() - middle).toPoint(), m_card);
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(photo.center());
    p.scale(scale, scale);
    p.translate(-middle);
    p.drawImage(QPointF(0, 0), m_card);
}

void ImageLightbox::mousePressEvent(QMouseEvent* event)
{
    // The photo itself takes no click; the backdrop around it closes.
    if (!photoRect().contains(event->position())) {
        dismiss();
    }
}

void ImageLightbox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ImageLightbox::dismiss()
{
    if (m_dismissing) {
        return;
    }
    m_dismissing = true;
    m_appeared->setSpring({0.3, 0.82});
    m_appeared->animateTo(0.0);
    // A named child, so tests run it instead of waiting out the fade.
    auto* faded = new QTimer(this);
    faded->setObjectName(QStringLiteral("dismissTimer"));
    faded->setSingleShot(true);
    connect(faded, &QTimer::timeout, this, [this] {
        if (m_onDismiss) {
            m_onDismiss();
        }
    });
    faded->start(kDismissDelayMs);
}
