#include "VoiceNoteTest.h"

#include "common/Mp4Probe.h"
#include "common/SoundFixtures.h"
#include "common/StoreFixtures.h"
#include "common/TestSupport.h"

#include "Media/AacEncoding.h"
#include "Media/AudioClipRow.h"
#include "Media/AudioClipsView.h"
#include "Media/AudioRecordControl.h"
#include "Media/AudioRecorder.h"
#include "Media/ClipPlayer.h"
#include "Media/MediaEnvironment.h"
#include "Media/RecordingWaveform.h"
#include "Media/SpeechLibrary.h"
#include "Media/SpeechTranscriber.h"
#include "Model/JournalStore.h"
#include "Model/Uuid.h"
#include "Theme/Glass.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Spring.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include <sys/stat.h>

namespace {

#define REQUIRE_SOUND_SERVER()                                                                                         \
    if (!vsp::test::hasSoundServer()) {                                                                                \
        QSKIP("needs the test sound server that scripts/run-tests.sh starts");                                         \
    }

int modeOf(const QString& path)
{
    struct stat status { };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 0777) : -1;
}

QStringList recordingsIn(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("vsp-rec-*")}, QDir::Files);
}

/// Records for at least `seconds` through `recorder` while a tone plays into the test speaker; returns
/// what stop() handed over.
std::optional<AudioRecorder::Recording> recordTone(AudioRecorder& recorder, const QString& tone, double seconds)
{
    std::unique_ptr<QProcess> player(vsp::test::playIntoSpeaker(tone));
    recorder.start();
    if (!recorder.isRecording()) {
        return std::nullopt;
    }
    // The recorder's time comes from the media backend as it records.
    (void)QTest::qWaitFor([&] { return recorder.elapsed() >= seconds; }, 20'000);
    if (player) {
        player->kill();
        player->waitForFinished();
    }
    bool handed = false;
    std::optional<AudioRecorder::Recording> result;
    recorder.stop([&](std::optional<AudioRecorder::Recording> r) {
        handed = true;
        result = r;
    });
    // isRecording falls at once; the file follows when the recorder has finished it.
    if (recorder.isRecording()) {
        return std::nullopt;
    }
    (void)QTest::qWaitFor([&] { return handed; }, 10'000);
    return result;
}

} // namespace

void VoiceNoteTest::init()
{
    vsp::setAnimationsEnabled(false);
    vsp::test::resetUserFolders();
    SpeechTranscriber::setBackend({});
    AudioRecorder::setInputDevice(std::nullopt);
    QVERIFY(m_recordings.isValid());
    AudioRecorder::setRecordingFolder(m_recordings.path());
}

void VoiceNoteTest::cleanup()
{
    vsp::setAacEncoderName({});
    AudioRecorder::setRecordingFolder({});
    AudioRecorder::setInputDevice(std::nullopt);
    for (const QString& name : recordingsIn(m_recordings.path())) {
        QFile::remove(m_recordings.filePath(name));
    }
}

void VoiceNoteTest::levelForPower_data()
{
    QTest::addColumn<double>("decibels");
    QTest::addColumn<double>("level");
    QTest::newRow("-60 dB is below the scale") << -60.0 << 0.0;
    QTest::newRow("-50 dB is its floor") << -50.0 << 0.0;
    QTest::newRow("-25 dB is half way") << -25.0 << 0.5;
    QTest::newRow("0 dB is full") << 0.0 << 1.0;
    QTest::newRow("+3 dB stays full") << 3.0 << 1.0;
    QTest::newRow("digital silence") << -std::numeric_limits<double>::infinity() << 0.0;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0.0;
}

void VoiceNoteTest::levelForPower()
{
    QFETCH(double, decibels);
    QFETCH(double, level);
    QCOMPARE(AudioRecorder::levelForPower(decibels), level);
}

void VoiceNoteTest::waveformBars_followLevel()
{
    for (double t : {0.0, 0.13, 1.7, 1000.25}) {
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(RecordingWaveform::barHeight(i, t, 0), 3.0);
            const double loud = RecordingWaveform::barHeight(i, t, 1);
            QVERIFY2(loud >= 9 - 1e-9 && loud <= 18 + 1e-9, qPrintable(QString::number(loud)));
        }
    }
    // Neighbouring bars are a radian apart, so they are not all the same height.
    QVERIFY(RecordingWaveform::barHeight(0, 0.5, 1) != RecordingWaveform::barHeight(1, 0.5, 1));
}

