#include "JournalStoreFilesTest.h"

#include "common/StoreFixtures.h"
#include "common/TestSupport.h"

#include "Model/AppSettings.h"
#include "Model/EntryCodec.h"
#include "Model/JournalStore.h"
#include "Model/JournalStoreLock.h"
#include "Model/UserDefaults.h"
#include "Model/Uuid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>

using namespace fixtures;

namespace {

QStringList corruptCopies(const QString& prefix)
{
    return QDir(storeFolder()).entryList({prefix + QStringLiteral("*.json")}, QDir::Files, QDir::Name);
}

// A data folder so deep that entries.json itself can be opened but any longer name beside it cannot:
// the way to make a copy fail even for a user who may write everywhere.
QString deepDataFolder(qsizetype entriesPathLength)
{
    QString path = vsp::test::testHome() + QStringLiteral("/deep");
    const qsizetype wanted = entriesPathLength - qsizetype(QStringLiteral("/Vesperlog/entries.json").size());
    while (path.size() < wanted) {
        const qsizetype room = std::min<qsizetype>(200, wanted - path.size() - 1);
        if (room <= 0) {
            break;
        }
        path += u'/' + QString(room, u'd');
    }
    while (path.size() < wanted) {
        path += u'e';
    }
    return path;
}

/// The permission bits of a file or folder as the system reports them; -1 when it is missing.
int modeOf(const QString& path)
{
    struct stat info { };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

} // namespace

void JournalStoreFilesTest::init()
{
    vsp::test::resetUserFolders();
}

void JournalStoreFilesTest::firstLaunch_createsFolderAndWritesNothing()
{
    QDir(storeFolder()).removeRecursively();
    JournalStore store(fixtures::fixtureClock().function());
    QVERIFY(QFileInfo(storeFolder()).isDir());
    QVERIFY(store.entries().isEmpty());
    QVERIFY(store.trashedEntries().isEmpty());
    QVERIFY(!store.selectedEntryID());
    QVERIFY(store.sortNewestFirst());
    QVERIFY(!QFileInfo::exists(entriesPath()));
    QVERIFY(!QFileInfo::exists(trashPath()));
    QVERIFY(store.loadedCleanly());
}

void JournalStoreFilesTest::temporaryFilesLeftByAKilledSave_areRemovedAtStart()
{
    writeJournal({entry(QStringLiteral("kept"))});
    const QString folder = storeFolder() + u'/';
    const QStringList stale = {QStringLiteral(".entries.json.a1B2c3"), QStringLiteral(".trash.json.ZZ09zz")};
    // Not the shape of our own temporary files: someone else's, left alone.
    const QStringList foreign = {QStringLiteral(".entries.json.a1B2c"), QStringLiteral(".entries.json.a1-2c3"),
                                 QStringLiteral("entries.json.a1B2c3"), QStringLiteral(".entries.json.a1B2c3.bak")};
    for (const QString& name : stale + foreign) {
        writeFile(folder + name, "[{\"half");
    }

    JournalStore store(fixtures::fixtureClock().function());

    for (const QString& name : stale) {
        QVERIFY2(!QFileInfo::exists(folder + name), qPrintable(name));
    }
    for (const QString& name : foreign) {
        QVERIFY2(QFileInfo::exists(folder + name), qPrintable(name));
    }
    QCOMPARE(store.entries().size(), 1);
}

void JournalStoreFilesTest::emptyArray_loadsWithoutCopy()
{
    writeFile(entriesPath(), "[]");
    vsp::test::StdoutCapture out;
    JournalStore store(fixtures::fixtureClock().function());
    QVERIFY(store.entries().isEmpty());
    QVERIFY(corruptCopies(QStringLiteral("entries-corrupt-")).isEmpty());
    QVERIFY(out.lines().isEmpty());
}

void JournalStoreFilesTest::undecodableJournal_isCopiedAsideThenReplaced()
{
    const QByteArray damaged =
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","body":"no title","date":1,"tags":[],"isFavorite":false,"type":"Note"}])";
    writeFile(entriesPath(), damaged);
    vsp::test::StdoutCapture out;
    JournalStore store(fixtures::fixtureClock().function());
    QVERIFY(store.entries().isEmpty());
    QVERIFY(!store.loadedCleanly());

    const QStringList copies = corruptCopies(QStringLiteral("entries-corrupt-"));
    QCOMPARE(copies.size(), 1);
    QVERIFY(QRegularExpression(QStringLiteral(R"(^entries-corrupt-\d{4}-\d\d-\d\d-\d{6}\.json$)"))
                .match(copies[0])
                .hasMatch());
    const QString copyPath = storeFolder() + u'/' + copies[0];
    QCOMPARE(readFile(copyPath), damaged);
    QCOMPARE(out.lines(),
             QStringList{QStringLiteral("Vesperlog: entries.json could not be decoded \u2014 copy preserved at ")
                         + copyPath});
    // Nothing is written until the first change.
    QCOMPARE(readFile(entriesPath()), damaged);

    const JournalEntry added = entry(QStringLiteral("fresh start"));
    store.addEntry(added);
    const QList<JournalEntry> onDisk = readJournal();
    QCOMPARE(onDisk.size(), 1);
    QVERIFY(onDisk.first() == added);
    QCOMPARE(readFile(copyPath), damaged);
}

void JournalStoreFilesTest::undecodableJournal_keepsOneCopyPerContent()
{
    // Launches within the same second: a second content must not share (and lose) the first's copy, and
    // a content seen before is not copied again.
    const QList<QByteArray> contents{"not json", "not json either", "not json", "not json either", "not json"};
    QStringList reported;
    for (const QByteArray& bytes : contents) {
        writeFile(entriesPath(), bytes);
        JournalStore store(fixtures::fixtureClock().function());
        QCOMPARE(readFile(store.damagedJournalCopy()), bytes);
        reported << store.damagedJournalCopy();
    }
    const QStringList copies = corruptCopies(QStringLiteral("entries-corrupt-"));
    QCOMPARE(copies.size(), 2);
    QCOMPARE(reported.mid(2), reported.mid(0, 3));
    QVERIFY(reported[0] != reported[1]);
}

void JournalStoreFilesTest::undecodableJournal_withoutCopy_isNeverOverwritten()
{
    const QString data = deepDataFolder(4090);
    const QByteArray previous = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.toUtf8());
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", previous); });
    QVERIFY2(QDir().mkpath(data + QStringLiteral("/Vesperlog")), "deep folder");
    QCOMPARE(entriesPath().size(), 4090);
    writeFile(entriesPath(), "{broken");

