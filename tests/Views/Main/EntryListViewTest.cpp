#include "EntryListViewTest.h"

#include "common/StoreFixtures.h"
#include "common/TestSupport.h"
#include "common/ViewFixtures.h"

#include "Model/AppNotifications.h"
#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/Glass.h"
#include "Theme/Spring.h"
#include "Theme/TransitionOverlay.h"
#include "Views/Main/EmptyListView.h"
#include "Views/Main/EntryListDelegate.h"
#include "Views/Main/EntryListModel.h"
#include "Views/Main/EntryListView.h"
#include "Views/Main/EntryListWidget.h"
#include "Views/Main/ListHeader.h"
#include "Views/Main/OnThisDaySection.h"
#include "Views/Main/SearchField.h"
#include "Widgets/ColumnVisibilityHolder.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPaintEvent>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using viewfixtures::entry;
using viewfixtures::localMoment;

namespace {

/// A list of texts written as one comma-separated text.
QStringList names(const char* commaSeparated)
{
    return QString::fromUtf8(commaSeparated).split(u',', Qt::SkipEmptyParts);
}

/// The list column on its own, 340 by 800, with a journal of entries A (newest) to D in Journal.
struct Column {
    JournalStore store{fixtures::fixtureClock().function()};
    MoodStore moods;
    ColumnVisibilityHolder columns;
    QStringList opened;
    EntryListView view{store, moods, columns, [this](const QString& id) { opened << id; }};

    /// `clock` is the store's.
    explicit Column(bool withEntries = true, JournalStore::Clock clock = fixtures::fixtureClock().function())
        : store(std::move(clock))
    {
        if (withEntries) {
            store.setEntries({entry(QStringLiteral("A"), localMoment(-1), QStringLiteral("alpha")),
                              entry(QStringLiteral("B"), localMoment(-2), QStringLiteral("bravo")),
                              entry(QStringLiteral("C"), localMoment(-3), QStringLiteral("charlie")),
                              entry(QStringLiteral("D"), localMoment(-4), QStringLiteral("delta"))});
            store.setSelectedSection(NavSection::Journal);
            store.setSelectedEntryID(std::nullopt);
        }
        view.resize(340, 800);
        view.show();
        (void)QTest::qWaitForWindowExposed(&view);
        settle();
    }
    void settle()
    {
        QCoreApplication::processEvents();
        view.list()->listModel()->refresh();
        view.list()->doItemsLayout();
    }
    EntryListWidget* list() const { return view.list(); }
    const JournalEntry& byTitle(const QString& title) const
    {
        for (const JournalEntry& e : store.entries()) {
            if (e.title == title) {
                return e;
            }
        }
        qFatal("no entry");
    }
    void click(const QString& title)
    {
        settle();
        const QRect rect = list()->rectOf(byTitle(title).id);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QStringList shownTitles()
    {
        settle();
        QStringList titles;
        EntryListModel* model = list()->listModel();
        for (int r = 0; r < model->rowCount(); ++r) {
            if (const JournalEntry* e = model->entryAt(r)) {
                titles << e->title;
            }
        }
        return titles;
    }
};

QMenu* shownMenu()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* menu = qobject_cast<QMenu*>(w); menu && menu->isVisible()) {
            return menu;
        }
    }
    return nullptr;
}

QMenu* openContextMenu(Column& c, const QString& title)
{
    c.settle();
    const QRect rect = c.list()->rectOf(c.byTitle(title).id);
    QContextMenuEvent event(QContextMenuEvent::Mouse, rect.center(), c.list()->viewport()->mapToGlobal(rect.center()));
    QCoreApplication::sendEvent(c.list()->viewport(), &event);
    return shownMenu();
}

QAction* actionNamed(QMenu* menu, const QString& text)
{
    for (QAction* a : menu->actions()) {
        if (a->text() == text) {
            return a;
        }
    }
    return nullptr;
}

/// Passes painting and measuring on to the list's own delegate and notes the rows it was asked to
/// measure.
class MeasureCounter final : public QAbstractItemDelegate {
public:
    explicit MeasureCounter(QAbstractItemDelegate& inner) : m_inner(inner) { }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        m_inner.paint(painter, option, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        measured.insert(index.row());
        return m_inner.sizeHint(option, index);
    }
    mutable QSet<int> measured;

private:
    QAbstractItemDelegate& m_inner;
};

} // namespace

void EntryListViewTest::init()
{
    viewfixtures::resetState();
    QGuiApplication::clipboard()->clear();
}

void EntryListViewTest::cleanup()
{
    vsp::setAnimationsEnabled(false);
}

void EntryListViewTest::clickingRow_selectsItsEntry()
{
    Column c;
    c.click(QStringLiteral("C"));
    QCOMPARE(c.store.selectedEntryID(), std::optional<QUuid>(c.byTitle(QStringLiteral("C")).id));
    c.click(QStringLiteral("A"));
    QCOMPARE(c.store.selectedEntryID(), std::optional<QUuid>(c.byTitle(QStringLiteral("A")).id));
    // The pointer over a row lights it up; leaving the list puts it out.
    const QRect overC = c.list()->rectOf(c.byTitle(QStringLiteral("C")).id);
    QTest::mouseMove(c.list()->viewport(), overC.center());
    QTRY_COMPARE(c.list()->listDelegate()->hoveredEntry(), c.byTitle(QStringLiteral("C")).id);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(c.list(), &leave);
    QCOMPARE(c.list()->listDelegate()->hoveredEntry(), QUuid());
    // The gap between rows belongs to no entry.
    const QRect rect = c.list()->rectOf(c.byTitle(QStringLiteral("B")).id);
    QTest::mouseClick(c.list()->viewport(), Qt::LeftButton, {}, QPoint(rect.center().x(), rect.bottom() - 1));
    QCOMPARE(c.store.selectedEntryID(), std::optional<QUuid>(c.byTitle(QStringLiteral("A")).id));
}

