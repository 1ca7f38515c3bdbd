#include "EntryCodecTest.h"

#include "Model/AggregateMembers.h"
#include "Model/Dates.h"
#include "Model/EncodedJournal.h"
#include "Model/EntryCodec.h"
#include "Model/FileIO.h"
#include "Model/JsonWriter.h"
#include "Model/MoodStore.h"
#include "Model/Uuid.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <bit>
#include <cmath>
#include <limits>

using namespace vsp;

namespace {

// The codec will not build while JournalEntry has a member without a key; that check rests on
// memberCount() counting a member of every kind an entry holds.
struct OneOfEachKind {
    QUuid id;
    QString text;
    FoldedText folded;
    StoredBytes stored;
    double number = 0;
    QStringList list;
    std::optional<QString> optionalText;
    bool flag = false;
    JournalEntry::EntryType type = JournalEntry::EntryType::Journal;
    QList<AudioClip> clips;
    std::optional<double> optionalNumber;
};
static_assert(memberCount<OneOfEachKind>() == 11);
static_assert(memberCount<AudioClip>() == 4);

const QByteArray kId = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";

QByteArray minimalEntry(const QByteArray& extra = {})
{
    QByteArray json =
        R"({"id":")" + kId + R"(","title":"T","body":"B","date":100.5,"tags":["a"],"isFavorite":false,"type":"Note")";
    if (!extra.isEmpty()) {
        json += ',' + extra;
    }
    return json + '}';
}

JournalEntry fullEntry()
{
    JournalEntry e;
    e.id = *parseUuid(std::string_view(kId.constData(), 36));
    e.title = QStringLiteral("Title \"quoted\" \\ / \u00e9\u2014\U0001F600");
    e.body = QStringLiteral("line one\nline two\ttab\u0001");
    e.bodyRTF = QByteArray("{\\rtf1\\ansi hello}\0\xff", 21);
    e.date = 786000000.125;
    e.tags = {QStringLiteral("work"), QStringLiteral("Ideas")};
    e.mood = QStringLiteral("\U0001F33F");
    e.isFavorite = true;
    e.type = JournalEntry::EntryType::Idea;
    e.expirationDate = 787000000;
    e.fontDesign = QStringLiteral("serif");
    e.isArchived = true;
    e.imageFilenames = {QStringLiteral("A.png")};
    e.audioClips = {AudioClip{*parseUuid(QStringView(u"11111111-2222-3333-4444-555555555555")), QStringLiteral("x.m4a"),
                              3.25, QStringLiteral("hello")},
                    AudioClip{*parseUuid(QStringView(u"11111111-2222-3333-4444-666666666666")), QStringLiteral("y.m4a"),
                              1, std::nullopt}};
    e.latitude = 52.52;
    e.longitude = -13.405;
    e.placeName = QStringLiteral("Berlin");
    e.weatherSymbol = QStringLiteral("cloud.sun.fill");
    e.weatherTemp = -2.5;
    e.weatherText = QStringLiteral("Partly cloudy");
    return e;
}

QList<JournalEntry> decodeOk(const QByteArray& json)
{
    const auto decoded = decodeEntries(json);
    if (!decoded.ok()) {
        qWarning() << decoded.error;
        return {};
    }
    return *decoded.value;
}

} // namespace

void EntryCodecTest::encodeInPieces_makesTheSameBytes_data()
{
    QTest::addColumn<qsizetype>("pieceBytes");
    QTest::newRow("every entry its own piece") << qsizetype(1);
    QTest::newRow("a few entries a piece") << qsizetype(3000);
    QTest::newRow("one piece") << qsizetype(1 << 20);
}

void EntryCodecTest::encodeInPieces_makesTheSameBytes()
{
    QFETCH(qsizetype, pieceBytes);
    QList<JournalEntry> entries;
    for (int i = 0; i < 12; ++i) {
        JournalEntry e = fullEntry();
        e.id = newUuid();
        e.body = QString(i * 100, u'\u00e9');
        entries << e;
    }
    for (const QList<JournalEntry>& list : {QList<JournalEntry>{}, entries}) {
        QByteArray joined;
        int pieces = 0;
        EncodedJournal journal;
        const QString error = journal.produce(
            list, pieceBytes,
            [&](const QByteArray& piece) {
                joined += piece;
                ++pieces;
                return true;
            },
            nullptr);
        QVERIFY(error.isEmpty());
        QCOMPARE(joined, encodeEntries(list).bytes);
        QVERIFY(pieces >= (pieceBytes == 1 ? list.size() : 1));
    }
}

void EntryCodecTest::encodedJournal_afterChanges_copiesOnlyWhatStayed_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<qsizetype>("encoded");
    QTest::newRow("nothing") << u"nothing"_qs << qsizetype(0);
    QTest::newRow("title edited") << u"title"_qs << qsizetype(1);
    QTest::newRow("favourite") << u"favourite"_qs << qsizetype(1);
    QTest::newRow("rich text given") << u"rich"_qs << qsizetype(1);
    QTest::newRow("added first") << u"add"_qs << qsizetype(1);
    QTest::newRow("last removed") << u"remove"_qs << qsizetype(0);
    // The first few entries away from their places are encoded before the others are looked up.
    QTest::newRow("order reversed") << u"reverse"_qs << qsizetype(8);
    QTest::newRow("file changed by another program") << u"outside"_qs << qsizetype(12);
}

