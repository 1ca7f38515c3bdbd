#include "Editor/Compose/PendingImagesPreview.h"

#include "Media/ImageLoading.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/PaintedButton.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Theme/Transitions.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

#include <cstdlib>

using vsp::Color;

namespace {

constexpr int kThumbWidth = 80;
constexpr int kThumbHeight = 60;

} // namespace

PendingImageThumb::PendingImageThumb(const QUrl& url, QWidget* parent)
    : QWidget(parent),
      m_url(url),
      m_remove(new vsp::RemoveButton(vsp::RemoveButton::Look::CrossOnDisc, this))
{
    setFixedSize(kThumbWidth, kThumbHeight);
    if (url.isLocalFile()) {
        m_watcher = new QFutureWatcher<QImage>(this);
        connect(m_watcher, &QFutureWatcherBase::finished, this, [this] {
            m_image = m_watcher->future().resultCount() > 0 ? m_watcher->result() : QImage();
            m_watcher->deleteLater();
            m_watcher = nullptr;
            update();
            Q_EMIT thumbnailArrived();
        });
        // Twice the frame, for sharp pixels on a doubled screen.
        m_watcher->setFuture(vsp::photos::runOnDecodePool(
            [path = url.toLocalFile()] { return readThumbnail(path, QSize(kThumbWidth * 2, kThumbHeight * 2)); }));
    }
    m_remove->move(kThumbWidth - m_remove->width(), 0);
    m_remove->setObjectName(QStringLiteral("removeImage"));
    m_remove->setToolTip(tr("Remove image"));
    m_remove->setAccessibleName(tr("Remove image"));
    setToolTip(url.fileName());
    connect(m_remove, &QAbstractButton::clicked, this, [this] { Q_EMIT removeRequested(m_url); });
}

PendingImageThumb::~PendingImageThumb()
{
    // A thumbnail removed before its turn is never decoded.
    if (m_watcher) {
        m_watcher->cancel();
    }
}

QImage PendingImageThumb::readThumbnail(const QString& path, const QSize& size)
{
    // A FIFO or a device would hold this decode thread for ever.
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        return {};
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize original = reader.size();
    if (original.isValid() && !original.isEmpty()) {
        // Decode no larger than needed: a camera photo would otherwise cost its full size in memory.
        reader.setScaledSize(original.scaled(size, Qt::KeepAspectRatioByExpanding).boundedTo(original));
    }
    QImage image = reader.read();
    return image;
}

void PendingImageThumb::paintEvent(QPaintEvent*)
{
    if (m_image.isNull() && !isLoading()) {
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF frame(rect());
    if (m_image.isNull()) {
        // Until the decode ends the frame holds its place, in the strip and in a picture of it that moves.
        p.setPen(Qt::NoPen);
        p.setBrush(Color::vspMuted().resolve());
        p.drawRoundedRect(frame, 8, 8);
        return;
    }
    QPainterPath clip;
    clip.addRoundedRect(frame, 8, 8);
    p.setClipPath(clip);
    // Fill the frame, keep the proportions, clip what overflows.
    const QSizeF scaled = QSizeF(m_image.size()).scaled(frame.size(), Qt::KeepAspectRatioByExpanding);
    const QRectF target(frame.center().x() - scaled.width() / 2, frame.center().y() - scaled.height() / 2,
                        scaled.width(), scaled.height());
    p.drawImage(target, m_image);
    p.setClipping(false);
    p.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.06f), 0.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(frame.adjusted(0.25, 0.25, -0.25, -0.25), 8, 8);
}

// ---------------------------------------------------------------------------------------------------

