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
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kTickMs = 50;
// The GStreamer recorder writes the MPEG-4 index when it reaches the stopped state; a file handed
// over before that cannot be played. A recorder that has not finished after this long never will.
constexpr int kStopLimitMs = 5000;

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
    const QAudioDevice device = inputOverride().value_or(QMediaDevices::defaultAudioInput());
    if (device.isNull() || !startMeter(device)) {
        // No device, or one that cannot be opened: all this desktop's "denied" can mean. The flag may
        // still be up from an earlier press whose alert is open; lower it first so this press is seen.
        setPermissionDenied(false);
        setPermissionDenied(true);
        return;
    }
    // Building and starting the platform recorder takes 5–20 ms of this thread: in turns of their own,
    // after the bar has been shown, so neither the press nor a frame waits for all of it.
    m_device = device;
    m_phase = Phase::Starting;
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
        if (!buildRecorder(m_device)) {
            m_phase = Phase::Idle;
            quiet();
            return;
        }
        if (!atOnce) {
            // Setting the pipeline going is the other half of the work: a turn of its own too.
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
}

bool AudioRecorder::startMeter(const QAudioDevice& device)
{
    QAudioFormat format;
    format.setSampleRate(44100);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
        format = device.preferredFormat();
    }
    m_meter = new QAudioSource(device, format, this);
    m_meter->setBufferSize(format.bytesForDuration(kTickMs * 1000));
    m_meterInput = m_meter->start();
    if (!m_meterInput || m_meter->error() != QAudio::NoError) {
        delete m_meter;
        m_meter = nullptr;
        m_meterInput = nullptr;
        return false;
    }
    m_sumOfSquares = 0;
    m_samples = 0;
    connect(m_meterInput, &QIODevice::readyRead, this, &AudioRecorder::readMeter);
    return true;
}

void AudioRecorder::readMeter()
{
    if (!m_meter || !m_meterInput) {
        return;
    }
    const QByteArray bytes = m_meterInput->readAll();
    const QAudioFormat format = m_meter->format();
    const int frame = format.bytesPerFrame();
    const int sample = format.bytesPerSample();
    if (frame <= 0 || sample <= 0) {
        return;
    }
    // The first channel only, as the level of a mono note.
    for (qsizetype at = 0; at + frame <= bytes.size(); at += frame) {
        const double v = format.normalizedSampleValue(bytes.constData() + at);
        m_sumOfSquares += v * v;
        ++m_samples;
    }
}

bool AudioRecorder::buildRecorder(const QAudioDevice& device)
{
    m_path = recordingFolder() + QStringLiteral("/vsp-rec-") + vsp::uuidText(vsp::newUuid()) + QStringLiteral(".m4a");
    // The session and the input belong to the recorder, so deleting the recorder takes the whole
    // pipeline down before its `destroyed` signal: files are removed only once nothing writes them.
    auto* recorder = new QMediaRecorder(this);
    auto* session = new QMediaCaptureSession(recorder);
    auto* input = new QAudioInput(device, recorder);
    session->setAudioInput(input);
    session->setRecorder(recorder);
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

void AudioRecorder::tick()
{
    if (!m_recorder || m_phase != Phase::Recording) {
        return;
    }
    setElapsed(double(m_recorder->duration()) / 1000.0);
    if (m_samples > 0) {
        const double rms = std::sqrt(m_sumOfSquares / double(m_samples));
        setLevel(levelForPower(rms > 0 ? 20.0 * std::log10(rms) : -HUGE_VAL));
        m_sumOfSquares = 0;
        m_samples = 0;
    }
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
    if (m_phase == Phase::Idle && !m_recorder && !m_meter) {
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
    if (m_meter) {
        m_meter->disconnect(this);
        if (m_meterInput) {
            m_meterInput->disconnect(this);
        }
        m_meter->stop();
        m_meter->deleteLater();
        m_meter = nullptr;
        m_meterInput = nullptr;
    }
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
