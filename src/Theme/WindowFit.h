#pragma once

class QMessageBox;
class QWidget;

namespace vsp {

/// Moves and shrinks the top-level `window` so that it lies wholly on the free area of a screen
/// (QScreen::availableGeometry: the screen less the desktop's panels), the one it overlaps most or the
/// primary screen when it overlaps none. Sizes are in logical pixels, so a scaled desktop
/// (QT_SCALE_FACTOR) has a smaller area. The window manager's frame counts once it is known; before a
/// window's first show the frame of another shown window of the application stands in for it.
///
/// The window's minimum size still holds: a window whose minimum is larger than the area keeps its top
/// left corner on the area. A window that was never moved and not yet framed is only resized, so the
/// window manager still chooses where it opens. Does nothing when the window fits already or there is
/// no screen.
void fitToScreen(QWidget* window);

/// Widens `box` so that the window manager's title bar shows its whole window title beside the bar's
/// buttons: a stock message box leaves 50 pixels beside the title, less than the window's icon and
/// its minimise, maximise and close buttons take, so the title is cut in the middle. Call it once the
/// box has its texts and buttons, before it is shown; a box wide enough already keeps its width.
void makeRoomForTitle(QMessageBox& box);

} // namespace vsp