namespace {

/// Counts the paint events a widget receives.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++count;
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }

public:
    QRegion painted;
};

/// Lets the paints already asked for (a row's glass settling, say) end, without waiting, so that
/// none of them is counted after.
void settlePaints(Column& c)
{
    for (int round = 0; round < 20; ++round) {
        PaintCounter settling(c.list()->viewport());
        viewfixtures::finishAnimations(&c.view);
        QCoreApplication::processEvents();
        if (settling.count == 0) {
            break;
        }
    }
}

} // namespace

void EntryListViewTest::pointerMovingWithinRow_repaintsNothing()
{
    Column c;
    c.settle();
    const QRect overC = c.list()->rectOf(c.byTitle(QStringLiteral("C")).id);
    // From somewhere else first: a pointer already resting there (an earlier test) sends no move.
    QTest::mouseMove(c.list()->viewport(), overC.center() - QPoint(0, overC.height()));
    QTest::mouseMove(c.list()->viewport(), overC.center());
    QTRY_COMPARE(c.list()->listDelegate()->hoveredEntry(), c.byTitle(QStringLiteral("C")).id);
    settlePaints(c);
    // Every pointer move over a row used to repaint the whole list, although nothing it shows changed.
    PaintCounter paints(c.list()->viewport());
    for (int dx = -40; dx <= 40; dx += 10) {
        QTest::mouseMove(c.list()->viewport(), overC.center() + QPoint(dx, 3));
    }
    viewfixtures::finishAnimations(&c.view);
    QCoreApplication::processEvents();
    QCOMPARE(paints.count, 0);
    // Moving onto another row lights that one up.
    const QRect overD = c.list()->rectOf(c.byTitle(QStringLiteral("D")).id);
    QTest::mouseMove(c.list()->viewport(), overD.center());
    QTRY_COMPARE(c.list()->listDelegate()->hoveredEntry(), c.byTitle(QStringLiteral("D")).id);
    QTRY_VERIFY(paints.count > 0);
}

void EntryListViewTest::favourite_repaintsItsRowAlone()
{
    Column c;
    c.settle();
    settlePaints(c);
    const QRect row = c.list()->rectOf(c.byTitle(QStringLiteral("C")).id);
    PaintCounter paints(c.list()->viewport());
    c.store.toggleFavorite(c.byTitle(QStringLiteral("C")));
    viewfixtures::finishAnimations(&c.view);
    QCoreApplication::processEvents();
    // Every data change used to lay out and repaint every row in sight.
    QVERIFY(paints.count > 0);
    QVERIFY2((paints.painted - QRegion(row.adjusted(-8, -8, 8, 8))).isEmpty(), "rows beside the changed one repainted");
}

void EntryListViewTest::clickOnAnotherRow_repaintsTheTwoRowsAlone()
{
    Column c;
    c.click(QStringLiteral("B"));
    // The pointer rests on D before the click, as it does for a user: its glass is lit already.
    const QRect d = c.list()->rectOf(c.byTitle(QStringLiteral("D")).id);
    // From somewhere else first: a pointer already resting there (an earlier test) sends no move.
    QTest::mouseMove(c.list()->viewport(), d.center() - QPoint(0, d.height()));
    QTest::mouseMove(c.list()->viewport(), d.center());
    QTRY_COMPARE(c.list()->listDelegate()->hoveredEntry(), c.byTitle(QStringLiteral("D")).id);
    settlePaints(c);
    const QRect b = c.list()->rectOf(c.byTitle(QStringLiteral("B")).id);
    PaintCounter paints(c.list()->viewport());
    QTest::mouseClick(c.list()->viewport(), Qt::LeftButton, {}, d.center());
    QCOMPARE(c.store.selectedEntryID(), std::optional<QUuid>(c.byTitle(QStringLiteral("D")).id));
    viewfixtures::finishAnimations(&c.view);
    QCoreApplication::processEvents();
    // A click used to repaint every row in sight, although only two rows' selection changed.
    QVERIFY(paints.painted.intersects(b));
    QVERIFY(paints.painted.intersects(d));
    QVERIFY2((paints.painted - QRegion(b.adjusted(-8, -8, 8, 8)) - QRegion(d.adjusted(-8, -8, 8, 8))).isEmpty(),
             "rows whose selection did not change repainted");
}

void EntryListViewTest::selectionChange_drawsNoRowContentAgain()
{
    Column c;
    c.click(QStringLiteral("B"));
    settlePaints(c);
    const EntryListDelegate* delegate = c.list()->listDelegate();
    const qsizetype drawn = delegate->m_contentCache.count();
    QVERIFY(drawn >= 4);
    c.click(QStringLiteral("D"));
    c.click(QStringLiteral("A"));
    settlePaints(c);
    // The rows' titles, previews and tags are the same whether selected or not: a click used to draw
    // (and shape the texts of) the newly selected row again.
    QCOMPARE(delegate->m_contentCache.count(), drawn);
}

void EntryListViewTest::newDay_isNoticedWithinAMinute()
{
    // Half a minute before midnight on the store's clock.
    const QDate day(2026, 3, 14);
    vsp::test::ManualClock clock;
    *clock.now = vsp::startOfDay(day.addDays(1)) - 30;
    Column c(true, clock.function());
    c.store.setSelectedSection(NavSection::Today);
    c.settle();
    QSignalSpy refreshed(c.list()->listModel(), &EntryListModel::refreshed);
    // The same day again changes nothing.
    c.view.showDay(day);
    QCoreApplication::processEvents();
    QCOMPARE(refreshed.count(), 0);
    // A new day (after midnight, or after a night the computer spent asleep) works the rows out again.
    c.view.showDay(day.addDays(1));
    QTRY_COMPARE(refreshed.count(), 1);
    QCOMPARE(c.view.shownDay(), day.addDays(1));
    // The view looks again just after midnight by the store's clock; and as the clock of a timer stands
    // still while the computer sleeps, at least once a minute rather than waiting for a midnight that
    // may be hours away on that clock. (A coarse timer may be set up to 5 % later.)
    QVERIFY(c.view.dayCheckInterval() <= 33 * 1000);
    QVERIFY(c.view.dayCheckInterval() > 25 * 1000);
}

