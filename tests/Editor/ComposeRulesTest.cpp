#include "ComposeRulesTest.h"

#include "common/TestSupport.h"

#include "Editor/Compose/ComposeRules.h"
#include "Editor/Compose/TagRules.h"
#include "Editor/FormatBar.h"
#include "Model/AppSettings.h"
#include "Model/ComposeDrafts.h"
#include "Model/Dates.h"

#include <QDateTime>
#include <QLocale>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

using namespace vsp;

Q_DECLARE_METATYPE(JournalEntry::EntryType)

namespace {

QString repeat(const QString& piece, int times)
{
    QString result;
    for (int i = 0; i < times; ++i) {
        result += piece;
    }
    return result;
}

QList<TagCount> counts(const QStringList& names)
{
    QList<TagCount> result;
    for (const QString& name : names) {
        result.append({name, 1});
    }
    return result;
}

} // namespace

void ComposeRulesTest::init()
{
    test::resetUserFolders();
}

void ComposeRulesTest::canSave_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("expected");
    QTest::newRow("three spaces, empty body") << QStringLiteral("   ") << QString() << false;
    QTest::newRow("one letter") << QStringLiteral("a") << QString() << true;
    QTest::newRow("only line breaks in body") << QString() << QStringLiteral("\n\n\r\n") << false;
    QTest::newRow("tabs and no-break spaces")
        << QStringLiteral("\t\u00A0\u2003") << QStringLiteral(" \u2029 ") << false;
    QTest::newRow("a line break is a title") << QStringLiteral("\n") << QString() << true;
    QTest::newRow("body word") << QString() << QStringLiteral("\n  word\n") << true;
}

void ComposeRulesTest::canSave()
{
    QFETCH(QString, title);
    QFETCH(QString, body);
    QFETCH(bool, expected);
    QCOMPARE(compose::canSave(title, body), expected);
}

void ComposeRulesTest::wordCount_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("double space, blank line, trailing space") << QStringLiteral("one  two\n\nthree ") << 3;
    QTest::newRow("markers count as words") << QStringLiteral("•\tmilk\n☐ eggs") << 4;
    QTest::newRow("other separators") << QStringLiteral("a\u2028b\u00A0c\td") << 4;
    QTest::newRow("only white space") << QStringLiteral(" \n\t ") << 0;
}

void ComposeRulesTest::wordCount()
{
    QFETCH(QString, body);
    QFETCH(int, expected);
    QCOMPARE(compose::wordCount(body), expected);
}

void ComposeRulesTest::derivedTitle_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("expected");
    const QString hundred = repeat(QStringLiteral("abcdefghij"), 10);
    QTest::newRow("100 letters are cut to 80") << hundred << hundred.left(80);
    QTest::newRow("80 letters are whole") << hundred.left(80) << hundred.left(80);
    QTest::newRow("first line only, LF") << QStringLiteral("Morning walk along the river\nSecond line")
                                         << QStringLiteral("Morning walk along the river");
    QTest::newRow("first line only, CR and separators")
        << QStringLiteral("one\rtwo") + QStringLiteral("\u2028three") << QStringLiteral("one");
    QTest::newRow("paragraph separator") << QStringLiteral("alpha\u2029beta") << QStringLiteral("alpha");
    QTest::newRow("spaces at the line's end stay") << QStringLiteral("words   \nmore") << QStringLiteral("words   ");
    QTest::newRow("empty body") << QString() << QString();
    const QString grin = QStringLiteral("😀"); // two UTF-16 units
    QTest::newRow("80 emoji are 80 characters") << repeat(grin, 80) << repeat(grin, 80);
    QTest::newRow("90 emoji give 80") << repeat(grin, 90) << repeat(grin, 80);
    const QString flag = QStringLiteral("🇦🇹"); // two regional indicators
    QTest::newRow("flags are never split") << repeat(flag, 81) << repeat(flag, 80);
    const QString family = QStringLiteral("👨‍👩‍👧"); // joined by zero-width joiners
    QTest::newRow("joined emoji are one character") << repeat(family, 85) << repeat(family, 80);
    const QString accented = QStringLiteral("e\u0301\u0323"); // e with two combining marks
    QTest::newRow("combining marks stay with their letter") << repeat(accented, 100) << repeat(accented, 80);
    QTest::newRow("cut right after a sequence") << repeat(QStringLiteral("x"), 79) + family + QStringLiteral("tail")
                                                << repeat(QStringLiteral("x"), 79) + family;
}

