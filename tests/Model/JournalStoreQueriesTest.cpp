#include "JournalStoreQueriesTest.h"

#include "common/FixedFileChooser.h"
#include "common/StoreFixtures.h"
#include "common/TestSupport.h"

#include "Model/JournalStore.h"

#include <QRandomGenerator>
#include <QTest>
#include <QThreadPool>

#include <algorithm>
#include <functional>

using namespace fixtures;

namespace {

QStringList titles(const QList<JournalEntry>& entries)
{
    QStringList result;
    for (const JournalEntry& e : entries) {
        result << e.title;
    }
    return result;
}

// A small journal used by several filter cases.
QList<JournalEntry> sampleJournal()
{
    JournalEntry today = entry(QStringLiteral("today plain"), localMoment(0, 9));
    today.tags = {QStringLiteral("work")};
    today.mood = QStringLiteral("\U0001F33F");
    JournalEntry todayArchived = entry(QStringLiteral("today archived"), localMoment(0, 10));
    todayArchived.isArchived = true;
    todayArchived.tags = {QStringLiteral("work")};
    todayArchived.mood = QStringLiteral("\U0001F33F");
    JournalEntry yesterday = entry(QStringLiteral("yesterday late"), localMoment(-1, 23, 59));
    yesterday.tags = {QStringLiteral("Work")};
    yesterday.isFavorite = true;
    JournalEntry favArchived = entry(QStringLiteral("favourite archived"), localMoment(-5));
    favArchived.isFavorite = true;
    favArchived.isArchived = true;
    return {today, todayArchived, yesterday, favArchived};
}

} // namespace

void JournalStoreQueriesTest::init()
{
    vsp::test::resetUserFolders();
}

void JournalStoreQueriesTest::filter_precedence_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("mood");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QStringList>("expected");
    const QString none;
    QTest::newRow("today") << int(NavSection::Today) << none << none << none << QStringList{u"today plain"_qs};
    QTest::newRow("journal") << int(NavSection::Journal) << none << none << none
                             << QStringList{u"today plain"_qs, u"yesterday late"_qs};
    QTest::newRow("archive") << int(NavSection::Archive) << none << none << none
                             << QStringList{u"today archived"_qs, u"favourite archived"_qs};
    QTest::newRow("favourites") << int(NavSection::Favorites) << none << none << none
                                << QStringList{u"yesterday late"_qs};
    QTest::newRow("search in journal skips archived")
        << int(NavSection::Journal) << u"TODAY"_qs << none << none << QStringList{u"today plain"_qs};
    QTest::newRow("search in archive finds both") << int(NavSection::Archive) << u"today"_qs << none << none
                                                  << QStringList{u"today archived"_qs, u"today plain"_qs};
    QTest::newRow("search wins over tag")
        << int(NavSection::Journal) << u"yesterday"_qs << none << u"work"_qs << QStringList{u"yesterday late"_qs};
    QTest::newRow("tag is exact") << int(NavSection::Journal) << none << none << u"work"_qs
                                  << QStringList{u"today plain"_qs};
    QTest::newRow("upper-case tag filter matches only that tag")
        << int(NavSection::Journal) << none << none << u"Work"_qs << QStringList{u"yesterday late"_qs};
    QTest::newRow("mood wins over tag") << int(NavSection::Journal) << none << u"\U0001F33F"_qs << u"Work"_qs
                                        << QStringList{u"today plain"_qs};
    QTest::newRow("blank search is a search") << int(NavSection::Journal) << u"  "_qs << none << none << QStringList{};
}

void JournalStoreQueriesTest::filter_precedence()
{
    QFETCH(int, section);
    QFETCH(QString, search);
    QFETCH(QString, mood);
    QFETCH(QString, tag);
    QFETCH(QStringList, expected);
    writeJournal(sampleJournal());
    JournalStore store(fixtureClock().function());
    store.setSelectedSection(NavSection(section));
    if (!mood.isEmpty()) {
        store.setMoodFilter(mood);
    }
    if (!tag.isEmpty()) {
        store.setSelectedTag(tag);
    }
    // Last: a change of tag or mood ends the search.
    store.setSearchQuery(search);
    QCOMPARE(titles(store.filteredEntries()), expected);
}

