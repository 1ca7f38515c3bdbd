#pragma once

#include "Model/JournalEntry.h"
#include "Theme/Palette.h"

#include <QFont>
#include <QHash>
#include <QLocale>
#include <QRectF>
#include <QString>
#include <QUuid>

#include <optional>

class QPainter;

/// One journal entry in a list, painted: a line of marks (pin, date, mood, expiry bell, selection dot),
/// the title, an optional preview of up to two lines of the body and the entry's tags. Rows are painted
/// by the list's delegate, never built as widgets; this class holds their texts, measurements and
/// painting so the entry list and the calendar's day list draw the same row.
class EntryRow final {
public:
    /// How the bell of an entry's expiration date is coloured.
    enum class ExpirationMark { None, Past, Today, Later };

    /// What decides a row's look besides its entry.
    struct Options {
        bool showEntryPreviews = true;
        bool compactListView = false;
    };

    /// The two settings as stored now.
    static Options currentOptions();

    /// How much of a body a row (and its line in On This Day) ever reads: a preview is two lines, and a
    /// body of millions of characters is not rebuilt whole to draw them.
    static constexpr qsizetype kPreviewUnits = 4096;

    /// The date mark: the short time alone for a date in today; day, abbreviated month, " · " and the
    /// short time for another day of the current year; day, abbreviated month and year for any other
    /// year. Field order follows `locale`. `now` and `date` are record dates (seconds since 2001).
    static QString dateLabel(double date, double now, const QLocale& locale = QLocale());
    /// The bell's kind for an expiration date seen at `now`: before the start of today is past, within
    /// today is today, a later day is later.
    static ExpirationMark expirationMark(const std::optional<double>& expiration, double now);
    /// The bell's colour: secondary for past, orange for today, the accent at 75 % for later.
    static vsp::Color expirationColor(ExpirationMark mark);

    /// Fonts of the row's parts.
    static QFont dateFont();
    static QFont moodFont();
    static QFont titleFont();
    static QFont previewFont();
    static QFont tagFont();

    /// The number of preview lines (0 to 2) the body takes at `width` pixels: none for an empty body,
    /// two when it holds a line break or is wider than one line.
    static int previewLineCount(const JournalEntry& entry, qreal width);
    /// The height of the row's rounded glass (not counting the list's gap) at `width` pixels wide.
    static qreal height(const JournalEntry& entry, qreal width, const Options& options);

    /// Animated state of one row while it is painted.
    struct PaintState {
        bool pinned = false;
        /// 0 (not selected) to 1 (selected); drives the tint and the selection dot.
        qreal selection = 0;
        /// 0 (pointer outside) to 1 (pointer over the row).
        qreal hover = 0;
        double now = 0;
    };
    /// Paints the row filling `rect`: background, content and selection dot.
    static void paint(QPainter& painter, const QRectF& rect, const JournalEntry& entry, const Options& options,
                      const PaintState& state);
    /// The row's glass, tinted by the selection and hover state.
    static void paintBackground(QPainter& painter, const QRectF& rect, const PaintState& state);
    /// Whether paintContent draws the date, or leaves its place empty for paintDate.
    enum class DatePart { Included, Left };
    /// Marks, title, preview and tags: everything that does not move with the pointer, so lists may keep
    /// it as a picture. Only the date's colour follows the selection: a list that keeps the rest apart
    /// from the selection leaves the date out and draws it with paintDate.
    static void paintContent(QPainter& painter, const QRectF& rect, const JournalEntry& entry, const Options& options,
                             bool pinned, double now, bool selected = false, DatePart datePart = DatePart::Included);
    /// The date mark alone, where and as paintContent draws it.
    static void paintDate(QPainter& painter, const QRectF& rect, const JournalEntry& entry, const Options& options,
                          bool pinned, double now, bool selected);
    /// Where the date's baseline starts in a row filling `rect`.
    static QPointF dateOrigin(const QRectF& rect, const Options& options, bool pinned);
    /// The colour of the date on the top line: the tertiary style, and on the selected row's accent
    /// glass (in the current appearance and accent) a shade of it that keeps 4.5:1 there.
    static QColor dateColor(bool selected);
    /// The colour the selected row's glass shows behind its top line, over the list's background.
    static QColor selectedRowColor();
    /// The accent dot of the selected row, scaled and faded by `selection` (0 to 1).
    static void paintSelectionDot(QPainter& painter, const QRectF& rect, const Options& options, qreal selection);

    /// Layout constants of the row.
    static constexpr qreal kHorizontalPadding = 14;
    static constexpr qreal kVerticalPadding = 13;
    static constexpr qreal kCompactVerticalPadding = 10;
    static constexpr qreal kSpacing = 6;
    static constexpr qreal kCornerRadius = 14;
    static constexpr qreal kPreviewLineSpacing = 2;
};
