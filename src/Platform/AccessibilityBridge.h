#pragma once

class QAccessibleEvent;

namespace vsp::accessibility {

/// Hands an accessibility event to the platform's bridge (AT-SPI on Linux), as Qt does itself when no
/// update handler is installed: the last step of an update handler that keeps the event. Main thread
/// only.
void sendToPlatform(QAccessibleEvent* event);

} // namespace vsp::accessibility
