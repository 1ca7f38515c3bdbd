#pragma once

#include <QObject>

/// The month grid's arithmetic and the calendar view against the store.
class CalendarViewTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void gridDays_blanksFollowFirstWeekday_data();
    void gridDays_blanksFollowFirstWeekday();
    void weekdaySymbols_startAtFirstWeekday();
    void cellLook_data();
    void cellLook();
    void grid_dotsOnlyForLiveEntriesOfTheMonth();
    void monthTitle_shrinksBeforeItIsCut_data();
    void monthTitle_shrinksBeforeItIsCut();
    void dayClick_picksDay_listsItsEntries();
    void pickedDay_numberReadsOnTheAccent_data();
    void pickedDay_numberReadsOnTheAccent();
    void monthButtons_moveByWholeMonths_keepPickedDay();
    void emptyToday_writeButtonOpensFreshEntry();
    void rowClick_selectsEntry_staysInCalendar();
    void rowKeys_selectEntry_staysInCalendar();
    void daylightSaving_inTwoZones_data();
    void daylightSaving_inTwoZones();
    void monthAndDayChanges_endAtRest_standStillWhenReduced_data();
    void monthAndDayChanges_endAtRest_standStillWhenReduced();
};

/// Runs in a child process started with TZ set: every day of the months with a daylight-saving change
/// is one cell, one start of day and one day's list.
class CalendarZoneTest final : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kChildVariable = "VESPERLOG_CALENDAR_ZONE_CHILD";

private Q_SLOTS:
    void init();
    void zone_hasDaylightSaving();
    void changeMonth_everyDayOnce_data();
    void changeMonth_everyDayOnce();
};
