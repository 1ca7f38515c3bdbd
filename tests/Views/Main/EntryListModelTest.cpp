#include "EntryListModelTest.h"

#include "common/StoreFixtures.h"
#include "common/TestSupport.h"
#include "common/ViewFixtures.h"

#include "Model/JournalStore.h"
#include "Views/Main/EntryListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using viewfixtures::entry;
using viewfixtures::localMoment;
using Kind = EntryListModel::RowKind;

namespace {

/// A list of texts written as one comma-separated text.
QStringList names(const char* commaSeparated)
{
    return QString::fromUtf8(commaSeparated).split(u',', Qt::SkipEmptyParts);
}

/// The rows as text: "PINNED", "ENTRIES", "OTD", or the entry's title with "*" when pinned.
QStringList describe(const EntryListModel& model)
{
    QStringList rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        switch (model.kind(r)) {
        case Kind::Caption: rows << model.caption(r); break;
        case Kind::OnThisDay: rows << QStringLiteral("OTD"); break;
        case Kind::Entry:
            rows << model.entryAt(r)->title + (model.isPinnedRow(r) ? QStringLiteral("*") : QString());
            break;
        }
    }
    return rows;
}

/// A store in the Journal section with entries A (newest) to D (oldest).
void fill(JournalStore& store)
{
    store.setEntries({entry(QStringLiteral("A"), localMoment(-1)), entry(QStringLiteral("B"), localMoment(-2)),
                      entry(QStringLiteral("C"), localMoment(-3)), entry(QStringLiteral("D"), localMoment(-4))});
    store.setSelectedSection(NavSection::Journal);
}

} // namespace

void EntryListModelTest::init()
{
    viewfixtures::resetState();
}

void EntryListModelTest::captions_dependOnPinnedEntries_data()
{
    QTest::addColumn<QStringList>("pinned");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("oldestFirst");
    QTest::newRow("none pinned: no captions") << names("") << names("A,B,C,D") << names("D,C,B,A");
    QTest::newRow("some pinned keep list order")
        << names("C,A") << names("PINNED,A*,C*,ENTRIES,B,D") << names("PINNED,C*,A*,ENTRIES,D,B");
    QTest::newRow("all pinned: only PINNED")
        << names("A,B,C,D") << names("PINNED,A*,B*,C*,D*") << names("PINNED,D*,C*,B*,A*");
}

void EntryListModelTest::captions_dependOnPinnedEntries()
{
    QFETCH(QStringList, pinned);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, oldestFirst);
    JournalStore store(fixtures::fixtureClock().function());
    fill(store);
    QSet<QUuid> ids;
    for (const JournalEntry& e : store.entries()) {
        if (pinned.contains(e.title)) {
            ids.insert(e.id);
        }
    }
    store.setPinnedIDs(ids);
    EntryListModel model(store);
    QCOMPARE(describe(model), rows);
    store.setSortNewestFirst(false);
    model.refresh();
    QCOMPARE(describe(model), oldestFirst);
}

void EntryListModelTest::onThisDay_showsOnlyOnPlainToday_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("mood");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("shown");
    QTest::newRow("today") << int(NavSection::Today) << ""
                           << ""
                           << "" << true;
    QTest::newRow("today with mood filter") << int(NavSection::Today) << ""
                                            << "⚡"
                                            << "" << true;
    QTest::newRow("today with tag") << int(NavSection::Today) << "old"
                                    << ""
                                    << "" << false;
    QTest::newRow("today with search") << int(NavSection::Today) << ""
                                       << ""
                                       << "memory" << false;
    QTest::newRow("journal") << int(NavSection::Journal) << ""
                             << ""
                             << "" << false;
}

void EntryListModelTest::onThisDay_showsOnlyOnPlainToday()
{
    QFETCH(int, section);
    QFETCH(QString, tag);
    QFETCH(QString, mood);
    QFETCH(QString, query);
    QFETCH(bool, shown);
    vsp::test::ManualClock clock;
    *clock.now = localMoment(fixtures::dayWithAYearBack(), 12);
    JournalStore store(clock.function());
    const QDate lastYear = store.today().addYears(-1);
    JournalEntry old = entry(QStringLiteral("A year ago"), localMoment(lastYear, 10), QStringLiteral("memory"),
                             {QStringLiteral("old")});
    store.setEntries({old});
    store.setSelectedSection(NavSection(section));
    store.setSelectedTag(tag.isEmpty() ? std::nullopt : std::optional<QString>(tag));
    store.setMoodFilter(mood.isEmpty() ? std::nullopt : std::optional<QString>(mood));
    store.setSearchQuery(query);
    EntryListModel model(store);
    QCOMPARE(model.showsOnThisDay(), shown);
    QCOMPARE(describe(model).contains(QStringLiteral("OTD")), shown);
    // With no entry written today but one from this day last year, the list is not empty.
    if (shown && mood.isEmpty()) {
        QCOMPARE(describe(model), QStringList{QStringLiteral("OTD")});
        QVERIFY(!model.isEmpty());
    }
}