void EntryCodecTest::encodedJournal_afterChanges_copiesOnlyWhatStayed()
{
    // The file written after each change has the very bytes of a full encoding, the rich texts are read
    // from it where the placements say, and only the entries that changed were encoded again.
    QFETCH(QString, change);
    QFETCH(qsizetype, encoded);
    const QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("entries.json"));
    EntryList list;
    for (int i = 0; i < 12; ++i) {
        JournalEntry e = fullEntry();
        e.id = newUuid();
        e.date += i;
        e.body = QStringLiteral("entry %1 ").arg(i).repeated(i * 40);
        if (i % 3 != 0) {
            e.bodyRTF = std::nullopt;
        }
        list.append(e);
    }
    EncodedJournal journal;
    const auto write = [&] {
        std::vector<StoredPlacement> placements;
        QString error;
        const bool saved = writeFileAtomically(
            path, [&](const ByteSink& sink) { return journal.produce(list, 1000, sink, &placements); }, &error);
        QVERIFY2(saved, qPrintable(error));
        journal.written(path);
        placeStoredBytes(path, placements);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), encodeEntries(list).bytes);
    };
    write();
    QCOMPARE(journal.encodedCount(), list.size());
    if (change == u"title") {
        JournalEntry e = list[4];
        e.title = QStringLiteral("Another \"title\"");
        list.replace(4, e);
    } else if (change == u"favourite") {
        list.edit(6).isFavorite = !list[6].isFavorite;
    } else if (change == u"rich") {
        list.edit(1).bodyRTF = QByteArray("{\\rtf1 new}");
    } else if (change == u"add") {
        list.prepend(fullEntry());
    } else if (change == u"remove") {
        const QUuid last = list.last().id;
        list.removeIf([&](const JournalEntry& e) { return e.id == last; });
    } else if (change == u"reverse") {
        list.stableSort([](const JournalEntry& a, const JournalEntry& b) { return a.date > b.date; });
    } else if (change == u"outside") {
        // Same size, other bytes: nothing of it may be copied.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        bytes.replace("entry", "ENTRY");
        QVERIFY(file.seek(0));
        QCOMPARE(file.write(bytes), bytes.size());
        // (Within the clock's tick of the write the time alone would not tell.)
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    }
    QList<std::optional<QByteArray>> rich;
    for (const JournalEntry& e : list) {
        rich << std::optional<QByteArray>(e.bodyRTF);
    }
    write();
    QCOMPARE(journal.encodedCount(), encoded);
    // Once more, so the stretches the second write copied and encoded are found again.
    write();
    QCOMPARE(journal.encodedCount(), 0);
    // Each rich text is read from the file at the place the placements gave it, after its check.
    for (qsizetype i = 0; i < list.size(); ++i) {
        const StoredBytes& stored = list[i].bodyRTF;
        QCOMPARE(stored.has_value(), rich[i].has_value());
        if (stored) {
            QVERIFY(stored.isInFile());
            QString error;
            QCOMPARE(stored.base64(&error), encodeBase64(*rich[i]));
            QVERIFY2(error.isEmpty(), qPrintable(error));
        }
    }
}

void EntryCodecTest::decode_oldFileWithoutLaterKeys_usesDefaults()
{
    const auto entries = decodeOk('[' + minimalEntry() + ']');
    QCOMPARE(entries.size(), 1);
    const JournalEntry& e = entries.first();
    QCOMPARE(uuidText(e.id), QString::fromLatin1(kId));
    QCOMPARE(e.fontDesign, QStringLiteral("default"));
    QCOMPARE(e.isArchived, false);
    QVERIFY(e.imageFilenames.isEmpty());
    QVERIFY(e.audioClips.isEmpty());
    QCOMPARE(e.date, 100.5);
    QCOMPARE(e.type, JournalEntry::EntryType::Note);

    const QByteArray written = encodeEntries(entries).bytes;
    QVERIFY(written.contains(R"("fontDesign":"default","isArchived":false,"imageFilenames":[],"audioClips":[])"));
}

void EntryCodecTest::decode_invalidEntry_failsWholeList_data()
{
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<QString>("key");
    const QByteArray base =
        R"({"id":")" + kId + R"(","title":"T","body":"B","date":1,"isFavorite":false,"type":"Note")";
    QTest::newRow("tags missing") << QByteArray(base + "}") << "tags";
    QTest::newRow("tags null") << QByteArray(base + R"(,"tags":null})") << "tags";
    QTest::newRow("type lower case") << minimalEntry().replace("\"Note\"", "\"journal\"") << "type";
    QTest::newRow("title wrong type") << minimalEntry().replace("\"title\":\"T\"", "\"title\":5") << "title";
    QTest::newRow("id not uuid") << minimalEntry().replace(kId, "not-a-uuid") << "id";
    QTest::newRow("date as text") << minimalEntry().replace("100.5", "\"100.5\"") << "date";
    QTest::newRow("favourite as number") << minimalEntry().replace("\"isFavorite\":false", "\"isFavorite\":0")
                                         << "isFavorite";
    QTest::newRow("fontDesign wrong type") << minimalEntry(R"("fontDesign":3)") << "fontDesign";
    QTest::newRow("bad base64") << minimalEntry(R"("bodyRTF":"%%%")") << "bodyRTF";
    QTest::newRow("clip without duration")
        << minimalEntry(R"("audioClips":[{"id":"11111111-2222-3333-4444-555555555555","filename":"a.m4a"}])")
        << "duration";
    QTest::newRow("tag not text") << minimalEntry().replace("[\"a\"]", "[\"a\",1]") << "tags";
    QTest::newRow("latitude text") << minimalEntry(R"("latitude":"north")") << "latitude";
}

