#include "KeyboardAccessTest.h"

#include "common/FakeAuthenticator.h"
#include "common/StoreFixtures.h"
#include "common/TestSupport.h"
#include "common/ViewFixtures.h"

#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Settings/LockScreenView.h"
#include "Theme/FocusRing.h"
#include "Theme/Spring.h"
#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/EntryListModel.h"
#include "Views/Main/EntryListView.h"
#include "Views/Main/EntryListWidget.h"
#include "Views/Main/ListHeader.h"
#include "Views/Main/MainWindow.h"
#include "Views/Main/SearchField.h"
#include "Views/Sidebar/CalendarView.h"
#include "Views/Sidebar/SidebarView.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

using viewfixtures::entry;
using viewfixtures::localMoment;

namespace {

/// The main window with entries A (newest) to D in Journal, nothing selected, active.
struct Window {
    JournalStore store{fixtures::fixtureClock().function()};
    MoodStore moods;
    MainWindow window{store, moods, {}};

    Window()
    {
        window.contentView()->lockScreen()->setAuthenticatorFactory(
            vsp::test::FakeAuthenticator::factory(vsp::test::FakeAuthenticator::Stack::Silent));
        store.setEntries(
            {entry(QStringLiteral("A"), localMoment(-1), QStringLiteral("alpha"), {QStringLiteral("work")}),
             entry(QStringLiteral("B"), localMoment(-2), QStringLiteral("bravo")),
             entry(QStringLiteral("C"), localMoment(-3), QStringLiteral("charlie")),
             entry(QStringLiteral("D"), localMoment(-4), QStringLiteral("delta"))});
        store.setSelectedSection(NavSection::Journal);
        store.setSelectedEntryID(std::nullopt);
        window.show();
        QApplication::setActiveWindow(&window);
        (void)QTest::qWaitForWindowActive(&window);
        list()->listModel()->refresh();
        list()->doItemsLayout();
    }
    EntryListWidget* list() const { return window.contentView()->entryList()->list(); }
    QString selectedTitle() const
    {
        const std::optional<QUuid> id = store.selectedEntryID();
        for (const JournalEntry& e : store.entries()) {
            if (id && e.id == *id) {
                return e.title;
            }
        }
        return QString();
    }
};

/// Which of the columns `w` is in: 0 sidebar, 1 list, 2 detail, -1 none.
int columnOf(const ContentView& content, const QWidget* w)
{
    const QWidget* columns[] = {content.sidebar(), content.entryList(), content.detail()};
    for (int i = 0; i < 3; ++i) {
        if (columns[i]->isAncestorOf(w)) {
            return i;
        }
    }
    return -1;
}

} // namespace

void KeyboardAccessTest::init()
{
    viewfixtures::resetState();
}

void KeyboardAccessTest::cleanup()
{
    vsp::setAnimationsEnabled(false);
}

void KeyboardAccessTest::tabChain_reachesEveryColumnInOrder_withNames()
{
    Window w;
    w.list()->setFocus(Qt::TabFocusReason);
    QVERIFY(w.list()->hasFocus());
    QTest::keyClick(w.list(), Qt::Key_Down);
    QCOMPARE(w.selectedTitle(), QStringLiteral("A"));
    // Starting from the list (a click on a row would too), once round the whole window.
    const QList<QWidget*> chain = viewfixtures::tabChain(&w.window);
    QVERIFY2(chain.size() >= 10, qPrintable(QString::number(chain.size())));
    QList<int> columns;
    for (QWidget* widget : chain) {
        QVERIFY2(!viewfixtures::accessibleName(widget).trimmed().isEmpty(), qPrintable(viewfixtures::describe(widget)));
        const int column = columnOf(*w.window.contentView(), widget);
        if (columns.isEmpty() || columns.last() != column) {
            columns.append(column);
        }
    }
    // From the list: the detail's controls, round to the sidebar, then the list's header and the list.
    QCOMPARE(columns, (QList<int>{2, 0, 1}));
    // The sidebar's rows and header buttons, and the list's header buttons, are all in the chain.
    QVERIFY(
        chain.contains(vsp::test::child<ListHeader>(*w.window.contentView()->entryList(), QStringLiteral("listHeader"))
                           ->findChild<QAbstractButton*>()));
    QVERIFY(std::count_if(chain.cbegin(), chain.cend(),
                          [&](QWidget* x) { return columnOf(*w.window.contentView(), x) == 0; })
            >= 5);

    // A painted button reached by Tab shows the ring round itself; the list shows its own.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* focused = QApplication::focusWidget();
    QWidget* ring = vsp::shownFocusRing();
    QVERIFY2(ring, qPrintable(viewfixtures::describe(focused)));
    QVERIFY(ring->isVisible());
    const QRect around(ring->mapTo(&w.window, QPoint(0, 0)), ring->size());
    QVERIFY(around.contains(QRect(focused->mapTo(&w.window, QPoint(0, 0)), focused->size()).adjusted(1, 1, -1, -1)));
}

