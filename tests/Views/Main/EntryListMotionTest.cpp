#include "EntryListMotionTest.h"

#include "common/StoreFixtures.h"
#include "common/TestSupport.h"
#include "common/ViewFixtures.h"

#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/Spring.h"
#include "Theme/TransitionOverlay.h"
#include "Views/Main/EmptyListView.h"
#include "Views/Main/EntryListModel.h"
#include "Views/Main/EntryListMotion.h"
#include "Views/Main/EntryListView.h"
#include "Views/Main/EntryListWidget.h"
#include "Widgets/ColumnVisibilityHolder.h"

#include <QImage>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using viewfixtures::entry;
using viewfixtures::localMoment;
using Key = EntryListModel::RowKey;
using Kind = EntryListModel::RowKind;
using Look = EntryListMotion::Look;

namespace {

/// Comfortably longer than the list's spring (about 0.36 s), for slow sanitizer builds.
constexpr int kSettle = 5000;

/// The list column, 340 by 800, showing entries A (newest) to D of today in the Today section.
struct Column {
    JournalStore store{fixtures::fixtureClock().function()};
    MoodStore moods;
    ColumnVisibilityHolder columns;
    EntryListView view{store, moods, columns, {}};

    /// `clock` is the store's.
    explicit Column(const QList<JournalEntry>& entries = defaultEntries(), NavSection section = NavSection::Today,
                    JournalStore::Clock clock = fixtures::fixtureClock().function())
        : store(std::move(clock))
    {
        store.setEntries(entries);
        store.setSelectedSection(section);
        store.setSelectedEntryID(std::nullopt);
        view.resize(340, 800);
        view.show();
        (void)QTest::qWaitForWindowExposed(&view);
        QCoreApplication::processEvents();
        model()->refresh();
        list()->doItemsLayout();
        vsp::setAnimationsEnabled(true);
    }
    static QList<JournalEntry> defaultEntries()
    {
        return {entry(QStringLiteral("A"), localMoment(0, 0, 4), QStringLiteral("alpha")),
                entry(QStringLiteral("B"), localMoment(0, 0, 3), QStringLiteral("bravo")),
                entry(QStringLiteral("C"), localMoment(0, 0, 2), QStringLiteral("charlie")),
                entry(QStringLiteral("D"), localMoment(0, 0, 1), QStringLiteral("delta"))};
    }
    EntryListWidget* list() const { return view.list(); }
    EntryListModel* model() const { return view.list()->listModel(); }
    EntryListMotion* motion() const { return view.list()->motion(); }
    /// Applies the store's change to the rows and works out where the moving rows start, as the next
    /// paint would, without letting the spring advance.
    void change()
    {
        model()->refresh();
        motion()->resolve();
    }
    const JournalEntry& byTitle(const QString& title) const
    {
        for (const JournalEntry& e : store.entries()) {
            if (e.title == title) {
                return e;
            }
        }
        qFatal("no entry");
    }
    static Key keyOf(const JournalEntry& e) { return {Kind::Entry, e.id, false}; }
    Key key(const QString& title) const { return keyOf(byTitle(title)); }
    int top(const QString& title) const { return list()->rectOf(byTitle(title).id).top(); }
    Look look(const QString& title) const { return motion()->lookOf(key(title)); }
};

} // namespace

void EntryListMotionTest::init()
{
    viewfixtures::resetState();
}

void EntryListMotionTest::cleanup()
{
    vsp::setAnimationsEnabled(false);
}

void EntryListMotionTest::insertedRow_fadesAndDropsIn_thenRests()
{
    Column c;
    const int oldTopA = c.top(QStringLiteral("A"));
    const JournalEntry added = entry(QStringLiteral("New"), localMoment(0, 0, 5), QStringLiteral("new"));
    c.store.addEntry(added);
    c.change();
    QVERIFY(c.motion()->isRunning());
    // The new row starts invisible, a little above its place; the others start where they were.
    QCOMPARE(c.motion()->lookOf(Column::keyOf(added)), (Look{-EntryListMotion::kInsertDrop, 0.0}));
    QVERIFY(c.top(QStringLiteral("A")) > oldTopA);
    QCOMPARE(c.top(QStringLiteral("A")) + c.look(QStringLiteral("A")).offsetY, qreal(oldTopA));
    QCOMPARE(c.look(QStringLiteral("A")).opacity, 1.0);
    // The spring settles every row at its place, fully opaque.
    QTRY_VERIFY_WITH_TIMEOUT(!c.motion()->isRunning(), kSettle);
    QCOMPARE(c.motion()->lookOf(Column::keyOf(added)), Look{});
    QCOMPARE(c.look(QStringLiteral("A")), Look{});
    QCOMPARE(c.motion()->progress(), 1.0);
}

