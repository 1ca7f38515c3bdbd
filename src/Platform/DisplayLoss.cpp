#include "Platform/DisplayLoss.h"

#include "Model/Log.h"
#include "Platform/SharedLibrary.h"

#include <QGuiApplication>
#include <QThread>
#include <QtGui/qguiapplication_platform.h>

#include <utility>

namespace vsp::platform {

namespace {

using HasError = int (*)(xcb_connection_t*);

QtMessageHandler g_previous = nullptr;
std::function<void()> g_keep;
HasError g_hasError = nullptr;
bool g_installed = false;
bool g_inside = false;

/// Whether the X display's connection has broken; false off X11.
bool displayConnectionBroken()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    return connection && g_hasError && g_hasError(connection) != 0;
}

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (g_previous) {
        g_previous(type, context, message);
    }
    // What `keep` prints comes back here: it is only handed on.
    if (type == QtDebugMsg || type == QtInfoMsg || g_inside || !g_keep || !qGuiApp
        || QThread::currentThread() != qGuiApp->thread() || !displayConnectionBroken()) {
        return;
    }
    g_inside = true;
    std::exchange(g_keep, nullptr)();
    g_inside = false;
}

} // namespace

void watchDisplayLoss(std::function<void()> keep)
{
    g_keep = std::move(keep);
    if (g_installed || !g_keep) {
        return;
    }
    g_installed = true;
    // The platform has loaded libxcb already when it is X11: opening it again only finds it.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        QString error;
        const std::optional<SharedLibrary> xcb = SharedLibrary::open("libxcb.so.1", &error);
        if (!xcb || !xcb->find("xcb_connection_has_error", g_hasError, &error)) {
            logFailure(QStringLiteral("watching the display connection"), error);
        }
    }
    g_previous = qInstallMessageHandler(handleMessage);
}

} // namespace vsp::platform
