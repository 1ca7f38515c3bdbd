#include "JournalStoreTrashTest.h"

#include "common/StoreFixtures.h"
#include "common/TestSupport.h"

#include "Model/EntryCodec.h"
#include "Model/FileIO.h"
#include "Model/ImageCache.h"
#include "Model/JournalStore.h"
#include "Model/Uuid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace fixtures;

namespace {

void writeTrash(const QList<TrashedEntry>& records)
{
    writeFile(trashPath(), vsp::encodeTrash(records).bytes);
}

// Gives the entry an image and a voice note on disk; returns the two folders.
QStringList giveAttachments(const QUuid& id)
{
    const QString images = JournalStore::imagesDirectory(id);
    const QString audio = JournalStore::audioDirectory(id);
    writeFile(images + QStringLiteral("/photo.png"), "png");
    writeFile(audio + QStringLiteral("/note.m4a"), "m4a");
    return {images, audio};
}

bool exists(const QStringList& folders)
{
    return std::all_of(folders.cbegin(), folders.cend(), [](const QString& f) { return QFileInfo(f).isDir(); });
}

bool noneExists(const QStringList& folders)
{
    return std::none_of(folders.cbegin(), folders.cend(), [](const QString& f) { return QFileInfo::exists(f); });
}

} // namespace

void JournalStoreTrashTest::init()
{
    vsp::test::resetUserFolders();
}

void JournalStoreTrashTest::restore_showsEntryInItsSection_data()
{
    QTest::addColumn<bool>("archived");
    QTest::addColumn<int>("section");
    QTest::newRow("plain") << false << int(NavSection::Journal);
    QTest::newRow("archived") << true << int(NavSection::Archive);
}

void JournalStoreTrashTest::restore_showsEntryInItsSection()
{
    QFETCH(bool, archived);
    QFETCH(int, section);
    JournalEntry e = entry(QStringLiteral("back"), localMoment(-2));
    e.isArchived = archived;
    e.expirationDate = localMoment(-1); // already past: still handed to the scheduler
    writeJournal({e, entry(QStringLiteral("other"))});
    JournalStore store(fixtures::fixtureClock().function());
    RecordingScheduler reminders;
    store.setReminderScheduler(&reminders);
    store.togglePin(e);
    store.deleteEntry(e);
    const QStringList folders = giveAttachments(e.id);
    store.setSelectedTag(QStringLiteral("x"));
    store.setMoodFilter(QStringLiteral("\u26A1"));
    store.setSearchQuery(QStringLiteral("kept"));

    store.restoreFromTrash(store.trashedEntries().first());
    QCOMPARE(store.selectedSection(), NavSection(section));
    QVERIFY(!store.selectedTag() && !store.moodFilter());
    // The list moved to another section: its search ended with it.
    QCOMPARE(store.searchQuery(), QString());
    QCOMPARE(store.selectedEntryID(), std::optional(e.id));
    QVERIFY(store.trashedEntries().isEmpty());
    QVERIFY(!store.pinnedIDs().contains(e.id));
    QCOMPARE(reminders.scheduled, QList<QUuid>{e.id});
    QVERIFY(exists(folders));
    QCOMPARE(readJournal().size(), 2);
    QVERIFY(readTrash().isEmpty());
}

void JournalStoreTrashTest::restore_keepsListOrder()
{
    const JournalEntry a = entry(QStringLiteral("a"), localMoment(-3));
    const JournalEntry b = entry(QStringLiteral("b"), localMoment(-2));
    const JournalEntry c = entry(QStringLiteral("c"), localMoment(-1));
    writeJournal({c, b, a});
    JournalStore store(fixtures::fixtureClock().function());
    store.deleteEntry(b);
    store.toggleSortOrder();
    store.restoreFromTrash(store.trashedEntries().first());
    QCOMPARE(store.entries()[0].id, a.id);
    QCOMPARE(store.entries()[1].id, b.id);
    QCOMPARE(store.entries()[2].id, c.id);
    QCOMPARE(readJournal()[0].id, a.id);
}

