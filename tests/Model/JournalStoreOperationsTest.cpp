#include "JournalStoreOperationsTest.h"

#include "common/StoreFixtures.h"
#include "common/TestSupport.h"

#include "Model/JournalStore.h"
#include "Model/UserDefaults.h"
#include "Model/Uuid.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

using namespace fixtures;

void JournalStoreOperationsTest::init()
{
    vsp::test::resetUserFolders();
}

void JournalStoreOperationsTest::addEntry_goesToFrontSelectsAndShowsToday()
{
    const JournalEntry existing = entry(QStringLiteral("existing"), localMoment(0));
    writeJournal({existing});
    JournalStore store(fixtureClock().function());
    store.setSelectedSection(NavSection::Archive);
    store.setSelectedTag(QStringLiteral("work"));
    RecordingScheduler reminders;
    store.setReminderScheduler(&reminders);

    const JournalEntry lastYear = entry(QStringLiteral("last year"), localMoment(-365));
    store.addEntry(lastYear);
    QCOMPARE(store.entries().first().id, lastYear.id);
    QCOMPARE(store.selectedEntryID(), std::optional(lastYear.id));
    QCOMPARE(store.selectedSection(), NavSection::Today);
    QVERIFY(!store.selectedTag());
    // Today's list does not show it, yet it is selected.
    QVERIFY(store.filteredEntries().size() == 1 && store.filteredEntries().first().id == existing.id);
    QVERIFY(reminders.scheduled.isEmpty());

    const QList<JournalEntry> onDisk = readJournal();
    QCOMPARE(onDisk.size(), 2);
    QVERIFY(onDisk.first() == lastYear);

    JournalEntry expiring = entry(QStringLiteral("expiring"));
    expiring.expirationDate = localMoment(3);
    store.addEntry(expiring);
    QCOMPARE(reminders.scheduled, QList<QUuid>{expiring.id});
}

void JournalStoreOperationsTest::addEntry_keepsMoodFilterAndSearch()
{
    JournalStore store(fixtures::fixtureClock().function());
    store.setMoodFilter(QStringLiteral("\U0001F33F"));
    store.setSearchQuery(QStringLiteral("river"));
    store.addEntry(entry(QStringLiteral("x")));
    QCOMPARE(store.moodFilter(), std::optional(QStringLiteral("\U0001F33F")));
    QCOMPARE(store.searchQuery(), QStringLiteral("river"));
}

void JournalStoreOperationsTest::addNewEntry_storesAttachmentsUnderItsId_keepsFailedRecording()
{
    const QString home = vsp::test::testHome();
    const QString photo = home + QStringLiteral("/Pictures/Heron.JPG");
    const QString scan = home + QStringLiteral("/Pictures/scan");
    const QString gone = home + QStringLiteral("/Pictures/gone.png");
    writeFile(photo, "jpeg bytes");
    writeFile(scan, "png bytes");
    const QString recording = home + QStringLiteral("/recorder/take1.m4a");
    writeFile(recording, "voice");
    const PendingAudio said{vsp::newUuid(), recording, 4.5, QStringLiteral("herons at dawn")};
    const PendingAudio lost{vsp::newUuid(), home + QStringLiteral("/recorder/never.m4a"), 2, std::nullopt};

    JournalStore store(fixtures::fixtureClock().function());
    const JournalEntry given = entry(QStringLiteral("walk"));
    vsp::test::StdoutCapture out;
    QList<PendingAudio> kept{said};
    const JournalEntry stored = store.addNewEntry(given, {photo, gone, scan}, {lost, said}, &kept);

    QCOMPARE(stored.id, given.id);
    QCOMPARE(store.entries().first(), stored);
    QCOMPARE(readJournal().first(), stored);
    // In the given order, the unreadable one left out; the bytes are stored unchanged.
    QCOMPARE(stored.imageFilenames.size(), 2);
    QVERIFY(stored.imageFilenames.at(0).endsWith(QStringLiteral(".jpg")));
    QVERIFY(stored.imageFilenames.at(1).endsWith(QStringLiteral(".png")));
    QCOMPARE(readFile(*JournalStore::imageFilePath(given.id, stored.imageFilenames.at(0))), QByteArray("jpeg bytes"));
    QCOMPARE(readFile(*JournalStore::imageFilePath(given.id, stored.imageFilenames.at(1))), QByteArray("png bytes"));
    QVERIFY(QFile::exists(photo) && QFile::exists(scan));

    QCOMPARE(stored.audioClips.size(), 1);
    const AudioClip& clip = stored.audioClips.first();
    QVERIFY(!clip.id.isNull() && clip.id != said.id);
    QCOMPARE(clip.duration, 4.5);
    QCOMPARE(clip.transcript, said.transcript);
    QCOMPARE(readFile(*JournalStore::audioFilePath(given.id, clip.filename)), QByteArray("voice"));
    // The copied recording is the store's now; the temporary file goes.
    QVERIFY(!QFile::exists(recording));
    QCOMPARE(kept, QList<PendingAudio>{lost});

    QCOMPARE(
        out.lines(),
        (QStringList{QStringLiteral("Vesperlog: image save failed \u2014 ") + gone
                         + QStringLiteral(": the file does not exist"),
                     QStringLiteral("Vesperlog: audio store failed \u2014 no recording at ") + lost.path,
                     QStringLiteral("Vesperlog: voice note attach failed \u2014 recording kept at ") + lost.path}));
}

