#include "ExportImportTest.h"

#include "common/FixedFileChooser.h"
#include "common/StoreFixtures.h"
#include "common/TestSupport.h"

#include "Model/Dates.h"
#include "Model/EntryCodec.h"
#include "Model/FileChooser.h"
#include "Model/FileIO.h"
#include "Model/JournalStore.h"
#include "Model/Uuid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace vsp;
using fixtures::entriesPath;
using fixtures::readFile;
using fixtures::writeFile;
using fixtures::writeJournal;

namespace {

using vsp::test::FixedFileChooser;

QString documents()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QUuid uuid(const char* text)
{
    return *parseUuid(std::string_view(text));
}

double iso(const char* text)
{
    return *parseISO8601(QString::fromLatin1(text));
}

JournalEntry plain(const QString& title, double date)
{
    JournalEntry e = JournalEntry::create();
    e.title = title;
    e.body = title + QStringLiteral(" body");
    e.date = date;
    return e;
}

JournalEntry fullEntry()
{
    JournalEntry e;
    e.id = uuid("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    e.title = QStringLiteral("Morning");
    e.body = QStringLiteral("Line one\nLine \"two\"");
    e.bodyRTF = QByteArray("{\\rtf1 x}");
    e.date = iso("2026-12-08T09:30:00Z");
    e.tags = {QStringLiteral("work"), QStringLiteral("ideas")};
    e.mood = QStringLiteral("\U0001F33F");
    e.isFavorite = true;
    e.type = JournalEntry::EntryType::Idea;
    e.expirationDate = iso("2026-12-10T00:00:00Z");
    e.fontDesign = QStringLiteral("serif");
    e.imageFilenames = {QStringLiteral("a.png")};
    e.audioClips = {AudioClip{uuid("0F8FAD5B-D9CB-469F-A165-70867728950E"), QStringLiteral("n.m4a"), 12.5,
                              QStringLiteral("hello")}};
    e.latitude = 52.5;
    e.longitude = 13.25;
    e.placeName = QStringLiteral("Berlin");
    e.weatherSymbol = QStringLiteral("cloud.sun");
    e.weatherTemp = 21.5;
    e.weatherText = QStringLiteral("Partly cloudy");
    return e;
}

JournalEntry archivedEntry()
{
    JournalEntry e;
    e.id = uuid("7C9E6679-7425-40DE-944B-E07FC1F90AE7");
    e.title = QStringLiteral("Plain");
    // The fraction of a second is lost in ISO 8601 text.
    e.date = iso("2026-12-07T18:00:00Z") + 0.75;
    e.isArchived = true;
    return e;
}

const char* const kExpectedExport = R"([
  {
    "audioClips" : [
      {
        "duration" : 12.5,
        "filename" : "n.m4a",
        "id" : "0F8FAD5B-D9CB-469F-A165-70867728950E",
        "transcript" : "hello"
      }
    ],
    "body" : "Line one\nLine \"two\"",
    "bodyRTF" : "e1xydGYxIHh9",
    "date" : "2026-12-08T09:30:00Z",
    "expirationDate" : "2026-12-10T00:00:00Z",
    "fontDesign" : "serif",
    "id" : "E621E1F8-C36C-495A-93FC-0C247A3E6E5F",
    "imageFilenames" : [
      "a.png"
    ],
    "isArchived" : false,
    "isFavorite" : true,
    "latitude" : 52.5,
    "longitude" : 13.25,
    "mood" : "🌿",
    "placeName" : "Berlin",
    "tags" : [
      "work",
      "ideas"
    ],
    "title" : "Morning",
    "type" : "Idea",
    "weatherSymbol" : "cloud.sun",
    "weatherTemp" : 21.5,
    "weatherText" : "Partly cloudy"
  },
  {
    "audioClips" : [

    ],
    "body" : "",
    "date" : "2026-12-07T18:00:00Z",
    "fontDesign" : "default",
    "id" : "7C9E6679-7425-40DE-944B-E07FC1F90AE7",
    "imageFilenames" : [

    ],
    "isArchived" : true,
    "isFavorite" : false,
    "tags" : [

    ],
    "title" : "Plain",
    "type" : "Journal"
  }
])";

} // namespace

