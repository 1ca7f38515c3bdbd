#include "EntryRowTest.h"

#include "common/ViewFixtures.h"

#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Model/EntryText.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Palette.h"
#include "Views/Main/OnThisDaySection.h"
#include "Widgets/EntryRow.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using fixtures::fixtureNow;
using viewfixtures::localMoment;

Q_DECLARE_METATYPE(EntryRow::ExpirationMark)

void EntryRowTest::init()
{
    viewfixtures::resetState();
}

void EntryRowTest::dateLabel_dependsOnDay_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("date");
    QTest::addColumn<QString>("expected");
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale gb(QLocale::English, QLocale::UnitedKingdom);
    const int year = fixtures::today().year();
    // Another day of this year than today.
    const QDate sameYear(year, 1, 1);
    const QString sameYearUS = QStringLiteral("Jan 1");
    const QString sameYearGB = QStringLiteral("1 Jan");
    QTest::newRow("today: time only") << us << localMoment(0, 9, 5) << "9:05 AM";
    QTest::newRow("today, 24-hour locale") << gb << localMoment(0, 21, 40) << "21:40";
    QTest::newRow("this year: day, month and time")
        << us << localMoment(sameYear, 9, 5) << sameYearUS + QStringLiteral(" \u00B7 9:05 AM");
    QTest::newRow("this year, day first")
        << gb << localMoment(sameYear, 9, 5) << sameYearGB + QStringLiteral(" \u00B7 09:05");
    QTest::newRow("earlier year: no time") << us << localMoment(QDate(2020, 3, 5), 9, 5) << "Mar 5, 2020";
    QTest::newRow("later year: no time") << us << localMoment(QDate(year + 1, 3, 5), 9, 5)
                                         << QStringLiteral("Mar 5, %1").arg(year + 1);
    QTest::newRow("earlier year, day first") << gb << localMoment(QDate(2020, 3, 5), 9, 5) << "5 Mar 2020";
}

void EntryRowTest::dateLabel_dependsOnDay()
{
    QFETCH(QLocale, locale);
    QFETCH(double, date);
    QFETCH(QString, expected);
    QCOMPARE(EntryRow::dateLabel(date, fixtureNow(), locale), expected);
}

void EntryRowTest::expirationMark_comparesWithToday_data()
{
    QTest::addColumn<QVariant>("expiration");
    QTest::addColumn<EntryRow::ExpirationMark>("expected");
    using M = EntryRow::ExpirationMark;
    QTest::newRow("none") << QVariant() << M::None;
    QTest::newRow("08:00 today seen at 15:00 is today") << QVariant(localMoment(0, 8)) << M::Today;
    QTest::newRow("last minute of today") << QVariant(localMoment(0, 23, 59)) << M::Today;
    QTest::newRow("yesterday is past") << QVariant(localMoment(-1, 23, 59)) << M::Past;
    QTest::newRow("tomorrow is later") << QVariant(localMoment(1, 0, 0)) << M::Later;
    QTest::newRow("next week is later") << QVariant(localMoment(7)) << M::Later;
}

void EntryRowTest::expirationMark_comparesWithToday()
{
    QFETCH(QVariant, expiration);
    QFETCH(EntryRow::ExpirationMark, expected);
    const std::optional<double> date =
        expiration.isValid() ? std::optional<double>(expiration.toDouble()) : std::nullopt;
    QCOMPARE(EntryRow::expirationMark(date, localMoment(0, 15)), expected);
    // Past marks are drawn in the secondary colour, later ones in the accent at 75 %.
    if (expected == EntryRow::ExpirationMark::Past) {
        QCOMPARE(EntryRow::expirationColor(expected), vsp::Color::secondaryStyle());
    } else if (expected == EntryRow::ExpirationMark::Later) {
        QCOMPARE(qRound(EntryRow::expirationColor(expected).resolve(vsp::Appearance::Dark).alphaF() * 100), 75);
    }
}

void EntryRowTest::copyTexts_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("tags");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("markdown");
    QTest::newRow("no tags") << "Walk" << QStringList{} << "Walk\n\nby the river"
                             << "# Walk\n\nby the river";
    QTest::newRow("two tags") << "Walk" << QStringList{QStringLiteral("a"), QStringLiteral("b")}
                              << "Walk\n\nby the river"
                              << "# Walk\n\n#a #b\n\nby the river";
    QTest::newRow("empty title") << "" << QStringList{} << "\n\nby the river"
                                 << "# \n\nby the river";
}

void EntryRowTest::copyTexts()
{
    QFETCH(QString, title);
    QFETCH(QStringList, tags);
    QFETCH(QString, plain);
    QFETCH(QString, markdown);
    const JournalEntry e = viewfixtures::entry(title, fixtureNow(), QStringLiteral("by the river"), tags);
    QCOMPARE(vsp::entryPlainText(e), plain);
    QCOMPARE(vsp::entryMarkdown(e), markdown);
}

void EntryRowTest::height_followsSettingsAndContent()
{
    const JournalEntry plain = viewfixtures::entry(QStringLiteral("T"), fixtureNow(), QStringLiteral("short body"));
    const JournalEntry tagged =
        viewfixtures::entry(QStringLiteral("T"), fixtureNow(), QStringLiteral("short body"), {QStringLiteral("a")});
    const EntryRow::Options normal{true, false};
    const EntryRow::Options compact{true, true};
    const EntryRow::Options noPreview{false, false};
    // Compact rows differ only by their vertical padding: 10 instead of 13 on each side.
    QCOMPARE(EntryRow::height(plain, 320, normal) - EntryRow::height(plain, 320, compact), 6.0);
    QVERIFY(EntryRow::height(plain, 320, noPreview) < EntryRow::height(plain, 320, normal));
    QVERIFY(EntryRow::height(tagged, 320, normal) > EntryRow::height(plain, 320, normal));
    // An empty body keeps the preview's place but has no lines.
    JournalEntry empty = plain;
    empty.body.clear();
    QVERIFY(EntryRow::height(empty, 320, normal) < EntryRow::height(plain, 320, normal));
    QCOMPARE(EntryRow::height(empty, 320, normal) - EntryRow::height(empty, 320, noPreview), EntryRow::kSpacing);
}

