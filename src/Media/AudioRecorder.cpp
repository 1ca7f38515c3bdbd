#include "Media/AudioRecorder.h"

#include "Model/Log.h"
#include "Model/Uuid.h"

#include <QAudioInput>
#include <QAudioSource>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QMediaFormat>
#include <QMediaRecorder>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

constexpr int kTickMs = 50;
// The GStreamer recorder writes the MPEG-4 index when it reaches the stopped state; a file handed
// over before that cannot be played. A recorder that has not finished after this long never will.
constexpr int kStopLimitMs = 5000;
// A platform recorder that has received no sound this long after it started never will: now and then
// its microphone is never set going. Made anew once, then given up.
constexpr int kNoSoundLimitMs = 2000;

QString& folderOverride()
{
    static QString folder;
    return folder;
}

std::optional<QAudioDevice>& inputOverride()
{
    static std::optional<QAudioDevice> device;
    return device;
}

} // namespace

/// The level meter's input: a second source on the microphone, opened, read and closed on the meter's
/// own thread. Opening it waits for the sound server, and every read takes a lock its client thread
/// holds meanwhile: under load either kept the GUI thread waiting for many milliseconds. The GUI thread
/// only takes the sums read since it last looked.
class LevelMeter final : public QObject {
public:
    struct Sums {
        double sumOfSquares = 0;
        qint64 samples = 0;
    };

    /// Meter thread. Opens `device`; calls `failed` (on the meter thread) when it cannot.
    void open(const QAudioDevice& device, const std::function<void()>& failed)
    {
        close();
        QAudioFormat format;
        format.setSampleRate(44100);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(format)) {
            format = device.preferredFormat();
        }
        m_source = new QAudioSource(device, format, this);
        m_source->setBufferSize(format.bytesForDuration(kTickMs * 1000));
        m_input = m_source->start();
        if (!m_input || m_source->error() != QAudio::NoError) {
            close();
            failed();
            return;
        }
        connect(m_input, &QIODevice::readyRead, this, &LevelMeter::read);
    }

    /// Meter thread.
    void close()
    {
        if (!m_source) {
            return;
        }
        m_source->disconnect(this);
        if (m_input) {
            m_input->disconnect(this);
        }
        m_source->stop();
        delete m_source;
        m_source = nullptr;
        m_input = nullptr;
        take();
    }

    /// Any thread: the sums since the last call.
    Sums take()
    {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_sums, Sums{});
    }

private:
    void read()
    {
        if (!m_source || !m_input) {
            return;
        }
        const QByteArray bytes = m_input->readAll();
        const QAudioFormat format = m_source->format();
        const int frame = format.bytesPerFrame();
        if (frame <= 0 || format.bytesPerSample() <= 0) {
            return;
        }
        Sums sums;
        // The first channel only, as the level of a mono note.
        for (qsizetype at = 0; at + frame <= bytes.size(); at += frame) {
            const double v = format.normalizedSampleValue(bytes.constData() + at);
            sums.sumOfSquares += v * v;
            ++sums.samples;
        }
        std::lock_guard lock(m_mutex);
        m_sums.sumOfSquares += sums.sumOfSquares;
        m_sums.samples += sums.samples;
    }

    QAudioSource* m_source = nullptr;
    QIODevice* m_input = nullptr;
    std::mutex m_mutex;
    Sums m_sums;
};

AudioRecorder::AudioRecorder(QObject* parent) : QObject(parent)
{
    m_ticks.setInterval(kTickMs);
    m_ticks.setTimerType(Qt::PreciseTimer);
    connect(&m_ticks, &QTimer::timeout, this, &AudioRecorder::tick);
    m_begin.setSingleShot(true);
    m_begin.setInterval(0);
    connect(&m_begin, &QTimer::timeout, this, [this] { beginPending(false); });
    m_stopLimit.setSingleShot(true);
    m_stopLimit.setInterval(kStopLimitMs);
    connect(&m_stopLimit, &QTimer::timeout, this, [this] { finishStop(true); });
    // Quitting skips the destructors of windows that are never closed; a recording left running would
    // leave its file behind in the temporary folder.
    if (auto* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, &AudioRecorder::cancel);
    }
}