void JournalStoreOperationsTest::addNewEntry_refusedWhenComplete_storesNothing()
{
    const QString home = vsp::test::testHome();
    const QString photo = home + QStringLiteral("/Pictures/Heron.JPG");
    writeFile(photo, "jpeg bytes");
    const QString recording = home + QStringLiteral("/recorder/take1.m4a");
    writeFile(recording, "voice");
    const PendingAudio said{vsp::newUuid(), recording, 4.5, std::nullopt};

    JournalStore store(fixtures::fixtureClock().function());
    QSignalSpy announced(&store, &JournalStore::entriesChanged);
    const JournalEntry given = entry(QStringLiteral("walk"));
    qsizetype seenClips = -1;
    const JournalEntry refused = store.addNewEntry(given, {photo}, {said}, nullptr, [&](JournalEntry& made) {
        seenClips = made.audioClips.size();
        return false;
    });

    // The hook saw the copies; refused, the entry is neither added nor written, and no file names it.
    QCOMPARE(seenClips, 1);
    QCOMPARE(refused.imageFilenames.size(), 1);
    QVERIFY(store.entries().isEmpty());
    QCOMPARE(announced.size(), 0);
    QVERIFY(!QFile::exists(entriesPath()));
    QVERIFY(!QFileInfo::exists(JournalStore::imagesBasePath() + u'/' + vsp::uuidText(given.id)));
    QVERIFY(!QFileInfo::exists(JournalStore::audioBasePath() + u'/' + vsp::uuidText(given.id)));
}

void JournalStoreOperationsTest::addNewEntry_announcesAfterSaving_withNothingToWriteBack()
{
    JournalStore store(fixtures::fixtureClock().function());
    store.setSelectedSection(NavSection::Archive);
    store.setSelectedTag(QStringLiteral("work"));
    store.setSearchQuery(QStringLiteral("river"));
    const JournalEntry given = entry(QStringLiteral("new"));

    // Every change signal finds the entry in entries.json already, and the search already ended: a
    // view that would write it back finds nothing to change (no further announcement).
    QStringList seen;
    const auto watch = [&](auto signal, const QString& name) {
        connect(&store, signal, &store, [&, name] {
            const QList<JournalEntry> onDisk = readJournal();
            seen << name + (onDisk.size() == 1 && onDisk.first().id == given.id ? u" saved"_qs : u" unsaved"_qs);
            store.setSearchQuery(QString());
        });
    };
    watch(&JournalStore::entriesChanged, u"entries"_qs);
    watch(&JournalStore::selectedEntryIDChanged, u"selection"_qs);
    watch(&JournalStore::navigationChanged, u"navigation"_qs);
    store.addNewEntry(given, {}, {});
    QCOMPARE(seen, (QStringList{u"entries saved"_qs, u"navigation saved"_qs, u"selection saved"_qs}));
    QVERIFY(store.searchQuery().isEmpty());
}

