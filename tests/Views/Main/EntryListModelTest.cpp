#include "EntryListModelTest.h"

#include "ViewFixtures.h"

#include "Model/JournalStore.h"
#include "Views/Main/EntryListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

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
        case Kind::Caption:
            rows << model.caption(r);
            break;
        case Kind::OnThisDay:
            rows << QStringLiteral("OTD");
            break;
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
    QTest::newRow("none pinned: no captions") << names("") << names("A,B,C,D")
                                              << names("D,C,B,A");
    QTest::newRow("some pinned keep list order") << names("C,A")
                                                 << names("PINNED,A*,C*,ENTRIES,B,D")
                                                 << names("PINNED,C*,A*,ENTRIES,D,B");
    QTest::newRow("all pinned: only PINNED") << names("A,B,C,D")
                                             << names("PINNED,A*,B*,C*,D*")
                                             << names("PINNED,D*,C*,B*,A*");
}

void EntryListModelTest::captions_dependOnPinnedEntries()
{
    QFETCH(QStringList, pinned);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, oldestFirst);
    JournalStore store;
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
    QTest::newRow("today") << int(NavSection::Today) << "" << "" << "" << true;
    QTest::newRow("today with mood filter") << int(NavSection::Today) << "" << "⚡" << "" << true;
    QTest::newRow("today with tag") << int(NavSection::Today) << "old" << "" << "" << false;
    QTest::newRow("today with search") << int(NavSection::Today) << "" << "" << "memory" << false;
    QTest::newRow("journal") << int(NavSection::Journal) << "" << "" << "" << false;
}

void EntryListModelTest::onThisDay_showsOnlyOnPlainToday()
{
    QFETCH(int, section);
    QFETCH(QString, tag);
    QFETCH(QString, mood);
    QFETCH(QString, query);
    QFETCH(bool, shown);
    JournalStore store;
    const QDate lastYear = QDate::currentDate().addYears(-1);
    if (lastYear.day() != QDate::currentDate().day()) {
        QSKIP("today has no date one year ago (29 February)");
    }
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
    JournalStore store;
    const QDate lastYear = QDate::currentDate().addYears(-1);
    if (lastYear.day() != QDate::currentDate().day()) {
        QSKIP("today has no date one year ago (29 February)");
    }
    store.setEntries({entry(QStringLiteral("Old"), localMoment(lastYear, 10), QStringLiteral("x"), {QStringLiteral("t")})});
    EntryListModel model(store);
    QVERIFY(model.onThisDayExpanded());
    model.setOnThisDayExpanded(false);
    store.setSelectedTag(QStringLiteral("t"));
    model.refresh();
    QVERIFY(!model.showsOnThisDay());
    store.setSelectedTag(std::nullopt);
    model.refresh();
    QVERIFY(model.showsOnThisDay());
    QVERIFY(model.onThisDayExpanded());
}

void EntryListModelTest::dataChange_keepsRows_orderChange_resets()
{
    JournalStore store;
    fill(store);
    EntryListModel model(store);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    store.toggleFavorite(store.entries().at(1));
    model.refresh();
    QCOMPARE(resets.count(), 0);
    QCOMPARE(changes.count(), 1);
    QVERIFY(model.entryAt(1)->isFavorite);
    store.toggleSortOrder();
    model.refresh();
    QCOMPARE(resets.count(), 1);
    QCOMPARE(model.entryAt(0)->title, QStringLiteral("D"));
}

void EntryListModelTest::storeChanges_areAppliedOnce()
{
    JournalStore store;
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
    JournalStore store;
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
