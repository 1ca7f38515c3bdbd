#include "Media/SpeechTranscriber.h"

#include "Media/SpeechLibrary.h"

#include <QAudioDecoder>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>

#include <sphinxbase/cmn.h>
#include <sphinxbase/feat.h>

namespace {

constexpr int kSampleRate = 16000;
constexpr int kBaseLimitMs = 60'000;

std::mutex g_weightsMutex;
SpeechTranscriber::SearchWeights g_weights;

SpeechTranscriber::SearchWeights currentWeights()
{
    std::lock_guard lock(g_weightsMutex);
    return g_weights;
}

SpeechTranscriber::Backend& backend()
{
    static SpeechTranscriber::Backend instance;
    return instance;
}

/// A loaded recogniser (about 90 MB) with the loudness estimate it starts from.
struct LoadedDecoder {
    const SpeechLibrary* library = nullptr;
    ps_decoder_t* ps = nullptr;
    QString folder;
    SpeechTranscriber::SearchWeights weights;
    std::vector<mfcc_t> mean;
    std::vector<mfcc_t> sum;
    int32 frames = 0;

    ~LoadedDecoder()
    {
        if (ps) {
            library->free(ps);
        }
    }

    static std::unique_ptr<LoadedDecoder> load(const QString& folder, const SpeechTranscriber::SearchWeights& weights)
    {
        const SpeechLibrary* library = SpeechLibrary::installed();
        if (!library) {
            return nullptr;
        }
        const QByteArray hmm = QFile::encodeName(folder + QStringLiteral("/en-us"));
        const QByteArray lm = QFile::encodeName(folder + QStringLiteral("/en-us.lm.bin"));
        const QByteArray dict = QFile::encodeName(folder + QStringLiteral("/cmudict-en-us.dict"));
        const QByteArray lw = QByteArray::number(weights.languageWeight);
        const QByteArray wip = QByteArray::number(weights.wordInsertionPenalty);
        // One forward pass without the flat-lexicon and best-path passes, and a bounded number of
        // active models: about twice as fast, and on the LibriVox clips (bench_transcript) fewer
        // words wrong than with all three passes.
        cmd_ln_t* config = library->cmdLnInit(nullptr, library->args(), TRUE, "-hmm", hmm.constData(), "-lm",
                                              lm.constData(), "-dict", dict.constData(), "-logfn", "/dev/null",
                                              "-fwdflat", "no", "-bestpath", "no", "-maxhmmpf", "3000", "-pl_window",
                                              "10", "-lw", lw.constData(), "-wip", wip.constData(), nullptr);
        if (!config) {
            return nullptr;
        }
        auto decoder = std::make_unique<LoadedDecoder>();
        decoder->library = library;
        decoder->ps = library->init(config);
        library->cmdLnFree(config);
        if (!decoder->ps) {
            return nullptr;
        }
        decoder->folder = folder;
        decoder->weights = weights;
        const cmn_t* cmn = library->getFeat(decoder->ps)->cmn_struct;
        decoder->mean.assign(cmn->cmn_mean, cmn->cmn_mean + cmn->veclen);
        decoder->sum.assign(cmn->sum, cmn->sum + cmn->veclen);
        decoder->frames = cmn->nframe;
        return decoder;
    }

    /// The recogniser follows the loudness of what it hears and carries it into the next recording,
    /// which it then hears worse; every recording starts from the estimate it was loaded with.
    void forgetLoudness()
    {
        cmn_t* cmn = library->getFeat(ps)->cmn_struct;
        std::copy(mean.begin(), mean.end(), cmn->cmn_mean);
        std::copy(sum.begin(), sum.end(), cmn->sum);
        cmn->nframe = frames;
    }
};

/// Keeps one loaded recogniser between recordings, since loading takes about half a second, and lets
/// it go after a minute unused, since it holds about 90 MB. Thread-safe; recognitions at the same time
/// each get a recogniser of their own.
class DecoderStore final {
public:
    static DecoderStore& shared()
    {
        static DecoderStore store;
        return store;
    }