void JournalStoreOperationsTest::addEntry_dropsValuesJsonCannotHold()
{
    vsp::test::ManualClock clock;
    *clock.now = localMoment(0, 9);
    JournalStore store(clock.function());
    JournalEntry bad = entry(QStringLiteral("nan place"));
    bad.latitude = std::numeric_limits<double>::quiet_NaN();
    bad.longitude = 13.4;
    bad.weatherTemp = std::numeric_limits<double>::infinity();
    store.addEntry(bad);
    QVERIFY(!store.entries().first().latitude);
    QVERIFY(!store.entries().first().weatherTemp);
    QCOMPARE(store.entries().first().longitude, std::optional(13.4));
    // The bad value did not stop this save or the next one.
    store.addEntry(entry(QStringLiteral("after")));
    QCOMPARE(readJournal().size(), 2);

    // A date JSON cannot hold would fail every later save of the journal: a new entry is dated now,
    // an edited one keeps its stored date.
    JournalEntry undated = entry(QStringLiteral("no date"));
    undated.date = std::numeric_limits<double>::quiet_NaN();
    store.addEntry(undated);
    QCOMPARE(store.entries().first().date, *clock.now);
    JournalEntry edited = store.entries().last();
    const double storedDate = edited.date;
    edited.date = std::numeric_limits<double>::infinity();
    edited.title = QStringLiteral("edited");
    store.updateEntry(edited);
    QCOMPARE(store.entries().last().date, storedDate);
    QCOMPARE(store.entries().last().title, QStringLiteral("edited"));
    store.deleteEntry(undated);
    QVERIFY(std::isfinite(store.trashedEntries().first().entry.date));
    QCOMPARE(readJournal().size(), 2);
    QCOMPARE(readJournal().last().title, QStringLiteral("edited"));
}

void JournalStoreOperationsTest::reviewRequest_countsAddedEntries_data()
{
    QTest::addColumn<int>("startCount");
    QTest::addColumn<bool>("requested");
    QTest::newRow("fifth") << 4 << true;
    QTest::newRow("sixth") << 5 << false;
    QTest::newRow("forty-ninth") << 48 << false;
    QTest::newRow("fiftieth") << 49 << true;
    QTest::newRow("hundredth") << 99 << true;
    QTest::newRow("first") << 0 << false;
}

void JournalStoreOperationsTest::reviewRequest_countsAddedEntries()
{
    QFETCH(int, startCount);
    QFETCH(bool, requested);
    if (startCount > 0) {
        UserDefaults::instance().setValue(QStringLiteral("totalSaveCount"), startCount);
    }
    vsp::test::ManualClock clock;
    JournalStore store(clock.function());
    QSignalSpy spy(&store, &JournalStore::reviewRequested);
    const JournalEntry e = entry(QStringLiteral("counted"));
    store.addEntry(e);
    QCOMPARE(UserDefaults::instance().integer(QStringLiteral("totalSaveCount"), -1), startCount + 1);
    // Updates never count.
    store.updateEntry(e);
    QCOMPARE(UserDefaults::instance().integer(QStringLiteral("totalSaveCount"), -1), startCount + 1);
    // Not before its moment on the store's clock, however long the test takes.
    clock.advance(store, 1.25);
    QCOMPARE(spy.count(), 0);
    clock.advance(store, 0.25);
    QCOMPARE(spy.count(), requested ? 1 : 0);
}

void JournalStoreOperationsTest::updateEntry_replacesWholeEntryAndKeepsReminderInStep()
{
    JournalEntry e = entry(QStringLiteral("original"));
    e.expirationDate = localMoment(5);
    const JournalEntry other = entry(QStringLiteral("other"));
    writeJournal({other, e});
    JournalStore store(fixtures::fixtureClock().function());
    RecordingScheduler reminders;
    store.setReminderScheduler(&reminders);
    store.setSelectedSection(NavSection::Favorites);

    e.title = QStringLiteral("edited");
    e.tags = {QStringLiteral("new")};
    store.updateEntry(e);
    QCOMPARE(store.entries()[1].title, QStringLiteral("edited"));
    QCOMPARE(store.entries()[0].id, other.id);
    QCOMPARE(reminders.scheduled, QList<QUuid>{e.id});
    QCOMPARE(store.selectedSection(), NavSection::Favorites);

    e.expirationDate.reset();
    store.updateEntry(e);
    QCOMPARE(reminders.cancelled, QList<QUuid>{e.id});
    QVERIFY(readJournal()[1] == e);
}