void EntryListMotionTest::removedRow_staysPaintedUntilFaded()
{
    Column c;
    const QRect placeB = c.list()->rectOf(c.byTitle(QStringLiteral("B")).id);
    const QImage before = c.list()->viewport()->grab(placeB).toImage();
    const Key b = c.key(QStringLiteral("B"));
    const int oldTopC = c.top(QStringLiteral("C"));
    c.store.deleteEntry(c.byTitle(QStringLiteral("B")));
    c.change();
    // B is no longer listed but still painted, unfaded, where it was; C starts from its old place.
    QCOMPARE(c.model()->rowOf(b), -1);
    QCOMPARE(c.motion()->leavingRows(), QList<Key>{b});
    QCOMPARE(c.motion()->lookOfLeaving(b), Look{});
    QCOMPARE(c.list()->viewport()->grab(placeB).toImage(), before);
    QCOMPARE(c.top(QStringLiteral("C")) + c.look(QStringLiteral("C")).offsetY, qreal(oldTopC));
    QVERIFY(c.look(QStringLiteral("C")).offsetY > 0);
    QTRY_VERIFY_WITH_TIMEOUT(c.motion()->leavingRows().isEmpty(), kSettle);
    QVERIFY(!c.motion()->isRunning());
    // C has closed up into B's place.
    QCOMPARE(c.top(QStringLiteral("C")), placeB.top());
    QVERIFY(c.list()->viewport()->grab(placeB).toImage() != before);
}

void EntryListMotionTest::reorderedRows_glideFromWhereTheyWere()
{
    Column c;
    QHash<QString, int> oldTops;
    for (const QString& title : {u"A"_qs, u"B"_qs, u"C"_qs, u"D"_qs}) {
        oldTops.insert(title, c.top(title));
    }
    c.store.toggleSortOrder();
    c.change();
    QVERIFY(c.motion()->leavingRows().isEmpty());
    for (auto it = oldTops.cbegin(); it != oldTops.cend(); ++it) {
        QCOMPARE(c.top(it.key()) + c.look(it.key()).offsetY, qreal(it.value()));
        QCOMPARE(c.look(it.key()).opacity, 1.0);
    }
    QVERIFY(c.top(QStringLiteral("A")) > oldTops.value(QStringLiteral("A")));
    QTRY_VERIFY_WITH_TIMEOUT(!c.motion()->isRunning(), kSettle);
    QCOMPARE(c.look(QStringLiteral("D")), Look{});
}

void EntryListMotionTest::pinning_glidesRowUp_andFadesCaptionsIn()
{
    Column c;
    const int oldTopC = c.top(QStringLiteral("C"));
    c.store.togglePin(c.byTitle(QStringLiteral("C")));
    c.change();
    QCOMPARE(c.model()->keyAt(1), c.key(QStringLiteral("C")));
    QVERIFY(c.top(QStringLiteral("C")) < oldTopC);
    QCOMPARE(c.top(QStringLiteral("C")) + c.look(QStringLiteral("C")).offsetY, qreal(oldTopC));
    for (const bool pinned : {true, false}) {
        const Key caption{Kind::Caption, QUuid(), pinned};
        QVERIFY(c.model()->rowOf(caption) >= 0);
        QCOMPARE(c.motion()->lookOf(caption).opacity, 0.0);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!c.motion()->isRunning(), kSettle);
    QCOMPARE(c.motion()->lookOf(Key{Kind::Caption, QUuid(), true}), Look{});
}

void EntryListMotionTest::twoChangesBeforePaint_bothAnimate()
{
    Column c;
    const Key b = c.key(QStringLiteral("B"));
    const Key cKey = c.key(QStringLiteral("C"));
    const int oldTopD = c.top(QStringLiteral("D"));
    c.store.deleteEntry(c.byTitle(QStringLiteral("B")));
    c.model()->refresh();
    c.store.deleteEntry(c.byTitle(QStringLiteral("C")));
    c.model()->refresh();
    // An entry added and deleted again before any paint never shows.
    const JournalEntry fleeting = entry(QStringLiteral("Fleeting"), localMoment(0, 0, 6));
    c.store.addEntry(fleeting);
    c.model()->refresh();
    c.store.deleteEntry(fleeting);
    c.store.setSelectedEntryID(std::nullopt);
    c.change();
    const QList<Key> leaving = c.motion()->leavingRows();
    QCOMPARE(QSet<Key>(leaving.cbegin(), leaving.cend()), (QSet<Key>{b, cKey}));
    QCOMPARE(c.motion()->lookOf(Column::keyOf(fleeting)), Look{});
    QCOMPARE(c.top(QStringLiteral("D")) + c.look(QStringLiteral("D")).offsetY, qreal(oldTopD));
    QTRY_VERIFY_WITH_TIMEOUT(!c.motion()->isRunning(), kSettle);
}

