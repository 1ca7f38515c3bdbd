#pragma once

namespace vsp {

/// Pins Qt Multimedia to its GStreamer backend and makes GStreamer's AAC encoder the libav one, each
/// only where the environment does not already choose. Call before the application object exists:
/// both are read once, when the multimedia backend first loads.
void prepareMediaEnvironment();

} // namespace vsp
