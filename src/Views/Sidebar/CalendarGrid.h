#pragma once

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

/// The month arithmetic of the calendar, on calendar days only (never on seconds), so daylight-saving
/// changes and month ends cannot shift a day.
namespace vsp::calendar {

/// The cells of the month that contains `inMonth`: as many empty cells as the 1st lies after
/// `firstWeekday`, every day of the month in order, then empty cells up to a multiple of 7 (4 to 6
/// rows). An invalid date gives no cells.
QList<std::optional<QDate>> gridDays(const QDate& inMonth, Qt::DayOfWeek firstWeekday);

/// The locale's very short stand-alone weekday names, starting at `firstWeekday`.
QStringList weekdaySymbols(const QLocale& locale, Qt::DayOfWeek firstWeekday);

/// "2026-3": the grid's identity, year and month without leading zeros.
QString monthKey(const QDate& inMonth);

/// The wide month name and the year ("March 2026") in the locale.
QString monthTitle(const QDate& inMonth, const QLocale& locale);
/// The abbreviated month name and the year ("Sep 2026"), for a column too narrow for the wide name.
QString shortMonthTitle(const QDate& inMonth, const QLocale& locale);

/// The picked day's heading: wide weekday, wide month and day number in the locale's order.
QString dayTitle(const QDate& day, const QLocale& locale);

/// How one day cell looks.
struct CellLook {
    bool accentFill = false;
    bool accentNumber = false;
    bool boldNumber = false;
    bool dot = false;
    bool ring = false;
};
CellLook cellLook(bool isToday, bool isSelected, int count);

} // namespace vsp::calendar
