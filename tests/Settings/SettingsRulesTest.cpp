#include "SettingsRulesTest.h"

#include "Settings/EmojiFilter.h"
#include "Settings/MoodEditorSection.h"
#include "Settings/RelativeTime.h"
#include "Settings/SettingsTabs.h"

#include <QTest>

void SettingsRulesTest::emojiFilter_keepsOneEmoji_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("letters") << QStringLiteral("happy") << QString();
    QTest::newRow("letters around one emoji") << QStringLiteral("so 😀 glad") << QStringLiteral("😀");
    QTest::newRow("second emoji after the first") << QStringLiteral("😀🎯") << QStringLiteral("😀");
    QTest::newRow("skin tone stays whole") << QStringLiteral("👋🏽") << QStringLiteral("👋🏽");
    QTest::newRow("flag stays whole") << QStringLiteral("🇫🇷") << QStringLiteral("🇫🇷");
    QTest::newRow("family cut to first person") << QStringLiteral("👨\u200D👩\u200D👧") << QStringLiteral("👨");
    QTest::newRow("keycap dropped") << QStringLiteral("1\uFE0F\u20E3") << QString();
    QTest::newRow("text-default emoji dropped") << QStringLiteral("\u2764\uFE0F") << QString();
    QTest::newRow("variation selector dropped") << QStringLiteral("⚡\uFE0F") << QStringLiteral("⚡");
    QTest::newRow("empty") << QString() << QString();
}

void SettingsRulesTest::emojiFilter_keepsOneEmoji()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QCOMPARE(vsp::filterEmoji(typed), kept);
    // The field runs the filter again on its own result: it must stand.
    QCOMPARE(vsp::filterEmoji(kept), kept);
}

void SettingsRulesTest::relativeTime_namesLargestUnit_data()
{
    QTest::addColumn<QDateTime>("then");
    QTest::addColumn<QString>("text");
    const QDateTime now(QDate(2026, 3, 15), QTime(12, 0));
    QTest::newRow("same moment") << now << QStringLiteral("now");
    QTest::newRow("seconds") << now.addSecs(-42) << QStringLiteral("42 seconds ago");
    QTest::newRow("one minute") << now.addSecs(-60) << QStringLiteral("1 minute ago");
    QTest::newRow("five minutes") << now.addSecs(-5 * 60 - 30) << QStringLiteral("5 minutes ago");
    QTest::newRow("23 hours, not yesterday") << now.addSecs(-23 * 3600) << QStringLiteral("23 hours ago");
    QTest::newRow("yesterday") << now.addDays(-1) << QStringLiteral("yesterday");
    QTest::newRow("three days") << now.addDays(-3).addSecs(-100) << QStringLiteral("3 days ago");
    QTest::newRow("last week") << now.addDays(-8) << QStringLiteral("last week");
    QTest::newRow("two weeks") << now.addDays(-14) << QStringLiteral("2 weeks ago");
    QTest::newRow("last month") << now.addMonths(-1) << QStringLiteral("last month");
    QTest::newRow("years") << now.addYears(-3).addDays(-20) << QStringLiteral("3 years ago");
    QTest::newRow("in an hour") << now.addSecs(3600) << QStringLiteral("in 1 hour");
    QTest::newRow("tomorrow") << now.addDays(1) << QStringLiteral("tomorrow");
    QTest::newRow("invalid") << QDateTime() << QString();
}

void SettingsRulesTest::relativeTime_namesLargestUnit()
{
    QFETCH(QDateTime, then);
    QFETCH(QString, text);
    QCOMPARE(vsp::relativeTime(then, QDateTime(QDate(2026, 3, 15), QTime(12, 0))), text);
}

void SettingsRulesTest::wordsFigure_truncatesThousands_data()
{
    QTest::addColumn<qint64>("words");
    QTest::addColumn<QString>("figure");
    QTest::newRow("none") << qint64(0) << QStringLiteral("0");
    QTest::newRow("999") << qint64(999) << QStringLiteral("999");
    QTest::newRow("1000") << qint64(1000) << QStringLiteral("1.0k");
    QTest::newRow("1099") << qint64(1099) << QStringLiteral("1.0k");
    QTest::newRow("1100") << qint64(1100) << QStringLiteral("1.1k");
    QTest::newRow("1999 is not rounded up") << qint64(1999) << QStringLiteral("1.9k");
    QTest::newRow("a million") << qint64(1000000) << QStringLiteral("1000.0k");
}

void SettingsRulesTest::wordsFigure_truncatesThousands()
{
    QFETCH(qint64, words);
    QFETCH(QString, figure);
    QCOMPARE(AboutSettingsTab::wordsFigure(words), figure);
}

void SettingsRulesTest::moodFields_trimSpacesNotLineBreaks_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("spaces and tabs") << QStringLiteral(" \t Calm \t") << QStringLiteral("Calm");
    QTest::newRow("no-break and ideographic spaces") << QStringLiteral("\u00A0Calm\u3000") << QStringLiteral("Calm");
    QTest::newRow("only spaces") << QStringLiteral("   ") << QString();
    QTest::newRow("line break stays") << QStringLiteral("Calm\n") << QStringLiteral("Calm\n");
}

void SettingsRulesTest::moodFields_trimSpacesNotLineBreaks()
{
    QFETCH(QString, typed);
    QFETCH(QString, trimmed);
    QCOMPARE(MoodEditorSection::trimmedSpaces(typed), trimmed);
}
