#include "App/AppFlags.h"

#include "Model/UserDefaults.h"

namespace AppFlags {

QString appearanceMode()
{
    return UserDefaults::instance().string(kAppearanceMode, QStringLiteral("dark"));
}

bool autoBackup()
{
    return UserDefaults::instance().boolean(kAutoBackup, false);
}

bool hasCompletedOnboarding()
{
    return UserDefaults::instance().boolean(kHasCompletedOnboarding, false);
}

bool appLockEnabled()
{
    return UserDefaults::instance().boolean(kAppLockEnabled, false);
}

bool lockOnBackground()
{
    return UserDefaults::instance().boolean(kLockOnBackground, false);
}

bool autoUpdates()
{
    return UserDefaults::instance().boolean(kAutoUpdates, true);
}

} // namespace AppFlags
