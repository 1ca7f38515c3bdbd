#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusVariant>
#include <QHash>
#include <QObject>

#include <memory>

/// A stand-in for the desktop portal's settings (org.freedesktop.portal.Settings) that knows the
/// settings of the "org.freedesktop.appearance" group it is given; reading any other answers with an
/// error, as the portal does for a setting it does not have.
class FakeSettingsPortal final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    /// "org.freedesktop.appearance" settings by key ("color-scheme": 0 no preference, 1 dark, 2 light;
    /// "reduced-motion": 0 no preference, 1 reduce).
    QHash<QString, uint> appearance;

    explicit FakeSettingsPortal(uint colorScheme) { appearance.insert(QStringLiteral("color-scheme"), colorScheme); }
    ~FakeSettingsPortal() override
    {
        if (m_bus) {
            m_bus->unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
            m_bus->unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
            m_bus.reset();
            QDBusConnection::disconnectFromBus(QStringLiteral("vsp-portal"));
        }
    }

    /// Takes the portal's name on the session bus, on a connection of its own as the desktop's portal
    /// process has; false without a session bus or when the name is taken.
    bool publish()
    {
        m_bus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("vsp-portal")));
        return m_bus->isConnected()
               && m_bus->registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), this,
                                        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals)
               && m_bus->registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }

    /// Changes a setting and announces it, as the portal does when the desktop's setting changes.
    void change(const QString& key, uint value)
    {
        appearance.insert(key, value);
        Q_EMIT SettingChanged(QStringLiteral("org.freedesktop.appearance"), key, QDBusVariant(value));
    }
    void changeColorScheme(uint scheme) { change(QStringLiteral("color-scheme"), scheme); }

public Q_SLOTS:
    QDBusVariant Read(const QString& group, const QString& key)
    {
        if (group != QLatin1String("org.freedesktop.appearance") || !appearance.contains(key)) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("no such setting"));
            return {};
        }
        // The portal's Read wraps the value in a second variant.
        return QDBusVariant(QVariant::fromValue(QDBusVariant(appearance.value(key))));
    }

Q_SIGNALS:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    std::unique_ptr<QDBusConnection> m_bus;
};