void EntryCodecTest::decode_invalidEntry_failsWholeList()
{
    QFETCH(QByteArray, bad);
    QFETCH(QString, key);
    const auto decoded = decodeEntries('[' + minimalEntry() + ',' + bad + ']');
    QVERIFY(!decoded.ok());
    QVERIFY2(decoded.error.contains(u'"' + key + u'"'), qPrintable(decoded.error));
    QVERIFY2(decoded.error.contains(QStringLiteral("entry 1")), qPrintable(decoded.error));
}

void EntryCodecTest::decode_nullOptionals_areAbsent()
{
    const auto entries = decodeOk(
        '['
        + minimalEntry(
            R"("fontDesign":null,"isArchived":null,"mood":null,"latitude":null,"bodyRTF":null,)"
            R"("audioClips":[{"id":"11111111-2222-3333-4444-555555555555","filename":"a","duration":2,"transcript":null}])")
        + ']');
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].fontDesign, QStringLiteral("default"));
    QVERIFY(!entries[0].isArchived);
    QVERIFY(!entries[0].mood);
    QVERIFY(!entries[0].latitude);
    QVERIFY(!entries[0].bodyRTF);
    QCOMPARE(entries[0].audioClips.size(), 1);
    QVERIFY(!entries[0].audioClips[0].transcript);
}

void EntryCodecTest::decode_unknownKeys_areDroppedOnWrite()
{
    const auto entries = decodeOk('[' + minimalEntry(R"("futureField":{"deep":[1,2,3]},"other":true)") + ']');
    QCOMPARE(entries.size(), 1);
    const QByteArray written = encodeEntries(entries).bytes;
    QVERIFY(!written.contains("futureField"));
    QVERIFY(!written.contains("other"));
}

void EntryCodecTest::encode_absentOptionals_writeNoKeys()
{
    JournalEntry e = JournalEntry::create();
    const QByteArray json = encodeEntries({e}).bytes;
    for (const char* key : {"bodyRTF", "mood", "expirationDate", "latitude", "longitude", "placeName", "weatherSymbol",
                            "weatherTemp", "weatherText", "null"}) {
        QVERIFY2(!json.contains(key), key);
    }
}

void EntryCodecTest::encode_keysInFieldOrder_data()
{
    QTest::addColumn<bool>("sorted");
    QTest::addColumn<QStringList>("order");
    const QStringList fieldOrder = {
        u"id"_qs,         u"title"_qs,      u"body"_qs,           u"bodyRTF"_qs,     u"date"_qs,
        u"tags"_qs,       u"mood"_qs,       u"isFavorite"_qs,     u"type"_qs,        u"expirationDate"_qs,
        u"fontDesign"_qs, u"isArchived"_qs, u"imageFilenames"_qs, u"audioClips"_qs,  u"latitude"_qs,
        u"longitude"_qs,  u"placeName"_qs,  u"weatherSymbol"_qs,  u"weatherTemp"_qs, u"weatherText"_qs};
    QCOMPARE(size_t(fieldOrder.size()), memberCount<JournalEntry>());
    QStringList codePointOrder = fieldOrder;
    codePointOrder.sort();
    QTest::newRow("journal file") << false << fieldOrder;
    QTest::newRow("export") << true << codePointOrder;
}

void EntryCodecTest::encode_keysInFieldOrder()
{
    QFETCH(bool, sorted);
    QFETCH(QStringList, order);
    const QByteArray json = encodeEntries({fullEntry()}, {.sortedKeys = sorted}).bytes;
    // Each key once, in its place: a field left out of the order would write another key twice instead.
    qsizetype last = -1;
    for (const QString& key : std::as_const(order)) {
        const QByteArray quoted = '"' + key.toLatin1() + "\":";
        // Read on from the key before: a voice note's own "id" may come earlier.
        const qsizetype at = json.indexOf(quoted, last + 1);
        QVERIFY2(at > last, qPrintable(key));
        last = at;
    }
    QCOMPARE(json.count(kId), 1);
    QCOMPARE(json.count("\"title\":"), 1);
    if (sorted) {
        QVERIFY(json.contains(R"({"duration":3.25,"filename":"x.m4a","id":"11111111-2222-3333-4444-555555555555",)"
                              R"("transcript":"hello"})"));
        return;
    }
    QVERIFY(json.startsWith(R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","title":)"));
    QVERIFY(!json.contains('\n'));
    QVERIFY(!json.contains(": "));
    QVERIFY(json.contains(
        R"({"id":"11111111-2222-3333-4444-555555555555","filename":"x.m4a","duration":3.25,"transcript":"hello"})"));
}