void EntryListViewTest::contextMenuFromKeyboard_isTheSelectedRowsAtThatRow_data()
{
    QTest::addColumn<bool>("menuKey");
    QTest::newRow("Menu key") << true;
    QTest::newRow("Shift+F10") << false;
}

void EntryListViewTest::contextMenuFromKeyboard_isTheSelectedRowsAtThatRow()
{
    QFETCH(bool, menuKey);
    Column c;
    c.view.activateWindow();
    c.list()->setFocus(Qt::TabFocusReason);
    const JournalEntry target = c.byTitle(QStringLiteral("C"));
    c.store.setSelectedEntryID(target.id);
    c.settle();
    const QRect row = c.list()->rectOf(target.id);
    // The pointer rests over another row: the menu must not be that row's.
    const QPoint pointer = c.list()->rectOf(c.byTitle(QStringLiteral("A")).id).center();
    if (menuKey) {
        // What the desktop sends for the Menu key: a keyboard context menu event at the pointer.
        QContextMenuEvent event(QContextMenuEvent::Keyboard, c.list()->viewport()->mapTo(c.list(), pointer),
                                c.list()->viewport()->mapToGlobal(pointer));
        QCoreApplication::sendEvent(c.list(), &event);
    } else {
        QTest::keyClick(c.list(), Qt::Key_F10, Qt::ShiftModifier);
    }
    QMenu* menu = shownMenu();
    QVERIFY(menu);
    const QRect globalRow(c.list()->viewport()->mapToGlobal(row.topLeft()), row.size());
    QVERIFY2(globalRow.contains(menu->pos()),
             qPrintable(QStringLiteral("menu at %1,%2").arg(menu->x()).arg(menu->y())));
    QAction* pin = actionNamed(menu, QStringLiteral("Pin Entry"));
    QVERIFY(pin);
    pin->trigger();
    menu->close();
    QCOMPARE(c.store.pinnedIDs().contains(target.id), true);
    QCOMPARE(c.store.pinnedIDs().size(), 1);
}

void EntryListViewTest::contextMenu_actsOnRowEntry_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("pin") << "Pin Entry";
    QTest::newRow("favourite") << "Add to Favorites";
    QTest::newRow("archive") << "Archive";
    QTest::newRow("duplicate") << "Duplicate Entry";
    QTest::newRow("copy plain") << "Copy as Plain Text";
    QTest::newRow("copy markdown") << "Copy as Markdown";
    QTest::newRow("delete") << "Delete Entry";
}

void EntryListViewTest::contextMenu_actsOnRowEntry()
{
    QFETCH(QString, action);
    Column c;
    const QUuid selected = c.byTitle(QStringLiteral("A")).id;
    c.store.setSelectedEntryID(selected);
    const JournalEntry target = c.byTitle(QStringLiteral("C"));
    QMenu* menu = openContextMenu(c, QStringLiteral("C"));
    QVERIFY(menu);
    QCOMPARE(menu->actions().size(), 9); // seven items and two separators
    for (QAction* a : menu->actions()) {
        QVERIFY(a->isEnabled());
    }
    QAction* item = actionNamed(menu, action);
    QVERIFY2(item, qPrintable(action));
    item->trigger();
    menu->close();

    if (action == QLatin1String("Pin Entry")) {
        QVERIFY(c.store.pinnedIDs().contains(target.id));
        QCOMPARE(actionNamed(openContextMenu(c, QStringLiteral("C")), QStringLiteral("Unpin Entry")) != nullptr, true);
    } else if (action == QLatin1String("Add to Favorites")) {
        QVERIFY(c.store.entry(target.id)->isFavorite);
    } else if (action == QLatin1String("Archive")) {
        QVERIFY(c.store.entry(target.id)->isArchived);
        QVERIFY(!c.shownTitles().contains(QStringLiteral("C")));
    } else if (action == QLatin1String("Duplicate Entry")) {
        QCOMPARE(c.store.entries().size(), 5);
        QCOMPARE(c.store.entries().first().title, QStringLiteral("C (copy)"));
    } else if (action == QLatin1String("Copy as Plain Text")) {
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("C\n\ncharlie"));
    } else if (action == QLatin1String("Copy as Markdown")) {
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("# C\n\ncharlie"));
    } else if (action == QLatin1String("Delete Entry")) {
        // At once, without a question.
        QVERIFY(!c.store.entry(target.id));
        QCOMPARE(c.store.trashedEntries().size(), 1);
    }
    if (action != QLatin1String("Duplicate Entry")) {
        QCOMPARE(c.store.selectedEntryID(), std::optional<QUuid>(selected));
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMenu*>(w)) {
            w->close();
        }
    }
}

