#include "Media/AudioRecorder.h"

#include "Media/AacEncoding.h"
#include "Media/MediaEnvironment.h"
#include "Model/FileIO.h"
#include "Model/Log.h"
#include "Model/Uuid.h"

#include <QAudioSource>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <mutex>
#include <utility>

namespace {

constexpr int kTickMs = 50;
// A microphone that has delivered nothing this long after it was opened is taken to deliver nothing:
// the user is told rather than shown a clock that does not move.
constexpr int kNoSoundLimitMs = 5000;

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

/// GStreamer's name of a sample format as this (little-endian) machine holds it; empty for none.
QString gstreamerSampleFormat(QAudioFormat::SampleFormat format)
{
    switch (format) {
    case QAudioFormat::UInt8: return QStringLiteral("U8");
    case QAudioFormat::Int16: return QStringLiteral("S16LE");
    case QAudioFormat::Int32: return QStringLiteral("S32LE");
    case QAudioFormat::Float: return QStringLiteral("F32LE");
    default: return {};
    }
}

QString rawPathFor(const QString& notePath)
{
    return notePath + QStringLiteral(".pcm");
}

/// Why the raw file could not take more samples, in words a person reads in the message.
QString writeFailureText(int code)
{
    if (code == ENOSPC || code == EDQUOT) {
        return QStringLiteral("the disk is full");
    }
    if (code == EFBIG) {
        return QStringLiteral("the recording file reached the largest size allowed");
    }
    return vsp::systemError(code);
}

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

} // namespace

/// The microphone's samples, read on a thread of their own: opening the source waits for the sound
/// server, and every read takes a lock its client thread holds meanwhile, which under load kept the GUI
/// thread waiting for many milliseconds. Every sample read is written at once to the raw file, and
/// counted; the GUI thread only takes the count and the level sums.
class AudioCapture final : public QObject {
public:
    struct Sums {
        double sumOfSquares = 0;
        qint64 samples = 0;
    };
    /// Called on the capture thread: the first samples arrived (with their rate); the capture failed
    /// (`denied` when the microphone could not be opened); the raw file took no more samples, so the
    /// recording ends with what it holds.
    struct Reports {
        std::function<void(int sampleRate)> firstSound;
        std::function<void(const QString& reason, bool denied)> failed;
        std::function<void(const QString& reason)> cutShort;
    };

    ~AudioCapture() override { close(); }

