#include "Model/Dates.h"

#include <QRegularExpression>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <ctime>

namespace vsp {

double now()
{
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - kReferenceDateOffset;
}

QDateTime toDateTime(double timestamp)
{
    const double ms = std::round((timestamp + kReferenceDateOffset) * 1000.0);
    // Keep far-out values inside what QDateTime can represent.
    const double limit = 8.0e15;
    const qint64 clamped = qint64(std::isfinite(ms) ? std::clamp(ms, -limit, limit) : 0.0);
    return QDateTime::fromMSecsSinceEpoch(clamped);
}

double fromDateTime(const QDateTime& dateTime)
{
    return double(dateTime.toMSecsSinceEpoch()) / 1000.0 - kReferenceDateOffset;
}

QDate localDate(double timestamp)
{
    // The C library's conversion is the one Qt uses for local time too, without QDateTime's overhead:
    // list queries convert every entry.
    const double unixSeconds = std::floor(timestamp + kReferenceDateOffset);
    if (std::isfinite(unixSeconds) && std::abs(unixSeconds) < 1e15) {
        const time_t t = static_cast<time_t>(unixSeconds);
        tm local{};
        if (localtime_r(&t, &local)) {
            return QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
        }
    }
    return toDateTime(timestamp).date();
}

double startOfDay(const QDate& day)
{
    tm local{};
    local.tm_year = day.year() - 1900;
    local.tm_mon = day.month() - 1;
    local.tm_mday = day.day();
    local.tm_isdst = -1;
    // mktime moves a midnight that does not exist (a daylight-saving gap) to the first moment of the day.
    const time_t t = mktime(&local);
    if (t != time_t(-1) && local.tm_mday == day.day()) {
        return double(t) - kReferenceDateOffset;
    }
    return fromDateTime(day.startOfDay());
}

double startOfDayOf(double timestamp)
{
    return startOfDay(localDate(timestamp));
}

double addDays(double timestamp, int days)
{
    // Whole seconds here and the fraction added back at the end: rounding the fraction to milliseconds
    // could carry into the next second, at 23:59:59 into the next day.
    const double whole = std::floor(timestamp);
    const QDateTime dt = toDateTime(whole);
    const double fraction = timestamp - whole;
    QDateTime moved(dt.date().addDays(days), dt.time());
    if (!moved.isValid()) {
        // The wall-clock time does not exist on that day (a spring-forward gap): keep the offset instead.
        moved = dt.addDays(days);
    }
    return std::floor(fromDateTime(moved) + 1e-9) + fraction;
}

DayRange dayRange(const QDate& day)
{
    return {startOfDay(day), startOfDay(day.addDays(1))};
}

Expiration expirationStatus(double expirationDate, double now)
{
    const DayRange today = dayRange(localDate(now));
    if (expirationDate < today.start) {
        return Expiration::Past;
    }
    return today.contains(expirationDate) ? Expiration::Today : Expiration::Later;
}

QString formatLocal(double timestamp, const QString& pattern)
{
    return toDateTime(timestamp).toString(pattern);
}

QString formatISO8601(double timestamp)
{
    // Four-digit years only: a date beyond them would be written as text that no reader of ISO 8601
    // (this one included) accepts, and one such entry would make a whole export or backup unreadable.
    constexpr double kFirstSecond = -62135596800.0; // 0001-01-01T00:00:00Z, Unix time
    constexpr double kLastSecond = 253402300799.0; // 9999-12-31T23:59:59Z, Unix time
    const double unixSeconds = std::floor(timestamp + kReferenceDateOffset);
    const qint64 seconds =
        qint64(std::isfinite(unixSeconds) ? std::clamp(unixSeconds, kFirstSecond, kLastSecond) : kReferenceDateOffset);
    return QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc()).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss'Z'"));
}

std::optional<double> parseISO8601(QStringView text)
{
    // yyyy-MM-ddTHH:mm:ss[.fff](Z|±hh:mm|±hhmm)
    if (text.size() < 20 || text.size() > 40) {
        return std::nullopt;
    }
    const QDateTime parsed = QDateTime::fromString(text.toString(), Qt::ISODateWithMs);
    if (!parsed.isValid() || parsed.timeSpec() == Qt::LocalTime) {
        return std::nullopt;
    }
    return fromDateTime(parsed);
}

QString longDateFormatWithoutYear(const QLocale& locale)
{
    // A quoted word just before the year ("'de' yyyy"), quoted words just after it ("yyyy 'г'.") and the
    // year sign of Chinese, Japanese and Korean ("yyyy年") are the year's own.
    QString format = locale.dateFormat(QLocale::LongFormat);
    static const QRegularExpression year(
        QStringLiteral("(\\s*'[^']*')?[\\s,./-]*y+[-.,年년]?(\\s*\\(?'[^']*'\\)?\\.?)*\\s*"));
    const QRegularExpressionMatch m = year.match(format);
    if (m.hasMatch()) {
        // At either end the year gives way to nothing; between two fields to a space, or to nothing
        // before the punctuation that follows it.
        const qsizetype end = m.capturedEnd();
        const bool inside = m.capturedStart() > 0 && end < format.size();
        const bool beforeField = inside && (format[end].isLetter() || format[end] == u'\'');
        format.replace(m.capturedStart(), m.capturedLength(), beforeField ? QStringLiteral(" ") : QString());
    }
    const auto isEdge = [](QChar c) { return !c.isLetter() && c != u'\''; };
    while (!format.isEmpty() && isEdge(format.back())) {
        format.chop(1);
    }
    while (!format.isEmpty() && isEdge(format.front())) {
        format.remove(0, 1);
    }
    return format;
}

QString shortTimeFormat(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    static const QRegularExpression secondsAndZone(QStringLiteral("[:.]?s+|\\s*t+"));
    format.remove(secondsAndZone);
    return format.trimmed();
}

} // namespace vsp
