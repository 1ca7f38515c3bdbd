#pragma once

#include <functional>

namespace vsp::platform {

/// Calls `keep` once, on the GUI thread, when the connection to the X display is found broken (the
/// server went away: a logout, a crashed X server), before the platform ends the process.
///
/// Qt's X11 platform ends the process with exit() when it finds its connection broken. exit() destroys
/// every thread-local object and the static objects made after an atexit handler was registered before
/// it calls that handler, so work done there runs on destroyed objects. Qt prints a warning first,
/// though: the message handler installed here asks the connection whether it broke whenever a warning
/// arrives on the GUI thread, and runs `keep` while everything is still alive. Messages are handed on
/// to the handler that was installed before. A later call replaces `keep`; an empty one stops the
/// watch. Off X11 (offscreen, Wayland) nothing is ever called.
void watchDisplayLoss(std::function<void()> keep);

} // namespace vsp::platform