AudioRecorder::~AudioRecorder()
{
    cancel();
    if (m_meterThread) {
        // The meter goes with its thread, closing its source there.
        m_meterThread->quit();
        m_meterThread->wait();
    }
}

void AudioRecorder::setRecordingFolder(const QString& folder)
{
    folderOverride() = folder;
}

void AudioRecorder::setInputDevice(const std::optional<QAudioDevice>& device)
{
    inputOverride() = device;
}

QString AudioRecorder::recordingFolder()
{
    return folderOverride().isEmpty() ? QDir::tempPath() : folderOverride();
}

double AudioRecorder::levelForPower(double decibels)
{
    const double x = (decibels + 50.0) / 50.0;
    if (!(x > 0)) {
        return 0;
    }
    return std::min(x, 1.0);
}

void AudioRecorder::setPermissionDenied(bool denied)
{
    if (m_permissionDenied == denied) {
        return;
    }
    m_permissionDenied = denied;
    Q_EMIT permissionDeniedChanged(denied);
}

void AudioRecorder::start()
{
    if (m_phase != Phase::Idle) {
        return;
    }
    // Asked for even when a test chose the device: the sound system's client is made here, on the GUI
    // thread, and not on the meter's.
    const QAudioDevice systemDefault = QMediaDevices::defaultAudioInput();
    const QAudioDevice device = inputOverride().value_or(systemDefault);
    if (device.isNull()) {
        // No device (or, found by the meter, one that cannot be opened): all this desktop's "denied"
        // can mean. The flag may still be up from an earlier press whose alert is open; lower it first
        // so this press is seen.
        setPermissionDenied(false);
        setPermissionDenied(true);
        return;
    }
    startMeter(device);
    // Building and starting the platform recorder takes 5–20 ms of this thread: in turns of their own,
    // after the bar has been shown, so neither the press nor a frame waits for all of it.
    m_device = device;
    m_phase = Phase::Starting;
    m_remade = false;
    setElapsed(0);
    setRecording(true);
    m_ticks.start();
    m_begin.start();
}

void AudioRecorder::beginPending(bool atOnce)
{
    if (m_phase != Phase::Starting) {
        return;
    }
    m_begin.stop();
    if (!m_recorder) {
        if (!buildRecorder()) {
            m_phase = Phase::Idle;
            quiet();
            return;
        }
        if (!atOnce) {
            // Connecting the microphone and setting the pipeline going are the rest of the work: each a
            // turn of its own too.
            m_begin.start();
            return;
        }
    }
    if (!m_recorder->captureSession()) {
        attachInput(m_device);
        if (!atOnce) {
            m_begin.start();
            return;
        }
    }
    m_recorder->record();
    // record() may fail at once, reporting through errorOccurred before it returns.
    if (!m_recorder || m_recorder->error() != QMediaRecorder::NoError) {
        m_phase = Phase::Idle;
        quiet();
        dropRecorder(true);
        return;
    }
    m_phase = Phase::Recording;
    m_silentTicks = 0;
}

void AudioRecorder::startMeter(const QAudioDevice& device)
{
    if (!m_meterThread) {
        m_meterThread = new QThread(this);
        m_meterThread->setObjectName(QStringLiteral("vsp-level-meter"));
        m_meter = new LevelMeter;
        m_meter->moveToThread(m_meterThread);
        connect(m_meterThread, &QThread::finished, m_meter, &QObject::deleteLater);
        m_meterThread->start();
    }
    const quint64 session = ++m_meterSession;
    m_metering = true;
    // The recorder outlives every call it queues here: its destructor waits for the meter's thread.
    LevelMeter* meter = m_meter;
    QMetaObject::invokeMethod(meter, [this, meter, device, session] {
        meter->open(device, [this, session] {
            QMetaObject::invokeMethod(this, [this, session] { onMeterFailed(session); }, Qt::QueuedConnection);
        });
    });
}