void JournalStoreTrashTest::restore_ofLiveId_keepsLiveEntryAndRecord()
{
    JournalEntry live = entry(QStringLiteral("live version"));
    JournalEntry trashed = live;
    trashed.title = QStringLiteral("trashed version");
    writeJournal({live});
    writeTrash({TrashedEntry{trashed, fixtureNow()}});
    JournalStore store(fixtureClock().function());
    store.setSelectedEntryID(std::nullopt);
    store.restoreFromTrash(store.trashedEntries().first());
    QCOMPARE(store.entries().size(), 1);
    QCOMPARE(store.entries().first().title, QStringLiteral("live version"));
    QCOMPARE(store.trashedEntries().size(), 1);
    QCOMPARE(store.selectedEntryID(), std::optional(live.id));
    QCOMPARE(readJournal().first().title, QStringLiteral("live version"));
}

void JournalStoreTrashTest::restore_ofMissingRecord_doesNothing()
{
    writeJournal({entry(QStringLiteral("a"))});
    JournalStore store(fixtures::fixtureClock().function());
    const auto selection = store.selectedEntryID();
    store.restoreFromTrash(TrashedEntry{entry(QStringLiteral("stranger")), fixtureNow()});
    QCOMPARE(store.entries().size(), 1);
    QCOMPARE(store.selectedEntryID(), selection);
    QVERIFY(!QFileInfo::exists(trashPath()));
}

void JournalStoreTrashTest::deletePermanently_removesRecordAndFolders()
{
    const JournalEntry a = entry(QStringLiteral("a"));
    const JournalEntry b = entry(QStringLiteral("b"));
    writeJournal({a, b});
    JournalStore store(fixtures::fixtureClock().function());
    store.deleteEntry(a);
    store.deleteEntry(b);
    const QStringList foldersA = giveAttachments(a.id);
    const QStringList foldersB = giveAttachments(b.id);
    store.deletePermanently(store.trashedEntries().last());
    QCOMPARE(store.trashedEntries().size(), 1);
    QCOMPARE(store.trashedEntries().first().id(), b.id);
    QVERIFY(noneExists(foldersA));
    QVERIFY(exists(foldersB));
    QCOMPARE(readTrash().size(), 1);
}

void JournalStoreTrashTest::emptyTrash_writesEmptyArray()
{
    JournalStore store(fixtures::fixtureClock().function());
    store.emptyTrash();
    QCOMPARE(readFile(trashPath()), QByteArray("[]"));

    const JournalEntry a = entry(QStringLiteral("a"));
    store.addEntry(a);
    store.deleteEntry(a);
    const QStringList folders = giveAttachments(a.id);
    store.emptyTrash();
    QVERIFY(store.trashedEntries().isEmpty());
    QVERIFY(noneExists(folders));
    QCOMPARE(readFile(trashPath()), QByteArray("[]"));
}

void JournalStoreTrashTest::folders_stayWhileAnotherEntryUsesTheId()
{
    // An import can bring an id back while its older copy waits in the trash.
    const JournalEntry e = entry(QStringLiteral("imported again"));
    writeJournal({e});
    writeTrash({TrashedEntry{e, vsp::addDays(fixtureNow(), -31)}, TrashedEntry{e, fixtureNow()}});
    const QStringList folders = giveAttachments(e.id);
    JournalStore store(fixtureClock().function()); // the purge drops the expired record
    QCOMPARE(store.trashedEntries().size(), 1);
    QVERIFY(exists(folders));
    store.deletePermanently(store.trashedEntries().first());
    QVERIFY(store.trashedEntries().isEmpty());
    QVERIFY(exists(folders));
    QCOMPARE(store.entries().size(), 1);
}

void JournalStoreTrashTest::purge_atLaunch_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("daysAgo");
    QTest::addColumn<int>("secondsMore");
    QTest::addColumn<bool>("purged");
    const QDate june(2026, 6, 15);
    QTest::newRow("30 days and a second") << june << 30 << 1 << true;
    QTest::newRow("exactly 30 days") << june << 30 << 0 << false;
    QTest::newRow("yesterday") << june << 1 << 0 << false;
    QTest::newRow("29 February, 30 days and a second") << QDate(2028, 2, 29) << 30 << 1 << true;
    QTest::newRow("29 February, exactly 30 days") << QDate(2028, 2, 29) << 30 << 0 << false;
}

