#pragma once

#include <QObject>

/// The main window's root: columns, focus mode, the lock cover, the introduction and the empty detail.
class ContentViewTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void focusMode_needsASelectedEntry();
    void lock_coversAndDisablesEverything();
    void lockedWindow_showsAssistiveTechnologyOnlyTheCover();
    void lock_closesTheWindowsThatShowTheJournal();
    void returnOnTheCover_pressesUnlock_data();
    void returnOnTheCover_pressesUnlock();
    void firstShow_locksAtOnce_introductionWaitsForTheUnlock();
    void lock_clearsThePrimarySelection_keepsTheClipboard();
    void lockedJournal_sendsNoAccessibilityEventFromUnderTheCover();
    void emptyDetail_textsDependOnJournal();
    void emptyDetail_atRestAtStart_growsInOnlyWhenReplacingAnEntry();
    void detail_followsSelection();
    void sidebar_hidesAndReturns();
    void accentChange_closesSearch_keepsSidebarState();
    void focusMode_movesColumnsAway_thenEndsWithThemHidden();
    void focusModeToggledMidway_continuesFromTheFrameShown();
    void showSidebar_movesSidebarIn();
    void columnChanges_withoutAnimations_landAtOnce();
    void columnMotionWhileLocked_neverShowsOverTheCover();
    void lockedAgainWhileCoverFades_staysOpaque();
    void unlock_fadesOnlyAfterACheck_data();
    void unlock_fadesOnlyAfterACheck();
    void newDay_sidebarAndCalendarFollow();
};