void ComposeRulesTest::derivedTitle()
{
    QFETCH(QString, body);
    QFETCH(QString, expected);
    QCOMPARE(compose::derivedTitle(body), expected);
}

void ComposeRulesTest::floatingBarOffset_data()
{
    QTest::addColumn<QRectF>("selection");
    QTest::addColumn<qreal>("barHeight");
    QTest::addColumn<QPointF>("expected");
    QTest::newRow("midX 100 pins left") << QRectF(50, 100, 100, 18) << qreal(36) << QPointF(10, 56);
    QTest::newRow("midX 300") << QRectF(250, 100, 100, 18) << qreal(36) << QPointF(150, 56);
    QTest::newRow("midX 600 pins right") << QRectF(550, 100, 100, 18) << qreal(36) << QPointF(300, 56);
    QTest::newRow("midX 160 lands on 10") << QRectF(150, 100, 20, 18) << qreal(36) << QPointF(10, 56);
    // No room above: 8 below the selection's bottom (20 + 18).
    QTest::newRow("near the top goes below the selection") << QRectF(250, 20, 100, 18) << qreal(36) << QPointF(150, 46);
    QTest::newRow("minY exactly 44 sits above") << QRectF(250, 44, 100, 18) << qreal(36) << QPointF(150, 0);
    QTest::newRow("a taller bar needs more room") << QRectF(250, 44, 100, 18) << qreal(40) << QPointF(150, 70);
}

void ComposeRulesTest::floatingBarOffset()
{
    QFETCH(QRectF, selection);
    QFETCH(qreal, barHeight);
    QFETCH(QPointF, expected);
    QCOMPARE(compose::floatingBarOffset(selection, barHeight), expected);
}

void ComposeRulesTest::tagSuggestions_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QStringList>("expected");
    const QStringList stored = {QStringLiteral("walk"), QStringLiteral("walks"), QStringLiteral("water"),
                                QStringLiteral("work")};
    QTest::newRow("empty field") << QString() << stored << QStringList() << QStringList();
    QTest::newRow("prefix") << QStringLiteral("wa") << stored << QStringList()
                            << QStringList{QStringLiteral("walk"), QStringLiteral("walks"), QStringLiteral("water")};
    QTest::newRow("capitals find lower-case tags") << QStringLiteral("WAL") << stored << QStringList()
                                                   << QStringList{QStringLiteral("walk"), QStringLiteral("walks")};
    QTest::newRow("chosen tags are not offered")
        << QStringLiteral("wa") << stored << QStringList{QStringLiteral("walk")}
        << QStringList{QStringLiteral("walks"), QStringLiteral("water")};
    QTest::newRow("a stored capital is never offered")
        << QStringLiteral("tr") << QStringList{QStringLiteral("Travel"), QStringLiteral("trip")} << QStringList()
        << QStringList{QStringLiteral("trip")};
    QTest::newRow("a space is not trimmed") << QStringLiteral(" ") << stored << QStringList() << QStringList();
    QTest::newRow("a space matches a tag that starts with one")
        << QStringLiteral(" ") << QStringList{QStringLiteral(" odd")} << QStringList()
        << QStringList{QStringLiteral(" odd")};
    QStringList seven;
    for (int i = 1; i <= 7; ++i) {
        seven.append(QStringLiteral("tag%1").arg(i));
    }
    QTest::newRow("at most five, in stored order")
        << QStringLiteral("tag") << seven << QStringList() << seven.mid(0, 5);
}

void ComposeRulesTest::tagSuggestions()
{
    QFETCH(QString, input);
    QFETCH(QStringList, stored);
    QFETCH(QStringList, chosen);
    QFETCH(QStringList, expected);
    QCOMPARE(tags::suggestions(input, counts(stored), chosen), expected);
}