void EntryCodecTest::encode_nonFiniteNumbers_areLeftOut()
{
    JournalEntry e = JournalEntry::create();
    e.latitude = std::numeric_limits<double>::quiet_NaN();
    e.longitude = std::numeric_limits<double>::infinity();
    e.weatherTemp = -std::numeric_limits<double>::infinity();
    e.placeName = QStringLiteral("Somewhere");
    const Encoded encoded = encodeEntries({e});
    QVERIFY2(encoded.ok(), qPrintable(encoded.error));
    QVERIFY(!encoded.bytes.contains("latitude"));
    QVERIFY(!encoded.bytes.contains("longitude"));
    QVERIFY(!encoded.bytes.contains("weatherTemp"));
    QVERIFY(encoded.bytes.contains("placeName"));

    e.date = std::numeric_limits<double>::quiet_NaN();
    QVERIFY(!encodeEntries({e}).ok());

    // A lone surrogate cannot be written as UTF-8: it becomes U+FFFD instead of breaking the file.
    JournalEntry lone = JournalEntry::create();
    lone.title = QStringLiteral("abcdefghij") + QChar(0xD800) + QStringLiteral("xyz");
    const auto back = decodeEntries(encodeEntries({lone}).bytes);
    QVERIFY(back.ok());
    QCOMPARE(back.value->first().title, QStringLiteral("abcdefghij\uFFFDxyz"));
}

void EntryCodecTest::roundTrip_keepsEveryField()
{
    const JournalEntry original = fullEntry();
    JournalEntry plain = JournalEntry::create();
    plain.tags.clear();
    const QByteArray json = encodeEntries({original, plain}).bytes;
    const auto back = decodeOk(json);
    QCOMPARE(back.size(), 2);
    QVERIFY(back[0] == original);
    QVERIFY(back[1] == plain);
    QCOMPARE(encodeEntries(back).bytes, json);

    TrashedEntry record{original, 790000000.5};
    const auto trash = decodeTrash(encodeTrash({record}).bytes);
    QVERIFY(trash.ok());
    QCOMPARE(trash.value->size(), 1);
    QVERIFY(trash.value->first() == record);
}

void EntryCodecTest::strings_roundTripAtEveryPosition_data()
{
    QTest::addColumn<QString>("special");
    QTest::newRow("quote") << u"\""_qs;
    QTest::newRow("backslash") << u"\\"_qs;
    QTest::newRow("newline") << u"\n"_qs;
    QTest::newRow("control") << QString(QChar(0x1F));
    QTest::newRow("nul") << QString(QChar(0));
    QTest::newRow("delete") << QString(QChar(0x7F));
    QTest::newRow("latin") << u"é"_qs;
    QTest::newRow("cjk") << u"日"_qs;
    QTest::newRow("emoji pair") << u"\U0001F600"_qs;
    QTest::newRow("slash") << u"/"_qs;
}

void EntryCodecTest::strings_roundTripAtEveryPosition()
{
    // Plain text is written eight units at a time: put the special character at every position around
    // those blocks, in strings of every length up to three blocks.
    QFETCH(QString, special);
    for (int length = 0; length <= 24; ++length) {
        for (int at = 0; at <= length; ++at) {
            QString text(length, u'a');
            text.insert(at, special);
            JournalEntry e = JournalEntry::create();
            e.title = text;
            e.tags = {text};
            const auto back = decodeEntries(encodeEntries({e}).bytes);
            QVERIFY2(back.ok(), qPrintable(back.error));
            QCOMPARE(back.value->first().title, text);
            QCOMPARE(back.value->first().tags.first(), text);
        }
    }
}

void EntryCodecTest::doubles_printShortestRoundTrip_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("whole") << 768000000.0 << QByteArray("768000000");
    QTest::newRow("fraction") << 786000000.125 << QByteArray("786000000.125");
    QTest::newRow("tenth") << 0.1 << QByteArray("0.1");
    QTest::newRow("negative") << -13.405 << QByteArray("-13.405");
    QTest::newRow("tiny") << 1e-7 << QByteArray("1e-07");
    QTest::newRow("third") << 1.0 / 3.0 << QByteArray("0.3333333333333333");
    QTest::newRow("small plain") << 0.0001 << QByteArray("0.0001");
    QTest::newRow("small scientific") << 0.00001 << QByteArray("1e-05");
    QTest::newRow("large plain") << 1e15 << QByteArray("1000000000000000");
    QTest::newRow("large scientific") << 1e16 << QByteArray("1e+16");
    QTest::newRow("zero") << 0.0 << QByteArray("0");
    QTest::newRow("negative zero") << -0.0 << QByteArray("-0");
}

void EntryCodecTest::doubles_printShortestRoundTrip()
{
    QFETCH(double, value);
    QFETCH(QByteArray, text);
    QCOMPARE(formatDouble(value), text);
    QCOMPARE(text.toDouble(), value);
}

