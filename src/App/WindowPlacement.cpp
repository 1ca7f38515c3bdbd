#include "App/WindowPlacement.h"

#include "Theme/WindowFit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

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
            if (event->type() == QEvent::Show && !m_shown) {
                m_shown = true;
                // Before the window appears: its default size may be larger than a small or scaled screen.
                vsp::fitToScreen(m_window);
                // A frame known already (the platform frames windows itself) was fitted just now: a
                // later move is the user's own.
                m_framed = m_window->frameGeometry() != m_window->geometry();
            } else if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && m_shown && !m_framed
                       && m_window->frameGeometry() != m_window->geometry()) {
                // The window manager has framed the window: the frame must fit too.
                m_framed = true;
                vsp::fitToScreen(m_window);
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
    bool m_framed = false;
};

} // namespace

namespace WindowPlacement {

bool remember(QWidget* window, const QByteArray& stored, std::function<void(const QByteArray&)> store)
{
    const bool restored = !stored.isEmpty() && window->restoreGeometry(stored);
    if (restored) {
        vsp::fitToScreen(window);
    }
    new PlacementKeeper(window, std::move(store));
    return restored;
}

void centreOver(QWidget* window, const QWidget* over)
{
    if (!over || !over->isVisible()) {
        return;
    }
    // The window's frame, not known before its first show, is taken to be as large as the other's.
    const QRect inner = over->geometry();
    const QRect outer = over->frameGeometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                         outer.bottom() - inner.bottom());
    QRect placed = QRect(QPoint(), window->size()).marginsAdded(frame);
    placed.moveCenter(outer.center());
    // A window's position is its frame's.
    window->move(placed.topLeft());
    vsp::fitToScreen(window);
}

} // namespace WindowPlacement