void ExportImportTest::init()
{
    test::resetUserFolders();
}

// ---------------------------------------------------------------- export

void ExportImportTest::exportJson_prettySortedIsoBytes()
{
    writeJournal({fullEntry(), archivedEntry()});
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    chooser.exportPath = test::testHome() + QStringLiteral("/out/Vesperlog Export.json");
    QDir().mkpath(test::testHome() + QStringLiteral("/out"));
    store.setFileChooser(&chooser);

    test::StdoutCapture out;
    store.exportEntries(JournalStore::ExportFormat::Json);

    QCOMPARE(QString::fromUtf8(readFile(*chooser.exportPath)), QString::fromUtf8(kExpectedExport));
    QVERIFY(out.lines().isEmpty());
}

void ExportImportTest::exportJson_emptyJournal_writesEmptyArray()
{
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    chooser.exportPath = documents() + QStringLiteral("/empty.json");
    store.setFileChooser(&chooser);

    store.exportEntries(JournalStore::ExportFormat::Json);

    QCOMPARE(readFile(*chooser.exportPath), QByteArray("[\n\n]"));
    // Still a file the import reads as an empty list.
    QVERIFY(decodeEntries(readFile(*chooser.exportPath), DateEncoding::ISO8601).ok());
}

void ExportImportTest::exportJson_keepsStoredOrder()
{
    const JournalEntry older = plain(QStringLiteral("older"), iso("2025-01-01T10:00:00Z"));
    const JournalEntry newer = plain(QStringLiteral("newer"), iso("2025-06-01T10:00:00Z"));
    writeJournal({older, newer});
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    chooser.exportPath = documents() + QStringLiteral("/order.json");
    store.setFileChooser(&chooser);

    store.exportEntries(JournalStore::ExportFormat::Json);

    const auto decoded = decodeEntries(readFile(*chooser.exportPath), DateEncoding::ISO8601);
    QVERIFY2(decoded.ok(), qPrintable(decoded.error));
    QCOMPARE(decoded.value->size(), 2);
    QCOMPARE(decoded.value->at(0).title, QStringLiteral("older"));
    QCOMPARE(decoded.value->at(1).title, QStringLiteral("newer"));
}

