#include "AppSettingsTest.h"

#include "common/TestSupport.h"

#include "Model/AppSettings.h"
#include "Model/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QMetaProperty>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

QMetaProperty propertyOf(const QString& key)
{
    const QMetaObject& meta = AppSettings::staticMetaObject;
    return meta.property(meta.indexOfProperty(key.toLatin1().constData()));
}

// One spy per property's change signal.
std::vector<std::unique_ptr<QSignalSpy>> spyAll(AppSettings& settings)
{
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const QString& key : AppSettings::keys()) {
        const QMetaProperty p = propertyOf(key);
        spies.push_back(std::make_unique<QSignalSpy>(&settings, p.notifySignal()));
    }
    return spies;
}

} // namespace

void AppSettingsTest::init()
{
    vsp::test::resetUserFolders();
}

void AppSettingsTest::firstLaunch_everyKeyReadsItsDefault_andNothingIsWritten()
{
    const QList<std::pair<QString, QVariant>> expected{
        {QStringLiteral("defaultEntryType"), QStringLiteral("Journal")},
        {QStringLiteral("autoSaveDraft"), true},
        {QStringLiteral("showWordCount"), true},
        {QStringLiteral("showMoodSelector"), true},
        {QStringLiteral("userName"), QString()},
        {QStringLiteral("journalName"), QStringLiteral("Vesperlog")},
        {QStringLiteral("appearanceMode"), QStringLiteral("dark")},
        {QStringLiteral("readingFontSize"), 15.0},
        {QStringLiteral("writingFontSize"), 15.0},
        {QStringLiteral("compactListView"), false},
        {QStringLiteral("showEntryPreviews"), true},
        {QStringLiteral("accentColorPreset"), QStringLiteral("yellow")},
        {QStringLiteral("captureWeatherLocation"), true},
    };
    AppSettings settings;
    QCOMPARE(AppSettings::keys().size(), 13);
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const auto& [key, value] = expected[i];
        QCOMPARE(AppSettings::keys().at(i), key);
        QCOMPARE(AppSettings::defaultValue(key), value);
        const QMetaProperty p = propertyOf(key);
        QVERIFY2(p.isValid() && p.hasNotifySignal() && p.isWritable(), qPrintable(key));
        QCOMPARE(p.read(&settings), value);
    }
    QVERIFY(!AppSettings::defaultValue(QStringLiteral("sortOrder")).isValid());

    UserDefaults::instance().sync();
    QSettings file(UserDefaults::instance().fileName(), QSettings::IniFormat);
    for (const QString& key : AppSettings::keys()) {
        QVERIFY2(!UserDefaults::instance().contains(key), qPrintable(key));
        QVERIFY2(!file.contains(key), qPrintable(key));
    }
}

void AppSettingsTest::write_isSeenEverywhere_withOneSignalPerKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("defaultEntryType") << QStringLiteral("defaultEntryType") << QVariant(QStringLiteral("Idea"));
    QTest::newRow("autoSaveDraft") << QStringLiteral("autoSaveDraft") << QVariant(false);
    QTest::newRow("showWordCount") << QStringLiteral("showWordCount") << QVariant(false);
    QTest::newRow("showMoodSelector") << QStringLiteral("showMoodSelector") << QVariant(false);
    QTest::newRow("userName") << QStringLiteral("userName") << QVariant(QStringLiteral("Ada \u00c5"));
    QTest::newRow("journalName") << QStringLiteral("journalName") << QVariant(QStringLiteral("Night Book"));
    QTest::newRow("appearanceMode") << QStringLiteral("appearanceMode") << QVariant(QStringLiteral("light"));
    QTest::newRow("readingFontSize") << QStringLiteral("readingFontSize") << QVariant(18.5);
    QTest::newRow("writingFontSize") << QStringLiteral("writingFontSize") << QVariant(21.0);
    QTest::newRow("compactListView") << QStringLiteral("compactListView") << QVariant(true);
    QTest::newRow("showEntryPreviews") << QStringLiteral("showEntryPreviews") << QVariant(false);
    QTest::newRow("accentColorPreset") << QStringLiteral("accentColorPreset") << QVariant(QStringLiteral("teal"));
    QTest::newRow("captureWeatherLocation") << QStringLiteral("captureWeatherLocation") << QVariant(false);
}

void AppSettingsTest::write_isSeenEverywhere_withOneSignalPerKey()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    AppSettings writer;
    AppSettings reader;
    const auto writerSpies = spyAll(writer);
    const auto readerSpies = spyAll(reader);
    QSignalSpy defaultsSpy(&UserDefaults::instance(), &UserDefaults::valueChanged);

    QVERIFY(propertyOf(key).write(&writer, value));

    QCOMPARE(propertyOf(key).read(&reader), value);
    QCOMPARE(propertyOf(key).read(&writer), value);
    QCOMPARE(UserDefaults::instance().value(key), value);
    QCOMPARE(defaultsSpy.count(), 1);
    const qsizetype index = AppSettings::keys().indexOf(key);
    for (size_t i = 0; i < writerSpies.size(); ++i) {
        const int expected = qsizetype(i) == index ? 1 : 0;
        QCOMPARE(writerSpies[i]->count(), expected);
        QCOMPARE(readerSpies[i]->count(), expected);
    }
}

