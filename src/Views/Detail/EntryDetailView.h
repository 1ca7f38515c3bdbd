#pragma once

#include "Model/JournalEntry.h"

#include <QWidget>

#include <functional>

class JournalStore;
class MoodStore;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

/// One entry for reading, with its title editable in place. While shown it answers "VspToggleEdit"
/// (start editing, or save the edits through JournalStore::updateEntry) and "VspRequestDelete" (ask
/// "Delete this entry?" and move the entry to the trash only when confirmed).
class EntryDetailView final : public QWidget {
    Q_OBJECT

public:
    EntryDetailView(JournalStore& store, MoodStore& moodStore, const JournalEntry& entry, QWidget* parent = nullptr);

    const JournalEntry& entry() const { return m_entry; }
    /// Shows another entry (or the same one changed); unsaved edits of the previous one are saved first.
    void setEntry(const JournalEntry& entry);
    bool isEditing() const { return m_editing; }
    /// Starts editing, or saves and stops when editing.
    void toggleEdit();
    /// Saves the edits, if any, and stops editing.
    void commitEdits();
    /// Asks for confirmation, then deletes. The question is answered by `confirm` (a dialog by default).
    void requestDelete();
    void setConfirmation(std::function<bool(const QString& question)> confirm) { m_confirm = std::move(confirm); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    JournalStore& m_store;
    MoodStore& m_moodStore;
    JournalEntry m_entry;
    bool m_editing = false;
    QLabel* m_date;
    QLineEdit* m_title;
    QPlainTextEdit* m_body;
    std::function<bool(const QString&)> m_confirm;
};
