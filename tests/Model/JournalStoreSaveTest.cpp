#include "JournalStoreSaveTest.h"

#include "common/FixedFileChooser.h"
#include "common/StoreFixtures.h"
#include "common/TestSupport.h"

#include "Model/EntryCodec.h"
#include "Model/FileIO.h"
#include "Model/JournalStore.h"
#include "Model/JournalStoreLock.h"
#include "Model/JournalStoreWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace fixtures;

namespace {

JournalEntry bigEntry(const QString& title, qsizetype bytes)
{
    JournalEntry e = entry(title);
    e.body = QString(bytes, u'w');
    return e;
}

mode_t modeOf(const QString& path)
{
    struct stat info { };
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}

QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".*.json.*")}, QDir::Files | QDir::Hidden);
}

} // namespace

void JournalStoreSaveTest::init()
{
    vsp::test::resetUserFolders();
}

void JournalStoreSaveTest::failedSave_isReportedUntilAWriteCatchesUp_data()
{
    QTest::addColumn<bool>("byRetry");
    QTest::newRow("Try Again") << true;
    QTest::newRow("next change") << false;
}

void JournalStoreSaveTest::failedSave_isReportedUntilAWriteCatchesUp()
{
    QFETCH(bool, byRetry);
    writeJournal({bigEntry(QStringLiteral("old"), 20000)});
    JournalStore store(fixtures::fixtureClock().function());
    QSignalSpy unsaved(&store, &JournalStore::hasUnsavedChangesChanged);
    const JournalEntry kept = entry(QStringLiteral("kept in memory"));
    vsp::test::StdoutCapture out;
    {
        const vsp::test::FileSizeLimit limit(4096);
        store.addEntry(kept);
        store.toggleFavorite(kept);
    }
    QVERIFY(store.hasUnsavedChanges());
    QCOMPARE(store.lastSaveError(), QStringLiteral("File too large"));
    QCOMPARE(unsaved.size(), 1);
    QCOMPARE(out.lines().first(), QStringLiteral("Vesperlog: save failed \u2014 File too large"));
    QCOMPARE(readJournal().size(), 1);
    QVERIFY(leftovers(storeFolder()).isEmpty());

    const JournalEntry later = entry(QStringLiteral("later"));
    if (byRetry) {
        store.retrySave();
    } else {
        store.addEntry(later);
    }
    QVERIFY(!store.hasUnsavedChanges());
    QVERIFY(store.lastSaveError().isEmpty());
    QCOMPARE(unsaved.size(), 2);
    const QList<JournalEntry> onDisk = readJournal();
    QCOMPARE(onDisk.size(), byRetry ? 2 : 3);
    QVERIFY(std::any_of(onDisk.cbegin(), onDisk.cend(),
                        [&](const JournalEntry& e) { return e.id == kept.id && e.isFavorite; }));
}

void JournalStoreSaveTest::fullDisk_namesTheCause()
{
    vsp::test::SmallDisk disk(storeFolder(), 2048);
    if (!disk.mounted()) {
        QSKIP("no right to mount a small disk here");
    }
    JournalStore store(fixtures::fixtureClock().function());
    disk.fillLeaving(8192);
    store.addEntry(bigEntry(QStringLiteral("too big for the disk"), 64 * 1024));
    QVERIFY(store.hasUnsavedChanges());
    QCOMPARE(store.lastSaveError(), QStringLiteral("No space left on device"));
    QVERIFY(leftovers(storeFolder()).isEmpty());
}

