#pragma once

#include <QObject>
#include <QTemporaryDir>

/// Voice notes end to end: recording from the test sound server into a clip of an entry, its playback,
/// the recording control's faces and failures, and on-device transcription of espeak-ng speech.
class VoiceNoteTest final : public QObject {
    Q_OBJECT

public:
    /// The argument that makes the test program run reportWarmUpLibraries instead of its tests.
    static constexpr const char* kWarmUpChildArgument = "--report-warm-up-libraries";
    /// Child of the warm-up tests, in a process of its own: makes a Voice button, then shows it, and
    /// prints after each step, once the threads' work is done, whether GStreamer's library is mapped; then
    /// how the warm-up answered its callers. Returns the exit code.
    static int reportWarmUpLibraries();

private Q_SLOTS:
    void init();
    void cleanup();

    void levelForPower_data();
    void levelForPower();
    void waveformBars_followLevel();
    void warmUp_answersOnceOnTheGuiThread();
    void warmUp_startsWhenVoiceButtonShows();
    void warmUp_forVoiceButton_leavesFfmpegForPlayback();

    void recording_savedIntoEntry_playsToTheEnd();
    void recorder_slowMicrophone_keepsEverySecondRecorded_data();
    void recorder_slowMicrophone_keepsEverySecondRecorded();
    void recorder_withoutAacEncoder_saysSoAndRecordsNothing();
    void recorder_microphoneThatNeverDelivers_saysSoWithoutRestarting();
    void recorder_secondStart_isIgnored();
    void recorder_stopAtOnce_answersOnceAndLeavesNoStrayFile();
    void recorder_thatCannotWrite_printsFailureAndHandsOverNothing();
    void recorder_filesArePrivate_outOfTheSharedTemporaryFolder();
    void control_fullDisk_keepsWhatWasRecordedAndSaysSo();
    void control_stopWhileStarting_saysNothingWasRecorded();
    void control_discardOrDestroy_removesRecording();
    void control_withoutMicrophone_alertsEveryPress();
    void quitting_whileRecording_keepsNoFile_data();
    void quitting_whileRecording_keepsNoFile();

    void player_missingFile_staysIdleAndSilent();
    void clipsView_keepsRowsOfRemainingClips();

    void transcriber_speech_containsItsWords();
    void transcriber_silenceIsEmpty_otherLanguagesGiveNothing();
    void transcriberInput_trimsSilenceAndNeverClips();
    void speechLibrary_missingPart_givesNothingWithLoaderText_data();
    void speechLibrary_missingPart_givesNothingWithLoaderText();

private:
    QTemporaryDir m_recordings;
};
