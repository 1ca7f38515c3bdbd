#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusVariant>
#include <QObject>

#include <memory>

/// A stand-in for the desktop portal's settings (org.freedesktop.portal.Settings) that knows one
/// setting, "org.freedesktop.appearance" / "color-scheme"; reading any other answers with an error, as
/// the portal does for a setting it does not have.
class FakeSettingsPortal final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    /// 0 no preference, 1 dark, 2 light.
    uint colorScheme = 0;

    explicit FakeSettingsPortal(uint scheme) : colorScheme(scheme) { }
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

    /// Changes the scheme and announces it, as the portal does when the desktop's scheme changes.
    void changeColorScheme(uint scheme)
    {
        colorScheme = scheme;
        Q_EMIT SettingChanged(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"),
                              QDBusVariant(scheme));
    }

public Q_SLOTS:
    QDBusVariant Read(const QString& group, const QString& key)
    {
        if (group != QLatin1String("org.freedesktop.appearance") || key != QLatin1String("color-scheme")) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("no such setting"));
            return {};
        }
        // The portal's Read wraps the value in a second variant.
        return QDBusVariant(QVariant::fromValue(QDBusVariant(colorScheme)));
    }

Q_SIGNALS:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    std::unique_ptr<QDBusConnection> m_bus;
};