void JournalStoreSaveTest::fullDisk_deletedAndPurgedEntriesNeverComeBack()
{
    vsp::test::SmallDisk disk(storeFolder(), 2048);
    if (!disk.mounted()) {
        QSKIP("no right to mount a small disk here");
    }
    writeJournal({bigEntry(QStringLiteral("one"), 150000), bigEntry(QStringLiteral("two"), 150000)});
    disk.fillLeaving(3 * 4096);
    {
        JournalStore store(fixtures::fixtureClock().function());
        const EntryList all = store.entries();
        for (const JournalEntry& e : all) {
            store.deleteEntry(e);
        }
        // Neither the trash nor the journal without them fits.
        QVERIFY(store.hasUnsavedChanges());
        store.emptyTrash();
        QVERIFY2(!store.hasUnsavedChanges(), qPrintable(store.lastSaveError()));
    }
    JournalStore relaunched(fixtures::fixtureClock().function());
    QVERIFY(relaunched.entries().isEmpty());
    QVERIFY(relaunched.trashedEntries().isEmpty());
}

void JournalStoreSaveTest::trashNeverWritten_purgedEntriesNeverComeBack()
{
    const JournalEntry gone = entry(QStringLiteral("deleted and purged"));
    writeJournal({gone, entry(QStringLiteral("stays"))});
    // A folder where trash.json should be: the deletion stays in entries.json for want of a record, until
    // the record is destroyed.
    QDir().mkpath(trashPath());
    {
        JournalStore store(fixtures::fixtureClock().function());
        store.deleteEntry(gone);
        QVERIFY(store.hasUnsavedChanges());
        QCOMPARE(readJournal().size(), 2);
        store.emptyTrash();
    }
    JournalStore relaunched(fixtures::fixtureClock().function());
    QCOMPARE(relaunched.entries().size(), 1);
    QVERIFY(!relaunched.entry(gone.id));
    QVERIFY(relaunched.trashedEntries().isEmpty());
}

void JournalStoreSaveTest::journalThroughLink_replacesTheTarget_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("entries.json") << QStringLiteral("entries.json");
    QTest::newRow("trash.json") << QStringLiteral("trash.json");
}

void JournalStoreSaveTest::journalThroughLink_replacesTheTarget()
{
    QFETCH(QString, file);
    const JournalEntry first = entry(QStringLiteral("first"));
    const JournalEntry second = entry(QStringLiteral("second"));
    writeJournal({first, second});
    const QString synced = vsp::test::testHome() + QStringLiteral("/synced");
    QDir().mkpath(synced);
    const QString target = synced + u'/' + file;
    QVERIFY(QFile::rename(storeFolder() + u'/' + file, target) || !QFileInfo::exists(storeFolder() + u'/' + file));
    if (!QFileInfo::exists(target)) {
        writeFile(target, "[]");
    }
    QVERIFY(QFile::link(QStringLiteral("../../synced/") + file, storeFolder() + u'/' + file));
    {
        JournalStore store(fixtures::fixtureClock().function());
        QCOMPARE(store.entries().size(), 2);
        const JournalEntry added = entry(QStringLiteral("added"));
        store.addEntry(added);
        store.deleteEntry(added);
        QVERIFY(!store.hasUnsavedChanges());
    }
    QVERIFY(QFileInfo(storeFolder() + u'/' + file).isSymLink());
    QVERIFY(leftovers(synced).isEmpty());
    QVERIFY(leftovers(storeFolder()).isEmpty());
    JournalStore relaunched(fixtures::fixtureClock().function());
    QCOMPARE(relaunched.trashedEntries().size(), 1);
    QCOMPARE(relaunched.entries().size(), 2);
}

void JournalStoreSaveTest::linkToUndecodableFile_isNeverReplaced()
{
    const QString other = vsp::test::testHome() + QStringLiteral("/notes.txt");
    writeFile(other, "someone else's file");
    QDir().mkpath(storeFolder());
    QVERIFY(QFile::link(other, entriesPath()));
    vsp::test::StdoutCapture out;
    JournalStore store(fixtures::fixtureClock().function());
    QCOMPARE(readFile(store.damagedJournalCopy()), QByteArray("someone else's file"));
    store.addEntry(entry(QStringLiteral("kept in memory")));
    QVERIFY(store.hasUnsavedChanges());
    QVERIFY(store.lastSaveError().contains(QStringLiteral("could not be read as a journal")));
    QCOMPARE(readFile(other), QByteArray("someone else's file"));
    QVERIFY(QFileInfo(entriesPath()).isSymLink());
}

