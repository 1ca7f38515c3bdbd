#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

/// Record dates are doubles: seconds since 2001-01-01 00:00:00 UTC, with fraction. They stay doubles in
/// memory and on disk; these helpers convert them for calendar work in the local time zone.
namespace vsp {

/// Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC.
inline constexpr double kReferenceDateOffset = 978307200.0;
inline constexpr double kSecondsPerDay = 86400.0;

/// The current moment as seconds since 2001-01-01 UTC.
double now();

/// Converts a record date to a local date-time (milliseconds precision).
QDateTime toDateTime(double timestamp);
/// Converts a date-time to a record date.
double fromDateTime(const QDateTime& dateTime);

/// The local calendar day that contains the record date.
QDate localDate(double timestamp);
/// The record date of local midnight at the start of the day (the first moment of it when midnight
/// does not exist in the time zone).
double startOfDay(const QDate& day);
/// The start of the local day that contains the record date.
double startOfDayOf(double timestamp);
/// The record date `days` calendar days after `timestamp` at the same local time of day (negative goes
/// back). Daylight-saving changes do not shift the time of day.
double addDays(double timestamp, int days);

/// A half-open interval [start, end) of record dates covering one local calendar day.
struct DayRange {
    double start = 0;
    double end = 0;
    bool contains(double timestamp) const { return timestamp >= start && timestamp < end; }
};
DayRange dayRange(const QDate& day);

/// How an entry's expiration date stands at `now`: before the start of today's local day is past;
/// within today (also earlier today than now) is today; a later day is later.
enum class Expiration { Past, Today, Later };
Expiration expirationStatus(double expirationDate, double now);

/// The local date and time formatted with a fixed pattern ("yyyy-MM-dd-HHmmss", "yyyy-MM-dd").
QString formatLocal(double timestamp, const QString& pattern);

/// The locale's long date format without its year: weekday, month and day in the locale's order
/// ("dddd, d MMMM"). The words that belong to the year leave with it.
QString longDateFormatWithoutYear(const QLocale& locale);

/// The locale's short time format without seconds or time zone: hours and minutes only ("HH:mm",
/// "h:mm AP").
QString shortTimeFormat(const QLocale& locale);

/// ISO 8601 in UTC without fraction: "2026-12-08T09:30:00Z". Fractional seconds are dropped; dates
/// outside the years 1 to 9999 are written as the nearest of those years' first or last second, and a
/// non-finite one as 2001-01-01T00:00:00Z.
QString formatISO8601(double timestamp);
/// Reads an ISO 8601 date-time with a time-zone designator ("Z" or "+hh:mm"); nothing on any other text.
std::optional<double> parseISO8601(QStringView text);

} // namespace vsp
