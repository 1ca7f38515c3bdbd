#pragma once

#include <functional>

class QObject;

namespace vsp {

/// Pins Qt Multimedia to its GStreamer backend and makes GStreamer's AAC encoder the libav one, each
/// only where the environment does not already choose. Call before the application object exists:
/// both are read once, when the multimedia backend first loads.
void prepareMediaEnvironment();

/// Readies the multimedia backend before its first use, so the first press of "Voice" or play does not
/// wait for it: GStreamer and the plugins that recording, playback and decoding use are loaded on a
/// worker thread (a few hundred milliseconds), then Qt Multimedia's device list and backend are made on
/// the GUI thread, in a turn of a few milliseconds. Call from the GUI thread once a window is on screen: a
/// "Voice" button and a voice note's row have it start soon after they show (warmUpMediaSoon), and the
/// recorder calls it too, and waits for it, before it looks for the microphone; calls after the first do
/// nothing more. `ready`, when given, is called on the GUI thread once all is loaded (at once when it
/// already is), unless `context` is destroyed first. A backend that fails to load leaves the first use
/// to load it, as without this call.
void warmUpMedia(QObject* context = nullptr, std::function<void()> ready = {});

/// Starts warmUpMedia two seconds from now (see setMediaWarmUpDelay), unless it has started by then: for
/// views that show a "Voice" button or a voice note, so the plugins load before a press but not while
/// the window opens. The loading holds the program loader for a few hundred milliseconds, and anything the
/// window loads meanwhile waits for it. GUI thread; calls while one is pending do nothing more.
void warmUpMediaSoon();
/// How long warmUpMediaSoon waits, in milliseconds (2,000 unless changed; tests choose 0).
void setMediaWarmUpDelay(int milliseconds);

} // namespace vsp