    /// Capture thread. Checks that the note can be encoded, then opens the raw file and `device`.
    void open(const QAudioDevice& device, const QString& rawPath, const Reports& reports)
    {
        close();
        m_reports = reports;
        m_frames = 0;
        m_heard = false;
        m_failure.reset();
        take();
        if (const std::optional<QString> why = vsp::aacEncodingUnavailable()) {
            m_reports.failed(*why, false);
            return;
        }
        QAudioFormat format;
        format.setSampleRate(44100);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(format)) {
            format = device.preferredFormat();
        }
        m_layout =
            vsp::PcmLayout{gstreamerSampleFormat(format.sampleFormat()), format.sampleRate(), format.channelCount()};
        if (m_layout.sampleFormat.isEmpty()) {
            m_reports.failed(QStringLiteral("the microphone's sample format is not supported"), false);
            return;
        }
        m_file.setFileName(rawPath);
        // Unbuffered, so a failed write names its cause; readable by its owner only.
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered, kOwnerOnly)) {
            m_reports.failed(QStringLiteral("cannot write %1: %2").arg(rawPath, m_file.errorString()), false);
            return;
        }
        m_source = new QAudioSource(device, format, this);
        m_source->setBufferSize(format.bytesForDuration(kTickMs * 1000));
        m_input = m_source->start();
        if (!m_input || m_source->error() != QAudio::NoError) {
            close();
            m_file.remove();
            m_reports.failed(QStringLiteral("the microphone could not be opened"), true);
            return;
        }
        connect(m_input, &QIODevice::readyRead, this, &AudioCapture::read);
    }

    /// Capture thread. Keeps what the source still holds, then closes it and the raw file.
    void close()
    {
        if (m_source) {
            read();
            // Out of the members before it is stopped: stopping and deleting the source turn this thread's
            // event loop (the PulseAudio back end does), which may run a queued discard; that one must find
            // the capture closed, not read from a source half destroyed.
            QAudioSource* source = std::exchange(m_source, nullptr);
            QIODevice* input = std::exchange(m_input, nullptr);
            source->disconnect(this);
            if (input) {
                input->disconnect(this);
            }
            source->stop();
            delete source;
        }
        if (m_file.isOpen()) {
            m_file.close();
        }
    }

    /// Capture thread. Closes the source and encodes the raw file into `notePath` (also after the raw
    /// file took no more: what it holds is the recording), then removes the raw file. Gives the error,
    /// or nothing, and the seconds recorded. When the encoding fails, the raw file is kept and the error
    /// names it: the sound is never thrown away here.
    std::pair<std::optional<QString>, double> finish(const QString& notePath)
    {
        close();
        const QString rawPath = m_file.fileName();
        const double seconds = m_layout.sampleRate > 0 ? double(m_frames.load()) / m_layout.sampleRate : 0;
        if (m_frames.load() == 0) {
            QFile::remove(rawPath);
            return {QStringLiteral("nothing was recorded"), seconds};
        }
        if (const std::optional<QString> error = vsp::encodePcmToAac(rawPath, m_layout, notePath, &m_abort)) {
            // A partial note plays nothing; the raw samples are what is left of the recording.
            QFile::remove(notePath);
            return {QStringLiteral("%1; what was recorded is kept at %2").arg(*error, rawPath), seconds};
        }
        QFile::remove(rawPath);
        vsp::makePrivate(notePath);
        return {std::nullopt, seconds};
    }

    /// Capture thread. Ends the capture and removes its files.
    void discard(const QString& notePath)
    {
        close();
        QFile::remove(m_file.fileName());
        QFile::remove(notePath);
    }

    /// Any thread: ends an encoding under way (see encodePcmToAac) or lets the next one run.
    void setAbort(bool abort) { m_abort = abort; }

    /// Any thread: the frames kept so far.
    qint64 frames() const { return m_frames.load(); }

    /// Any thread: the level sums since the last call.
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
        if (bytes.isEmpty() || frame <= 0 || format.bytesPerSample() <= 0) {
            return;
        }
        if (m_failure) {
            return;
        }
        if (int code = 0; !vsp::writeAll(m_file.handle(), bytes, &code)) {
            // A full disk: what came before is kept, and the user is told the recording ended there. A
            // piece written in part is cut off, so the file holds whole frames, as many as counted.
            m_failure = writeFailureText(code);
            m_file.resize(m_frames.load() * frame);
            if (m_heard) {
                m_reports.cutShort(*m_failure);
            } else {
                m_reports.failed(*m_failure, false);
            }
            return;
        }
        Sums sums;
        // The first channel only, as the level of a mono note.
        for (qsizetype at = 0; at + frame <= bytes.size(); at += frame) {
            const double v = format.normalizedSampleValue(bytes.constData() + at);
            sums.sumOfSquares += v * v;
            ++sums.samples;
        }
        {
            std::lock_guard lock(m_mutex);
            m_sums.sumOfSquares += sums.sumOfSquares;
            m_sums.samples += sums.samples;
        }
        m_frames += bytes.size() / frame;
        if (!m_heard) {
            m_heard = true;
            m_reports.firstSound(format.sampleRate());
        }
    }

    QAudioSource* m_source = nullptr;
    QIODevice* m_input = nullptr;
    QFile m_file;
    vsp::PcmLayout m_layout;
    Reports m_reports;
    std::optional<QString> m_failure;
    bool m_heard = false;
    std::atomic<qint64> m_frames = 0;
    std::atomic<bool> m_abort = false;
    std::mutex m_mutex;
    Sums m_sums;
};

AudioRecorder::AudioRecorder(QObject* parent) : QObject(parent)
{
    m_ticks.setInterval(kTickMs);
    m_ticks.setTimerType(Qt::PreciseTimer);
    connect(&m_ticks, &QTimer::timeout, this, &AudioRecorder::tick);
    // A child, so tests find it and end its wait at once rather than waiting five seconds.
    m_noSound.setParent(this);
    m_noSound.setObjectName(QStringLiteral("noSoundLimit"));
    m_noSound.setSingleShot(true);
    m_noSound.setInterval(kNoSoundLimitMs);
    connect(&m_noSound, &QTimer::timeout, this, [this] { fail(QStringLiteral("the microphone delivered no sound")); });
    // Quitting skips the destructors of windows that are never closed; a recording left running would
    // leave its files behind in the recording folder.
    if (auto* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, &AudioRecorder::cancel);
    }
}

