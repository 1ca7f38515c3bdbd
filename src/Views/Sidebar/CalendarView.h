#pragma once

#include "Theme/OpenWindow.h"

#include <QWidget>

class JournalStore;
class QCalendarWidget;
class QLabel;
class QPushButton;

/// The month calendar shown in the list column while `JournalStore::showCalendar` is true: the month of
/// `calendarMonth` with `selectedDate` picked, the number of entries of the picked day, "Back to list",
/// and "Write today's entry" when today has none.
class CalendarView final : public QWidget {
    Q_OBJECT

public:
    CalendarView(JournalStore& store, vsp::OpenWindowAction openWindow, QWidget* parent = nullptr);

    QPushButton* backButton() const { return m_back; }
    QPushButton* writeTodayButton() const { return m_writeToday; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    JournalStore& m_store;
    vsp::OpenWindowAction m_openWindow;
    QCalendarWidget* m_calendar;
    QLabel* m_dayInfo;
    QPushButton* m_back;
    QPushButton* m_writeToday;
};
