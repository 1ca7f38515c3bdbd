#include "Views/Detail/FocusChangeMotion.h"

#include "Theme/TransitionOverlay.h"

#include <QBackingStore>
#include <QPainter>
#include <QSplitterHandle>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace vsp::detail {

namespace {

/// Whether a visible widget outside `widget` lies over part of it in its window (an overlay, a sheet).
bool isCovered(const QWidget* widget)
{
    const QWidget* window = widget->window();
    const QRect area(widget->mapTo(window, QPoint()), widget->size());
    for (const QWidget* w = widget; w != window; w = w->parentWidget()) {
        const QWidget* parent = w->parentWidget();
        const QObjectList& siblings = parent->children();
        // Children paint in their order: the ones after `w` lie above it.
        for (qsizetype i = siblings.indexOf(const_cast<QWidget*>(w)) + 1; i < siblings.size(); ++i) {
            const auto* sibling = qobject_cast<const QWidget*>(siblings.at(i));
            // A splitter's handle reaches over the edge of the panes beside it; it stays above the
            // motion, as it stood in the frame.
            if (sibling && !sibling->isWindow() && sibling->isVisible()
                && !qobject_cast<const QSplitterHandle*>(sibling)
                && QRect(sibling->mapTo(window, QPoint()), sibling->size()).intersects(area)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

PicturedLook PicturedLook::of(const QWidget* widget, std::optional<QRect> piece)
{
    PicturedLook look;
    if (!widget || widget->isHidden()) {
        return look;
    }
    look.rest = TransitionOverlay::translucentSnapshot(const_cast<QWidget*>(widget));
    look.at = widget->pos();
    look.size = widget->size();
    if (piece && piece->isValid()) {
        const qreal dpr = look.rest.devicePixelRatio();
        const QRect pixels(QPointF(piece->topLeft() * dpr).toPoint(), QSizeF(piece->size() * dpr).toSize());
        look.piece = look.rest.copy(pixels);
        look.piece.setDevicePixelRatio(dpr);
        look.pieceRect = *piece;
        // The piece travels on its own: the rest of the picture has a hole where it stood.
        QPainter clear(&look.rest);
        clear.setCompositionMode(QPainter::CompositionMode_Clear);
        clear.fillRect(QRectF(*piece), Qt::transparent);
    }
    return look;
}

PicturedLook PicturedLook::pieceOf(const QWidget* widget, const QRect& piece)
{
    PicturedLook look;
    if (!widget || widget->isHidden() || !piece.isValid()) {
        return look;
    }
    const qreal dpr = widget->devicePixelRatioF();
    look.piece = QPixmap(piece.size() * dpr);
    look.piece.setDevicePixelRatio(dpr);
    look.piece.fill(Qt::transparent);
    const_cast<QWidget*>(widget)->render(&look.piece, QPoint(), QRegion(piece), QWidget::DrawChildren);
    look.pieceRect = piece;
    look.at = widget->pos();
    look.size = widget->size();
    return look;
}

PicturedLook PicturedLook::shownOf(const QWidget* widget, std::optional<QRect> piece, QPixmap* buffer)
{
    if (!widget || !widget->isVisible() || widget->size().isEmpty()) {
        return {};
    }
    const QWidget* window = widget->window();
    QBackingStore* store = window->backingStore();
    const QWindow* handle = window->windowHandle();
    if (!store || !handle || !handle->isExposed() || isCovered(widget)) {
        return {};
    }
    QPaintDevice* device = store->paintDevice();
    if (!device || device->devType() != QInternal::Image) {
        return {};
    }
    const auto* frame = static_cast<const QImage*>(device);
    const qreal dpr = widget->devicePixelRatioF();
    // A frame of another size is from before a resize that has not been painted yet.
    if (frame->size() != (QSizeF(window->size()) * dpr).toSize() || store->size() != window->size()) {
        return {};
    }
    const QRect pixels(QPointF(QPointF(widget->mapTo(window, QPoint())) * dpr).toPoint(),
                       (QSizeF(widget->size()) * dpr).toSize());
    if (!frame->rect().contains(pixels)) {
        return {};
    }
    QPixmap kept;
    if (buffer) {
        std::swap(kept, *buffer);
    }
    // A picture still shown by a motion under way, or of another size, is left to it.
    if (kept.size() != pixels.size() || !kept.isDetached() || !kept.hasAlphaChannel()) {
        // Every pixel is copied over below: nothing to clear first.
        kept = QPixmap::fromImage(QImage(pixels.size(), QImage::Format_ARGB32_Premultiplied));
    }
    kept.setDevicePixelRatio(1);
    {
        QPainter copy(&kept);
        copy.setCompositionMode(QPainter::CompositionMode_Source);
        copy.drawImage(QRectF(QPointF(0, 0), QSizeF(pixels.size())), *frame, QRectF(pixels));
        if (piece && piece->isValid()) {
            // The piece travels on its own: the rest of the picture has a hole where it stood.
            copy.scale(dpr, dpr);
            copy.setCompositionMode(QPainter::CompositionMode_Clear);
            copy.fillRect(QRectF(*piece), Qt::transparent);
        }
    }
    kept.setDevicePixelRatio(dpr);
    PicturedLook look;
    if (piece && piece->isValid()) {
        look = pieceOf(widget, *piece);
    }
    look.rest = kept;
    look.at = widget->pos();
    look.size = widget->size();
    look.opaque = true;
    if (buffer) {
        *buffer = std::move(kept);
    }
    return look;
}

void PicturedLook::paint(QPainter& painter, QPointF origin, double opacity, double pieceProgress) const
{
    opacity = std::clamp(opacity, 0.0, 1.0);
    if (isNull() || opacity <= 0.0) {
        return;
    }
    painter.save();
    painter.setOpacity(opacity);
    const QPointF topLeft = origin + QPointF(at);
    if (!rest.isNull()) {
        // A picture that meets the device pixel for pixel is copied without smoothing, which gives the
        // same pixels and keeps the blend on Qt's direct path (a smoothed one is split over its
        // painting threads).
        const QTransform device = painter.deviceTransform();
        const QPointF corner = device.map(topLeft);
        const auto whole = [](qreal v) { return std::abs(v - std::round(v)) < 1e-6; };
        const bool oneToOne =
            device.type() <= QTransform::TxScale && qFuzzyCompare(device.m11(), rest.devicePixelRatio())
            && qFuzzyCompare(device.m22(), rest.devicePixelRatio()) && whole(corner.x()) && whole(corner.y());
        const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth && !oneToOne);
        painter.drawPixmap(topLeft, rest);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    }
    if (!piece.isNull()) {
        // From just above the look's top edge (its whole height above its place) to its place.
        const qreal rise = (pieceRect.y() + pieceRect.height()) * (1.0 - pieceProgress);
        painter.setClipRect(QRectF(topLeft, QSizeF(size)));
        painter.drawPixmap(topLeft + QPointF(pieceRect.topLeft()) - QPointF(0, rise), piece);
    }
    painter.restore();
}

FocusChangeMotion::FocusChangeMotion(QWidget* toolbar, QWidget* pages, QWidget* overlay,
                                     std::function<std::optional<QRect>()> movingPiece)
    : m_widgets{toolbar, pages, overlay},
      m_movingPiece(std::move(movingPiece))
{
    for (std::size_t i = 0; i < m_widgets.size(); ++i) {
        const bool page = i == index(Part::Page);
        m_parts[i].from = PicturedLook::of(m_widgets[i], page && m_movingPiece ? m_movingPiece() : std::nullopt);
    }
}

void FocusChangeMotion::setSprings(Part part, Spring out, Spring in)
{
    m_parts[index(part)].out = out;
    m_parts[index(part)].in = in;
}

void FocusChangeMotion::replaceOldLook(const QPixmap& picture, QPoint at)
{
    for (PartMotion& part : m_parts) {
        part.from = PicturedLook();
    }
    PicturedLook& page = m_parts[index(Part::Page)].from;
    page.rest = picture;
    page.at = at;
}

void FocusChangeMotion::takeNewLook()
{
    for (std::size_t i = 0; i < m_widgets.size(); ++i) {
        const bool page = i == index(Part::Page);
        m_parts[i].to = PicturedLook::of(m_widgets[i], page && m_movingPiece ? m_movingPiece() : std::nullopt);
    }
}

Spring FocusChangeMotion::longestSpring() const
{
    Spring longest = m_parts.front().out;
    for (const PartMotion& part : m_parts) {
        for (const Spring& spring : {part.out, part.in}) {
            if (spring.durationMs() > longest.durationMs()) {
                longest = spring;
            }
        }
    }
    return longest;
}

double FocusChangeMotion::oldOpacity(Part part, double elapsedMs) const
{
    return std::clamp(1.0 - m_parts[index(part)].out.progressAt(elapsedMs), 0.0, 1.0);
}

double FocusChangeMotion::newOpacity(Part part, double elapsedMs) const
{
    return std::clamp(m_parts[index(part)].in.progressAt(elapsedMs), 0.0, 1.0);
}

void FocusChangeMotion::paint(QPainter& painter, QPointF origin, double elapsedMs) const
{
    // The layout beneath, the toolbar and the overlay above it, as they stand on screen.
    for (const Part part : {Part::Page, Part::Toolbar, Part::Overlay}) {
        const PartMotion& motion = m_parts[index(part)];
        const double out = motion.out.progressAt(elapsedMs);
        const double in = motion.in.progressAt(elapsedMs);
        motion.from.paint(painter, origin, 1.0 - out, 1.0 - out);
        motion.to.paint(painter, origin, in, in);
    }
}

} // namespace vsp::detail