void JournalStoreSaveTest::danglingLink_isLeftAlone()
{
    const QString missing = vsp::test::testHome() + QStringLiteral("/unmounted/entries.json");
    QDir().mkpath(storeFolder());
    QVERIFY(QFile::link(missing, entriesPath()));
    JournalStore store(fixtures::fixtureClock().function());
    QVERIFY(!store.loadedCleanly());
    store.addEntry(entry(QStringLiteral("kept in memory")));
    QVERIFY(store.hasUnsavedChanges());
    QVERIFY(!QFileInfo::exists(missing));
    QCOMPARE(QFileInfo(entriesPath()).symLinkTarget(), missing);
}

void JournalStoreSaveTest::oneWriter_replacesOnlyARegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("written");
    QTest::newRow("regular file") << QStringLiteral("file") << true;
    QTest::newRow("link to a regular file") << QStringLiteral("link to file") << true;
    QTest::newRow("FIFO") << QStringLiteral("fifo") << false;
    QTest::newRow("link to a FIFO") << QStringLiteral("link to fifo") << false;
    QTest::newRow("folder") << QStringLiteral("folder") << false;
    QTest::newRow("link leading nowhere") << QStringLiteral("dangling link") << false;
}

void JournalStoreSaveTest::oneWriter_replacesOnlyARegularFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, written);
    const QString folder = vsp::test::testHome() + QStringLiteral("/writer");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    const QString target = folder + QStringLiteral("/target.json");
    const QString path = kind.startsWith(QLatin1String("link")) || kind == QLatin1String("dangling link")
                             ? folder + QStringLiteral("/through-link.json")
                             : target;
    if (kind.endsWith(QLatin1String("file"))) {
        writeFile(target, "old");
    } else if (kind.endsWith(QLatin1String("fifo"))) {
        QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(target));
    }
    if (path != target) {
        QVERIFY(QFile::link(target, path));
    }
    QString error;
    QCOMPARE(vsp::writeFileAtomically(path, QByteArray("new"), &error), written);
    QCOMPARE(QFileInfo(path).isSymLink(), path != target);
    QVERIFY(leftovers(folder).isEmpty());
    if (written) {
        QCOMPARE(readFile(target), QByteArray("new"));
        return;
    }
    QCOMPARE(error, kind == QLatin1String("dangling link")
                        ? QStringLiteral("through-link.json is a link to %1, which does not exist").arg(target)
                        : target + QStringLiteral(" is not a regular file"));
    struct stat status { };
    const bool exists = ::lstat(QFile::encodeName(target).constData(), &status) == 0;
    QCOMPARE(exists, kind != QLatin1String("dangling link"));
    QVERIFY(!exists || !S_ISREG(status.st_mode));
}

void JournalStoreSaveTest::writtenFiles_arePrivate()
{
    writeFile(trashPath(), "damaged");
    writeJournal({});
    QFile::setPermissions(entriesPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    QFile::setPermissions(storeFolder(), QFileDevice::Permissions(0x7755));
    const mode_t umask = ::umask(0);
    const auto restore = qScopeGuard([&] { ::umask(umask); });
    JournalStore store(fixtures::fixtureClock().function());
    const JournalEntry e = entry(QStringLiteral("private"));
    store.addEntry(e);
    store.deleteEntry(e);
    QCOMPARE(modeOf(storeFolder()), mode_t(0700));
    for (const QString& path : {entriesPath(), trashPath(), store.damagedTrashCopy()}) {
        QCOMPARE(modeOf(path), mode_t(0600));
    }
}

void JournalStoreSaveTest::saveCopy_writesBackupForm_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<int>("expected");
    const QString home = vsp::test::testHome();
    QTest::newRow("chosen file") << home + QStringLiteral("/Documents/copy.json")
                                 << int(JournalStore::CopyResult::Written);
    QTest::newRow("cancelled") << QString() << int(JournalStore::CopyResult::Cancelled);
    QTest::newRow("missing folder") << home + QStringLiteral("/nowhere/copy.json")
                                    << int(JournalStore::CopyResult::Failed);
    QTest::newRow("the journal itself") << entriesPath() << int(JournalStore::CopyResult::Failed);
}