void JournalStoreOperationsTest::updateEntry_unknownId_changesNothing()
{
    writeJournal({entry(QStringLiteral("a"))});
    const QByteArray before = readFile(entriesPath());
    JournalStore store(fixtures::fixtureClock().function());
    RecordingScheduler reminders;
    store.setReminderScheduler(&reminders);
    QSignalSpy spy(&store, &JournalStore::entriesChanged);
    JournalEntry stranger = entry(QStringLiteral("stranger"));
    stranger.expirationDate = localMoment(1);
    store.updateEntry(stranger);
    store.toggleFavorite(stranger);
    store.toggleArchive(stranger);
    QCOMPARE(spy.count(), 0);
    QVERIFY(reminders.scheduled.isEmpty() && reminders.cancelled.isEmpty());
    QCOMPARE(readFile(entriesPath()), before);
}

void JournalStoreOperationsTest::changes_leaveCopiesOfTheListAsTheyWere_data()
{
    QTest::addColumn<QString>("change");
    for (const char* change : {"add", "update", "favorite", "archive", "delete tag", "delete"}) {
        QTest::newRow(change) << QString::fromLatin1(change);
    }
}

void JournalStoreOperationsTest::changes_leaveCopiesOfTheListAsTheyWere()
{
    // The writer and the views read copies of the list while the store changes it: a change must never
    // reach into a copy taken before it.
    QFETCH(QString, change);
    JournalEntry older = entry(QStringLiteral("older"), localMoment(-2));
    older.tags = {QStringLiteral("walk")};
    writeJournal({entry(QStringLiteral("newer"), localMoment(-1)), older});
    JournalStore store(fixtures::fixtureClock().function());
    const EntryList copy = store.entries();
    const QList<JournalEntry> was = copy.toList();
    const JournalEntry& first = store.entries().at(0);
    if (change == QLatin1String("update")) {
        JournalEntry edited = first;
        edited.title = QStringLiteral("edited");
        store.updateEntry(edited);
    } else if (change == QLatin1String("favorite")) {
        store.toggleFavorite(first);
    } else if (change == QLatin1String("archive")) {
        store.toggleArchive(first);
    } else if (change == QLatin1String("delete tag")) {
        store.deleteTag(QStringLiteral("walk"));
    } else if (change == QLatin1String("add")) {
        store.addEntry(entry(QStringLiteral("added")));
    } else {
        store.deleteEntry(first);
    }
    QVERIFY(store.entries() != copy);
    QCOMPARE(copy.toList(), was);
}

void JournalStoreOperationsTest::deleteEntry_movesToTrashUnpinsAndWritesTrashFirst()
{
    const JournalEntry keep = entry(QStringLiteral("keep"));
    JournalEntry gone = entry(QStringLiteral("gone"));
    writeJournal({gone, keep});
    vsp::test::ManualClock clock;
    *clock.now = localMoment(0, 15);
    JournalStore store(clock.function());
    RecordingScheduler reminders;
    store.setReminderScheduler(&reminders);
    store.togglePin(gone);

    // The trash keeps the value as given, with the caller's unsaved edits.
    gone.body = QStringLiteral("unsaved edit");
    store.deleteEntry(gone);
    QCOMPARE(store.entries().size(), 1);
    QCOMPARE(store.trashedEntries().size(), 1);
    QCOMPARE(store.trashedEntries().first().entry.body, QStringLiteral("unsaved edit"));
    QCOMPARE(store.trashedEntries().first().deletedAt, *clock.now);
    QVERIFY(!store.pinnedIDs().contains(gone.id));
    QVERIFY(!UserDefaults::instance().data(QStringLiteral("pinnedIDs"))->contains(vsp::uuidUtf8(gone.id)));
    QCOMPARE(reminders.cancelled, QList<QUuid>{gone.id});

    const QList<TrashedEntry> trash = readTrash();
    QCOMPARE(trash.size(), 1);
    QCOMPARE(trash.first().entry.body, QStringLiteral("unsaved edit"));
    QCOMPARE(readJournal().size(), 1);
    // The trash file was written before the journal: the entry is never in neither file.
    QVERIFY(QFileInfo(trashPath()).lastModified() <= QFileInfo(entriesPath()).lastModified());
}

