#pragma once

#include <QWidget>

#include <functional>

class AppSettings;
class JournalStore;
class MoodStore;

/// The single "New Entry" window (identifier "compose-window"): standard title bar, 720 by 600 by
/// default, never smaller than 640 by 540. Opening it again brings the same window forward. Its content
/// comes from a factory, given the three objects it may use and an action that closes the window.
class ComposeWindow final : public QWidget {
    Q_OBJECT

public:
    using CloseAction = std::function<void()>;
    using ContentFactory =
        std::function<QWidget*(JournalStore&, AppSettings&, MoodStore&, CloseAction close, QWidget* parent)>;

    ComposeWindow(JournalStore& store, AppSettings& settings, MoodStore& moodStore, ContentFactory factory,
                  QWidget* parent = nullptr);

    /// Shows the window, or brings it to the front when it is open already.
    void present();
    QWidget* content() const { return m_content; }

    /// The window's content by default: the composer (ComposeView).
    static QWidget* makeComposeView(JournalStore& store, AppSettings& settings, MoodStore& moodStore, CloseAction close,
                                    QWidget* parent);

private:
    QWidget* m_content;
};
