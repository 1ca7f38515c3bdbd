#pragma once

#include <QObject>

/// Adding, updating, deleting, duplicating and toggling entries, tags and their colours.
class JournalStoreOperationsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void addEntry_goesToFrontSelectsAndShowsToday();
    void addEntry_keepsMoodFilterAndSearch();
    void addNewEntry_storesAttachmentsUnderItsId_keepsFailedRecording();
    void addNewEntry_refusedWhenComplete_storesNothing();
    void addNewEntry_announcesAfterSaving_withNothingToWriteBack();
    void addEntry_dropsValuesJsonCannotHold();
    void reviewRequest_countsAddedEntries_data();
    void reviewRequest_countsAddedEntries();
    void updateEntry_replacesWholeEntryAndKeepsReminderInStep();
    void updateEntry_unknownId_changesNothing();
    void changes_leaveCopiesOfTheListAsTheyWere_data();
    void changes_leaveCopiesOfTheListAsTheyWere();
    void deleteEntry_movesToTrashUnpinsAndWritesTrashFirst();
    void deleteEntry_selectsFirstOfCurrentList();
    void deleteEntry_twice_addsOneTrashRecord();
    void duplicateEntry_copiesTextOnly();
    void toggles_invertStoredValue();
    void deleteTag_removesEveryExactOccurrence();
    void changeSignals_firePerProperty();
    void navigation_announcesOncePerAction_andEndsTheSearch_data();
    void navigation_announcesOncePerAction_andEndsTheSearch();
};
