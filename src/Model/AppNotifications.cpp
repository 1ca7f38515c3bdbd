#include "Model/AppNotifications.h"

AppNotifications& AppNotifications::instance()
{
    static AppNotifications* notifications = new AppNotifications;
    return *notifications;
}