void VoiceNoteTest::recording_savedIntoEntry_playsToTheEnd()
{
    REQUIRE_SOUND_SERVER();
    const QString tone = m_recordings.filePath(QStringLiteral("tone.wav"));
    QVERIFY(vsp::test::writeTone(tone, 4));

    AudioRecorder recorder;
    QSignalSpy levels(&recorder, &AudioRecorder::levelChanged);
    double lastElapsed = 0;
    connect(&recorder, &AudioRecorder::elapsedChanged, this, [&](double e) { lastElapsed = e; });
    const std::optional<AudioRecorder::Recording> recording = recordTone(recorder, tone, 2.0);
    QVERIFY(recording);
    QVERIFY2(QFileInfo(recording->path).fileName().startsWith(QStringLiteral("vsp-rec-")), qPrintable(recording->path));
    QVERIFY(recording->path.endsWith(QStringLiteral(".m4a")));
    QCOMPARE(QFileInfo(recording->path).absolutePath(), QDir(m_recordings.path()).absolutePath());
    QVERIFY(QFileInfo(recording->path).size() > 0);
    QVERIFY(recording->duration >= 2.0);
    QVERIFY(recording->duration >= lastElapsed);
    // What the name and the clip rows claim: AAC-LC, 44,100 Hz, mono, in an MPEG-4 file.
    const std::optional<vsp::test::Mp4Audio> format = vsp::test::probeMp4Audio(recording->path);
    QVERIFY(format);
    QCOMPARE(format->sampleEntry, QStringLiteral("mp4a"));
    QCOMPARE(format->objectType, 0x40);
    QCOMPARE(format->audioObjectType, 2);
    QCOMPARE(format->sampleRate, 44100);
    QCOMPARE(format->channels, 1);
    QVERIFY2(std::abs(format->seconds - recording->duration) < 0.2, qPrintable(QString::number(format->seconds)));
    // The microphone heard the tone, and the meter fell back to 0 when recording ended.
    QVERIFY(
        std::any_of(levels.begin(), levels.end(), [](const QList<QVariant>& a) { return a.at(0).toDouble() > 0.2; }));
    QCOMPARE(recorder.level(), 0.0);
    QCOMPARE(recorder.elapsed(), lastElapsed);

    JournalStore store(fixtures::fixtureClock().function());
    PendingAudio pending{vsp::newUuid(), recording->path, recording->duration, std::nullopt};
    const JournalEntry saved = store.addNewEntry(JournalEntry::create(), {}, {pending});
    QCOMPARE(saved.audioClips.size(), 1);
    QVERIFY(!QFileInfo::exists(recording->path));

    AudioClipsView clips(saved.id, saved.audioClips, false, nullptr);
    clips.show();
    QCOMPARE(clips.rows().size(), 1);
    ClipPlayer* player = clips.rows().first()->player();
    QVERIFY(QFileInfo::exists(player->path()));
    QTest::mouseClick(clips.rows().first()->playButton(), Qt::LeftButton);
    QVERIFY(player->isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(player->progress() > 0.2, 10'000);
    // Pause keeps the position; playing on continues from it.
    player->pause();
    const double pausedAt = player->progress();
    // Only the player's ticks move the bar, and pausing stops them.
    QCoreApplication::processEvents();
    QCOMPARE(player->progress(), pausedAt);
    QSignalSpy moved(player, &ClipPlayer::progressChanged);
    player->play();
    QTRY_VERIFY_WITH_TIMEOUT(player->progress() > pausedAt, 5'000);
    // From where it paused, not from the start.
    QVERIFY(std::all_of(moved.begin(), moved.end(),
                        [&](const QList<QVariant>& a) { return a.at(0).toDouble() > pausedAt - 0.05; }));
    QTRY_VERIFY_WITH_TIMEOUT(!player->isPlaying(), 10'000);
    QCOMPARE(player->progress(), 0.0);
}

void VoiceNoteTest::recorder_slowMicrophone_keepsEverySecondRecorded_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::newRow("first sound at once") << 0;
    QTest::newRow("first sound after 1.5 s") << 1500;
    // Longer than any guard against a stuck microphone may wait before it restarts.
    QTest::newRow("first sound after 2.5 s") << 2500;
}

void VoiceNoteTest::recorder_slowMicrophone_keepsEverySecondRecorded()
{
    REQUIRE_SOUND_SERVER();
    QFETCH(int, delayMs);
    vsp::test::SlowMicrophone microphone;
    QVERIFY(!microphone.device().isNull());
    AudioRecorder::setInputDevice(microphone.device());
    const QString tone = m_recordings.filePath(QStringLiteral("tone.wav"));
    QVERIFY(vsp::test::writeTone(tone, 8));
    std::unique_ptr<QProcess> player(vsp::test::playIntoSpeaker(tone));
    QVERIFY(player);
    // The backend loaded first, so the microphone is opened as soon as "Voice" is pressed: the test
    // server's pipe would otherwise store what it is fed meanwhile and hand it all over at once.
    bool loaded = false;
    vsp::warmUpMedia(this, [&] { loaded = true; });
    QTRY_VERIFY_WITH_TIMEOUT(loaded, 30'000);
    QVERIFY(microphone.arm(delayMs));

    AudioRecordControl control([](const QString&, double) {});
    control.show();
    AudioRecorder* recorder = control.recorder();
    // The time recorded, by the wall clock from the recorder's first report of sound on, plus what it
    // had counted by then: a busy GUI thread may hear of the first sound a moment late.
    QElapsedTimer sinceFirstReport;
    double firstElapsed = -1;
    connect(recorder, &AudioRecorder::elapsedChanged, this, [&](double elapsed) {
        if (elapsed > 0 && firstElapsed < 0) {
            firstElapsed = elapsed;
            sinceFirstReport.start();
        }
    });
    control.startRecording();
    // The bar is there at once, and says the clock has not started until sound arrives.
    QVERIFY(control.recordingBar()->isVisible());
    QVERIFY(recorder->isStarting());
    QCOMPARE(vsp::test::child<QLabel>(control, QStringLiteral("elapsed"))->text(), QStringLiteral("Starting…"));
    QTRY_VERIFY_WITH_TIMEOUT(!recorder->isStarting(), 20'000);
    QVERIFY(recorder->isRecording());
    QTRY_VERIFY_WITH_TIMEOUT(recorder->elapsed() >= 1.5, 20'000);
    QVERIFY(vsp::test::child<QLabel>(control, QStringLiteral("elapsed"))->text() != QStringLiteral("Starting…"));
    // The clock started with the sound, not with a store of it handed over at once.
    QVERIFY2(firstElapsed < 0.3, qPrintable(QString::number(firstElapsed)));
    std::optional<AudioRecorder::Recording> recording;
    bool handed = false;
    const double recordedSeconds = firstElapsed + double(sinceFirstReport.nsecsElapsed()) / 1e9;
    recorder->stop([&](std::optional<AudioRecorder::Recording> r) {
        handed = true;
        recording = r;
    });
    QTRY_VERIFY_WITH_TIMEOUT(handed, 20'000);
    QVERIFY(recording);
    const std::optional<vsp::test::Mp4Audio> format = vsp::test::probeMp4Audio(recording->path);
    QVERIFY(format);
    const QString figures = QStringLiteral("recorded %1 s (first report at %4 s), handed %2 s, file %3 s")
                                .arg(recordedSeconds)
                                .arg(recording->duration)
                                .arg(format->seconds)
                                .arg(firstElapsed);
    qInfo("%s", qPrintable(figures));
    QVERIFY2(std::abs(format->seconds - recordedSeconds) < 0.2, qPrintable(figures));
    QVERIFY2(std::abs(recording->duration - recordedSeconds) < 0.2, qPrintable(figures));
    QCOMPARE(recordingsIn(m_recordings.path()), QStringList{QFileInfo(recording->path).fileName()});
}

void VoiceNoteTest::recorder_withoutAacEncoder_saysSoAndRecordsNothing()
{
    REQUIRE_SOUND_SERVER();
    vsp::setAacEncoderName(QStringLiteral("vsp_absent_aac_encoder"));
    vsp::test::StdoutCapture out;
    AudioRecordControl control([](const QString&, double) {});
    control.show();
    QTest::mouseClick(control.voiceButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(control.failureMessage(), 20'000);
    QVERIFY2(control.failureMessage()->text().contains(QStringLiteral("no AAC encoder")),
             qPrintable(control.failureMessage()->text()));
    QVERIFY(!control.recorder()->isRecording());
    QVERIFY(!control.recorder()->isBusy());
    QVERIFY(control.voiceButton()->isVisible());
    const QStringList lines = out.lines().filter(QStringLiteral("recording failed"));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(QStringLiteral("Vesperlog: recording failed — no AAC encoder")),
             qPrintable(lines.first()));
    QCOMPARE(recordingsIn(m_recordings.path()), QStringList());
}

void VoiceNoteTest::recorder_microphoneThatNeverDelivers_saysSoWithoutRestarting()
{
    REQUIRE_SOUND_SERVER();
    vsp::test::SlowMicrophone microphone;
    QVERIFY(!microphone.device().isNull());
    AudioRecorder::setInputDevice(microphone.device());
    QVERIFY(microphone.arm(600'000));
    vsp::test::StdoutCapture out;
    AudioRecordControl control([](const QString&, double) {});
    control.show();
    QSignalSpy recording(control.recorder(), &AudioRecorder::isRecordingChanged);
    control.startRecording();
    auto* limit = control.recorder()->findChild<QTimer*>(QStringLiteral("noSoundLimit"));
    QVERIFY(limit);
    QTRY_VERIFY_WITH_TIMEOUT(limit->isActive(), 20'000);
    // The limit's time is up now rather than in five seconds.
    limit->start(0);
    QTRY_VERIFY_WITH_TIMEOUT(control.failureMessage(), 5'000);
    QVERIFY2(control.failureMessage()->text().contains(QStringLiteral("the microphone delivered no sound")),
             qPrintable(control.failureMessage()->text()));
    QCOMPARE(
        out.lines().filter(QStringLiteral("Vesperlog: recording failed — the microphone delivered no sound")).size(),
        1);
    // Over, not started again behind the user's back.
    QCOMPARE(recording.size(), 2);
    QVERIFY(!control.recorder()->isBusy());
    QCOMPARE(recordingsIn(m_recordings.path()), QStringList());
}

void VoiceNoteTest::recorder_secondStart_isIgnored()
{
    REQUIRE_SOUND_SERVER();
    AudioRecorder recorder;
    QSignalSpy started(&recorder, &AudioRecorder::isRecordingChanged);
    recorder.start();
    recorder.start();
    QVERIFY(recorder.isRecording());
    QTRY_VERIFY_WITH_TIMEOUT(recorder.elapsed() > 0.3, 30'000);
    recorder.start();
    QCOMPARE(started.size(), 1);
    QCOMPARE(recordingsIn(m_recordings.path()).size(), 1);
    int handed = 0;
    recorder.stop([&](std::optional<AudioRecorder::Recording> r) { handed += r ? 1 : 100; });
    // While the file is being finished a press on "Voice" starts nothing either.
    recorder.start();
    QVERIFY(!recorder.isRecording());
    QTRY_COMPARE_WITH_TIMEOUT(handed, 1, 10'000);
    // A second stop has nothing to hand over.
    recorder.stop([&](std::optional<AudioRecorder::Recording> r) { handed += r ? 100 : 10; });
    QCOMPARE(handed, 11);
    QCOMPARE(recordingsIn(m_recordings.path()).size(), 1);
}

void VoiceNoteTest::recorder_stopAtOnce_answersOnceAndLeavesNoStrayFile()
{
    REQUIRE_SOUND_SERVER();
    AudioRecorder recorder;
    // "Stop & save" in the same instant as "Voice", before the platform recorder has been started.
    recorder.start();
    QVERIFY(recorder.isRecording());
    int answers = 0;
    std::optional<AudioRecorder::Recording> handed;
    recorder.stop([&](std::optional<AudioRecorder::Recording> r) {
        ++answers;
        handed = r;
    });
    QVERIFY(!recorder.isRecording());
    QTRY_COMPARE_WITH_TIMEOUT(answers, 1, 10'000);
    QVERIFY(!recorder.isBusy());
    // Either the short recording, whole, or nothing and no file.
    const QStringList files = recordingsIn(m_recordings.path());
    if (handed) {
        QCOMPARE(files, QStringList{QFileInfo(handed->path).fileName()});
        QVERIFY(QFileInfo(handed->path).size() > 0);
        QVERIFY(handed->duration >= 0);
    } else {
        QCOMPARE(files, QStringList());
    }
    // The recorder is idle: nothing of it is left to answer later.
    QCoreApplication::processEvents();
    QCOMPARE(answers, 1);
}

void VoiceNoteTest::recorder_thatCannotWrite_printsFailureAndHandsOverNothing()
{
    REQUIRE_SOUND_SERVER();
    AudioRecorder::setRecordingFolder(m_recordings.filePath(QStringLiteral("missing/folder")));
    vsp::test::StdoutCapture out;
    int handed = 0;
    {
        AudioRecordControl control([&](const QString&, double) { ++handed; });
        control.show();
        QTest::mouseClick(control.voiceButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!control.recorder()->isRecording(), 10'000);
        QVERIFY(control.voiceButton()->isVisible());
        control.stopAndSave();
        QTRY_VERIFY(!control.recorder()->isBusy());
        QCoreApplication::processEvents();
    }
    QCOMPARE(handed, 0);
    const QStringList lines = out.lines().filter(QStringLiteral("recording failed"));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(QStringLiteral("Vesperlog: recording failed — ")), qPrintable(lines.first()));
    QVERIFY(recordingsIn(m_recordings.filePath(QStringLiteral("missing/folder"))).isEmpty());
}

void VoiceNoteTest::recorder_filesArePrivate_outOfTheSharedTemporaryFolder()
{
    REQUIRE_SOUND_SERVER();
    AudioRecorder::setRecordingFolder({});
    const QString folder = AudioRecorder::recordingFolder();
    QVERIFY2(folder.startsWith(vsp::test::testHome() + QStringLiteral("/cache/")), qPrintable(folder));
    AudioRecorder recorder;
    recorder.start();
    QTRY_VERIFY_WITH_TIMEOUT(recorder.elapsed() > 0.2, 30'000);
    QCOMPARE(modeOf(folder), 0700);
    const QStringList raw = recordingsIn(folder);
    QCOMPARE(raw.size(), 1);
    QCOMPARE(modeOf(folder + u'/' + raw.first()), 0600);
    std::optional<AudioRecorder::Recording> handed;
    recorder.stop([&](std::optional<AudioRecorder::Recording> r) { handed = r; });
    QTRY_VERIFY_WITH_TIMEOUT(handed, 10'000);
    QCOMPARE(modeOf(handed->path), 0600);
    QCOMPARE(recordingsIn(folder), QStringList{QFileInfo(handed->path).fileName()});
    QFile::remove(handed->path);
}

void VoiceNoteTest::control_fullDisk_keepsWhatWasRecordedAndSaysSo()
{
    REQUIRE_SOUND_SERVER();
    QString path;
    double duration = -1;
    AudioRecordControl control([&](const QString& p, double d) {
        path = p;
        duration = d;
    });
    control.show();
    {
        // The raw file can take about a second of sound; the encoded note, far smaller, still fits.
        const vsp::test::FileSizeLimit limit(120'000);
        control.startRecording();
        QTRY_VERIFY_WITH_TIMEOUT(!path.isEmpty(), 30'000);
    }
    QVERIFY2(duration > 0.2, qPrintable(QString::number(duration)));
    const std::optional<vsp::test::Mp4Audio> format = vsp::test::probeMp4Audio(path);
    QVERIFY(format);
    QVERIFY2(std::abs(format->seconds - duration) < 0.2,
             qPrintable(QStringLiteral("file %1 s, handed %2 s").arg(format->seconds).arg(duration)));
    QVERIFY(control.failureMessage());
    QCOMPARE(control.failureMessage()->objectName(), QStringLiteral("recordingCut"));
    QVERIFY2(control.failureMessage()->text().endsWith(
                 QStringLiteral(" because the recording file reached the largest size allowed. Everything up to "
                                "then is kept.")),
             qPrintable(control.failureMessage()->text()));
    QCOMPARE(recordingsIn(m_recordings.path()), QStringList{QFileInfo(path).fileName()});
}

void VoiceNoteTest::control_stopWhileStarting_saysNothingWasRecorded()
{
    REQUIRE_SOUND_SERVER();
    int handed = 0;
    AudioRecordControl control([&](const QString&, double) { ++handed; });
    control.show();
    control.startRecording();
    QVERIFY(control.recorder()->isStarting());
    control.stopAndSave();
    QVERIFY(!control.recorder()->isBusy());
    QVERIFY(control.failureMessage());
    QCOMPARE(control.failureMessage()->objectName(), QStringLiteral("nothingRecorded"));
    QCOMPARE(control.failureMessage()->text(),
             QStringLiteral("Nothing was recorded yet: the microphone had not started. Press Voice to try again."));
    QCOMPARE(handed, 0);
    QTRY_VERIFY(recordingsIn(m_recordings.path()).isEmpty());
}

void VoiceNoteTest::control_discardOrDestroy_removesRecording()
{
    REQUIRE_SOUND_SERVER();
    int handed = 0;
    auto control = std::make_unique<AudioRecordControl>([&](const QString&, double) { ++handed; });
    control->show();
    QTest::mouseClick(control->voiceButton(), Qt::LeftButton);
    QVERIFY(control->recordingBar()->isVisible());
    QVERIFY(!control->voiceButton()->isVisible());
    QCOMPARE(control->dotOpacity(), 0.6 + 0.4 * control->recorder()->level());
    QTRY_VERIFY_WITH_TIMEOUT(control->recorder()->elapsed() > 0.2, 30'000);
    QCOMPARE(recordingsIn(m_recordings.path()).size(), 1);
    QTest::mouseClick(vsp::test::child<QAbstractButton>(*control, QStringLiteral("discard")), Qt::LeftButton);
    QVERIFY(control->voiceButton()->isVisible());
    QTRY_VERIFY(recordingsIn(m_recordings.path()).isEmpty());

    // Closing the window while recording: the control goes, and so does the file.
    QTest::mouseClick(control->voiceButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(control->recorder()->elapsed() > 0.2, 30'000);
    QCOMPARE(recordingsIn(m_recordings.path()).size(), 1);
    control.reset();
    QTRY_VERIFY(recordingsIn(m_recordings.path()).isEmpty());
    QCOMPARE(handed, 0);
}

void VoiceNoteTest::control_withoutMicrophone_alertsEveryPress()
{
    AudioRecorder::setInputDevice(QAudioDevice());
    AudioRecordControl control([](const QString&, double) {});
    control.show();
    for (int press = 0; press < 2; ++press) {
        QTest::mouseClick(control.voiceButton(), Qt::LeftButton);
        QMessageBox* alert = control.alert();
        QVERIFY(alert);
        QCOMPARE(alert->windowTitle(), QStringLiteral("Microphone access needed"));
        QVERIFY(control.recorder()->permissionDenied());
        QVERIFY(!control.recorder()->isRecording());
        // The offer to open the settings is there only where a settings tool is installed.
        QCOMPARE(bool(alert->findChild<QPushButton*>(QStringLiteral("openSoundSettings"))),
                 AudioRecordControl::soundSettingsCommand().has_value());
        alert->reject();
        QVERIFY(!control.recorder()->permissionDenied());
    }
    QVERIFY(recordingsIn(m_recordings.path()).isEmpty());
}

void VoiceNoteTest::quitting_whileRecording_keepsNoFile_data()
{
    QTest::addColumn<bool>("savePressed");
    QTest::newRow("recording") << false;
    // "Stop & save" pressed, the file not yet finished: quitting must not leave it half-written.
    QTest::newRow("file being finished") << true;
}

void VoiceNoteTest::quitting_whileRecording_keepsNoFile()
{
    REQUIRE_SOUND_SERVER();
    QFETCH(bool, savePressed);
    int handed = 0;
    AudioRecordControl control([&](const QString&, double) { ++handed; });
    control.show();
    QTest::mouseClick(control.voiceButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(control.recorder()->elapsed() > 0.2, 30'000);
    QCOMPARE(recordingsIn(m_recordings.path()).size(), 1);
    if (savePressed) {
        QTest::mouseClick(vsp::test::child<QAbstractButton>(control, QStringLiteral("stopAndSave")), Qt::LeftButton);
        QVERIFY(control.recorder()->isBusy());
    }
    // What the application emits as its event loop ends; nothing runs after it, so all must be done
    // by the time it returns.
    QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection));
    QVERIFY(!control.recorder()->isRecording());
    QVERIFY(!control.recorder()->isBusy());
    QCOMPARE(recordingsIn(m_recordings.path()), QStringList());
    // A recording the user never kept is not handed to the window as if it were, not even later.
    QCoreApplication::processEvents();
    QCOMPARE(handed, 0);
    QCOMPARE(recordingsIn(m_recordings.path()), QStringList());
}

namespace {

/// "mapped" when `library` (a file name's start) is loaded in this process, else "not mapped".
const char* mapping(const char* library = "libgstreamer-1.0.so")
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(QByteArray("/").append(library)) ? "mapped"
                                                                                                      : "not mapped";
}

/// The lines reportWarmUpLibraries prints, and its exit code, from one fresh process for all the tests
/// that read them: in this one the warm-up has run already (every test that shows a Voice button starts it).
QStringList warmUpReport()
{
    static const QStringList lines = [] {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLatin1(VoiceNoteTest::kWarmUpChildArgument)});
        child.waitForFinished(90'000);
        return QString::fromUtf8(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)
               << QStringLiteral("exit code %1").arg(child.exitCode());
    }();
    return lines;
}

} // namespace

int VoiceNoteTest::reportWarmUpLibraries()
{
    vsp::setMediaWarmUpDelay(0);
    auto control = std::make_unique<AudioRecordControl>([](const QString&, double) {});
    QCoreApplication::processEvents();
    QThreadPool::globalInstance()->waitForDone(30'000);
    std::printf("hidden Voice button: gstreamer %s\n", mapping());
    control->show();
    // The warm-up's start, due at once.
    QCoreApplication::processEvents();
    QThreadPool::globalInstance()->waitForDone(30'000);
    std::printf("Voice button shown: gstreamer %s\n", mapping());
    const char* ffmpegForVoice = mapping("libgstlibav.so");

    // The plugins are loaded; the turns on this thread that finish the warm-up have not run yet.
    int forGone = 0;
    auto* gone = new QObject;
    vsp::warmUpMedia(gone, [&] { ++forGone; });
    delete gone;
    int calls = 0;
    bool onGuiThread = false;
    QEventLoop loop;
    vsp::warmUpMedia(nullptr, [&] {
        ++calls;
        onGuiThread = QThread::currentThread() == qApp->thread();
        loop.quit();
    });
    QTimer::singleShot(30'000, &loop, &QEventLoop::quit);
    loop.exec();
    // Once loaded, a later caller is answered at once.
    int later = 0;
    vsp::warmUpMedia(control.get(), [&] { ++later; });
    const int laterAtOnce = later;
    QCoreApplication::processEvents();
    std::printf("answered %d, on the GUI thread %s; gone context answered %d; later caller answered %d at once, "
                "%d in all\n",
                calls, onGuiThread ? "yes" : "no", forGone, laterAtOnce, later);
    std::printf("FFmpeg's plugin: %s for the Voice button, %s for playback\n", ffmpegForVoice,
                mapping("libgstlibav.so"));
    return 0;
}

void VoiceNoteTest::warmUp_answersOnceOnTheGuiThread()
{
    const QStringList report = warmUpReport();
    QCOMPARE(report.value(2), QStringLiteral("answered 1, on the GUI thread yes; gone context answered 0; later caller "
                                             "answered 1 at once, 1 in all"));
    QCOMPARE(report.last(), QStringLiteral("exit code 0"));
}

void VoiceNoteTest::warmUp_startsWhenVoiceButtonShows()
{
    const QStringList report = warmUpReport();
    QCOMPARE(report.mid(0, 2), QStringList({QStringLiteral("hidden Voice button: gstreamer not mapped"),
                                            QStringLiteral("Voice button shown: gstreamer mapped")}));
    QCOMPARE(report.last(), QStringLiteral("exit code 0"));
}

void VoiceNoteTest::warmUp_forVoiceButton_leavesFfmpegForPlayback()
{
    // The press needs no codec: the 40 MB of FFmpeg's plugin wait until a note is saved or played.
    const QStringList report = warmUpReport();
    QCOMPARE(report.value(3), QStringLiteral("FFmpeg's plugin: not mapped for the Voice button, mapped for playback"));
}

void VoiceNoteTest::player_missingFile_staysIdleAndSilent()
{
    vsp::test::StdoutCapture out;
    AudioClipRow row(m_recordings.filePath(QStringLiteral("gone.m4a")), 3, QString(), false, nullptr);
    row.show();
    QSignalSpy playing(row.player(), &ClipPlayer::isPlayingChanged);
    QTest::mouseClick(row.playButton(), Qt::LeftButton);
    QTest::mouseClick(row.playButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(playing.size(), 0);
    QCOMPARE(out.lines().filter(QStringLiteral("Vesperlog")), QStringList());
    // An empty transcript shows no line, and without editing there is no remove button.
    QVERIFY(!row.transcriptLabel()->isVisibleTo(&row));
    QVERIFY(!row.removeButton());
}

void VoiceNoteTest::clipsView_keepsRowsOfRemainingClips()
{
    const QUuid entry = vsp::newUuid();
    const AudioClip a{vsp::newUuid(), QStringLiteral("a.m4a"), 1, std::nullopt};
    const AudioClip b{vsp::newUuid(), QStringLiteral("b.m4a"), 2, QStringLiteral("hello")};
    const AudioClip c{vsp::newUuid(), QStringLiteral("c.m4a"), 3, std::nullopt};
    QList<AudioClip> removed;
    AudioClipsView view(entry, {a, b, c}, true, [&](const AudioClip& clip) { removed.append(clip); });
    view.show();
    QVERIFY(view.caption()->isVisible());
    const QList<AudioClipRow*> before = view.rows();
    QCOMPARE(before.size(), 3);
    QTest::mouseClick(before.at(1)->removeButton(), Qt::LeftButton);
    QCOMPARE(removed, QList<AudioClip>{b});
    view.setClips({a, c});
    QCOMPARE(view.rows(), (QList<AudioClipRow*>{before.at(0), before.at(2)}));
    view.setClips({});
    QVERIFY(view.rows().isEmpty());
    QVERIFY(!view.caption()->isVisible());
}

void VoiceNoteTest::transcriber_speech_containsItsWords()
{
    // Real recorded speech (LibriVox, from pocketsphinx-testdata): "he might even have been made
    // amiable himself".
    const QString speech =
        QStringLiteral("/usr/share/pocketsphinx/test/data/librivox/sense_and_sensibility_01_austen_64kb-0930.wav");
    if (!QFileInfo::exists(speech)) {
        QSKIP("needs the package pocketsphinx-testdata");
    }
    QStringList heard;
    QObject receiver;
    // The second time with the recogniser kept from the first, which must hear it the same way.
    for (int time = 0; time < 2; ++time) {
        int calls = 0;
        SpeechTranscriber::transcribe(speech, &receiver, [&](std::optional<QString> t) {
            ++calls;
            heard.append(t.value_or(QStringLiteral("(nothing)")));
        });
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 30'000);
    }
    // bench_transcript measures how many words it gets right; these it has always heard.
    const QString& text = heard.first();
    QVERIFY2(text.contains(QStringLiteral("might even")) && text.contains(QStringLiteral("amiable")), qPrintable(text));
    QCOMPARE(heard.last(), text);
}

void VoiceNoteTest::transcriber_silenceIsEmpty_otherLanguagesGiveNothing()
{
    const QString silence = m_recordings.filePath(QStringLiteral("silence.wav"));
    QVERIFY(vsp::test::writeTone(silence, 2, true));
    std::optional<QString> text;
    int calls = 0;
    QObject receiver;
    SpeechTranscriber::transcribe(silence, &receiver, [&](std::optional<QString> t) {
        ++calls;
        text = t;
    });
    QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 30'000);
    QCOMPARE(text, std::optional<QString>(QString()));

    QVERIFY(SpeechTranscriber::modelFolder(QLocale(QLocale::English, QLocale::UnitedStates), QLocale::c()));
    QVERIFY(SpeechTranscriber::modelFolder(QLocale(QLocale::German), QLocale(QLocale::English)));
    // A session without LANG runs in the C locale, whose language is English.
    QVERIFY(SpeechTranscriber::modelFolder(QLocale::c(), QLocale::c()));
    QCOMPARE(SpeechTranscriber::modelFolder(QLocale(QLocale::German), QLocale(QLocale::French)),
             std::optional<QString>());
}

void VoiceNoteTest::transcriberInput_trimsSilenceAndNeverClips()
{
    // 2 s of faint noise, 1 s of a tone, 2 s of faint noise, at 16 kHz.
    std::vector<std::int16_t> samples(16000 * 5);
    for (size_t i = 0; i < samples.size(); ++i) {
        const bool tone = i >= 32000 && i < 48000;
        samples[i] = std::int16_t(tone ? 8000 * std::sin(double(i) * 0.17) : (i * 7919 % 61) - 30);
    }
    const auto [begin, end] = SpeechTranscriber::speechSpan(samples);
    // The tone with 0.3 s on either side, to the 10 ms frame.
    QVERIFY2(begin >= 32000 - 4800 - 160 && begin <= 32000 - 4800 + 160, qPrintable(QString::number(begin)));
    QVERIFY2(end >= 48000 + 4800 - 160 && end <= 48000 + 4800 + 160, qPrintable(QString::number(end)));
    // Nothing standing out: all of it.
    const std::vector<std::int16_t> quiet(16000, 3);
    QCOMPARE(SpeechTranscriber::speechSpan(quiet), (std::pair<size_t, size_t>{0, quiet.size()}));

    // A decoder's overshoot past full scale is scaled as a whole, not clipped.
    const std::vector<std::int16_t> loud = SpeechTranscriber::toPcm16({0.5f, -1.5f, 1.0f});
    QCOMPARE(loud, (std::vector<std::int16_t>{10922, -32767, 21845}));
    QCOMPARE(SpeechTranscriber::toPcm16({0.5f, -1.0f}), (std::vector<std::int16_t>{16384, -32767}));
}

void VoiceNoteTest::speechLibrary_missingPart_givesNothingWithLoaderText_data()
{
    QTest::addColumn<QByteArray>("pocketsphinx");
    QTest::addColumn<QByteArray>("sphinxbase");
    QTest::addColumn<QString>("named");
    QTest::newRow("no pocketsphinx") << QByteArray("libvesperlog-absent.so.3") << QByteArray("libsphinxbase.so.3")
                                     << "libvesperlog-absent.so.3";
    QTest::newRow("no sphinxbase") << QByteArray("libpocketsphinx.so.3") << QByteArray("libvesperlog-absent.so.3")
                                   << "libvesperlog-absent.so.3";
    QTest::newRow("without its functions")
        << QByteArray("libsphinxbase.so.3") << QByteArray("libsphinxbase.so.3") << "ps_args";
}

void VoiceNoteTest::speechLibrary_missingPart_givesNothingWithLoaderText()
{
    QFETCH(QByteArray, pocketsphinx);
    QFETCH(QByteArray, sphinxbase);
    QFETCH(QString, named);
    QString error;
    QVERIFY(!SpeechLibrary::open(pocketsphinx.constData(), sphinxbase.constData(), &error));
    QVERIFY2(error.contains(named), qPrintable(error));
}
