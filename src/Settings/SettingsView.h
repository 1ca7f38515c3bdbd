#pragma once

#include <QWidget>

class AppSettings;
class JournalStore;
class MoodStore;
class Updater;

/// The settings window's content: appearance, data, security and about tabs over the shared settings
/// keys ("appearanceMode", "accentColorPreset", "compactListView", "showEntryPreviews", "autoBackup",
/// "appLockEnabled", "lockOnBackground", "autoUpdates", "sortOrder"). The data tab's buttons only post
/// "VspExportJSON", "VspExportMarkdown" and "VspImportJSON"; the application runs them.
class SettingsView final : public QWidget {
    Q_OBJECT

public:
    SettingsView(JournalStore& store, AppSettings& settings, MoodStore& moodStore, Updater& updater,
                 QWidget* parent = nullptr);
};