AudioRecorder::~AudioRecorder()
{
    cancel();
    if (m_captureThread) {
        // The capture goes with its thread, closing its source there.
        m_captureThread->quit();
        m_captureThread->wait();
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
    if (!folderOverride().isEmpty()) {
        return folderOverride();
    }
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty()) {
        base = QDir::homePath() + QStringLiteral("/.cache");
    }
    return base + QStringLiteral("/Vesperlog/recordings");
}

int AudioRecorder::removeLeftOverRecordings()
{
    QDir folder(recordingFolder());
    int removed = 0;
    for (const QString& name : folder.entryList({QStringLiteral("vsp-rec-*")}, QDir::Files | QDir::System)) {
        if (folder.remove(name)) {
            ++removed;
        }
    }
    return removed;
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
    const quint64 session = ++m_session;
    m_phase = Phase::Starting;
    m_sampleRate = 0;
    setElapsed(0);
    setStarting(true);
    setRecording(true);
    // Qt Multimedia's device list loads the whole multimedia backend, for a few hundred milliseconds, the
    // first time: the warm-up loads it off the GUI thread, and the microphone is looked for once it has.
    // Already loaded, this continues at once.
    vsp::warmUpMedia(
        this, [this, session] { begin(session); }, vsp::MediaUse::Recording);
}

void AudioRecorder::begin(quint64 session)
{
    if (session != m_session || m_phase != Phase::Starting) {
        return;
    }
    // Asked for even when a test chose the device: the sound system's client is made here, on the GUI
    // thread, and not on the capture's.
    const QAudioDevice systemDefault = QMediaDevices::defaultAudioInput();
    const QAudioDevice device = inputOverride().value_or(systemDefault);
    if (device.isNull()) {
        // No device (or, found by the capture, one that cannot be opened): all this desktop's "denied"
        // can mean. The flag may still be up from an earlier press whose alert is open; lower it first
        // so this press is seen.
        cancel();
        setPermissionDenied(false);
        setPermissionDenied(true);
        return;
    }
    if (!m_captureThread) {
        m_captureThread = new QThread(this);
        m_captureThread->setObjectName(QStringLiteral("vsp-audio-capture"));
        m_capture = new AudioCapture;
        m_capture->moveToThread(m_captureThread);
        connect(m_captureThread, &QThread::finished, m_capture, &QObject::deleteLater);
        m_captureThread->start();
    }
    if (folderOverride().isEmpty()) {
        // The raw samples are the user's voice: kept out of the shared temporary folder, to the owner.
        vsp::ensurePrivateFolder(recordingFolder());
    }
    m_path = recordingFolder() + QStringLiteral("/vsp-rec-") + vsp::uuidText(vsp::newUuid()) + QStringLiteral(".m4a");
    // The recorder outlives every call it queues there: its destructor waits for the capture's thread.
    AudioCapture::Reports reports;
    reports.firstSound = [this, session](int rate) {
        QMetaObject::invokeMethod(
            this, [this, session, rate] { onFirstSound(session, rate); }, Qt::QueuedConnection);
    };
    reports.failed = [this, session](const QString& reason, bool denied) {
        QMetaObject::invokeMethod(
            this, [this, session, reason, denied] { onCaptureFailed(session, reason, denied); }, Qt::QueuedConnection);
    };
    reports.cutShort = [this, session](const QString& reason) {
        QMetaObject::invokeMethod(
            this,
            [this, session, reason] {
                if (session == m_session && m_phase == Phase::Recording) {
                    vsp::logFailure(QStringLiteral("recording"),
                                    reason + QStringLiteral("; what was recorded up to here is kept"));
                    Q_EMIT cutShort(reason);
                }
            },
            Qt::QueuedConnection);
    };
    QMetaObject::invokeMethod(m_capture, [capture = m_capture, device, raw = rawPathFor(m_path), reports] {
        capture->open(device, raw, reports);
    });
    m_noSound.start();
    m_ticks.start();
}

