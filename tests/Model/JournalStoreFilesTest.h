#pragma once

#include <QObject>

/// The store's construction, its files and its settings keys.
class JournalStoreFilesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void firstLaunch_createsFolderAndWritesNothing();
    void temporaryFilesLeftByAKilledSave_areRemovedAtStart();
    void emptyArray_loadsWithoutCopy();
    void undecodableJournal_isCopiedAsideThenReplaced();
    void undecodableJournal_keepsOneCopyPerContent();
    void undecodableJournal_withoutCopy_isNeverOverwritten();
    void unreadableJournal_isNeverOverwritten_data();
    void unreadableJournal_isNeverOverwritten();
    void undecodableTrash_isCopiedAside();
    void trashThatCannotBeWritten_keepsDeletedEntryInJournal();
    void journalThatCannotBeWritten_keepsRestoredEntryInTrash();
    void sortOrder_fromSettings_data();
    void sortOrder_fromSettings();
    void sortOrder_followsSettingsChanges();
    void selection_isFirstEntryInFileOrder();
    void navigationState_startsFresh();
    void pinsAndTagColors_roundTripThroughSettings();
    void damagedSettingsValues_areIgnored();
    void settingsFile_livesInConfigFolder();
    void saveFailure_keepsChangeInMemory();
    void fileOrder_isKeptOnLoad();
    void damagedJournal_neverCrashesNorLosesFile();
    void privateFiles_loseGroupAndOtherBitsOnly_data();
    void privateFiles_loseGroupAndOtherBitsOnly();
};