void EntryListModelTest::onThisDay_startsExpandedWhenItReturns()
{
    vsp::test::ManualClock clock;
    *clock.now = localMoment(fixtures::dayWithAYearBack(), 12);
    JournalStore store(clock.function());
    const QDate lastYear = store.today().addYears(-1);
    store.setEntries(
        {entry(QStringLiteral("Old"), localMoment(lastYear, 10), QStringLiteral("x"), {QStringLiteral("t")})});
    EntryListModel model(store);
    QVERIFY(model.onThisDayExpanded());
    model.setOnThisDayExpanded(false);
    // While its removal is announced (when the list pictures it to fade out) it shows what it showed.
    qsizetype shownWhileLeaving = -1;
    QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved, &model, [&](const QModelIndex&, int, int last) {
        if (model.kind(last) == EntryListModel::RowKind::OnThisDay) {
            shownWhileLeaving = model.onThisDayEntries().size();
        }
    });
    store.setSelectedTag(QStringLiteral("t"));
    model.refresh();
    QVERIFY(!model.showsOnThisDay());
    QCOMPARE(shownWhileLeaving, 1);
    store.setSelectedTag(std::nullopt);
    model.refresh();
    QVERIFY(model.showsOnThisDay());
    QVERIFY(model.onThisDayExpanded());
}

void EntryListModelTest::onThisDay_followsEntriesAndDay_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("search and back") << "search" << names("Old");
    QTest::newRow("entry added") << "add" << names("Old,Also old");
    QTest::newRow("entry archived") << "archive" << names("");
    QTest::newRow("another day's entry deleted, then one added") << "other day" << names("Old,Also old");
    QTest::newRow("next day") << "next day" << names("Day after");
}

void EntryListModelTest::onThisDay_followsEntriesAndDay()
{
    QFETCH(QString, change);
    QFETCH(QStringList, titles);
    vsp::test::ManualClock clock;
    *clock.now = localMoment(fixtures::dayWithAYearBack(), 12);
    JournalStore store(clock.function());
    const QDate lastYear = store.today().addYears(-1);
    store.setEntries({entry(QStringLiteral("Old"), localMoment(lastYear, 10)),
                      entry(QStringLiteral("Day after"), localMoment(lastYear.addDays(1), 10))});
    EntryListModel model(store);
    QCOMPARE(model.onThisDayEntries().size(), 1);
    if (change == u"search") {
        store.setSearchQuery(QStringLiteral("old"));
        model.refresh();
        store.setSearchQuery(QString());
    } else if (change == u"add") {
        store.addEntry(entry(QStringLiteral("Also old"), localMoment(lastYear, 9)));
    } else if (change == u"archive") {
        store.toggleArchive(store.entries().at(0));
    } else if (change == u"other day") {
        store.deleteEntry(*std::find_if(store.entries().cbegin(), store.entries().cend(),
                                        [](const JournalEntry& e) { return e.title == u"Day after"; }));
        model.refresh();
        QCOMPARE(model.onThisDayEntries().size(), 1);
        store.addEntry(entry(QStringLiteral("Also old"), localMoment(lastYear, 9)));
    } else {
        *clock.now = localMoment(store.today().addDays(1), 12);
        model.invalidate();
    }
    model.refresh();
    QStringList shown;
    for (const JournalEntry& e : model.onThisDayEntries()) {
        shown << e.title;
    }
    QCOMPARE(shown, titles);
}