void JournalStoreSaveTest::saveCopy_writesBackupForm()
{
    QFETCH(QString, destination);
    QFETCH(int, expected);
    const JournalEntry e = entry(QStringLiteral("only in memory"));
    writeJournal({entry(QStringLiteral("on disk"))});
    JournalStore store(fixtures::fixtureClock().function());
    {
        const vsp::test::FileSizeLimit limit(100);
        store.addEntry(e);
    }
    vsp::test::FixedFileChooser chooser;
    if (!destination.isEmpty()) {
        chooser.exportPath = destination;
    }
    store.setFileChooser(&chooser);
    QString error;
    QCOMPARE(int(store.saveCopy(&error)), expected);
    QCOMPARE(chooser.exportRequests.size(), 1);
    if (expected == int(JournalStore::CopyResult::Written)) {
        const auto decoded = vsp::decodeEntries(readFile(destination), vsp::DateEncoding::ISO8601);
        QVERIFY(decoded.ok());
        QCOMPARE(decoded.value->size(), 2);
        QCOMPARE(decoded.value->first().id, e.id);
        QCOMPARE(modeOf(destination), mode_t(0600));
    } else if (expected == int(JournalStore::CopyResult::Failed)) {
        QVERIFY(!error.isEmpty());
        QCOMPARE(readJournal().size(), 1);
    }
}

void JournalStoreSaveTest::trashRecords_sameId_areToldApartByDeletionDate()
{
    JournalEntry older = entry(QStringLiteral("older version"));
    JournalEntry newer = older;
    newer.title = QStringLiteral("newer version");
    // The id is also live, with photos of its own.
    writeJournal({newer});
    writeFile(trashPath(),
              vsp::encodeTrash({TrashedEntry{newer, fixtureNow() - 20}, TrashedEntry{older, fixtureNow() - 90}}).bytes);
    const QString photo = JournalStore::imagesDirectory(newer.id) + QStringLiteral("/photo.png");
    writeFile(photo, "png");
    JournalStore store(fixtureClock().function());
    const TrashedEntry first = store.trashedEntries().at(0);
    const TrashedEntry second = store.trashedEntries().at(1);

    store.deletePermanently(second);
    QCOMPARE(store.trashedEntries(), QList<TrashedEntry>{first});
    QVERIFY(QFileInfo::exists(photo));
    QCOMPARE(readTrash(), QList<TrashedEntry>{first});

    // Once the live entry is gone, restoring brings back the record asked for and no other.
    store.deleteEntry(newer);
    QCOMPARE(store.trashedEntries().size(), 2);
    store.deletePermanently(first);
    QCOMPARE(store.trashedEntries().size(), 1);
    QVERIFY(store.trashedEntries().first().deletedAt > first.deletedAt);
    store.restoreFromTrash(first);
    QVERIFY(!store.entry(newer.id));
    store.restoreFromTrash(store.trashedEntries().first());
    QCOMPARE(store.entry(newer.id)->title, QStringLiteral("newer version"));
    QVERIFY(store.trashedEntries().isEmpty());
    QVERIFY(readTrash().isEmpty());
}

void JournalStoreSaveTest::deleteOfEntryNoLongerLive_addsNothing()
{
    const JournalEntry e = entry(QStringLiteral("destroyed for good"));
    writeJournal({e});
    JournalStore store(fixtures::fixtureClock().function());
    store.deleteEntry(e);
    store.deletePermanently(store.trashedEntries().first());
    // A window still showing the entry deletes it again.
    store.deleteEntry(e);
    QVERIFY(store.trashedEntries().isEmpty());
    QVERIFY(readTrash().isEmpty());
    QVERIFY(readJournal().isEmpty());
}

