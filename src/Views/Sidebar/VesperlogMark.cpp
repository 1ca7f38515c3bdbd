#include "Views/Sidebar/VesperlogMark.h"

#include <QPainter>
#include <QPainterPath>

namespace vsp {

void paintVesperlogMark(QPainter& painter, const QRectF& rect, const QColor& color)
{
    const qreal s = std::min(rect.width(), rect.height());
    if (s <= 0) {
        return;
    }
    const QPointF o(rect.center().x() - s / 2, rect.center().y() - s / 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(o);
    painter.scale(s / 16.0, s / 16.0);

    // Crescent: a disc with a smaller disc taken out of it.
    QPainterPath moon;
    moon.addEllipse(QPointF(8, 4.2), 3.4, 3.4);
    QPainterPath bite;
    bite.addEllipse(QPointF(9.7, 3.2), 2.9, 2.9);
    painter.fillPath(moon.subtracted(bite), color);

    // Open pages.
    QPainterPath pages;
    pages.moveTo(1.2, 9.0);
    pages.quadTo(4.8, 8.0, 8.0, 9.6);
    pages.quadTo(11.2, 8.0, 14.8, 9.0);
    pages.lineTo(14.8, 14.6);
    pages.quadTo(11.2, 13.6, 8.0, 15.0);
    pages.quadTo(4.8, 13.6, 1.2, 14.6);
    pages.closeSubpath();
    QPainterPath spine;
    spine.addRect(QRectF(7.6, 9.6, 0.8, 5.2));
    painter.fillPath(pages.subtracted(spine), color);
    painter.restore();
}

QImage renderVesperlogMenuBarShape(qreal size, qreal scale, const QColor& color)
{
    const int px = int(std::ceil(size * scale));
    if (px <= 0) {
        return {};
    }
    QImage image(px, px, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return {};
    }
    image.fill(Qt::transparent);
    QPainter p(&image);
    paintVesperlogMark(p, QRectF(0, 0, px, px), color);
    p.end();
    image.setDevicePixelRatio(scale);
    return image;
}

} // namespace vsp
