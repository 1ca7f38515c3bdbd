#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

/// Turns a recorded voice note into text, on this machine.
///
/// Stand-in: this build has no recogniser yet, so every request is answered with nothing. The
/// interface is the final one; on-device recognition replaces the default backend.
class SpeechTranscriber final {
public:
    using Completion = std::function<void(std::optional<QString>)>;
    /// Answers one request by calling the completion once, on the main thread.
    using Backend = std::function<void(const QString& audioPath, Completion)>;

    SpeechTranscriber() = delete;

    /// Recognises the audio file at `audioPath`. `done` is called exactly once on the main thread, never
    /// before this call returns, with the text or with nothing on any failure; it is not called when
    /// `context` is destroyed first.
    static void transcribe(const QString& audioPath, QObject* context, Completion done);

    /// Replaces the recogniser (tests, and the real one once it exists); empty restores the default.
    static void setBackend(Backend backend);
};
