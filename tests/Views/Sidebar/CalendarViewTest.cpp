#include "CalendarViewTest.h"

#include "common/StoreFixtures.h"
#include "common/TestSupport.h"
#include "common/ViewFixtures.h"

#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Theme/Glass.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/TransitionOverlay.h"
#include "Views/Sidebar/CalendarGrid.h"
#include "Views/Sidebar/CalendarView.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QProcess>
#include <QTest>

using viewfixtures::entry;
using viewfixtures::localMoment;

namespace {

struct Calendar {
    JournalStore store{fixtures::fixtureClock().function()};
    QStringList opened;
    std::unique_ptr<CalendarView> view;

    /// `clock` is the store's.
    explicit Calendar(const QDate& month, const QList<JournalEntry>& entries = {},
                      JournalStore::Clock clock = fixtures::fixtureClock().function())
        : store(std::move(clock))
    {
        store.setEntries(entries);
        store.setCalendarMonth(localMoment(month, 12));
        store.setSelectedDate(std::nullopt);
        store.setShowCalendar(true);
        view = std::make_unique<CalendarView>(store, [this](const QString& id) { opened.append(id); });
        view->resize(360, 800);
        view->show();
        (void)QTest::qWaitForWindowExposed(view.get());
    }
    CalendarGrid* grid() const { return vsp::test::child<CalendarGrid>(*view, QStringLiteral("calendarGrid")); }
    CalendarDayModel* dayModel() const { return vsp::test::child<CalendarDayModel>(*view, QStringLiteral("dayModel")); }
    void clickDay(const QDate& day)
    {
        const QRectF cell = grid()->cellRect(day);
        QVERIFY2(cell.isValid(), qPrintable(day.toString(Qt::ISODate)));
        QTest::mouseClick(grid(), Qt::LeftButton, {}, cell.center().toPoint());
    }
    /// Pixels in the accent colour in the lower third of a day's cell, where its dot lies.
    int dotPixels(const QDate& day) const
    {
        const QImage image = grid()->grab().toImage();
        const QRectF cell = grid()->cellRect(day);
        const QColor accent = vsp::Color::resolvedAccent().resolve();
        int n = 0;
        for (int y = int(cell.center().y()) + 2; y < int(cell.bottom()); ++y) {
            for (int x = int(cell.left()); x < int(cell.right()); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += std::abs(c.red() - accent.red()) + std::abs(c.green() - accent.green())
                                 + std::abs(c.blue() - accent.blue())
                             < 40
                         ? 1
                         : 0;
            }
        }
        return n;
    }
};

} // namespace

void CalendarViewTest::init()
{
    viewfixtures::resetState();
}

void CalendarViewTest::gridDays_blanksFollowFirstWeekday_data()
{
    QTest::addColumn<QDate>("month");
    QTest::addColumn<int>("firstWeekday");
    QTest::addColumn<int>("leading");
    QTest::addColumn<int>("cells");
    // Monday first, with the 1st on each day of the week.
    QTest::newRow("Mon 1st") << QDate(2026, 6, 1) << 1 << 0 << 35;
    QTest::newRow("Tue 1st") << QDate(2026, 9, 1) << 1 << 1 << 35;
    QTest::newRow("Wed 1st") << QDate(2026, 4, 1) << 1 << 2 << 35;
    QTest::newRow("Thu 1st") << QDate(2026, 1, 1) << 1 << 3 << 35;
    QTest::newRow("Fri 1st") << QDate(2026, 5, 1) << 1 << 4 << 35;
    QTest::newRow("Sat 1st, six rows") << QDate(2026, 8, 1) << 1 << 5 << 42;
    QTest::newRow("Sun 1st") << QDate(2026, 2, 1) << 1 << 6 << 35;
    QTest::newRow("28 days from the first weekday: four rows") << QDate(2021, 2, 1) << 1 << 0 << 28;
    QTest::newRow("Sunday first, Sun 1st") << QDate(2026, 2, 14) << 7 << 0 << 28;
    QTest::newRow("31 days from the last weekday: 6 + 31 + 5") << QDate(2026, 8, 31) << 7 << 6 << 42;
    QTest::newRow("leap February") << QDate(2024, 2, 29) << 1 << 3 << 35;
    QTest::newRow("February of 2100 has 28 days") << QDate(2100, 2, 10) << 1 << 0 << 28;
}