void EntryListViewTest::searchButton_opensFieldThatFiltersAsYouType()
{
    Column c;
    ListHeader* header = vsp::test::child<ListHeader>(c.view, QStringLiteral("listHeader"));
    auto* search = vsp::test::child<SearchField>(c.view, QStringLiteral("searchField"));
    QVERIFY(!search->isVisible());
    QTest::mouseClick(vsp::test::child<vsp::GlassButton>(*header, QStringLiteral("searchButton")), Qt::LeftButton);
    QVERIFY(c.view.showSearch());
    QVERIFY(search->isVisible());
    QLineEdit* edit = search->lineEdit();
    QCOMPARE(edit->placeholderText(), QStringLiteral("Search entries…"));
    QVERIFY(!vsp::test::child<vsp::GlassButton>(c.view, QStringLiteral("clearSearch"))->isVisible());
    QTest::keyClicks(edit, QStringLiteral("b"));
    QCOMPARE(c.store.searchQuery(), QStringLiteral("b"));
    QVERIFY(vsp::test::child<vsp::GlassButton>(c.view, QStringLiteral("clearSearch"))->isVisible());
    QTest::keyClicks(edit, QStringLiteral("rav"));
    QCOMPARE(c.shownTitles(), QStringList{QStringLiteral("B")});
    // Clearing keeps the field open.
    QTest::mouseClick(vsp::test::child<vsp::GlassButton>(c.view, QStringLiteral("clearSearch")), Qt::LeftButton);
    QCOMPARE(c.store.searchQuery(), QString());
    QVERIFY(c.view.showSearch());
    QVERIFY(!vsp::test::child<vsp::GlassButton>(c.view, QStringLiteral("clearSearch"))->isVisible());
    QCOMPARE(c.shownTitles().size(), 4);
    // Closing with the button drops whatever was typed.
    QTest::keyClicks(edit, QStringLiteral("zzz"));
    QTest::mouseClick(vsp::test::child<vsp::GlassButton>(*header, QStringLiteral("searchButton")), Qt::LeftButton);
    QVERIFY(!c.view.showSearch());
    QCOMPARE(c.store.searchQuery(), QString());
    QCOMPARE(c.shownTitles().size(), 4);
}

void EntryListViewTest::toggleSearch_leavesCalendar_thenClosesAndClears()
{
    Column c;
    c.store.setShowCalendar(true);
    QVERIFY(c.view.m_calendar);
    QVERIFY(c.view.m_calendar->isVisible());
    Q_EMIT AppNotifications::instance().VspToggleSearch();
    QVERIFY(!c.store.showCalendar());
    QVERIFY(!c.view.m_calendar);
    QVERIFY(c.view.showSearch());
    QTest::keyClicks(vsp::test::child<SearchField>(c.view, QStringLiteral("searchField"))->lineEdit(),
                     QStringLiteral("alpha"));
    Q_EMIT AppNotifications::instance().VspToggleSearch();
    QVERIFY(!c.view.showSearch());
    QCOMPARE(c.store.searchQuery(), QString());
}

void EntryListViewTest::escapeInSearch_clearsThenCloses()
{
    Column c;
    c.view.setShowSearch(true);
    QLineEdit* field = vsp::test::child<SearchField>(c.view, QStringLiteral("searchField"))->lineEdit();
    QTest::keyClicks(field, QStringLiteral("alp"));
    QCOMPARE(c.store.searchQuery(), QStringLiteral("alp"));

    QTest::keyClick(field, Qt::Key_Escape);
    QCOMPARE(c.store.searchQuery(), QString());
    QCOMPARE(field->text(), QString());
    QVERIFY(c.view.showSearch());

    QTest::keyClick(field, Qt::Key_Escape);
    QVERIFY(!c.view.showSearch());
    QVERIFY(c.list()->hasFocus());
}

void EntryListViewTest::navigationChange_closesSearchAndClearsQuery_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("section") << "section";
    QTest::newRow("tag") << "tag";
    QTest::newRow("mood") << "mood";
}

void EntryListViewTest::navigationChange_closesSearchAndClearsQuery()
{
    QFETCH(QString, change);
    Column c;
    c.view.setShowSearch(true);
    QTest::keyClicks(vsp::test::child<SearchField>(c.view, QStringLiteral("searchField"))->lineEdit(),
                     QStringLiteral("alp"));
    QCOMPARE(c.store.searchQuery(), QStringLiteral("alp"));
    if (change == QLatin1String("section")) {
        c.store.setSelectedSection(NavSection::Favorites);
    } else if (change == QLatin1String("tag")) {
        c.store.setSelectedTag(QStringLiteral("work"));
    } else {
        c.store.setMoodFilter(QStringLiteral("🌿"));
    }
    QVERIFY(!c.view.showSearch());
    QCOMPARE(c.store.searchQuery(), QString());
}

void EntryListViewTest::emptyState_saysWhy_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("mood");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<bool>("hint");
    const int journal = int(NavSection::Journal);
    QTest::newRow("search") << journal << ""
                            << ""
                            << "zzz"
                            << "No results for \"zzz\""
                            << "magnifyingglass" << false;
    QTest::newRow("mood") << journal << ""
                          << "⚡"
                          << ""
                          << "No energized entries"
                          << "face.smiling" << true;
    QTest::newRow("tag") << journal << "none"
                         << ""
                         << ""
                         << "No entries tagged #none"
                         << "tag" << false;
    QTest::newRow("favorites") << int(NavSection::Favorites) << ""
                               << ""
                               << ""
                               << "No favorites yet"
                               << "star" << true;
    QTest::newRow("today") << int(NavSection::Today) << ""
                           << ""
                           << ""
                           << "Nothing written today"
                           << "sun.max" << true;
    QTest::newRow("archive") << int(NavSection::Archive) << ""
                             << ""
                             << ""
                             << "No entries"
                             << "doc.text" << true;
}

void EntryListViewTest::emptyState_saysWhy()
{
    QFETCH(int, section);
    QFETCH(QString, tag);
    QFETCH(QString, mood);
    QFETCH(QString, query);
    QFETCH(QString, message);
    QFETCH(QString, icon);
    QFETCH(bool, hint);
    Column c;
    c.store.setSelectedSection(NavSection(section));
    c.store.setSelectedTag(tag.isEmpty() ? std::nullopt : std::optional<QString>(tag));
    c.store.setMoodFilter(mood.isEmpty() ? std::nullopt : std::optional<QString>(mood));
    if (!query.isEmpty()) {
        c.view.setShowSearch(true);
        QTest::keyClicks(vsp::test::child<SearchField>(c.view, QStringLiteral("searchField"))->lineEdit(), query);
    }
    c.settle();
    QVERIFY(c.view.showsEmptyState());
    auto* empty = vsp::test::child<EmptyListView>(c.view, QStringLiteral("emptyList"));
    QVERIFY(empty->isVisible());
    QCOMPARE(empty->message(), message);
    QCOMPARE(empty->icon(), icon);
    QCOMPARE(empty->showsHint(), hint);
}