    vsp::test::StdoutCapture out;
    JournalStore store(fixtures::fixtureClock().function());
    QVERIFY(!store.canSaveEntries());
    QVERIFY(corruptCopies(QStringLiteral("entries-corrupt-")).isEmpty());
    QCOMPARE(out.lines().size(), 1);
    QVERIFY2(out.lines().first().startsWith(
                 QStringLiteral("Vesperlog: entries.json could not be decoded \u2014 no copy could be made")),
             qPrintable(out.lines().first()));

    store.addEntry(entry(QStringLiteral("kept in memory")));
    QCOMPARE(store.entries().size(), 1);
    QCOMPARE(readFile(entriesPath()), QByteArray("{broken"));
    QCOMPARE(out.lines().size(), 2);
    QVERIFY(out.lines().last().startsWith(QStringLiteral("Vesperlog: save failed \u2014 ")));
}

void JournalStoreFilesTest::unreadableJournal_isNeverOverwritten_data()
{
    QTest::addColumn<bool>("fifo");
    // A folder where the file should be cannot be read as a file, even by an all-powerful user.
    QTest::newRow("a folder") << false;
    // Opened blocking, a FIFO nobody writes to would hold the launch for ever.
    QTest::newRow("a FIFO") << true;
}

void JournalStoreFilesTest::unreadableJournal_isNeverOverwritten()
{
    QFETCH(bool, fifo);
    if (fifo) {
        QDir().mkpath(storeFolder());
        QVERIFY(::mkfifo(QFile::encodeName(entriesPath()).constData(), 0600) == 0);
    } else {
        QDir().mkpath(entriesPath());
        writeFile(entriesPath() + QStringLiteral("/inside.txt"), "precious");
    }
    vsp::test::StdoutCapture out;
    JournalStore store(fixtures::fixtureClock().function());
    QVERIFY(store.entries().isEmpty());
    QVERIFY(!store.canSaveEntries());
    QVERIFY(!store.loadedCleanly());

    store.addEntry(entry(QStringLiteral("new")));
    struct stat status { };
    QCOMPARE(::lstat(QFile::encodeName(entriesPath()).constData(), &status), 0);
    if (fifo) {
        QVERIFY(S_ISFIFO(status.st_mode));
    } else {
        QVERIFY(S_ISDIR(status.st_mode));
        QCOMPARE(readFile(entriesPath() + QStringLiteral("/inside.txt")), QByteArray("precious"));
    }
    QVERIFY(out.lines().last().startsWith(QStringLiteral("Vesperlog: save failed \u2014 ")));
    QCOMPARE(store.entries().size(), 1);
}