void JournalStoreQueriesTest::filter_askedAgain_followsChangesInPlace_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("archived") << u"work"_qs << u"archive"_qs << QStringList();
    QTest::newRow("favourite") << QString() << u"favorite"_qs << QStringList{u"today plain"_qs, u"yesterday late"_qs};
    QTest::newRow("edited") << u"work"_qs << u"untag"_qs << QStringList();
}

void JournalStoreQueriesTest::filter_askedAgain_followsChangesInPlace()
{
    QFETCH(QString, tag);
    QFETCH(QString, change);
    QFETCH(QStringList, expected);
    writeJournal(sampleJournal());
    JournalStore store(fixtures::fixtureClock().function());
    if (tag.isEmpty()) {
        store.setSelectedSection(NavSection::Favorites);
    } else {
        store.setSelectedTag(tag);
    }
    const QStringList before = titles(store.filteredEntries());
    QVERIFY(before != expected);
    // The entry changes where it lies in the journal's list, which keeps its size.
    const JournalEntry plain = *store.entry(store.entries().first().id);
    QCOMPARE(plain.title, u"today plain"_qs);
    if (change == u"archive") {
        store.toggleArchive(plain);
    } else if (change == u"favorite") {
        store.toggleFavorite(plain);
    } else {
        JournalEntry edited = plain;
        edited.tags.clear();
        store.updateEntry(edited);
    }
    QCOMPARE(titles(store.filteredEntries()), expected);
}

void JournalStoreQueriesTest::filter_followingChanges_equalsAFreshFilter_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("mood");
    QTest::addColumn<bool>("newestFirst");
    const QString none;
    for (const bool newest : {true, false}) {
        const char* order = newest ? "newest first" : "oldest first";
        for (const auto& [name, section] : {std::pair{"today", NavSection::Today},
                                            {"journal", NavSection::Journal},
                                            {"archive", NavSection::Archive},
                                            {"favourites", NavSection::Favorites}}) {
            QTest::addRow("%s, %s", name, order) << int(section) << none << none << newest;
        }
        QTest::addRow("tag, %s", order) << int(NavSection::Journal) << u"work"_qs << none << newest;
        QTest::addRow("mood, %s", order) << int(NavSection::Journal) << none << u"\U0001F33F"_qs << newest;
    }
}

void JournalStoreQueriesTest::filter_followingChanges_equalsAFreshFilter()
{
    // The list is asked for after each change, so it follows the change rather than filtering anew.
    QFETCH(int, section);
    QFETCH(QString, tag);
    QFETCH(QString, mood);
    QFETCH(bool, newestFirst);
    QList<JournalEntry> journal = sampleJournal();
    for (int i = 0; i < 4; ++i) {
        // Equal dates: among them the journal's order holds.
        JournalEntry same = entry(QStringLiteral("noon %1").arg(i), localMoment(0, 12));
        same.tags = {QStringLiteral("work")};
        same.isFavorite = i % 2 == 0;
        same.mood = QStringLiteral("\U0001F33F");
        journal << same;
    }
    writeJournal(journal);
    JournalStore store(fixtureClock().function());
    store.setSortNewestFirst(newestFirst);
    const auto navigate = [&](JournalStore& s) {
        s.setSelectedSection(NavSection(section));
        s.setSelectedTag(tag.isEmpty() ? std::nullopt : std::optional<QString>(tag));
        s.setMoodFilter(mood.isEmpty() ? std::nullopt : std::optional<QString>(mood));
    };
    navigate(store);
    const auto ids = [](const QList<JournalEntry>& entries) {
        QList<QUuid> result;
        for (const JournalEntry& e : entries) {
            result << e.id;
        }
        return result;
    };
    const auto stored = [&](const QString& title) {
        const auto it = std::find_if(store.entries().begin(), store.entries().end(),
                                     [&](const JournalEntry& e) { return e.title == title; });
        return *it;
    };
    QVERIFY(!store.filteredEntries().isEmpty() || section == int(NavSection::Archive));
    const QList<std::function<void()>> changes = {
        [&] { store.toggleFavorite(stored(u"noon 1"_qs)); },
        [&] { store.toggleArchive(stored(u"noon 2"_qs)); },
        [&] {
            // Onto the moment of the others, then after them.
            JournalEntry moved = stored(u"yesterday late"_qs);
            moved.date = localMoment(0, 12);
            store.updateEntry(moved);
        },
        [&] {
            JournalEntry added = entry(u"added"_qs, localMoment(0, 12));
            added.tags = {QStringLiteral("work")};
            added.isFavorite = true;
            added.mood = QStringLiteral("\U0001F33F");
            store.addEntry(added);
            navigate(store);
        },
        [&] { store.deleteEntry(stored(u"noon 0"_qs)); },
        [&] { store.toggleArchive(stored(u"favourite archived"_qs)); },
        [&] {
            store.deleteTag(QStringLiteral("work"));
            navigate(store);
        },
        [&] {
            JournalEntry moved = stored(u"noon 3"_qs);
            moved.date = localMoment(-3);
            moved.mood.reset();
            store.updateEntry(moved);
        },
    };
    for (qsizetype step = 0; step < changes.size(); ++step) {
        changes[step]();
        JournalStore fresh(fixtureClock().function());
        fresh.setSortNewestFirst(newestFirst);
        fresh.setEntries(store.entries());
        navigate(fresh);
        QVERIFY2(ids(store.filteredEntries()) == ids(fresh.filteredEntries()), qPrintable(QString::number(step)));
        QCOMPARE(store.todayCount(), fresh.todayCount());
    }
}

