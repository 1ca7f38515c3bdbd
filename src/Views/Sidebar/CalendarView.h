#pragma once

#include "Theme/Spring.h"
#include "Widgets/OpenWindow.h"

#include <QAbstractListModel>
#include <QDate>
#include <QHash>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QWidget>

#include <optional>

#include "Model/EntryList.h"
#include "Model/JournalEntry.h"

class GlassChipButton;
class JournalStore;
class QLabel;
class QLayout;
class QListView;
class QStackedWidget;
namespace vsp {
class GlassButton;
class SpringValue;
class TransitionOverlay;
} // namespace vsp

/// The month grid of the calendar: the weekday row from the locale's first weekday, then 4 to 6 rows of
/// day cells with a dot on days with entries, a ring on today and the accent fill on the picked day.
/// From the keyboard the grid is one Tab stop: the arrow keys move the focus ring a day or a week within
/// the month, Home and End to its first and last day, Space and Return pick the ringed day as a click
/// does; the accessible name is the ringed day's date.
class CalendarGrid final : public QWidget {
    Q_OBJECT

public:
    explicit CalendarGrid(QWidget* parent = nullptr);

    static constexpr int kCellHeight = 44;
    static constexpr int kGap = 4;

    /// Shows the month containing `inMonth`. With `animate` (and animations on, the grid shown and another
    /// month shown before) the old month fades out shrinking to 0.97 as the new one fades in growing from
    /// 0.97, and the grid's height glides to the new number of rows (spring 0.3). The same month again
    /// changes nothing.
    void setMonth(const QDate& inMonth, Qt::DayOfWeek firstWeekday, bool animate = false);
    void setCounts(const QMap<QDate, int>& counts);
    void setToday(const QDate& today);
    /// Marks the picked day; with `animate` the accent fill moves over from the day picked before (with
    /// `spring`: 0.25 for a click on a day, 0.3 for "Today").
    void setSelected(const std::optional<QDate>& day, bool animate = false, vsp::Spring spring = {0.25, 1.0});
    /// Whether the old month is still fading out.
    bool isChangingMonth() const { return !m_leaving.isNull(); }
    /// Ends a month change at once, in its end state.
    void finishMonthChange();
    /// The height of the shown month's rows and the weekday row, which the grid takes at rest.
    int restingHeight() const;

    /// The cell rectangle of a day shown in the grid; null when the day is not in the month.
    QRectF cellRect(const QDate& day) const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void dayClicked(const QDate& day);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int cellAt(const QPointF& pos) const;
    QRectF cellRectAt(int index) const;
    qreal weekdayRowHeight() const;
    /// The day cells, the leaving month included while it fades (not the weekday row).
    void paintMonth(QPainter& p) const;
    void paintCells(QPainter& p) const;
    void setHovered(int index);
    /// Moves the keyboard's day, kept within the month shown.
    void setKeyDay(const QDate& day);

    QList<std::optional<QDate>> m_cells;
    QStringList m_weekdays;
    QDate m_month;
    Qt::DayOfWeek m_firstWeekday = Qt::Monday;
    QMap<QDate, int> m_counts;
    QDate m_today;
    std::optional<QDate> m_selected;
    std::optional<QDate> m_previousSelected;
    QDate m_keyDay;
    /// The focus came from the keyboard, not a click: the ring shows.
    bool m_keyboardFocus = false;
    int m_hovered = -1;
    int m_previousHovered = -1;
    /// The month shown before, as it looked when the change began, and the grid's height then.
    QPixmap m_leaving;
    int m_leavingHeight = 0;
    vsp::SpringValue* m_monthChange;
    vsp::SpringValue* m_hover;
    vsp::SpringValue* m_selection;
};

/// The picked day's entries for the calendar's day list.
class CalendarDayModel final : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;
    void setEntries(const EntryList& entries);
    const JournalEntry& entryAt(int row) const { return m_entries.at(row); }
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    EntryList m_entries;
};

/// Paints the day list's rows with the entry list's own row (EntryRow), never pinned. As in the list, a
/// row's selection tint and hover glass glide (springs 0.25 and 0.15); a row is first drawn at rest.
class CalendarDayDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    CalendarDayDelegate(JournalStore& store, QWidget* viewport, QObject* parent = nullptr);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setHoveredRow(int row) { m_hovered = row; }
    /// Forgets the motion of rows no longer listed.
    void keepOnly(const QList<QUuid>& ids);
    /// How far the row of `id` shows as selected (0 to 1); 0 for a row not drawn yet.
    qreal selectionOf(const QUuid& id) const;

private:
    struct RowMotion {
        vsp::SpringValue* selection = nullptr;
        vsp::SpringValue* hover = nullptr;
    };

    JournalStore& m_store;
    QPointer<QWidget> m_viewport;
    int m_hovered = -1;
    mutable QHash<QUuid, RowMotion> m_motions;
};

/// The month calendar shown in the list column while `JournalStore::showCalendar` is true: "Back to
/// list", the month's title, "Today" and the month buttons; the grid; then the picked day's entries,
/// or "Nothing written this day" (with "Write today's entry" on an empty today). Its state is the
/// store's `calendarMonth` and `selectedDate`; days are calendar days, so daylight-saving changes and
/// month ends never shift one.
class CalendarView final : public QWidget {
    Q_OBJECT

public:
    CalendarView(JournalStore& store, vsp::OpenWindowAction openWindow, QWidget* parent = nullptr);

    /// The month's whole title, before any elision.
    QString monthTitle() const { return m_monthTitle; }
    /// Whether the empty day ("Nothing written this day") shows in place of the list.
    bool showsEmptyDay() const;

    /// Follows a new day: today's ring, and "Write today's entry" on an empty today.
    void refreshDay();
    /// Moves the shown month by `months` (the day is clamped to the new month's length).
    void changeMonth(int months);
    void jumpToToday();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The constructor's parts: the month header, the picked day's title and count, and the day list
    // with its empty page.
    QLayout* buildHeader();
    QLayout* buildDayHeader();
    void buildDayPages();
    void refresh();
    void refreshColors();
    void refreshTitle();
    /// The day list's change of rows: the old rows fade out as the new ones fade in (spring 0.3).
    void fadeDayList();

    JournalStore& m_store;
    vsp::OpenWindowAction m_openWindow;
    vsp::GlassButton* m_back;
    QLabel* m_title;
    QString m_monthTitle;
    QString m_shortMonthTitle;
    GlassChipButton* m_today;
    vsp::GlassButton* m_previous;
    vsp::GlassButton* m_next;
    CalendarGrid* m_grid;
    QLabel* m_dayTitle;
    QLabel* m_dayCount;
    QStackedWidget* m_dayPages;
    QListView* m_dayList;
    CalendarDayModel* m_dayModel;
    CalendarDayDelegate* m_dayDelegate;
    QWidget* m_emptyDay;
    QLabel* m_emptyText;
    GlassChipButton* m_writeToday;
    /// The ids of the day's rows as last shown, and whether anything has been shown yet.
    QList<QUuid> m_shownIDs;
    /// The month and picked day of the last refresh: other navigation leaves the calendar as it is.
    double m_shownMonth = 0;
    std::optional<double> m_shownDay;
    bool m_refreshed = false;
    /// The spring the picked day moves with: "Today" moves it with the month's.
    vsp::Spring m_pickSpring{0.25, 1.0};
    QPointer<vsp::TransitionOverlay> m_dayTransition;
};
