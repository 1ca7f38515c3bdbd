#pragma once

#include <QAudioDevice>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class LevelMeter;
class QMediaRecorder;
class QThread;

/// Records one voice note at a time from the default microphone into a temporary file ("vsp-rec-<UUID>.m4a",
/// AAC in MPEG-4, 44,100 Hz, mono) and publishes, while it records, the elapsed time and the input level.
///
/// This desktop has no per-app microphone permission: `permissionDenied` is raised when there is no input
/// device or the one there cannot be opened. Every change is made and signalled on the GUI thread.
/// Destroying the recorder, or quitting the application, while it records stops the recording and removes
/// its file.
class AudioRecorder final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AudioRecorder)
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
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

    /// Starts recording, or raises `permissionDenied` when there is no microphone. `isRecording` is true
    /// when this returns; the platform recorder is made and started in the next turn of the event loop,
    /// so a press shows the recording bar without waiting for it (a recorder that fails then prints
    /// "Vesperlog: recording failed — …" and the recorder returns to idle). The level meter opens the
    /// microphone on a thread of its own: one that cannot be opened ends the recording moments later,
    /// removing its file, and raises `permissionDenied` then. A platform recorder that receives no
    /// sound within two seconds is replaced once; a second one that does not either ends the
    /// recording with "Vesperlog: recording failed — the recorder received no sound". Ignored while a
    /// recording is starting, running or being finished, so one press never starts two recordings.
    void start();
    /// Ends the recording. The platform recorder finishes its file asynchronously: `done` is called once
    /// the file is complete (at most a few seconds later) with the file and the larger of the recorder's
    /// and the published time; with nothing when there was no recording, when the file could not be
    /// finished, or when it holds nothing (those failures print "Vesperlog: recording failed — …" and
    /// leave no file). `isRecording` is false as soon as this returns.
    void stop(StopCompletion done);
    /// Ends the recording under way and deletes its file; nothing when idle. A stop() still finishing
    /// receives nothing.
    void cancel();

    bool isRecording() const { return m_isRecording; }
    /// Seconds recorded so far, refreshed every 50 ms; keeps its value after stop until the next start.
    double elapsed() const { return m_elapsed; }
    /// Input level 0...1 over the last 50 ms (see levelForPower); 0 while idle.
    double level() const { return m_level; }
    bool permissionDenied() const { return m_permissionDenied; }
    void setPermissionDenied(bool denied);
    /// Whether a recording is starting, running or being finished.
    bool isBusy() const { return m_phase != Phase::Idle; }

    /// The meter's scale: −50 dB and quieter (and NaN) give 0, 0 dB and louder give 1, linear between.
    static double levelForPower(double decibels);

    /// The folder new recordings are written to (the temporary folder by default). Tests point it
    /// elsewhere, for instance at a folder that does not exist.
    static void setRecordingFolder(const QString& folder);
    static QString recordingFolder();
    /// The microphone recordings use: the system's default input unless a test chose one (a null device
    /// stands for a machine without a microphone); std::nullopt restores the default.
    static void setInputDevice(const std::optional<QAudioDevice>& device);

Q_SIGNALS:
    void isRecordingChanged(bool isRecording);
    void elapsedChanged(double elapsed);
    void levelChanged(double level);
    void permissionDeniedChanged(bool permissionDenied);

private:
    enum class Phase { Idle, Starting, Recording, Stopping };

    /// Makes the platform recorder, then gives it the microphone, then starts it: each in a turn of its
    /// own, or all at once when `atOnce`.
    void beginPending(bool atOnce);
    bool buildRecorder();
    void attachInput(const QAudioDevice& device);
    void startMeter(const QAudioDevice& device);
    void stopMeter();
    void onMeterFailed(quint64 session);
    void tick();
    /// Replaces a platform recorder that receives no sound with a new one, once a recording.
    void remakeRecorder();
    void onRecorderError(const QString& error);
    void finishStop(bool timedOut);
    /// Stops the metering and the ticks and publishes the idle state.
    void quiet();
    /// Tears the platform recorder down and, when asked, removes the files it wrote once it is gone;
    /// `later` when called from one of the recorder's own signals.
    void dropRecorder(bool removeFiles, bool later = false);
    void setElapsed(double seconds);
    void setLevel(double level);
    void setRecording(bool recording);

    Phase m_phase = Phase::Idle;
    bool m_isRecording = false;
    double m_elapsed = 0;
    double m_level = 0;
    bool m_permissionDenied = false;

    QPointer<QMediaRecorder> m_recorder;
    // The meter and its thread live as long as the recorder once it first starts; each start opens
    // a new session, so a late report from an earlier one is told apart.
    QThread* m_meterThread = nullptr;
    LevelMeter* m_meter = nullptr;
    quint64 m_meterSession = 0;
    bool m_metering = false;
    QTimer m_ticks;
    QTimer m_begin;
    int m_silentTicks = 0;
    bool m_remade = false;
    QAudioDevice m_device;
    QTimer m_stopLimit;
    QString m_path;
    double m_durationAtStop = 0;
    StopCompletion m_stopDone;
};
