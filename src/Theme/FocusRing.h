#pragma once

#include <QMarginsF>
#include <QRectF>

#include <QList>

#include <functional>

class QPainter;
class QScrollArea;
class QWidget;

namespace vsp {

/// Paints the keyboard focus ring: a 2-pixel accent outline whose outer edge is `rect`, its corners
/// rounded with `cornerRadius` pixels (half the shorter side or more draws a capsule). The accent is
/// drawn opaque, so the ring shows on dark and light backgrounds alike.
void paintFocusRing(QPainter& painter, const QRectF& rect, qreal cornerRadius);

/// Draws the focus ring around `widget` while it has the keyboard focus: `outset` pixels outside its
/// rectangle (a negative value draws inside it, for a widget with no room around it), the ring's outer
/// corners rounded with `cornerRadius` pixels. The ring is a mouse-transparent widget laid over the widget's parent and
/// moves with it; it shows when the focus came from the keyboard or the program, not from a click or the
/// window becoming active. Calling it again changes the shape.
void setFocusRing(QWidget* widget, qreal cornerRadius, qreal outset = 2);
/// The same with an outset for each side (negative: inside), for a widget that paints inside padding;
/// with `around`, the ring goes round that widget (a text field's frame) while `widget` has the focus,
/// whatever the reason the focus came.
void setFocusRing(QWidget* widget, qreal cornerRadius, const QMarginsF& outset, QWidget* around = nullptr);

/// Makes a painted control that is not a button usable from the keyboard: it takes Tab focus (clicks
/// do not move the focus to it), shows the focus ring (as setFocusRing) and Space or Return calls
/// `activate`. The widget's accessible name is left to the caller.
void makeKeyboardControl(QWidget* widget, std::function<void()> activate, qreal cornerRadius,
                         const QMarginsF& outset = {2, 2, 2, 2});

/// Tab order by regions: the widget Tab (`forward`) or Shift+Tab should move to from `current`, going
/// through the regions in the order given and, within a region, in the window's own focus order (the
/// region's widgets made later included). Only visible, enabled widgets that take Tab focus count;
/// past the last region it goes round to the first. Null when `current` is in none of the regions.
QWidget* focusNeighbour(const QList<QWidget*>& regions, QWidget* current, bool forward);

/// The last widget inside `region` (or `region` itself) in the window's focus order that can take the
/// focus, for QWidget::setTabOrder; `region` when none of its widgets can.
QWidget* lastFocusable(QWidget* region);

/// Puts the Tab stops inside `regions` (in the order given) just before `before` in the window's Tab
/// order: chips made later go in front of the field they stand before on screen, not at the window's
/// end. Does nothing while `before` has no Tab stop ahead of it in its window.
void placeBefore(const QList<QWidget*>& regions, QWidget* before);

/// Scrolls `area` to show the widget inside it that takes the keyboard focus, also when the focus comes
/// from outside the area (QScrollArea scrolls by itself only for moves between its own children). A
/// click, made on what is shown, scrolls nothing.
void keepFocusInView(QScrollArea* area);

/// The ring widget drawn for the focused widget now; null while none shows. For tests.
QWidget* shownFocusRing();

} // namespace vsp