void ExportImportTest::exportMarkdown_layout()
{
    const double morning = fromDateTime(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
    const double evening = fromDateTime(QDateTime(QDate(2026, 12, 7), QTime(18, 5)));
    JournalEntry tagged = plain(QStringLiteral("Morning"), morning);
    tagged.tags = {QStringLiteral("work"), QStringLiteral("ideas")};
    tagged.body = QStringLiteral("First line\n\nSecond *line*");
    tagged.mood = QStringLiteral("\u26A1");
    tagged.bodyRTF = QByteArray("{\\rtf1 rich}");
    JournalEntry untagged = plain(QStringLiteral("Evening"), evening);
    untagged.body = QStringLiteral("Quiet.");
    // Stored oldest first: the Markdown is newest first whatever the stored order.
    writeJournal({untagged, tagged});
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    chooser.exportPath = documents() + QStringLiteral("/Vesperlog Export.md");
    store.setFileChooser(&chooser);

    store.exportEntries(JournalStore::ExportFormat::Markdown);

    const QLocale locale;
    const QString morningText = locale.toString(QDate(2026, 12, 8), QLocale::LongFormat) + QStringLiteral(", ")
                                + locale.toString(QTime(9, 30), QLocale::ShortFormat);
    const QString eveningText = locale.toString(QDate(2026, 12, 7), QLocale::LongFormat) + QStringLiteral(", ")
                                + locale.toString(QTime(18, 5), QLocale::ShortFormat);
    // The tests run in en_US: the locale's long date names the weekday and the month.
    QVERIFY2(morningText.startsWith(QStringLiteral("Tuesday, December 8, 2026, 9:30")), qPrintable(morningText));
    const QString expected = QStringLiteral("# Morning\n\n_") + morningText
                             + QStringLiteral("_\n**Tags:** #work #ideas\n\nFirst line\n\nSecond *line*"
                                              "\n\n---\n\n# Evening\n\n_")
                             + eveningText + QStringLiteral("_\n\nQuiet.");
    QCOMPARE(QString::fromUtf8(readFile(*chooser.exportPath)), expected);
}

void ExportImportTest::exportMarkdown_emptyJournal_writesEmptyFile()
{
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    chooser.exportPath = documents() + QStringLiteral("/empty.md");
    store.setFileChooser(&chooser);

    store.exportEntries(JournalStore::ExportFormat::Markdown);

    QVERIFY(QFileInfo::exists(*chooser.exportPath));
    QCOMPARE(QFileInfo(*chooser.exportPath).size(), 0);
}

void ExportImportTest::export_passesSuggestedNames()
{
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    store.setFileChooser(&chooser);

    store.exportEntries(JournalStore::ExportFormat::Json);
    store.exportEntries(JournalStore::ExportFormat::Markdown);

    QCOMPARE(chooser.exportRequests.size(), 2);
    QCOMPARE(chooser.exportRequests[0].first, JournalStore::ExportFormat::Json);
    QCOMPARE(chooser.exportRequests[0].second, QStringLiteral("Vesperlog Export.json"));
    QCOMPARE(chooser.exportRequests[1].first, JournalStore::ExportFormat::Markdown);
    QCOMPARE(chooser.exportRequests[1].second, QStringLiteral("Vesperlog Export.md"));
}

void ExportImportTest::export_cancelled_writesNothing()
{
    writeJournal({fullEntry()});
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser; // answers nothing: the user cancelled
    store.setFileChooser(&chooser);

    test::StdoutCapture out;
    store.exportEntries(JournalStore::ExportFormat::Json);
    store.exportEntries(JournalStore::ExportFormat::Markdown);

    QCOMPARE(chooser.exportRequests.size(), 2);
    QVERIFY(out.lines().isEmpty());
    QVERIFY(QDir(documents()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
}

void ExportImportTest::export_unwritableDestination_printsFailureAndLeavesNoFile()
{
    writeJournal({fullEntry()});
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    // A destination inside a plain file cannot be created.
    const QString blocker = documents() + QStringLiteral("/not-a-folder");
    writeFile(blocker, "x");
    chooser.exportPath = blocker + QStringLiteral("/Vesperlog Export.json");
    store.setFileChooser(&chooser);

    for (const auto format : {JournalStore::ExportFormat::Json, JournalStore::ExportFormat::Markdown}) {
        test::StdoutCapture out;
        store.exportEntries(format);
        const QStringList lines = out.lines();
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith(QStringLiteral("Vesperlog: export failed \u2014 ")),
                 qPrintable(lines.first()));
        QCOMPARE(readFile(blocker), QByteArray("x"));
        QVERIFY(!QFileInfo::exists(*chooser.exportPath));
    }
}

void ExportImportTest::export_replacesExistingFile()
{
    writeJournal({fullEntry()});
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    chooser.exportPath = documents() + QStringLiteral("/Vesperlog Export.json");
    writeFile(*chooser.exportPath, QByteArray(100000, 'z'));
    store.setFileChooser(&chooser);

    store.exportEntries(JournalStore::ExportFormat::Json);

    const auto decoded = decodeEntries(readFile(*chooser.exportPath), DateEncoding::ISO8601);
    QVERIFY2(decoded.ok(), qPrintable(decoded.error));
    QCOMPARE(*decoded.value, QList<JournalEntry>{fullEntry()});
}

void ExportImportTest::export_overTheJournalsOwnFiles_isRefused()
{
    writeJournal({fullEntry()});
    const QByteArray journal = readFile(entriesPath());
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    store.setFileChooser(&chooser);

    // The same file through another spelling of its folder, and the trash.
    for (const QString& path : QStringList{JournalStore::storeFolder() + QStringLiteral("/../Vesperlog/entries.json"),
                                           JournalStore::storeFolder() + QStringLiteral("/trash.json")}) {
        chooser.exportPath = path;
        test::StdoutCapture out;
        store.exportEntries(JournalStore::ExportFormat::Json);
        const QStringList lines = out.lines();
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith(QStringLiteral("Vesperlog: export failed \u2014 ")),
                 qPrintable(lines.first()));
    }
    QCOMPARE(readFile(entriesPath()), journal);
    QVERIFY(!QFileInfo::exists(JournalStore::storeFolder() + QStringLiteral("/trash.json")));
    JournalStore reloaded(fixtures::fixtureClock().function());
    QCOMPARE(reloaded.entries(), QList<JournalEntry>{fullEntry()});
}

// ---------------------------------------------------------------- import

void ExportImportTest::import_ownExport_roundTripsIntoEmptyJournal()
{
    const QString exported = test::testHome() + QStringLiteral("/export.json");
    {
        writeJournal({fullEntry(), archivedEntry()});
        JournalStore store(fixtures::fixtureClock().function());
        FixedFileChooser chooser;
        chooser.exportPath = exported;
        store.setFileChooser(&chooser);
        store.exportEntries(JournalStore::ExportFormat::Json);
    }
    QFile::remove(entriesPath());
    JournalStore store(fixtures::fixtureClock().function());
    QVERIFY(store.entries().isEmpty());
    FixedFileChooser chooser;
    chooser.importPath = exported;
    store.setFileChooser(&chooser);
    QSignalSpy changed(&store, &JournalStore::entriesChanged);

    store.importEntries();

    JournalEntry expectedArchived = archivedEntry();
    expectedArchived.date = iso("2026-12-07T18:00:00Z");
    const QList<JournalEntry> expected{fullEntry(), expectedArchived};
    QCOMPARE(store.entries(), expected);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(*decodeEntries(readFile(entriesPath())).value, expected);
    // The import selects nothing and filters nothing.
    QCOMPARE(store.selectedEntryID(), std::nullopt);
}

void ExportImportTest::import_ownExport_withFarOutDates_bringsEveryEntryBack_data()
{
    QTest::addColumn<double>("date");
    QTest::addColumn<QString>("expectedText");
    // Milliseconds taken for seconds by a converted journal land in the year 55,000.
    QTest::newRow("milliseconds as seconds") << 1.7e12 << QStringLiteral("9999-12-31T23:59:59Z");
    QTest::newRow("huge") << 1e300 << QStringLiteral("9999-12-31T23:59:59Z");
    QTest::newRow("before year one") << -1e12 << QStringLiteral("0001-01-01T00:00:00Z");
    QTest::newRow("last second of 9999") << iso("9999-12-31T23:59:59Z") << QStringLiteral("9999-12-31T23:59:59Z");
    QTest::newRow("year one") << iso("0001-01-01T00:00:00Z") << QStringLiteral("0001-01-01T00:00:00Z");
}

void ExportImportTest::import_ownExport_withFarOutDates_bringsEveryEntryBack()
{
    QFETCH(double, date);
    QFETCH(QString, expectedText);
    // One entry with a date outside what ISO 8601 text holds must not make the whole export unreadable.
    const QString exported = test::testHome() + QStringLiteral("/export.json");
    JournalEntry odd = plain(QStringLiteral("odd"), date);
    odd.expirationDate = date;
    const JournalEntry normal = plain(QStringLiteral("normal"), iso("2026-12-08T09:30:00Z"));
    {
        writeJournal({odd, normal});
        JournalStore store(fixtures::fixtureClock().function());
        FixedFileChooser chooser;
        chooser.exportPath = exported;
        store.setFileChooser(&chooser);
        store.exportEntries(JournalStore::ExportFormat::Json);
    }
    const QByteArray dateLine = QByteArray("\"date\" : \"") + expectedText.toLatin1() + '"';
    QVERIFY2(readFile(exported).contains(dateLine), readFile(exported).constData());

    QFile::remove(entriesPath());
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    chooser.importPath = exported;
    store.setFileChooser(&chooser);
    test::StdoutCapture output;
    store.importEntries();

    QCOMPARE(output.lines(), QStringList());
    QCOMPARE(store.entries().size(), 2);
    const JournalEntry* back = store.entry(odd.id);
    QVERIFY(back);
    QCOMPARE(back->date, iso(expectedText.toLatin1().constData()));
    QCOMPARE(back->expirationDate, std::optional<double>(back->date));
    QCOMPARE(back->title, odd.title);
}

void ExportImportTest::import_ownExport_intoSameJournal_addsAndWritesNothing()
{
    writeJournal({fullEntry(), archivedEntry()});
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    chooser.exportPath = test::testHome() + QStringLiteral("/export.json");
    chooser.importPath = chooser.exportPath;
    store.setFileChooser(&chooser);
    store.exportEntries(JournalStore::ExportFormat::Json);
    QFile::remove(entriesPath());
    QSignalSpy changed(&store, &JournalStore::entriesChanged);

    test::StdoutCapture out;
    store.importEntries();

    QCOMPARE(changed.count(), 0);
    QCOMPARE(store.entries().size(), 2);
    QVERIFY2(!QFileInfo::exists(entriesPath()), "nothing new: nothing is saved");
    QVERIFY(out.lines().isEmpty());
}

void ExportImportTest::import_entriesJsonCopy_readsNumericDates()
{
    const JournalEntry a = plain(QStringLiteral("a"), 786000000.5);
    const QString copy = test::testHome() + QStringLiteral("/entries copy.json");
    writeFile(copy, encodeEntries({a}).bytes);
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    chooser.importPath = copy;
    store.setFileChooser(&chooser);

    store.importEntries();

    // Numeric dates keep their fraction.
    QCOMPARE(store.entries(), QList<JournalEntry>{a});
}

void ExportImportTest::import_repeatedId_addsFirstOccurrenceOnce()
{
    JournalEntry first = plain(QStringLiteral("first"), iso("2026-01-01T10:00:00Z"));
    JournalEntry second = first;
    second.title = QStringLiteral("second");
    second.date = iso("2026-02-01T10:00:00Z");
    const JournalEntry other = plain(QStringLiteral("other"), iso("2026-01-15T10:00:00Z"));
    const QString file = test::testHome() + QStringLiteral("/repeated.json");
    writeFile(file, encodeEntries({first, other, second}, {.dates = DateEncoding::ISO8601}).bytes);
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    chooser.importPath = file;
    store.setFileChooser(&chooser);

    store.importEntries();

    QCOMPARE(store.entries().size(), 2);
    QCOMPARE(store.entries().at(0).title, QStringLiteral("other"));
    QCOMPARE(store.entries().at(1).title, QStringLiteral("first"));
    const auto saved = decodeEntries(readFile(entriesPath()));
    QCOMPARE(saved.value->size(), 2);
}

void ExportImportTest::import_idOnlyInTrash_isAdded()
{
    const JournalEntry kept = plain(QStringLiteral("kept"), iso("2026-03-01T10:00:00Z"));
    const JournalEntry trashed = plain(QStringLiteral("trashed"), iso("2026-03-02T10:00:00Z"));
    writeJournal({kept, trashed});
    const QString file = test::testHome() + QStringLiteral("/both.json");
    writeFile(file, encodeEntries({kept, trashed}, {.dates = DateEncoding::ISO8601}).bytes);
    JournalStore store(fixtures::fixtureClock().function());
    store.deleteEntry(trashed);
    QCOMPARE(store.trashedEntries().size(), 1);
    FixedFileChooser chooser;
    chooser.importPath = file;
    store.setFileChooser(&chooser);

    store.importEntries();

    QCOMPARE(store.entries().size(), 2);
    QCOMPARE(store.entries().at(0).id, trashed.id);
    QCOMPARE(store.trashedEntries().size(), 1);
    QCOMPARE(store.trashedEntries().first().entry.id, trashed.id);
}

void ExportImportTest::import_addsNewEntriesAndSortsNewestFirst()
{
    const JournalEntry mid = plain(QStringLiteral("mid"), iso("2026-05-01T10:00:00Z"));
    const JournalEntry old = plain(QStringLiteral("old"), iso("2026-01-01T10:00:00Z"));
    writeJournal({old, mid}); // stored oldest first
    const JournalEntry newest = plain(QStringLiteral("newest"), iso("2026-09-01T10:00:00Z"));
    const JournalEntry oldest = plain(QStringLiteral("oldest"), iso("2025-09-01T10:00:00Z"));
    const QString file = test::testHome() + QStringLiteral("/new.json");
    writeFile(file, encodeEntries({oldest, mid, newest}, {.dates = DateEncoding::ISO8601}).bytes);
    JournalStore store(fixtures::fixtureClock().function());
    store.setSortNewestFirst(false);
    FixedFileChooser chooser;
    chooser.importPath = file;
    store.setFileChooser(&chooser);

    store.importEntries();

    QStringList titles;
    for (const JournalEntry& e : store.entries()) {
        titles.append(e.title);
    }
    QCOMPARE(titles, (QStringList{QStringLiteral("newest"), QStringLiteral("mid"), QStringLiteral("old"),
                                  QStringLiteral("oldest")}));
    QCOMPARE(decodeEntries(readFile(entriesPath())).value->size(), 4);
}

void ExportImportTest::import_passesPanelTexts_andCancelDoesNothing()
{
    writeJournal({fullEntry()});
    const QByteArray before = readFile(entriesPath());
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    store.setFileChooser(&chooser);
    QSignalSpy changed(&store, &JournalStore::entriesChanged);

    test::StdoutCapture out;
    store.importEntries();

    QCOMPARE(chooser.importMessages, QStringList{QStringLiteral("Choose a Vesperlog JSON backup to import")});
    QCOMPARE(chooser.importButtons, QStringList{QStringLiteral("Import")});
    QCOMPARE(changed.count(), 0);
    QVERIFY(out.lines().isEmpty());
    QCOMPARE(readFile(entriesPath()), before);
}

void ExportImportTest::import_badInput_failsWithoutChange_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("createFile");

    const QByteArray valid =
        encodeEntries({plain(QStringLiteral("x"), 700000000)}, {.dates = DateEncoding::ISO8601}).bytes;
    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("empty file") << QByteArray() << true;
    QTest::newRow("not JSON") << QByteArray("Dear diary, today I") << true;
    QTest::newRow("truncated") << valid.left(valid.size() / 2) << true;
    QTest::newRow("object instead of array") << QByteArray(R"({"entries":[]})") << true;
    QTest::newRow("array of numbers") << QByteArray("[1,2,3]") << true;
    QTest::newRow("title missing") << QByteArray(
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","body":"b","date":"2026-01-01T00:00:00Z","tags":[],"isFavorite":false,"type":"Note"}])")
                                   << true;
    QTest::newRow("title is a number") << QByteArray(
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","title":5,"body":"b","date":"2026-01-01T00:00:00Z","tags":[],"isFavorite":false,"type":"Note"}])")
                                       << true;
    QTest::newRow("bad id") << QByteArray(
        R"([{"id":"../../etc","title":"t","body":"b","date":"2026-01-01T00:00:00Z","tags":[],"isFavorite":false,"type":"Note"}])")
                            << true;
    QTest::newRow("date neither form") << QByteArray(
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","title":"t","body":"b","date":"yesterday","tags":[],"isFavorite":false,"type":"Note"}])")
                                       << true;
    QTest::newRow("deep nesting") << QByteArray(100000, '[') << true;
    QTest::newRow("nul bytes") << QByteArray(64, '\0') << true;
    QTest::newRow("one good one bad") << QByteArray(valid.chopped(1) + R"(,{"id":1}])") << true;
}

