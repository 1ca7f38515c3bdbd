#pragma once

#include <QObject>

/// The "New Entry" window end to end, inside the application over a temporary journal: opening with
/// Ctrl+N, writing, formatting with both bars, tags, mood, expiration, images, voice notes and weather,
/// saving with Ctrl+Return into entries.json, and the draft kept by Escape, by quitting and resumed by
/// "Continue Draft".
class ComposeViewTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void ctrlN_opensTheSingleWindowWithAnEmptyForm();
    void defaultEntryType_choosesTheInitialChip();
    void writeFormatTagAndSave_storesEntryAndClosesWindow();
    void save_derivesTitleAndLeavesOutWhatWasNotChosen();
    void save_withWeather_copiesPlaceAndWeather();
    void wordCount_followsBodyAndSetting();
    void keyboard_tabLeavesBodyOnward_ctrlTabTypesTab();
    void floatingBar_isAChildThatFollowsTheSelection();
    void floatingBar_staysInsideTheEditorForATallSelection();
    void escape_keepsDraft_continueDraftResumesIt();
    void escape_withSettingOffOrEmptiedDraft_leavesNoDraft();
    void escape_onAnEmptyNewForm_keepsTheEarlierDraft();
    void saveUnderTheLock_leavesTheStoredDraftAlone_data();
    void saveUnderTheLock_leavesTheStoredDraftAlone();
    void continueDraft_withSettingOff_restoresNothing();
    void reopening_startsAFreshForm();
    void quitting_withWindowOpen_keepsTheDraft();
    void writing_keepsTheDraftOnDiskWhileTheWindowIsOpen();
    void drops_takeOnlyLocalReadableImages();
    void pickedImages_missingOneIsLeftOut();
    void pickedImages_refusedOnesAreToldAtOnce();
    void voiceNotes_transcriptFindsItsNoteAndClosingDeletesRecordings();
    void voiceNote_whoseCopyFails_keepsRecordingAndNamesIt();
    void weather_fromAnEarlierOpening_isDropped();
    void weather_stalledForecast_timesOutOnceWhileTheWindowWorks();
};
