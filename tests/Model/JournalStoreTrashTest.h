#pragma once

#include <QObject>

/// The trash, and the attachment folders that go with it.
class JournalStoreTrashTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void restore_showsEntryInItsSection_data();
    void restore_showsEntryInItsSection();
    void restore_keepsListOrder();
    void restore_ofLiveId_keepsLiveEntryAndRecord();
    void restore_ofMissingRecord_doesNothing();
    void deletePermanently_removesRecordAndFolders();
    void emptyTrash_writesEmptyArray();
    void folders_stayWhileAnotherEntryUsesTheId();
    void purge_atLaunch_data();
    void purge_atLaunch();
    void purge_nothingExpired_leavesFileUntouched();
    void daysUntilPurge_data();
    void daysUntilPurge();
};

/// Storing and removing photos and voice notes.
class AttachmentsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void saveImage_namesByExtension_data();
    void saveImage_namesByExtension();
    void saveImage_sameNameTwice_givesTwoFiles();
    void saveImage_failure_isReported();
    void storeAudio_copiesAndKeepsSource_data();
    void storeAudio_copiesAndKeepsSource();
    void storeAudio_missingSource_isReported();
    void hostileFiles_areRefusedAtOnce_data();
    void hostileFiles_areRefusedAtOnce();
    void attachImageFile_refusedByCheck_storesNothing();
    void folders_areCreatedOnRequest();
    void deleteImage_evictsCacheAndRemovesFile();
    void unsafeFileNames_areNeverUsed_data();
    void unsafeFileNames_areNeverUsed();
};
