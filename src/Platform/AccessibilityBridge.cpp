#include "Platform/AccessibilityBridge.h"

#include <QAccessible>

#if VESPERLOG_HAVE_QPA
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#endif

namespace vsp::accessibility {

void sendToPlatform(QAccessibleEvent* event)
{
#if VESPERLOG_HAVE_QPA
    QPlatformIntegration* integration = QGuiApplicationPrivate::platformIntegration();
    if (QPlatformAccessibility* bridge = integration ? integration->accessibility() : nullptr) {
        bridge->notifyAccessibilityUpdate(event);
    }
#else
    // Without Qt's private headers: Qt hands the event to the platform while no handler is installed.
    // (A table's model change is then applied to its interface a second time.)
    const QAccessible::UpdateHandler handler = QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(handler);
#endif
}

} // namespace vsp::accessibility
