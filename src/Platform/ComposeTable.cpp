#include "Platform/ComposeTable.h"

#include <QGuiApplication>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QTimer>

#include <memory>

#if VESPERLOG_HAVE_QPA
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatforminputcontext.h>
#include <qpa/qplatformintegration.h>
#endif

namespace {

bool acceptsInputMethod(QObject* object)
{
    if (!object) {
        return false;
    }
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(object, &query);
    return query.value(Qt::ImEnabled).toBool();
}

/// Hands the compose context a key press that composes nothing; false when it cannot take one yet.
bool compileTable()
{
#if VESPERLOG_HAVE_QPA
    QPlatformIntegration* integration = QGuiApplicationPrivate::platformIntegration();
    QPlatformInputContext* context = integration ? integration->inputContext() : nullptr;
    // Only Qt's own compose context: another input method would pass the key on to its daemon.
    if (!context || qstrcmp(context->metaObject()->className(), "QComposeInputContext") != 0) {
        return true;
    }
    // The context reads the table on the first press while a text field has the focus, and not before.
    if (!acceptsInputMethod(QGuiApplication::focusObject())) {
        return false;
    }
    // No key symbol: the compose state stays at its start, and the press goes nowhere else.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, 0, 0, 0);
    context->filterEvent(&press);
#endif
    return true;
}

} // namespace

void vsp::preloadComposeTable()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || compileTable()) {
        return;
    }
    auto waiting = std::make_shared<QMetaObject::Connection>();
    *waiting = QObject::connect(qApp, &QGuiApplication::focusObjectChanged, qApp, [waiting](QObject* object) {
        if (!acceptsInputMethod(object)) {
            return;
        }
        QObject::disconnect(*waiting);
        // After the focus change has been painted.
        QTimer::singleShot(0, qApp, [] { compileTable(); });
    });
}
