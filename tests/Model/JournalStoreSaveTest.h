#pragma once

#include <QObject>

/// Saving the journal: failed writes the store reports and retries, journal files reached through links,
/// private files, the copy of the journal and trash records told apart by their deletion dates.
class JournalStoreSaveTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void failedSave_isReportedUntilAWriteCatchesUp_data();
    void failedSave_isReportedUntilAWriteCatchesUp();
    void fullDisk_namesTheCause();
    void fullDisk_deletedAndPurgedEntriesNeverComeBack();
    void trashNeverWritten_purgedEntriesNeverComeBack();
    void journalThroughLink_replacesTheTarget_data();
    void journalThroughLink_replacesTheTarget();
    void linkToUndecodableFile_isNeverReplaced();
    void danglingLink_isLeftAlone();
    void oneWriter_replacesOnlyARegularFile_data();
    void oneWriter_replacesOnlyARegularFile();
    void writtenFiles_arePrivate();
    void saveCopy_writesBackupForm_data();
    void saveCopy_writesBackupForm();
    void trashRecords_sameId_areToldApartByDeletionDate();
    void deleteOfEntryNoLongerLive_addsNothing();
    void backgroundWriting_writesTodaysBytes_data();
    void backgroundWriting_writesTodaysBytes();
    void backgroundWriting_reportsFailureThroughEventLoop();
    void restoredRecord_leavesTrashOnceEntriesHoldIt_data();
    void restoredRecord_leavesTrashOnceEntriesHoldIt();
    void killedDuringSave_losesNothingReportedSaved();
    void richText_isReadFromTheFileAcrossSaves_data();
    void richText_isReadFromTheFileAcrossSaves();
    void richTextChangedInPlace_stillSavesThePlainBody();
    void journalLock_isHeldOncePerFolder();
    void journalLock_leftByCrash_isTakenOver_data();
    void journalLock_leftByCrash_isTakenOver();
};