void EntryCodecTest::base64_strictReading_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray("") << true << QByteArray("");
    QTest::newRow("one byte") << QByteArray("YQ==") << true << QByteArray("a");
    QTest::newRow("two bytes") << QByteArray("YWI=") << true << QByteArray("ab");
    QTest::newRow("three bytes") << QByteArray("YWJj") << true << QByteArray("abc");
    QTest::newRow("binary") << QByteArray("AP8=") << true << QByteArray("\x00\xff", 2);
    QTest::newRow("missing padding") << QByteArray("YQ") << false << QByteArray();
    QTest::newRow("inner padding") << QByteArray("YQ==YWJj") << false << QByteArray();
    QTest::newRow("white space") << QByteArray("YW Jj") << false << QByteArray();
    QTest::newRow("url alphabet") << QByteArray("-_8=") << false << QByteArray();
}

void EntryCodecTest::base64_strictReading()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(QByteArray, bytes);
    const auto decoded = decodeBase64(std::string_view(text.constData(), size_t(text.size())));
    QCOMPARE(decoded.has_value(), valid);
    if (valid) {
        QCOMPARE(*decoded, bytes);
        QCOMPARE(encodeBase64(bytes), text);
        QCOMPARE(encodeBase64(bytes), bytes.toBase64());
    }
}

void EntryCodecTest::wordCount_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("count");
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("blanks only") << QStringLiteral(" \t\n ") << 0;
    QTest::newRow("leading, blank line, trailing tab") << QStringLiteral("   one\n\ntwo\t") << 2;
    QTest::newRow("hyphenated") << QStringLiteral("well-known") << 1;
    QTest::newRow("no-break space") << QStringLiteral("a\u00A0b") << 2;
    QTest::newRow("line and paragraph separators") << QStringLiteral("a\u2028b\u2029c\u0085d") << 4;
    QTest::newRow("punctuation") << QStringLiteral("Hello, world!") << 2;
    QTest::newRow("ideographic space") << QStringLiteral("a\u3000b") << 2;
    QTest::newRow("capitals and other planes") << QStringLiteral("ÜBER \U00010400x 🌿") << 3;
}

void EntryCodecTest::wordCount()
{
    QFETCH(QString, body);
    QFETCH(int, count);
    JournalEntry e;
    e.body = body;
    e.title = QStringLiteral("title words do not count");
    QCOMPARE(e.wordCount(), count);
}

void EntryCodecTest::equality_coversEveryField()
{
    const JournalEntry base = fullEntry();
    QVERIFY(base == fullEntry());
    QCOMPARE(qHash(base), qHash(fullEntry()));
    const std::vector<std::function<void(JournalEntry&)>> changes = {
        [](JournalEntry& e) { e.id = newUuid(); },
        [](JournalEntry& e) { e.title += u'x'; },
        [](JournalEntry& e) { e.body = e.body.toString() + u'x'; },
        [](JournalEntry& e) { e.bodyRTF = QByteArray(e.bodyRTF.value() + 'x'); },
        [](JournalEntry& e) { e.date += 1; },
        [](JournalEntry& e) { e.tags.append(QStringLiteral("x")); },
        [](JournalEntry& e) { e.mood.reset(); },
        [](JournalEntry& e) { e.isFavorite = !e.isFavorite; },
        [](JournalEntry& e) { e.type = JournalEntry::EntryType::Link; },
        [](JournalEntry& e) { e.expirationDate.reset(); },
        [](JournalEntry& e) { e.fontDesign = QStringLiteral("mono"); },
        [](JournalEntry& e) { e.isArchived = !e.isArchived; },
        [](JournalEntry& e) { e.imageFilenames.clear(); },
        [](JournalEntry& e) { e.audioClips[0].duration = 9; },
        [](JournalEntry& e) { e.latitude = 1; },
        [](JournalEntry& e) { e.longitude = 1; },
        [](JournalEntry& e) { e.placeName.reset(); },
        [](JournalEntry& e) { e.weatherSymbol.reset(); },
        [](JournalEntry& e) { e.weatherTemp = 1; },
        [](JournalEntry& e) { e.weatherText.reset(); },
    };
    // One change per member: a member added to the entry and not compared here fails this count.
    QCOMPARE(changes.size(), memberCount<JournalEntry>());
    for (size_t i = 0; i < changes.size(); ++i) {
        JournalEntry changed = base;
        changes[i](changed);
        QVERIFY2(!(changed == base), qPrintable(QString::number(i)));
        QVERIFY2(qHash(changed) != qHash(base), qPrintable(QString::number(i)));
    }
}

void EntryCodecTest::optionalNumber_behavesAsStdOptional_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<double>("number");
    QTest::newRow("none") << false << 0.0;
    QTest::newRow("zero") << true << 0.0;
    QTest::newRow("minus zero") << true << -0.0;
    QTest::newRow("number") << true << 48.2;
    QTest::newRow("infinity") << true << qInf();
    QTest::newRow("quiet NaN") << true << qQNaN();
    QTest::newRow("signalling NaN") << true << qSNaN();
    // The bits that stand for none, given as a value, still read as a value (a NaN).
    QTest::newRow("the NaN of none") << true << std::bit_cast<double>(0x7ff4'0000'5bd1'e995ULL);
}