void CalendarViewTest::gridDays_blanksFollowFirstWeekday()
{
    QFETCH(QDate, month);
    QFETCH(int, firstWeekday);
    QFETCH(int, leading);
    QFETCH(int, cells);
    const auto grid = vsp::calendar::gridDays(month, Qt::DayOfWeek(firstWeekday));
    QCOMPARE(grid.size(), cells);
    for (int i = 0; i < leading; ++i) {
        QVERIFY(!grid[i]);
    }
    QCOMPARE(grid[leading], QDate(month.year(), month.month(), 1));
    QCOMPARE(grid[leading]->dayOfWeek(), (firstWeekday - 1 + leading) % 7 + 1);
    const int days = month.daysInMonth();
    for (int d = 0; d < days; ++d) {
        QCOMPARE(grid[leading + d], QDate(month.year(), month.month(), d + 1));
    }
    for (int i = leading + days; i < cells; ++i) {
        QVERIFY(!grid[i]);
    }
    QVERIFY(vsp::calendar::gridDays(QDate(), Qt::Monday).isEmpty());
}

void CalendarViewTest::weekdaySymbols_startAtFirstWeekday()
{
    const QLocale locale(QLocale::English, QLocale::UnitedKingdom);
    const QStringList monday = vsp::calendar::weekdaySymbols(locale, Qt::Monday);
    QCOMPARE(monday.size(), 7);
    QCOMPARE(monday.first(), locale.standaloneDayName(1, QLocale::NarrowFormat));
    QCOMPARE(monday.last(), locale.standaloneDayName(7, QLocale::NarrowFormat));
    const QStringList sunday = vsp::calendar::weekdaySymbols(locale, Qt::Sunday);
    QCOMPARE(sunday.first(), monday.last());
    QCOMPARE(sunday.mid(1), monday.mid(0, 6));
    QCOMPARE(vsp::calendar::monthKey(QDate(2026, 3, 9)), QStringLiteral("2026-3"));
}

void CalendarViewTest::cellLook_data()
{
    QTest::addColumn<bool>("today");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("look");
    // fill, accent number, bold, dot, ring
    QTest::newRow("plain") << false << false << 0 << "-----";
    QTest::newRow("with entries") << false << false << 5 << "---d-";
    QTest::newRow("today") << true << false << 1 << "-abdr";
    QTest::newRow("selected hides dot") << false << true << 3 << "f-b--";
    QTest::newRow("today selected") << true << true << 1 << "f-b--";
}

void CalendarViewTest::cellLook()
{
    QFETCH(bool, today);
    QFETCH(bool, selected);
    QFETCH(int, count);
    QFETCH(QString, look);
    const auto l = vsp::calendar::cellLook(today, selected, count);
    const QString got = QString(l.accentFill ? u'f' : u'-') + (l.accentNumber ? u'a' : u'-')
                        + (l.boldNumber ? u'b' : u'-') + (l.dot ? u'd' : u'-') + (l.ring ? u'r' : u'-');
    QCOMPARE(got, look);
}

void CalendarViewTest::grid_dotsOnlyForLiveEntriesOfTheMonth()
{
    QList<JournalEntry> entries;
    for (int i = 0; i < 5; ++i) {
        entries.append(entry(QStringLiteral("Ten %1").arg(i), localMoment(QDate(2025, 3, 10), 8 + i)));
    }
    JournalEntry archived = entry(QStringLiteral("Archived"), localMoment(QDate(2025, 3, 12)));
    archived.isArchived = true;
    entries.append(archived);
    entries.append(entry(QStringLiteral("Other month"), localMoment(QDate(2025, 4, 14))));
    entries.append(entry(QStringLiteral("Eleven"), localMoment(QDate(2025, 3, 11))));
    Calendar c(QDate(2025, 3, 20), entries);
    const int five = c.dotPixels(QDate(2025, 3, 10));
    QVERIFY(five > 5);
    // One dot whatever the number of entries.
    QCOMPARE(c.dotPixels(QDate(2025, 3, 11)), five);
    QCOMPARE(c.dotPixels(QDate(2025, 3, 12)), 0);
    QCOMPARE(c.dotPixels(QDate(2025, 3, 14)), 0);
    QCOMPARE(c.view->monthTitle(), vsp::calendar::monthTitle(QDate(2025, 3, 1), c.view->locale()));
}

