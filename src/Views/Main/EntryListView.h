#pragma once

#include "Theme/TransitionOverlay.h"
#include "Widgets/OpenWindow.h"

#include "Model/NavSection.h"

#include <QDate>
#include <QPointer>
#include <QWidget>

#include <optional>
#include <tuple>

class ColumnVisibilityHolder;
class EmptyListView;
class QGraphicsOpacityEffect;
class EntryListWidget;
class JournalBanner;
class JournalStore;
class ListHeader;
class MoodStore;
class QStackedWidget;
class QTimer;
class SearchField;
namespace vsp {
class SpringValue;
}

/// The middle column of the main window: the month calendar while `JournalStore::showCalendar` is true,
/// otherwise the list header, the search field when shown, and the entry list or its empty state.
///
/// It owns the search field's visibility: "VspToggleSearch" leaves the calendar and opens or closes the
/// field; closing it, and any change of section, tag or mood, also empties the search text, so a hidden
/// field never filters the list.
///
/// The calendar and the list fade into each other (spring of response 0.3); the search field slides
/// down from under the header while it fades in, and back up while it fades out (the same spring). When
/// the last rows go, the list fades into its empty state; when rows come back they enter as new rows.
class EntryListView final : public QWidget {
    Q_OBJECT

public:
    EntryListView(JournalStore& store, MoodStore& moodStore, ColumnVisibilityHolder& columns,
                  vsp::OpenWindowAction openWindow, QWidget* parent = nullptr);

    bool showSearch() const { return m_showSearch; }
    /// Opens or closes the search field; closing empties the search text.
    void setShowSearch(bool shown);
    /// What "VspToggleSearch" does: hide the calendar, flip the field, empty the text when closed.
    void toggleSearch();
    /// Closes the search field and empties the query (also used when the window content starts over).
    void clearSearchAndQuery();

    EntryListWidget* list() const { return m_list; }
    /// The notices about the journal's files under the column.
    JournalBanner* banner() const { return m_banner; }
    /// Whether the empty state shows in place of the list.
    bool showsEmptyState() const;
    /// How far the search field has come in, 0 (hidden above) to 1 (in place).
    qreal searchReveal() const;

    /// The day the list and the header were last worked out for ("Today", the date under the title, On
    /// This Day and the rows' date marks depend on it).
    QDate shownDay() const { return m_shownDay; }
    /// Works those parts out again when `today` is another day than the one shown. The view calls it
    /// with the current date at each midnight, at least once a minute (a timer's clock stands still
    /// while the computer sleeps) and whenever the application becomes active.
    void showDay(const QDate& today);
    /// Milliseconds until the view next looks at the date (at most a minute).
    int dayCheckInterval() const;

Q_SIGNALS:
    /// showDay() found another day: whatever else shows dates relative to today follows.
    void dayChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class EntryListViewTest;
    friend class EntryListMotionTest;

    /// Follows the store's navigation: closes the search field when the list moved, shows or hides the
    /// calendar. Writes nothing back.
    void followNavigation();
    void refreshCalendar();
    /// Puts the calendar just made where the list is in the Tab order.
    void placeCalendarInTabOrder();
    /// Closes the field without touching the query.
    void closeSearchField();
    void placeSearchField();
    void refreshEmptyState();
    void scheduleDayCheck();

    JournalStore& m_store;
    vsp::OpenWindowAction m_openWindow;
    QStackedWidget* m_pages;
    QWidget* m_listPage;
    ListHeader* m_header;
    QWidget* m_searchHolder;
    SearchField* m_searchField;
    QStackedWidget* m_body;
    EntryListWidget* m_list;
    EmptyListView* m_empty;
    /// The notices about unsaved changes and damaged journal files, under the column's content.
    JournalBanner* m_banner = nullptr;
    /// The calendar while shown, else null.
    QWidget* m_calendar = nullptr;
    vsp::SpringValue* m_searchReveal;
    QGraphicsOpacityEffect* m_searchOpacity;
    /// The fade between the calendar and the list while it runs.
    QPointer<vsp::TransitionOverlay> m_pageTransition;
    /// The fade from the list to its empty state while it runs.
    QPointer<vsp::TransitionOverlay> m_emptyTransition;
    /// The message the fade into the empty state shows a picture of.
    QString m_emptyTransitionMessage;
    QTimer* m_dayCheck;
    QDate m_shownDay;
    bool m_showSearch = false;
    /// The section, tag and mood filter the list last showed.
    using ListPlace = std::tuple<NavSection, std::optional<QString>, std::optional<QString>>;
    ListPlace m_shownPlace;
};
