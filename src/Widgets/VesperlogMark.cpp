#include "Widgets/VesperlogMark.h"

#include "Theme/AppearanceManager.h"

#include <QPainter>
#include <QTransform>

#include <cmath>

namespace vsp {

namespace {

/// One page: a rounded rectangle of `w` by `h` centred on the square's centre, turned by `degrees`
/// (clockwise on screen) about its own centre and moved `dx` sideways.
QPainterPath page(qreal size, qreal w, qreal h, qreal radius, qreal degrees, qreal dx)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(-w / 2, -h / 2, w, h), radius, radius);
    QTransform t;
    t.translate(size / 2 + dx, size / 2);
    t.rotate(degrees);
    return t.map(path);
}

} // namespace

void paintVesperlogBookLogo(QPainter& painter, const QPointF& topLeft, qreal s, Appearance appearance)
{
    if (s <= 0) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(topLeft);
    painter.setPen(Qt::NoPen);
    QColor muted = Color::vspFgMuted().resolve(appearance);
    muted.setAlphaF(muted.alphaF() * 0.55f);
    painter.setBrush(muted);
    painter.drawPath(page(s, 0.35 * s, 0.54 * s, 2, 7, 0.12 * s));
    painter.setBrush(Color::resolvedAccent().resolve(appearance));
    painter.drawPath(page(s, 0.35 * s, 0.54 * s, 2, -7, -0.12 * s));
    QColor spine = Color::vspBackground().resolve(appearance);
    spine.setAlphaF(0.5f);
    painter.setBrush(spine);
    painter.drawRect(QRectF(s / 2 - 0.6, s / 2 - 0.25 * s, 1.2, 0.5 * s));
    painter.restore();
}

void paintVesperlogBookLogo(QPainter& painter, const QPointF& topLeft, qreal size)
{
    paintVesperlogBookLogo(painter, topLeft, size, AppearanceManager::instance().current());
}

QPainterPath vesperlogMenuBarPath(qreal s)
{
    QPainterPath pages =
        page(s, 0.36 * s, 0.58 * s, 1.5, 8, 0.12 * s).united(page(s, 0.36 * s, 0.58 * s, 1.5, -8, -0.12 * s));
    QPainterPath spine;
    spine.addRect(QRectF(s / 2 - 0.75, s / 2 - 0.29 * s, 1.5, 0.58 * s));
    return pages.subtracted(spine);
}

void paintVesperlogMark(QPainter& painter, const QRectF& rect, const QColor& color)
{
    const qreal s = std::min(rect.width(), rect.height());
    if (s <= 0) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center().x() - s / 2, rect.center().y() - s / 2);
    painter.fillPath(vesperlogMenuBarPath(s), color);
    painter.restore();
}

namespace {

QImage blankImage(qreal size, qreal scale)
{
    if (!(size > 0) || !(scale > 0)) {
        return {};
    }
    const int px = int(std::ceil(size * scale));
    QImage image(px, px, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return {};
    }
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    return image;
}

} // namespace

QImage renderVesperlogMenuBarShape(qreal size, qreal scale, const QColor& color)
{
    QImage image = blankImage(size, scale);
    if (image.isNull()) {
        return image;
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(vesperlogMenuBarPath(size), color);
    return image;
}

QImage renderTrayMark(qreal size, qreal scale, const QColor& panelText)
{
    QImage image = blankImage(size, scale);
    if (image.isNull()) {
        return image;
    }
    const QPainterPath mark = vesperlogMenuBarPath(size);
    QColor rim = panelText.lightnessF() > 0.5 ? QColor(0, 0, 0, 200) : QColor(255, 255, 255, 210);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // The rim lies under the fill and shows only outside it: one device pixel around the mark.
    p.setPen(QPen(rim, 2.0 / scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(mark);
    p.fillPath(mark, panelText);
    return image;
}

} // namespace vsp