void JournalStoreQueriesTest::search_isCaseInsensitiveOverTitleBodyTags_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("found");
    QTest::newRow("title, other case") << u"MORNING"_qs << true;
    QTest::newRow("body") << u"quiet river"_qs << true;
    QTest::newRow("tag in upper case") << u"GARDEN"_qs << true;
    QTest::newRow("accented, other case") << u"ÉTÉ"_qs << true;
    QTest::newRow("Greek final sigma") << u"ΟΔΟΣ"_qs << true;
    QTest::newRow("emoji") << u"\U0001F33F"_qs << true;
    QTest::newRow("across title and body") << u"morning quiet"_qs << false;
    QTest::newRow("absent") << u"volcano"_qs << false;
}

void JournalStoreQueriesTest::search_isCaseInsensitiveOverTitleBodyTags()
{
    QFETCH(QString, query);
    QFETCH(bool, found);
    JournalEntry e = entry(QStringLiteral("Morning"), localMoment(-2));
    e.body = QStringLiteral("A quiet river in été, οδος, straße \U0001F33F");
    e.tags = {QStringLiteral("garden")};
    writeJournal({e});
    JournalStore store(fixtures::fixtureClock().function());
    store.setSelectedSection(NavSection::Journal);
    store.setSearchQuery(query);
    QCOMPARE(store.filteredEntries().size(), found ? 1 : 0);
}

void JournalStoreQueriesTest::search_followsEditedText()
{
    JournalEntry e = entry(QStringLiteral("first title"));
    writeJournal({e});
    JournalStore store(fixtures::fixtureClock().function());
    store.setSearchQuery(QStringLiteral("first"));
    QCOMPARE(store.filteredEntries().size(), 1);
    e.title = QStringLiteral("second title");
    e.body = QStringLiteral("rewritten");
    e.tags = {QStringLiteral("Fresh")};
    store.updateEntry(e);
    QCOMPARE(store.filteredEntries().size(), 0);
    store.setSearchQuery(QStringLiteral("SECOND"));
    QCOMPARE(store.filteredEntries().size(), 1);
    store.setSearchQuery(QStringLiteral("fresh"));
    QCOMPARE(store.filteredEntries().size(), 1);

    // A new date with the same text reorders the matches.
    JournalEntry older = entry(QStringLiteral("fresh older"), e.date - 3600);
    store.addEntry(older);
    QCOMPARE(titles(store.filteredEntries()), QStringList({e.title, older.title}));
    older.date = e.date + 3600;
    store.updateEntry(older);
    QCOMPARE(titles(store.filteredEntries()), QStringList({older.title, e.title}));
}