void JournalStoreOperationsTest::deleteEntry_selectsFirstOfCurrentList()
{
    JournalEntry fav1 = entry(QStringLiteral("fav newest"), localMoment(-1));
    fav1.isFavorite = true;
    JournalEntry fav2 = entry(QStringLiteral("fav older"), localMoment(-2));
    fav2.isFavorite = true;
    const JournalEntry plain = entry(QStringLiteral("plain"), localMoment(0));
    writeJournal({plain, fav2, fav1});
    JournalStore store(fixtures::fixtureClock().function());
    store.setSelectedSection(NavSection::Favorites);
    store.setSelectedEntryID(fav1.id);
    // Views that follow the entries find the selection moved on already: it never names a removed entry.
    QList<std::optional<QUuid>> selectedAtChange;
    const QMetaObject::Connection noted =
        connect(&store, &JournalStore::entriesChanged, this, [&] { selectedAtChange << store.selectedEntryID(); });
    store.deleteEntry(fav1);
    disconnect(noted);
    QCOMPARE(selectedAtChange, (QList<std::optional<QUuid>>{fav2.id}));
    QCOMPARE(store.selectedEntryID(), std::optional(fav2.id));

    // Deleting an entry that is not selected leaves the selection alone.
    store.deleteEntry(plain);
    QCOMPARE(store.selectedEntryID(), std::optional(fav2.id));

    store.deleteEntry(fav2);
    QVERIFY(!store.selectedEntryID());
    // No entry was pinned: the settings file, written on the GUI thread, was left alone.
    QVERIFY(!UserDefaults::instance().contains(QStringLiteral("pinnedIDs")));
}

void JournalStoreOperationsTest::deleteEntry_twice_addsOneTrashRecord()
{
    const JournalEntry e = entry(QStringLiteral("once"));
    writeJournal({e});
    vsp::test::ManualClock clock;
    *clock.now = localMoment(0, 10);
    JournalStore store(clock.function());
    store.deleteEntry(e);
    store.deleteEntry(e);
    QCOMPARE(store.trashedEntries().size(), 1);
    QCOMPARE(readTrash().size(), 1);

    // Deleted, restored and deleted again: once, with the newer date.
    store.restoreFromTrash(store.trashedEntries().first());
    *clock.now += 60;
    store.deleteEntry(e);
    QCOMPARE(store.trashedEntries().size(), 1);
    QCOMPARE(store.trashedEntries().first().deletedAt, *clock.now);
}

