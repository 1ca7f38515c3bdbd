#pragma once

#include <QAudioDevice>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class AudioCapture;
class QThread;

/// Records one voice note at a time from the default microphone into a file of the private recordings
/// folder ("vsp-rec-<UUID>.m4a", AAC-LC in MPEG-4, 44,100 Hz, mono; see recordingFolder()) and publishes,
/// while it records, the elapsed time and the input level.
///
/// Every sample the microphone delivers from the first to the stop is kept: the samples are written as
/// they arrive to a raw file beside the note ("<note>.pcm"), which is encoded when the recording stops.
/// The clock starts with the first sample, so the elapsed time is the length of what is kept. Both files
/// are readable by their owner only (0600). When the raw file takes no more (a full disk), the clock stops
/// there, `cutShort` is raised and a stop keeps everything up to that point.
///
/// This desktop has no per-app microphone permission: `permissionDenied` is raised when there is no input
/// device or the one there cannot be opened. Every change is made and signalled on the GUI thread.
/// Destroying the recorder, or quitting the application, while it records stops the recording and removes
/// its files.
class AudioRecorder final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AudioRecorder)
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(bool isStarting READ isStarting NOTIFY isStartingChanged)
    Q_PROPERTY(double elapsed READ elapsed NOTIFY elapsedChanged)
    Q_PROPERTY(double level READ level NOTIFY levelChanged)
    Q_PROPERTY(bool permissionDenied READ permissionDenied WRITE setPermissionDenied NOTIFY permissionDeniedChanged)

public:
    /// A finished recording: its temporary file (now the caller's) and its length in seconds.
    struct Recording {
        QString path;
        double duration = 0;
    };
    /// Receives the result of stop(), exactly once, on the GUI thread.
    using StopCompletion = std::function<void(std::optional<Recording>)>;

    explicit AudioRecorder(QObject* parent = nullptr);
    ~AudioRecorder() override;

    /// Starts recording, or raises `permissionDenied` when there is no microphone. `isRecording` and
    /// `isStarting` are true when this returns, so a press shows the recording bar at once; the multimedia
    /// backend (when the warm-up has not loaded it yet), the AAC encoder's presence and the microphone are
    /// seen to off the GUI thread, and `isStarting` falls when the first samples arrive, which is when
    /// the clock starts. A microphone that cannot be opened ends the recording and raises
    /// `permissionDenied`; no AAC encoder, a file that cannot be written or no sound within five seconds
    /// end it with `failed` and "Vesperlog: recording failed — …". Nothing is ever restarted behind the
    /// user's back. Ignored while a recording is starting, running or being finished, so one press never
    /// starts two recordings.
    void start();
    /// Ends the recording. The samples are encoded off the GUI thread: `done` is called once the file is
    /// complete (about a second per five minutes recorded) with the file and the length of what was
    /// recorded; with nothing when there was no recording (a stop while still starting), when the file
    /// could not be made, or when it holds nothing (those failures print "Vesperlog: recording failed —
    /// …" and raise `failed`; when the encoding failed, the raw file is kept and the reason names it).
    /// `isRecording` is false as soon as this returns.
    void stop(StopCompletion done);
    /// Ends the recording under way and deletes its files; nothing when idle. A stop() still finishing
    /// receives nothing. Blocks until the files are gone (a few milliseconds; up to 50 ms more while a
    /// file is being encoded).
    void cancel();

    bool isRecording() const { return m_isRecording; }
    /// Whether the recording waits for its first samples ("Starting…"); the clock has not started.
    bool isStarting() const { return m_isStarting; }
    /// Seconds recorded so far (samples kept ÷ their rate), refreshed every 50 ms; keeps its value after
    /// stop until the next start.
    double elapsed() const { return m_elapsed; }
    /// Input level 0...1 over the last 50 ms (see levelForPower); 0 while idle.
    double level() const { return m_level; }
    bool permissionDenied() const { return m_permissionDenied; }
    void setPermissionDenied(bool denied);
    /// Whether a recording is starting, running or being finished.
    bool isBusy() const { return m_phase != Phase::Idle; }

    /// The meter's scale: −50 dB and quieter (and NaN) give 0, 0 dB and louder give 1, linear between.
    static double levelForPower(double decibels);

    /// The folder new recordings are written to: by default "$XDG_CACHE_HOME/Vesperlog/recordings", made
    /// 0700 when a recording starts. Tests point it elsewhere, for instance at a folder that does not
    /// exist.
    static void setRecordingFolder(const QString& folder);
    static QString recordingFolder();
    /// Removes the files of recordings an earlier run left in the recording folder (it ended while
    /// recording) and returns how many. Only at launch, before anything records.
    static int removeLeftOverRecordings();
    /// The microphone recordings use: the system's default input unless a test chose one (a null device
    /// stands for a machine without a microphone); std::nullopt restores the default.
    static void setInputDevice(const std::optional<QAudioDevice>& device);

Q_SIGNALS:
    void isRecordingChanged(bool isRecording);
    void isStartingChanged(bool isStarting);
    void elapsedChanged(double elapsed);
    void levelChanged(double level);
    void permissionDeniedChanged(bool permissionDenied);
    /// A recording ended or never began for `reason` (a sentence fragment, as printed): the user is to
    /// be told.
    void failed(const QString& reason);
    /// The recording can take no more for `reason` ("the disk is full"): it still runs, its clock
    /// stopped, and a stop() keeps what was recorded up to here.
    void cutShort(const QString& reason);

private:
    enum class Phase { Idle, Starting, Recording, Stopping };

    /// Opens the microphone, once the multimedia backend is loaded.
    void begin(quint64 session);
    void onFirstSound(quint64 session, int sampleRate);
    void onCaptureFailed(quint64 session, const QString& reason, bool denied);
    void onFinished(quint64 session, const std::optional<QString>& error, double seconds);
    void fail(const QString& reason);
    void tick();
    /// Stops the ticks and publishes the idle state.
    void quiet();
    void setElapsed(double seconds);
    void setLevel(double level);
    void setRecording(bool recording);
    void setStarting(bool starting);

    Phase m_phase = Phase::Idle;
    bool m_isRecording = false;
    bool m_isStarting = false;
    double m_elapsed = 0;
    double m_level = 0;
    bool m_permissionDenied = false;

    // The capture and its thread live as long as the recorder once it first starts; each start opens a
    // new session, so a late report from an earlier one is told apart.
    QThread* m_captureThread = nullptr;
    AudioCapture* m_capture = nullptr;
    quint64 m_session = 0;
    int m_sampleRate = 0;
    QTimer m_ticks;
    QTimer m_noSound;
    QString m_path;
    StopCompletion m_stopDone;
};