void EntryListViewTest::emptyState_neverHidesOnThisDay()
{
    vsp::test::ManualClock clock;
    *clock.now = localMoment(fixtures::dayWithAYearBack(), 12);
    Column c(false, clock.function());
    const QDate lastYear = c.store.today().addYears(-1);
    c.store.setEntries({entry(QStringLiteral("Old"), localMoment(lastYear, 9), QStringLiteral("then"))});
    c.settle();
    QVERIFY(!c.view.showsEmptyState());
    // A search that matches nothing always says so, On This Day or not.
    c.view.setShowSearch(true);
    QTest::keyClicks(vsp::test::child<SearchField>(c.view, QStringLiteral("searchField"))->lineEdit(),
                     QStringLiteral("nothing like it"));
    c.settle();
    QVERIFY(c.view.showsEmptyState());
    QCOMPARE(vsp::test::child<EmptyListView>(c.view, QStringLiteral("emptyList"))->message(),
             QStringLiteral("No results for \"nothing like it\""));
}

void EntryListViewTest::header_titleAndSubtitle_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("mood");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("subtitle");
    QTest::newRow("today") << int(NavSection::Today) << ""
                           << ""
                           << "Today" << true;
    QTest::newRow("journal") << int(NavSection::Journal) << ""
                             << ""
                             << "Journal" << false;
    QTest::newRow("archive") << int(NavSection::Archive) << ""
                             << ""
                             << "Archive" << false;
    QTest::newRow("favorites") << int(NavSection::Favorites) << ""
                               << ""
                               << "Favorites" << false;
    QTest::newRow("tag wins over mood") << int(NavSection::Today) << "work"
                                        << "⚡"
                                        << "#work" << false;
    QTest::newRow("mood") << int(NavSection::Today) << ""
                          << "⚡"
                          << "⚡ Energized" << false;
    QTest::newRow("mood without a mood item") << int(NavSection::Today) << ""
                                              << "🙃"
                                              << "🙃 🙃" << false;
}

void EntryListViewTest::header_titleAndSubtitle()
{
    QFETCH(int, section);
    QFETCH(QString, tag);
    QFETCH(QString, mood);
    QFETCH(QString, title);
    QFETCH(bool, subtitle);
    Column c;
    c.store.setSelectedSection(NavSection(section));
    c.store.setSelectedTag(tag.isEmpty() ? std::nullopt : std::optional<QString>(tag));
    c.store.setMoodFilter(mood.isEmpty() ? std::nullopt : std::optional<QString>(mood));
    ListHeader* header = vsp::test::child<ListHeader>(c.view, QStringLiteral("listHeader"));
    QCOMPARE(vsp::test::child<QLabel>(*header, QStringLiteral("listTitle"))->text(), title);
    QCOMPARE(vsp::test::child<QLabel>(*header, QStringLiteral("listSubtitle"))->isVisible(), subtitle);
    if (subtitle) {
        const QString text = vsp::test::child<QLabel>(*header, QStringLiteral("listSubtitle"))->text();
        QVERIFY(text.contains(QLocale().dayName(c.store.today().dayOfWeek())));
        QVERIFY(text.contains(QLocale().monthName(c.store.today().month())));
        QVERIFY(!text.contains(QString::number(c.store.today().year())));
    }
}

void EntryListViewTest::header_subtitleLeavesTheYearOutInEveryLocale_data()
{
    QTest::addColumn<QString>("locale");
    // The weekday, month and day the locale's long date shows, in its order, without the year and
    // without the words that belong to the year.
    QTest::addColumn<QString>("format");
    QTest::newRow("en_US") << "en_US"
                           << "dddd, MMMM d";
    QTest::newRow("de_DE") << "de_DE"
                           << "dddd, d. MMMM";
    QTest::newRow("es_ES") << "es_ES"
                           << "dddd, d 'de' MMMM";
    QTest::newRow("pt_BR") << "pt_BR"
                           << "dddd, d 'de' MMMM";
    QTest::newRow("ru_RU") << "ru_RU"
                           << "dddd, d MMMM";
    QTest::newRow("ja_JP") << "ja_JP"
                           << "M月d日dddd";
    QTest::newRow("ko_KR") << "ko_KR"
                           << "M월 d일 dddd";
    QTest::newRow("hu_HU") << "hu_HU"
                           << "MMMM d., dddd";
}

void EntryListViewTest::header_subtitleLeavesTheYearOutInEveryLocale()
{
    QFETCH(QString, locale);
    QFETCH(QString, format);
    const QLocale saved;
    QLocale::setDefault(QLocale(locale));
    Column c(false);
    c.store.setSelectedSection(NavSection::Today);
    const QString expected = QLocale(locale).toString(c.store.today(), format);
    const QString shown = vsp::test::child<ListHeader>(c.view, QStringLiteral("listHeader"))->subtitle();
    QLocale::setDefault(saved);
    QCOMPARE(shown, expected);
}

void EntryListViewTest::sortButton_flipsOrderAndLabels()
{
    Column c;
    vsp::GlassButton* sort = vsp::test::child<vsp::GlassButton>(c.view, QStringLiteral("sortButton"));
    QCOMPARE(sort->symbol(), QStringLiteral("arrow.down"));
    QCOMPARE(sort->accessibleName(), QStringLiteral("Sorted newest first"));
    QCOMPARE(sort->toolTip(), QStringLiteral("Newest first"));
    QCOMPARE(c.shownTitles(), (names("A,B,C,D")));
    QTest::mouseClick(sort, Qt::LeftButton);
    QVERIFY(!c.store.sortNewestFirst());
    QCOMPARE(sort->symbol(), QStringLiteral("arrow.up"));
    QCOMPARE(sort->accessibleName(), QStringLiteral("Sorted oldest first"));
    QCOMPARE(sort->toolTip(), QStringLiteral("Oldest first"));
    QCOMPARE(c.shownTitles(), (names("D,C,B,A")));
}

