// Grabs one PNG per settings tab for looking at the window: builds the settings window over the journal
// and settings found in $XDG_DATA_HOME and $XDG_CONFIG_HOME (point them at a scratch folder), in the
// appearance asked for, and writes OUT-<n>-<tab>.png.
//
//   settings_screenshots OUT [--appearance=light|dark] [--accent=NAME] [--reminder] [--locked]

#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Settings/SettingsView.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Spring.h"
#include "Update/Updater.h"
#include "common/BenchSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesperlog"));
    QApplication::setOrganizationName(QStringLiteral("Vesperlog"));
    const QStringList args = QApplication::arguments();
    const vsp::bench::ToolArguments tool(args, "settings_screenshots OUT [options]");
    if (!tool.ok()) {
        return 2;
    }
    auto option = [&](const QString& name) { return tool.option(name); };
    vsp::setAnimationsEnabled(false);
    AppSettings settings;
    settings.setAppearanceMode(option(QStringLiteral("appearance")).value_or(QStringLiteral("dark")));
    settings.setAccentColorPreset(option(QStringLiteral("accent")).value_or(QStringLiteral("yellow")));
    settings.setDailyReminderEnabled(option(QStringLiteral("reminder")).has_value());
    AppearanceManager::instance().apply();

    JournalStore store;
    MoodStore moods;
    Updater updater;
    store.setIsLocked(option(QStringLiteral("locked")).has_value());
    SettingsView window(store, settings, moods, updater,
                        QApplication::applicationVersion().isEmpty() ? QStringLiteral("0.1.0")
                                                                     : QApplication::applicationVersion(),
                        QStringLiteral("1"));
    window.show();
    const QString out = tool.out();
    int failures = 0;
    for (int i = 0; i < window.tabCount(); ++i) {
        window.setCurrentTab(i);
        QApplication::processEvents();
        const QString path =
            QStringLiteral("%1-%2-%3.png")
                .arg(out)
                .arg(i + 1)
                .arg(window.findChild<QAbstractButton*>(QStringLiteral("tabButton%1").arg(i))->text().toLower());
        if (!window.grab().save(path)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            ++failures;
        }
        // A long tab once more, scrolled to its end.
        if (auto* scroll = window.findChild<QWidget*>(QStringLiteral("tab%1").arg(i))->findChild<QScrollArea*>();
            scroll && scroll->verticalScrollBar()->maximum() > 0) {
            scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
            QApplication::processEvents();
            const QString end = QString(path).replace(QStringLiteral(".png"), QStringLiteral("-end.png"));
            failures += window.grab().save(end) ? 0 : 1;
        }
    }
    return failures == 0 ? 0 : 1;
}