    /// The kept recogniser for `folder` (waiting for one being loaded), or a newly loaded one; nothing
    /// when the model cannot be loaded. Blocking.
    std::unique_ptr<LoadedDecoder> take(const QString& folder, const SpeechTranscriber::SearchWeights& weights)
    {
        {
            std::unique_lock lock(m_mutex);
            m_loaded.wait(lock, [this] { return !m_loading; });
            ++m_generation;
            if (m_kept && m_kept->folder == folder && m_kept->weights == weights) {
                return std::move(m_kept);
            }
        }
        return LoadedDecoder::load(folder, weights);
    }

    /// Keeps `decoder` for the next recording, unless one is kept already.
    void give(std::unique_ptr<LoadedDecoder> decoder)
    {
        std::unique_ptr<LoadedDecoder> spare;
        quint64 generation = 0;
        {
            std::lock_guard lock(m_mutex);
            if (m_kept) {
                spare = std::move(decoder);
            } else {
                m_kept = std::move(decoder);
            }
            generation = ++m_generation;
        }
        releaseLater(generation);
    }

    /// Claims the one loading slot; false when a recogniser is kept or being loaded already.
    bool startLoading()
    {
        std::lock_guard lock(m_mutex);
        if (m_kept || m_loading) {
            return false;
        }
        m_loading = true;
        return true;
    }

    /// After startLoading(): loads a recogniser and keeps it. Blocking.
    void load(const QString& folder)
    {
        std::unique_ptr<LoadedDecoder> decoder = LoadedDecoder::load(folder, currentWeights());
        quint64 generation = 0;
        {
            std::lock_guard lock(m_mutex);
            m_loading = false;
            if (!m_kept) {
                m_kept = std::move(decoder);
            }
            generation = ++m_generation;
        }
        m_loaded.notify_all();
        releaseLater(generation);
    }

private:
    void releaseLater(quint64 generation)
    {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) {
            return;
        }
        QMetaObject::invokeMethod(
            app,
            [this, generation] {
                QTimer::singleShot(kKeepMs, QCoreApplication::instance(), [this, generation] {
                    // Freeing 90 MB is not for the GUI thread.
                    QThreadPool::globalInstance()->start([this, generation] { releaseIfUnused(generation); });
                });
            },
            Qt::QueuedConnection);
    }

    void releaseIfUnused(quint64 generation)
    {
        std::unique_ptr<LoadedDecoder> unused;
        std::lock_guard lock(m_mutex);
        if (m_generation == generation) {
            unused = std::move(m_kept);
        }
    }

    static constexpr int kKeepMs = 60'000;
    std::mutex m_mutex;
    std::condition_variable m_loaded;
    std::unique_ptr<LoadedDecoder> m_kept;
    bool m_loading = false;
    // Counts every use, so a release meant for an earlier one does nothing.
    quint64 m_generation = 0;
};

/// One request to the on-device recogniser: decodes on the GUI thread (GStreamer does the work on its
/// own threads), recognises on the thread pool, answers once.
class Recognition final : public QObject {
public:
    Recognition(const QString& path, QString folder, SpeechTranscriber::Completion done)
        : m_folder(std::move(folder)),
          m_done(std::move(done))
    {
        m_limit.setSingleShot(true);
        connect(&m_limit, &QTimer::timeout, this, [this] { finish(std::nullopt); });
        m_limit.start(kBaseLimitMs);

        QAudioFormat format;
        format.setSampleRate(kSampleRate);
        format.setChannelCount(1);
        // Floating point, so a decoded peak above full scale (AAC overshoots near it) is scaled rather
        // than clipped on the way to 16 bits.
        format.setSampleFormat(QAudioFormat::Float);
        m_decoder.setAudioFormat(format);
        m_decoder.setSource(QUrl::fromLocalFile(path));
        connect(&m_decoder, &QAudioDecoder::bufferReady, this, [this] { takeBuffer(); });
        connect(&m_decoder, &QAudioDecoder::finished, this, [this] { recognise(); });
        connect(&m_decoder, qOverload<QAudioDecoder::Error>(&QAudioDecoder::error), this,
                [this](QAudioDecoder::Error) { finish(std::nullopt); });
        m_decoder.start();
    }

private:
    void takeBuffer()
    {
        const QAudioBuffer buffer = m_decoder.read();
        const QAudioFormat format = buffer.format();
        if (format.sampleFormat() != QAudioFormat::Float || format.sampleRate() != kSampleRate
            || format.channelCount() != 1) {
            // The decoder ignored the requested format; guessing at another would give noise as text.
            m_decoder.stop();
            finish(std::nullopt);
            return;
        }
        const auto* data = buffer.constData<float>();
        m_samples.insert(m_samples.end(), data, data + buffer.sampleCount());
    }

