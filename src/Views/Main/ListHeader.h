#pragma once

#include <QWidget>

class ColumnVisibilityHolder;
class JournalStore;
class MoodStore;
class QLabel;
class QLayout;
namespace vsp {
class GlassButton;
class SpringValue;
} // namespace vsp

/// The head of the entry list: the title of what the list shows ("#tag", a mood, or the section),
/// today's date under "Today", a button bringing back a hidden sidebar, and the calendar, search and sort
/// buttons. The search button flips the list column's search field through `searchToggled`; hiding the
/// field always empties the search text.
///
/// The "Show Sidebar" button grows in from nothing while fading in (and shrinks away fading out) with a
/// spring of response 0.35, making room for itself as it comes; the search button takes on the accent
/// and the sort arrow turns with the spring of response 0.3.
class ListHeader final : public QWidget {
    Q_OBJECT

public:
    ListHeader(JournalStore& store, MoodStore& moodStore, ColumnVisibilityHolder& columns, QWidget* parent = nullptr);

    /// "#" + tag; else the mood emoji, a space and its label; else the section's name.
    QString title() const;
    /// Today's date (weekday, month and day, in the user's locale) on the Today section without tag or
    /// mood filter; empty otherwise.
    QString subtitle() const;

    /// Whether the search field shows (owned by the list column, mirrored here for the button's look).
    void setShowSearch(bool shown);
    bool showSearch() const { return m_showSearch; }
    /// How far the search button has taken on its "search shown" look, 0 to 1.
    qreal searchEmphasis() const;

    // Its children are named "showSidebar", "calendarButton", "searchButton", "sortButton", "listTitle"
    // and "listSubtitle".

    /// Re-reads everything (also at midnight, for the date).
    void refresh();

Q_SIGNALS:
    /// The search button was pressed: the list column shows or hides its field.
    void searchToggled();

private:
    /// The show-sidebar button in its slot, which grows and shrinks with the button's presence.
    void setUpSidebarButton();
    QLayout* buildTitles();
    /// Calendar, search (tinted with the search field's spring) and sort.
    QLayout* buildButtons();
    void refreshSort(bool animated);

    JournalStore& m_store;
    MoodStore& m_moodStore;
    ColumnVisibilityHolder& m_columns;
    QWidget* m_sidebarSlot;
    vsp::GlassButton* m_showSidebar;
    vsp::SpringValue* m_sidebarPresence;
    vsp::SpringValue* m_searchEmphasis;
    QLabel* m_title;
    QLabel* m_subtitle;
    vsp::GlassButton* m_calendar;
    vsp::GlassButton* m_search;
    vsp::GlassButton* m_sort;
    bool m_showSearch = false;
    bool m_lastSortNewestFirst = true;
};