void JournalStoreSaveTest::journalLock_isHeldOncePerFolder()
{
    const QString folder = JournalStore::storeFolder();
    {
        JournalLock first(folder);
        QCOMPARE(first.acquire(QStringLiteral("/run/user/1/vesperlog.sock")), JournalLock::Result::Acquired);
        JournalLock second(folder);
        QCOMPARE(second.acquire(QStringLiteral("/elsewhere.sock")), JournalLock::Result::HeldElsewhere);
        QCOMPARE(second.holderPid(), qint64(::getpid()));
        QCOMPARE(second.holderAddress(), QStringLiteral("/run/user/1/vesperlog.sock"));
        QCOMPARE(modeOf(first.addressPath()), mode_t(0600));
    }
    JournalLock later(folder);
    QCOMPARE(later.acquire(QString()), JournalLock::Result::Acquired);
}

void JournalStoreSaveTest::journalLock_leftByCrash_isTakenOver_data()
{
    QTest::addColumn<bool>("empty");
    QTest::newRow("holder gone") << false;
    QTest::newRow("empty lock file") << true;
}

void JournalStoreSaveTest::journalLock_leftByCrash_isTakenOver()
{
    QFETCH(bool, empty);
    JournalLock probe(JournalStore::storeFolder());
    QByteArray contents;
    if (!empty) {
        // A lock written by this process, then given the id of a process that has ended.
        QLockFile own(probe.lockPath());
        QVERIFY(own.tryLock(0));
        contents = readFile(probe.lockPath());
        own.unlock();
        const pid_t child = ::fork();
        if (child == 0) {
            ::_exit(0);
        }
        ::waitpid(child, nullptr, 0);
        contents = QByteArray::number(child) + contents.mid(contents.indexOf('\n'));
    }
    writeFile(probe.lockPath(), contents);
    QCOMPARE(probe.acquire(QString()), JournalLock::Result::Acquired);
}

void JournalStoreSaveTest::backgroundWriting_writesTodaysBytes_data()
{
    QTest::addColumn<bool>("closeAtOnce");
    QTest::newRow("waited for") << false;
    // Changes that waited for an earlier write still reach the disk when the store goes.
    QTest::newRow("store closed at once") << true;
}

void JournalStoreSaveTest::backgroundWriting_writesTodaysBytes()
{
    QFETCH(bool, closeAtOnce);
    QList<JournalEntry> start;
    for (int i = 0; i < 40; ++i) {
        start << entry(QStringLiteral("entry %1").arg(i), localMoment(-i));
    }
    writeJournal(start);
    QByteArray entries;
    QByteArray trash;
    {
        JournalStore store(fixtures::fixtureClock().function());
        store.setBackgroundWriting(true);
        // A burst of changes, each handed over while earlier ones may still be written.
        for (int i = 0; i + 1 < 40; i += 3) {
            store.toggleFavorite(start[i]);
            store.deleteEntry(start[i + 1]);
        }
        store.restoreFromTrash(store.trashedEntries().last());
        store.deletePermanently(store.trashedEntries().first());
        entries = vsp::encodeEntries(store.entries()).bytes;
        trash = vsp::encodeTrash(store.trashedEntries()).bytes;
        if (!closeAtOnce) {
            QVERIFY(store.waitForSaves(30000));
            QVERIFY(!store.hasUnsavedChanges());
        }
    }
    QCOMPARE(readFile(entriesPath()), entries);
    if (!closeAtOnce) {
        // Closed at once, trash.json may still hold the restored record: the next launch keeps both.
        QCOMPARE(readFile(trashPath()), trash);
    }
}

void JournalStoreSaveTest::restoredRecord_leavesTrashOnceEntriesHoldIt_data()
{
    QTest::addColumn<bool>("entriesWrittenFirst");
    QTest::newRow("entries.json not written yet") << false;
    // A snapshot taken before the result of the write that put the entry back came in.
    QTest::newRow("entries.json already holds it") << true;
}