PendingImagesPreview::PendingImagesPreview(QWidget* parent)
    : QWidget(parent),
      m_scroll(new QScrollArea(this)),
      m_strip(new QWidget),
      m_row(new QHBoxLayout(m_strip)),
      m_caption(new QLabel)
{
    setObjectName(QStringLiteral("pendingImages"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    QScrollArea* scroll = m_scroll;
    scroll->setFrameShape(QFrame::NoFrame);
    // Tab stops at the thumbnails' buttons, which the strip scrolls into view; the strip is no stop.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->viewport()->setAutoFillBackground(false);
    m_strip->setAutoFillBackground(false);
    m_row->setContentsMargins(0, 0, 0, 0);
    m_row->setSpacing(8);
    m_caption->setFont(vsp::fonts::system(10));
    m_row->addWidget(m_caption);
    m_row->addStretch(1);
    scroll->setWidget(m_strip);
    layout->addWidget(scroll);
    // The strip only scrolls sideways, and a mouse wheel only turns up and down.
    scroll->viewport()->installEventFilter(this);
    setFixedHeight(64);
    applyColors();
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this,
            &PendingImagesPreview::applyColors);
}

bool PendingImagesPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scroll->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        QScrollBar* bar = m_scroll->horizontalScrollBar();
        // A touchpad reports pixels; a wheel reports eighths of a degree, 120 a notch.
        const QPoint pixels = wheel->pixelDelta();
        const QPoint angle = wheel->angleDelta();
        const auto dominant = [](QPoint d) { return std::abs(d.x()) > std::abs(d.y()) ? d.x() : d.y(); };
        const int step = !pixels.isNull() ? dominant(pixels) : dominant(angle) * kThumbWidth / 120;
        if (bar->maximum() > 0 && step != 0) {
            bar->setValue(bar->value() - step);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PendingImagesPreview::setUrls(const QList<QUrl>& urls, bool animate)
{
    if (urls == m_urls) {
        return;
    }
    const bool removal = urls.size() < m_urls.size();
    m_urls = urls;
    rebuild(animate, removal);
}

QList<TransitionSlot*> PendingImagesPreview::slots() const
{
    return m_slots;
}

QString PendingImagesPreview::captionText() const
{
    return m_urls.size() == 1 ? tr("1 image") : tr("%1 images").arg(m_urls.size());
}

void PendingImagesPreview::rebuild(bool animate, bool removal)
{
    const vsp::Spring spring = removal ? vsp::Spring{0.25, 1.0} : vsp::Spring{0.3, 1.0};
    // Thumbnails that stay are kept (the same file listed twice has one each); the rest leave.
    QList<PendingImageThumb*> unused = m_thumbs;
    QList<PendingImageThumb*> kept;
    for (const QUrl& url : std::as_const(m_urls)) {
        PendingImageThumb* match = nullptr;
        for (PendingImageThumb* thumb : std::as_const(unused)) {
            if (thumb->url() == url) {
                match = thumb;
                break;
            }
        }
        if (match) {
            unused.removeOne(match);
        }
        kept.append(match);
    }
    for (PendingImageThumb* gone : std::as_const(unused)) {
        static_cast<TransitionSlot*>(gone->parentWidget())->retire(m_slots, animate, spring);
    }
    m_thumbs.clear();
    TransitionSlot* previous = nullptr;
    for (qsizetype i = 0; i < m_urls.size(); ++i) {
        PendingImageThumb* thumb = kept.at(i);
        TransitionSlot* slot = nullptr;
        if (thumb) {
            slot = static_cast<TransitionSlot*>(thumb->parentWidget());
        } else {
            thumb = new PendingImageThumb(m_urls.at(i), nullptr);
            thumb->hide();
            slot = new TransitionSlot(thumb, Transition{0.8, Qt::AlignCenter, false, Qt::Horizontal}, spring, m_strip);
            connect(thumb, &PendingImageThumb::thumbnailArrived, this, [this, thumb] { refreshPictures(thumb); });
            connect(thumb, &PendingImageThumb::removeRequested, this, [this](const QUrl& gone) {
                // Every copy of the file goes: the same file listed twice is one picture to the user.
                QList<QUrl> next = m_urls;
                next.removeAll(gone);
                setUrls(next, true);
                Q_EMIT urlsEdited(next);
            });
            // Right after the thumbnail before it, leaving ones included, so the order is the list's.
            const int at = previous ? m_row->indexOf(previous) + 1 : 0;
            m_row->insertWidget(at, slot, 0, Qt::AlignVCenter);
            m_slots.append(slot);
            if (animate) {
                slot->setPresent(true, spring);
            } else {
                slot->setPresent(true, false);
            }
        }
        previous = slot;
        m_thumbs.append(thumb);
    }
    m_caption->setText(captionText());
}

void PendingImagesPreview::refreshPictures(QWidget* thumb)
{
    // Its own place while it comes in, and the strip's while the strip comes back: both took their
    // pictures before the thumbnail was there. Each only retakes its picture while it moves.
    for (QWidget* up = thumb->parentWidget(); up; up = up->parentWidget()) {
        if (auto* slot = qobject_cast<TransitionSlot*>(up)) {
            slot->refreshSnapshot();
        }
    }
}

void PendingImagesPreview::applyColors()
{
    QPalette p = m_caption->palette();
    p.setColor(QPalette::WindowText, Color::tertiaryStyle().resolve());
    m_caption->setPalette(p);
}