void JournalStoreQueriesTest::search_followsAddedAndDeletedEntries()
{
    // The index follows one entry added or removed by moving the others' text, not by folding again.
    const JournalEntry apple = entry(QStringLiteral("apple"), localMoment(-1));
    const JournalEntry banana = entry(QStringLiteral("banana"), localMoment(-2));
    const JournalEntry cherry = entry(QStringLiteral("cherry"), localMoment(-3));
    writeJournal({apple, banana, cherry});
    JournalStore store(fixtures::fixtureClock().function());
    store.setSelectedSection(NavSection::Journal);
    store.setSearchQuery(QStringLiteral("an"));
    QCOMPARE(titles(store.filteredEntries()), QStringList{u"banana"_qs});
    store.deleteEntry(apple);
    store.addEntry(entry(QStringLiteral("mango"), localMoment(0)));
    store.setSelectedSection(NavSection::Journal);
    for (const auto& [query, expected] :
         {std::pair{u"an"_qs, QStringList{u"mango"_qs, u"banana"_qs}}, std::pair{u"apple"_qs, QStringList()},
          std::pair{u"cherry"_qs, QStringList{u"cherry"_qs}}}) {
        store.setSearchQuery(query);
        QCOMPARE(titles(store.filteredEntries()), expected);
    }
    store.deleteEntry(cherry);
    QVERIFY(store.filteredEntries().isEmpty());
    store.setSearchQuery(QStringLiteral("o"));
    QCOMPARE(titles(store.filteredEntries()), (QStringList{u"mango"_qs, u"banana"_qs}));
}

void JournalStoreQueriesTest::search_narrowing_seesChangesAndPreparedText()
{
    JournalEntry a = entry(QStringLiteral("river walk"));
    JournalEntry b = entry(QStringLiteral("rain"));
    a.body.clear();
    b.body.clear();
    writeJournal({a, b});
    JournalStore store(fixtures::fixtureClock().function());
    // Folded on the other thread while "rain" was the title; the edit comes before the first search.
    store.prepareSearch();
    b.title = QStringLiteral("riverside");
    store.updateEntry(b);
    QThreadPool::globalInstance()->waitForDone();
    store.setSearchQuery(QStringLiteral("riverside"));
    QCOMPARE(store.filteredEntries().size(), 1);
    store.setSearchQuery(QStringLiteral("rain"));
    QCOMPARE(store.filteredEntries().size(), 0);

    // A growing query looks only through the last matches, unless the entries changed in between.
    store.setSearchQuery(QStringLiteral("ri"));
    QCOMPARE(store.filteredEntries().size(), 2);
    a.title = QStringLiteral("walk");
    store.updateEntry(a);
    b.title = QStringLiteral("rive");
    store.updateEntry(b);
    store.setSearchQuery(QStringLiteral("riv"));
    QCOMPARE(store.filteredEntries().size(), 1);
    a.title = QStringLiteral("river again");
    store.updateEntry(a);
    store.setSearchQuery(QStringLiteral("rive"));
    QCOMPARE(store.filteredEntryIndices().size(), 2);
}

void JournalStoreQueriesTest::search_typedQueries_matchAFreshSearch_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<bool>("inArchive");
    QTest::newRow("a word typed") << QStringList{u"l"_qs, u"li"_qs, u"lig"_qs, u"ligh"_qs, u"light"_qs} << false;
    QTest::newRow("growing at the front") << QStringList{u"ight"_qs, u"light"_qs, u"flight"_qs} << false;
    QTest::newRow("taken back, typed on")
        << QStringList{u"river"_qs, u"rive"_qs, u"riv"_qs, u"rivet"_qs, u"river"_qs, u"river s"_qs} << false;
    QTest::newRow("case and accents") << QStringList{u"Ü"_qs, u"üB"_qs, u"ÜBER"_qs, u"überS"_qs} << false;
    QTest::newRow("across words") << QStringList{u"a"_qs, u"a "_qs, u"a l"_qs, u"a li"_qs, u"ha li"_qs} << false;
    QTest::newRow("in the archive") << QStringList{u"s"_qs, u"st"_qs, u"straße"_qs} << true;
}

