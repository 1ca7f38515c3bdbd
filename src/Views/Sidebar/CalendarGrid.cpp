#include "Views/Sidebar/CalendarGrid.h"

#include "Model/Dates.h"

namespace vsp::calendar {

QList<std::optional<QDate>> gridDays(const QDate& inMonth, Qt::DayOfWeek firstWeekday)
{
    QList<std::optional<QDate>> cells;
    if (!inMonth.isValid()) {
        return cells;
    }
    const QDate first(inMonth.year(), inMonth.month(), 1);
    const int leading = (first.dayOfWeek() - int(firstWeekday) + 7) % 7;
    cells.reserve(42);
    for (int i = 0; i < leading; ++i) {
        cells.append(std::nullopt);
    }
    for (int d = 0; d < first.daysInMonth(); ++d) {
        cells.append(first.addDays(d));
    }
    while (cells.size() % 7 != 0) {
        cells.append(std::nullopt);
    }
    return cells;
}

QStringList weekdaySymbols(const QLocale& locale, Qt::DayOfWeek firstWeekday)
{
    QStringList symbols;
    for (int i = 0; i < 7; ++i) {
        symbols.append(locale.standaloneDayName((int(firstWeekday) - 1 + i) % 7 + 1, QLocale::NarrowFormat));
    }
    return symbols;
}

QString monthKey(const QDate& inMonth)
{
    return QString::number(inMonth.year()) + u'-' + QString::number(inMonth.month());
}

QString monthTitle(const QDate& inMonth, const QLocale& locale)
{
    return locale.standaloneMonthName(inMonth.month(), QLocale::LongFormat) + u' ' + QString::number(inMonth.year());
}

QString shortMonthTitle(const QDate& inMonth, const QLocale& locale)
{
    return locale.standaloneMonthName(inMonth.month(), QLocale::ShortFormat) + u' ' + QString::number(inMonth.year());
}

QString dayTitle(const QDate& day, const QLocale& locale)
{
    return locale.toString(day, vsp::longDateFormatWithoutYear(locale));
}

CellLook cellLook(bool isToday, bool isSelected, int count)
{
    CellLook look;
    look.accentFill = isSelected;
    look.accentNumber = isToday && !isSelected;
    look.boldNumber = isToday || isSelected;
    look.dot = count >= 1 && !isSelected;
    look.ring = isToday && !isSelected;
    return look;
}

} // namespace vsp::calendar
