#pragma once

#include <QObject>

/// The list column's notices: unsaved changes with Try Again and Save a Copy…, and damaged journal files
/// with Show in Files.
class JournalBannerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void failedSave_showsUntilTryAgainWrites();
    void saveCopy_writesTheJournal_orTellsWhyNot_data();
    void saveCopy_writesTheJournal_orTellsWhyNot();
    void damagedFile_namesItsCopy_andShowsItInFiles_data();
    void damagedFile_namesItsCopy_andShowsItInFiles();
    void fileLeftUnchanged_isTold_data();
    void fileLeftUnchanged_isTold();
    void readOnlyJournalFolder_staysReadOnly_andSavingSaysWhy();
    void listColumn_holdsTheBanner();
};