void CalendarViewTest::monthTitle_shrinksBeforeItIsCut_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("whole");
    // September is the longest month name of the year.
    QTest::newRow("list column's default width") << 340 << true;
    QTest::newRow("list column's minimum width") << 300 << false;
}

void CalendarViewTest::monthTitle_shrinksBeforeItIsCut()
{
    QFETCH(int, width);
    QFETCH(bool, whole);
    const QDate month(2026, 9, 1);
    Calendar c(month);
    c.view->resize(width, 800);
    QCoreApplication::processEvents();
    auto* title = c.view->findChild<QLabel*>(QStringLiteral("monthTitle"));
    QVERIFY(title);
    const QString full = c.view->monthTitle();
    // Smaller, then abbreviated, never cut to an ellipsis.
    QCOMPARE(title->text(), whole ? full : vsp::calendar::shortMonthTitle(month, c.view->locale()));
    QCOMPARE(title->toolTip(), whole ? QString() : full);
    QVERIFY(QFontMetricsF(title->font()).horizontalAdvance(title->text()) <= title->width());
}

void CalendarViewTest::dayClick_picksDay_listsItsEntries()
{
    Calendar c(QDate(2025, 3, 20), {entry(QStringLiteral("Late"), localMoment(QDate(2025, 3, 10), 20)),
                                    entry(QStringLiteral("Early"), localMoment(QDate(2025, 3, 10), 7))});
    QAbstractItemModelTester tester(c.dayModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    c.clickDay(QDate(2025, 3, 10));
    QCOMPARE(c.store.selectedDate(), std::optional<double>(vsp::startOfDay(QDate(2025, 3, 10))));
    QCOMPARE(c.dayModel()->rowCount(), 2);
    QCOMPARE(c.dayModel()->entryAt(0).title, QStringLiteral("Early"));
    QCOMPARE(vsp::test::child<QLabel>(*c.view, QStringLiteral("dayCount"))->text(), QStringLiteral("2"));
    QCOMPARE(vsp::test::child<QLabel>(*c.view, QStringLiteral("dayTitle"))->text(),
             vsp::calendar::dayTitle(QDate(2025, 3, 10), c.view->locale()));
    // A future or empty day can be picked too; it lists nothing and offers no button.
    c.clickDay(QDate(2025, 3, 31));
    QVERIFY(c.view->showsEmptyDay());
    QCOMPARE(vsp::test::child<QLabel>(*c.view, QStringLiteral("dayCount"))->text(), QString());
    QVERIFY(!vsp::test::child<GlassChipButton>(*c.view, QStringLiteral("writeToday"))->isVisible());
    QVERIFY(c.store.showCalendar());
}

void CalendarViewTest::pickedDay_numberReadsOnTheAccent_data()
{
    QTest::addColumn<QString>("appearance");
    QTest::addColumn<QString>("accent");
    QTest::newRow("dark, yellow") << "dark"
                                  << "yellow";
    // The background colour on a light accent would be near-white on yellow.
    QTest::newRow("light, yellow") << "light"
                                   << "yellow";
    QTest::newRow("light, blue") << "light"
                                 << "blue";
}

void CalendarViewTest::pickedDay_numberReadsOnTheAccent()
{
    QFETCH(QString, appearance);
    QFETCH(QString, accent);
    AppSettings& settings = AppSettings::instance();
    settings.setAppearanceMode(appearance);
    settings.setAccentColorPreset(accent);
    Calendar c(QDate(2025, 3, 20));
    c.clickDay(QDate(2025, 3, 18));
    const QImage image = c.grid()->grab().toImage();
    const QRectF cell = c.grid()->cellRect(QDate(2025, 3, 18));
    const QColor fill = vsp::Color::resolvedAccent().resolve();
    double best = 1;
    for (int y = int(cell.top()) + 4; y < int(cell.bottom()) - 4; ++y) {
        for (int x = int(cell.left()) + 4; x < int(cell.right()) - 4; ++x) {
            best = std::max(best, vsp::contrastRatio(image.pixelColor(x, y), fill));
        }
    }
    QVERIFY2(best >= vsp::kTextContrast, qPrintable(QString::number(best)));
}

void CalendarViewTest::monthButtons_moveByWholeMonths_keepPickedDay()
{
    vsp::test::ManualClock clock;
    *clock.now = localMoment(QDate(2026, 6, 15), 12);
    Calendar c(QDate(2026, 1, 31), {}, clock.function());
    c.store.setSelectedDate(vsp::startOfDay(QDate(2026, 1, 5)));
    QTest::mouseClick(vsp::test::child<vsp::GlassButton>(*c.view, QStringLiteral("nextMonth")), Qt::LeftButton);
    // The day is clamped: February, not March.
    QCOMPARE(vsp::localDate(c.store.calendarMonth()), QDate(2026, 2, 28));
    QCOMPARE(c.store.selectedDate(), std::optional<double>(vsp::startOfDay(QDate(2026, 1, 5))));
    QVERIFY(!c.grid()->cellRect(QDate(2026, 1, 5)).isValid());
    QCOMPARE(c.dayModel()->rowCount(), 0);
    QTest::mouseClick(vsp::test::child<vsp::GlassButton>(*c.view, QStringLiteral("previousMonth")), Qt::LeftButton);
    QTest::mouseClick(vsp::test::child<vsp::GlassButton>(*c.view, QStringLiteral("previousMonth")), Qt::LeftButton);
    QCOMPARE(vsp::localDate(c.store.calendarMonth()), QDate(2025, 12, 28));
    QTest::mouseClick(vsp::test::child<GlassChipButton>(*c.view, QStringLiteral("calendarToday")), Qt::LeftButton);
    QCOMPARE(vsp::localDate(c.store.calendarMonth()), QDate(2026, 6, 15));
    QCOMPARE(c.store.selectedDate(), std::optional<double>(vsp::startOfDay(QDate(2026, 6, 15))));
    QTest::mouseClick(vsp::test::child<vsp::GlassButton>(*c.view, QStringLiteral("backToList")), Qt::LeftButton);
    QVERIFY(!c.store.showCalendar());
}

void CalendarViewTest::monthAndDayChanges_endAtRest_standStillWhenReduced_data()
{
    QTest::addColumn<bool>("reduced");
    QTest::newRow("motion") << false;
    QTest::newRow("reduced motion") << true;
}

void CalendarViewTest::monthAndDayChanges_endAtRest_standStillWhenReduced()
{
    QFETCH(bool, reduced);
    vsp::setAnimationsEnabled(true);
    vsp::setMotionReduced(reduced);
    // February 2026 starts on a Sunday and March on a Sunday too: 28 days take one row fewer than 31
    // whichever day the week starts on.
    const JournalEntry march = entry(QStringLiteral("March"), localMoment(QDate(2026, 3, 4), 9));
    Calendar c(QDate(2026, 2, 10), {march});
    // The first picture moves nothing.
    QCOMPARE(viewfixtures::runningAnimations(c.view.get()), 0);
    CalendarGrid* grid = c.grid();
    const int februaryHeight = grid->height();
    QTest::mouseClick(vsp::test::child<vsp::GlassButton>(*c.view, QStringLiteral("nextMonth")), Qt::LeftButton);
    QCOMPARE(grid->isChangingMonth(), !reduced);
    c.clickDay(QDate(2026, 3, 4));
    QCOMPARE(c.view->findChildren<vsp::TransitionOverlay*>().size(), reduced ? 0 : 1);
    viewfixtures::finishAnimations(c.view.get());
    QVERIFY(!grid->isChangingMonth());
    QCOMPARE(grid->height(), grid->restingHeight());
    QCOMPARE_GT(grid->height(), februaryHeight);
    QVERIFY(c.view->findChildren<vsp::TransitionOverlay*>().isEmpty());
    QCOMPARE(c.dayModel()->rowCount(), 1);
    // A row's selection glides in as the list's rows do.
    QListView* list = vsp::test::child<QListView>(*c.view, QStringLiteral("dayList"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(c.dayModel()->index(0)).center());
    list->viewport()->repaint();
    QCOMPARE(vsp::test::child<CalendarDayDelegate>(*c.view, QStringLiteral("dayDelegate"))->selectionOf(march.id) < 1.0,
             !reduced);
    viewfixtures::finishAnimations(c.view.get());
    QCOMPARE(vsp::test::child<CalendarDayDelegate>(*c.view, QStringLiteral("dayDelegate"))->selectionOf(march.id), 1.0);
    vsp::setMotionReduced(false);
}

void CalendarViewTest::emptyToday_writeButtonOpensFreshEntry()
{
    vsp::test::ManualClock clock;
    *clock.now = localMoment(QDate(2026, 6, 15), 12);
    Calendar c(QDate(2026, 6, 15), {}, clock.function());
    QVERIFY(c.view->showsEmptyDay());
    QVERIFY(vsp::test::child<GlassChipButton>(*c.view, QStringLiteral("writeToday"))->isVisible());
    c.store.setRestoreDraftOnCompose(true);
    QTest::mouseClick(vsp::test::child<GlassChipButton>(*c.view, QStringLiteral("writeToday")), Qt::LeftButton);
    QCOMPARE(c.store.restoreDraftOnCompose(), false);
    QCOMPARE(c.opened, QStringList{QStringLiteral("compose-window")});
    // The first entry of the day replaces the button with the list.
    c.store.addEntry(entry(QStringLiteral("Now"), c.store.now()));
    QVERIFY(!c.view->showsEmptyDay());
}

void CalendarViewTest::rowClick_selectsEntry_staysInCalendar()
{
    const JournalEntry a = entry(QStringLiteral("A"), localMoment(QDate(2025, 3, 10), 8));
    const JournalEntry b = entry(QStringLiteral("B"), localMoment(QDate(2025, 3, 10), 9));
    Calendar c(QDate(2025, 3, 20), {a, b});
    c.clickDay(QDate(2025, 3, 10));
    c.store.setSelectedEntryID(std::nullopt);
    QListView* list = vsp::test::child<QListView>(*c.view, QStringLiteral("dayList"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(c.dayModel()->index(1)).center());
    QCOMPARE(c.store.selectedEntryID(), std::optional<QUuid>(b.id));
    QVERIFY(c.store.showCalendar());
}

void CalendarViewTest::rowKeys_selectEntry_staysInCalendar()
{
    const JournalEntry a = entry(QStringLiteral("A"), localMoment(QDate(2025, 3, 10), 8));
    const JournalEntry b = entry(QStringLiteral("B"), localMoment(QDate(2025, 3, 10), 9));
    Calendar c(QDate(2025, 3, 20), {a, b});
    c.clickDay(QDate(2025, 3, 10));
    c.store.setSelectedEntryID(std::nullopt);
    QApplication::setActiveWindow(c.view.get());
    QVERIFY(QTest::qWaitForWindowActive(c.view.get()));
    // From the picked day on to its entries, down to the second, opened with Return.
    c.grid()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(c.grid(), Qt::Key_Tab);
    QListView* list = vsp::test::child<QListView>(*c.view, QStringLiteral("dayList"));
    QVERIFY2(list->hasFocus(), qPrintable(viewfixtures::describe(QApplication::focusWidget())));
    QVERIFY(!viewfixtures::accessibleName(list).isEmpty());
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(c.store.selectedEntryID(), std::optional<QUuid>(b.id));
    QVERIFY(c.store.showCalendar());
}

void CalendarViewTest::daylightSaving_inTwoZones_data()
{
    QTest::addColumn<QString>("zone");
    QTest::newRow("Berlin") << QStringLiteral("Europe/Berlin");
    QTest::newRow("New York") << QStringLiteral("America/New_York");
}

void CalendarViewTest::daylightSaving_inTwoZones()
{
    QFETCH(QString, zone);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), zone);
    env.insert(QString::fromLatin1(CalendarZoneTest::kChildVariable), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("-platform"), QStringLiteral("offscreen")});
    QVERIFY(child.waitForFinished(120000));
    const QByteArray out = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, out.constData());
    QVERIFY2(out.contains("PASS   : CalendarZoneTest::changeMonth_everyDayOnce(2026-10)"), out.constData());
}