void EntryListModelTest::storeChange_announcesRowSignals_data()
{
    // Each case changes the store of A (newest) to D in the Journal section, then expects the rows and
    // exactly these Qt signals: rows inserted, removed, moved (one signal each), data changed, resets.
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QList<int>>("signalCounts");
    QTest::newRow("title edited: its row changes") << "edit B" << names("A,B,C,D") << QList<int>{0, 0, 0, 1, 0};
    QTest::newRow("entry added: one row inserted") << "add E" << names("E,A,B,C,D") << QList<int>{1, 0, 0, 0, 0};
    QTest::newRow("entry deleted: one row removed") << "delete C" << names("A,B,D") << QList<int>{0, 1, 0, 0, 0};
    QTest::newRow("pinned: row moves up, captions come")
        << "pin C" << names("PINNED,C*,ENTRIES,A,B,D") << QList<int>{2, 0, 1, 1, 0};
    // Changes the store describes as steps: rows are matched by position, no longer by id.
    QTest::newRow("favourite: its row changes") << "favourite B" << names("A,B,C,D") << QList<int>{0, 0, 0, 1, 0};
    QTest::newRow("archived: its row leaves") << "archive B" << names("A,C,D") << QList<int>{0, 1, 0, 0, 0};
    QTest::newRow("redated: its row moves") << "redate A" << names("B,C,D,A") << QList<int>{0, 0, 1, 1, 0};
    // A removal renumbers the places of the rows that stay: the next change finds its row by place.
    QTest::newRow("deleted, then another favourite: two refreshes")
        << "delete A; favourite D" << names("B,C,D") << QList<int>{0, 1, 0, 1, 0};
    QTest::newRow("several steps: one refresh")
        << "favourite B, delete C, edit D" << names("A,B,D") << QList<int>{0, 1, 0, 1, 0};
    QTest::newRow("sort reversed: rows move") << "reverse" << names("D,C,B,A") << QList<int>{0, 0, 3, 0, 0};
    QTest::newRow("search: rows around the match leave") << "search B" << names("B") << QList<int>{0, 2, 0, 0, 0};
    QTest::newRow("day changed: every row repaints") << "invalidate" << names("A,B,C,D") << QList<int>{0, 0, 0, 1, 0};
    QTest::newRow("nothing changed: no signal") << "same entries" << names("A,B,C,D") << QList<int>{0, 0, 0, 0, 0};
    // With entries pinned before: the pinned group and its captions stay unless the change reaches them.
    QTest::newRow("pinned C; favourite B: its row changes")
        << "favourite B" << names("PINNED,C*,ENTRIES,A,B,D") << QList<int>{0, 0, 0, 1, 0};
    QTest::newRow("pinned C; archived: its row leaves")
        << "archive B" << names("PINNED,C*,ENTRIES,A,D") << QList<int>{0, 1, 0, 0, 0};
    QTest::newRow("pinned C; redated: its row moves below the pinned group")
        << "redate A" << names("PINNED,C*,ENTRIES,B,D,A") << QList<int>{0, 0, 1, 1, 0};
    QTest::newRow("pinned C; pinned entry archived: the group leaves")
        << "archive C" << names("A,B,D") << QList<int>{0, 1, 0, 0, 0};
    QTest::newRow("pinned C; deleted, then another favourite: two refreshes")
        << "delete A; favourite D" << names("PINNED,C*,ENTRIES,B,D") << QList<int>{0, 1, 0, 1, 0};
    QTest::newRow("pinned A,B,C; last other archived: its caption leaves")
        << "archive D" << names("PINNED,A*,B*,C*") << QList<int>{0, 1, 0, 0, 0};
}

void EntryListModelTest::storeChange_announcesRowSignals()
{
    QFETCH(QString, change);
    QFETCH(QStringList, rows);
    QFETCH(QList<int>, signalCounts);
    JournalStore store(fixtures::fixtureClock().function());
    fill(store);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    if (name.startsWith(u"pinned ")) {
        for (const QString& title : name.mid(7).section(u';', 0, 0).split(u',')) {
            store.togglePin(*std::find_if(store.entries().cbegin(), store.entries().cend(),
                                          [&](const JournalEntry& e) { return e.title == title; }));
        }
    }
    EntryListModel model(store);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    const auto byTitle = [&](const QString& title) {
        return *std::find_if(store.entries().cbegin(), store.entries().cend(),
                             [&](const JournalEntry& e) { return e.title == title; });
    };
    if (change == u"edit B") {
        JournalEntry b = byTitle(QStringLiteral("B"));
        b.body = QStringLiteral("edited");
        store.updateEntry(b);
    } else if (change == u"add E") {
        QList<JournalEntry> entries = store.entries().toList();
        entries.prepend(entry(QStringLiteral("E"), localMoment(-1, 13)));
        store.setEntries(entries);
    } else if (change == u"delete C") {
        store.deleteEntry(byTitle(QStringLiteral("C")));
    } else if (change == u"delete A; favourite D") {
        store.deleteEntry(byTitle(QStringLiteral("A")));
        model.refresh();
        store.toggleFavorite(byTitle(QStringLiteral("D")));
    } else if (change == u"favourite B") {
        store.toggleFavorite(byTitle(QStringLiteral("B")));
    } else if (change.startsWith(u"archive ")) {
        store.toggleArchive(byTitle(change.mid(8)));
    } else if (change == u"redate A") {
        JournalEntry a = byTitle(QStringLiteral("A"));
        a.date = localMoment(-5);
        store.updateEntry(a);
    } else if (change == u"favourite B, delete C, edit D") {
        store.toggleFavorite(byTitle(QStringLiteral("B")));
        store.deleteEntry(byTitle(QStringLiteral("C")));
        JournalEntry d = byTitle(QStringLiteral("D"));
        d.body = QStringLiteral("edited");
        store.updateEntry(d);
    } else if (change == u"pin C") {
        store.togglePin(byTitle(QStringLiteral("C")));
    } else if (change == u"reverse") {
        store.toggleSortOrder();
    } else if (change == u"search B") {
        store.setSearchQuery(QStringLiteral("B"));
    } else if (change == u"invalidate") {
        model.invalidate();
    } else {
        store.setEntries(QList<JournalEntry>(store.entries().cbegin(), store.entries().cend()));
    }
    model.refresh();
    QCOMPARE(describe(model), rows);
    QCOMPARE((QList<int>{int(inserted.count()), int(removed.count()), int(moved.count()), int(changed.count()),
                         int(resets.count())}),
             signalCounts);
}

