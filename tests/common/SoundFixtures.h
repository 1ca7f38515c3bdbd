#pragma once

#include <QAudioDevice>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class QProcess;

namespace vsp::test {

/// Whether a sound server with a microphone is reachable (scripts/run-tests.sh starts a private one).
/// Call with an application object alive.
bool hasSoundServer();

/// Writes `text` spoken by espeak-ng (US English) as a WAV file to `path`; false when espeak-ng fails.
bool writeSpeech(const QString& text, const QString& path);

/// Writes `seconds` of a 440 Hz tone (or of silence when `silent`) as a 16 kHz mono WAV file with sox.
bool writeTone(const QString& path, double seconds, bool silent = false);

/// Plays a WAV file into the test sound server's speaker, which its microphone hears. Returns the
/// running player, owned by the caller (deleting it stops the sound), or nullptr when paplay cannot
/// start.
QProcess* playIntoSpeaker(const QString& wavPath);

/// A second microphone on the test sound server, slow to deliver its first sound: once armed and opened
/// it hears nothing (its pipe is open but empty) for a while, then what the test speaker plays, in real
/// time.
/// Loaded into the server by the constructor and unloaded by the destructor.
class SlowMicrophone final {
public:
    SlowMicrophone();
    ~SlowMicrophone();
    SlowMicrophone(const SlowMicrophone&) = delete;
    SlowMicrophone& operator=(const SlowMicrophone&) = delete;

    /// The microphone as Qt lists it; null when it could not be made (no test sound server).
    QAudioDevice device() const { return m_device; }
    /// Lets the microphone deliver from `delayMs` after a recorder next opens it (counted by the feeding
    /// child process); a microphone armed earlier is silenced first. False when the feeder cannot start.
    bool arm(int delayMs);
    /// Stops delivering.
    void disarm();

private:
    QTemporaryDir m_folder;
    QString m_module;
    QAudioDevice m_device;
    std::unique_ptr<QProcess> m_feeder;
};

} // namespace vsp::test
