#pragma once

#include <QWidget>

class ColumnVisibilityHolder;
class JournalStore;
class MoodStore;
class QListWidget;
class QListWidgetItem;

/// The main window's left column: the journal's sections with their counts, the moods and the tags in
/// use, and a button to hide the column. It changes what the list shows only through the store's
/// navigation state: a section clears the tag and mood filters, a tag clears the mood filter and a mood
/// clears the tag.
class SidebarView final : public QWidget {
    Q_OBJECT

public:
    SidebarView(JournalStore& store, MoodStore& moodStore, ColumnVisibilityHolder& columns,
                QWidget* parent = nullptr);

    QListWidget* list() const { return m_list; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuild();
    void activate(QListWidgetItem* item);

    JournalStore& m_store;
    MoodStore& m_moodStore;
    ColumnVisibilityHolder& m_columns;
    QListWidget* m_list;
    bool m_rebuildQueued = false;
};