    void recognise()
    {
        if (m_finished || m_recognising) {
            return;
        }
        m_recognising = true;
        const qint64 audioMs = qint64(m_samples.size()) * 1000 / kSampleRate;
        m_limit.start(int(std::min<qint64>(kBaseLimitMs + 2 * audioMs, 3'600'000)));
        QPointer<Recognition> self(this);
        auto samples = std::make_shared<std::vector<std::int16_t>>(SpeechTranscriber::toPcm16(m_samples));
        m_samples.clear();
        QThreadPool::globalInstance()->start([self, samples, folder = m_folder] {
            std::optional<QString> text = SpeechTranscriber::recognise(*samples, folder);
            // Queued to the GUI thread, where `self` lives; a request that timed out meanwhile is gone.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, text = std::move(text)] {
                    if (self) {
                        self->finish(text);
                    }
                },
                Qt::QueuedConnection);
        });
    }

    void finish(const std::optional<QString>& text)
    {
        if (m_finished) {
            return;
        }
        m_finished = true;
        m_limit.stop();
        SpeechTranscriber::Completion done = std::move(m_done);
        m_done = nullptr;
        deleteLater();
        if (done) {
            done(text);
        }
    }

    QString m_folder;
    SpeechTranscriber::Completion m_done;
    QAudioDecoder m_decoder;
    QTimer m_limit;
    std::vector<float> m_samples;
    bool m_recognising = false;
    bool m_finished = false;
};

} // namespace

void SpeechTranscriber::setBackend(Backend replacement)
{
    backend() = std::move(replacement);
}

void SpeechTranscriber::setSearchWeights(const SearchWeights& weights)
{
    std::lock_guard lock(g_weightsMutex);
    g_weights = weights;
}

SpeechTranscriber::SearchWeights SpeechTranscriber::searchWeights()
{
    return currentWeights();
}

std::optional<QString> SpeechTranscriber::modelFolder(const QLocale& current, const QLocale& system)
{
    const QString folder = QStringLiteral(VESPERLOG_SPEECH_MODEL_DIR "/en-us");
    // The C locale of a session without LANG speaks English too.
    auto serves = [&](const QLocale& l) { return l.language() == QLocale::English || l.language() == QLocale::C; };
    if (!serves(current) && !serves(system)) {
        return std::nullopt;
    }
    if (!QFileInfo(folder + QStringLiteral("/en-us")).isDir()
        || !QFileInfo::exists(folder + QStringLiteral("/en-us.lm.bin"))) {
        return std::nullopt;
    }
    return folder;
}

std::vector<std::int16_t> SpeechTranscriber::toPcm16(const std::vector<float>& samples)
{
    float peak = 0;
    for (float v : samples) {
        peak = std::max(peak, std::abs(v));
    }
    const float scale = (peak > 1.0f ? 1.0f / peak : 1.0f) * 32767.0f;
    std::vector<std::int16_t> pcm(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        pcm[i] = std::int16_t(std::lround(std::clamp(samples[i] * scale, -32767.0f, 32767.0f)));
    }
    return pcm;
}

