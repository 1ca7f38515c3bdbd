#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>

class QPainter;

namespace vsp {

/// Draws the application's mark (an open journal under a crescent) in one colour, fitted into `rect`.
void paintVesperlogMark(QPainter& painter, const QRectF& rect, const QColor& color);

/// The mark drawn in black at `size` pixels and `scale` device pixels per pixel, for the tray icon
/// (`VesperlogMenuBarShape(size: 16)` rendered at scale 2). A null image when it cannot be drawn.
QImage renderVesperlogMenuBarShape(qreal size, qreal scale, const QColor& color = Qt::black);

} // namespace vsp
