#pragma once

#include <QWidget>

class ColumnVisibilityHolder;
class JournalStore;
class MoodStore;
class QLabel;
namespace vsp {
class GlassButton;
}

/// The head of the entry list: the title of what the list shows ("#tag", a mood, or the section),
/// today's date under "Today", a button bringing back a hidden sidebar, and the calendar, search and sort
/// buttons. The search button flips the list column's search field through `searchToggled`; hiding the
/// field always empties the search text.
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

    vsp::GlassButton* showSidebarButton() const { return m_showSidebar; }
    vsp::GlassButton* calendarButton() const { return m_calendar; }
    vsp::GlassButton* searchButton() const { return m_search; }
    vsp::GlassButton* sortButton() const { return m_sort; }
    QLabel* titleLabel() const { return m_title; }
    QLabel* subtitleLabel() const { return m_subtitle; }

    /// Re-reads everything (also at midnight, for the date).
    void refresh();

Q_SIGNALS:
    /// The search button was pressed: the list column shows or hides its field.
    void searchToggled();

private:
    void refreshColors();
    void refreshSort(bool animated);

    JournalStore& m_store;
    MoodStore& m_moodStore;
    ColumnVisibilityHolder& m_columns;
    vsp::GlassButton* m_showSidebar;
    QLabel* m_title;
    QLabel* m_subtitle;
    vsp::GlassButton* m_calendar;
    vsp::GlassButton* m_search;
    vsp::GlassButton* m_sort;
    bool m_showSearch = false;
    bool m_lastSortNewestFirst = true;
};
