#pragma once

#include <QObject>

/// The rows of the entry list: groups, captions, the On This Day block and how changes arrive.
class EntryListModelTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void captions_dependOnPinnedEntries_data();
    void captions_dependOnPinnedEntries();
    void onThisDay_showsOnlyOnPlainToday_data();
    void onThisDay_showsOnlyOnPlainToday();
    void onThisDay_startsExpandedWhenItReturns();
    void onThisDay_followsEntriesAndDay_data();
    void onThisDay_followsEntriesAndDay();
    void storeChange_announcesRowSignals_data();
    void storeChange_announcesRowSignals();
    void searchChange_announcesRuns_data();
    void searchChange_announcesRuns();
    void largeChange_resetsOnce();
    void storeChanges_areAppliedOnce();
    void model_passesItemModelChecks();
};