void JournalStoreOperationsTest::duplicateEntry_copiesTextOnly()
{
    JournalEntry source = entry(QStringLiteral("Trip"), localMoment(-30));
    source.bodyRTF = QByteArray("{\\rtf1 x}");
    source.tags = {QStringLiteral("travel")};
    source.mood = QStringLiteral("\u26A1");
    source.type = JournalEntry::EntryType::Idea;
    source.isFavorite = true;
    source.fontDesign = QStringLiteral("serif");
    source.expirationDate = localMoment(2);
    source.imageFilenames = {QStringLiteral("a.png")};
    source.audioClips = {AudioClip{vsp::newUuid(), QStringLiteral("a.m4a"), 2, std::nullopt}};
    source.latitude = 1;
    source.placeName = QStringLiteral("Lisbon");
    writeJournal({source});
    vsp::test::ManualClock clock;
    *clock.now = localMoment(0, 11);
    JournalStore store(clock.function());
    RecordingScheduler reminders;
    store.setReminderScheduler(&reminders);
    store.duplicateEntry(source);
    store.duplicateEntry(store.entries().first());

    QCOMPARE(store.entries().size(), 3);
    const JournalEntry& twice = store.entries()[0];
    const JournalEntry& copy = store.entries()[1];
    QCOMPARE(copy.title, QStringLiteral("Trip (copy)"));
    QCOMPARE(twice.title, QStringLiteral("Trip (copy) (copy)"));
    QVERIFY(copy.id != source.id);
    QCOMPARE(copy.date, *clock.now);
    QCOMPARE(copy.body, source.body);
    QCOMPARE(copy.bodyRTF, source.bodyRTF);
    QCOMPARE(copy.tags, source.tags);
    QCOMPARE(copy.mood, source.mood);
    QCOMPARE(copy.type, source.type);
    QVERIFY(!copy.isFavorite);
    QCOMPARE(copy.fontDesign, QStringLiteral("default"));
    QVERIFY(!copy.expirationDate && copy.imageFilenames.isEmpty() && copy.audioClips.isEmpty());
    QVERIFY(!copy.latitude && !copy.placeName);
    QCOMPARE(store.selectedEntryID(), std::optional(twice.id));
    QVERIFY(reminders.scheduled.isEmpty());
    QCOMPARE(UserDefaults::instance().integer(QStringLiteral("totalSaveCount"), 0), 2);
}

void JournalStoreOperationsTest::toggles_invertStoredValue()
{
    const JournalEntry e = entry(QStringLiteral("toggle"));
    writeJournal({e});
    JournalStore store(fixtures::fixtureClock().function());
    store.setSelectedEntryID(e.id);
    // Two calls with the same stale value restore the first state.
    store.toggleFavorite(e);
    QVERIFY(store.entries().first().isFavorite);
    QVERIFY(readJournal().first().isFavorite);
    store.toggleFavorite(e);
    QVERIFY(!store.entries().first().isFavorite);

    store.toggleArchive(e);
    QVERIFY(store.entries().first().isArchived);
    QVERIFY(readJournal().first().isArchived);
    // Archiving keeps the selection.
    QCOMPARE(store.selectedEntryID(), std::optional(e.id));
}

void JournalStoreOperationsTest::deleteTag_removesEveryExactOccurrence()
{
    JournalEntry twice = entry(QStringLiteral("twice"));
    twice.tags = {QStringLiteral("work"), QStringLiteral("Work"), QStringLiteral("home"), QStringLiteral("work")};
    JournalEntry none = entry(QStringLiteral("none"));
    none.tags = {QStringLiteral("other")};
    writeJournal({twice, none});
    JournalStore store(fixtures::fixtureClock().function());
    store.setTagColor(QStringLiteral("#F87171"), QStringLiteral("work"));
    store.setSelectedTag(QStringLiteral("work"));
    store.deleteTag(QStringLiteral("work"));
    QCOMPARE(store.entries()[0].tags, (QStringList{QStringLiteral("Work"), QStringLiteral("home")}));
    QCOMPARE(store.entries()[1].tags, QStringList{QStringLiteral("other")});
    QVERIFY(!store.selectedTag());
    QCOMPARE(store.tagColors().value(QStringLiteral("work")), QStringLiteral("#F87171"));
    QCOMPARE(readJournal()[0].tags, (QStringList{QStringLiteral("Work"), QStringLiteral("home")}));

    // A tag that no entry carries still rewrites the journal.
    QFile::remove(entriesPath());
    store.deleteTag(QStringLiteral("absent"));
    QCOMPARE(readJournal().size(), 2);
}

void JournalStoreOperationsTest::changeSignals_firePerProperty()
{
    JournalStore store(fixtures::fixtureClock().function());
    QSignalSpy entries(&store, &JournalStore::entriesChanged);
    QSignalSpy selection(&store, &JournalStore::selectedEntryIDChanged);
    QSignalSpy navigation(&store, &JournalStore::navigationChanged);
    store.setSelectedSection(NavSection::Journal);
    store.setSearchQuery(QStringLiteral("a"));
    store.setSearchQuery(QStringLiteral("a"));
    QCOMPARE(navigation.count(), 2);
    store.addEntry(entry(QStringLiteral("x")));
    QCOMPARE(entries.count(), 1);
    QCOMPARE(selection.count(), 1);
    // Moving the list to Today and ending the search is one announcement.
    QCOMPARE(navigation.count(), 3);
    QVERIFY(store.searchQuery().isEmpty());
}

