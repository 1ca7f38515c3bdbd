// Grabs PNGs of the sidebar, its compose launcher, the trash sheet, the month calendar and the tray
// mark, for looking at: a generated journal of 120 entries with a few trashed, a word goal and a user
// name, in the appearance asked for.
//
//   sidebar_screenshots OUT_DIR [--appearance=dark|light]
//
// Writes OUT_DIR/{window,sidebar,launcher-opening,launcher,trash,calendar,tray}-<appearance>.png, and
// calendar-month-changing, calendar-today-changing, calendar-today and calendar-day-changing: a month
// change, the way back to today and another day picked, mid-way and at rest; trash-restoring and
// trash-restored: a trash record restored, mid-way and at rest; tag-removing: a tag removed from every
// entry, mid-way.

#include "common/BenchSupport.h"
#include "common/JournalGenerator.h"

#include "App/VesperlogApp.h"
#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/MainWindow.h"
#include "Views/Sidebar/CalendarView.h"
#include "Views/Sidebar/SidebarView.h"
#include "Views/Sidebar/TrashView.h"
#include "Widgets/VesperlogMark.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

bool save(const QPixmap& pixmap, const QString& path)
{
    const bool ok = pixmap.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "failed", qPrintable(path));
    return ok;
}

/// The tray mark at 16 pixels (scale 2) on a dark and a light panel, enlarged four times.
QPixmap trayPicture()
{
    const QImage mark = vsp::renderTrayMark(16, 2.0, QColor(0xF2, 0xF2, 0xF2));
    const QImage markOnLight = vsp::renderTrayMark(16, 2.0, QColor(0x1F, 0x1F, 0x1F));
    QPixmap out(4 * 4 * 32, 4 * 32);
    out.fill(Qt::transparent);
    QPainter p(&out);
    const QColor panels[] = {QColor(0x20, 0x20, 0x20), QColor(0xEE, 0xEE, 0xEE), QColor(0x20, 0x20, 0x20),
                             QColor(0xEE, 0xEE, 0xEE)};
    for (int i = 0; i < 4; ++i) {
        const QRect cell(i * 128, 0, 128, 128);
        p.fillRect(cell, panels[i]);
        // The first two use the dark-panel guess, the last two the light-panel one.
        QImage img = (i < 2 ? mark : markOnLight);
        img.setDevicePixelRatio(1);
        p.drawImage(cell.adjusted(32, 32, -32, -32), img);
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    QList<JournalEntry> journal = vsp::bench::generateJournal(120, 7);
    // A few entries today, so the streak, the Today badge and the word goal show.
    for (int i = 0; i < 3; ++i) {
        journal[i].date = vsp::now() - 600.0 * (i + 1);
        journal[i].isArchived = false;
    }
    vsp::bench::installJournal(journal);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesperlog"));
    QApplication::setOrganizationName(QStringLiteral("Vesperlog"));
    const QStringList args = QApplication::arguments();
    const vsp::bench::ToolArguments tool(args, "sidebar_screenshots OUT_DIR [--appearance=dark|light]");
    if (!tool.ok()) {
        return 2;
    }
    const QString appearance = tool.option(QStringLiteral("appearance"), QStringLiteral("dark"));
    const QDir out(tool.out());
    AppSettings& settings = AppSettings::instance();
    settings.setHasCompletedOnboarding(true);
    settings.setAppearanceMode(appearance);
    settings.setDailyWordGoal(1500);
    settings.setUserName(QStringLiteral("Ada <b>Lovelace</b>"));
    settings.setJournalName(QStringLiteral("Evening Pages"));
    settings.setDraftTitle(QStringLiteral("Half a thought"));

    VesperlogApp::Options options = VesperlogApp::Options::withoutDesktop();
    VesperlogApp vesperlog(options);
    JournalStore& store = vesperlog.store();
    const EntryList listed = store.entries();
    for (int i = 10; i < 14; ++i) {
        store.deleteEntry(listed[i]);
    }
    const QStringList tags = [&] {
        QStringList names;
        for (const TagCount& t : store.allTags()) {
            names.append(t.name);
        }
        return names;
    }();
    if (!tags.isEmpty()) {
        store.setTagColor(QStringLiteral("#60A5FA"), tags.first());
        store.setSelectedTag(tags.value(2));
    }
    MainWindow* window = vesperlog.mainWindow();
    window->resize(1200, 820);
    vesperlog.showMainWindow();
    SidebarView* sidebar = window->contentView()->sidebar();
    const QString suffix = u'-' + appearance + QStringLiteral(".png");

    QTimer::singleShot(1200, &app, [&] {
        save(window->grab(), out.filePath(u"window" + suffix));
        save(sidebar->grab(), out.filePath(u"sidebar" + suffix));
        sidebar->setLauncherOpen(true);
        // Half-way in: the panel grows from its top-trailing corner, its rows slide in from the right.
        QTimer::singleShot(110, &app, [&] { save(sidebar->grab(), out.filePath(u"launcher-opening" + suffix)); });
        QTimer::singleShot(800, &app, [&] {
            save(sidebar->grab(), out.filePath(u"launcher" + suffix));
            sidebar->setLauncherOpen(false);
            TrashView* trash = sidebar->openTrash();
            QTimer::singleShot(800, &app, [&, trash] {
                save(trash->grab(), out.filePath(u"trash" + suffix));
                // A record restored: it shrinks and fades where it was as the rows below close up.
                trash->restore(1);
                QTimer::singleShot(110, &app,
                                   [&, trash] { save(trash->grab(), out.filePath(u"trash-restoring" + suffix)); });
            });
            QTimer::singleShot(2000, &app, [&, trash] {
                save(trash->grab(), out.filePath(u"trash-restored" + suffix));
                trash->close();
                store.setCalendarMonth(vsp::now());
                store.setSelectedDate(vsp::startOfDayOf(vsp::now()));
                store.setShowCalendar(true);
                QTimer::singleShot(1200, &app, [&] {
                    save(window->grab(), out.filePath(u"calendar" + suffix));
                    save(trayPicture(), out.filePath(u"tray" + suffix));
                    auto* calendar = window->findChild<CalendarView*>();
                    if (!calendar) {
                        QCoreApplication::exit(1);
                        return;
                    }
                    // Next month: the old grid fades and shrinks as the new one grows in.
                    calendar->changeMonth(1);
                    QTimer::singleShot(70, &app, [&, calendar] {
                        save(calendar->grab(), out.filePath(u"calendar-month-changing" + suffix));
                        // Back to today from there: the month and the day's rows change together.
                        QTimer::singleShot(800, &app, [&, calendar] {
                            calendar->jumpToToday();
                            QTimer::singleShot(70, &app, [&, calendar] {
                                save(calendar->grab(), out.filePath(u"calendar-today-changing" + suffix));
                                QTimer::singleShot(800, &app, [&, calendar] {
                                    save(calendar->grab(), out.filePath(u"calendar-today" + suffix));
                                    // Another day picked: its fill moves over, the day's rows fade.
                                    store.setSelectedDate(vsp::startOfDay(QDate::currentDate().addDays(-1)));
                                    QTimer::singleShot(90, &app, [&, calendar] {
                                        save(calendar->grab(), out.filePath(u"calendar-day-changing" + suffix));
                                        // A tag removed from every entry: its row fades, the rest close up.
                                        std::unique_ptr<QMenu> menu(sidebar->makeTagMenu(tags.value(1), sidebar));
                                        menu->actions().last()->trigger();
                                        QTimer::singleShot(90, &app, [&] {
                                            save(sidebar->grab(), out.filePath(u"tag-removing" + suffix));
                                            QCoreApplication::exit(0);
                                        });
                                    });
                                });
                            });
                        });
                    });
                });
            });
        });
    });
    return QApplication::exec();
}