void JournalStoreQueriesTest::search_typedQueries_matchAFreshSearch()
{
    // Enough entries for a search to be split over threads; words chosen so that queries recur at
    // every depth of a text.
    QFETCH(QStringList, typed);
    QFETCH(bool, inArchive);
    const QStringList words = {u"Light"_qs, u"flight"_qs, u"LIGHT"_qs, u"ri"_qs,      u"river"_qs, u"rivet"_qs,
                               u"Über"_qs,  u"übers"_qs,  u"a"_qs,     u"ha"_qs,      u"la"_qs,    u"straße"_qs,
                               u"été"_qs,   u"sea"_qs,    u"l"_qs,     u"ligature"_qs};
    QList<JournalEntry> journal;
    quint32 seed = 7;
    const auto next = [&seed](quint32 bound) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % bound;
    };
    for (int i = 0; i < 5000; ++i) {
        JournalEntry e = entry(words[next(quint32(words.size()))], localMoment(-1 - int(next(900))));
        QString body = e.body;
        for (quint32 w = next(24); w > 0; --w) {
            body += words[next(quint32(words.size()))] + (next(5) == 0 ? u"\n"_qs : u" "_qs);
        }
        e.body = body;
        if (next(3) == 0) {
            e.tags = {words[next(quint32(words.size()))]};
        }
        e.isArchived = next(8) == 0;
        journal.append(e);
    }
    writeJournal(journal);
    JournalStore store(fixtures::fixtureClock().function());
    store.setSelectedSection(inArchive ? NavSection::Archive : NavSection::Journal);
    store.prepareSearch();
    for (const QString& query : std::as_const(typed)) {
        store.setSearchQuery(query);
        const QList<JournalEntry> found = store.filteredEntries();
        // The same search done the long way: every entry, every field folded afresh.
        QList<JournalEntry> expected;
        const QByteArray folded = foldForSearch(query);
        for (const JournalEntry& e : store.entries()) {
            const auto holds = [&](const QString& text) { return foldForSearch(text).contains(folded); };
            if ((inArchive || !e.isArchived)
                && (holds(e.title) || holds(e.body) || std::any_of(e.tags.cbegin(), e.tags.cend(), holds))) {
                expected.append(e);
            }
        }
        std::stable_sort(expected.begin(), expected.end(),
                         [](const JournalEntry& a, const JournalEntry& b) { return a.date > b.date; });
        QVERIFY2(!expected.isEmpty(), qPrintable(query));
        QCOMPARE(found, expected);
    }
}

void JournalStoreQueriesTest::today_excludesArchivedAndYesterday()
{
    writeJournal(sampleJournal());
    JournalStore store(fixtureClock().function());
    QCOMPARE(titles(store.filteredEntries()), QStringList{u"today plain"_qs});
    QCOMPARE(store.todayCount(), 1);
}

void JournalStoreQueriesTest::sort_isStableInBothDirections()
{
    const double same = localMoment(-3);
    const JournalEntry a = entry(QStringLiteral("a"), same);
    const JournalEntry b = entry(QStringLiteral("b"), same);
    const JournalEntry newer = entry(QStringLiteral("newer"), localMoment(-1));
    writeJournal({a, b, newer});
    JournalStore store(fixtures::fixtureClock().function());
    store.setSelectedSection(NavSection::Journal);
    QCOMPARE(titles(store.filteredEntries()), (QStringList{u"newer"_qs, u"a"_qs, u"b"_qs}));
    store.toggleSortOrder();
    QCOMPARE(titles(store.filteredEntries()), (QStringList{u"a"_qs, u"b"_qs, u"newer"_qs}));
}

void JournalStoreQueriesTest::onThisDay_earlierYearsOnlyNewestFirst_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("15 June") << QDate(2026, 6, 15)
                             << QStringList{u"1 years ago"_qs, u"2 years ago"_qs, u"3 years ago"_qs, u"8 years ago"_qs};
    // 29 February comes back only in leap years: the 28th of the years between is another day.
    QTest::newRow("29 February") << QDate(2028, 2, 29) << QStringList{u"8 years ago"_qs};
}

void JournalStoreQueriesTest::onThisDay_earlierYearsOnlyNewestFirst()
{
    QFETCH(QDate, today);
    QFETCH(QStringList, expected);
    QList<JournalEntry> entries;
    for (int years : {1, 3, 8, 2}) {
        entries << entry(QStringLiteral("%1 years ago").arg(years), localMoment(today.addYears(-years), 8));
    }
    entries << entry(QStringLiteral("today"), localMoment(today, 7));
    entries << entry(QStringLiteral("a year ago tomorrow"), localMoment(today.addYears(-1).addDays(1)));
    JournalEntry archived = entry(QStringLiteral("archived"), localMoment(today.addYears(-4)));
    archived.isArchived = true;
    entries << archived;
    writeJournal(entries);
    vsp::test::ManualClock clock;
    *clock.now = localMoment(today, 12);
    JournalStore store(clock.function());
    store.toggleSortOrder(); // the list order does not apply
    QCOMPARE(titles(store.onThisDayEntries()), expected);
}

