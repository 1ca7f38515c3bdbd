#pragma once

#include <QObject>

/// The sidebar over a fixture journal: what each group shows, what each click writes to the store,
/// the compose launcher, the header, the word goal, the footer and the tag menu.
class SidebarViewTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void emptyJournal_showsCaptureAlone();
    void fixture_countsIgnoreArchivedEntries();
    void click_writesNavigationState_data();
    void click_writesNavigationState();
    void appearanceSwitch_repaintsRowsAtOnce();
    void launcher_rowsSetRestoreFlagAndOpenComposeWindow_data();
    void launcher_rowsSetRestoreFlagAndOpenComposeWindow();
    void launcherOpen_clickElsewhere_onlyCloses();
    void launcherClose_byRowAtOnce_besideWithSpring_data();
    void launcherClose_byRowAtOnce_besideWithSpring();
    void firstShow_everyMovingValueAtRest();
    void header_nameIsPlainText_streakBadgeFollowsToday();
    void header_longStreak_shrinksTheBadgeNotTheName();
    void stats_goalProgress_data();
    void stats_goalProgress();
    void footer_trashButtonOnlyWithTrash_nameIsPlainText();
    void tagMenu_actionsWriteEntriesAndSettings();
    void tagRemoval_rowsEndAtRest_standStillWhenReduced_data();
    void tagRemoval_rowsEndAtRest_standStillWhenReduced();
    void todayCount_rollsOnlyFromNumberToNumber_data();
    void todayCount_rollsOnlyFromNumberToNumber();
    void rowHighlight_titleColourGlidesWithIt();
};