void JournalStoreFilesTest::undecodableTrash_isCopiedAside()
{
    writeFile(trashPath(), "[{\"entry\":1}]");
    vsp::test::StdoutCapture out;
    JournalStore store(fixtures::fixtureClock().function());
    QVERIFY(store.trashedEntries().isEmpty());
    const QStringList copies = corruptCopies(QStringLiteral("trash-corrupt-"));
    QCOMPARE(copies.size(), 1);
    QCOMPARE(readFile(storeFolder() + u'/' + copies[0]), QByteArray("[{\"entry\":1}]"));
    QCOMPARE(out.lines().size(), 1);
    QVERIFY(out.lines().first().startsWith(
        QStringLiteral("Vesperlog: trash.json could not be decoded \u2014 copy preserved at ")));

    // With the copy made, the next trash save may replace the file.
    const JournalEntry e = entry(QStringLiteral("to trash"));
    store.addEntry(e);
    store.deleteEntry(e);
    QCOMPARE(readTrash().size(), 1);
}

void JournalStoreFilesTest::trashThatCannotBeWritten_keepsDeletedEntryInJournal()
{
    const JournalEntry kept = entry(QStringLiteral("kept"));
    const JournalEntry deleted = entry(QStringLiteral("deleted while the trash cannot be written"));
    writeJournal({kept, deleted});
    // A folder where trash.json should be: it can be neither read nor replaced.
    QDir().mkpath(trashPath());
    vsp::test::StdoutCapture out;
    {
        JournalStore store(fixtures::fixtureClock().function());
        store.deleteEntry(*store.entry(deleted.id));
        QCOMPARE(store.entries().size(), 1);
        QCOMPARE(store.trashedEntries().size(), 1);
        QVERIFY(out.text().contains(QStringLiteral("Vesperlog: trash save failed \u2014 ")));

        // A later save of the journal must not drop it either.
        store.addEntry(entry(QStringLiteral("later")));
    }
    // Not in any file would mean lost at the next launch: it stays in the journal instead.
    JournalStore relaunched(fixtures::fixtureClock().function());
    QVERIFY(relaunched.entry(deleted.id));
    QCOMPARE(*relaunched.entry(deleted.id), deleted);
    QVERIFY(relaunched.entry(kept.id));
    QCOMPARE(relaunched.entries().size(), 3);
}

void JournalStoreFilesTest::journalThatCannotBeWritten_keepsRestoredEntryInTrash()
{
    const JournalEntry trashed = entry(QStringLiteral("restored while the journal cannot be written"));
    const JournalEntry other = entry(QStringLiteral("deleted later"));
    writeFile(trashPath(), vsp::encodeTrash({TrashedEntry{trashed, fixtureNow()}}).bytes);
    // A folder where entries.json should be: it can be neither read nor replaced.
    QDir().mkpath(entriesPath());
    vsp::test::StdoutCapture out;
    {
        JournalStore store(fixtureClock().function());
        store.restoreFromTrash(store.trashedEntries().first());
        QVERIFY(store.entry(trashed.id));
        QVERIFY(store.trashedEntries().isEmpty());
        QVERIFY(out.text().contains(QStringLiteral("Vesperlog: save failed \u2014 ")));

        // A later write of the trash must not drop it either.
        store.addEntry(other);
        store.deleteEntry(other);
    }
    // In no file at all would mean lost at the next launch: it stays in the trash instead.
    const QList<TrashedEntry> onDisk = readTrash();
    QCOMPARE(onDisk.size(), 2);
    QVERIFY(std::any_of(onDisk.cbegin(), onDisk.cend(), [&](const TrashedEntry& r) { return r.entry == trashed; }));
}

