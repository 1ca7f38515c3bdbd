#pragma once

#include "Widgets/OpenWindow.h"

#include <QMainWindow>

class ContentView;
class JournalStore;
class MoodStore;

/// The main window: the ContentView at 1440 by 900 by default, never smaller than its columns allow.
/// The application attaches the menu bar. Closing it hides it; the application decides whether that
/// ends the process.
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    MainWindow(JournalStore& store, MoodStore& moodStore, vsp::OpenWindowAction openWindow, QWidget* parent = nullptr);
    /// Commits an edit in progress while the window is still whole.
    ~MainWindow() override;

    ContentView* contentView() const { return m_content; }
    /// Locks the journal first when app lock is on (see ContentView::lockWhenAppLockIsOn).
    void setVisible(bool visible) override;

Q_SIGNALS:
    /// The window was shown for the first time (the quiet update check starts then).
    void firstShown();
    /// The window finished painting for the first time.
    void firstPainted();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ContentView* m_content;
    bool m_shown = false;
    bool m_painted = false;
};