void EntryCodecTest::optionalNumber_behavesAsStdOptional()
{
    QFETCH(bool, present);
    QFETCH(double, number);
    const std::optional<double> value = present ? std::optional<double>(number) : std::nullopt;
    const OptionalNumber optional(value);
    QCOMPARE(optional.has_value(), present);
    QCOMPARE(std::optional<double>(optional).has_value(), present);
    if (present && std::isnan(number)) {
        QVERIFY(std::isnan(*optional));
    } else {
        QCOMPARE(std::bit_cast<quint64>(optional.value_or(-7)), std::bit_cast<quint64>(value.value_or(-7)));
    }
    // Equality and hashing as std::optional<double> gives them.
    for (const std::optional<double> other : {std::optional<double>(), std::optional<double>(0.0),
                                              std::optional<double>(48.2), std::optional<double>(qQNaN())}) {
        QCOMPARE(optional == OptionalNumber(other), value == other);
        QCOMPARE(optional == other, value == other);
    }
    // A NaN equals nothing, so only the hash of other values has to stay what it was.
    if (!std::isnan(number)) {
        QCOMPARE(qHash(optional, 3), present ? qHash(number, 3) : qHash(0x5bd1e995u, 3));
    }
    OptionalNumber cleared = optional;
    cleared.reset();
    QVERIFY(!cleared && cleared == std::nullopt);
}

void EntryCodecTest::entryType_rawValues()
{
    QStringList raws;
    for (const auto type : allEntryTypes()) {
        raws << entryTypeRawValue(type);
        QCOMPARE(entryTypeFromRawValue(entryTypeRawValue(type)), std::optional(type));
    }
    QCOMPARE(raws, (QStringList{u"Journal"_qs, u"Note"_qs, u"Link"_qs, u"Idea"_qs}));
    QVERIFY(!entryTypeFromRawValue(u"journal"));
    QVERIFY(!entryTypeFromRawValue(u""));
}

void EntryCodecTest::trash_decodeRequiresBothKeys()
{
    QVERIFY(!decodeTrash("[{\"entry\":" + minimalEntry() + "}]").ok());
    QVERIFY(!decodeTrash("[{\"deletedAt\":5}]").ok());
    const auto ok = decodeTrash("[{\"entry\":" + minimalEntry() + ",\"deletedAt\":5}]");
    QVERIFY(ok.ok());
    QCOMPARE(ok.value->first().deletedAt, 5.0);
    QVERIFY(!decodeTrash("{}").ok());
}

void EntryCodecTest::iso8601_roundTrip()
{
    // 2026-12-08T09:30:00Z
    const double date = 1796722200.0 - kReferenceDateOffset;
    QCOMPARE(formatISO8601(date), QStringLiteral("2026-12-08T09:30:00Z"));
    QCOMPARE(formatISO8601(date + 0.75), QStringLiteral("2026-12-08T09:30:00Z"));
    QCOMPARE(parseISO8601(u"2026-12-08T09:30:00Z"), std::optional(date));
    QCOMPARE(parseISO8601(u"2026-12-08T10:30:00+01:00"), std::optional(date));
    QVERIFY(!parseISO8601(u"2026-12-08T09:30:00"));
    QVERIFY(!parseISO8601(u"yesterday"));

    JournalEntry e = fullEntry();
    const Encoded iso = encodeEntries({e}, {DateEncoding::ISO8601, false, false});
    QVERIFY(iso.bytes.contains("\"date\":\""));
    const auto back = decodeEntries(iso.bytes, DateEncoding::ISO8601);
    QVERIFY(back.ok());
    QCOMPARE(back.value->first().date, std::floor(e.date));
    QVERIFY(!decodeEntries(iso.bytes, DateEncoding::ReferenceSeconds).ok());
}

void EntryCodecTest::hostileInput_neverCrashes_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("truncated") << QByteArray('[' + minimalEntry()).left(60);
    QTest::newRow("object not array") << minimalEntry();
    QTest::newRow("deep nesting") << QByteArray(100000, '[');
    QTest::newRow("deep unknown key") << QByteArray(
        '[' + minimalEntry("\"x\":" + QByteArray(5000, '[') + QByteArray(5000, ']')) + ']');
    QTest::newRow("huge number") << QByteArray('[' + minimalEntry().replace("100.5", "1e400") + ']');
    QTest::newRow("invalid utf8") << QByteArray("[{\"id\":\"\xff\xfe\"}]");
    QTest::newRow("nul bytes") << QByteArray("[\0\0\0]", 5);
    QTest::newRow("array of numbers") << QByteArray("[1,2,3]");
    QTest::newRow("trailing garbage") << QByteArray("[]]");
}

void EntryCodecTest::hostileInput_neverCrashes()
{
    QFETCH(QByteArray, json);
    const auto entries = decodeEntries(json);
    QVERIFY(!entries.ok());
    QVERIFY(!entries.error.isEmpty());
    QVERIFY(!decodeTrash(json).ok());
}