void ExportImportTest::import_badInput_failsWithoutChange()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, createFile);
    const JournalEntry existing = plain(QStringLiteral("existing"), 600000000);
    writeJournal({existing});
    const QByteArray before = readFile(entriesPath());
    const QString file = test::testHome() + QStringLiteral("/bad.json");
    if (createFile) {
        writeFile(file, content);
    }
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    chooser.importPath = file;
    store.setFileChooser(&chooser);
    QSignalSpy changed(&store, &JournalStore::entriesChanged);

    test::StdoutCapture out;
    store.importEntries();

    const QStringList lines = out.lines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(QStringLiteral("Vesperlog: import failed \u2014 ")), qPrintable(lines.first()));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(store.entries(), QList<JournalEntry>{existing});
    QCOMPARE(readFile(entriesPath()), before);
}

void ExportImportTest::import_hostileFile_isRefusedBeforeReading_data()
{
    QTest::addColumn<test::HostileFile>("kind");
    QTest::addColumn<QString>("why");
    QTest::newRow("FIFO") << test::HostileFile::Fifo << QStringLiteral("is not a regular file");
    QTest::newRow("/dev/zero") << test::HostileFile::ZeroDevice << QStringLiteral("zero is not a regular file");
    QTest::newRow("over 1 GB, sparse") << test::HostileFile::Oversize
                                       << QStringLiteral("the file is larger than 1024 MB");
}

