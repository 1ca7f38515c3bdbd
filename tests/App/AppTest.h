#pragma once

#include <QObject>

/// The application object: its long-lived objects and flags, the application-wide reactions, the menu
/// commands with their shortcuts, and the compose and quick-capture windows.
class AppTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void firstLaunch_usesDefaultsAndWritesNothing();
    void leftOverRecording_isRemovedAndTold();
    void exportImport_runOncePerRequest_withMainWindowClosed_data();
    void exportImport_runOncePerRequest_withMainWindowClosed();
    void exportImport_doNothingWhileLocked_data();
    void exportImport_doNothingWhileLocked();
    void quit_backsUpOnlyWhenAsked_data();
    void quit_backsUpOnlyWhenAsked();
    void quitWithUnsavedChanges_asksFirst_data();
    void quitWithUnsavedChanges_asksFirst();
    void secondCopyOnSameJournal_handsOverOrQuitsUntouched();
    void secondCopy_withHungFirst_saysSoAndTouchesNothing();
    void resignActive_locksOnlyWithBothFlags_data();
    void resignActive_locksOnlyWithBothFlags();
    void leavingForOwnWindow_locksOnlyWhenStillAway_data();
    void leavingForOwnWindow_locksOnlyWhenStillAway();
    void shortcutsUnderTheCover_reachNothing();
    void expirationReminderUnderTheLock_isConcealed_andOpensItsEntryAfterTheUnlock();
    void updateRequest_showsOneSheet_andDismissesOnClose();
    void quietUpdateCheck_followsAutoUpdates_data();
    void quietUpdateCheck_followsAutoUpdates();

    void entryMenu_whileLocked_isDisabledAndChangesNothing();
    void entryCommands_actOnSelectedEntry();
    void entryMenus_actByIdThroughTheStore();
    void shortcuts_reachTheirCommands();
    void accessKeys_areUniqueInTheMenuBarAndEachWindow();
    void deleteCommand_deletesOnlyAfterConfirmation();
    void editCommand_startsAndSavesEditing();
    void composeWindow_isSingleAndBounded();
    void composeWindow_firstOpensCentredOverTheMainWindow();
    void newEntry_fromShortcutToSavedSelectedRow();
    void quickCapture_fromFileMenu_addsEntry();

    void composePlacement_rememberedOntoAVisibleScreen_data();
    void composePlacement_rememberedOntoAVisibleScreen();
    void windows_fitAScaledScreen_data();
    void windows_fitAScaledScreen();
    void appWideShortcuts_workFromNewEntryWindow();
    void quit_whileIntroductionIsOpen_stillQuits();
    void quitForUpdate_savesTheDetailsEditsAndTheDraftFirst();
    void sessionEnd_keepsEditsAndBothDrafts_withoutAsking();
    void selectedRowDate_readableOnEveryAccent_data();
    void selectedRowDate_readableOnEveryAccent();
    void appearanceSwitch_recoloursEveryWindowAtOnce_data();
    void appearanceSwitch_recoloursEveryWindowAtOnce();
    void systemAppearance_followsDesktopSchemeLive();
};
