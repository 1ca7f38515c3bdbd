#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSizeF>
#include <QString>
#include <QStringView>

class QPainter;
class QRectF;

/// Symbol names as the journal stores and names them ("star.fill", "pin", "calendar", weather symbols
/// such as "cloud.rain.fill") drawn with the SVG icons of Debian's bootstrap-icons package
/// (/usr/share/bootstrap-icons/svg, MIT licence). Stored names are never rewritten: the mapping happens
/// only when drawing.
///
/// A name ending in ".fill" uses the icon's "-fill" variant when the set has one. Unknown names draw
/// nothing (and `isKnown` says so); they never fail. A symbol the application draws with that cannot be
/// loaded (the set is not installed, or its file is missing or unreadable) draws its first letter
/// instead, and the first such symbol of an icon folder prints one "Vesperlog: … failed — …" line.
namespace vsp::symbols {

/// The folder of the SVG files: VESPERLOG_ICON_DIR when set (tests); else share/bootstrap-icons/svg beside
/// the program's folder when that exists (a bundle's own copy; for the .deb the system's); else
/// /usr/share/bootstrap-icons/svg.
QString iconFolder();

/// The bootstrap icon's base name for a symbol name ("star.fill" -> "star-fill"), or an empty text when
/// the name maps to no installed icon.
QString iconName(QStringView symbol);
/// Whether the symbol maps to an installed icon.
bool isKnown(QStringView symbol);
/// The SVG file path of a symbol, or an empty text.
QString iconPath(QStringView symbol);

/// The symbol tinted with `color` at `size` logical pixels (square) for a device pixel ratio. Rendered
/// pixmaps are cached; an unknown symbol gives a transparent pixmap.
QPixmap pixmap(QStringView symbol, const QColor& color, qreal size, qreal devicePixelRatio = 1.0);
/// Draws the symbol tinted with `color`, fitted and centred in `rect`.
void paint(QPainter& painter, QStringView symbol, const QRectF& rect, const QColor& color);
/// A QIcon of the symbol for menus and tool buttons, tinted with `color` (normal and disabled modes);
/// an invalid `color` tints it with the application palette's button text when it is drawn.
QIcon icon(QStringView symbol, const QColor& color);

} // namespace vsp::symbols