void AudioRecorder::onFirstSound(quint64 session, int sampleRate)
{
    if (session != m_session || m_phase != Phase::Starting) {
        return;
    }
    m_noSound.stop();
    m_sampleRate = sampleRate;
    m_phase = Phase::Recording;
    setStarting(false);
    tick();
}

void AudioRecorder::onCaptureFailed(quint64 session, const QString& reason, bool denied)
{
    if (session != m_session || (m_phase != Phase::Starting && m_phase != Phase::Recording)) {
        return;
    }
    if (denied) {
        cancel();
        setPermissionDenied(false);
        setPermissionDenied(true);
        return;
    }
    fail(reason);
}

void AudioRecorder::fail(const QString& reason)
{
    vsp::logFailure(QStringLiteral("recording"), reason);
    cancel();
    Q_EMIT failed(reason);
}

void AudioRecorder::tick()
{
    if (!m_capture || m_phase != Phase::Recording || m_sampleRate <= 0) {
        return;
    }
    setElapsed(double(m_capture->frames()) / m_sampleRate);
    const AudioCapture::Sums sums = m_capture->take();
    if (sums.samples > 0) {
        const double rms = std::sqrt(sums.sumOfSquares / double(sums.samples));
        setLevel(levelForPower(rms > 0 ? 20.0 * std::log10(rms) : -HUGE_VAL));
    }
}

void AudioRecorder::stop(StopCompletion done)
{
    if (m_phase != Phase::Recording) {
        // Still starting: nothing has been recorded, so nothing is kept.
        if (m_phase == Phase::Starting) {
            cancel();
        }
        if (done) {
            done(std::nullopt);
        }
        return;
    }
    m_stopDone = std::move(done);
    m_phase = Phase::Stopping;
    tick();
    quiet();
    // The encoding loads FFmpeg's plugin now; what playing the note needs loads beside it, so a play
    // right after the save finds it all.
    vsp::warmUpMedia(nullptr, {}, vsp::MediaUse::Playback);
    const quint64 session = m_session;
    QMetaObject::invokeMethod(m_capture, [this, capture = m_capture, session, path = m_path] {
        const auto [error, seconds] = capture->finish(path);
        QMetaObject::invokeMethod(
            this, [this, session, error, seconds] { onFinished(session, error, seconds); }, Qt::QueuedConnection);
    });
}

void AudioRecorder::onFinished(quint64 session, const std::optional<QString>& error, double seconds)
{
    if (session != m_session || m_phase != Phase::Stopping) {
        return;
    }
    m_phase = Phase::Idle;
    StopCompletion done = std::move(m_stopDone);
    m_stopDone = nullptr;
    std::optional<Recording> result;
    if (error) {
        vsp::logFailure(QStringLiteral("recording"), *error);
        Q_EMIT failed(*error);
    } else {
        result = Recording{m_path, seconds};
    }
    m_path.clear();
    if (done) {
        done(result);
    }
}

void AudioRecorder::cancel()
{
    if (m_phase == Phase::Idle) {
        return;
    }
    const bool opened = !m_path.isEmpty();
    ++m_session;
    StopCompletion done = std::move(m_stopDone);
    m_stopDone = nullptr;
    m_noSound.stop();
    m_phase = Phase::Idle;
    quiet();
    if (opened && m_capture) {
        // Waited for, so no file is left when the application quits right after: an encoding under way
        // is told to end first.
        m_capture->setAbort(true);
        QMetaObject::invokeMethod(
            m_capture, [capture = m_capture, path = m_path] { capture->discard(path); }, Qt::BlockingQueuedConnection);
        m_capture->setAbort(false);
    }
    m_path.clear();
    if (done) {
        done(std::nullopt);
    }
}

void AudioRecorder::quiet()
{
    m_ticks.stop();
    setStarting(false);
    setRecording(false);
    setLevel(0);
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

void AudioRecorder::setStarting(bool starting)
{
    if (starting == m_isStarting) {
        return;
    }
    m_isStarting = starting;
    Q_EMIT isStartingChanged(starting);
}