void EntryListModelTest::searchChange_announcesRuns_data()
{
    // 100 entries, E0 (newest) to E99: every fifth holds "aab", every tenth "aabb".
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("keptEvery");
    QTest::addColumn<QList<int>>("signalCounts");
    QTest::newRow("narrowing: each gap one removal") << ""
                                                     << "aab" << 5 << QList<int>{0, 20, 0};
    QTest::newRow("narrowing further") << "aab"
                                       << "aabb" << 10 << QList<int>{0, 10, 0};
    QTest::newRow("widening: each gap one insertion") << "aabb"
                                                      << "aab" << 5 << QList<int>{10, 0, 0};
    QTest::newRow("back to every entry") << "aab"
                                         << "" << 1 << QList<int>{20, 0, 0};
    QTest::newRow("no match left") << "aab"
                                   << "zzz" << 0 << QList<int>{0, 1, 0};
}

void EntryListModelTest::searchChange_announcesRuns()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, keptEvery);
    QFETCH(QList<int>, signalCounts);
    JournalStore store(fixtures::fixtureClock().function());
    QList<JournalEntry> entries;
    for (int i = 0; i < 100; ++i) {
        const QString body = i % 10 == 0 ? u"aabb"_qs : i % 5 == 0 ? u"aab"_qs : u"c"_qs;
        entries << entry(QStringLiteral("E%1").arg(i), localMoment(-1 - i), body);
    }
    store.setEntries(entries);
    store.setSelectedSection(NavSection::Journal);
    store.setSearchQuery(from);
    EntryListModel model(store);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    store.setSearchQuery(to);
    model.refresh();
    QStringList expected;
    for (int i = 0; keptEvery > 0 && i < 100; i += keptEvery) {
        expected << QStringLiteral("E%1").arg(i);
    }
    QCOMPARE(describe(model), expected);
    QCOMPARE((QList<int>{int(inserted.count()), int(removed.count()), int(resets.count())}), signalCounts);
}

void EntryListModelTest::largeChange_resetsOnce()
{
    // A search that keeps every other entry of 200 would take a hundred removals.
    JournalStore store(fixtures::fixtureClock().function());
    QList<JournalEntry> entries;
    for (int i = 0; i < 200; ++i) {
        entries << entry(QStringLiteral("E%1").arg(i), localMoment(-1 - i), i % 2 ? u"odd"_qs : u"even"_qs);
    }
    store.setEntries(entries);
    store.setSelectedSection(NavSection::Journal);
    EntryListModel model(store);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    store.setSearchQuery(QStringLiteral("odd"));
    model.refresh();
    QCOMPARE(model.rowCount(), 100);
    QCOMPARE(model.entryAt(0)->title, QStringLiteral("E1"));
    QCOMPARE(resets.count(), 1);
    QCOMPARE(removed.count(), 0);
    // An edited entry that no longer matches leaves alone: row signals again.
    JournalEntry last = *model.entryAt(99);
    last.body = QStringLiteral("even");
    store.updateEntry(last);
    model.refresh();
    QCOMPARE(model.rowCount(), 99);
    QCOMPARE(resets.count(), 1);
    QCOMPARE(removed.count(), 1);
}

void EntryListModelTest::storeChanges_areAppliedOnce()
{
    JournalStore store(fixtures::fixtureClock().function());
    fill(store);
    EntryListModel model(store);
    QSignalSpy refreshed(&model, &EntryListModel::refreshed);
    // Adding an entry announces several properties; the rows are worked out once.
    store.addEntry(entry(QStringLiteral("New"), localMoment(0)));
    QVERIFY(model.isRefreshPending());
    QTRY_COMPARE(refreshed.count(), 1);
    QCOMPARE(describe(model), QStringList{QStringLiteral("New")});
}

void EntryListModelTest::model_passesItemModelChecks()
{
    JournalStore store(fixtures::fixtureClock().function());
    fill(store);
    EntryListModel model(store);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    store.togglePin(store.entries().at(2));
    model.refresh();
    store.setSearchQuery(QStringLiteral("B"));
    model.refresh();
    QCOMPARE(describe(model), QStringList{QStringLiteral("B")});
    QCOMPARE(model.data(model.index(0), EntryListModel::EntryIdRole).value<QUuid>(), store.entries().at(1).id);
}
