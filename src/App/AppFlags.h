#pragma once

#include <QString>

/// The application's six stored flags, read live from the settings (UserDefaults) with their defaults.
/// Declaring them writes nothing; the settings window writes them. The application never does.
namespace AppFlags {

/// "appearanceMode": "light", "dark" (default) or anything else (follow the desktop).
QString appearanceMode();
/// "autoBackup" (default off): back the journal up when the application quits.
bool autoBackup();
/// "hasCompletedOnboarding" (default off).
bool hasCompletedOnboarding();
/// "appLockEnabled" (default off).
bool appLockEnabled();
/// "lockOnBackground" (default off): lock when another application becomes active (with app lock on).
bool lockOnBackground();
/// "autoUpdates" (default on): the quiet update check when the main window first shows.
bool autoUpdates();

inline const QString kAppearanceMode = QStringLiteral("appearanceMode");
inline const QString kAutoBackup = QStringLiteral("autoBackup");
inline const QString kHasCompletedOnboarding = QStringLiteral("hasCompletedOnboarding");
inline const QString kAppLockEnabled = QStringLiteral("appLockEnabled");
inline const QString kLockOnBackground = QStringLiteral("lockOnBackground");
inline const QString kAutoUpdates = QStringLiteral("autoUpdates");

} // namespace AppFlags