void EntryRowTest::previewLines_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("lines");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("short") << "A few words" << 1;
    QTest::newRow("line break") << "One\nTwo" << 2;
    QTest::newRow("long paragraph") << QString(400, u'w') << 2;
}

void EntryRowTest::previewLines()
{
    QFETCH(QString, body);
    QFETCH(int, lines);
    const JournalEntry e = viewfixtures::entry(QStringLiteral("T"), fixtureNow(), body);
    QCOMPARE(EntryRow::previewLineCount(e, 320), lines);
}

void EntryRowTest::longBody_rowReadsOnlyItsStart()
{
    // A single entry of 5,000,000 characters without a line break: its row and its line in On This Day
    // are measured and painted from the body's start.
    QString body;
    while (body.size() < 5000000) {
        body += u"one long paragraph without a break ";
    }
    const JournalEntry e = viewfixtures::entry(QStringLiteral("Long"), fixtureNow(), body);
    const EntryRow::Options options{true, false};
    QCOMPARE(EntryRow::previewLineCount(e, 320), 2);
    const qreal height = EntryRow::height(e, 320, options);
    QImage image(320, int(height) + 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    EntryRow::paintContent(p, QRectF(0, 0, 320, height), e, options, false, fixtureNow());
    OnThisDaySection::paint(p, QRectF(0, height, 320, OnThisDaySection::height(1, true)), {e}, 1.0);
    p.end();
    // The row's texts were drawn.
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            drawn += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        }
    }
    QVERIFY(drawn > 500);
}

void EntryRowTest::paint_selectionDotOnlyOnSelectedRow()
{
    const JournalEntry e = viewfixtures::entry(QStringLiteral("Title"), fixtureNow(), QStringLiteral("Body"));
    const EntryRow::Options options{true, false};
    const QRectF rect(0, 0, 320, EntryRow::height(e, 320, options));
    const QColor accent = vsp::Color::resolvedAccent().resolve();
    auto render = [&](qreal selection) {
        QImage image(rect.size().toSize(), QImage::Format_ARGB32_Premultiplied);
        image.fill(vsp::Color::vspBackground().resolve());
        QPainter p(&image);
        EntryRow::PaintState state;
        state.selection = selection;
        state.now = fixtureNow();
        EntryRow::paint(p, rect, e, options, state);
        return image;
    };
    // The dot sits at the right end of the mark line.
    const QPoint dot(int(rect.right() - EntryRow::kHorizontalPadding - 3), int(EntryRow::kVerticalPadding + 6));
    const QColor selected = render(1.0).pixelColor(dot);
    const QColor unselected = render(0.0).pixelColor(dot);
    QCOMPARE(selected.rgb(), accent.rgb());
    QVERIFY(unselected.rgb() != accent.rgb());
}

void EntryRowTest::paint_moodReadsInBothAppearances_data()
{
    QTest::addColumn<QString>("appearance");
    // Default moods whose glyphs come from a text font here (drawn in one colour) and from the colour
    // emoji font.
    QTest::addColumn<QString>("mood");
    QTest::newRow("dark, lightning") << QStringLiteral("dark") << QStringLiteral("\u26A1");
    QTest::newRow("light, lightning") << QStringLiteral("light") << QStringLiteral("\u26A1");
    QTest::newRow("dark, herb") << QStringLiteral("dark") << QStringLiteral("\U0001F33F");
}

void EntryRowTest::paint_moodReadsInBothAppearances()
{
    QFETCH(QString, appearance);
    QFETCH(QString, mood);
    AppSettings::instance().setAppearanceMode(appearance);
    const QColor background = vsp::Color::vspBackground().resolve();
    JournalEntry plain = viewfixtures::entry(QStringLiteral("Title"), fixtureNow() - 3600, QStringLiteral("Body"));
    JournalEntry withMood = plain;
    withMood.mood = mood;
    const EntryRow::Options options{true, false};
    const QRectF rect(0, 0, 320, EntryRow::height(plain, 320, options));
    auto render = [&](const JournalEntry& e) {
        QImage image(rect.size().toSize(), QImage::Format_ARGB32_Premultiplied);
        image.fill(background);
        QPainter p(&image);
        EntryRow::paintContent(p, rect, e, options, false, fixtureNow());
        return image;
    };
    const QImage without = render(plain);
    const QImage with = render(withMood);
    // The mood's pixels are those that differ on the mark line; they must stand out from the row's
    // background, as the date beside them does.
    const int markBottom = int(EntryRow::kVerticalPadding + 14);
    qreal strongest = 0;
    int changed = 0;
    for (int y = 0; y < markBottom; ++y) {
        for (int x = 0; x < with.width(); ++x) {
            const QColor a = with.pixelColor(x, y);
            if (a == without.pixelColor(x, y)) {
                continue;
            }
            ++changed;
            const qreal contrast = std::abs(a.lightnessF() - background.lightnessF())
                                   + std::abs(a.hueF() >= 0 ? a.saturationF() - background.saturationF() : 0);
            strongest = std::max(strongest, contrast);
        }
    }
    QVERIFY(changed > 10);
    QVERIFY2(strongest > 0.3, qPrintable(QStringLiteral("strongest contrast %1").arg(strongest)));
}
