#pragma once

#include <QWidget>

class JournalStore;
class MoodStore;

/// What the list column shows when there is nothing to list: an icon in a glass circle, a message saying
/// why (no search results, no entries of a mood or tag, no favourites, nothing today) and, unless a
/// search or a tag filter is active, the hint to write one.
class EmptyListView final : public QWidget {
    Q_OBJECT

public:
    EmptyListView(JournalStore& store, MoodStore& moodStore, QWidget* parent = nullptr);

    /// The message for the store's current state.
    QString message() const;
    /// The symbol name of the icon.
    QString icon() const;
    /// Whether the "Press Ctrl+N to add one" hint shows: no search text and no tag filter.
    bool showsHint() const;
    static QString hintText();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    JournalStore& m_store;
    MoodStore& m_moodStore;
};
