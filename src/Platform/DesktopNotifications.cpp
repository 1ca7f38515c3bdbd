#include "Platform/DesktopNotifications.h"

#include "Model/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

QString noBus(const QDBusConnection& bus)
{
    const QString why = bus.lastError().message();
    return why.isEmpty() ? QStringLiteral("no D-Bus session bus")
                         : QStringLiteral("no D-Bus session bus (%1)").arg(why);
}

} // namespace

DesktopNotifications::DesktopNotifications(QObject* parent)
    : DesktopNotifications(QDBusConnection::sessionBus(), parent)
{ }

DesktopNotifications::DesktopNotifications(const QDBusConnection& bus, QObject* parent) : QObject(parent), m_bus(bus)
{
    if (m_bus.isConnected()) {
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                      SLOT(onActionInvoked(uint, QString)));
    }
}

DesktopNotifications::~DesktopNotifications() = default;

void DesktopNotifications::show(const NotificationRequest& request, bool withSound)
{
    if (!m_bus.isConnected()) {
        vsp::logFailure(QStringLiteral("notification"), noBus(m_bus));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QVariantMap hints;
    if (withSound) {
        hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
    } else {
        hints.insert(QStringLiteral("suppress-sound"), true);
    }
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("vesperlog"));
    call << QStringLiteral("Vesperlog") << m_ids.value(request.identifier, 0u) << QString() << request.title
         << request.body << QStringList{QStringLiteral("default"), QStringLiteral("Open Vesperlog")} << hints
         << qint32(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    const QString identifier = request.identifier;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, identifier](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            vsp::logFailure(QStringLiteral("notification"), reply.error().message());
            return;
        }
        m_ids.insert(identifier, reply.value());
        Q_EMIT shown(identifier);
    });
}

void DesktopNotifications::checkAvailability(std::function<void(bool, const QString&)> done)
{
    if (!m_bus.isConnected()) {
        done(false, noBus(m_bus));
        return;
    }
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [done = std::move(done)](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QStringList> reply = *w;
        if (reply.isError()) {
            done(false, QStringLiteral("no notification service on the session bus (%1)").arg(reply.error().message()));
            return;
        }
        done(true, QString());
    });
}

void DesktopNotifications::onActionInvoked(uint id, const QString& action)
{
    if (action != QLatin1String("default")) {
        return;
    }
    for (auto it = m_ids.cbegin(); it != m_ids.cend(); ++it) {
        if (it.value() == id) {
            Q_EMIT activated(it.key());
            return;
        }
    }
}
