#pragma once

#include <QObject>

class AppSettingsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void everyProperty_isAStoredKeyWithItsOwnSignal();
    void firstLaunch_readsTheDefault_andWritesNothing_data();
    void firstLaunch_readsTheDefault_andWritesNothing();
    void write_isSeenEverywhere_andReadBackFromTheFile_data();
    void write_isSeenEverywhere_andReadBackFromTheFile();
    void wrongType_readsDefault_data();
    void wrongType_readsDefault();
    void writeOfUnchangedValue_announcesNothing();
    void removingValues_data();
    void removingValues();
    void resolvedDefaultEntryType_data();
    void resolvedDefaultEntryType();
    void writeAndRemove_reachTheFileAtOnce_withoutTheEventLoop();
    void batch_writesTheFileOnce_andAnnouncesAtOnce();
    void emptyLockLeftByACrash_doesNotDelayAWrite();
    void lockHeldByALiveProcess_postponesTheWrite_andLosesNothing();
    void unwritableSettingsFile_printsOneLine_keepsTheValue_andRecovers_data();
    void unwritableSettingsFile_printsOneLine_keepsTheValue_andRecovers();
};
