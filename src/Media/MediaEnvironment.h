#pragma once

#include <functional>

class QObject;

namespace vsp {

/// Pins Qt Multimedia to its GStreamer backend and makes GStreamer's AAC encoder the libav one, each
/// only where the environment does not already choose. Call before the application object exists:
/// both are read once, when the multimedia backend first loads.
void prepareMediaEnvironment();

/// Readies the multimedia backend before its first use, so the first press of "Voice" or play does not
/// wait for it: GStreamer and the plugins that recording, playback and decoding use, all but FFmpeg's
/// codecs (see warmUpCodecs), are loaded on a worker thread (a few hundred milliseconds), then Qt
/// Multimedia's device list and backend are made on
/// the GUI thread, in a turn of a few milliseconds. Call from the GUI thread once a window is on screen (the
/// recorder calls it too, and waits for it, before it looks for the microphone); calls after the first do
/// nothing more. `ready`, when given, is called on the GUI thread once all is loaded (at once when it
/// already is), unless `context` is destroyed first. A backend that fails to load leaves the first use
/// to load it, as without this call.
void warmUpMedia(QObject* context = nullptr, std::function<void()> ready = {});

/// Loads GStreamer's FFmpeg codecs, the AAC encoder a voice note is saved with and the decoder it is played
/// with (about 150 ms and 35 MB of libraries), on a worker thread, so saving or playing finds them ready.
/// Call as a recording starts or a clip is about to play; calls after the first do nothing. A GStreamer
/// that cannot start leaves the encoding or playback to load them, or to fail, as without this call.
void warmUpCodecs();

} // namespace vsp
