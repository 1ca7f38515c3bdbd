#pragma once

#include "Model/JournalEntry.h"
#include "Theme/Spring.h"

#include <QWidget>

#include <functional>

class GlassChipButton;
class JournalStore;
class MoodStore;
class QMenu;
namespace vsp {
class GlassButton;
}

/// The strip across the top of the entry detail: the entry's type chip on the left; Edit/Done, focus
/// mode, favourite and "More actions" on the right. It acts on the stored entry it is shown, by id,
/// through EntryActions (never on edits in progress), and on editing through the detail's callbacks.
///
/// "More actions": Set Mood (the moods, then Clear Mood, disabled without a mood), Copy as Plain Text,
/// Copy as Markdown, Duplicate Entry, Archive/Unarchive and Delete Entry (which asks first, through
/// `onDelete`).
class DetailToolbar final : public QWidget {
    Q_OBJECT

public:
    DetailToolbar(JournalStore& store, MoodStore& moodStore, std::function<void()> onEdit,
                  std::function<void()> onEditDone, std::function<void()> onDelete, QWidget* parent = nullptr);

    /// The stored entry and whether it is being edited. For the same entry, Edit/Done changes its look
    /// with a spring when `animate` is true, and a change of the favourite mark always glides (both land
    /// at once with animations off or the toolbar hidden); another entry is shown at rest.
    void setEntry(const JournalEntry& entry, bool isEditing, bool animate = false);
    const JournalEntry& entry() const { return m_entry; }

    /// The type chip's colour: the accent for journal entries, fixed blue, violet and green otherwise.
    /// The colour of Done's text, readable on its tinted glass.
    static QColor doneTextColor();
    static QColor typeColor(JournalEntry::EntryType type);

    /// Builds the "More actions" menu for the entry shown now (the caller shows and deletes it).
    QMenu* buildMenu(QWidget* parent);

    /// Gives the keyboard to the Edit/Done button.
    void focusEditButton();

Q_SIGNALS:
    /// The focus button is about to switch focus mode, with this spring.
    void focusModeToggling(vsp::Spring spring);

private:
    void refresh();

    JournalStore& m_store;
    MoodStore& m_moodStore;
    std::function<void()> m_onEdit;
    std::function<void()> m_onEditDone;
    std::function<void()> m_onDelete;
    JournalEntry m_entry;
    bool m_editing = false;
    QWidget* m_typeChip;
    GlassChipButton* m_edit;
    vsp::GlassButton* m_focus;
    vsp::GlassButton* m_favorite;
    vsp::GlassButton* m_more;
    vsp::SpringValue* m_favoriteLevel;
};
