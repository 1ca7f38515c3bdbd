#pragma once

#include <functional>

class QObject;

namespace vsp {

/// Pins Qt Multimedia to its GStreamer backend and makes GStreamer's AAC encoder the libav one, each
/// only where the environment does not already choose. Call before the application object exists:
/// both are read once, when the multimedia backend first loads.
void prepareMediaEnvironment();

/// What a warm-up readies. `Recording`: what a press of "Voice" needs before the microphone is looked
/// for (GStreamer with the plugins a capture uses, Qt Multimedia's device list and backend). `Playback`:
/// that and what encoding a recording, playing a note and decoding it use, FFmpeg's plugin above all,
/// which with its codec libraries holds about 40 MB: loaded only once a note could be saved or played.
enum class MediaUse { Recording, Playback };

/// Readies the multimedia backend for `use` before its first use, so the first press of "Voice" or play
/// does not wait for it: the plugins are loaded on a worker thread (a few hundred milliseconds), then Qt
/// Multimedia's device list and backend are made on the GUI thread, in a turn of a few milliseconds.
/// Call from the GUI thread once a window is on screen: a "Voice" button and a voice note's row have it
/// start soon after they show (warmUpMediaSoon), and the recorder calls it too, and waits for it, before
/// it looks for the microphone; calls after the first for a use do nothing more. `ready`, when given, is
/// called on the GUI thread once all `use` needs is loaded (at once when it already is), unless `context`
/// is destroyed first. A backend that fails to load leaves the first use to load it, as without this call.
void warmUpMedia(QObject* context = nullptr, std::function<void()> ready = {}, MediaUse use = MediaUse::Playback);

/// Starts warmUpMedia for `use` two seconds from now (see setMediaWarmUpDelay), unless it has started by
/// then: for views that show a "Voice" button (`Recording`) or a voice note (`Playback`), so the plugins
/// load before a press but not while the window opens. The loading holds the program loader for a few
/// hundred milliseconds, and anything the window loads meanwhile waits for it. GUI thread; calls while
/// one for that use is pending do nothing more.
void warmUpMediaSoon(MediaUse use);
/// How long warmUpMediaSoon waits, in milliseconds (2,000 unless changed; tests choose 0).
void setMediaWarmUpDelay(int milliseconds);

} // namespace vsp
