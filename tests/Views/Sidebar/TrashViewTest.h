#pragma once

#include <QObject>

/// The "Recently Deleted" sheet against trash.json, entries.json and the attachment folders.
class TrashViewTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void countdown_textAndUrgency_data();
    void countdown_textAndUrgency();
    void emptyTrash_showsEmptyStateWithoutEmptyButton();
    void restore_writesBothFiles_sheetStaysOpen();
    void deletePermanently_asksFirst_thenRemovesRecordAndFolders_data();
    void deletePermanently_asksFirst_thenRemovesRecordAndFolders();
    void emptyTrash_keepsFoldersOfLiveIds();
    void model_followsStoreWithRowSignals();
    void rowMotion_endsAtRest_standsStillWhenReduced_data();
    void rowMotion_endsAtRest_standsStillWhenReduced();
};