void JournalStoreOperationsTest::navigation_announcesOncePerAction_andEndsTheSearch_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<NavSection>("section");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("mood");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<bool>("calendar");
    // Before each action: Journal, tag "home", the search "o", the calendar shown, "second" selected.
    QTest::newRow("section") << "section" << NavSection::Archive << ""
                             << ""
                             << "archived" << false;
    QTest::newRow("tag") << "tag" << NavSection::Journal << "work"
                         << ""
                         << "first" << false;
    QTest::newRow("mood") << "mood" << NavSection::Journal << ""
                          << "\U0001F600"
                          << "second" << false;
    QTest::newRow("setter") << "setter" << NavSection::Favorites << "home"
                            << ""
                            << "second" << true;
    QTest::newRow("calendar") << "calendar" << NavSection::Journal << "home"
                              << ""
                              << "second" << true;
    // The calendar on today already: asking for today again is no navigation.
    QTest::newRow("calendar again") << "calendar again" << NavSection::Journal << "home"
                                    << ""
                                    << "second" << true;
}

void JournalStoreOperationsTest::navigation_announcesOncePerAction_andEndsTheSearch()
{
    QFETCH(QString, action);
    QFETCH(NavSection, section);
    QFETCH(QString, tag);
    QFETCH(QString, mood);
    QFETCH(QString, selected);
    QFETCH(bool, calendar);
    const QString happy = QStringLiteral("\U0001F600");
    JournalStore store(fixtures::fixtureClock().function());
    JournalEntry first = entry(QStringLiteral("first"));
    first.tags = {QStringLiteral("work")};
    JournalEntry second = entry(QStringLiteral("second"));
    second.tags = {QStringLiteral("home")};
    second.mood = happy;
    JournalEntry archived = entry(QStringLiteral("archived"));
    archived.isArchived = true;
    store.setEntries(EntryList({first, second, archived}));
    store.setSelectedSection(NavSection::Journal);
    store.setSelectedTag(QStringLiteral("home"));
    store.setSearchQuery(QStringLiteral("o"));
    store.setShowCalendar(true);
    if (action == QLatin1String("calendar")) {
        store.setCalendarMonth(vsp::addDays(store.now(), -62));
    }
    store.setSelectedEntryID(second.id);
    QSignalSpy navigation(&store, &JournalStore::navigationChanged);
    QSignalSpy selection(&store, &JournalStore::selectedEntryIDChanged);

    if (action == QLatin1String("section")) {
        store.showSection(NavSection::Archive);
    } else if (action == QLatin1String("tag")) {
        store.showTag(QStringLiteral("work"));
    } else if (action == QLatin1String("mood")) {
        store.toggleMoodFilter(happy);
    } else if (action == QLatin1String("setter")) {
        store.setSelectedSection(NavSection::Favorites);
    } else {
        store.showCalendarToday();
    }

    QCOMPARE(navigation.count(), action == QLatin1String("calendar again") ? 0 : 1);
    QCOMPARE(store.selectedSection(), section);
    QCOMPARE(store.selectedTag().value_or(QString()), tag);
    QCOMPARE(store.moodFilter().value_or(QString()), mood);
    QCOMPARE(store.showCalendar(), calendar);
    const JournalEntry* shown = store.selectedEntryID() ? store.entry(*store.selectedEntryID()) : nullptr;
    QCOMPARE(shown ? shown->title : QString(), selected);
    QCOMPARE(selection.count(), selected == QLatin1String("second") ? 0 : 1);
    // Only the calendar keeps the search: the other actions move the list.
    QCOMPARE(store.searchQuery(), action.startsWith(QLatin1String("calendar")) ? QStringLiteral("o") : QString());
    if (action.startsWith(QLatin1String("calendar"))) {
        QCOMPARE(vsp::localDate(store.calendarMonth()).month(), fixtures::today().month());
    }
}
