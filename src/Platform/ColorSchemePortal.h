#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QVariant>

/// The desktop's light or dark preference, read from the desktop portal
/// (org.freedesktop.portal.Settings, "org.freedesktop.appearance" / "color-scheme") and followed as it
/// changes. Without a session bus or a portal the preference stays "none" and nothing is reported.
class ColorSchemePortal final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ColorSchemePortal)

public:
    /// The portal's values: 0 no preference, 1 prefer dark, 2 prefer light.
    enum class Scheme { NoPreference = 0, Dark = 1, Light = 2 };
    Q_ENUM(Scheme)

    explicit ColorSchemePortal(QObject* parent = nullptr);

    /// Asks the portal once (without waiting) and subscribes to its changes.
    void start();
    Scheme scheme() const { return m_scheme; }

    /// The scheme of a portal value (nested variants unwrapped); no preference for anything else.
    static Scheme schemeFromValue(const QVariant& value);

Q_SIGNALS:
    void schemeChanged(ColorSchemePortal::Scheme scheme);

private Q_SLOTS:
    void onSettingChanged(const QDBusMessage& message);

private:
    void setScheme(Scheme scheme);

    Scheme m_scheme = Scheme::NoPreference;
};