void EntryListViewTest::calendarButton_opensCalendarAtToday()
{
    Column c;
    c.store.setCalendarMonth(localMoment(-400));
    c.store.setSelectedDate(localMoment(-400));
    QTest::mouseClick(vsp::test::child<vsp::GlassButton>(c.view, QStringLiteral("calendarButton")), Qt::LeftButton);
    QVERIFY(c.store.showCalendar());
    QCOMPARE(c.store.calendarMonth(), fixtures::fixtureNow());
    QCOMPARE(c.store.selectedDate(), std::optional<double>(vsp::startOfDayOf(fixtures::fixtureNow())));
    QVERIFY(c.view.m_calendar && c.view.m_calendar->isVisible());
    QVERIFY(!vsp::test::child<ListHeader>(c.view, QStringLiteral("listHeader"))->isVisible());
}

void EntryListViewTest::showSidebarButton_onlyWhileSidebarHidden()
{
    Column c;
    vsp::GlassButton* button = vsp::test::child<vsp::GlassButton>(c.view, QStringLiteral("showSidebar"));
    QVERIFY(!button->isVisible());
    c.columns.setVisibility(ColumnVisibilityHolder::Visibility::DoubleColumn);
    QVERIFY(button->isVisible());
    QCOMPARE(button->toolTip(), QStringLiteral("Show Sidebar"));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(c.columns.visibility(), ColumnVisibilityHolder::Visibility::All);
    QVERIFY(!button->isVisible());
}

void EntryListViewTest::list_neverScrollsByItself()
{
    Column c(false);
    QList<JournalEntry> many;
    for (int i = 0; i < 200; ++i) {
        many << entry(QStringLiteral("Entry %1").arg(i), localMoment(-1 - i), QStringLiteral("body"));
    }
    c.store.setEntries(many);
    c.store.setSelectedSection(NavSection::Journal);
    c.settle();
    QScrollBar* bar = c.list()->verticalScrollBar();
    QVERIFY(bar->maximum() > 2000);
    bar->setValue(2000);
    c.store.toggleFavorite(many[150]);
    c.store.setSelectedEntryID(many[3].id);
    c.store.togglePin(many[120]);
    c.settle();
    QCoreApplication::processEvents();
    QCOMPARE(bar->value(), 2000);
}

void EntryListViewTest::longList_measuresOnlyRowsNearTheView_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QList<int>>("signalCounts"); // data changed, inserted, removed, reset
    QTest::newRow("first paint") << "none" << QList<int>{0, 0, 0, 0};
    QTest::newRow("edit an entry in view") << "edit 2" << QList<int>{1, 0, 0, 0};
    QTest::newRow("edit an entry far below") << "edit 1500" << QList<int>{1, 0, 0, 0};
    QTest::newRow("new entry on top") << "add" << QList<int>{0, 1, 0, 0};
    QTest::newRow("search keeping every other entry") << "search" << QList<int>{0, 0, 0, 1};
    QTest::newRow("scroll to the middle") << "scroll" << QList<int>{0, 0, 0, 0};
}

void EntryListViewTest::longList_measuresOnlyRowsNearTheView()
{
    QFETCH(QString, change);
    QFETCH(QList<int>, signalCounts);
    Column c(false);
    QList<JournalEntry> many;
    for (int i = 0; i < 2000; ++i) {
        many << entry(QStringLiteral("Entry %1").arg(i), localMoment(-1 - i),
                      i % 2 ? QStringLiteral("odd body") : QStringLiteral("even body"),
                      i % 3 ? QStringList() : QStringList{QStringLiteral("tag")});
    }
    c.store.setEntries(many);
    c.store.setSelectedSection(NavSection::Journal);
    EntryListWidget* list = c.list();
    EntryListModel* model = list->listModel();
    MeasureCounter counter(*list->listDelegate());
    list->setItemDelegate(&counter);
    c.settle();
    QCOMPARE(model->rowCount(), 2000);
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    const int viewHeight = list->viewport()->height();
    const QSet<int> firstMeasured = counter.measured;
    counter.measured.clear();

    QSet<int> expected; // rows that must be measured again, beyond those coming into view
    if (change == u"edit 2" || change == u"edit 1500") {
        JournalEntry e = *model->entryAt(change == u"edit 2" ? 2 : 1500);
        e.body = QStringLiteral("edited body");
        c.store.updateEntry(e);
        if (change == u"edit 2") {
            expected = {2};
        }
    } else if (change == u"add") {
        c.store.setEntries(QList<JournalEntry>{entry(QStringLiteral("Newest"), localMoment(0))} + many);
        expected = {0};
    } else if (change == u"search") {
        c.store.setSearchQuery(QStringLiteral("odd"));
    } else if (change == u"scroll") {
        list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum() / 2);
    }
    c.settle();
    QCoreApplication::processEvents();

    QCOMPARE((QList<int>{int(changed.count()), int(inserted.count()), int(removed.count()), int(resets.count())}),
             signalCounts);
    // Whatever changed, only rows in view or within half a screen of it were ever measured.
    const QSet<int> measured = change == u"none" ? firstMeasured : counter.measured;
    QVERIFY(!firstMeasured.isEmpty());
    for (const int row : measured) {
        const QRect rect = list->visualRect(model->index(row));
        QVERIFY2(rect.bottom() >= -viewHeight && rect.top() <= 2 * viewHeight, qPrintable(QString::number(row)));
    }
    QVERIFY(measured.contains(expected));
    QVERIFY(list->measuredRowCount() < 100);
    // Every row in view has its real height: it sits right under the row above it.
    const QModelIndex top = list->indexAt(QPoint(10, 0));
    QVERIFY(top.isValid());
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, list->viewport()->width(), 0);
    for (int row = top.row(); row < model->rowCount() - 1; ++row) {
        const QRect rect = list->visualRect(model->index(row));
        if (rect.top() >= viewHeight) {
            break;
        }
        QCOMPARE(rect.height(), counter.sizeHint(option, model->index(row)).height());
        QCOMPARE(list->visualRect(model->index(row + 1)).top(), rect.bottom() + 1);
    }
    list->setItemDelegate(list->listDelegate());
}

