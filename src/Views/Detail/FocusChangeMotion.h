#pragma once

#include "Theme/Spring.h"

#include <QPixmap>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QPainter;

namespace vsp::detail {

/// One look of a part of the detail, pictured: where it stood and, optionally, a piece of it that
/// travels on its own (drawn apart from the rest of the picture).
struct PicturedLook {
    QPixmap rest;
    QPoint at;
    QPixmap piece;
    QRect pieceRect;
    /// The look's own rectangle, logical pixels: the piece travels within it.
    QSize size;
    /// `rest` is the look as the window showed it, background included, rather than over transparency.
    bool opaque = false;

    /// Pictures `widget` over transparency, at its place in its parent, with `piece` (a rectangle of
    /// the widget) cut out of it when given; a hidden or missing widget gives an empty look.
    static PicturedLook of(const QWidget* widget, std::optional<QRect> piece = std::nullopt);
    /// Pictures only `piece` (a rectangle of `widget`) and no rest: for a look whose widget paints
    /// itself beneath, where only the travelling piece needs a picture. Empty as of() is.
    static PicturedLook pieceOf(const QWidget* widget, const QRect& piece);
    /// The look of `widget` as the window's last frame shows it: `rest` holds the pixels of its
    /// rectangle copied from the window's backing store (opaque, nothing painted again), with a hole
    /// where `piece` stood; the piece itself is pictured over transparency as pieceOf() does. An empty
    /// look when that frame cannot be read or does not show the widget as it stands (no raster backing
    /// store, a window not exposed or about to change size, another widget over it): picture it with
    /// of() then. `buffer`, when given, is a picture kept from one look to the next: the pixels are
    /// copied into it when it has their size and nothing else holds it (memory already in use, where a
    /// window-sized picture made afresh pays a page fault per 4 KiB), and it is replaced otherwise; the
    /// look then shares it.
    static PicturedLook shownOf(const QWidget* widget, std::optional<QRect> piece = std::nullopt,
                                QPixmap* buffer = nullptr);
    bool isNull() const { return rest.isNull() && piece.isNull(); }
    /// Draws the look at `opacity` with its top-left at `origin` + `at`. The piece comes down from
    /// above the look's top edge as `pieceProgress` goes from 0 to 1 (1: in its place).
    void paint(QPainter& painter, QPointF origin, double opacity, double pieceProgress) const;
};

/// The entry detail's share of a change of focus mode, painted from pictures: the toolbar, the layout
/// and the focus overlay each fade out of the old look and into the new one with a spring of their own,
/// and the format bar of a focus layout slides to and from the top edge as that layout fades. The
/// window paints it at the detail's moving edge while its columns move; with no columns to move, the
/// detail plays it over itself.
class FocusChangeMotion final {
public:
    enum class Part { Toolbar, Page, Overlay };

    /// The detail's parts (its children); `movingPiece` gives the piece of the shown page that travels
    /// (null: none). The old look is pictured now.
    FocusChangeMotion(QWidget* toolbar, QWidget* pages, QWidget* overlay,
                      std::function<std::optional<QRect>()> movingPiece);

    /// The part leaves its old look with `out` and comes into its new one with `in`.
    void setSprings(Part part, Spring out, Spring in);
    /// The old look is this one picture instead (the frame of a motion under way), drawn at `at` in the
    /// detail; it leaves with the page's spring.
    void replaceOldLook(const QPixmap& picture, QPoint at = QPoint());
    /// Pictures the parts as they stand now, as the new look.
    void takeNewLook();

    /// The spring of the part that moves longest: a motion carrying this one lasts that long.
    Spring longestSpring() const;
    /// Paints the detail `elapsedMs` into the motion with its top-left at `origin`, over a background
    /// the caller has laid down.
    void paint(QPainter& painter, QPointF origin, double elapsedMs) const;
    /// Opacities of a part's old and new look at that moment, 0 to 1.
    double oldOpacity(Part part, double elapsedMs) const;
    double newOpacity(Part part, double elapsedMs) const;
    Spring outSpring(Part part) const { return m_parts[index(part)].out; }
    Spring inSpring(Part part) const { return m_parts[index(part)].in; }

private:
    struct PartMotion {
        PicturedLook from;
        PicturedLook to;
        Spring out;
        Spring in;
    };
    static std::size_t index(Part part) { return std::size_t(part); }
    std::array<QPointer<QWidget>, 3> m_widgets;
    std::function<std::optional<QRect>()> m_movingPiece;
    std::array<PartMotion, 3> m_parts;
};

} // namespace vsp::detail
