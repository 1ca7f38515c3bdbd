#include "DetailRulesTest.h"

#include "common/StoreFixtures.h"

#include "Editor/Rtf/RtfWriter.h"
#include "Model/Dates.h"
#include "Model/MoodStore.h"
#include "Theme/Fonts.h"
#include "Views/Detail/BodyTextView.h"
#include "Views/Detail/DetailRules.h"
#include "Views/Detail/DetailWidgets.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QStandardPaths>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThreadPool>
#include <unicode/udat.h>
#include <unicode/udatpg.h>
#include <unicode/uvernum.h>

#include <algorithm>

using namespace vsp::detail;
using vsp::Expiration;
using vsp::expirationStatus;

namespace {

/// The day the rules are asked about: they take "now" as a value, so any fixed day serves.
const QDate kToday(2026, 3, 14);

double at(const QDate& day, int hour, int minute = 0)
{
    return vsp::fromDateTime(QDateTime(day, QTime(hour, minute)));
}

/// What ICU's own formatter writes for `date` with its best pattern for `skeleton` in `locale`.
QString icuWrites(double date, const char* locale, const QString& skeleton)
{
    UErrorCode status = U_ZERO_ERROR;
    UDateTimePatternGenerator* generator = udatpg_open(locale, &status);
    UChar pattern[128];
    const int32_t length = udatpg_getBestPattern(generator, reinterpret_cast<const UChar*>(skeleton.utf16()),
                                                 int32_t(skeleton.size()), pattern, 128, &status);
    udatpg_close(generator);
    UDateFormat* format = udat_open(UDAT_PATTERN, UDAT_PATTERN, locale, nullptr, -1, pattern, length, &status);
    UChar text[256];
    const int32_t written =
        udat_format(format, (date + vsp::kReferenceDateOffset) * 1000.0, text, 256, nullptr, &status);
    udat_close(format);
    return U_SUCCESS(status) ? QString(reinterpret_cast<const QChar*>(text), written) : QStringLiteral("(ICU failed)");
}

QString patternFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
           + QStringLiteral("/Vesperlog/date-patterns");
}

JournalEntry tagged(const QString& title, const QStringList& tags, bool archived = false)
{
    JournalEntry e = JournalEntry::create();
    e.title = title;
    e.tags = tags;
    e.isArchived = archived;
    return e;
}

QByteArray rtfOf(const QList<std::pair<QString, double>>& runs)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    for (const auto& [text, size] : runs) {
        QTextCharFormat format;
        format.setFontPointSize(size);
        cursor.insertText(text, format);
    }
    return vsp::rtf::writeRtf(document);
}

/// The point sizes of the rendered body's runs, in order.
QList<double> sizesOf(const QTextDocument& document)
{
    QList<double> sizes;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            sizes.append(it.fragment().charFormat().fontPointSize());
        }
    }
    return sizes;
}

} // namespace

void DetailRulesTest::readingMinutes_data()
{
    QTest::addColumn<int>("words");
    QTest::addColumn<int>("minutes");
    QTest::newRow("none") << 0 << 1;
    QTest::newRow("199") << 199 << 1;
    QTest::newRow("399") << 399 << 1;
    QTest::newRow("400") << 400 << 2;
    QTest::newRow("599") << 599 << 2;
}

void DetailRulesTest::readingMinutes()
{
    QFETCH(int, words);
    QFETCH(int, minutes);
    QCOMPARE(vsp::detail::readingMinutes(words), minutes);
}

void DetailRulesTest::metaDate_showsTheYearOnlyForAnotherYear()
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QDate today = kToday;
    const double now = at(today, 12);
    const QString thisYear = metaDate(at(QDate(today.year(), 3, 4), 9, 5), now, english);
    QVERIFY2(thisYear.contains(QStringLiteral("March")) && thisYear.contains(QStringLiteral("9:05")),
             qPrintable(thisYear));
    QVERIFY2(!thisYear.contains(QString::number(today.year())), qPrintable(thisYear));
    for (int year : {today.year() - 1, today.year() + 1}) {
        const QString other = metaDate(at(QDate(year, 3, 4), 9, 5), now, english);
        QVERIFY2(other.contains(QString::number(year)), qPrintable(other));
    }
    // The locale decides words and order: German writes the day before the month, with its own words.
    const QString german =
        metaDate(at(QDate(today.year(), 3, 4), 9, 5), now, QLocale(QLocale::German, QLocale::Germany));
    QVERIFY2(german.contains(QStringLiteral("März")) && german.indexOf(u'4') < german.indexOf(QStringLiteral("März")),
             qPrintable(german));
}