void EntryListViewTest::refresh_laysOutComingRowsAtOnce()
{
    Column c;
    // One row fits, four need the scroll bar.
    c.view.resize(340, 360);
    c.store.setSearchQuery(QStringLiteral("bravo"));
    c.settle();
    QCoreApplication::processEvents();
    QCOMPARE(c.list()->measuredRowCount(), 1);
    QVERIFY(!c.list()->verticalScrollBar()->isVisible());
    c.store.setSearchQuery(QString());
    c.list()->listModel()->refresh();
    // Before any further turn of the event loop: the next paint shows the rows, not the one after, at the
    // width they keep.
    QCOMPARE(c.list()->measuredRowCount(), 4);
    QVERIFY(c.list()->verticalScrollBar()->isVisible());
}

void EntryListViewTest::onThisDay_foldsAndSelects()
{
    vsp::test::ManualClock clock;
    *clock.now = localMoment(fixtures::dayWithAYearBack(), 12);
    Column c(false, clock.function());
    const QDate lastYear = c.store.today().addYears(-1);
    const JournalEntry old = entry(QStringLiteral("Old"), localMoment(lastYear, 9), QStringLiteral("then"));
    const JournalEntry older =
        entry(QStringLiteral("Older"), localMoment(lastYear.addYears(-9), 9), QStringLiteral("x"));
    c.store.setEntries({entry(QStringLiteral("Now"), localMoment(c.store.today(), 8)), old, older});
    c.settle();
    EntryListModel* model = c.list()->listModel();
    const int row = model->rowCount() - 1;
    QCOMPARE(model->kind(row), EntryListModel::RowKind::OnThisDay);
    QCOMPARE(OnThisDaySection::yearLabel(old.date), QString::number(lastYear.year()));
    const QRect rect = c.list()->visualRect(model->index(row));
    const QRectF panel = OnThisDaySection::panelRect(QRectF(rect));
    // Header: folds and unfolds.
    QTest::mouseClick(c.list()->viewport(), Qt::LeftButton, {}, QPoint(int(panel.center().x()), int(panel.top() + 12)));
    QVERIFY(!model->onThisDayExpanded());
    c.settle();
    QVERIFY(c.list()->visualRect(model->index(row)).height() < rect.height());
    QTest::mouseClick(c.list()->viewport(), Qt::LeftButton, {}, QPoint(int(panel.center().x()), int(panel.top() + 12)));
    QVERIFY(model->onThisDayExpanded());
    c.settle();
    // Second row of the block: the entry from ten years ago (newest first).
    const auto hit = [&](int index) {
        for (int y = int(panel.top()); y < int(panel.bottom()); ++y) {
            const auto h = OnThisDaySection::hitTest(QRectF(rect), QPointF(panel.center().x(), y), 2, true);
            if (h.kind == OnThisDaySection::Hit::Kind::Entry && h.entryIndex == index) {
                return QPoint(int(panel.center().x()), y + 5);
            }
        }
        return QPoint();
    };
    QTest::mouseClick(c.list()->viewport(), Qt::LeftButton, {}, hit(1));
    QCOMPARE(c.store.selectedEntryID(), std::optional<QUuid>(older.id));
    QCOMPARE(c.store.selectedSection(), NavSection::Today);

    // With motion on, the rows fold away with the spring rather than at once.
    vsp::setAnimationsEnabled(true);
    EntryListDelegate* delegate = c.list()->listDelegate();
    QCOMPARE(delegate->onThisDayReveal(), 1.0);
    QTest::mouseClick(c.list()->viewport(), Qt::LeftButton, {}, QPoint(int(panel.center().x()), int(panel.top() + 12)));
    QVERIFY(!model->onThisDayExpanded());
    QTRY_VERIFY(delegate->onThisDayReveal() > 0.0 && delegate->onThisDayReveal() < 1.0);
    QTRY_COMPARE(delegate->onThisDayReveal(), 0.0);
    vsp::setAnimationsEnabled(false);
}

void EntryListViewTest::onThisDay_tallBlock_keepsOnlyWhatIsShown()
{
    vsp::test::ManualClock clock;
    *clock.now = localMoment(fixtures::dayWithAYearBack(), 12);
    Column c(false, clock.function());
    QList<JournalEntry> entries = {entry(QStringLiteral("Now"), localMoment(c.store.today(), 8))};
    for (int years = 1; years <= 40; ++years) {
        entries.append(entry(QStringLiteral("Then %1").arg(years), localMoment(c.store.today().addYears(-years), 9)));
    }
    c.store.setEntries(entries);
    c.settle();
    EntryListModel* model = c.list()->listModel();
    const QModelIndex block = model->index(model->rowCount() - 1);
    QCOMPARE(model->kind(block.row()), EntryListModel::RowKind::OnThisDay);
    QScrollBar* bar = c.list()->verticalScrollBar();
    bar->setValue(bar->maximum());
    c.settle();
    const QRect rect = c.list()->visualRect(block);
    QVERIFY(rect.height() > 2 * c.list()->viewport()->height());
    const QImage bottom = c.list()->viewport()->grab().toImage();
    // Only the part on screen is kept: a picture of the whole block would be several screens tall. A
    // block that fades out shows that part where it was.
    QPoint at;
    const QPixmap kept = c.list()->listDelegate()->restingPicture(block, rect.size(), bottom.devicePixelRatio(), &at);
    QVERIFY(!kept.isNull());
    QCOMPARE_LE(kept.deviceIndependentSize().height(), c.list()->viewport()->height());
    QCOMPARE(rect.top() + at.y(), std::max(rect.top(), 0));

    // Scrolled up a little, the block shows the same pixels, moved down.
    constexpr int kShift = 150;
    bar->setValue(bar->maximum() - kShift);
    c.settle();
    const QImage higher = c.list()->viewport()->grab().toImage();
    const int overlap = bottom.height() - kShift;
    // (A level apart at most: the glass's sheen spans the whole block, and its gradient rounds differently
    // at another place on screen.)
    QCOMPARE_LE(viewfixtures::largestChannelDifference(higher.copy(0, kShift, higher.width(), overlap),
                                                       bottom.copy(0, 0, bottom.width(), overlap)),
                2);
    // The block drawn there afresh looks the same as the one that kept its pixels and drew the strip
    // that came into view.
    c.list()->listDelegate()->clearContentCache();
    const QImage fresh = c.list()->viewport()->grab().toImage();
    QCOMPARE_LE(viewfixtures::largestChannelDifference(higher, fresh), 2);
}

