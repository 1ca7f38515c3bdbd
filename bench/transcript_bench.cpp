// Word error rate (substitutions, deletions and insertions over the reference's words) of voice-note
// transcripts on real speech: the five LibriVox clips of Debian's pocketsphinx-testdata (16 kHz mono,
// 25 s in all, one reader), each
// - "direct": its samples handed to the recogniser as they are, and
// - "app": encoded by the recorder's own encoder into a voice note's .m4a (AAC-LC, 44,100 Hz, mono), then
//   transcribed from that file as a saved note is (decoded and resampled to 16 kHz by the transcriber).
// Prints a table per clip and the overall figures, and writes transcript_wer_* (in %) to results.json.
// Then tunes the recogniser's language weight and word insertion penalty on three clips (the "tuning"
// split) and reports the two held out with the shipped and the tuned weights (transcript_wer_held_out_*):
// the shipped defaults are kept unless tuning does better on the held-out clips too.
// Needs the package pocketsphinx-testdata; without it the program says so and measures nothing.

#include "common/BenchResults.h"
#include "common/BenchSupport.h"

#include "Media/AacEncoding.h"
#include "Media/MediaEnvironment.h"
#include "Media/SpeechTranscriber.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using vsp::bench::Result;

struct Clip {
    QString id;
    QStringList reference;
    std::vector<std::int16_t> samples;
};

QStringList wordsOf(const QString& text)
{
    return text.toLower().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

/// The samples of a 16-bit PCM WAV file (the data chunk, wherever it is); empty when it is not one.
std::vector<std::int16_t> readWav(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") {
        return {};
    }
    for (qsizetype at = 12; at + 8 <= bytes.size();) {
        const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
        if (bytes.mid(at, 4) == "data") {
            const qsizetype n = std::min<qsizetype>(size, bytes.size() - at - 8) / 2;
            std::vector<std::int16_t> samples(static_cast<size_t>(n));
            std::memcpy(samples.data(), bytes.constData() + at + 8, size_t(n) * 2);
            return samples;
        }
        at += 8 + qsizetype(size) + (size & 1);
    }
    return {};
}

/// The clips with their references: "<s> words </s> (id)" per line of `transcription`.
QList<Clip> readClips(const QString& folder)
{
    QList<Clip> clips;
    QFile file(folder + QStringLiteral("/transcription"));
    if (!file.open(QIODevice::ReadOnly)) {
        return clips;
    }
    static const QRegularExpression line(QStringLiteral("^<s>(.*)</s>\\s*\\((\\S+)\\)"));
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QRegularExpressionMatch m = line.match(QString::fromUtf8(raw).trimmed());
        if (!m.hasMatch()) {
            continue;
        }
        Clip clip{m.captured(2), wordsOf(m.captured(1)), readWav(folder + u'/' + m.captured(2) + u".wav")};
        if (!clip.samples.empty()) {
            clips.append(clip);
        }
    }
    return clips;
}