std::pair<size_t, size_t> SpeechTranscriber::speechSpan(const std::vector<std::int16_t>& samples)
{
    constexpr size_t kFrame = kSampleRate / 100;
    constexpr size_t kMargin = kSampleRate * 3 / 10;
    const size_t frames = samples.size() / kFrame;
    if (frames < 10) {
        return {0, samples.size()};
    }
    std::vector<double> energy(frames);
    for (size_t f = 0; f < frames; ++f) {
        double sum = 0;
        for (size_t i = f * kFrame; i < (f + 1) * kFrame; ++i) {
            sum += double(samples[i]) * samples[i];
        }
        energy[f] = 10.0 * std::log10(sum / kFrame + 1.0);
    }
    std::vector<double> sorted = energy;
    std::sort(sorted.begin(), sorted.end());
    const double floor = sorted[frames / 10];
    const double loud = sorted[frames - 1 - frames / 100];
    // Less than 10 dB between the quiet and the loud: no speech to tell apart from the rest.
    if (loud - floor < 10.0) {
        return {0, samples.size()};
    }
    const double threshold = floor + std::max(10.0, (loud - floor) * 0.25);
    size_t first = 0;
    while (first < frames && energy[first] < threshold) {
        ++first;
    }
    size_t last = frames - 1;
    while (last > first && energy[last] < threshold) {
        --last;
    }
    const size_t begin = first * kFrame > kMargin ? first * kFrame - kMargin : 0;
    const size_t end = std::min(samples.size(), (last + 1) * kFrame + kMargin);
    return {begin, end};
}

std::optional<QString> SpeechTranscriber::recognise(const std::vector<std::int16_t>& samples, const QString& folder)
{
    std::unique_ptr<LoadedDecoder> decoder = DecoderStore::shared().take(folder, currentWeights());
    if (!decoder) {
        return std::nullopt;
    }
    decoder->forgetLoudness();
    const SpeechLibrary* library = decoder->library;
    ps_decoder_t* ps = decoder->ps;
    std::optional<QString> result;
    // Silence before and after the words only dilutes the loudness estimate the recording is heard
    // with; and the whole recording in one call lets the recogniser take that estimate from all of it
    // first (a quarter fewer words wrong on the LibriVox clips than in 4,096-sample pieces).
    const auto [begin, end] = speechSpan(samples);
    bool ok = library->startUtt(ps) >= 0;
    if (ok && end > begin) {
        ok = library->processRaw(ps, samples.data() + begin, end - begin, FALSE, TRUE) >= 0;
    }
    if (library->endUtt(ps) >= 0 && ok) {
        int score = 0;
        const char* hypothesis = library->getHyp(ps, &score);
        // No hypothesis is what silence gives: a finished recognition that heard nothing.
        result = hypothesis ? QString::fromUtf8(hypothesis).simplified() : QString();
        DecoderStore::shared().give(std::move(decoder));
    }
    return result;
}

void SpeechTranscriber::prepare()
{
    const std::optional<QString> folder = backend() ? std::nullopt : modelFolder(QLocale());
    if (!folder || !DecoderStore::shared().startLoading()) {
        return;
    }
    QThreadPool::globalInstance()->start([folder = *folder] { DecoderStore::shared().load(folder); });
}

void SpeechTranscriber::transcribe(const QString& audioPath, QObject* context, Completion done)
{
    QPointer<QObject> guard(context);
    auto deliver = [guard, done = std::move(done)](std::optional<QString> text) {
        if (guard) {
            done(std::move(text));
        }
    };
    QTimer::singleShot(0, context, [audioPath, deliver = std::move(deliver)]() mutable {
        if (backend()) {
            backend()(audioPath, std::move(deliver));
            return;
        }
        const std::optional<QString> folder = modelFolder(QLocale());
        if (!folder) {
            // GCC 12 at -O2 takes the empty optional's QString for uninitialised once `done` is inlined
            // here (a false positive: an empty optional's value is never read).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
            deliver(std::nullopt);
#pragma GCC diagnostic pop
            return;
        }
        new Recognition(audioPath, *folder, std::move(deliver));
    });
}
