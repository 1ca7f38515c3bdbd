#pragma once

#include "Model/NotificationCenter.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>

/// Shows the notification centre's requests through the desktop's notification service
/// (org.freedesktop.Notifications on the D-Bus session bus): the request's title as the summary, its
/// body, the default sound unless the centre asks for none. A request shown again replaces its previous notification.
///
/// Without a session bus or a notification service nothing is shown and one line is printed per
/// attempt; nothing blocks or crashes. Main thread only.
class DesktopNotifications final : public QObject, public NotificationDelivery {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopNotifications)

public:
    /// Uses the session bus.
    explicit DesktopNotifications(QObject* parent = nullptr);
    /// Uses the given connection (tests use a private bus).
    explicit DesktopNotifications(const QDBusConnection& bus, QObject* parent = nullptr);
    ~DesktopNotifications() override;

    void show(const NotificationRequest& request, bool withSound) override;
    /// Available when the service answers GetCapabilities; the answer comes asynchronously.
    void checkAvailability(std::function<void(bool available, const QString& reason)> done) override;

Q_SIGNALS:
    /// The service accepted the notification of this request.
    void shown(const QString& identifier);
    /// The user clicked the notification of this request (bring the application forward).
    void activated(const QString& identifier);

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& action);

private:
    QDBusConnection m_bus;
    /// The service's id of the last notification shown for each request identifier.
    QHash<QString, uint> m_ids;
};