void ExportImportTest::import_hostileFile_isRefusedBeforeReading()
{
    QFETCH(test::HostileFile, kind);
    QFETCH(QString, why);
    const JournalEntry existing = plain(QStringLiteral("existing"), 600000000);
    writeJournal({existing});
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    const QString path = test::makeHostileFile(kind, kMaxImportBytes);
    QVERIFY(!path.isEmpty());
    chooser.importPath = path;
    store.setFileChooser(&chooser);

    test::StdoutCapture out;
    store.importEntries();
    const QStringList lines = out.lines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(QStringLiteral("Vesperlog: import failed \u2014 "))
                 && lines.first().endsWith(why),
             qPrintable(lines.first()));
    QCOMPARE(store.entries(), QList<JournalEntry>{existing});
}

void ExportImportTest::import_largeInput_succeeds_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("textSize");
    QTest::newRow("one entry with a 20 MB body") << 1 << 20 * 1024 * 1024;
    QTest::newRow("100000 entries") << 100000 << 10;
}

void ExportImportTest::import_largeInput_succeeds()
{
    QFETCH(int, count);
    QFETCH(int, textSize);
    QList<JournalEntry> entries;
    entries.reserve(count);
    const QString text(textSize, u'w');
    for (int i = 0; i < count; ++i) {
        JournalEntry e = JournalEntry::create();
        e.title = QString::number(i);
        e.body = text;
        e.date = 700000000 + i;
        entries.append(std::move(e));
    }
    const QString file = test::testHome() + QStringLiteral("/large.json");
    writeFile(file, encodeEntries(entries, {.dates = DateEncoding::ISO8601}).bytes);
    JournalStore store(fixtures::fixtureClock().function());
    FixedFileChooser chooser;
    chooser.importPath = file;
    store.setFileChooser(&chooser);

    test::StdoutCapture out;
    store.importEntries();

    QVERIFY(out.lines().isEmpty());
    QCOMPARE(store.entries().size(), count);
    // Newest first: the last generated entry leads.
    QCOMPARE(store.entries().first().title, QString::number(count - 1));
    QCOMPARE(store.entries().first().body.size(), textSize);
    QCOMPARE(decodeEntries(readFile(entriesPath())).value->size(), count);
}

