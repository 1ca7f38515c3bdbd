#include "Model/UserDefaults.h"

#include "Model/Log.h"

#include <cmath>

UserDefaults& UserDefaults::instance()
{
    static UserDefaults* defaults = new UserDefaults;
    return *defaults;
}

UserDefaults::UserDefaults()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Vesperlog"),
                                             QStringLiteral("Vesperlog")))
{
}

bool UserDefaults::contains(const QString& key) const
{
    return m_settings->contains(key);
}

QVariant UserDefaults::value(const QString& key) const
{
    return m_settings->value(key);
}

void UserDefaults::setValue(const QString& key, const QVariant& value)
{
    m_settings->setValue(key, value);
    writeThrough();
    Q_EMIT valueChanged(key);
}

void UserDefaults::remove(const QString& key)
{
    if (!m_settings->contains(key)) {
        return;
    }
    m_settings->remove(key);
    writeThrough();
    Q_EMIT valueChanged(key);
}

void UserDefaults::writeThrough()
{
    // QSettings otherwise writes from the event loop, which no longer runs once the application is
    // quitting, and this object is never destroyed: a draft kept on quit would never reach the disk.
    m_settings->sync();
    if (m_settings->status() == QSettings::AccessError) {
        vsp::logFailure(QStringLiteral("settings save"),
                        QStringLiteral("%1 could not be written").arg(m_settings->fileName()));
    }
}

QString UserDefaults::string(const QString& key, const QString& fallback) const
{
    const QVariant v = m_settings->value(key);
    if (!v.isValid() || v.typeId() != QMetaType::QString) {
        return fallback;
    }
    return v.toString();
}

bool UserDefaults::boolean(const QString& key, bool fallback) const
{
    const QVariant v = m_settings->value(key);
    if (!v.isValid()) {
        return fallback;
    }
    if (v.typeId() == QMetaType::Bool) {
        return v.toBool();
    }
    // The INI file keeps booleans as text.
    if (v.typeId() == QMetaType::QString) {
        const QString text = v.toString();
        if (text == QLatin1String("true")) {
            return true;
        }
        if (text == QLatin1String("false")) {
            return false;
        }
    }
    return fallback;
}

double UserDefaults::number(const QString& key, double fallback) const
{
    const QVariant v = m_settings->value(key);
    if (!v.isValid()) {
        return fallback;
    }
    bool ok = false;
    double result = 0;
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        result = v.toDouble(&ok);
        break;
    case QMetaType::QString:
        result = v.toString().toDouble(&ok);
        break;
    default:
        break;
    }
    return ok && std::isfinite(result) ? result : fallback;
}

qint64 UserDefaults::integer(const QString& key, qint64 fallback) const
{
    const QVariant v = m_settings->value(key);
    if (!v.isValid()) {
        return fallback;
    }
    bool ok = false;
    qint64 result = 0;
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        result = v.toLongLong(&ok);
        break;
    case QMetaType::QString:
        result = v.toString().toLongLong(&ok);
        break;
    default:
        break;
    }
    return ok ? result : fallback;
}

std::optional<QByteArray> UserDefaults::data(const QString& key) const
{
    const QVariant v = m_settings->value(key);
    if (!v.isValid() || v.typeId() != QMetaType::QByteArray) {
        return std::nullopt;
    }
    return v.toByteArray();
}

void UserDefaults::sync()
{
    m_settings->sync();
}

void UserDefaults::clearAll()
{
    m_settings->clear();
    m_settings->sync();
}

QString UserDefaults::fileName() const
{
    return m_settings->fileName();
}
