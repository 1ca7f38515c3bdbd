#include "App/WindowPlacement.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

class PlacementKeeper final : public QObject {
public:
    PlacementKeeper(QWidget* window, std::function<void(const QByteArray&)> store)
        : QObject(window),
          m_window(window),
          m_store(std::move(store))
    {
        window->installEventFilter(this);
        // Quitting does not close the windows: take the placement while they still stand.
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &PlacementKeeper::keep);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window) {
            if (event->type() == QEvent::Show) {
                m_shown = true;
            } else if (event->type() == QEvent::Hide || event->type() == QEvent::Close) {
                keep();
            }
        }
        return false;
    }

private:
    void keep()
    {
        if (m_shown) {
            m_store(m_window->saveGeometry());
        }
    }

    QWidget* m_window;
    std::function<void(const QByteArray&)> m_store;
    bool m_shown = false;
};

/// Qt's own correction of a restored placement leaves windows larger than the screen, or partly off
/// it: bring the window wholly onto the free area of the screen it overlaps most (the primary one when
/// none), no larger than that area unless its minimum size demands it.
void keepOnScreen(QWidget* window)
{
    QRect placed = window->geometry();
    const QScreen* best = QGuiApplication::primaryScreen();
    qint64 bestArea = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect shared = screen->availableGeometry().intersected(placed);
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
    placed.setSize(placed.size().boundedTo(free.size()).expandedTo(window->minimumSize()));
    // Where the window is larger than the area, its top left corner stays on it.
    placed.moveLeft(std::clamp(placed.left(), free.left(), std::max(free.left(), free.right() + 1 - placed.width())));
    placed.moveTop(std::clamp(placed.top(), free.top(), std::max(free.top(), free.bottom() + 1 - placed.height())));
    if (placed != window->geometry()) {
        window->setGeometry(placed);
    }
}

} // namespace

namespace WindowPlacement {

void remember(QWidget* window, const QByteArray& stored, std::function<void(const QByteArray&)> store)
{
    if (!stored.isEmpty()) {
        if (window->restoreGeometry(stored)) {
            keepOnScreen(window);
        }
    }
    new PlacementKeeper(window, std::move(store));
}

} // namespace WindowPlacement
