#pragma once

#include "Model/JournalEntry.h"

#include <QString>

/// The text forms an entry is copied in (the row's context menu, the Entry menu and the detail
/// toolbar all use these). Title, tags and body are written as stored: nothing is escaped and the RTF
/// body is never used.
namespace vsp {

/// The title, two line feeds, then the plain body.
QString entryPlainText(const JournalEntry& entry);

/// "# " and the title; when there are tags, two line feeds and the tags in stored order, each after a
/// "#", joined by single spaces; then two line feeds and the plain body.
QString entryMarkdown(const JournalEntry& entry);

} // namespace vsp