void DetailRulesTest::metaDate_writesWhatIcuWrites_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QByteArray>("icuName");
    for (const char* name : {"en_US", "en_GB", "de_DE", "fr_FR", "es_ES", "it_IT", "nl_NL", "pt_BR", "sv_SE", "pl_PL",
                             "ru_RU", "tr_TR", "ja_JP", "zh_CN", "ko_KR", "ar_EG", "hi_IN", "fa_IR"}) {
        QTest::newRow(name) << QLocale(QString::fromLatin1(name)) << QByteArray(name);
    }
    // The C locale is ICU's POSIX English.
    QTest::newRow("C") << QLocale::c() << QByteArrayLiteral("en_US_POSIX");
}

void DetailRulesTest::metaDate_writesWhatIcuWrites()
{
    QFETCH(QLocale, locale);
    QFETCH(QByteArray, icuName);
    const double now = at(kToday, 12);
    // Mornings and evenings of this year and another, on days and months of one and two digits.
    for (const double date : {at(QDate(kToday.year(), 3, 4), 9, 5), at(QDate(kToday.year(), 11, 28), 21, 40),
                              at(QDate(kToday.year() - 3, 12, 31), 0, 7), at(QDate(kToday.year() + 1, 1, 1), 12, 30)}) {
        const bool sameYear = vsp::localDate(date).year() == kToday.year();
        const QString expected = icuWrites(date, icuName.constData(),
                                           sameYear ? QStringLiteral("jmEEEEMMMMd") : QStringLiteral("jmEEEEMMMMdy"));
        QCOMPARE(metaDate(date, now, locale), expected);
    }
}