// ------------------------------------------------------------------------------------------ child

void CalendarZoneTest::init()
{
    viewfixtures::resetState();
}

void CalendarZoneTest::zone_hasDaylightSaving()
{
    // Proof that the zone came through: summer and winter differ in this zone.
    const QDateTime winter(QDate(2026, 1, 15), QTime(12, 0));
    const QDateTime summer(QDate(2026, 7, 15), QTime(12, 0));
    QVERIFY(winter.offsetFromUtc() != summer.offsetFromUtc());
}

void CalendarZoneTest::changeMonth_everyDayOnce_data()
{
    QTest::addColumn<QDate>("month");
    // Spring forward and fall back in Europe (29 March, 25 October) and North America (8 March,
    // 1 November).
    QTest::newRow("2026-3") << QDate(2026, 3, 1);
    QTest::newRow("2026-10") << QDate(2026, 10, 1);
    QTest::newRow("2026-11") << QDate(2026, 11, 1);
}

void CalendarZoneTest::changeMonth_everyDayOnce()
{
    QFETCH(QDate, month);
    // Every day gets an entry just after midnight and one just before the next: a day shifted by an
    // hour would lose one to its neighbour.
    QList<JournalEntry> entries;
    for (int d = 1; d <= month.daysInMonth(); ++d) {
        const QDate day(month.year(), month.month(), d);
        entries.append(entry(QStringLiteral("early %1").arg(d), localMoment(day, 0, 30)));
        entries.append(entry(QStringLiteral("late %1").arg(d), localMoment(day, 23, 30)));
    }
    JournalStore store(fixtures::fixtureClock().function());
    store.setEntries(entries);
    // Arrive from the month before, as a user paging forward would.
    store.setCalendarMonth(localMoment(month.addMonths(-1).addDays(27), 0, 30));
    CalendarView view(store, {});
    view.resize(360, 800);
    view.show();
    QTest::mouseClick(vsp::test::child<vsp::GlassButton>(view, QStringLiteral("nextMonth")), Qt::LeftButton);
    QCOMPARE(vsp::localDate(store.calendarMonth()).month(), month.month());
    const QMap<QDate, int> counts = store.entryDayCounts(store.calendarMonth());
    QCOMPARE(counts.size(), month.daysInMonth());
    for (int d = 1; d <= month.daysInMonth(); ++d) {
        const QDate day(month.year(), month.month(), d);
        QCOMPARE(counts.value(day), 2);
        const QRectF cell = vsp::test::child<CalendarGrid>(view, QStringLiteral("calendarGrid"))->cellRect(day);
        QVERIFY(cell.isValid());
        QTest::mouseClick(vsp::test::child<CalendarGrid>(view, QStringLiteral("calendarGrid")), Qt::LeftButton, {},
                          cell.center().toPoint());
        QVERIFY(store.selectedDate());
        QCOMPARE(vsp::localDate(*store.selectedDate()), day);
        QCOMPARE(vsp::toDateTime(*store.selectedDate()).time(), QTime(0, 0));
        QCOMPARE(vsp::test::child<CalendarDayModel>(view, QStringLiteral("dayModel"))->rowCount(), 2);
        QCOMPARE(vsp::test::child<CalendarDayModel>(view, QStringLiteral("dayModel"))->entryAt(0).title,
                 QStringLiteral("early %1").arg(d));
    }
}
