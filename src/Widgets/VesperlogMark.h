#pragma once

#include "Theme/Palette.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>

class QPainter;

/// The application's two marks, drawn from shapes at any size: the book logo (two tilted pages, one
/// muted and one in the accent colour, with a thin spine between them) and the one-colour tray mark
/// (the same figure with the spine cut out as a gap). Sizes are logical pixels.
namespace vsp {

/// Paints the book logo centred in a `size` by `size` square at `topLeft`, in the colours of the
/// appearance and the accent preset stored now.
void paintVesperlogBookLogo(QPainter& painter, const QPointF& topLeft, qreal size, Appearance appearance);
/// The same for the application's current appearance.
void paintVesperlogBookLogo(QPainter& painter, const QPointF& topLeft, qreal size);

/// The tray mark's outline in a square of side `size` at the origin: both pages with the spine (a gap
/// 1.5 pixels wide whatever the size) taken out of them.
QPainterPath vesperlogMenuBarPath(qreal size);

/// The one-colour mark (the tray mark's figure) in `color`, centred in the largest square of `rect`.
void paintVesperlogMark(QPainter& painter, const QRectF& rect, const QColor& color);

/// The tray mark filled with `color` on transparency, `size` logical pixels at `scale` device pixels per
/// pixel (the tray icon uses 16 at scale 2). A null image when `size` or `scale` is not positive.
QImage renderVesperlogMenuBarShape(qreal size, qreal scale, const QColor& color = Qt::black);

/// The tray icon's picture: the mark in `panelText` (the colour of the panel's text) with a thin rim in
/// the opposite lightness, so the mark stays visible whether the panel behind it is light or dark.
QImage renderTrayMark(qreal size, qreal scale, const QColor& panelText);

} // namespace vsp