void AppSettingsTest::writeOfUnchangedValue_announcesNothing()
{
    AppSettings settings;
    settings.setWritingFontSize(17);
    QSignalSpy spy(&settings, &AppSettings::writingFontSizeChanged);

    settings.setWritingFontSize(17);
    QCOMPARE(spy.count(), 0);

    settings.setWritingFontSize(16);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(settings.writingFontSize(), 16.0);
}

void AppSettingsTest::wrongType_readsDefault_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("stored");
    QTest::newRow("font size as words") << QStringLiteral("writingFontSize") << QVariant(QStringLiteral("large"));
    QTest::newRow("font size as flag") << QStringLiteral("readingFontSize") << QVariant(true);
    QTest::newRow("font size not finite") << QStringLiteral("readingFontSize") << QVariant(qInf());
    QTest::newRow("flag as words") << QStringLiteral("autoSaveDraft") << QVariant(QStringLiteral("maybe"));
    QTest::newRow("flag as number") << QStringLiteral("showEntryPreviews") << QVariant(0.0);
    QTest::newRow("text as number") << QStringLiteral("journalName") << QVariant(42);
    QTest::newRow("text as list") << QStringLiteral("appearanceMode") << QVariant(QStringList{QStringLiteral("light")});
    QTest::newRow("text as data") << QStringLiteral("accentColorPreset") << QVariant(QByteArray("teal"));
}

void AppSettingsTest::wrongType_readsDefault()
{
    QFETCH(QString, key);
    QFETCH(QVariant, stored);
    UserDefaults::instance().setValue(key, stored);
    AppSettings settings;

    QCOMPARE(propertyOf(key).read(&settings), AppSettings::defaultValue(key));
}

void AppSettingsTest::textValuesFromTheSettingsFile_areRead_data()
{
    // The INI file keeps numbers and flags as text; a later launch reads them back as such.
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("double") << QStringLiteral("writingFontSize") << QStringLiteral("17.5") << QVariant(17.5);
    QTest::newRow("whole double") << QStringLiteral("readingFontSize") << QStringLiteral("20") << QVariant(20.0);
    QTest::newRow("false") << QStringLiteral("showWordCount") << QStringLiteral("false") << QVariant(false);
    QTest::newRow("true") << QStringLiteral("compactListView") << QStringLiteral("true") << QVariant(true);
}

void AppSettingsTest::textValuesFromTheSettingsFile_areRead()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(QVariant, expected);
    UserDefaults::instance().setValue(key, text);
    AppSettings settings;

    QCOMPARE(propertyOf(key).read(&settings), expected);
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
    if (stored.isValid()) {
        UserDefaults::instance().setValue(QStringLiteral("defaultEntryType"), stored);
    }
    AppSettings settings;

    QCOMPARE(settings.resolvedDefaultEntryType(), type);
}

void AppSettingsTest::writtenValues_reachTheSettingsFile()
{
    AppSettings settings;
    settings.setUserName(QStringLiteral("Ada"));
    settings.setReadingFontSize(19);
    settings.setCompactListView(true);
    UserDefaults::instance().sync();

    QSettings file(UserDefaults::instance().fileName(), QSettings::IniFormat);
    QCOMPARE(file.value(QStringLiteral("userName")).toString(), QStringLiteral("Ada"));
    QCOMPARE(file.value(QStringLiteral("readingFontSize")).toDouble(), 19.0);
    QCOMPARE(file.value(QStringLiteral("compactListView")).toString(), QStringLiteral("true"));
    // Only what was written is there.
    QVERIFY(!file.contains(QStringLiteral("journalName")));
}

void AppSettingsTest::writeAndRemove_reachTheFileAtOnce_withoutTheEventLoop()
{
    // A draft is kept while the application quits, when no event loop is left to write the file later.
    UserDefaults& defaults = UserDefaults::instance();
    auto fileText = [&] {
        QFile file(defaults.fileName());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    defaults.setValue(QStringLiteral("draftBody"), QStringLiteral("words kept on quit"));
    QVERIFY2(fileText().contains(QStringLiteral("draftBody=words kept on quit")), qPrintable(fileText()));

    defaults.remove(QStringLiteral("draftBody"));
    QVERIFY2(!fileText().contains(QStringLiteral("draftBody")), qPrintable(fileText()));
}

void AppSettingsTest::unwritableSettingsFile_printsOneLine_andKeepsTheValue()
{
    UserDefaults& defaults = UserDefaults::instance();
    const QString path = defaults.fileName();
    QFile::remove(path);
    // A folder where the file should be cannot be replaced, even by an all-powerful user.
    QVERIFY(QDir().mkpath(path));
    const auto removeFolder = qScopeGuard([&] { QDir(path).removeRecursively(); });
    vsp::test::StdoutCapture out;

    defaults.setValue(QStringLiteral("userName"), QStringLiteral("Ada"));

    QCOMPARE(out.lines().size(), 1);
    QVERIFY2(out.lines().first().startsWith(QStringLiteral("Vesperlog: settings save failed \u2014 ")),
             qPrintable(out.lines().first()));
    QCOMPARE(defaults.string(QStringLiteral("userName"), QString()), QStringLiteral("Ada"));
}
