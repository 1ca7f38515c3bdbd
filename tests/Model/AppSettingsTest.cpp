#include "AppSettingsTest.h"

#include "common/TestSupport.h"

#include "Model/AppSettings.h"
#include "Model/UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMetaProperty>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

/// One stored setting: its property, its key, its default, a value to write, the value a later launch
/// reads back from the INI file for it, and a stored value of the wrong type.
struct Row {
    const char* property;
    QString key;
    QVariant fallback;
    QVariant written;
    QVariant inFile;
    QVariant wrongType;
};

const QUuid kPin = QUuid::fromString(QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"));

const std::vector<Row>& rows()
{
    using L = QLatin1StringView;
    static const std::vector<Row> all = {
        {"defaultEntryType", L("defaultEntryType"), QStringLiteral("Journal"), QStringLiteral("Idea"),
         QStringLiteral("Idea"), 42},
        {"autoSaveDraft", L("autoSaveDraft"), true, false, QStringLiteral("false"), QStringLiteral("maybe")},
        {"showWordCount", L("showWordCount"), true, false, QStringLiteral("false"), 0.0},
        {"showMoodSelector", L("showMoodSelector"), true, false, QStringLiteral("false"), QStringLiteral("no")},
        {"userName", L("userName"), QString(), QStringLiteral("Ada \u00c5"), QStringLiteral("Ada \u00c5"), 7},
        {"journalName", L("journalName"), QStringLiteral("Vesperlog"), QStringLiteral("Night Book"),
         QStringLiteral("Night Book"), 42},
        {"appearanceMode", L("appearanceMode"), QStringLiteral("dark"), QStringLiteral("light"),
         QStringLiteral("light"), QStringList{QStringLiteral("light")}},
        {"readingFontSize", L("readingFontSize"), 15.0, 18.5, QStringLiteral("18.5"), true},
        {"writingFontSize", L("writingFontSize"), 15.0, 21.0, QStringLiteral("21"), QStringLiteral("large")},
        {"compactListView", L("compactListView"), false, true, QStringLiteral("true"), 1.0},
        {"showEntryPreviews", L("showEntryPreviews"), true, false, QStringLiteral("false"), 0.0},
        {"accentColorPreset", L("accentColorPreset"), QStringLiteral("yellow"), QStringLiteral("teal"),
         QStringLiteral("teal"), QByteArray("teal")},
        {"captureWeatherLocation", L("captureWeatherLocation"), true, false, QStringLiteral("false"),
         QStringLiteral("off")},
        {"autoBackup", L("autoBackup"), false, true, QStringLiteral("true"), QStringLiteral("yes")},
        {"hasCompletedOnboarding", L("hasCompletedOnboarding"), false, true, QStringLiteral("true"), 1},
        {"appLockEnabled", L("appLockEnabled"), false, true, QStringLiteral("true"), QStringLiteral("on")},
        {"lockOnBackground", L("lockOnBackground"), false, true, QStringLiteral("true"), 1.0},
        {"autoUpdates", L("autoUpdates"), true, false, QStringLiteral("false"), QStringLiteral("never")},
        {"dailyWordGoal", L("dailyWordGoal"), 0, 500, QStringLiteral("500"), QStringLiteral("many")},
        {"dailyReminderEnabled", L("dailyReminderEnabled"), false, true, QStringLiteral("true"), 2.5},
        {"dailyReminderHour", L("dailyReminderHour"), 20, 7, QStringLiteral("7"), 24},
        {"dailyReminderMinute", L("dailyReminderMinute"), 0, 45, QStringLiteral("45"), 60},
        {"sortOrder", L("sortOrder"), QStringLiteral("newest"), QStringLiteral("oldest"), QStringLiteral("oldest"),
         true},
        {"pinnedIDs", L("pinnedIDs"), QVariant::fromValue(QList<QUuid>()), QVariant::fromValue(QList<QUuid>{kPin}),
         QByteArray("[\"6F9619FF-8B86-D011-B42D-00C04FC964FF\"]"), QByteArray("[\"not-a-uuid\"]")},
        {"tagColors", L("tagColors"), QVariant::fromValue(QHash<QString, QString>()),
         QVariant::fromValue(QHash<QString, QString>{{QStringLiteral("work"), QStringLiteral("#F87171")},
                                                     {QStringLiteral("art"), QStringLiteral("#60A5FA")}}),
         QByteArray(R"({"art":"#60A5FA","work":"#F87171"})"), QByteArray(R"({"a":1})")},
        {"totalSaveCount", L("totalSaveCount"), qint64(0), qint64(7), QStringLiteral("7"), QStringLiteral("lots")},
        {"draftTitle", L("draftTitle"), QString(), QStringLiteral(" Half a thought"), QStringLiteral(" Half a thought"),
         3},
        {"draftBody", L("draftBody"), QString(), QStringLiteral("line one\nline two"),
         QStringLiteral("line one\nline two"), QByteArray("body")},
        {"draftBodyRTF", L("draftBodyRTF"), QByteArray(), QByteArray("{\\rtf1 x}"), QByteArray("{\\rtf1 x}"),
         QStringLiteral("{\\rtf1 x}")},
        // One tag: the INI file would read a plain list of one text back as a text.
        {"draftTags", L("draftTags"), QStringList(), QStringList{QStringLiteral("work")}, QByteArray("[\"work\"]"),
         QByteArray("[1]")},
        {"draftType", L("draftType"), QString(), QStringLiteral("Note"), QStringLiteral("Note"), 1},
        {"updateChecked", L("vesperlog.updateChecked"), QDateTime(),
         QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC), QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC),
         QStringLiteral("2026-03-01")},
        {"updatePending", L("vesperlog.updatePending"), QString(), QStringLiteral("2.1.0"), QStringLiteral("2.1.0"),
         210},
        // Set by hand only: the row stores its value under the key directly.
        {"updateFeed", L("vesperlog.updateFeed"), QString(), QStringLiteral("https://example.org/feed.json"),
         QStringLiteral("https://example.org/feed.json"), QByteArray("https://example.org")},
        {"mainWindowGeometry", L("mainWindowGeometry"), QByteArray(), QByteArray("\x01\xd9\xd0\xcb\0\x03", 6),
         QByteArray("\x01\xd9\xd0\xcb\0\x03", 6), QStringLiteral("0,0,800,600")},
        {"composeWindowGeometry", L("composeWindowGeometry"), QByteArray(), QByteArray("\x01\xd9\xd0\xcb", 4),
         QByteArray("\x01\xd9\xd0\xcb", 4), 800},
    };
    return all;
}

QMetaProperty propertyOf(const char* name)
{
    const QMetaObject& meta = AppSettings::staticMetaObject;
    return meta.property(meta.indexOfProperty(name));
}

void addRowColumns()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("fallback");
    QTest::addColumn<QVariant>("written");
    QTest::addColumn<QVariant>("inFile");
    QTest::addColumn<QVariant>("wrongType");
    for (const Row& r : rows()) {
        QTest::newRow(r.property) << QByteArray(r.property) << r.key << r.fallback << r.written << r.inFile
                                  << r.wrongType;
    }
}