void JournalStoreTrashTest::purge_atLaunch()
{
    QFETCH(QDate, today);
    QFETCH(int, daysAgo);
    QFETCH(int, secondsMore);
    QFETCH(bool, purged);
    vsp::test::ManualClock clock;
    *clock.now = localMoment(today, 12);
    const JournalEntry e = entry(QStringLiteral("old"));
    const double deletedAt = vsp::addDays(*clock.now, -daysAgo) - secondsMore;
    writeTrash({TrashedEntry{e, deletedAt}, TrashedEntry{entry(QStringLiteral("fresh")), *clock.now}});
    const QStringList folders = giveAttachments(e.id);
    JournalStore store(clock.function());
    QCOMPARE(store.trashedEntries().size(), purged ? 1 : 2);
    QCOMPARE(readTrash().size(), purged ? 1 : 2);
    QCOMPARE(noneExists(folders), purged);
}

void JournalStoreTrashTest::purge_nothingExpired_leavesFileUntouched()
{
    writeTrash({TrashedEntry{entry(QStringLiteral("fresh")), fixtureNow()}});
    // Dated an hour before it was written, so a rewrite at launch shows in the modification time.
    {
        QFile file(trashPath());
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QDateTime written = file.fileTime(QFileDevice::FileModificationTime);
        QVERIFY(file.setFileTime(written.addSecs(-3600), QFileDevice::FileModificationTime));
    }
    const QDateTime before = QFileInfo(trashPath()).lastModified();
    const QByteArray bytes = readFile(trashPath());
    JournalStore store(fixtureClock().function());
    QCOMPARE(QFileInfo(trashPath()).lastModified(), before);
    QCOMPARE(readFile(trashPath()), bytes);
}

void JournalStoreTrashTest::daysUntilPurge_data()
{
    QTest::addColumn<int>("daysAgo");
    QTest::addColumn<int>("left");
    QTest::newRow("today") << 0 << 30;
    QTest::newRow("yesterday") << 1 << 29;
    QTest::newRow("30 days") << 30 << 0;
    QTest::newRow("45 days") << 45 << 0;
}

void JournalStoreTrashTest::daysUntilPurge()
{
    QFETCH(int, daysAgo);
    QFETCH(int, left);
    const QDate today(2026, 3, 30);
    vsp::test::ManualClock clock;
    *clock.now = localMoment(today, 23, 50);
    JournalStore store(clock.function());
    const TrashedEntry record{entry(QStringLiteral("x")), localMoment(today.addDays(-daysAgo), 0, 30)};
    QCOMPARE(store.daysUntilPurge(record), left);
}

// ---------------------------------------------------------------- attachments

void AttachmentsTest::init()
{
    vsp::test::resetUserFolders();
}

void AttachmentsTest::saveImage_namesByExtension_data()
{
    QTest::addColumn<QString>("original");
    QTest::addColumn<QString>("extension");
    QTest::newRow("upper-case JPG") << u"Holiday.JPG"_qs << u"jpg"_qs;
    QTest::newRow("heic") << u"x.heic"_qs << u"heic"_qs;
    QTest::newRow("bitmap") << u"scan.bmp"_qs << u"png"_qs;
    QTest::newRow("no extension") << u"photo"_qs << u"png"_qs;
    QTest::newRow("hidden file") << u".png"_qs << u"png"_qs;
    QTest::newRow("trailing dot") << u"photo."_qs << u"png"_qs;
    QTest::newRow("path with dots") << u"/tmp/a.b/photo.webp"_qs << u"webp"_qs;
}

void AttachmentsTest::saveImage_namesByExtension()
{
    QFETCH(QString, original);
    QFETCH(QString, extension);
    JournalStore store(fixtures::fixtureClock().function());
    const QUuid id = vsp::newUuid();
    const QByteArray bytes("\x89PNG\r\n\x1a\n....", 12);
    const auto name = store.saveImage(bytes, id, original);
    QVERIFY(name);
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F-]{36}\\.") + extension + u'$').match(*name).hasMatch());
    QCOMPARE(readFile(JournalStore::imagesDirectory(id) + u'/' + *name), bytes);
}

void AttachmentsTest::saveImage_sameNameTwice_givesTwoFiles()
{
    JournalStore store(fixtures::fixtureClock().function());
    const QUuid id = vsp::newUuid();
    const auto a = store.saveImage("a", id, QStringLiteral("same.png"));
    const auto b = store.saveImage("b", id, QStringLiteral("same.png"));
    QVERIFY(a && b && *a != *b);
    QCOMPARE(QDir(JournalStore::imagesDirectory(id)).entryList(QDir::Files).size(), 2);
}