// ---------------------------------------------------------------- backup

namespace {
QString todaysBackup()
{
    return documents() + QStringLiteral("/Vesperlog Backups/Vesperlog-")
           + fixtures::today().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".json");
}
} // namespace

void ExportImportTest::backup_writesCompactIsoFileOfToday()
{
    writeJournal({fullEntry(), archivedEntry()});
    JournalStore store(fixtures::fixtureClock().function());

    test::StdoutCapture out;
    store.performAutoBackup();

    QVERIFY(out.lines().isEmpty());
    const QByteArray bytes = readFile(todaysBackup());
    QCOMPARE(bytes, encodeEntries({fullEntry(), archivedEntry()}, {.dates = DateEncoding::ISO8601}).bytes);
    QVERIFY(bytes.startsWith(R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","title":"Morning")"));
    QVERIFY(bytes.contains(R"("date":"2026-12-08T09:30:00Z")"));
    QVERIFY(!bytes.contains('\n'));
}

void ExportImportTest::backup_sameDay_replacesEarlierBackup()
{
    writeJournal({fullEntry()});
    JournalStore store(fixtures::fixtureClock().function());
    store.performAutoBackup();
    store.addEntry(plain(QStringLiteral("later"), fixtures::fixtureNow()));

    store.performAutoBackup();

    const QStringList files = QDir(documents() + QStringLiteral("/Vesperlog Backups")).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    const auto decoded = decodeEntries(readFile(todaysBackup()), DateEncoding::ISO8601);
    QVERIFY2(decoded.ok(), qPrintable(decoded.error));
    QCOMPARE(decoded.value->size(), 2);
    QCOMPARE(decoded.value->first().title, QStringLiteral("later"));
}