/// One spy per property's change signal, by property name.
std::map<QByteArray, std::unique_ptr<QSignalSpy>> spyAll(AppSettings& settings)
{
    std::map<QByteArray, std::unique_ptr<QSignalSpy>> spies;
    const QMetaObject& meta = AppSettings::staticMetaObject;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
        spies[meta.property(i).name()] = std::make_unique<QSignalSpy>(&settings, meta.property(i).notifySignal());
    }
    return spies;
}

QByteArray fileBytes()
{
    QFile file(AppSettings::fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void AppSettingsTest::init()
{
    vsp::test::resetUserFolders();
}

void AppSettingsTest::everyProperty_isAStoredKeyWithItsOwnSignal()
{
    const QMetaObject& meta = AppSettings::staticMetaObject;
    QCOMPARE(meta.propertyCount() - meta.propertyOffset(), qsizetype(rows().size()));
    QSet<int> signalIndexes;
    for (const Row& r : rows()) {
        const QMetaProperty p = propertyOf(r.property);
        QVERIFY2(p.isValid() && p.hasNotifySignal(), r.property);
        QCOMPARE(p.isWritable(), QByteArray(r.property) != "updateFeed");
        signalIndexes.insert(p.notifySignalIndex());
    }
    QCOMPARE(signalIndexes.size(), qsizetype(rows().size()));
}

void AppSettingsTest::firstLaunch_readsTheDefault_andWritesNothing_data()
{
    addRowColumns();
}

void AppSettingsTest::firstLaunch_readsTheDefault_andWritesNothing()
{
    QFETCH(QByteArray, property);
    QFETCH(QString, key);
    QFETCH(QVariant, fallback);
    AppSettings settings;

    QCOMPARE(propertyOf(property).read(&settings), fallback);
    QSettings file(AppSettings::fileName(), QSettings::IniFormat);
    QVERIFY(!file.contains(key));
}

void AppSettingsTest::write_isSeenEverywhere_andReadBackFromTheFile_data()
{
    addRowColumns();
}

void AppSettingsTest::write_isSeenEverywhere_andReadBackFromTheFile()
{
    QFETCH(QByteArray, property);
    QFETCH(QString, key);
    QFETCH(QVariant, written);
    QFETCH(QVariant, inFile);
    const QMetaProperty p = propertyOf(property);
    AppSettings writer;
    AppSettings reader;
    const auto writerSpies = spyAll(writer);
    const auto readerSpies = spyAll(reader);

    if (p.isWritable()) {
        QVERIFY(p.write(&writer, written));
    } else {
        UserDefaults::instance().setValue(key, written);
    }

    QCOMPARE(p.read(&reader), written);
    for (const auto& [name, spy] : writerSpies) {
        QCOMPARE(spy->count(), name == property ? 1 : 0);
        QCOMPARE(readerSpies.at(name)->count(), name == property ? 1 : 0);
    }
    // What a later launch finds in the file, read back as such.
    const QVariant fromFile = QSettings(AppSettings::fileName(), QSettings::IniFormat).value(key);
    QCOMPARE(fromFile, inFile);
    AppSettings::clearAll();
    UserDefaults::instance().setValue(key, fromFile);
    QCOMPARE(p.read(&reader), written);
}

void AppSettingsTest::wrongType_readsDefault_data()
{
    addRowColumns();
    // Values of the right type that no reader can use.
    const auto more = [](const char* name, const char* property, QString key, QVariant fallback, QVariant stored) {
        QTest::newRow(name) << QByteArray(property) << key << fallback << QVariant() << QVariant() << stored;
    };
    more("font size not finite", "readingFontSize", QStringLiteral("readingFontSize"), 15.0, qInf());
    more("font size as nan text", "writingFontSize", QStringLiteral("writingFontSize"), 15.0, QStringLiteral("nan"));
    more("hour as text out of range", "dailyReminderHour", QStringLiteral("dailyReminderHour"), 20,
         QStringLiteral("25"));
    more("negative minute", "dailyReminderMinute", QStringLiteral("dailyReminderMinute"), 0, -1);
    more("negative count", "totalSaveCount", QStringLiteral("totalSaveCount"), qint64(0), -3);
    more("pins not a list", "pinnedIDs", QStringLiteral("pinnedIDs"), QVariant::fromValue(QList<QUuid>()),
         QByteArray("{}"));
    more("tags as text", "draftTags", QStringLiteral("draftTags"), QStringList(), QStringLiteral("work"));
    more("tags not JSON", "draftTags", QStringLiteral("draftTags"), QStringList(), QByteArray("not json"));
    more("tags not all texts", "draftTags", QStringLiteral("draftTags"), QStringList(), QByteArray("[1, \"a\"]"));
}

void AppSettingsTest::wrongType_readsDefault()
{
    QFETCH(QByteArray, property);
    QFETCH(QString, key);
    QFETCH(QVariant, fallback);
    QFETCH(QVariant, wrongType);
    UserDefaults::instance().setValue(key, wrongType);
    AppSettings settings;

    QCOMPARE(propertyOf(property).read(&settings), fallback);
}

void AppSettingsTest::writeOfUnchangedValue_announcesNothing()
{
    const QString a = QStringLiteral("a");
    const QString b = QStringLiteral("b");
    const QString black = QStringLiteral("#000000");
    const QString white = QStringLiteral("#FFFFFF");
    AppSettings settings;
    settings.setWritingFontSize(17);
    settings.setTagColors({{b, black}, {a, white}});
    QSignalSpy sizeSpy(&settings, &AppSettings::writingFontSizeChanged);
    QSignalSpy colorSpy(&settings, &AppSettings::tagColorsChanged);

    settings.setWritingFontSize(17);
    settings.setTagColors({{a, white}, {b, black}});
    QCOMPARE(sizeSpy.count(), 0);
    QCOMPARE(colorSpy.count(), 0);

    settings.setWritingFontSize(16);
    QCOMPARE(sizeSpy.count(), 1);
    QCOMPARE(settings.writingFontSize(), 16.0);
}

void AppSettingsTest::removingValues_data()
{
    // The values that stand for "none" remove their key rather than store an empty value.
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("none");
    QTest::newRow("rich text") << QByteArray("draftBodyRTF") << QStringLiteral("draftBodyRTF")
                               << QVariant(QByteArray("{\\rtf1}")) << QVariant(QByteArray());
    QTest::newRow("check time") << QByteArray("updateChecked") << QStringLiteral("vesperlog.updateChecked")
                                << QVariant(QDateTime(QDate(2026, 6, 15), QTime(9, 30), Qt::UTC))
                                << QVariant(QDateTime());
    QTest::newRow("pending version") << QByteArray("updatePending") << QStringLiteral("vesperlog.updatePending")
                                     << QVariant(QStringLiteral("3.0")) << QVariant(QString());
}

void AppSettingsTest::removingValues()
{
    QFETCH(QByteArray, property);
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(QVariant, none);
    AppSettings settings;
    const QMetaProperty p = propertyOf(property);
    QVERIFY(p.write(&settings, value));
    QSignalSpy spy(&settings, p.notifySignal());

    QVERIFY(p.write(&settings, none));

    QCOMPARE(spy.count(), 1);
    QVERIFY(!UserDefaults::instance().contains(key));
    QVERIFY(!QSettings(AppSettings::fileName(), QSettings::IniFormat).contains(key));
}

void AppSettingsTest::resolvedDefaultEntryType_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<JournalEntry::EntryType>("type");
    QTest::newRow("absent") << QVariant() << JournalEntry::EntryType::Journal;
    QTest::newRow("Note") << QVariant(QStringLiteral("Note")) << JournalEntry::EntryType::Note;
    QTest::newRow("Link") << QVariant(QStringLiteral("Link")) << JournalEntry::EntryType::Link;
    QTest::newRow("Idea") << QVariant(QStringLiteral("Idea")) << JournalEntry::EntryType::Idea;
    QTest::newRow("lower case") << QVariant(QStringLiteral("idea")) << JournalEntry::EntryType::Journal;
    QTest::newRow("unknown") << QVariant(QStringLiteral("Poem")) << JournalEntry::EntryType::Journal;
}

void AppSettingsTest::resolvedDefaultEntryType()
{
    QFETCH(QVariant, stored);
    QFETCH(JournalEntry::EntryType, type);
    AppSettings settings;
    if (stored.isValid()) {
        settings.setDefaultEntryType(stored.toString());
    }

    QCOMPARE(settings.resolvedDefaultEntryType(), type);
}

void AppSettingsTest::writeAndRemove_reachTheFileAtOnce_withoutTheEventLoop()
{
    // A draft is kept while the application quits, when no event loop is left to write the file later.
    AppSettings settings;
    settings.setDraftBody(QStringLiteral("words kept on quit"));
    QVERIFY2(fileBytes().contains("draftBody=words kept on quit"), fileBytes().constData());

    settings.clearDraft();
    QVERIFY2(!fileBytes().contains("draftBody"), fileBytes().constData());
}

void AppSettingsTest::batch_writesTheFileOnce_andAnnouncesAtOnce()
{
    AppSettings settings;
    settings.setUserName(QStringLiteral("Ada"));
    const QByteArray before = fileBytes();
    QSignalSpy titleSpy(&settings, &AppSettings::draftTitleChanged);
    {
        const AppSettings::Batch batch;
        settings.setDraftTitle(QStringLiteral("Title"));
        QCOMPARE(titleSpy.count(), 1);
        QCOMPARE(settings.draftTitle(), QStringLiteral("Title"));
        {
            const AppSettings::Batch inner;
            settings.setDraftBody(QStringLiteral("Body"));
            settings.setDraftBodyRTF(QByteArray("{\\rtf1 Body}"));
        }
        settings.setDraftTags({QStringLiteral("a"), QStringLiteral("b")});
        settings.setDraftType(QStringLiteral("Idea"));
        // Nothing reached the file yet, not even at the end of the inner batch.
        QCOMPARE(fileBytes(), before);
    }
    const QByteArray after = fileBytes();
    for (const char* line :
         {"draftTitle=Title", "draftBody=Body", "draftBodyRTF=", "draftTags=", "draftType=Idea", "userName=Ada"}) {
        QVERIFY2(after.contains(line), line);
    }

    {
        const AppSettings::Batch batch;
        settings.clearDraft();
        QCOMPARE(fileBytes(), after);
    }
    QVERIFY2(!fileBytes().contains("draft"), fileBytes().constData());
}

void AppSettingsTest::emptyLockLeftByACrash_doesNotDelayAWrite()
{
    AppSettings settings;
    settings.setUserName(QStringLiteral("Ada"));
    const QString lockPath = AppSettings::fileName() + QStringLiteral(".lock");
    QFile lock(lockPath);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.close();

    QElapsedTimer timer;
    timer.start();
    settings.setJournalName(QStringLiteral("After the crash"));
    const qint64 elapsed = timer.elapsed();

    QVERIFY2(elapsed < 2000, qPrintable(QString::number(elapsed)));
    QVERIFY(fileBytes().contains("journalName=After the crash"));
    QVERIFY(!QFile::exists(lockPath));
}

void AppSettingsTest::lockHeldByALiveProcess_postponesTheWrite_andLosesNothing()
{
    AppSettings settings;
    settings.setUserName(QStringLiteral("Ada"));
    // This process stands for another copy of the app that is writing the file just now.
    auto held = std::make_unique<QLockFile>(AppSettings::fileName() + QStringLiteral(".lock"));
    QVERIFY(held->tryLock(0));
    vsp::test::StdoutCapture out;

    QElapsedTimer timer;
    timer.start();
    settings.setJournalName(QStringLiteral("Held"));
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));

    QCOMPARE(settings.journalName(), QStringLiteral("Held"));
    QVERIFY(!fileBytes().contains("journalName"));
    QCOMPARE(out.lines().size(), 1);
    QVERIFY2(out.lines().first().startsWith(QStringLiteral("Vesperlog: settings save failed \u2014 ")),
             qPrintable(out.lines().first()));

    held.reset();
    // What the application emits when it is about to end.
    QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection));
    QVERIFY(fileBytes().contains("journalName=Held"));
    settings.setUserName(QStringLiteral("Grace"));
    QVERIFY(fileBytes().contains("userName=Grace"));
    QCOMPARE(out.lines().size(), 1);
}