void AttachmentsTest::saveImage_failure_isReported()
{
    JournalStore store(fixtures::fixtureClock().function());
    const QUuid id = vsp::newUuid();
    // A file where the entry's folder should be.
    writeFile(JournalStore::imagesBasePath() + u'/' + vsp::uuidText(id), "blocking");
    vsp::test::StdoutCapture out;
    QVERIFY(!store.saveImage("data", id, QStringLiteral("a.png")));
    QCOMPARE(out.lines().size(), 1);
    QVERIFY(out.lines().first().startsWith(QStringLiteral("Vesperlog: image save failed \u2014 ")));
}

void AttachmentsTest::storeAudio_copiesAndKeepsSource_data()
{
    QTest::addColumn<QString>("sourceName");
    QTest::addColumn<QString>("extension");
    QTest::newRow("upper-case kept") << u"Memo.M4A"_qs << u"M4A"_qs;
    QTest::newRow("wav") << u"memo.wav"_qs << u"wav"_qs;
    QTest::newRow("none") << u"recording"_qs << u"m4a"_qs;
}

void AttachmentsTest::storeAudio_copiesAndKeepsSource()
{
    QFETCH(QString, sourceName);
    QFETCH(QString, extension);
    JournalStore store(fixtures::fixtureClock().function());
    const QString source = vsp::test::testHome() + QStringLiteral("/cache/") + sourceName;
    writeFile(source, "audio bytes");
    const QUuid id = vsp::newUuid();
    const auto name = store.storeAudio(source, id);
    QVERIFY(name);
    QVERIFY(name->endsWith(u'.' + extension));
    QCOMPARE(readFile(JournalStore::audioDirectory(id) + u'/' + *name), QByteArray("audio bytes"));
    QVERIFY(QFileInfo::exists(source));
}

void AttachmentsTest::storeAudio_missingSource_isReported()
{
    JournalStore store(fixtures::fixtureClock().function());
    vsp::test::StdoutCapture out;
    QVERIFY(!store.storeAudio(vsp::test::testHome() + QStringLiteral("/nothing.m4a"), vsp::newUuid()));
    QVERIFY(out.text().startsWith(QStringLiteral("Vesperlog: audio store failed \u2014 ")));
}

void AttachmentsTest::hostileFiles_areRefusedAtOnce_data()
{
    using vsp::test::HostileFile;
    QTest::addColumn<HostileFile>("kind");
    QTest::addColumn<QString>("why");
    QTest::newRow("FIFO") << HostileFile::Fifo << u"is not a regular file"_qs;
    QTest::newRow("/dev/zero") << HostileFile::ZeroDevice << u"zero is not a regular file"_qs;
    QTest::newRow("over 200 MB") << HostileFile::Oversize << u"the file is larger than 200 MB"_qs;
}

void AttachmentsTest::hostileFiles_areRefusedAtOnce()
{
    QFETCH(vsp::test::HostileFile, kind);
    QFETCH(QString, why);
    // Photos and recordings share the 200 MB limit: one file serves as both.
    const QString path = vsp::test::makeHostileFile(kind, vsp::kMaxPhotoBytes);
    QVERIFY(!path.isEmpty());
    JournalStore store(fixtures::fixtureClock().function());
    const QUuid id = vsp::newUuid();
    vsp::test::StdoutCapture out;
    QString imageWhy;
    QVERIFY(!store.attachImageFile(path, id, &imageWhy));
    QVERIFY2(imageWhy.endsWith(why), qPrintable(imageWhy));
    QVERIFY(!store.storeAudio(path, id));
    QCOMPARE(out.lines(), (QStringList{QStringLiteral("Vesperlog: image save failed \u2014 ") + path + u": " + imageWhy,
                                       QStringLiteral("Vesperlog: audio store failed \u2014 ") + imageWhy}));
    QCOMPARE(QDir(JournalStore::imagesDirectory(id)).entryList(QDir::Files), QStringList());
    QCOMPARE(QDir(JournalStore::audioDirectory(id)).entryList(QDir::Files), QStringList());
}