void JournalStoreFilesTest::sortOrder_fromSettings_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("newestFirst");
    QTest::newRow("absent") << QVariant() << true;
    QTest::newRow("newest") << QVariant(QStringLiteral("newest")) << true;
    QTest::newRow("oldest") << QVariant(QStringLiteral("oldest")) << false;
    QTest::newRow("other text") << QVariant(QStringLiteral("Newest")) << false;
}

void JournalStoreFilesTest::sortOrder_fromSettings()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, newestFirst);
    if (stored.isValid()) {
        UserDefaults::instance().setValue(QStringLiteral("sortOrder"), stored);
    }
    JournalStore store(fixtures::fixtureClock().function());
    QCOMPARE(store.sortNewestFirst(), newestFirst);
}

void JournalStoreFilesTest::sortOrder_followsSettingsChanges()
{
    JournalStore store(fixtures::fixtureClock().function());
    QSignalSpy spy(&store, &JournalStore::sortNewestFirstChanged);
    UserDefaults::instance().setValue(QStringLiteral("sortOrder"), QStringLiteral("oldest"));
    QVERIFY(!store.sortNewestFirst());
    QCOMPARE(spy.count(), 1);
    store.toggleSortOrder();
    QVERIFY(store.sortNewestFirst());
    QCOMPARE(UserDefaults::instance().string(QStringLiteral("sortOrder"), {}), QStringLiteral("newest"));
}

void JournalStoreFilesTest::selection_isFirstEntryInFileOrder()
{
    JournalEntry archived = entry(QStringLiteral("archived first"), localMoment(-400));
    archived.isArchived = true;
    const JournalEntry second = entry(QStringLiteral("second"), localMoment(0));
    writeJournal({archived, second});
    JournalStore store(fixtures::fixtureClock().function());
    QCOMPARE(store.selectedEntryID(), std::optional(archived.id));
    QVERIFY(store.selectedEntry());
    QCOMPARE(store.selectedEntry()->title, QStringLiteral("archived first"));
}

void JournalStoreFilesTest::navigationState_startsFresh()
{
    vsp::test::ManualClock clock;
    *clock.now = localMoment(QDate(2028, 2, 29), 23, 59);
    JournalStore store(clock.function());
    QCOMPARE(store.selectedSection(), NavSection::Today);
    QVERIFY(!store.selectedTag());
    QVERIFY(!store.moodFilter());
    QVERIFY(store.searchQuery().isEmpty());
    QVERIFY(!store.focusMode() && !store.isLocked() && !store.showCalendar() && !store.restoreDraftOnCompose());
    QVERIFY(store.selectedDate());
    QCOMPARE(*store.selectedDate(), vsp::startOfDay(QDate(2028, 2, 29)));
    QCOMPARE(store.calendarMonth(), *clock.now);
}