void AudioRecorder::stopMeter()
{
    if (!m_metering) {
        return;
    }
    m_metering = false;
    QMetaObject::invokeMethod(m_meter, [meter = m_meter] { meter->close(); });
}

void AudioRecorder::onMeterFailed(quint64 session)
{
    if (session != m_meterSession || (m_phase != Phase::Starting && m_phase != Phase::Recording)) {
        return;
    }
    cancel();
    setPermissionDenied(false);
    setPermissionDenied(true);
}

bool AudioRecorder::buildRecorder()
{
    m_path = recordingFolder() + QStringLiteral("/vsp-rec-") + vsp::uuidText(vsp::newUuid()) + QStringLiteral(".m4a");
    // The session and the input belong to the recorder, so deleting the recorder takes the whole
    // pipeline down before its `destroyed` signal: files are removed only once nothing writes them.
    // The session is joined to the recorder once it has its input (attachInput).
    auto* recorder = new QMediaRecorder(this);
    new QMediaCaptureSession(recorder);
    QMediaFormat format(QMediaFormat::MPEG4);
    format.setAudioCodec(QMediaFormat::AudioCodec::AAC);
    recorder->setMediaFormat(format);
    recorder->setAudioSampleRate(44100);
    recorder->setAudioChannelCount(1);
    recorder->setQuality(QMediaRecorder::HighQuality);
    recorder->setOutputLocation(QUrl::fromLocalFile(m_path));
    connect(recorder, &QMediaRecorder::errorOccurred, this,
            [this](QMediaRecorder::Error, const QString& text) { onRecorderError(text); });
    connect(recorder, &QMediaRecorder::recorderStateChanged, this, [this](QMediaRecorder::RecorderState state) {
        if (state == QMediaRecorder::StoppedState && m_phase == Phase::Stopping) {
            finishStop(false);
        }
    });
    m_recorder = recorder;
    return true;
}

void AudioRecorder::attachInput(const QAudioDevice& device)
{
    auto* session = m_recorder->findChild<QMediaCaptureSession*>(QString(), Qt::FindDirectChildrenOnly);
    auto* input = new QAudioInput(device, m_recorder);
    session->setAudioInput(input);
    session->setRecorder(m_recorder);
}

void AudioRecorder::tick()
{
    if (!m_recorder || m_phase != Phase::Recording) {
        return;
    }
    if (m_recorder->duration() <= 0 && ++m_silentTicks * kTickMs >= kNoSoundLimitMs) {
        remakeRecorder();
        return;
    }
    setElapsed(double(m_recorder->duration()) / 1000.0);
    const LevelMeter::Sums sums = m_meter ? m_meter->take() : LevelMeter::Sums{};
    if (sums.samples > 0) {
        const double rms = std::sqrt(sums.sumOfSquares / double(sums.samples));
        setLevel(levelForPower(rms > 0 ? 20.0 * std::log10(rms) : -HUGE_VAL));
    }
}

void AudioRecorder::remakeRecorder()
{
    if (m_remade) {
        vsp::logFailure(QStringLiteral("recording"), QStringLiteral("the recorder received no sound"));
        cancel();
        return;
    }
    m_remade = true;
    dropRecorder(true);
    m_phase = Phase::Starting;
    m_begin.start();
}

void AudioRecorder::stop(StopCompletion done)
{
    // "Stop & save" at once after the press still hands over the (short) recording.
    beginPending(true);
    if (m_phase != Phase::Recording || !m_recorder) {
        if (done) {
            done(std::nullopt);
        }
        return;
    }
    const double t = double(m_recorder->duration()) / 1000.0;
    m_durationAtStop = std::max(t, m_elapsed);
    m_stopDone = std::move(done);
    m_phase = Phase::Stopping;
    quiet();
    m_stopLimit.start();
    m_recorder->stop();
    if (m_recorder && m_recorder->recorderState() == QMediaRecorder::StoppedState && m_phase == Phase::Stopping) {
        finishStop(false);
    }
}

