#pragma once

#include "Model/JournalEntry.h"

#include <QLocale>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

/// The rules of the "New Entry" window that do not depend on its widgets: when an entry may be saved,
/// how words are counted, how a title is derived from the body, where the floating format bar goes.
namespace vsp::compose {

/// Spaces and tabs: tab and every Unicode space separator. Line breaks are not white space here.
bool isBlank(QChar c);
/// Line breaks: LF, CR, VT, FF, NEL, LINE SEPARATOR and PARAGRAPH SEPARATOR.
bool isLineBreak(QChar c);

/// `text` without spaces and tabs at either end (line breaks stay).
QString trimBlanks(const QString& text);
/// `text` without spaces, tabs and line breaks at either end.
QString trimBlanksAndLineBreaks(const QString& text);

/// Whether Save is enabled: the title has something besides spaces and tabs, or the body has something
/// besides spaces, tabs and line breaks. Tags, mood and attachments alone do not count.
bool canSave(const QString& title, const QString& bodyPlain);

/// Words of the body: pieces between white space and line breaks, empty pieces dropped.
int wordCount(const QString& bodyPlain);

/// Longest derived title, in user-perceived characters.
inline constexpr int kDerivedTitleLength = 80;

/// The title of an entry saved without one: the first line of the trimmed body, cut to at most
/// kDerivedTitleLength user-perceived characters. A flag, an emoji sequence joined by zero-width joiners
/// or a letter with combining marks counts as one character and is never cut apart. Spaces at the end
/// of the line stay. An empty body gives an empty title.
QString derivedTitle(const QString& trimmedBody);

/// The first `count` user-perceived characters of `text` (all of it when it has fewer).
QString leftGraphemes(const QString& text, int count);

/// The floating format bar's offset from the top-left corner of the editor in New Entry and in focus
/// mode, for the selected text's rectangle in editor coordinates and a bar `barHeight` pixels tall:
/// x = max(10, min(300, midX − 150)); 8 pixels above the selection where that is 0 or more, else 8
/// pixels below the selection's bottom (over the line under it, which a selection of the first line
/// leaves the bar no other place for).
QPointF floatingBarOffset(const QRectF& selection, qreal barHeight);
/// The bar's top 8 pixels above the selection (may be negative).
qreal floatingBarTopAbove(const QRectF& selection, qreal barHeight);
/// The bar's x for a selection: max(10, min(300, midX − 150)).
qreal floatingBarLeft(const QRectF& selection);

/// The date row's text for `date` (seconds since 2001-01-01 UTC, shown in local time): the locale's
/// long date without its year (weekday, day, month), then " · " and its short time without seconds
/// (hour with AM/PM where the locale uses it, minute). Words that belong to the year ("de" 2026, 2026
/// "г.", 2026 "m.") go with it.
QString entryDateText(double date, const QLocale& locale = QLocale());

/// The type a new entry starts with: the settings' default entry type, Journal when there is none or it
/// names no type.
JournalEntry::EntryType initialEntryType();

/// The colour of an entry type's chip as 0xRRGGBB; Journal has none of its own (it takes the accent).
std::optional<quint32> typeColor(JournalEntry::EntryType type);

} // namespace vsp::compose