void KeyboardAccessTest::tabChain_calendarTakesTheListsPlace()
{
    Window w;
    w.store.setSelectedEntryID(w.store.entries().first().id);
    w.store.showCalendarToday();
    auto* grid = w.window.findChild<CalendarGrid*>();
    QVERIFY(grid);
    grid->setFocus(Qt::TabFocusReason);
    QList<int> columns;
    for (QWidget* widget : viewfixtures::tabChain(&w.window)) {
        const int column = columnOf(*w.window.contentView(), widget);
        if (columns.isEmpty() || columns.last() != column) {
            columns.append(column);
        }
    }
    // From the calendar (past what follows its grid), made after the detail: on to the detail, round to
    // the sidebar, back to the calendar.
    if (!columns.isEmpty() && columns.first() == 1) {
        columns.removeFirst();
    }
    QCOMPARE(columns, (QList<int>{2, 0, 1}));
}

void KeyboardAccessTest::listKeys_moveSelection_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("selected");
    QTest::newRow("down from nothing") << QList<int>{Qt::Key_Down} << QStringLiteral("A");
    QTest::newRow("down down") << QList<int>{Qt::Key_Down, Qt::Key_Down} << QStringLiteral("B");
    QTest::newRow("up stops at the top") << QList<int>{Qt::Key_Down, Qt::Key_Up, Qt::Key_Up} << QStringLiteral("A");
    QTest::newRow("end") << QList<int>{Qt::Key_End} << QStringLiteral("D");
    QTest::newRow("end then up") << QList<int>{Qt::Key_End, Qt::Key_Up} << QStringLiteral("C");
    QTest::newRow("down stops at the end") << QList<int>{Qt::Key_End, Qt::Key_Down} << QStringLiteral("D");
    QTest::newRow("home") << QList<int>{Qt::Key_End, Qt::Key_Home} << QStringLiteral("A");
    // The four rows fit in the view: a page away is past either end.
    QTest::newRow("page down") << QList<int>{Qt::Key_Home, Qt::Key_PageDown} << QStringLiteral("D");
    QTest::newRow("page up") << QList<int>{Qt::Key_End, Qt::Key_PageUp} << QStringLiteral("A");
}

void KeyboardAccessTest::listKeys_moveSelection()
{
    QFETCH(QList<int>, keys);
    QFETCH(QString, selected);
    Window w;
    w.list()->setFocus(Qt::TabFocusReason);
    for (const int key : keys) {
        QTest::keyClick(w.list(), Qt::Key(key));
    }
    QCOMPARE(w.selectedTitle(), selected);
    // The detail follows, as it does a click; the focus stays in the list, with its ring.
    QVERIFY(w.window.contentView()->detail()->isVisible());
    QCOMPARE(std::optional<QUuid>(w.window.contentView()->detail()->entry().id), w.store.selectedEntryID());
    QVERIFY(w.list()->hasFocus());
    QVERIFY(w.list()->showsFocusRing());
}

void KeyboardAccessTest::downFromSearchField_selectsFirstResult()
{
    Window w;
    EntryListView* column = w.window.contentView()->entryList();
    column->setShowSearch(true);
    QLineEdit* field = vsp::test::child<SearchField>(*column, QStringLiteral("searchField"))->lineEdit();
    QVERIFY(field->hasFocus());
    QTest::keyClicks(field, QStringLiteral("ar"));
    w.list()->listModel()->refresh();
    QTest::keyClick(field, Qt::Key_Down);
    // "charlie" is the first match (A's "alpha" has no "ar").
    QCOMPARE(w.selectedTitle(), QStringLiteral("C"));
    QVERIFY(w.list()->hasFocus());
    QTest::keyClick(w.list(), Qt::Key_Down);
    QCOMPARE(w.selectedTitle(), QStringLiteral("C"));
    QCOMPARE(field->text(), QStringLiteral("ar"));
}
