#include "Settings/RelativeTime.h"

#include <QCoreApplication>

namespace vsp {

namespace {

enum class Unit { Year, Month, Week, Day, Hour, Minute, Second };

QString tr(const char* text)
{
    return QCoreApplication::translate("RelativeTime", text);
}

QString phrase(Unit unit, qint64 n, bool past)
{
    // The nearest day, week, month and year have names of their own.
    if (n == 1) {
        switch (unit) {
        case Unit::Day: return past ? tr("yesterday") : tr("tomorrow");
        case Unit::Week: return past ? tr("last week") : tr("next week");
        case Unit::Month: return past ? tr("last month") : tr("next month");
        case Unit::Year: return past ? tr("last year") : tr("next year");
        default: break;
        }
    }
    const char* one = "";
    const char* many = "";
    switch (unit) {
    case Unit::Year:
        one = "1 year";
        many = "%1 years";
        break;
    case Unit::Month:
        one = "1 month";
        many = "%1 months";
        break;
    case Unit::Week:
        one = "1 week";
        many = "%1 weeks";
        break;
    case Unit::Day:
        one = "1 day";
        many = "%1 days";
        break;
    case Unit::Hour:
        one = "1 hour";
        many = "%1 hours";
        break;
    case Unit::Minute:
        one = "1 minute";
        many = "%1 minutes";
        break;
    case Unit::Second:
        one = "1 second";
        many = "%1 seconds";
        break;
    }
    const QString amount = n == 1 ? tr(one) : tr(many).arg(n);
    return past ? tr("%1 ago").arg(amount) : tr("in %1").arg(amount);
}

} // namespace

QString relativeTime(const QDateTime& then, const QDateTime& now)
{
    if (!then.isValid() || !now.isValid()) {
        return {};
    }
    const bool past = then <= now;
    const QDateTime from = (past ? then : now).toLocalTime();
    const QDateTime to = (past ? now : then).toLocalTime();
    if (from.msecsTo(to) < 1000) {
        return tr("now");
    }
    // Whole calendar units first, so "yesterday" means the same clock time a calendar day back.
    qint64 years = to.date().year() - from.date().year();
    while (years > 0 && from.addYears(int(years)) > to) {
        --years;
    }
    QDateTime cursor = from.addYears(int(years));
    qint64 months = (to.date().year() - cursor.date().year()) * 12 + to.date().month() - cursor.date().month();
    while (months > 0 && cursor.addMonths(int(months)) > to) {
        --months;
    }
    cursor = cursor.addMonths(int(months));
    qint64 days = cursor.date().daysTo(to.date());
    while (days > 0 && cursor.addDays(days) > to) {
        --days;
    }
    cursor = cursor.addDays(days);
    const qint64 seconds = cursor.secsTo(to);
    if (years > 0) {
        return phrase(Unit::Year, years, past);
    }
    if (months > 0) {
        return phrase(Unit::Month, months, past);
    }
    if (days >= 7) {
        return phrase(Unit::Week, days / 7, past);
    }
    if (days > 0) {
        return phrase(Unit::Day, days, past);
    }
    if (seconds >= 3600) {
        return phrase(Unit::Hour, seconds / 3600, past);
    }
    if (seconds >= 60) {
        return phrase(Unit::Minute, seconds / 60, past);
    }
    return phrase(Unit::Second, seconds, past);
}

} // namespace vsp
