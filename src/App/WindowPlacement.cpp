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

void remember(QWidget* window, const QByteArray& stored, std::function<void(const QByteArray&)> store)
{
    if (!stored.isEmpty()) {
        if (window->restoreGeometry(stored)) {
            vsp::fitToScreen(window);
        }
    }
    new PlacementKeeper(window, std::move(store));
}

} // namespace WindowPlacement
