#pragma once

#include "Model/JournalEntry.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

class QPainter;

/// The collapsible "ON THIS DAY" block below the entry list: the entries written on today's month and
/// day in earlier years, each with its four-digit year; a click on one selects it. It is painted as one
/// row of the list; this class holds its measurements, painting and hit testing.
class OnThisDaySection final {
public:
    /// The four-digit year of a record date in the local time zone ("yyyy").
    static QString yearLabel(double date);

    /// The block's height including its outer padding (14 on top), with its rows when expanded.
    static qreal height(int entryCount, bool expanded) { return height(entryCount, expanded ? 1.0 : 0.0); }
    /// The same while the rows unfold: `reveal` from 0 (folded) to 1 (all rows shown).
    static qreal height(int entryCount, qreal reveal);

    /// What a point of the block hits: the header (toggles), one entry's row (selects it), or nothing.
    struct Hit {
        enum class Kind { None, Header, Entry };
        Kind kind = Kind::None;
        int entryIndex = -1;
    };
    /// `rect` is the block's full row rectangle as given to `paint`.
    static Hit hitTest(const QRectF& rect, const QPointF& point, int entryCount, bool expanded);

    /// Paints the block into its row rectangle. `reveal` is 1 when expanded and 0 when folded (animated
    /// in between: the rows unfold and the chevron turns); `hoveredEntry` is the row under the pointer,
    /// or -1.
    static void paint(QPainter& painter, const QRectF& rect, const QList<JournalEntry>& entries, qreal reveal,
                      int hoveredEntry = -1);

    /// The glass panel's rectangle within the row rectangle.
    static QRectF panelRect(const QRectF& rect);
};