void AudioRecorder::finishStop(bool timedOut)
{
    if (m_phase != Phase::Stopping) {
        return;
    }
    m_stopLimit.stop();
    std::optional<Recording> result;
    if (timedOut) {
        vsp::logFailure(QStringLiteral("recording"), QStringLiteral("the recorder did not finish %1").arg(m_path));
    } else if (m_recorder) {
        m_durationAtStop = std::max(m_durationAtStop, double(m_recorder->duration()) / 1000.0);
        // The recorder may add the container's own extension; the note keeps the name it was given.
        const QString actual = m_recorder->actualLocation().toLocalFile();
        if (!actual.isEmpty() && actual != m_path && QFileInfo::exists(actual)) {
            QFile::remove(m_path);
            QFile::rename(actual, m_path);
        }
        if (QFileInfo(m_path).size() > 0) {
            result = Recording{m_path, m_durationAtStop};
        } else {
            vsp::logFailure(QStringLiteral("recording"), QStringLiteral("nothing was recorded"));
        }
    }
    m_phase = Phase::Idle;
    dropRecorder(!result, !timedOut);
    StopCompletion done = std::move(m_stopDone);
    m_stopDone = nullptr;
    if (done) {
        done(result);
    }
}

void AudioRecorder::onRecorderError(const QString& error)
{
    if (m_phase == Phase::Idle && !m_recorder) {
        return;
    }
    vsp::logFailure(QStringLiteral("recording"), error.isEmpty() ? QStringLiteral("unknown error") : error);
    StopCompletion done = std::move(m_stopDone);
    m_stopDone = nullptr;
    m_stopLimit.stop();
    m_phase = Phase::Idle;
    quiet();
    dropRecorder(true, true);
    if (done) {
        done(std::nullopt);
    }
}

void AudioRecorder::cancel()
{
    if (m_phase == Phase::Idle && !m_recorder && !m_metering) {
        return;
    }
    StopCompletion done = std::move(m_stopDone);
    m_stopDone = nullptr;
    m_stopLimit.stop();
    m_begin.stop();
    m_phase = Phase::Idle;
    quiet();
    dropRecorder(true);
    if (done) {
        done(std::nullopt);
    }
}

void AudioRecorder::quiet()
{
    m_ticks.stop();
    stopMeter();
    setRecording(false);
    setLevel(0);
}

void AudioRecorder::dropRecorder(bool removeFiles, bool later)
{
    QMediaRecorder* recorder = m_recorder;
    m_recorder = nullptr;
    const QString path = m_path;
    m_path.clear();
    if (!recorder) {
        if (removeFiles && !path.isEmpty()) {
            QFile::remove(path);
        }
        return;
    }
    recorder->disconnect(this);
    if (removeFiles) {
        const QString actual = recorder->actualLocation().toLocalFile();
        connect(recorder, &QObject::destroyed, [path, actual] {
            QFile::remove(path);
            if (!actual.isEmpty()) {
                QFile::remove(actual);
            }
        });
    }
    if (recorder->recorderState() != QMediaRecorder::StoppedState) {
        recorder->stop();
    }
    if (later) {
        // Inside the recorder's own signal: it may still use itself once the signal returns. The file is
        // unlinked now as well, in case the event loop never comes back.
        if (removeFiles) {
            QFile::remove(path);
        }
        recorder->deleteLater();
    } else {
        // Not deleteLater(): on quit the event loop never comes back to delete it.
        delete recorder;
    }
}

void AudioRecorder::setElapsed(double seconds)
{
    if (!std::isfinite(seconds) || seconds == m_elapsed) {
        return;
    }
    m_elapsed = seconds;
    Q_EMIT elapsedChanged(seconds);
}

void AudioRecorder::setLevel(double level)
{
    if (level == m_level) {
        return;
    }
    m_level = level;
    Q_EMIT levelChanged(level);
}

void AudioRecorder::setRecording(bool recording)
{
    if (recording == m_isRecording) {
        return;
    }
    m_isRecording = recording;
    Q_EMIT isRecordingChanged(recording);
}