void JournalStoreQueriesTest::allTags_countsExactNamesInCodePointOrder()
{
    JournalEntry a = entry(QStringLiteral("a"));
    a.tags = {QStringLiteral("zeta"), QStringLiteral("Alpha"), QStringLiteral("zeta")};
    JournalEntry b = entry(QStringLiteral("b"));
    b.tags = {QStringLiteral("alpha"), QStringLiteral("émoi")};
    JournalEntry archived = entry(QStringLiteral("c"));
    archived.tags = {QStringLiteral("hidden")};
    archived.isArchived = true;
    writeJournal({a, b, archived});
    JournalStore store(fixtures::fixtureClock().function());
    const QList<TagCount> expected = {{u"Alpha"_qs, 1}, {u"alpha"_qs, 1}, {u"zeta"_qs, 2}, {u"émoi"_qs, 1}};
    QCOMPARE(store.allTags(), expected);

    // Counts asked for again follow every kind of change since.
    store.toggleArchive(archived);
    a.tags = {QStringLiteral("zeta")};
    store.updateEntry(a);
    store.deleteEntry(b);
    store.deleteTag(QStringLiteral("hidden"));
    QCOMPARE(store.allTags(), (QList<TagCount>{{u"zeta"_qs, 1}}));
    store.restoreFromTrash(store.trashedEntries().first());
    QCOMPARE(store.allTags().size(), 3);

    writeJournal({entry(QStringLiteral("untagged"))});
    JournalStore empty(fixtures::fixtureClock().function());
    QVERIFY(empty.allTags().isEmpty());
}

void JournalStoreQueriesTest::countsAndStreak_afterChange_equalAFullCount_data()
{
    QTest::addColumn<QString>("change");
    for (const char* change :
         {"add", "add today", "retag", "new mood", "archive", "unarchive", "delete", "delete: the streak breaks",
          "delete tag", "restore", "import: the streak joins older days", "redate: the streak breaks"}) {
        QTest::newRow(change) << QString::fromLatin1(change);
    }
}

void JournalStoreQueriesTest::countsAndStreak_afterChange_equalAFullCount()
{
    // Counted before the change, so the change has to keep the counts up to date rather than count anew.
    QFETCH(QString, change);
    QList<JournalEntry> journal = sampleJournal();
    journal << entry(QStringLiteral("two days ago"), localMoment(-2, 12));
    journal[2].mood = QStringLiteral("⚡");
    writeJournal(journal);
    const QString exported = vsp::test::testHome() + QStringLiteral("/import.json");
    JournalEntry imported = entry(QStringLiteral("imported"), localMoment(-3));
    imported.tags = {QStringLiteral("work"), QStringLiteral("new")};
    imported.mood = QStringLiteral("🌿");
    {
        JournalStore source(fixtures::fixtureClock().function());
        source.setEntries(QList<JournalEntry>{imported});
        vsp::test::FixedFileChooser chooser;
        chooser.exportPath = exported;
        source.setFileChooser(&chooser);
        source.exportEntries(JournalStore::ExportFormat::Json);
    }
    writeJournal(journal);
    JournalStore store(fixtureClock().function());
    const auto counts = [](const JournalStore& s) {
        QStringList result;
        for (const TagCount& tag : s.allTags()) {
            result << QStringLiteral("%1=%2").arg(tag.name).arg(tag.count);
        }
        for (const QString& mood : {QStringLiteral("🌿"), QStringLiteral("⚡")}) {
            result << QStringLiteral("%1=%2").arg(mood).arg(s.count(mood));
        }
        result << QStringLiteral("moods=%1 streak=%2 today=%3 words=%4")
                      .arg(s.hasMoodEntries())
                      .arg(s.currentStreak())
                      .arg(s.todayCount())
                      .arg(s.todayWordCount());
        return result;
    };
    const QStringList before = counts(store);
    const auto stored = [&](qsizetype i) { return *store.entry(journal[i].id); };
    JournalEntry changed = stored(0);
    if (change == u"add") {
        JournalEntry added = entry(QStringLiteral("added"), localMoment(-1, 8));
        added.tags = {QStringLiteral("work"), QStringLiteral("work")};
        added.mood = QStringLiteral("⚡");
        store.addEntry(added);
    } else if (change == u"add today") {
        store.addEntry(entry(QStringLiteral("one more today"), localMoment(0, 11)));
    } else if (change == u"retag") {
        changed.tags = {QStringLiteral("play")};
        store.updateEntry(changed);
    } else if (change == u"new mood") {
        changed.mood.reset();
        store.updateEntry(changed);
    } else if (change == u"archive") {
        store.toggleArchive(changed);
    } else if (change == u"unarchive") {
        store.toggleArchive(stored(1));
    } else if (change == u"delete") {
        store.deleteEntry(changed);
    } else if (change.startsWith(u"delete: ")) {
        store.deleteEntry(stored(2));
    } else if (change == u"delete tag") {
        store.deleteTag(QStringLiteral("work"));
    } else if (change == u"restore") {
        store.deleteEntry(changed);
        counts(store);
        store.restoreFromTrash(store.trashedEntries().first());
    } else if (change.startsWith(u"import")) {
        vsp::test::FixedFileChooser chooser;
        chooser.importPath = exported;
        store.setFileChooser(&chooser);
        store.importEntries();
    } else {
        changed = stored(4);
        changed.date = localMoment(-3, 12);
        store.updateEntry(changed);
    }
    JournalStore recount(fixtureClock().function());
    recount.setEntries(store.entries());
    QCOMPARE(counts(store), counts(recount));
    QVERIFY(change == u"restore" || counts(store) != before);
}