void EntryListMotionTest::onThisDay_risesFromBottomEdge_andSinksWhenLeaving()
{
    vsp::test::ManualClock clock;
    const QDate today = fixtures::dayWithAYearBack();
    *clock.now = localMoment(today, 12);
    const QDate lastYear = today.addYears(-1);
    Column c({entry(QStringLiteral("Now"), localMoment(today, 0, 1)),
              entry(QStringLiteral("Old"), localMoment(lastYear, 9), QStringLiteral("then"))},
             NavSection::Journal, clock.function());
    const Key block{Kind::OnThisDay, QUuid(), false};
    QCOMPARE(c.model()->rowOf(block), -1);
    c.store.setSelectedSection(NavSection::Today);
    c.change();
    const int row = c.model()->rowOf(block);
    QVERIFY(row >= 0);
    const QRect place = c.list()->visualRect(c.model()->index(row));
    // It starts at the bottom edge of the list, invisible; "Old" leaves the list.
    const Look start = c.motion()->lookOf(block);
    QCOMPARE(place.top() + start.offsetY, qreal(c.list()->viewport()->height()));
    QCOMPARE(start.opacity, 0.0);
    QCOMPARE(c.motion()->leavingRows(), QList<Key>{c.key(QStringLiteral("Old"))});
    QTRY_VERIFY_WITH_TIMEOUT(!c.motion()->isRunning(), kSettle);

    // Leaving, it stays painted where it is and fades out on its way down.
    c.store.setSelectedSection(NavSection::Journal);
    c.change();
    QCOMPARE(c.motion()->leavingRows(), QList<Key>{block});
    QCOMPARE(c.motion()->lookOfLeaving(block), Look{});
    QTRY_VERIFY_WITH_TIMEOUT(c.motion()->leavingRows().isEmpty(), kSettle);
}

void EntryListMotionTest::largeChange_landsAtOnce_data()
{
    QTest::addColumn<bool>("animations");
    QTest::addColumn<int>("entries");
    QTest::newRow("hundreds of rows leave") << true << 200;
    QTest::newRow("animations off") << false << 6;
}

void EntryListMotionTest::largeChange_landsAtOnce()
{
    QFETCH(bool, animations);
    QFETCH(int, entries);
    QList<JournalEntry> many;
    for (int i = 0; i < entries; ++i) {
        many << entry(QStringLiteral("Entry %1").arg(i), localMoment(-1 - i), i == 3 ? u"needle"_qs : u"hay"_qs);
    }
    Column c(many, NavSection::Journal);
    vsp::setAnimationsEnabled(animations);
    QSignalSpy frames(c.motion(), &EntryListMotion::frame);
    c.store.setSearchQuery(QStringLiteral("needle"));
    c.change();
    QCOMPARE(c.model()->rowCount(), 1);
    QVERIFY(!c.motion()->isRunning());
    QVERIFY(c.motion()->leavingRows().isEmpty());
    QCOMPARE(c.look(QStringLiteral("Entry 3")), Look{});
    // Nothing starts later either: whatever would move runs to its end here and would show as frames.
    viewfixtures::finishAnimations(&c.view);
    QCOMPARE(frames.count(), 0);
}

void EntryListMotionTest::rowSignals_countRowsThatComeAndGo()
{
    QList<JournalEntry> entries;
    for (int i = 0; i < 60; ++i) {
        entries << entry(QStringLiteral("E%1").arg(i), localMoment(-1 - i), i < 10 ? u"ten"_qs : u"rest"_qs);
    }
    Column c(entries, NavSection::Journal);

    // Pinning one entry: the entry moves, the two captions come in.
    c.store.togglePin(c.byTitle(QStringLiteral("E20")));
    c.change();
    QVERIFY(c.motion()->isRunning());
    QCOMPARE(c.motion()->lookOf(Key{Kind::Caption, QUuid(), true}).opacity, 0.0);
    QTRY_VERIFY_WITH_TIMEOUT(!c.motion()->isRunning(), kSettle);

    // Fifty rows leave (the others and a caption): more than the motion follows.
    c.store.setSearchQuery(QStringLiteral("ten"));
    c.model()->refresh();
    QVERIFY(!c.motion()->isPending());
    c.motion()->resolve();
    QVERIFY(!c.motion()->isRunning());
    QVERIFY(c.motion()->leavingRows().isEmpty());

    // A change of data alone (same rows) moves nothing.
    JournalEntry edited = c.byTitle(QStringLiteral("E1"));
    edited.title = QStringLiteral("E1 edited");
    c.store.updateEntry(edited);
    c.model()->refresh();
    QVERIFY(!c.motion()->isPending());
}

