#pragma once

#include <QByteArray>

#include <functional>

class QWidget;

/// Where a top-level window was, kept across launches: `remember()` places the window as `stored`
/// (from QWidget::saveGeometry) says before it is first shown, and then hands its saveGeometry() to
/// `store` each time it is hidden or closed and when the application is about to quit.
///
/// A stored placement is moved and shrunk onto the free area of a screen that is there now (a monitor
/// unplugged, a smaller resolution, a larger scale factor), and so is the default size at the first
/// show and once the window manager has put its frame around the window (see vsp::fitToScreen); the
/// window's minimum size still holds. Empty or unreadable bytes leave the window's default size and
/// position. A window never shown stores nothing.
namespace WindowPlacement {

/// Returns whether `stored` placed the window.
bool remember(QWidget* window, const QByteArray& stored, std::function<void(const QByteArray&)> store);

/// Puts `window` at its present size centred over `over` (a shown window), kept on `over`'s screen.
void centreOver(QWidget* window, const QWidget* over);

} // namespace WindowPlacement
