#pragma once

#include <QString>

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

} // namespace vsp::test
