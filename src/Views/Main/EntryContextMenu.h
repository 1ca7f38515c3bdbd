#pragma once

#include "Model/JournalEntry.h"

class JournalStore;
class QMenu;
class QWidget;

/// The context menu of an entry row: pin, favourite, archive, duplicate, copy as plain text, copy as
/// Markdown and delete, acting through EntryActions on that row's entry by its id (not on the selected
/// one); its items are disabled only while the journal is locked. "Delete Entry" moves the entry to the
/// trash at once, without a question.
namespace EntryContextMenu {

/// Builds the menu for `entry` as it is now in the store. The caller shows and deletes it.
QMenu* build(JournalStore& store, const JournalEntry& entry, QWidget* parent);

} // namespace EntryContextMenu