void AppSettingsTest::unwritableSettingsFile_printsOneLine_keepsTheValue_andRecovers_data()
{
    QTest::addColumn<bool>("fullDisk");
    // A folder where the file should be cannot be replaced, even by an all-powerful user.
    QTest::newRow("folder in the file's place") << false;
    QTest::newRow("full disk") << true;
}

void AppSettingsTest::unwritableSettingsFile_printsOneLine_keepsTheValue_andRecovers()
{
    QFETCH(bool, fullDisk);
    const QString path = AppSettings::fileName();
    const QString folder = QFileInfo(path).absolutePath();
    QFile::remove(path);
    std::unique_ptr<vsp::test::SmallDisk> disk;
    if (fullDisk) {
        disk = std::make_unique<vsp::test::SmallDisk>(folder, 64);
        if (!disk->mounted()) {
            QSKIP("no right to mount a small disk here");
        }
        disk->fillLeaving(0);
    } else {
        QVERIFY(QDir().mkpath(path));
    }
    const auto removeFolder = qScopeGuard([&] {
        if (!fullDisk) {
            QDir(path).removeRecursively();
        }
    });
    AppSettings settings;
    {
        vsp::test::StdoutCapture out;
        settings.setUserName(QStringLiteral("Ada"));
        QCOMPARE(out.lines().size(), 1);
        QVERIFY2(out.lines().first().startsWith(QStringLiteral("Vesperlog: settings save failed \u2014 ")),
                 qPrintable(out.lines().first()));
    }
    QCOMPARE(settings.userName(), QStringLiteral("Ada"));

    if (fullDisk) {
        QVERIFY(QFile::remove(folder + QStringLiteral("/filler")));
    } else {
        QVERIFY(QDir(path).removeRecursively());
    }
    vsp::test::StdoutCapture out;
    settings.setJournalName(QStringLiteral("Night Book"));

    QCOMPARE(out.lines(), QStringList());
    // Read the bytes: another QSettings object over the same path would share the unwritten values.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QVERIFY2(lines.contains("userName=Ada"), qPrintable(path));
    QVERIFY(lines.contains("journalName=Night Book"));
}
