#pragma once

namespace vsp {

/// Has the keyboard's compose table (dead keys and Compose sequences) compiled before the first key
/// press instead of on it: Qt's compose input context on X11 reads and compiles the locale's table,
/// several milliseconds, on the first press that reaches a text field. Done at once when a text field
/// has the focus, else on the next turn of the event loop after one first gets it. Does nothing on other
/// platforms (offscreen has no compose context), under another input method (IBus) and where Qt's
/// private headers were not there to build with. GUI thread only; once per process is enough.
void preloadComposeTable();

} // namespace vsp
