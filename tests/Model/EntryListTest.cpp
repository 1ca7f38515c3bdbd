#include "EntryListTest.h"

#include "Model/EntryList.h"

#include <QTest>

#include <functional>

namespace {

JournalEntry numbered(int n)
{
    JournalEntry e = JournalEntry::create();
    e.title = QString::number(n);
    e.date = n;
    return e;
}

QStringList titles(const EntryList& list)
{
    QStringList result;
    for (const JournalEntry& e : list) {
        result.append(e.title);
    }
    return result;
}

using Change = std::function<void(EntryList&, QStringList&)>;

} // namespace

Q_DECLARE_METATYPE(Change)

void EntryListTest::changes_leaveEarlierCopiesAsTheyWere_data()
{
    // Each change is made on a list of several runs, and the same change on the expected titles.
    QTest::addColumn<int>("count");
    QTest::addColumn<Change>("change");
    const qsizetype run = EntryList::kRun;
    QTest::newRow("edit in a later run") << int(3 * run) << Change([run](EntryList& l, QStringList& t) {
        l.edit(run + 7).title = QStringLiteral("x");
        t[run + 7] = QStringLiteral("x");
    });
    QTest::newRow("replace the last") << int(2 * run + 1) << Change([run](EntryList& l, QStringList& t) {
        l.replace(2 * run, numbered(-1));
        t[2 * run] = QStringLiteral("-1");
    });
    QTest::newRow("prepend until a run splits") << int(run) << Change([run](EntryList& l, QStringList& t) {
        for (int k = 0; k < run + 3; ++k) {
            l.prepend(numbered(-k));
            t.prepend(QString::number(-k));
        }
        l.edit(run + 1).title = QStringLiteral("y");
        t[run + 1] = QStringLiteral("y");
    });
    QTest::newRow("insert in the middle of a run") << int(2 * run) << Change([run](EntryList& l, QStringList& t) {
        l.insert(run + 5, numbered(-5));
        t.insert(run + 5, QStringLiteral("-5"));
        l.append(numbered(-6));
        t.append(QStringLiteral("-6"));
    });
    QTest::newRow("remove across runs, a run emptied") << int(3 * run) << Change([run](EntryList& l, QStringList& t) {
        const auto gone = [run](const QString& title) {
            const int n = title.toInt();
            return n == 3 || (n >= run && n < 2 * run) || n == 3 * run - 1;
        };
        QCOMPARE(l.removeIf([&](const JournalEntry& e) { return gone(e.title); }), run + 2);
        t.removeIf(gone);
        l.edit(run).title = QStringLiteral("z");
        t[run] = QStringLiteral("z");
        l.insert(run, numbered(-9));
        t.insert(run, QStringLiteral("-9"));
    });
    QTest::newRow("remove from a place on") << int(2 * run) << Change([run](EntryList& l, QStringList& t) {
        // Entries before the place are never asked about, even those the predicate would take.
        int asked = 0;
        const auto odd = [](const QString& title) { return title.toInt() % 2 == 1; };
        QCOMPARE(l.removeIf(
                     [&](const JournalEntry& e) {
                         ++asked;
                         return odd(e.title);
                     },
                     run + 1),
                 run / 2);
        QCOMPARE(qsizetype(asked), run - 1);
        for (qsizetype i = t.size() - 1; i > run; --i) {
            if (odd(t[i])) {
                t.removeAt(i);
            }
        }
    });
    QTest::newRow("sort") << int(2 * run + 10) << Change([](EntryList& l, QStringList& t) {
        l.stableSort([](const JournalEntry& a, const JournalEntry& b) { return a.date > b.date; });
        std::reverse(t.begin(), t.end());
        l.edit(0).title = QStringLiteral("w");
        t[0] = QStringLiteral("w");
    });
    QTest::newRow("append a list") << int(run + 3) << Change([run](EntryList& l, QStringList& t) {
        const EntryList more = {numbered(-1), numbered(-2)};
        l.append(more);
        t << QStringLiteral("-1") << QStringLiteral("-2");
        l.edit(run + 4).title = QStringLiteral("v");
        t[run + 4] = QStringLiteral("v");
        l.prepend(numbered(-3));
        t.prepend(QStringLiteral("-3"));
    });
}

void EntryListTest::changes_leaveEarlierCopiesAsTheyWere()
{
    QFETCH(int, count);
    QFETCH(Change, change);
    EntryList list;
    QStringList expected;
    for (int n = 0; n < count; ++n) {
        list.append(numbered(n));
        expected.append(QString::number(n));
    }
    const EntryList copy = list;
    const QStringList before = expected;
    change(list, expected);
    QCOMPARE(titles(list), expected);
    QCOMPARE(list.size(), expected.size());
    for (qsizetype i = 0; i < list.size(); ++i) {
        QCOMPARE(list[i].title, expected[i]);
    }
    QCOMPARE(titles(copy), before);
    QVERIFY(list.constData() != copy.constData());
    // A copy of the changed list takes the next change apart from it as well.
    const EntryList second = list;
    list.edit(0).title = QStringLiteral("last");
    QCOMPARE(titles(second), expected);
    QCOMPARE(list.first().title, QStringLiteral("last"));
}

void EntryListTest::edit_copiesOnlyTheChangedEntry()
{
    EntryList list;
    for (int n = 0; n < 3 * EntryList::kRun; ++n) {
        list.append(numbered(n));
    }
    const EntryList copy = list;
    const EntryList::Hold held = list.hold(5);
    list.edit(EntryList::kRun).isFavorite = true;
    for (qsizetype i = 0; i < list.size(); ++i) {
        QCOMPARE(list.sharesEntry(i, copy, i), i != EntryList::kRun);
    }
    QVERIFY(!copy[EntryList::kRun].isFavorite);
    QVERIFY(list.holds(5, held));
    // Held elsewhere, the entry is copied on change; the hold keeps the one it had.
    list.edit(5).title = QStringLiteral("changed");
    QVERIFY(!list.holds(5, held));
    QCOMPARE(held.entry().title, QStringLiteral("5"));
}