void EntryListMotionTest::emptyState_listFadesIntoIt_andRowsEnterWhenBack()
{
    Column c;
    const QRect rowA = c.list()->rectOf(c.byTitle(QStringLiteral("A")).id);
    const QRect inBody(c.list()->viewport()->mapTo(c.list()->parentWidget(), rowA.topLeft()), rowA.size());
    const auto opaque = [](const QPixmap& picture) { return picture.toImage().convertToFormat(QImage::Format_RGB32); };
    // The list over the column's background, as the user sees it.
    const QImage before =
        opaque(c.view.grab(QRect(c.list()->parentWidget()->mapTo(&c.view, inBody.topLeft()), inBody.size())));
    c.store.setSearchQuery(QStringLiteral("nothing like it"));
    c.change();
    QPointer<vsp::TransitionOverlay> fade = c.view.m_emptyTransition;
    QVERIFY(fade);
    QVERIFY(c.view.showsEmptyState());
    // The fade starts from the rows as they were, not from an empty list.
    // (Glass and text edges may round differently between the two paths by a step or two.)
    const QImage fading = opaque(fade->grab(inBody));
    QCOMPARE(fading.size(), before.size());
    int largest = 0;
    for (int y = 0; y < before.height(); ++y) {
        for (int x = 0; x < before.width(); ++x) {
            const QColor a = before.pixelColor(x, y);
            const QColor b = fading.pixelColor(x, y);
            largest = std::max(
                {largest, std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
        }
    }
    QVERIFY2(largest <= 24, qPrintable(QString::number(largest)));
    QTRY_VERIFY_WITH_TIMEOUT(!fade, kSettle);
    QVERIFY(vsp::test::child<EmptyListView>(c.view, QStringLiteral("emptyList"))->isVisible());
    QVERIFY(!c.motion()->isRunning());

    // The rows come back as new ones.
    c.store.setSearchQuery(QString());
    c.change();
    QVERIFY(!c.view.showsEmptyState());
    QVERIFY(c.motion()->isRunning());
    for (const QString& title : {u"A"_qs, u"D"_qs}) {
        QCOMPARE(c.look(title), (Look{-EntryListMotion::kInsertDrop, 0.0}));
    }
    QTRY_VERIFY_WITH_TIMEOUT(!c.motion()->isRunning(), kSettle);
    QCOMPARE(c.look(QStringLiteral("A")), Look{});
}

void EntryListMotionTest::emptyState_messageFollowsTheFieldDuringItsFade()
{
    Column c;
    c.store.setSearchQuery(QStringLiteral("z"));
    c.change();
    QPointer<vsp::TransitionOverlay> fade = c.view.m_emptyTransition;
    QVERIFY(fade);
    // The fade takes its picture of the message for "z".
    QCoreApplication::processEvents();
    QVERIFY(fade && fade->isMoving());
    c.store.setSearchQuery(QStringLiteral("zzz"));
    c.change();
    // Nothing covers the message for the text now in the field.
    QVERIFY(!fade || !fade->isVisible());
    QVERIFY(vsp::test::child<EmptyListView>(c.view, QStringLiteral("emptyList"))->isVisible());
    QCOMPARE(vsp::test::child<EmptyListView>(c.view, QStringLiteral("emptyList"))->message(),
             QStringLiteral("No results for \"zzz\""));
}

void EntryListMotionTest::hiddenList_forgetsWhatItSaw()
{
    Column c;
    c.store.deleteEntry(c.byTitle(QStringLiteral("B")));
    c.model()->refresh();
    QVERIFY(c.motion()->isPending());
    // The calendar takes the list's place before it was painted again.
    c.store.setShowCalendar(true);
    QVERIFY(!c.list()->isVisible());
    QVERIFY(!c.motion()->isPending());
    c.store.setShowCalendar(false);
    c.motion()->resolve();
    QVERIFY(!c.motion()->isRunning());
    QVERIFY(c.motion()->leavingRows().isEmpty());
}