void JournalStoreSaveTest::restoredRecord_leavesTrashOnceEntriesHoldIt()
{
    QFETCH(bool, entriesWrittenFirst);
    const TrashedEntry record{entry(QStringLiteral("back")), fixtureNow()};
    vsp::JournalFileWriter files;
    QVERIFY(QDir().mkpath(fixtures::storeFolder()));
    vsp::JournalSnapshot snapshot;
    snapshot.entriesPath = entriesPath();
    snapshot.trashPath = trashPath();
    snapshot.entries = {record.entry};
    snapshot.entriesGeneration = 1;
    if (entriesWrittenFirst) {
        snapshot.writeEntries = true;
        QVERIFY(files.write(snapshot).entriesWritten);
    }
    snapshot.writeTrash = true;
    snapshot.trash = {record};
    snapshot.restoredGenerations = {1};
    const vsp::JournalWriteResult result = files.write(snapshot);
    QVERIFY(result.trashWritten);
    QCOMPARE(result.trashCarriedRestored, !entriesWrittenFirst);
    QCOMPARE(readFile(trashPath()),
             vsp::encodeTrash(entriesWrittenFirst ? QList<TrashedEntry>{} : QList<TrashedEntry>{record}).bytes);
}

namespace {

// The journal's own bytes for the entries, rich text read into memory first.
QByteArray encodedInMemory(QList<JournalEntry> entries)
{
    for (JournalEntry& e : entries) {
        e.bodyRTF = std::optional<QByteArray>(e.bodyRTF);
    }
    return vsp::encodeEntries(entries).bytes;
}

} // namespace

void JournalStoreSaveTest::richText_isReadFromTheFileAcrossSaves_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("leftInFile");
    // "{\rtf1 a?}" is "e1xydGYxIGE/fQ==": its "/" may be written escaped, and its last character may
    // carry stray bits that read the same.
    QTest::newRow("usual form") << QByteArray("e1xydGYxIGE/fQ==") << true;
    QTest::newRow("escaped") << QByteArray("e1xydGYxIGE\\/fQ==") << false;
    QTest::newRow("stray bits") << QByteArray("e1xydGYxIGE/fR==") << false;
}

void JournalStoreSaveTest::richText_isReadFromTheFileAcrossSaves()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, leftInFile);
    const QByteArray rtf("{\\rtf1 a?}");
    QList<JournalEntry> start = {entry(QStringLiteral("a")), entry(QStringLiteral("b")), entry(QStringLiteral("c"))};
    start[0].bodyRTF = rtf;
    start[1].bodyRTF = QByteArray("{\\rtf1 b}");
    writeFile(entriesPath(), vsp::encodeEntries(start).bytes.replace("e1xydGYxIGE/fQ==", stored));

    JournalStore store(fixtures::fixtureClock().function());
    QCOMPARE(store.entries()[0].bodyRTF.isInFile(), leftInFile);
    QCOMPARE(store.entries()[0].bodyRTF.value(), rtf);
    QVERIFY(store.entries()[1].bodyRTF.isInFile());
    // An earlier text of an edited entry, still held after its file is replaced.
    const JournalEntry before = store.entries()[1];
    JournalEntry edited = before;
    edited.bodyRTF = QByteArray("{\\rtf1 b2}");
    store.updateEntry(edited);
    QVERIFY(store.waitForSaves(30000));
    QVERIFY(!store.hasUnsavedChanges());

    QCOMPARE(readFile(entriesPath()), encodedInMemory(store.entries().toList()));
    QCOMPARE(vsp::openStoredFileCount(), 1);
    for (const JournalEntry& e : store.entries()) {
        QCOMPARE(e.bodyRTF.isInFile(), e.bodyRTF.has_value());
    }
    QCOMPARE(store.entries()[1].bodyRTF.value(), QByteArray("{\\rtf1 b2}"));
    QVERIFY(!before.bodyRTF.isInFile());
    QCOMPARE(before.bodyRTF.value(), QByteArray("{\\rtf1 b}"));
    // A second save reads what the first one wrote.
    store.toggleFavorite(store.entries()[2]);
    QVERIFY(store.waitForSaves(30000));
    QCOMPARE(readFile(entriesPath()), encodedInMemory(store.entries().toList()));
}