void EntryCodecTest::decode_leadingByteOrderMark_isIgnored()
{
    // Text editors on some systems start UTF-8 files with a byte order mark: a journal or a backup
    // edited by hand must still read.
    const QByteArray bom("\xEF\xBB\xBF");
    const auto entries = decodeEntries(bom + '[' + minimalEntry() + ']');
    QVERIFY2(entries.ok(), qPrintable(entries.error));
    QCOMPARE(entries.value->size(), 1);
    const QByteArray isoEntry = minimalEntry().replace("100.5", "\"2026-12-08T09:30:00Z\"");
    QVERIFY(decodeEntries(bom + '[' + isoEntry + ']', DateEncoding::ISO8601).ok());
    QVERIFY(decodeTrash(bom + "[{\"entry\":" + minimalEntry() + ",\"deletedAt\":5}]").ok());
    QVERIFY(decodeMoods(bom + R"([{"id":")" + kId + R"(","emoji":"x","label":"X"}])"));
    QVERIFY(decodeStringMap(bom + R"({"a":"#FFFFFF"})"));
    // Only at the very start, and only the whole mark.
    QVERIFY(!decodeEntries(" " + bom + "[]").ok());
    QVERIFY(!decodeEntries(bom.left(2) + "[]").ok());
}

void EntryCodecTest::decodeFromDevice_agreesWithWholeText_data()
{
    QTest::addColumn<QByteArray>("json");
    const QByteArray e = minimalEntry();
    const QByteArray tricky = minimalEntry(R"("x":"a \"}] ,[{ \\","y":"\\\\\"","z":[{"q":"]"}])");
    const QByteArray full = encodeEntries({fullEntry(), fullEntry()}).bytes;
    QTest::newRow("entries") << full;
    QTest::newRow("empty list") << QByteArray("[]");
    QTest::newRow("spaces everywhere") << QByteArray(" \n[ \t" + e + " ,\r\n" + e + " ]\n ");
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF[" + e + "]");
    QTest::newRow("quotes and brackets in strings") << QByteArray('[' + tricky + ',' + e + ']');
    QTest::newRow("trailing comma") << QByteArray('[' + e + ",]");
    QTest::newRow("missing comma") << QByteArray('[' + e + ' ' + e + ']');
    QTest::newRow("double comma") << QByteArray('[' + e + ",," + e + ']');
    QTest::newRow("text after the list") << QByteArray('[' + e + "] x");
    QTest::newRow("second list") << QByteArray("[][]");
    QTest::newRow("cut in a string") << full.left(full.indexOf("Title") + 3);
    QTest::newRow("cut after an entry") << QByteArray('[' + e);
    QTest::newRow("not a list") << e;
    QTest::newRow("nothing") << QByteArray();
    QTest::newRow("numbers") << QByteArray("[1, 2]");
    QTest::newRow("bare words") << QByteArray("[true false]");
    QTest::newRow("unclosed string entry") << QByteArray("[\"abc]");
    QTest::newRow("invalid utf8") << QByteArray("[{\"id\":\"\xff\xfe\"}]");
    // As deep as the whole text may nest, and one level deeper.
    for (const int depth : {1021, 1022, 1023, 1024}) {
        QTest::addRow("nested %d deep", depth)
            << QByteArray('[' + minimalEntry("\"x\":" + QByteArray(depth - 2, '[') + QByteArray(depth - 2, ']')) + ']');
    }
}

void EntryCodecTest::decodeFromDevice_agreesWithWholeText()
{
    QFETCH(QByteArray, json);
    const auto whole = decodeEntries(json);
    // Pieces of every size, down to single bytes, split the text anywhere.
    for (const qsizetype piece : {qsizetype(1), qsizetype(3), qsizetype(64), qsizetype(4 << 20)}) {
        QBuffer buffer(&json);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const auto streamed = decodeEntries(buffer, DateEncoding::ReferenceSeconds, piece);
        QVERIFY2(streamed.ok() == whole.ok(),
                 qPrintable(QStringLiteral("piece %1: %2 / %3").arg(piece).arg(streamed.error, whole.error)));
        if (whole.ok()) {
            QCOMPARE(*streamed.value, *whole.value);
        } else {
            QVERIFY(!streamed.error.isEmpty());
        }
    }
}

void EntryCodecTest::shortTimeFormat_keepsHoursAndMinutesOnly_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    // The C locale's short time carries seconds; others put the zone or a day period beside it.
    QTest::newRow("C") << QStringLiteral("C") << QStringLiteral("21:07");
    QTest::newRow("en_US") << QStringLiteral("en_US") << QStringLiteral("9:07 PM");
    QTest::newRow("de_DE") << QStringLiteral("de_DE") << QStringLiteral("21:07");
    QTest::newRow("fi_FI") << QStringLiteral("fi_FI") << QStringLiteral("21.07");
}

void EntryCodecTest::shortTimeFormat_keepsHoursAndMinutesOnly()
{
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    const QLocale l(locale);
    const QString shown = l.toString(QTime(21, 7, 45), vsp::shortTimeFormat(l));
    // Compared without the kind of space a locale puts before its day period.
    QCOMPARE(QString(shown).replace(QChar(0x202F), u' ').replace(QChar(0xA0), u' '), expected);
}

void EntryCodecTest::addDays_keepsTimeOfDayAndFraction_data()
{
    QTest::addColumn<double>("fraction");
    QTest::addColumn<int>("days");
    QTest::newRow("whole second, back 30") << 0.0 << -30;
    QTest::newRow("quarter, ahead 30") << 0.25 << 30;
    QTest::newRow("just under a second, ahead 1") << 0.9996 << 1;
    QTest::newRow("just under a second, back 30") << 0.9999 << -30;
}

void EntryCodecTest::addDays_keepsTimeOfDayAndFraction()
{
    QFETCH(double, fraction);
    QFETCH(int, days);
    // 2026-07-08 23:59:59 local: a moment whose rounding to milliseconds would cross into the next day.
    const double base = fromDateTime(QDateTime(QDate(2026, 7, 8), QTime(23, 59, 59)));
    const double moved = addDays(base + fraction, days);
    const QDateTime expected(QDate(2026, 7, 8).addDays(days), QTime(23, 59, 59));
    QCOMPARE(std::floor(moved), fromDateTime(expected));
    QVERIFY(std::abs((moved - std::floor(moved)) - fraction) < 1e-6);
}

void EntryCodecTest::foldedText_givesBackTheText_data()
{
    QTest::addColumn<QString>("text");
    const auto units = [](std::initializer_list<char16_t> list) {
        return QString(reinterpret_cast<const QChar*>(list.begin()), qsizetype(list.size()));
    };
    QTest::newRow("empty") << QString();
    QTest::newRow("lower ASCII") << QStringLiteral("walk by the river");
    QTest::newRow("capitals") << QStringLiteral("I Met ANNA at NOON.");
    QTest::newRow("Latin") << QStringLiteral("Überraschung: naïve RÉSUMÉ, Straße, ẞ");
    QTest::newRow("Greek and Cyrillic") << QStringLiteral("ΣΊΣΥΦΟΣ σίσυφος ς Москва МОСКВА");
    QTest::newRow("folds to ASCII") << QStringLiteral("\u212A is K, \u017F is s, \u0130 stays");
    QTest::newRow("grows when folded") << QStringLiteral("\u023A\u023E and more");
    QTest::newRow("emoji and other planes") << QStringLiteral("🌿 \U00010400\U00010428 done");
    QTest::newRow("zero and controls") << units({u'a', 0, u'B', u'\n', u'\t', 0x1F, u'C'});
    QTest::newRow("lone surrogates") << units({u'A', 0xD800, u'b', 0xDC00, 0xDBFF});
    QTest::newRow("surrogate pair last") << units({u'x', 0xD83C, 0xDF3F});
}

void EntryCodecTest::foldedText_givesBackTheText()
{
    QFETCH(QString, text);
    const FoldedText folded(text);
    QCOMPARE(folded.toString(), text);
    QCOMPARE(folded.size(), text.size());
    QCOMPARE(folded.isEmpty(), text.isEmpty());
    QCOMPARE(folded.folded().toByteArray(), foldForSearch(text));
    for (qsizetype n = 0; n <= text.size() + 1; ++n) {
        QCOMPARE(folded.left(n), text.left(n));
    }
    // Folded from UTF-8 it is the same, byte for byte; bytes that are not UTF-8 read as QString reads them.
    QByteArray utf8 = text.toUtf8();
    QVERIFY(FoldedText::fromUtf8({utf8.constData(), size_t(utf8.size())}) == FoldedText(QString::fromUtf8(utf8)));
    utf8 += "\xC3(\xED\xA0\x80Z\xF4\x90\x80\x80\xE2\x82";
    QVERIFY(FoldedText::fromUtf8({utf8.constData(), size_t(utf8.size())}) == FoldedText(QString::fromUtf8(utf8)));
    // Copies share the text; a text given anew is told apart even when equal.
    const FoldedText copy = folded;
    QCOMPARE(copy.identity(), folded.identity());
    if (!text.isEmpty()) {
        QVERIFY(FoldedText(text).identity() != folded.identity());
        QVERIFY(FoldedText(text) == folded);
    }
    // In one buffer with its neighbours, as a loaded journal keeps its bodies, it reads, compares and
    // hashes as alone; its search text ends where its own does; a neighbour given a new text leaves it be.
    FoldedText before(QStringLiteral("Ab")), shared = folded, after(QStringLiteral("CD"));
    const std::array<FoldedText*, 3> texts = {&before, &shared, &after};
    FoldedText::shareBuffer(texts);
    QCOMPARE(shared.toString(), text);
    QCOMPARE(shared.left(3), text.left(3));
    QCOMPARE(shared.folded().toByteArray(), foldForSearch(text));
    QVERIFY(shared == folded);
    QCOMPARE(qHash(shared), qHash(folded));
    QCOMPARE(before.toString(), QStringLiteral("Ab"));
    QCOMPARE(after.folded().toByteArray(), QByteArray("cd"));
    QCOMPARE(shared.identity() == folded.identity(), text.isEmpty());
    after = FoldedText(QStringLiteral("Ef"));
    before.clear();
    QCOMPARE(shared.toString(), text);
    QCOMPARE(after.toString(), QStringLiteral("Ef"));
}
