// Grabs PNGs of the main window for looking at the interface: runs the app on the journal found in
// $XDG_DATA_HOME, applies the states asked for on the command line, waits for animations and writes
// the window's picture.
//
//   shell_screenshots OUT.png [--appearance=light|dark] [--accent=NAME] [--select=first|none|<UUID>]
//                     [--search=TEXT] [--section=Journal] [--tag=TAG] [--focus] [--locked] [--calendar]
//                     [--hide-sidebar] [--pin-first=N] [--size=WxH] [--compact] [--no-previews]
//                     [--then=ACTION [--grab-after=MS]]
//
// --then applies one more change once the window has settled and grabs MS milliseconds later (default
// 1500: at rest; a small number shows the motion midway). ACTION is one of add, delete-second,
// pin-third, sort, focus, unfocus, hide-sidebar, show-sidebar, calendar, list, search.

#include "App/VesperlogApp.h"
#include "Model/AppNotifications.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/MainWindow.h"
#include "Widgets/ColumnVisibilityHolder.h"
#include "common/BenchSupport.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesperlog"));
    QApplication::setOrganizationName(QStringLiteral("Vesperlog"));
    const QStringList args = QApplication::arguments();
    const vsp::bench::ToolArguments tool(args, "shell_screenshots OUT.png [options]");
    if (!tool.ok()) {
        return 2;
    }
    auto option = [&](const QString& name) { return tool.option(name); };
    AppSettings& settings = AppSettings::instance();
    settings.setHasCompletedOnboarding(true);
    settings.setAppearanceMode(option(QStringLiteral("appearance")).value_or(QStringLiteral("dark")));
    settings.setAccentColorPreset(option(QStringLiteral("accent")).value_or(QStringLiteral("yellow")));
    settings.setCompactListView(option(QStringLiteral("compact")).has_value());
    settings.setShowEntryPreviews(!option(QStringLiteral("no-previews")).has_value());

    VesperlogApp::Options options = VesperlogApp::Options::withoutDesktop();
    VesperlogApp vesperlog(options);
    JournalStore& store = vesperlog.store();
    MainWindow* window = vesperlog.mainWindow();
    if (const auto size = option(QStringLiteral("size"))) {
        const QStringList wh = size->split(u'x');
        window->resize(wh.value(0).toInt(), wh.value(1).toInt());
    }
    if (const auto n = option(QStringLiteral("pin-first"))) {
        const QList<JournalEntry> list = store.filteredEntries();
        for (int i = 0; i < std::min<int>(n->toInt(), int(list.size())); ++i) {
            if (!store.pinnedIDs().contains(list[i].id)) {
                store.togglePin(list[i]);
            }
        }
    }
    if (const auto section = option(QStringLiteral("section"))) {
        store.setSelectedSection(navSectionFromRawValue(*section).value_or(NavSection::Today));
    }
    if (const auto tag = option(QStringLiteral("tag"))) {
        store.setSelectedTag(*tag);
    }
    if (const auto select = option(QStringLiteral("select"))) {
        if (*select == QLatin1String("none")) {
            store.setSelectedEntryID(std::nullopt);
        } else if (*select == QLatin1String("first")) {
            const QList<JournalEntry> list = store.filteredEntries();
            store.setSelectedEntryID(list.isEmpty() ? std::nullopt : std::optional<QUuid>(list.first().id));
        } else {
            store.setSelectedEntryID(QUuid::fromString(*select));
        }
    }
    vesperlog.showMainWindow();
    if (const auto search = option(QStringLiteral("search"))) {
        Q_EMIT AppNotifications::instance().VspToggleSearch();
        store.setSearchQuery(*search);
    }
    if (option(QStringLiteral("hide-sidebar"))) {
        window->contentView()
            ->findChild<ColumnVisibilityHolder*>(QStringLiteral("columnVisibility"))
            ->setVisibility(ColumnVisibilityHolder::Visibility::DoubleColumn);
    }
    if (option(QStringLiteral("focus"))) {
        store.setFocusMode(true);
    }
    if (option(QStringLiteral("calendar"))) {
        store.setShowCalendar(true);
    }
    if (option(QStringLiteral("locked"))) {
        store.setIsLocked(true);
    }
    const QString out = tool.out();
    const auto grab = [window, out] {
        const bool ok = window->grab().save(out);
        std::printf("%s %s\n", ok ? "wrote" : "failed", qPrintable(out));
        QCoreApplication::exit(ok ? 0 : 1);
    };
    const auto then = option(QStringLiteral("then"));
    if (!then) {
        QTimer::singleShot(1500, &app, grab);
        return QApplication::exec();
    }
    const int after = option(QStringLiteral("grab-after")).value_or(QStringLiteral("1500")).toInt();
    QTimer::singleShot(1500, &app, [&, action = *then, after, grab] {
        const QList<JournalEntry> listed = store.filteredEntries();
        auto& columns = *window->contentView()->findChild<ColumnVisibilityHolder*>(QStringLiteral("columnVisibility"));
        if (action == QLatin1String("add")) {
            JournalEntry e = JournalEntry::create();
            e.title = QStringLiteral("Evening walk by the river");
            e.body = QStringLiteral("The light went gold over the water and the swifts came back.");
            e.tags = {QStringLiteral("walks")};
            store.addEntry(e);
        } else if (action == QLatin1String("delete-second") && listed.size() > 1) {
            store.deleteEntry(listed[1]);
        } else if (action == QLatin1String("pin-third") && listed.size() > 2) {
            store.togglePin(listed[2]);
        } else if (action == QLatin1String("sort")) {
            store.toggleSortOrder();
        } else if (action == QLatin1String("focus") || action == QLatin1String("unfocus")) {
            store.setFocusMode(action == QLatin1String("focus"));
        } else if (action == QLatin1String("hide-sidebar")) {
            columns.setVisibility(ColumnVisibilityHolder::Visibility::DoubleColumn);
        } else if (action == QLatin1String("show-sidebar")) {
            columns.setVisibility(ColumnVisibilityHolder::Visibility::All);
        } else if (action == QLatin1String("calendar") || action == QLatin1String("list")) {
            store.setShowCalendar(action == QLatin1String("calendar"));
        } else if (action == QLatin1String("search")) {
            Q_EMIT AppNotifications::instance().VspToggleSearch();
        }
        QTimer::singleShot(after, &app, grab);
    });
    return QApplication::exec();
}
