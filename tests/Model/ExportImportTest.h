#pragma once

#include <QObject>

class ExportImportTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void exportJson_prettySortedIsoBytes();
    void exportJson_emptyJournal_writesEmptyArray();
    void exportJson_keepsStoredOrder();
    void exportMarkdown_layout();
    void exportMarkdown_emptyJournal_writesEmptyFile();
    void export_passesSuggestedNames();
    void export_cancelled_writesNothing();
    void export_unwritableDestination_printsFailureAndLeavesNoFile();
    void export_replacesExistingFile();
    void export_overTheJournalsOwnFiles_isRefused();

    void import_ownExport_roundTripsIntoEmptyJournal();
    void import_ownExport_intoSameJournal_addsAndWritesNothing();
    void import_ownExport_withFarOutDates_bringsEveryEntryBack_data();
    void import_ownExport_withFarOutDates_bringsEveryEntryBack();
    void import_entriesJsonCopy_readsNumericDates();
    void import_repeatedId_addsFirstOccurrenceOnce();
    void import_idOnlyInTrash_isAdded();
    void import_addsNewEntriesAndSortsNewestFirst();
    void import_passesPanelTexts_andCancelDoesNothing();
    void import_badInput_failsWithoutChange_data();
    void import_badInput_failsWithoutChange();
    void import_hostileFile_isRefusedBeforeReading_data();
    void import_hostileFile_isRefusedBeforeReading();
    void import_largeInput_succeeds_data();
    void import_largeInput_succeeds();

    void backup_writesCompactIsoFileOfToday();
    void backup_sameDay_replacesEarlierBackup();
    void backup_afterFailedLoad_keepsExistingBackup();
    void backup_ofEmptyJournal_keepsTodaysBackup();
    void backup_unwritableFolder_printsOneLine();
};
