#pragma once

#include <QDBusMessage>
#include <QDBusVariant>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

/// The desktop's "reduce motion" preference, for the self-running illustrations that stand still when
/// it is on. Read from the desktop portal (org.freedesktop.portal.Settings: "org.freedesktop.appearance"
/// "reduced-motion", else GNOME's "enable-animations" through the portal), else from `gsettings`, and
/// followed as the portal reports changes. VESPERLOG_REDUCE_MOTION overrides all of it ("1" on, "0" off).
/// Without a portal or gsettings it is off. Main thread only.
class ReduceMotion final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReduceMotion)

public:
    static ReduceMotion& instance();

    /// The preference now: the environment's override when set, else the desktop's as last read.
    bool isOn() const;
    /// Asks the desktop once (without waiting) and subscribes to the portal's changes.
    void start();

    /// The override of VESPERLOG_REDUCE_MOTION: "1" or "true" on, "0" or "false" off, else none.
    static std::optional<bool> fromEnvironment();
    /// The portal's "reduced-motion" value (1 reduce, 0 no preference); nothing for anything else.
    static std::optional<bool> fromReducedMotionValue(const QVariant& value);
    /// gsettings' printed "enable-animations" ("true" or "false"); nothing for anything else.
    static std::optional<bool> fromGsettingsOutput(const QByteArray& output);

Q_SIGNALS:
    void changed(bool on);

private Q_SLOTS:
    void onSettingChanged(const QDBusMessage& message);

private:
    ReduceMotion() = default;
    void setDesktopValue(bool on);
    void readFromPortal(const QString& group, const QString& key, std::function<void(bool found)> next);
    void readFromGsettings();
    void startGsettings();

    bool m_desktop = false;
};
