#pragma once

#include "Theme/Spring.h"
#include "Theme/TransitionOverlay.h"
#include "Widgets/OpenWindow.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class ColumnVisibilityHolder;
class EmptyDetailView;
class EntryDetailView;
class EntryListView;
class JournalStore;
class LockScreenView;
class MoodStore;
class OnboardingView;
class QPropertyAnimation;
class QSplitter;
class QStackedWidget;
class SidebarView;

/// The root of the main window: the sidebar, the entry list and the entry detail side by side in a
/// splitter. In focus mode (with an entry selected) the detail fills the window. While the journal is
/// locked an opaque lock screen takes the place of everything: the columns are hidden, nothing under it
/// takes input or reaches assistive technology, and the windows over it that show journal data close
/// (see closeJournalWindows). The first time the window shows, the journal is locked when app lock is
/// on and the introduction follows 0.4 s later until it has been completed once; while the journal is
/// locked the introduction waits for the unlock (one open when the lock comes is put away until then),
/// so nothing typed at the password prompt can land in it.
///
/// Columns come and go with a spring: entering focus mode slides the sidebar and the list away while
/// the detail fades into its full-window layout (response 0.4), leaving it brings them back, and hiding
/// or showing the sidebar slides it (response 0.35). The motion is painted over the columns from
/// pictures of the old and new layouts, so the columns themselves are laid out once.
class ContentView final : public QWidget {
    Q_OBJECT

public:
    ContentView(JournalStore& store, MoodStore& moodStore, vsp::OpenWindowAction openWindow, QWidget* parent = nullptr);
    ~ContentView() override;

    SidebarView* sidebar() const { return m_sidebar; }
    EntryListView* entryList() const { return m_list; }
    EntryDetailView* detail() const { return m_detail; }
    LockScreenView* lockScreen() const { return m_lock; }
    /// Whether the lock cover is up: the journal is locked and the columns are hidden under it.
    bool isCovered() const;
    /// Whether the detail fills the window (focus mode with an entry selected).
    bool isFocusLayout() const;
    /// Locks the journal when app lock is on. Each showing of the view does; the main window does before
    /// its content is shown, so nothing under the cover is shown (or announced) first.
    void lockWhenAppLockIsOn();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    friend class ContentViewTest;
    friend class EntryDetailViewTest;

    void refreshDetail();
    /// Shows and hides the columns for the focus mode and the column visibility; with a spring, and
    /// when the window shows and animations are on, the change moves.
    void refreshColumns(std::optional<vsp::Spring> spring = std::nullopt);
    /// The x of the detail column's left edge (0 when it fills the window).
    int detailLeft() const;
    void beginColumnTransition(vsp::Spring spring);
    void refreshLock();
    /// Closes the windows over the main window that may show journal data (the trash, a question
    /// about an entry, a menu); the ones marked as showing none (the update sheet) are hidden until
    /// the unlock shows them again.
    void closeJournalWindows();
    void restoreSetAsideWindows();
    void presentOnboarding();

    JournalStore& m_store;
    MoodStore& m_moodStore;
    ColumnVisibilityHolder* m_columns;
    QSplitter* m_splitter;
    SidebarView* m_sidebar;
    EntryListView* m_list;
    QStackedWidget* m_detailStack;
    EmptyDetailView* m_emptyDetail;
    EntryDetailView* m_detail;
    LockScreenView* m_lock;
    /// The introduction while it is shown, else null.
    OnboardingView* m_onboarding = nullptr;
    bool m_onboardingScheduled = false;
    /// The introduction came due while the journal was locked: it opens at the unlock.
    bool m_onboardingAfterUnlock = false;
    int m_sidebarWidth = 250;
    /// The motion of the columns while it runs.
    QPointer<vsp::TransitionOverlay> m_columnTransition;
    /// The spring the columns of the running transition move with.
    vsp::Spring m_columnSpring;
    /// The lock cover fading away after an unlock, while it runs.
    QPointer<QPropertyAnimation> m_lockFade;
    /// Windows showing no journal data, hidden while the cover is up.
    QList<QPointer<QWidget>> m_setAside;
    /// Where the detail column starts in the old and the new layout of the running transition.
    int m_transitionFromLeft = 0;
    int m_transitionToLeft = 0;
    /// The user is dragging the sidebar shut: it follows the pointer, no motion of its own.
    bool m_draggingSidebar = false;
};