void AttachmentsTest::attachImageFile_refusedByCheck_storesNothing()
{
    const QString text = vsp::test::testHome() + QStringLiteral("/notes.png");
    writeFile(text, "Dear diary");
    const QString empty = vsp::test::testHome() + QStringLiteral("/empty.png");
    writeFile(empty, "");
    const QString picture = vsp::test::testHome() + QStringLiteral("/real.png");
    writeFile(picture, "PICTURE");
    JournalStore store(fixtures::fixtureClock().function());
    store.setImageCheck([](const QByteArray& bytes) {
        return bytes.startsWith("PICTURE") ? QString() : QStringLiteral("not a picture");
    });
    const QUuid id = vsp::newUuid();
    vsp::test::StdoutCapture out;
    QString why;
    QVERIFY(!store.attachImageFile(text, id, &why));
    QCOMPARE(why, QStringLiteral("not a picture"));
    // An empty file is refused before the check is asked.
    QVERIFY(!store.attachImageFile(empty, id, &why));
    QCOMPARE(why, QStringLiteral("the file is empty"));
    QCOMPARE(out.lines(), (QStringList{QStringLiteral("Vesperlog: image save failed \u2014 ") + text
                                           + QStringLiteral(": not a picture"),
                                       QStringLiteral("Vesperlog: image save failed \u2014 ") + empty
                                           + QStringLiteral(": the file is empty")}));
    const auto name = store.attachImageFile(picture, id);
    QVERIFY(name);
    QCOMPARE(QDir(JournalStore::imagesDirectory(id)).entryList(QDir::Files), QStringList{*name});
}

void AttachmentsTest::folders_areCreatedOnRequest()
{
    const QUuid id = vsp::newUuid();
    const QString images = JournalStore::imagesDirectory(id);
    QVERIFY(QFileInfo(images).isDir());
    QCOMPARE(QFileInfo(images).fileName(), vsp::uuidText(id));
    QCOMPARE(images, storeFolder() + QStringLiteral("/images/") + vsp::uuidText(id));
    QCOMPARE(JournalStore::audioDirectory(id), storeFolder() + QStringLiteral("/audio/") + vsp::uuidText(id));
}

void AttachmentsTest::deleteImage_evictsCacheAndRemovesFile()
{
    JournalStore store(fixtures::fixtureClock().function());
    const QUuid id = vsp::newUuid();
    const QString name = *store.saveImage("x", id, QStringLiteral("a.png"));
    const QString path = JournalStore::imagesDirectory(id) + u'/' + name;
    ImageCache& cache = ImageCache::shared();
    cache.storeImage(path, {1, 0});
    cache.storeThumbnail(path, 800, {2, 0});
    cache.storeThumbnail(QStringLiteral("other"), 800, {3, 0});
    store.deleteImage(name, id);
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(cache.cachedImage(path).isNull());
    QVERIFY(cache.cachedThumbnail(path, 800).isNull());
    QCOMPARE(cache.cachedThumbnail(QStringLiteral("other"), 800), QVariant(3));

    // A missing file is no error and still evicts.
    cache.storeImage(path, {1, 0});
    store.deleteImage(name, id);
    QVERIFY(cache.cachedImage(path).isNull());
    cache.clear();
}

void AttachmentsTest::unsafeFileNames_areNeverUsed_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << QString();
    QTest::newRow("dot") << u"."_qs;
    QTest::newRow("dot dot") << u".."_qs;
    QTest::newRow("parent path") << u"../victim.txt"_qs;
    QTest::newRow("absolute") << u"/victim.txt"_qs;
    QTest::newRow("backslash") << u"..\\victim.txt"_qs;
    QTest::newRow("nul") << QStringLiteral("a") + QChar(0) + QStringLiteral("b");
}

void AttachmentsTest::unsafeFileNames_areNeverUsed()
{
    QFETCH(QString, name);
    JournalStore store(fixtures::fixtureClock().function());
    const QUuid id = vsp::newUuid();
    // A file beside the entry folders that a crafted name could reach.
    const QString victim = JournalStore::imagesBasePath() + QStringLiteral("/victim.txt");
    writeFile(victim, "keep me");
    QVERIFY(!JournalStore::imageFilePath(id, name));
    QVERIFY(!JournalStore::audioFilePath(id, name));
    store.deleteImage(name, id);
    store.deleteAudio(name, id);
    QCOMPARE(readFile(victim), QByteArray("keep me"));
    QVERIFY(QFileInfo(JournalStore::imagesDirectory(id)).isDir());
}
