#pragma once

#include <QObject>

/// The entry list's rows moving with the list's spring when the listed entries change: inserted rows
/// fade and drop in, removed rows stay painted until faded, reordered rows glide, the On This Day block
/// rises from the bottom edge, and large changes land at once.
class EntryListMotionTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void insertedRow_fadesAndDropsIn_thenRests();
    void removedRow_staysPaintedUntilFaded();
    void reorderedRows_glideFromWhereTheyWere();
    void pinning_glidesRowUp_andFadesCaptionsIn();
    void twoChangesBeforePaint_bothAnimate();
    void onThisDay_risesFromBottomEdge_andSinksWhenLeaving();
    void largeChange_landsAtOnce_data();
    void largeChange_landsAtOnce();
    void rowSignals_countRowsThatComeAndGo();
    void emptyState_listFadesIntoIt_andRowsEnterWhenBack();
    void emptyState_messageFollowsTheFieldDuringItsFade();
    void hiddenList_forgetsWhatItSaw();
};
