#pragma once

#include <QWidget>

class AppSettings;
class JournalStore;
class MoodStore;
class QAbstractButton;
class QButtonGroup;
class QStackedWidget;
class Updater;

/// The settings window: a fixed 540 by 480 window of seven tabs (General, Appearance, Personalize,
/// Shortcuts, Data, Security, About) chosen from a toolbar of symbols with labels, opening on General.
/// It keeps no state: every control reads and writes its AppSettings property, so opening and closing
/// the window writes nothing and there is no saving step. Ctrl+W and Escape close it. Ctrl+Tab and
/// Ctrl+Shift+Tab go to the next and previous tab (round the end), as do the arrow keys on the toolbar,
/// whose current tab is its one Tab stop. Not modal.
class SettingsView final : public QWidget {
    Q_OBJECT

public:
    /// `version` and `build` are the texts the About tab shows ("Version 0.1.0 (1)").
    SettingsView(JournalStore& store, AppSettings& settings, MoodStore& moodStore, Updater& updater,
                 const QString& version, const QString& build, QWidget* parent = nullptr);

    // Tab i is the child "tab<i>" and the toolbar button that shows it "tabButton<i>" (its text is the
    // tab's label), counting from 0.
    int tabCount() const;
    int currentTab() const;
    void setCurrentTab(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QButtonGroup* m_buttons;
    QStackedWidget* m_pages;
    bool m_placed = false;
};
