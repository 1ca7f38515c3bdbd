#pragma once

#include <QWidget>

class AppSettings;
class GlassChipButton;
class JournalStore;
class QHBoxLayout;
class QLabel;
class TransitionSlot;
namespace vsp {
class GlassButton;
}

/// The daily word goal meter: "TODAY", today's words against the goal and a thin bar that fills up to
/// the goal. Takes no space while the goal (`AppSettings::dailyWordGoal`) is below 1.
class SidebarStats final : public QWidget {
    Q_OBJECT

public:
    SidebarStats(JournalStore& store, AppSettings& settings, QWidget* parent = nullptr);

    /// Today's words over the goal, 0 to 1 (exactly 1 at or past the goal; 0 without a goal).
    static double goalProgress(int todayWords, int goal);
    /// "250 / 500".
    QString numbersText() const;
    double progress() const;
    /// Reads today's words and the goal again.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    JournalStore& m_store;
    AppSettings& m_settings;
    int m_words = 0;
};

/// The sidebar's last row: the user's name (plain text, only when set), the update badge's place, the
/// trash button with the number of trashed entries (only while the trash holds any) and the settings
/// button.
class SidebarFooter final : public QWidget {
    Q_OBJECT

public:
    SidebarFooter(JournalStore& store, AppSettings& settings, QWidget* parent = nullptr);

    // Its children are named "userName", "trashButton" and "settingsButton".
    /// Puts the updater's badge in its place between the name and the trash button. The badge takes no
    /// space while it has nothing to show (it hides itself); without one the place is empty.
    void setUpdateBadge(QWidget* badge);

Q_SIGNALS:
    void trashRequested();
    void settingsRequested();

private:
    void refresh();

    JournalStore& m_store;
    AppSettings& m_appSettings;
    QLabel* m_name;
    QWidget* m_badgeSlot;
    GlassChipButton* m_trash;
    /// Brings the trash button in and out, scaled from nothing about its centre and faded (spring 0.25).
    TransitionSlot* m_trashSlot;
    vsp::GlassButton* m_settings;
};
