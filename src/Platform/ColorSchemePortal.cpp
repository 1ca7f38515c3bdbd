#include "Platform/ColorSchemePortal.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

} // namespace

ColorSchemePortal::ColorSchemePortal(QObject* parent) : QObject(parent)
{ }

ColorSchemePortal::Scheme ColorSchemePortal::schemeFromValue(const QVariant& value)
{
    QVariant v = value;
    // The portal wraps the value in one or two variants.
    for (int depth = 0; depth < 4; ++depth) {
        if (v.canConvert<QDBusVariant>() && v.userType() == qMetaTypeId<QDBusVariant>()) {
            v = v.value<QDBusVariant>().variant();
        } else if (v.userType() == qMetaTypeId<QDBusArgument>()) {
            const auto arg = v.value<QDBusArgument>();
            QDBusVariant inner;
            arg >> inner;
            v = inner.variant();
        } else {
            break;
        }
    }
    bool ok = false;
    const uint n = v.toUInt(&ok);
    if (!ok) {
        return Scheme::NoPreference;
    }
    switch (n) {
    case 1: return Scheme::Dark;
    case 2: return Scheme::Light;
    default: return Scheme::NoPreference;
    }
}

void ColorSchemePortal::start()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    // The slot takes the whole message: a slot with a QDBusVariant parameter is refused when that type
    // has not yet been registered by name in the process (nothing else on the way to here does), and
    // the subscription then silently never happened.
    bus.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                SLOT(onSettingChanged(QDBusMessage)));
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    call << kGroup << kKey;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        if (reply.isError()) {
            return;
        }
        setScheme(schemeFromValue(QVariant::fromValue(reply.value())));
    });
}

void ColorSchemePortal::onSettingChanged(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() == 3 && arguments.at(0).toString() == kGroup && arguments.at(1).toString() == kKey) {
        setScheme(schemeFromValue(arguments.at(2)));
    }
}

void ColorSchemePortal::setScheme(Scheme scheme)
{
    if (m_scheme == scheme) {
        return;
    }
    m_scheme = scheme;
    Q_EMIT schemeChanged(scheme);
}
