#pragma once

#include <QObject>

/// Quick capture in its popup: typing, choosing a type, tagging and recording, then Ctrl+Return into
/// entries.json and the audio folder; the titles it derives; recordings the journal cannot take; the
/// locked journal.
class QuickCaptureTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void capture_typeTagRecordCtrlReturn_intoJournalAndAudioFolder();
    void capture_fromTheMicrophone_intoAudioFolder();
    void capture_derivesTitleAndTrimsBody_data();
    void capture_derivesTitleAndTrimsBody();
    void countsTagsAndClosing_keepWhatWasTyped();
    void nothingToCapture_ctrlReturnChangesNothing();
    void recordingTheJournalCannotTake_isKeptAndSaidSo();
    void whileLocked_showsAndCapturesNothing();
};