/// Word-level edit distance between `reference` and `hypothesis`.
int wordErrors(const QStringList& reference, const QStringList& hypothesis)
{
    std::vector<int> row(size_t(hypothesis.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j) {
        row[j] = int(j);
    }
    for (qsizetype i = 1; i <= reference.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= hypothesis.size(); ++j) {
            const int above = row[size_t(j)];
            row[size_t(j)] = std::min(
                {above + 1, row[size_t(j) - 1] + 1, diagonal + (reference[i - 1] == hypothesis[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

/// The transcript of a saved note's file, as the app makes it; nothing on failure.
std::optional<QString> transcribeFile(const QString& path)
{
    std::optional<QString> text;
    bool done = false;
    QObject receiver;
    SpeechTranscriber::transcribe(path, &receiver, [&](std::optional<QString> t) {
        text = std::move(t);
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.start(5);
    while (!done && clock.elapsed() < 120'000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return text;
}

/// The clip as a voice note: its samples through the recorder's encoder into an .m4a in `folder`.
std::optional<QString> encodeAsNote(const Clip& clip, const QString& folder)
{
    const QString raw = folder + u'/' + clip.id + u".pcm";
    const QString note = folder + u'/' + clip.id + u".m4a";
    QFile file(raw);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(reinterpret_cast<const char*>(clip.samples.data()), qint64(clip.samples.size()) * 2)
               != qint64(clip.samples.size()) * 2) {
        return std::nullopt;
    }
    file.close();
    if (const std::optional<QString> error = vsp::encodePcmToAac(raw, {QStringLiteral("S16LE"), 16000, 1}, note)) {
        std::printf("encoding %s failed: %s\n", qPrintable(clip.id), qPrintable(*error));
        return std::nullopt;
    }
    return note;
}

struct Tally {
    int errors = 0;
    int words = 0;
    double percent() const { return words > 0 ? 100.0 * errors / words : -1; }
};

/// The direct word errors over `clips` with `weights`.
Tally directErrors(const QList<Clip>& clips, const QString& model, const SpeechTranscriber::SearchWeights& weights)
{
    SpeechTranscriber::setSearchWeights(weights);
    Tally tally;
    for (const Clip& clip : clips) {
        const std::optional<QString> heard = SpeechTranscriber::recognise(clip.samples, model);
        tally.errors += wordErrors(clip.reference, wordsOf(heard.value_or(QString())));
        tally.words += int(clip.reference.size());
    }
    return tally;
}

} // namespace

int main(int argc, char** argv)
{
    const int size = vsp::bench::takeJournalSize(argc, argv, 1000);
    if (size > 1000) {
        std::printf("transcripts do not depend on the journal; measured with the smallest one only\n");
        return 0;
    }
    vsp::prepareMediaEnvironment();
    QCoreApplication app(argc, argv);
    const QList<Clip> clips = readClips(QStringLiteral(VESPERLOG_SPEECH_CLIPS_DIR));
    const std::optional<QString> model = SpeechTranscriber::modelFolder(QLocale(QLocale::English));
    if (clips.isEmpty() || !model) {
        std::printf("bench_transcript: no clips in %s or no English model (install pocketsphinx-testdata and "
                    "pocketsphinx-en-us)\n",
                    VESPERLOG_SPEECH_CLIPS_DIR);
        return 0;
    }
    QTemporaryDir folder;
    Tally direct;
    Tally viaNote;
    QList<Result> results;
    std::printf("%-42s %5s %9s %9s\n", "clip (words)", "words", "direct %", "app %");
    for (const Clip& clip : clips) {
        const std::optional<QString> heard = SpeechTranscriber::recognise(clip.samples, *model);
        const int directErrors = wordErrors(clip.reference, wordsOf(heard.value_or(QString())));
        const std::optional<QString> note = encodeAsNote(clip, folder.path());
        const std::optional<QString> noteHeard = note ? transcribeFile(*note) : std::nullopt;
        const int noteErrors = wordErrors(clip.reference, wordsOf(noteHeard.value_or(QString())));
        const auto words = int(clip.reference.size());
        direct.errors += directErrors;
        direct.words += words;
        viaNote.errors += noteErrors;
        viaNote.words += words;
        std::printf("%-42s %5d %9.1f %9.1f\n", qPrintable(clip.id), words, 100.0 * directErrors / words,
                    100.0 * noteErrors / words);
        std::printf("    reference: %s\n    direct:    %s\n    app:       %s\n", qPrintable(clip.reference.join(u' ')),
                    qPrintable(heard.value_or(QStringLiteral("(nothing)"))),
                    qPrintable(noteHeard.value_or(QStringLiteral("(nothing)"))));
        const QString suffix = clip.id.section(u'-', -1);
        results.append(
            {QStringLiteral("transcript_wer_direct_") + suffix, 0, 100.0 * directErrors / words, QStringLiteral("%")});
        results.append(
            {QStringLiteral("transcript_wer_app_") + suffix, 0, 100.0 * noteErrors / words, QStringLiteral("%")});
    }
    std::printf("%-42s %5d %9.1f %9.1f\n", "overall", direct.words, direct.percent(), viaNote.percent());
    results.append({QStringLiteral("transcript_wer_direct"), 0, direct.percent(), QStringLiteral("%")});
    results.append({QStringLiteral("transcript_wer_app"), 0, viaNote.percent(), QStringLiteral("%")});

    // The clips of one reader are few: the first, third and fourth tune, the second and fifth judge.
    QList<Clip> tuning;
    QList<Clip> heldOut;
    for (qsizetype i = 0; i < clips.size(); ++i) {
        (i == 1 || i == 4 ? heldOut : tuning).append(clips[i]);
    }
    const SpeechTranscriber::SearchWeights shipped = SpeechTranscriber::searchWeights();
    SpeechTranscriber::SearchWeights best = shipped;
    Tally bestTally = directErrors(tuning, *model, shipped);
    // The language weight around pocketsphinx's default, then the insertion penalty at the default weight:
    // each setting loads the model anew, so the grid is kept small.
    const QList<SpeechTranscriber::SearchWeights> grid = {{5.0, 0.65}, {6.0, 0.65}, {7.0, 0.65},
                                                          {8.0, 0.65}, {6.5, 0.2},  {6.5, 2.0}};
    for (const SpeechTranscriber::SearchWeights& weights : grid) {
        const Tally tally = directErrors(tuning, *model, weights);
        // Ties keep the shipped weights: they were there first.
        if (tally.errors < bestTally.errors) {
            best = weights;
            bestTally = tally;
        }
    }
    const Tally heldShipped = directErrors(heldOut, *model, shipped);
    const Tally heldTuned = directErrors(heldOut, *model, best);
    SpeechTranscriber::setSearchWeights(shipped);
    std::printf("tuning on %lld clips (%d words): best language weight %.1f, word insertion penalty %.2f, %.1f %% "
                "(shipped %.1f, %.2f)\n",
                qlonglong(tuning.size()), bestTally.words, best.languageWeight, best.wordInsertionPenalty,
                bestTally.percent(), shipped.languageWeight, shipped.wordInsertionPenalty);
    std::printf("held out, %lld clips (%d words): %.1f %% with the shipped weights, %.1f %% with the tuned ones\n",
                qlonglong(heldOut.size()), heldShipped.words, heldShipped.percent(), heldTuned.percent());
    results.append({QStringLiteral("transcript_wer_held_out_shipped"), 0, heldShipped.percent(), QStringLiteral("%")});
    results.append({QStringLiteral("transcript_wer_held_out_tuned"), 0, heldTuned.percent(), QStringLiteral("%")});
    vsp::bench::recordResults(results);
    return 0;
}
