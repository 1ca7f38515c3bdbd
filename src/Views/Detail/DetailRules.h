#pragma once

#include "Model/Dates.h"
#include "Model/EntryList.h"
#include "Model/JournalEntry.h"

#include <QList>
#include <QLocale>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

class MoodStore;

/// The rules of the entry detail that do not depend on its widgets: the status line, dates, the
/// expiration badge's classification, related entries, paragraphs of a body, the flow of tag chips
/// and the floating bar's place. Dates are record dates (seconds since 2001-01-01 UTC).
namespace vsp::detail {

/// Minutes to read `wordCount` words: 1 below 200 words (0 included), else wordCount / 200 rounded down.
int readingMinutes(int wordCount);

/// The status line's date: weekday, month and day in words with hour and minute, in the locale's own
/// order and words (ICU's best pattern for the skeleton "jmEEEEMMMMd", kept in
/// "$XDG_CACHE_HOME/Vesperlog/date-patterns" for later runs); with the year ("y") only when `date` lies
/// in another calendar year than `now`. The names and day periods are Qt's for the locale where the
/// pattern has no other fields, else ICU's. Falls back to Qt's long format when ICU has no pattern for
/// the locale.
QString metaDate(double date, double now, const QLocale& locale = QLocale());

/// The locale's medium date without time ("Dec 9, 2026", "09.12.2026"), from ICU's medium style.
QString mediumDate(double date, const QLocale& locale = QLocale());

/// One text of the status line, in order. Separators are drawn at 40 % opacity; the emoji is larger.
struct StatusPiece {
    enum class Kind { Date, Separator, Words, ReadingTime, Emoji, MoodLabel };
    Kind kind;
    QString text;
    bool operator==(const StatusPiece&) const = default;
};

/// The status line of a stored entry: date, " · ", "N words", and only with words " · ~M min", and only
/// with a mood " · ", the emoji and the mood's label (the emoji again when the palette lacks it).
QList<StatusPiece> statusLine(const JournalEntry& entry, const MoodStore& moods, double now,
                              const QLocale& locale = QLocale());

/// The badge's words: "Expired", "Expires today", or "Expires " and the medium date.
QString expirationText(double expirationDate, double now, const QLocale& locale = QLocale());
/// The badge's symbol: "bell.slash.fill" when past, else "bell.fill".
QString expirationSymbol(Expiration status);

/// Up to three entries of `entries` (in that order) other than `current` sharing at least one tag
/// with it exactly (case matters). Archived entries count like any other.
QList<JournalEntry> relatedEntries(const EntryList& entries, const JournalEntry& current);

/// Where the rich paragraphs of a body lie: the text is split at every "\n\n"; each piece that has
/// more than white space is one paragraph, untrimmed, as (start, length) in UTF-16 units.
struct TextRange {
    int start = 0;
    int length = 0;
    bool operator==(const TextRange&) const = default;
};
QList<TextRange> richParagraphs(const QString& text);
/// The plain paragraphs: pieces between "\n\n", trimmed of white space and line breaks, empty ones
/// dropped.
QStringList plainParagraphs(const QString& text);

/// The width a flow answers when asked without one, pixels.
inline constexpr int kFlowDefaultWidth = 680;
/// Places items of these sizes left to right in rows of at most `width` (the first item of a row
/// never wraps, so an item wider than the row stands alone and overflows), `spacing` between items
/// and between rows, aligned at their tops. The rectangles are relative to the flow's top-left
/// corner; `height` receives the rows' heights plus the spacing between them (0 with no items).
QList<QRect> flowPlacement(const QList<QSize>& sizes, int width, int spacing, int* height = nullptr);

/// The floating bar's offset in the normal edit layout: x as in New Entry (`vsp::compose::floatingBarOffset`),
/// 8 pixels above the selection where that is 0 or more, else at the top (y = 0), over the text.
QPointF editBarOffset(const QRectF& selection, qreal barHeight);

} // namespace vsp::detail
