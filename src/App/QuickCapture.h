#pragma once

#include <QElapsedTimer>
#include <QIcon>
#include <QRect>
#include <QWidget>

class AppSettings;
class JournalStore;
class QuickCaptureView;

/// The popup of the tray icon (and of the File menu's Quick Capture, for desktops without a tray) that
/// holds the quick-capture view on a glass panel. It is made once and only ever hidden, so what was
/// typed or recorded survives closing it: clicking elsewhere, Escape or clicking the tray icon again
/// hides it, and so does a successful capture (which empties it first).
class QuickCapturePanel final : public QWidget {
    Q_OBJECT

public:
    QuickCapturePanel(JournalStore& store, AppSettings& settings, QWidget* parent = nullptr);

    /// Shows the panel next to `anchor` (global coordinates of the tray icon: below it when the icon is
    /// in the upper half of the screen, above it otherwise), or centred on the screen when the anchor
    /// is empty, and puts the keyboard focus into the title field.
    void present(const QRect& anchor = QRect());
    /// What a click on the tray icon does: hides a shown panel, else presents it. A click that itself
    /// took the focus away from the panel (and so hid it a moment ago) leaves it hidden.
    void toggle(const QRect& anchor);

    QuickCaptureView* view() const { return m_view; }

    /// The tray image: the mark drawn at 16 pixels and scale 2 in the panel's likely text colour with a
    /// contrasting rim, or the "book.closed.fill" symbol when the mark cannot be drawn. Drawn anew at
    /// each call, for the desktop's colour scheme of the moment.
    static QIcon trayIcon();

Q_SIGNALS:
    /// The locked face's "Unlock…": the main window, with its lock cover, should come forward.
    void unlockRequested();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void place();
    void hideAfterFocusLeft();

    QuickCaptureView* m_view;
    QRect m_anchor;
    /// Since the panel last hid because the focus went elsewhere.
    QElapsedTimer m_sinceFocusLeft;
    /// Counts present() calls, so a focus change seen before the latest one is not acted on.
    int m_presentations = 0;
};
