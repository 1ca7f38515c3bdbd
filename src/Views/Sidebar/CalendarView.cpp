#include "Views/Sidebar/CalendarView.h"

#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Model/Dates.h"
#include "Model/JournalStore.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

using vsp::Color;

CalendarView::CalendarView(JournalStore& store, vsp::OpenWindowAction openWindow, QWidget* parent)
    : QWidget(parent), m_store(store), m_openWindow(std::move(openWindow)), m_calendar(new QCalendarWidget(this)),
      m_dayInfo(new QLabel(this)), m_back(new QPushButton(tr("Back to list"), this)),
      m_writeToday(new QPushButton(tr("Write today's entry"), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 18, 14, 14);
    layout->setSpacing(10);
    layout->addWidget(m_back, 0, Qt::AlignLeft);
    m_calendar->setGridVisible(false);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    layout->addWidget(m_calendar);
    m_dayInfo->setFont(vsp::fonts::system(12));
    layout->addWidget(m_dayInfo);
    layout->addWidget(m_writeToday, 0, Qt::AlignLeft);
    layout->addStretch(1);

    connect(m_back, &QPushButton::clicked, this, [this] { m_store.setShowCalendar(false); });
    connect(m_writeToday, &QPushButton::clicked, this, [this] {
        m_store.setRestoreDraftOnCompose(false);
        if (m_openWindow) {
            m_openWindow(vsp::composeWindowID());
        }
    });
    connect(m_calendar, &QCalendarWidget::clicked, this,
            [this](QDate day) { m_store.setSelectedDate(vsp::startOfDay(day)); });
    connect(m_calendar, &QCalendarWidget::currentPageChanged, this, [this](int year, int month) {
        m_store.setCalendarMonth(vsp::startOfDay(QDate(year, month, 1)));
    });
    connect(&store, &JournalStore::selectedDateChanged, this, &CalendarView::refresh);
    connect(&store, &JournalStore::entriesChanged, this, &CalendarView::refresh);
    const QDate month = vsp::localDate(store.calendarMonth());
    m_calendar->setCurrentPage(month.year(), month.month());
    refresh();
}

void CalendarView::refresh()
{
    const double selected = m_store.selectedDate().value_or(vsp::startOfDayOf(vsp::now()));
    const QDate day = vsp::localDate(selected);
    if (m_calendar->selectedDate() != day) {
        m_calendar->setSelectedDate(day);
    }
    const int count = int(m_store.entriesOn(selected).size());
    m_dayInfo->setText(count == 0 ? tr("No entries on this day") : tr("%n entries on this day", nullptr, count));
    m_writeToday->setVisible(m_store.entriesOn(vsp::now()).isEmpty());
}

void CalendarView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Color::vspBackground().resolve());
}