void JournalStoreQueriesTest::selectedEntry_findsArchivedEntry()
{
    JournalEntry archived = entry(QStringLiteral("archived"));
    archived.isArchived = true;
    writeJournal({entry(QStringLiteral("first")), archived});
    JournalStore store(fixtures::fixtureClock().function());
    store.setSelectedEntryID(archived.id);
    QVERIFY(store.selectedEntry());
    QCOMPARE(store.selectedEntry()->title, QStringLiteral("archived"));
    store.setSelectedEntryID(QUuid::createUuid());
    QVERIFY(!store.selectedEntry());
    store.setSelectedEntryID(std::nullopt);
    QVERIFY(!store.selectedEntry());
}

void JournalStoreQueriesTest::emptyJournal_statistics()
{
    JournalStore store(fixtureClock().function());
    QCOMPARE(store.todayCount(), 0);
    QCOMPARE(store.count(QStringLiteral("\u26A1")), 0);
    QVERIFY(!store.hasMoodEntries());
    QCOMPARE(store.currentStreak(), 0);
    QCOMPARE(store.totalWordCount(), 0);
    QCOMPARE(store.todayWordCount(), 0);
    QVERIFY(store.entriesOn(fixtureNow()).isEmpty());
    QVERIFY(store.entryDayCounts(fixtureNow()).isEmpty());
}

void JournalStoreQueriesTest::streak_countsDaysEndingToday()
{
    QList<JournalEntry> entries;
    for (int day = -5; day <= -1; ++day) {
        entries << entry(QStringLiteral("day %1").arg(day), localMoment(day, 0, 0));
    }
    entries << entry(QStringLiteral("second on day -1"), localMoment(-1, 23, 59));
    entries << entry(QStringLiteral("future"), localMoment(2));
    entries << entry(QStringLiteral("gap"), localMoment(-7));
    writeJournal(entries);
    JournalStore store(fixtureClock().function());
    QCOMPARE(store.currentStreak(), 0);
    JournalEntry today = entry(QStringLiteral("today"), localMoment(0, 0, 0));
    today.isArchived = true; // archived entries keep the streak alive
    store.addEntry(today);
    QCOMPARE(store.currentStreak(), 6);
}

void JournalStoreQueriesTest::streak_longerThanTwoMonths_data()
{
    // Days with an entry ending today, then a gap, then older entries; and the streak counted.
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("gapDays");
    QTest::newRow("63 days") << 63 << 2;
    QTest::newRow("64 days, older entries just past the gap") << 64 << 1;
    QTest::newRow("65 days") << 65 << 3;
    QTest::newRow("600 days, nothing older") << 600 << 0;
}

void JournalStoreQueriesTest::streak_longerThanTwoMonths()
{
    QFETCH(int, days);
    QFETCH(int, gapDays);
    QList<JournalEntry> entries;
    for (int day = 0; day < days; ++day) {
        entries << entry(QStringLiteral("day %1").arg(day), localMoment(-day, 9));
    }
    if (gapDays > 0) {
        for (int day = days + gapDays; day < days + gapDays + 40; ++day) {
            entries << entry(QStringLiteral("older %1").arg(day), localMoment(-day, 9));
        }
    }
    writeJournal(entries);
    JournalStore store(fixtureClock().function());
    QCOMPARE(store.currentStreak(), days);
    // An entry on the day that ended the streak joins it to whatever came before.
    store.addEntry(entry(QStringLiteral("fills the gap"), localMoment(-days, 9)));
    QCOMPARE(store.currentStreak(), gapDays == 1 ? days + 41 : days + 1);
}