void ExportImportTest::backup_afterFailedLoad_keepsExistingBackup()
{
    writeFile(todaysBackup(), "[\"good backup\"]");
    writeFile(entriesPath(), "{ this is not the journal");
    {
        test::StdoutCapture quiet;
        JournalStore failed(fixtures::fixtureClock().function());
        QVERIFY(!failed.loadedCleanly());

        test::StdoutCapture out;
        failed.performAutoBackup();

        const QStringList lines = out.lines();
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith(QStringLiteral("Vesperlog: backup failed \u2014 ")),
                 qPrintable(lines.first()));
    }
    QCOMPARE(readFile(todaysBackup()), QByteArray("[\"good backup\"]"));
}

void ExportImportTest::backup_ofEmptyJournal_keepsTodaysBackup()
{
    // The journal's folder went missing after an earlier run today: the app starts empty, and quitting
    // must not replace the only recent copy of the entries with an empty list.
    writeFile(todaysBackup(), "[\"good backup\"]");
    QFile::remove(entriesPath());
    {
        JournalStore empty(fixtures::fixtureClock().function());
        QVERIFY(empty.entries().isEmpty());
        test::StdoutCapture out;
        empty.performAutoBackup();
        QCOMPARE(out.lines().size(), 1);
        QVERIFY2(out.lines().first().startsWith(QStringLiteral("Vesperlog: backup failed \u2014 ")),
                 qPrintable(out.lines().first()));
    }
    QCOMPARE(readFile(todaysBackup()), QByteArray("[\"good backup\"]"));

    // Without an earlier backup of the day, an empty journal is backed up as usual.
    QFile::remove(todaysBackup());
    JournalStore empty(fixtures::fixtureClock().function());
    empty.performAutoBackup();
    QCOMPARE(readFile(todaysBackup()), QByteArray("[]"));
}

void ExportImportTest::backup_unwritableFolder_printsOneLine()
{
    writeJournal({fullEntry()});
    // A plain file where the backup folder belongs.
    writeFile(documents() + QStringLiteral("/Vesperlog Backups"), "x");
    JournalStore store(fixtures::fixtureClock().function());

    test::StdoutCapture out;
    store.performAutoBackup();

    const QStringList lines = out.lines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(QStringLiteral("Vesperlog: backup failed \u2014 ")), qPrintable(lines.first()));
}
