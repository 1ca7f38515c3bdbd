#include "Theme/TransitionOverlay.h"

#include <QEvent>
#include <QPainter>
#include <QTimer>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace vsp {

TransitionOverlay::TransitionOverlay(QWidget* host, QPixmap from, Spring spring, Painter painter)
    : QWidget(host),
      m_from(std::move(from)),
      m_spring(spring),
      m_painter(std::move(painter))
{
    // Clicks and the wheel reach the real widgets underneath: the motion never swallows input.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(host->rect());
    host->installEventFilter(this);
    raise();
    show();
}

bool TransitionOverlay::isMoving() const
{
    return m_animation != nullptr;
}

int TransitionOverlay::elapsedMs() const
{
    if (m_done) {
        return m_spring.durationMs();
    }
    return m_animation ? m_animation->currentTime() : 0;
}

void TransitionOverlay::start(Snapshot snapshot)
{
    m_snapshot = std::move(snapshot);
    QTimer::singleShot(0, this, &TransitionOverlay::takeNewLook);
}

void TransitionOverlay::takeNewLook()
{
    if (m_done || m_animation) {
        return;
    }
    // Hidden while the new look is taken, so a snapshot of the host never holds the overlay itself.
    hide();
    m_to = m_snapshot ? m_snapshot() : QPixmap();
    if (m_done) {
        // The host was resized while its new look was taken: the motion ended there.
        return;
    }
    show();
    raise();
    m_animation = new QVariantAnimation(this);
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    m_animation->setDuration(m_spring.durationMs());
    m_animation->setEasingCurve(m_spring.easing());
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_progress = value.toDouble();
        updateOpaque();
        update();
    });
    connect(m_animation, &QAbstractAnimation::finished, this, &TransitionOverlay::finish);
    m_animation->start();
}

void TransitionOverlay::setHostShowsThrough(bool through)
{
    m_hostShowsThrough = through;
    updateOpaque();
}

void TransitionOverlay::setCoversHostAtStart(bool covers)
{
    m_coversHostAtStart = covers;
    updateOpaque();
}

void TransitionOverlay::updateOpaque()
{
    // An opaque overlay keeps the repaint of its rectangle to itself: the host beneath is not painted.
    const bool opaque = !m_hostShowsThrough || (m_coversHostAtStart && m_progress <= 0);
    if (testAttribute(Qt::WA_OpaquePaintEvent) != opaque) {
        setAttribute(Qt::WA_OpaquePaintEvent, opaque);
    }
}

void TransitionOverlay::finish()
{
    if (m_done) {
        return;
    }
    m_done = true;
    if (m_animation) {
        m_animation->stop();
    }
    m_progress = 1.0;
    hide();
    Q_EMIT finished();
    deleteLater();
}

void TransitionOverlay::seek(qreal fraction)
{
    if (!m_animation || m_done) {
        return;
    }
    m_animation->setCurrentTime(int(std::lround(std::clamp(fraction, 0.0, 1.0) * m_animation->duration())));
}

bool TransitionOverlay::eventFilter(QObject* watched, QEvent* event)
{
    // The snapshots hold the host at its old size: a resize ends the motion rather than stretch them.
    if (watched == parent() && event->type() == QEvent::Resize) {
        if (m_keepsOnResize) {
            setGeometry(static_cast<QWidget*>(watched)->rect());
        } else {
            finish();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TransitionOverlay::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Before the new look is taken the painter draws the old one at progress 0 (with its background).
    m_painter(p, m_progress, m_from, m_to);
}

void TransitionOverlay::drawPart(QPainter& painter, const QPointF& target, const QPixmap& source,
                                 const QRectF& sourceRect)
{
    if (source.isNull() || sourceRect.width() <= 0 || sourceRect.height() <= 0) {
        return;
    }
    const qreal dpr = source.devicePixelRatio();
    const QRectF pixels(sourceRect.topLeft() * dpr, sourceRect.size() * dpr);
    painter.drawPixmap(QRectF(target, sourceRect.size()), source, pixels);
}

void TransitionOverlay::fillInBands(QPainter& painter, const QRectF& rect, const QColor& colour)
{
    // Qt's raster engine splits a fill of 96 spans or more (a span: one device row of a clip
    // rectangle) over its thread pool and waits for it. Bands of 30 device rows stay below that with
    // up to three clip rectangles per row, so each band is filled on this thread. Neighbouring bands
    // share their edge: no row is filled twice or left out.
    constexpr int kBandRows = 30;
    const qreal step = kBandRows / std::max<qreal>(1.0, std::abs(painter.deviceTransform().m22()));
    for (qreal y = rect.top(); y < rect.bottom(); y += step) {
        painter.fillRect(QRectF(QPointF(rect.left(), y), QPointF(rect.right(), std::min(rect.bottom(), y + step))),
                         colour);
    }
}

QPixmap TransitionOverlay::translucentSnapshot(QWidget* widget)
{
    const qreal dpr = widget->devicePixelRatioF();
    QPixmap picture(widget->size() * dpr);
    picture.setDevicePixelRatio(dpr);
    picture.fill(Qt::transparent);
    widget->render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    return picture;
}

} // namespace vsp