void DetailRulesTest::metaDate_keepsPatternsForTheNextRun()
{
    const double now = at(kToday, 12);
    const double date = at(QDate(kToday.year(), 3, 4), 9, 5);
    // Found once, the patterns of both skeletons go to the file for the next run.
    metaDate(date, now, QLocale(QLocale::Danish, QLocale::Denmark));
    const QByteArray prefix = QByteArrayLiteral(U_ICU_VERSION "|da_DK|");
    const auto kept = [] {
        QFile file(patternFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray thisYear = prefix + "jmEEEEMMMMd\t";
    const QByteArray otherYear = prefix + "jmEEEEMMMMdy\t";
    QTRY_VERIFY2(kept().contains(thisYear) && kept().contains(otherYear), kept().constData());
    // A pattern in the file is used as it stands, without asking ICU's generator.
    QThreadPool::globalInstance()->waitForDone();
    QFile file(patternFile());
    QVERIFY(file.open(QIODevice::Append));
    file.write(QByteArrayLiteral(U_ICU_VERSION "|nb_NO|jmEEEEMMMMd\t'kept' d. MMMM\n"));
    file.close();
    QCOMPARE(metaDate(date, now, QLocale(QLocale::NorwegianBokmal, QLocale::Norway)), QStringLiteral("kept 4. mars"));
}

void DetailRulesTest::statusLine_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("mood");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("empty body: no reading time") << QString() << QString() << QStringList{QStringLiteral("0 words")};
    QTest::newRow("words and a known mood") << QStringLiteral("one two  three\n\nfour") << QStringLiteral("🌿")
                                            << QStringList{QStringLiteral("4 words"), QStringLiteral("~1 min"),
                                                           QStringLiteral("🌿"), QStringLiteral("Calm")};
    QTest::newRow("a mood outside the palette shows twice")
        << QStringLiteral("x") << QStringLiteral("🦄")
        << QStringList{QStringLiteral("1 words"), QStringLiteral("~1 min"), QStringLiteral("🦄"),
                       QStringLiteral("🦄")};
}

void DetailRulesTest::statusLine()
{
    QFETCH(QString, body);
    QFETCH(QString, mood);
    QFETCH(QStringList, texts);
    MoodStore moods;
    JournalEntry e = JournalEntry::create();
    e.date = fixtures::fixtureNow();
    e.body = body;
    if (!mood.isEmpty()) {
        e.mood = mood;
    }
    QStringList shown;
    int separators = 0;
    const QList<StatusPiece> pieces = vsp::detail::statusLine(e, moods, fixtures::fixtureNow());
    QCOMPARE(pieces.first().kind, StatusPiece::Kind::Date);
    for (const StatusPiece& piece : pieces.mid(1)) {
        if (piece.kind == StatusPiece::Kind::Separator) {
            ++separators;
        } else {
            shown.append(piece.text);
        }
    }
    QCOMPARE(shown, texts);
    QCOMPARE(separators, texts.size() - (mood.isEmpty() ? 0 : 1));
}

void DetailRulesTest::statusLine_tooNarrow_endsInsideTheWidth()
{
    using Kind = StatusPiece::Kind;
    StatusLineView line;
    line.setPieces({{Kind::Date, QStringLiteral("Wednesday, December 9 at 4:40 PM")},
                    {Kind::Separator, QStringLiteral("\u00B7")},
                    {Kind::Words, QStringLiteral("18 words")},
                    {Kind::Separator, QStringLiteral("\u00B7")},
                    {Kind::ReadingTime, QStringLiteral("~1 min")}});
    const QList<QRectF> wide = line.pieceRects(line.sizeHint().width());
    QVERIFY(std::none_of(wide.cbegin(), wide.cend(), [](const QRectF& r) { return r.isEmpty(); }));

    // The words reach the edge: they get the room left, and the separator and time after them none.
    const qreal narrow = wide[2].left() + wide[2].width() / 2;
    const QList<QRectF> rects = line.pieceRects(narrow);
    QCOMPARE(rects[0], wide[0]);
    QCOMPARE(rects[2].right(), narrow);
    QVERIFY(rects[3].isEmpty() && rects[4].isEmpty());
    // Ending just after a separator: the separator goes too.
    QVERIFY(line.pieceRects(wide[1].right() + 2)[1].isEmpty());
}

void DetailRulesTest::statusLine_otherPieces_areMeasuredAgain()
{
    // The widths are kept between paints: as many pieces again, with other texts, are measured anew.
    using Kind = StatusPiece::Kind;
    StatusLineView line;
    line.setPieces({{Kind::Words, QStringLiteral("8 words")}, {Kind::ReadingTime, QStringLiteral("~1 min")}});
    const QList<QRectF> before = line.pieceRects(1000);
    line.setPieces({{Kind::Words, QStringLiteral("1,208 words")}, {Kind::ReadingTime, QStringLiteral("~1 min")}});
    const QList<QRectF> after = line.pieceRects(1000);
    const QFontMetricsF metrics(vsp::fonts::monospaced(11));
    QCOMPARE(after[0].width() - before[0].width(), metrics.horizontalAdvance(QStringLiteral("1,208 words"))
                                                       - metrics.horizontalAdvance(QStringLiteral("8 words")));
    QVERIFY(after[1].left() > before[1].left());
}

void DetailRulesTest::expiration_eitherSideOfMidnight_data()
{
    QTest::addColumn<double>("date");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("symbol");
    const QDate today = kToday;
    QTest::newRow("23:59 yesterday") << at(today.addDays(-1), 23, 59) << int(Expiration::Past)
                                     << QStringLiteral("bell.slash.fill");
    QTest::newRow("00:00 today") << at(today, 0) << int(Expiration::Today) << QStringLiteral("bell.fill");
    QTest::newRow("an hour before now") << at(today, 11) << int(Expiration::Today) << QStringLiteral("bell.fill");
    QTest::newRow("00:00 tomorrow") << at(today.addDays(1), 0) << int(Expiration::Later) << QStringLiteral("bell.fill");
}

void DetailRulesTest::expiration_eitherSideOfMidnight()
{
    QFETCH(double, date);
    QFETCH(int, status);
    QFETCH(QString, symbol);
    const double now = at(kToday, 12);
    QCOMPARE(int(expirationStatus(date, now)), status);
    QCOMPARE(expirationSymbol(expirationStatus(date, now)), symbol);
    const QString text = expirationText(date, now, QLocale(QLocale::English, QLocale::UnitedStates));
    const QString expected =
        status == int(Expiration::Past) ? QStringLiteral("Expired")
        : status == int(Expiration::Today)
            ? QStringLiteral("Expires today")
            : QStringLiteral("Expires ") + mediumDate(date, QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(text, expected);
}

void DetailRulesTest::relatedEntries_data()
{
    QTest::addColumn<QStringList>("currentTags");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("no tags") << QStringList{} << QStringList{};
    QTest::newRow("a tag nobody else has") << QStringList{QStringLiteral("solo")} << QStringList{};
    QTest::newRow("first three in store order, archived too")
        << QStringList{QStringLiteral("walk")}
        << QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    QTest::newRow("case matters") << QStringList{QStringLiteral("Work")} << QStringList{QStringLiteral("W")};
}

void DetailRulesTest::relatedEntries()
{
    QFETCH(QStringList, currentTags);
    QFETCH(QStringList, expected);
    JournalEntry current = tagged(QStringLiteral("Me"), currentTags);
    const QList<JournalEntry> entries{current,
                                      tagged(QStringLiteral("A"), {QStringLiteral("walk")}, true),
                                      tagged(QStringLiteral("W"), {QStringLiteral("Work")}),
                                      tagged(QStringLiteral("w"), {QStringLiteral("work")}),
                                      tagged(QStringLiteral("B"), {QStringLiteral("x"), QStringLiteral("walk")}),
                                      tagged(QStringLiteral("C"), {QStringLiteral("walk")}),
                                      tagged(QStringLiteral("D"), {QStringLiteral("walk")})};
    QStringList titles;
    for (const JournalEntry& e : vsp::detail::relatedEntries(entries, current)) {
        titles.append(e.title);
    }
    QCOMPARE(titles, expected);
}

void DetailRulesTest::paragraphs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("rich");
    QTest::addColumn<QStringList>("plain");
    QTest::newRow("three newlines") << QStringLiteral("First\n\n\nSecond")
                                    << QStringList{QStringLiteral("First"), QStringLiteral("\nSecond")}
                                    << QStringList{QStringLiteral("First"), QStringLiteral("Second")};
    QTest::newRow("no blank line") << QStringLiteral("one\ntwo") << QStringList{QStringLiteral("one\ntwo")}
                                   << QStringList{QStringLiteral("one\ntwo")};
    QTest::newRow("runs of newlines make no empty block")
        << QStringLiteral("a\n\n\n\n\n\nb\n\n") << QStringList{QStringLiteral("a"), QStringLiteral("b")}
        << QStringList{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("blank") << QStringLiteral(" \n\n \n") << QStringList{} << QStringList{};
}

void DetailRulesTest::paragraphs()
{
    QFETCH(QString, text);
    QFETCH(QStringList, rich);
    QFETCH(QStringList, plain);
    QStringList richTexts;
    for (const TextRange& range : richParagraphs(text)) {
        richTexts.append(text.mid(range.start, range.length));
    }
    QCOMPARE(richTexts, rich);
    QCOMPARE(plainParagraphs(text), plain);
}

void DetailRulesTest::flowPlacement_data()
{
    QTest::addColumn<QList<QSize>>("sizes");
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<QRect>>("rects");
    QTest::addColumn<int>("height");
    QTest::newRow("nothing") << QList<QSize>{} << 100 << QList<QRect>{} << 0;
    QTest::newRow("wraps below the tallest of the row")
        << QList<QSize>{{40, 20}, {40, 24}, {40, 20}} << 100
        << QList<QRect>{{0, 0, 40, 20}, {46, 0, 40, 24}, {0, 30, 40, 20}} << 50;
    QTest::newRow("exactly filling a row does not wrap")
        << QList<QSize>{{47, 10}, {47, 10}} << 100 << QList<QRect>{{0, 0, 47, 10}, {53, 0, 47, 10}} << 10;
    QTest::newRow("too wide stands alone, first or not")
        << QList<QSize>{{150, 10}, {20, 10}, {150, 12}} << 100
        << QList<QRect>{{0, 0, 150, 10}, {0, 16, 20, 10}, {0, 32, 150, 12}} << 44;
}

void DetailRulesTest::flowPlacement()
{
    QFETCH(QList<QSize>, sizes);
    QFETCH(int, width);
    QFETCH(QList<QRect>, rects);
    QFETCH(int, height);
    int answered = -1;
    QCOMPARE(vsp::detail::flowPlacement(sizes, width, 6, &answered), rects);
    QCOMPARE(answered, height);
}

void DetailRulesTest::editBarOffset_data()
{
    QTest::addColumn<QRectF>("selection");
    QTest::addColumn<qreal>("barHeight");
    QTest::addColumn<QPointF>("offset");
    // A bar 36 pixels tall needs 44 above the selection; without them it sits at the top, over the text.
    QTest::newRow("near the top sits at the top") << QRectF(50, 20, 100, 16) << qreal(36) << QPointF(10, 0);
    QTest::newRow("centred at 600") << QRectF(550, 100, 100, 16) << qreal(36) << QPointF(300, 56);
    QTest::newRow("centred at 300") << QRectF(250, 44, 100, 16) << qreal(36) << QPointF(150, 0);
    QTest::newRow("a taller bar goes higher") << QRectF(250, 100, 100, 16) << qreal(38) << QPointF(150, 54);
}

void DetailRulesTest::editBarOffset()
{
    QFETCH(QRectF, selection);
    QFETCH(qreal, barHeight);
    QFETCH(QPointF, offset);
    QCOMPARE(vsp::detail::editBarOffset(selection, barHeight), offset);
}

void DetailRulesTest::body_scalesRichTextToTheReadingSize()
{
    BodyTextView view;
    const QByteArray rtf =
        rtfOf({{QStringLiteral("Heading"), 26}, {QStringLiteral(" body"), 15}, {QStringLiteral(" tiny"), 6}});
    view.setContent(QStringLiteral("Heading body tiny"), rtf, QStringLiteral("default"), 20, 15);
    QVERIFY(view.isRich());
    const QList<double> sizes = sizesOf(view.document());
    QCOMPARE(sizes.size(), 3);
    QVERIFY(qAbs(sizes[0] - 26.0 * 20 / 15) < 0.01);
    QCOMPARE(sizes[1], 20.0);
    QCOMPARE(sizes[2], 10.0);
    // Equal sizes still raise small runs to 10 points; a writing size below 1 counts as 1.
    view.setContent(QString(), rtfOf({{QStringLiteral("tiny"), 6}}), QStringLiteral("default"), 15, 15);
    QCOMPARE(sizesOf(view.document()), QList<double>{10.0});
    view.setContent(QString(), rtfOf({{QStringLiteral("x"), 12}}), QStringLiteral("default"), 15, 0.2);
    QCOMPARE(sizesOf(view.document()), QList<double>{180.0});
}

void DetailRulesTest::body_blankRichText_showsThePlainBody()
{
    BodyTextView view;
    view.setContent(QStringLiteral("First\n\n\nSecond"), rtfOf({{QStringLiteral("  \n "), 15}}),
                    QStringLiteral("serif"), 15, 15);
    QVERIFY(!view.isRich());
    QCOMPARE(view.paragraphTexts(), (QStringList{QStringLiteral("First"), QStringLiteral("Second")}));
    view.setContent(QStringLiteral("First\n\n\nSecond"), rtfOf({{QStringLiteral("First\n\n\nSecond"), 15}}),
                    QStringLiteral("serif"), 15, 15);
    QVERIFY(view.isRich());
    QCOMPARE(view.paragraphTexts(), (QStringList{QStringLiteral("First"), QStringLiteral("\nSecond")}));
    QVERIFY(view.heightForWidth(600) > 0);
}

void DetailRulesTest::body_heightFollowsNewContent_atWidthsAskedBefore()
{
    BodyTextView view;
    view.setContent(QStringLiteral("one line"), std::nullopt, QStringLiteral("default"), 15, 15);
    const int narrowShort = view.heightForWidth(300);
    const int wideShort = view.heightForWidth(680);
    QCOMPARE(view.heightForWidth(300), narrowShort);
    QString longer;
    for (int i = 0; i < 40; ++i) {
        longer += QStringLiteral("a paragraph of several words\n\n");
    }
    view.setContent(longer, std::nullopt, QStringLiteral("default"), 15, 15);
    // Heights remembered for the old body are not the new body's.
    QVERIFY(view.heightForWidth(680) > wideShort * 20);
    QVERIFY(view.heightForWidth(300) >= view.heightForWidth(680));
    QCOMPARE(view.sizeHint().height(), view.heightForWidth(int(view.document().textWidth())));
}
