#pragma once

#include <QLocale>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

/// Turns a recorded voice note into text, on this machine, with pocketsphinx and its US English model.
///
/// What it can do: US English speech, spoken clearly and close to the microphone, comes back as
/// lower-case words without punctuation; many words come back wrong (the general English language
/// model is small). Other languages give no transcript at all, never a wrong-language guess.
class SpeechTranscriber final {
public:
    using Completion = std::function<void(std::optional<QString>)>;
    /// Answers one request by calling the completion once, on the main thread.
    using Backend = std::function<void(const QString& audioPath, Completion)>;

    SpeechTranscriber() = delete;

    /// Recognises the audio file at `audioPath` (any format GStreamer decodes). `done` is called exactly
    /// once on the main thread, never before this call returns: with the text ("" for silence), or with
    /// nothing when the file cannot be decoded, no model serves the language, or recognition has not
    /// finished within a minute plus twice the recording's length. It is not called when `context` is
    /// destroyed first. The GUI thread only decodes; recognition runs on a worker thread.
    static void transcribe(const QString& audioPath, QObject* context, Completion done);

    /// Replaces the recogniser (tests); empty restores the on-device one.
    static void setBackend(Backend backend);

    /// How the recogniser weighs the language model against the sounds, and what each word it adds
    /// costs. The defaults are those that gave the fewest words wrong on the tuning part of the LibriVox
    /// clips (bench_transcript tunes them on three clips and reports the two held out).
    struct SearchWeights {
        double languageWeight = 6.5;
        double wordInsertionPenalty = 0.65;
        bool operator==(const SearchWeights&) const = default;
    };
    /// Sets the weights for recognisers loaded from now on (the benchmark's tuning); thread-safe.
    static void setSearchWeights(const SearchWeights& weights);
    static SearchWeights searchWeights();

    /// The folder of the acoustic model, dictionary and language model for the `current` locale or,
    /// when that has none, for the `system` one; nothing when neither is English or the model is not
    /// installed.
    static std::optional<QString> modelFolder(const QLocale& current, const QLocale& system = QLocale::system());

    /// Loads the recogniser for the current locale on a worker thread (about half a second), so that a
    /// transcription soon after does not wait for it; called when a recording starts. It is kept a
    /// minute after its last use. Nothing when no model serves the locale or a recogniser is loaded.
    static void prepare();

    /// Recognises 16 kHz mono signed 16-bit samples with the model in `folder`, from a little before the
    /// first to a little after the last loud part (see speechSpan). Blocking (half a second to load the
    /// model unless one is kept from an earlier call or prepare(), then roughly a quarter of the audio's
    /// length on one core); calls on several threads at once are independent, and each recording is
    /// heard as if it were the first. Nothing when the model cannot be loaded.
    static std::optional<QString> recognise(const std::vector<std::int16_t>& samples, const QString& folder);

    /// The part of 16 kHz samples worth recognising, as [begin, end) indices: from 0.3 s before the
    /// first 10 ms frame clearly louder than the quietest tenth to 0.3 s after the last. All of them
    /// when nothing stands out by 10 dB (silence, or sound that is loud throughout).
    static std::pair<size_t, size_t> speechSpan(const std::vector<std::int16_t>& samples);

    /// Samples in −1...1 (or beyond, from a decoder's overshoot) as 16-bit ones, scaled down as a whole
    /// when they would otherwise clip.
    static std::vector<std::int16_t> toPcm16(const std::vector<float>& samples);
};