void ComposeRulesTest::commitTag_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    const QStringList some = {QStringLiteral("home")};
    QTest::newRow("trimmed and lower-cased")
        << QStringLiteral("  Garden\t") << some << QStringList{QStringLiteral("home"), QStringLiteral("garden")};
    QTest::newRow("only spaces add nothing") << QStringLiteral("   ") << some << some;
    QTest::newRow("a chosen tag adds nothing") << QStringLiteral("HOME") << some << some;
    QTest::newRow("inner spaces stay") << QStringLiteral("road trip") << QStringList()
                                       << QStringList{QStringLiteral("road trip")};
}

void ComposeRulesTest::commitTag()
{
    QFETCH(QString, input);
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QString field = input;
    QStringList tags = before;
    QCOMPARE(tags::commit(field, tags), after.size() > before.size());
    QCOMPARE(tags, after);
    QVERIFY(field.isEmpty());
}

void ComposeRulesTest::bodyTextCommand_data()
{
    QTest::addColumn<double>("size");
    QTest::addColumn<QString>("expected");
    QTest::newRow("15") << 15.0 << QStringLiteral("size:15");
    QTest::newRow("15.9 drops the fraction") << 15.9 << QStringLiteral("size:15");
    QTest::newRow("20") << 20.0 << QStringLiteral("size:20");
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << QStringLiteral("size:15");
    QTest::newRow("huge") << 1e300 << QStringLiteral("size:15");
}

void ComposeRulesTest::bodyTextCommand()
{
    QFETCH(double, size);
    QFETCH(QString, expected);
    QCOMPARE(FormatBar::bodyTextCommand(size), expected);
}

void ComposeRulesTest::entryDateText_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    // Wednesday 9 December 2026, 08:59: no year, and no word of the year left behind.
    QTest::newRow("en_US") << QStringLiteral("en_US") << QStringLiteral("Wednesday, December 9 · 8:59 AM");
    QTest::newRow("de_DE") << QStringLiteral("de_DE") << QStringLiteral("Mittwoch, 9. Dezember · 08:59");
    QTest::newRow("es_ES 'de' before the year")
        << QStringLiteral("es_ES") << QStringLiteral("miércoles, 9 de diciembre · 8:59");
    QTest::newRow("pt_BR 'de' before the year")
        << QStringLiteral("pt_BR") << QStringLiteral("quarta-feira, 9 de dezembro · 08:59");
    QTest::newRow("ru_RU 'г'. after the year") << QStringLiteral("ru_RU") << QStringLiteral("среда, 9 декабря · 08:59");
    QTest::newRow("lt_LT year first with 'm'.")
        << QStringLiteral("lt_LT") << QStringLiteral("gruodžio 9 d., trečiadienis · 08:59");
    QTest::newRow("ja_JP year first") << QStringLiteral("ja_JP") << QStringLiteral("12月9日水曜日 · 8:59");
    QTest::newRow("hu_HU year first with a dot")
        << QStringLiteral("hu_HU") << QStringLiteral("december 9., szerda · 8:59");
}

void ComposeRulesTest::entryDateText()
{
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    const double date = vsp::fromDateTime(QDateTime(QDate(2026, 12, 9), QTime(8, 59, 30)));
    QCOMPARE(compose::entryDateText(date, QLocale(locale)), expected);
}

void ComposeRulesTest::initialEntryType_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<JournalEntry::EntryType>("expected");
    QTest::newRow("absent") << QVariant() << JournalEntry::EntryType::Journal;
    QTest::newRow("Idea") << QVariant(QStringLiteral("Idea")) << JournalEntry::EntryType::Idea;
    QTest::newRow("lower-case is no raw value") << QVariant(QStringLiteral("idea")) << JournalEntry::EntryType::Journal;
    QTest::newRow("unknown") << QVariant(QStringLiteral("Poem")) << JournalEntry::EntryType::Journal;
}

void ComposeRulesTest::initialEntryType()
{
    QFETCH(QVariant, stored);
    QFETCH(JournalEntry::EntryType, expected);
    if (stored.isValid()) {
        AppSettings::instance().setDefaultEntryType(stored.toString());
    }
    QCOMPARE(compose::initialEntryType(), expected);
}

