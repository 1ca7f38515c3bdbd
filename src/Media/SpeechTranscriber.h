#pragma once

#include <QLocale>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
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

    /// The folder of the acoustic model, dictionary and language model for the `current` locale or,
    /// when that has none, for the `system` one; nothing when neither is English or the model is not
    /// installed.
    static std::optional<QString> modelFolder(const QLocale& current, const QLocale& system = QLocale::system());

    /// Loads the recogniser for the current locale on a worker thread (about half a second), so that a
    /// transcription soon after does not wait for it; called when a recording starts. It is kept a
    /// minute after its last use. Nothing when no model serves the locale or a recogniser is loaded.
    static void prepare();

    /// Recognises 16 kHz mono signed 16-bit samples with the model in `folder`. Blocking (half a second
    /// to load the model unless one is kept from an earlier call or prepare(), then roughly a quarter
    /// of the audio's length on one core); calls on several threads at once are independent, and each
    /// recording is heard as if it were the first. Nothing when the model cannot be loaded.
    static std::optional<QString> recognise(const std::vector<std::int16_t>& samples, const QString& folder);
};
