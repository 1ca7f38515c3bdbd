#pragma once

#include "Model/JournalEntry.h"
#include "Theme/PaintedButton.h"
#include "Theme/Palette.h"
#include "Views/Detail/DetailRules.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

#include <functional>

class GlassChipButton;
class JournalStore;
class QDateEdit;
class QGraphicsOpacityEffect;
class QVariantAnimation;
class TransitionSlot;

/// The small widgets of the entry detail. Every colour is taken from the theme when painting, so a
/// change of appearance or accent shows at once.
namespace vsp::detail {

/// The current moment as a record date; the detail asks it for every date it classifies or shows.
using Clock = std::function<double()>;

/// A label of plain text whose colour is a theme colour, resolved when painting.
class ThemedLabel final : public QLabel {
    Q_OBJECT

public:
    ThemedLabel(std::function<QColor()> color, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<QColor()> m_color;
};

/// The status line: date, word count, reading time and mood in the tertiary style, separators at
/// 40 % opacity, in the monospaced font of 11 pixels (the emoji at 12).
class StatusLineView final : public QWidget {
    Q_OBJECT

public:
    explicit StatusLineView(QWidget* parent = nullptr);
    void setPieces(const QList<StatusPiece>& pieces);
    QList<StatusPiece> pieces() const { return m_pieces; }
    /// The line as one text, pieces joined by single spaces.
    QString text() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }
    /// Where each piece is drawn at `width` pixels, in order. Too narrow for the whole line, the piece
    /// that reaches the edge gets what room is left (its text is elided) and the pieces after it, as a
    /// separator before it, get an empty rectangle: nothing is cut off at the edge.
    QList<QRectF> pieceRects(qreal width) const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    /// The advance of each piece's text, measured once for each set of pieces.
    const QList<qreal>& pieceWidths() const;

    QList<StatusPiece> m_pieces;
    mutable QList<qreal> m_widths;
};

/// The expiration capsule of the read layout: "Expired" in grey with a struck bell, "Expires today" in
/// orange, or "Expires <medium date>" in the accent colour, on glass tinted with that colour at 10 %.
/// It is classified when it is given a date; it does not refresh itself at midnight.
class ExpirationBadge final : public QWidget {
    Q_OBJECT

public:
    explicit ExpirationBadge(QWidget* parent = nullptr);
    void setDate(double expirationDate, double now);
    Expiration status() const { return m_status; }
    QString text() const { return m_text; }
    QString symbol() const { return expirationSymbol(m_status); }
    /// Grey, orange or the accent in `appearance`: the badge's glass is tinted with it.
    static QColor tint(Expiration status, Appearance appearance);
    /// The tint darkened (light) or lightened (dark) just enough to read at 4.5:1 on the tinted badge over
    /// the detail's background: the colour of the badge's text and symbol.
    static QColor color(Expiration status, Appearance appearance);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Expiration m_status = Expiration::Later;
    QString m_text;
};

/// The expiration control of the edit layout: a bell button ("Add expiration" / "Expires") that
/// switches the expiration on and off and, while on, a date editor for the day. The day editor starts
/// at the earlier of today and the given date, so a stored date in the past is shown and kept. A click
/// on the bell changes its look and brings the day editor in or out with a spring (0.25).
class ExpirationEditRow final : public QWidget {
    Q_OBJECT

public:
    ExpirationEditRow(Clock clock, QWidget* parent = nullptr);

    /// Shows the values; emits nothing.
    void setValues(bool hasExpiration, double date);
    bool hasExpiration() const { return m_has; }
    /// The chosen date, at the time of day it was given with.
    double date() const { return m_date; }

Q_SIGNALS:
    void hasExpirationEdited(bool on);
    void dateEdited(double date);

private:
    /// Shows the values; the day editor comes or goes with a spring when `animate` is true.
    void refresh(bool animate);

    Clock m_clock;
    bool m_has = false;
    double m_date = 0;
    bool m_setting = false;
    GlassChipButton* m_toggle;
    QDateEdit* m_edit;
    /// The day editor's place, which brings it in and out.
    TransitionSlot* m_editSlot;
};

/// One related entry: an accent bar, the title and the medium date on interactive glass.
class RelatedEntryRow final : public PaintedButton {
    Q_OBJECT

public:
    RelatedEntryRow(const JournalEntry& entry, QWidget* parent = nullptr);
    QUuid entryID() const { return m_id; }
    QString title() const { return m_title; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QUuid m_id;
    QString m_title;
    QString m_date;
};

/// "RELATED ENTRIES": a hairline, the heading and up to three rows of entries sharing a tag with the
/// shown one; a click selects that entry. Hidden entirely when there is nothing to list.
class RelatedEntriesView final : public QWidget {
    Q_OBJECT

public:
    RelatedEntriesView(JournalStore& store, QWidget* parent = nullptr);
    void setCurrentEntry(const JournalEntry& entry);
    QList<RelatedEntryRow*> rows() const { return m_rows; }

private:
    JournalStore& m_store;
    QList<RelatedEntryRow*> m_rows;
    QWidget* m_rowBox;
};

/// The strip over the focus layout: the live word count and the Done and exit buttons. Fully opaque
/// while the pointer is over the detail, at 15 % otherwise (ease in and out over 0.25 s). A new count
/// rolls up into place.
class FocusOverlay final : public QWidget {
    Q_OBJECT

public:
    explicit FocusOverlay(QWidget* parent = nullptr);
    void setWordCount(int words);
    int wordCount() const { return m_words; }
    /// Whether the number is rolling to a new count (a spring of 0.3).
    bool isCountRolling() const;
    /// Whether the pointer is over the detail.
    void setHovered(bool hovered);
    double opacity() const;

Q_SIGNALS:
    /// Done or exit was clicked.
    void leaveRequested();

private:
    int m_words = 0;
    QWidget* m_count;
    QAbstractButton* m_done;
    QAbstractButton* m_exit;
    QGraphicsOpacityEffect* m_opacity;
    QVariantAnimation* m_fade = nullptr;
};

} // namespace vsp::detail
