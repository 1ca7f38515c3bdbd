#include "Model/AppNotifications.h"

#include <QMetaMethod>

AppNotifications& AppNotifications::instance()
{
    static AppNotifications* notifications = new AppNotifications;
    return *notifications;
}

bool AppNotifications::post(const QString& name)
{
    if (!name.startsWith(QLatin1String("Vsp"))) {
        return false;
    }
    const QByteArray signature = name.toLatin1() + "()";
    const int index = metaObject()->indexOfSignal(signature.constData());
    if (index < 0) {
        return false;
    }
    return metaObject()->method(index).invoke(this, Qt::DirectConnection);
}