void JournalStoreQueriesTest::streak_afterRedates_equalsARecount()
{
    QList<JournalEntry> entries;
    for (int day = -4; day <= 0; ++day) {
        entries << entry(QStringLiteral("day %1").arg(day), localMoment(day, 12));
    }
    writeJournal(entries);
    JournalStore store(fixtureClock().function());
    QCOMPARE(store.currentStreak(), 5);
    // Today's only entry moved far back breaks the streak at once.
    JournalEntry moved = *store.entry(entries.last().id);
    moved.date = localMoment(-20, 12);
    store.updateEntry(moved);
    QCOMPARE(store.currentStreak(), 0);
    QRandomGenerator random(20260);
    for (int move = 0; move < 12; ++move) {
        JournalEntry changed = store.entries().at(int(random.bounded(store.entries().size())));
        changed.date = localMoment(-int(random.bounded(8)), 12);
        store.updateEntry(changed);
        JournalStore recount(fixtureClock().function());
        recount.setEntries(store.entries());
        QCOMPARE(store.currentStreak(), recount.currentStreak());
    }
}

void JournalStoreQueriesTest::counts_leaveArchivedOutExceptStreakAndWords()
{
    JournalEntry live = entry(QStringLiteral("live"), localMoment(0));
    live.body = QStringLiteral("one two three");
    live.mood = QStringLiteral("\u26A1");
    JournalEntry archived = entry(QStringLiteral("archived"), localMoment(0));
    archived.body = QStringLiteral("four five");
    archived.mood = QStringLiteral("\u26A1");
    archived.isArchived = true;
    JournalEntry old = entry(QStringLiteral("old"), localMoment(-10));
    old.body = QStringLiteral("six");
    old.mood = QString(); // an empty mood counts as set
    writeJournal({live, archived, old});
    JournalStore store(fixtureClock().function());
    QCOMPARE(store.todayCount(), 1);
    QCOMPARE(store.todayWordCount(), 5);
    QCOMPARE(store.totalWordCount(), 6);
    QCOMPARE(store.count(QStringLiteral("\u26A1")), 1);
    QCOMPARE(store.count(QStringLiteral("\U0001F319")), 0);
    QVERIFY(store.hasMoodEntries());
    QCOMPARE(store.currentStreak(), 1);
}

void JournalStoreQueriesTest::entriesOn_listsDayOldestFirst()
{
    const JournalEntry late = entry(QStringLiteral("late"), localMoment(-3, 23, 59));
    const JournalEntry early = entry(QStringLiteral("early"), localMoment(-3, 0, 1));
    const JournalEntry next = entry(QStringLiteral("next day"), localMoment(-2, 0, 0));
    JournalEntry archived = entry(QStringLiteral("archived"), localMoment(-3, 12));
    archived.isArchived = true;
    writeJournal({late, next, early, archived});
    JournalStore store(fixtures::fixtureClock().function());
    QCOMPARE(titles(store.entriesOn(localMoment(-3, 15))), (QStringList{u"early"_qs, u"late"_qs}));
    QCOMPARE(titles(store.entriesOn(localMoment(-2, 23))), QStringList{u"next day"_qs});
}

void JournalStoreQueriesTest::entryDayCounts_countsOneMonth()
{
    const QDate march(2025, 3, 10);
    QList<JournalEntry> entries = {
        entry(QStringLiteral("a"), localMoment(march, 9)),
        entry(QStringLiteral("b"), localMoment(march, 21)),
        entry(QStringLiteral("c"), localMoment(QDate(2025, 3, 31), 23, 59)),
        entry(QStringLiteral("last year"), localMoment(QDate(2024, 3, 10))),
        entry(QStringLiteral("april"), localMoment(QDate(2025, 4, 1), 0, 0)),
    };
    JournalEntry archived = entry(QStringLiteral("archived"), localMoment(QDate(2025, 3, 2)));
    archived.isArchived = true;
    entries << archived;
    writeJournal(entries);
    JournalStore store(fixtures::fixtureClock().function());
    const QMap<QDate, int> expected = {{march, 2}, {QDate(2025, 3, 31), 1}};
    QCOMPARE(store.entryDayCounts(localMoment(QDate(2025, 3, 20))), expected);
}
