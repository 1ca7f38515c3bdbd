#include "Platform/ReduceMotion.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kReducedMotion = QStringLiteral("reduced-motion");
/// How long after start-up gsettings is asked, when no portal answers (milliseconds).
constexpr int kGsettingsDelayMs = 2000;
const QString kGnomeInterface = QStringLiteral("org.gnome.desktop.interface");
const QString kEnableAnimations = QStringLiteral("enable-animations");

/// The portal wraps values in one or two variants.
QVariant unwrap(QVariant v)
{
    for (int depth = 0; depth < 4; ++depth) {
        if (v.userType() == qMetaTypeId<QDBusVariant>()) {
            v = v.value<QDBusVariant>().variant();
        } else if (v.userType() == qMetaTypeId<QDBusArgument>()) {
            QDBusVariant inner;
            v.value<QDBusArgument>() >> inner;
            v = inner.variant();
        } else {
            break;
        }
    }
    return v;
}

std::optional<bool> fromEnableAnimations(const QVariant& value)
{
    const QVariant v = unwrap(value);
    if (v.userType() != QMetaType::Bool) {
        return std::nullopt;
    }
    return !v.toBool();
}

} // namespace

ReduceMotion& ReduceMotion::instance()
{
    static ReduceMotion* preference = new ReduceMotion;
    return *preference;
}

std::optional<bool> ReduceMotion::fromEnvironment()
{
    const QByteArray value = qgetenv("VESPERLOG_REDUCE_MOTION").trimmed().toLower();
    if (value == "1" || value == "true") {
        return true;
    }
    if (value == "0" || value == "false") {
        return false;
    }
    return std::nullopt;
}

std::optional<bool> ReduceMotion::fromReducedMotionValue(const QVariant& value)
{
    bool ok = false;
    const uint n = unwrap(value).toUInt(&ok);
    if (!ok || n > 1) {
        return std::nullopt;
    }
    return n == 1;
}

std::optional<bool> ReduceMotion::fromGsettingsOutput(const QByteArray& output)
{
    const QByteArray text = output.trimmed();
    if (text == "true") {
        return false;
    }
    if (text == "false") {
        return true;
    }
    return std::nullopt;
}

bool ReduceMotion::isOn() const
{
    return fromEnvironment().value_or(m_desktop);
}

void ReduceMotion::setDesktopValue(bool on)
{
    if (m_desktop == on) {
        return;
    }
    const bool before = isOn();
    m_desktop = on;
    if (isOn() != before) {
        Q_EMIT changed(isOn());
    }
}

void ReduceMotion::start()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        readFromGsettings();
        return;
    }
    // The slot takes the whole message: QtDBus refuses a slot with a QDBusVariant parameter while that
    // type is not yet registered by name, and the changes then never arrived.
    bus.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                SLOT(onSettingChanged(QDBusMessage)));
    readFromPortal(kAppearance, kReducedMotion, [this](bool found) {
        if (!found) {
            readFromPortal(kGnomeInterface, kEnableAnimations, [this](bool found) {
                if (!found) {
                    readFromGsettings();
                }
            });
        }
    });
}

void ReduceMotion::readFromPortal(const QString& group, const QString& key, std::function<void(bool found)> next)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    call << group << key;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, key, next = std::move(next)](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *w;
                std::optional<bool> value;
                if (!reply.isError()) {
                    const QVariant v = QVariant::fromValue(reply.value());
                    value = key == kReducedMotion ? fromReducedMotionValue(v) : fromEnableAnimations(v);
                }
                if (value) {
                    setDesktopValue(*value);
                }
                next(value.has_value());
            });
}

void ReduceMotion::readFromGsettings()
{
    // Asked a moment after start-up: a child process started at once would compete with the journal's
    // load and the window's first paint. Until it answers, motion plays as the desktop's default has it.
    QTimer::singleShot(kGsettingsDelayMs, this, [this] { startGsettings(); });
}

void ReduceMotion::startGsettings()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (program.isEmpty()) {
        return;
    }
    auto* process = new QProcess(this);
    connect(process, &QProcess::finished, this, [this, process](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        if (status == QProcess::NormalExit && code == 0) {
            if (const auto value = fromGsettingsOutput(process->readAllStandardOutput())) {
                setDesktopValue(*value);
            }
        }
    });
    connect(process, &QProcess::errorOccurred, process, &QObject::deleteLater);
    // A gsettings that hangs (a dead dconf service) is given up on rather than left running.
    QTimer::singleShot(3000, process, [process] { process->kill(); });
    process->start(program, {QStringLiteral("get"), kGnomeInterface, kEnableAnimations});
}

void ReduceMotion::onSettingChanged(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() != 3) {
        return;
    }
    const QString group = arguments.at(0).toString();
    const QString key = arguments.at(1).toString();
    const QDBusVariant value = qvariant_cast<QDBusVariant>(arguments.at(2));
    std::optional<bool> on;
    if (group == kAppearance && key == kReducedMotion) {
        on = fromReducedMotionValue(value.variant());
    } else if (group == kGnomeInterface && key == kEnableAnimations) {
        on = fromEnableAnimations(value.variant());
    }
    if (on) {
        setDesktopValue(*on);
    }
}