void ComposeRulesTest::draft_roundTripsEveryKey()
{
    compose::ComposeDraft draft;
    draft.title = QStringLiteral(" Untrimmed title ");
    draft.body = QStringLiteral("Body\n");
    draft.bodyRTF = QByteArray("{\\rtf1 Body}");
    draft.tags = {QStringLiteral("a"), QStringLiteral("b")};
    draft.type = QStringLiteral("Idea");
    compose::saveDraft(draft, true);
    QVERIFY(compose::hasDraft());
    const auto read = compose::readDraft();
    QVERIFY(read);
    QCOMPARE(read->title, draft.title);
    QCOMPARE(read->body, draft.body);
    QCOMPARE(read->bodyRTF, draft.bodyRTF);
    QCOMPARE(read->tags, draft.tags);
    QCOMPARE(read->type, draft.type);

    compose::clearDraft();
    const QStringList left = QSettings(AppSettings::fileName(), QSettings::IniFormat).allKeys();
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
    QVERIFY(!compose::readDraft());
    QVERIFY(!compose::hasDraft());
}

void ComposeRulesTest::draft_emptyFormOrSettingOff_removesStoredDraft_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("autoSave");
    QTest::addColumn<bool>("kept");
    QTest::newRow("setting off") << QStringLiteral("Title") << QStringLiteral("Body") << false << false;
    QTest::newRow("empty title and body") << QString() << QString() << true << false;
    QTest::newRow("one space is text") << QStringLiteral(" ") << QString() << true << true;
}

void ComposeRulesTest::draft_emptyFormOrSettingOff_removesStoredDraft()
{
    QFETCH(QString, title);
    QFETCH(QString, body);
    QFETCH(bool, autoSave);
    QFETCH(bool, kept);
    compose::saveDraft({QStringLiteral("Earlier"), QStringLiteral("draft"), std::nullopt, {}, QStringLiteral("Note")},
                       true);
    compose::saveDraft({title, body, std::nullopt, {QStringLiteral("tag")}, QStringLiteral("Journal")}, autoSave);
    QCOMPARE(!AppSettings::instance().draftTitle().isEmpty(), kept);
    QCOMPARE(!AppSettings::instance().draftTags().isEmpty(), kept);
    if (kept) {
        QCOMPARE(compose::readDraft()->title, title);
    }
}

void ComposeRulesTest::draft_withoutRichText_removesStoredRichText()
{
    compose::saveDraft({QStringLiteral("T"), QStringLiteral("B"), QByteArray("{\\rtf1 B}"), {}, QStringLiteral("Note")},
                       true);
    compose::saveDraft({QStringLiteral("T"), QStringLiteral("B2"), std::nullopt, {}, QStringLiteral("Note")}, true);
    QVERIFY(AppSettings::instance().draftBodyRTF().isEmpty());
    QCOMPARE(compose::readDraft()->bodyRTF, std::optional<QByteArray>());
}

void ComposeRulesTest::draft_keptAgain_rewritesOnlyWhatChanged()
{
    compose::ComposeDraft draft{QStringLiteral("Title"),
                                QStringLiteral("Body"),
                                QByteArray("{\\rtf1 Body}"),
                                {QStringLiteral("a")},
                                QStringLiteral("Note")};
    compose::saveDraft(draft, true);
    AppSettings& settings = AppSettings::instance();
    QSignalSpy body(&settings, &AppSettings::draftBodyChanged);
    std::vector<std::unique_ptr<QSignalSpy>> others;
    for (auto signal : {&AppSettings::draftTitleChanged, &AppSettings::draftBodyRTFChanged,
                        &AppSettings::draftTagsChanged, &AppSettings::draftTypeChanged}) {
        others.push_back(std::make_unique<QSignalSpy>(&settings, signal));
    }
    draft.body = QStringLiteral("Body and more");
    compose::saveDraft(draft, true);
    QCOMPARE(body.count(), 1);
    for (const auto& spy : others) {
        QCOMPARE(spy->count(), 0);
    }
    const std::optional<compose::ComposeDraft> read = compose::readDraft();
    QVERIFY(read);
    QCOMPARE(read->title, draft.title);
    QCOMPARE(read->body, draft.body);
    QCOMPARE(read->bodyRTF, draft.bodyRTF);
    QCOMPARE(read->tags, draft.tags);
    QCOMPARE(read->type, draft.type);
}
