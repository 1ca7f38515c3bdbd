#pragma once

#include "Model/JournalStore.h"

#include <QString>
#include <QStringList>

/// The rules by which tags are typed in: the compose window's footer and the entry detail's tag editor
/// share them.
namespace vsp::tags {

/// Longest list of suggestions shown under a tag field.
inline constexpr int kMaxSuggestions = 5;

/// Stored tags offered for the text of a tag field: nothing for an empty field; otherwise the names of
/// `allTags` (in that order) that begin with the lower-cased, untrimmed input (a case-sensitive prefix
/// test) and are not among `chosen`, at most kMaxSuggestions.
QStringList suggestions(const QString& input, const QList<TagCount>& allTags, const QStringList& chosen);

/// Folds the tag field into `tags`: its text trimmed of spaces and tabs and lower-cased is appended
/// when it is not empty and not chosen yet. The field is cleared in every case. Returns whether a tag
/// was added.
bool commit(QString& input, QStringList& tags);

} // namespace vsp::tags