void JournalStoreSaveTest::richTextChangedInPlace_stillSavesThePlainBody()
{
    JournalEntry rich = entry(QStringLiteral("rich"));
    rich.body = QStringLiteral("every word");
    rich.bodyRTF = QByteArray("{\\rtf1 every word}");
    writeJournal({rich});
    JournalStore store(fixtures::fixtureClock().function());
    QVERIFY(store.entries()[0].bodyRTF.isInFile());
    {
        // Another program writes over the file itself rather than replacing it.
        QFile file(entriesPath());
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray bytes = file.readAll();
        QVERIFY(file.seek(bytes.indexOf(vsp::encodeBase64(*rich.bodyRTF))));
        file.write("AAAA");
    }
    vsp::test::StdoutCapture out;
    QCOMPARE(store.entries()[0].bodyRTF.value(), QByteArray());
    store.toggleFavorite(store.entries()[0]);
    QVERIFY(store.waitForSaves(30000));
    QVERIFY(!store.hasUnsavedChanges());
    const QList<JournalEntry> saved = readJournal();
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved[0].body.toString(), QStringLiteral("every word"));
    QVERIFY(!saved[0].bodyRTF);
    QVERIFY(out.text().contains(QStringLiteral("Vesperlog: reading rich text failed")));
}

void JournalStoreSaveTest::backgroundWriting_reportsFailureThroughEventLoop()
{
    writeJournal({bigEntry(QStringLiteral("old"), 20000)});
    JournalStore store(fixtures::fixtureClock().function());
    store.setBackgroundWriting(true);
    QSignalSpy unsaved(&store, &JournalStore::hasUnsavedChangesChanged);
    {
        const vsp::test::FileSizeLimit limit(4096);
        store.addEntry(entry(QStringLiteral("new")));
        // The operation returns before the disk is touched; the outcome arrives with the event loop.
        QTRY_VERIFY_WITH_TIMEOUT(store.hasUnsavedChanges(), 30000);
    }
    QCOMPARE(store.lastSaveError(), QStringLiteral("File too large"));
    store.retrySave();
    QTRY_VERIFY_WITH_TIMEOUT(!store.hasUnsavedChanges(), 30000);
    QCOMPARE(unsaved.size(), 2);
    QCOMPARE(readJournal().size(), 2);
}

void JournalStoreSaveTest::killedDuringSave_losesNothingReportedSaved()
{
    for (int round = 0; round < 4; ++round) {
        QProcess child;
        child.start(QStringLiteral(VESPERLOG_SAVE_CHILD), {});
        QVERIFY(child.waitForStarted());
        const int wanted = 2 + int(QRandomGenerator::global()->bounded(4));
        QStringList saved;
        while (saved.size() < wanted) {
            QVERIFY(child.waitForReadyRead(30000));
            while (child.canReadLine()) {
                const QString line = QString::fromUtf8(child.readLine()).trimmed();
                if (line.startsWith(QStringLiteral("saved "))) {
                    saved << line.mid(6);
                }
            }
        }
        // Somewhere in the write that follows the last report.
        QTest::qSleep(int(QRandomGenerator::global()->bounded(40)));
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        saved << QString::fromUtf8(child.readAllStandardOutput())
                     .split(u'\n')
                     .filter(QStringLiteral("saved "))
                     .replaceInStrings(QStringLiteral("saved "), QString());
        JournalStore relaunched(fixtures::fixtureClock().function());
        QVERIFY(relaunched.loadedCleanly());
        for (const QString& id : std::as_const(saved)) {
            QVERIFY2(relaunched.entry(QUuid::fromString(id)), qPrintable(id));
        }
    }
}