void JournalStoreFilesTest::pinsAndTagColors_roundTripThroughSettings()
{
    const JournalEntry a = entry(QStringLiteral("a"));
    const QUuid ghost = vsp::newUuid();
    writeJournal({a});
    {
        JournalStore store(fixtures::fixtureClock().function());
        store.togglePin(a);
        store.togglePin(fixtures::entry(QStringLiteral("not in journal")));
        store.setTagColor(QStringLiteral("#F87171"), QStringLiteral("work"));
        store.setTagColor(QStringLiteral("#60A5FA"), QStringLiteral("ideas"));
        store.clearTagColor(QStringLiteral("ideas"));
        QSet<QUuid> pins = store.pinnedIDs();
        pins.insert(ghost);
        store.setPinnedIDs(pins);
        store.togglePin(a);
        store.togglePin(a);
    }
    const QByteArray pinned = *UserDefaults::instance().data(QStringLiteral("pinnedIDs"));
    QVERIFY(pinned.startsWith('['));
    QVERIFY(pinned.contains(vsp::uuidUtf8(a.id)));
    JournalStore store(fixtures::fixtureClock().function());
    QVERIFY(store.pinnedIDs().contains(a.id));
    // Pins of entries that do not exist are kept as they are.
    QCOMPARE(store.pinnedIDs().size(), 3);
    QVERIFY(store.pinnedIDs().contains(ghost));
    QCOMPARE(store.tagColors(), (QHash<QString, QString>{{QStringLiteral("work"), QStringLiteral("#F87171")}}));
    QCOMPARE(*UserDefaults::instance().data(QStringLiteral("tagColors")), QByteArray(R"({"work":"#F87171"})"));
}

void JournalStoreFilesTest::damagedSettingsValues_areIgnored()
{
    UserDefaults::instance().setValue(QStringLiteral("pinnedIDs"), QByteArray("[\"not-a-uuid\"]"));
    UserDefaults::instance().setValue(QStringLiteral("tagColors"), QByteArray("{\"a\":1}"));
    JournalStore store(fixtures::fixtureClock().function());
    QVERIFY(store.pinnedIDs().isEmpty());
    QVERIFY(store.tagColors().isEmpty());
    // Nothing is written back while loading.
    QCOMPARE(*UserDefaults::instance().data(QStringLiteral("pinnedIDs")), QByteArray("[\"not-a-uuid\"]"));
}

void JournalStoreFilesTest::settingsFile_livesInConfigFolder()
{
    JournalStore store(fixtures::fixtureClock().function());
    store.toggleSortOrder();
    UserDefaults::instance().sync();
    const QString expected = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Vesperlog/Vesperlog.conf");
    QCOMPARE(UserDefaults::instance().fileName(), expected);
    QVERIFY(readFile(expected).contains("sortOrder=oldest"));
}

void JournalStoreFilesTest::saveFailure_keepsChangeInMemory()
{
    JournalStore store(fixtureClock().function());
    const JournalEntry first = entry(QStringLiteral("first"));
    store.addEntry(first);
    // A folder in the way of the temporary file makes the atomic write fail.
    QDir(storeFolder()).removeRecursively();
    writeFile(storeFolder(), "a file where the folder should be");
    vsp::test::StdoutCapture out;
    JournalEntry second = entry(QStringLiteral("second"));
    second.expirationDate = fixtureNow() + 86400;
    RecordingScheduler reminders;
    store.setReminderScheduler(&reminders);
    store.addEntry(second);
    QCOMPARE(store.entries().size(), 2);
    QVERIFY(out.text().startsWith(QStringLiteral("Vesperlog: save failed \u2014 ")));
    // The failed save is still followed by the reminder.
    QCOMPARE(reminders.scheduled, QList<QUuid>{second.id});
    QFile::remove(storeFolder());
}

void JournalStoreFilesTest::fileOrder_isKeptOnLoad()
{
    const JournalEntry older = entry(QStringLiteral("older"), localMoment(-3));
    const JournalEntry newer = entry(QStringLiteral("newer"), localMoment(-1));
    writeJournal({older, newer});
    JournalStore store(fixtures::fixtureClock().function());
    QCOMPARE(store.entries().size(), 2);
    QCOMPARE(store.entries()[0].id, older.id);
    QCOMPARE(store.entries()[1].id, newer.id);
}

void JournalStoreFilesTest::damagedJournal_neverCrashesNorLosesFile()
{
    JournalEntry rich = entry(QStringLiteral("rich \u00e9 \U0001F600"));
    rich.bodyRTF = QByteArray("{\\rtf1 bold}");
    rich.audioClips = {AudioClip{vsp::newUuid(), QStringLiteral("a.m4a"), 1.5, QStringLiteral("hi")}};
    rich.latitude = 1.25;
    const QByteArray valid = vsp::encodeEntries({rich, entry(QStringLiteral("plain"))}).bytes;
    // Every cut of a valid journal, and a few byte flips, must load as an empty journal with the file
    // set aside, never crash, and never touch the damaged file.
    QList<QByteArray> damaged;
    for (qsizetype cut = 1; cut < valid.size(); cut += 5) {
        damaged << valid.left(cut);
    }
    for (qsizetype at = 0; at < valid.size(); at += 11) {
        QByteArray flipped = valid;
        flipped[at] = char(flipped[at] ^ 0x5A);
        damaged << flipped;
    }
    int loadedAnyway = 0;
    for (const QByteArray& bytes : damaged) {
        vsp::test::resetUserFolders();
        writeFile(entriesPath(), bytes);
        vsp::test::StdoutCapture out;
        JournalStore store(fixtures::fixtureClock().function());
        QCOMPARE(readFile(entriesPath()), bytes);
        if (!store.entries().isEmpty()) {
            // A flip inside a text value can leave valid JSON: then it simply loads.
            ++loadedAnyway;
            continue;
        }
        const QStringList copies = corruptCopies(QStringLiteral("entries-corrupt-"));
        QCOMPARE(copies.size(), 1);
        QCOMPARE(readFile(storeFolder() + u'/' + copies.first()), bytes);
    }
    QVERIFY(loadedAnyway < damaged.size() / 2);
}

void JournalStoreFilesTest::privateFiles_loseGroupAndOtherBitsOnly_data()
{
    QTest::addColumn<QString>("file");
    // The mode it had before the app wrote again (an older copy's, or the user's own); 0: the app makes it.
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("expected");
    QTest::newRow("settings folder") << QStringLiteral("settings folder") << 0 << 0700;
    QTest::newRow("settings file") << QStringLiteral("settings file") << 0 << 0600;
    QTest::newRow("settings folder left open") << QStringLiteral("settings folder") << 0755 << 0700;
    QTest::newRow("settings file rewritten") << QStringLiteral("settings file") << 0644 << 0600;
    QTest::newRow("settings file the user made read-only") << QStringLiteral("settings file") << 0440 << 0400;
    QTest::newRow("backups folder") << QStringLiteral("backups") << 0 << 0700;
    QTest::newRow("journal lock") << QStringLiteral("lock") << 0 << 0600;
    QTest::newRow("images folder") << QStringLiteral("images") << 0 << 0700;
    QTest::newRow("audio folder") << QStringLiteral("audio") << 0 << 0700;
    QTest::newRow("an entry's images folder") << QStringLiteral("entry images") << 0 << 0700;
    QTest::newRow("an entry's audio folder") << QStringLiteral("entry audio") << 0 << 0700;
    // Read-only stays read-only: nothing is added to the owner's bits.
    QTest::newRow("read-only journal folder") << QStringLiteral("journal folder") << 0555 << 0500;
}

void JournalStoreFilesTest::privateFiles_loseGroupAndOtherBitsOnly()
{
    QFETCH(QString, file);
    QFETCH(int, before);
    QFETCH(int, expected);
    AppSettings& settings = AppSettings::instance();
    const QString settingsFile = UserDefaults::instance().fileName();
    QString path;
    if (file.startsWith(QLatin1String("settings"))) {
        settings.setUserName(QStringLiteral("Ada"));
        path = file == QLatin1String("settings file") ? settingsFile : QFileInfo(settingsFile).path();
        if (before) {
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(before)), 0);
            // QSettings writes the whole file anew.
            settings.setJournalName(QStringLiteral("Evenings"));
        }
    } else if (file == QLatin1String("backups")) {
        JournalStore store(fixtures::fixtureClock().function());
        store.performAutoBackup();
        path =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/Vesperlog Backups");
    } else if (file == QLatin1String("lock")) {
        JournalLock lock(JournalStore::storeFolder());
        QCOMPARE(lock.acquire(QString()), JournalLock::Result::Acquired);
        path = storeFolder() + QStringLiteral("/.vesperlog.lock");
        QCOMPARE(modeOf(path), expected);
        return;
    } else if (file == QLatin1String("images")) {
        path = JournalStore::imagesBasePath();
    } else if (file == QLatin1String("audio")) {
        path = JournalStore::audioBasePath();
    } else if (file == QLatin1String("entry images")) {
        path = JournalStore::imagesDirectory(QUuid::createUuid());
    } else if (file == QLatin1String("entry audio")) {
        path = JournalStore::audioDirectory(QUuid::createUuid());
    } else {
        path = storeFolder();
        QDir().mkpath(path);
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(before)), 0);
        const JournalStore store(fixtures::fixtureClock().function());
    }
    const int mode = modeOf(path);
    // Writable again for the next test's clean-up.
    ::chmod(QFile::encodeName(path).constData(), mode_t(mode | 0700));
    QCOMPARE(mode, expected);
}