void EntryListViewTest::rowSettings_changeRowsAtOnce()
{
    Column c;
    const QUuid id = c.byTitle(QStringLiteral("B")).id;
    const int normal = c.list()->rectOf(id).height();
    AppSettings::instance().setCompactListView(true);
    c.settle();
    QCOMPARE(c.list()->rectOf(id).height(), normal - 6);
    AppSettings::instance().setShowEntryPreviews(false);
    c.settle();
    QVERIFY(c.list()->rectOf(id).height() < normal - 6);
}

void EntryListViewTest::searchField_slidesInFromTopEdgeAndFades()
{
    Column c;
    vsp::setAnimationsEnabled(true);
    SearchField* field = vsp::test::child<SearchField>(c.view, QStringLiteral("searchField"));
    QTest::mouseClick(vsp::test::child<vsp::GlassButton>(c.view, QStringLiteral("searchButton")), Qt::LeftButton);
    // It starts just above the top edge of its place, transparent, and takes the caret at once.
    QVERIFY(field->isVisible());
    QCOMPARE(c.view.searchReveal(), 0.0);
    QCOMPARE(field->geometry().bottom() + 1, -8);
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(field->graphicsEffect());
    QVERIFY(effect && effect->isEnabled());
    QCOMPARE(effect->opacity(), 0.0);
    QTRY_VERIFY(field->lineEdit()->hasFocus() || !QApplication::focusWindow());
    QTRY_COMPARE_WITH_TIMEOUT(c.view.searchReveal(), 1.0, 5000);
    QCOMPARE(field->geometry(), QRect(12, 0, c.view.width() - 24, 36));
    QCOMPARE(field->parentWidget()->height(), 44);
    QVERIFY(!effect->isEnabled());
    // The button has taken on its accent look with the same spring.
    QTRY_COMPARE_WITH_TIMEOUT(vsp::test::child<ListHeader>(c.view, QStringLiteral("listHeader"))->searchEmphasis(), 1.0,
                              5000);
    // The list below keeps its rows laid out while the field pushes it down.
    QVERIFY(c.list()->rectOf(c.byTitle(QStringLiteral("A")).id).isValid());

    QTest::mouseClick(vsp::test::child<vsp::GlassButton>(c.view, QStringLiteral("searchButton")), Qt::LeftButton);
    QVERIFY(field->parentWidget()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!field->parentWidget()->isVisible(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(c.view.searchReveal(), 0.0, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(vsp::test::child<ListHeader>(c.view, QStringLiteral("listHeader"))->searchEmphasis(), 0.0,
                              5000);
}

void EntryListViewTest::calendarAndList_fadeIntoEachOther()
{
    Column c;
    vsp::setAnimationsEnabled(true);
    QTest::mouseClick(vsp::test::child<vsp::GlassButton>(c.view, QStringLiteral("calendarButton")), Qt::LeftButton);
    QPointer<vsp::TransitionOverlay> fade = c.view.m_pageTransition;
    QVERIFY(fade);
    QCOMPARE(fade->geometry(), c.view.rect());
    QVERIFY(c.view.m_calendar && c.view.m_calendar->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!fade, 5000);
    QVERIFY(c.view.m_calendar->isVisible());

    // Toggle Search leads back to the list with the same fade.
    Q_EMIT AppNotifications::instance().VspToggleSearch();
    fade = c.view.m_pageTransition;
    QVERIFY(fade);
    QVERIFY(vsp::test::child<ListHeader>(c.view, QStringLiteral("listHeader"))->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!fade, 5000);
    QVERIFY(!c.view.m_calendar);
    QVERIFY(c.view.list()->isVisible());
}

void EntryListViewTest::showSidebarButton_growsInAndShrinksAway()
{
    Column c;
    vsp::setAnimationsEnabled(true);
    vsp::GlassButton* button = vsp::test::child<vsp::GlassButton>(c.view, QStringLiteral("showSidebar"));
    const int titleLeft = vsp::test::child<QLabel>(c.view, QStringLiteral("listTitle"))->x();
    c.columns.setVisibility(ColumnVisibilityHolder::Visibility::DoubleColumn);
    // It enters from nothing, making room for itself beside the title.
    QVERIFY(button->isVisible());
    QCOMPARE(button->presence(), 0.0);
    QTRY_COMPARE_WITH_TIMEOUT(button->presence(), 1.0, 5000);
    QTRY_COMPARE(vsp::test::child<QLabel>(c.view, QStringLiteral("listTitle"))->x(), titleLeft + 36);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(c.columns.visibility(), ColumnVisibilityHolder::Visibility::All);
    // It leaves shrinking and fading, and gives its room back.
    QVERIFY(button->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!button->isVisible(), 5000);
    QCOMPARE(button->presence(), 0.0);
    QTRY_COMPARE(vsp::test::child<QLabel>(c.view, QStringLiteral("listTitle"))->x(), titleLeft);
}
