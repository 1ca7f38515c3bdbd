#pragma once

#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Spring.h"
#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/MainWindow.h"

#include <QUuid>

namespace vsp::bench {

/// The main window the detail's picture tools grab: the journal installed beforehand, as after the
/// introduction, in `appearance` ("dark" or "light"), animations off, `entry` selected in Journal and
/// the window shown at 1440 × 900.
class DetailShot {
public:
    DetailShot(const QString& appearance, const QUuid& entry)
        : m_styled(style(m_settings, appearance)),
          window(store, moods, {})
    {
        window.resize(1440, 900);
        store.setSelectedSection(NavSection::Journal);
        store.setSelectedEntryID(entry);
        window.show();
    }

    EntryDetailView& detail() { return *window.contentView()->detail(); }

private:
    static bool style(AppSettings& settings, const QString& appearance)
    {
        settings.setHasCompletedOnboarding(true);
        settings.setAppearanceMode(appearance);
        AppearanceManager::instance().refresh();
        AppearanceManager::instance().apply();
        vsp::setAnimationsEnabled(false);
        return true;
    }

    AppSettings m_settings;
    bool m_styled; // the appearance is set before any window exists

public:
    JournalStore store;
    MoodStore moods;
    MainWindow window;
};

} // namespace vsp::bench
