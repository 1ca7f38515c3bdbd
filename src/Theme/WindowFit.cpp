#include "Theme/WindowFit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMargins>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

QMargins frameOf(const QWidget* window)
{
    const QRect inner = window->geometry();
    const QRect outer = window->frameGeometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

/// The frame the window manager puts around `window`: its own once reported, else that of another
/// framed window of the application (all of them get the same decoration), else none.
QMargins expectedFrame(const QWidget* window)
{
    if (window->windowFlags() & Qt::FramelessWindowHint) {
        return {};
    }
    const QMargins own = frameOf(window);
    if (!own.isNull()) {
        return own;
    }
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other != window && other->isVisible() && other->windowType() == Qt::Window) {
            const QMargins theirs = frameOf(other);
            if (!theirs.isNull()) {
                return theirs;
            }
        }
    }
    return {};
}

} // namespace

namespace vsp {

void fitToScreen(QWidget* window)
{
    if (!window || !window->isWindow()) {
        return;
    }
    const QMargins frame = expectedFrame(window);
    const QRect outer = window->geometry().marginsAdded(frame);
    const QScreen* best = QGuiApplication::primaryScreen();
    qint64 bestArea = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect shared = screen->availableGeometry().intersected(outer);
        const qint64 area = shared.isEmpty() ? 0 : qint64(shared.width()) * shared.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    if (!best) {
        return;
    }
    const QRect free = best->availableGeometry();
    const QSize inner = window->size().boundedTo(free.size().shrunkBy(frame)).expandedTo(window->minimumSize());
    if (!window->testAttribute(Qt::WA_Moved) && frameOf(window).isNull()) {
        // Neither placed by anyone nor framed yet: the window manager still chooses where it opens, now
        // that it fits.
        if (inner != window->size()) {
            window->resize(inner);
        }
        return;
    }
    QRect placed = QRect(outer.topLeft(), inner.grownBy(frame));
    // Where the window is larger than the area, its top left corner stays on it.
    placed.moveLeft(std::clamp(placed.left(), free.left(), std::max(free.left(), free.right() + 1 - placed.width())));
    placed.moveTop(std::clamp(placed.top(), free.top(), std::max(free.top(), free.bottom() + 1 - placed.height())));
    placed = placed.marginsRemoved(frame);
    if (placed != window->geometry()) {
        window->setGeometry(placed);
    }
}

void makeRoomForTitle(QMessageBox& box)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) {
        return;
    }
    // Window managers draw the title in bold; the icon and three buttons are about a line high each,
    // with some padding, and the bar has a margin at both ends.
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int bar = metrics.horizontalAdvance(box.windowTitle()) + 4 * (metrics.height() + 8) + 2 * 8;
    const QMargins margins = grid->contentsMargins();
    // The box sizes itself to its layout's minimum width when it is shown: a spacer row holds it open.
    grid->addItem(new QSpacerItem(bar - margins.left() - margins.right(), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace vsp
