#pragma once

#include "Views/Main/EntryListModel.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QRect>
#include <QSet>

class EntryListDelegate;
class QAbstractItemView;
class QPainter;
class QVariantAnimation;

/// The motion of the entry list's rows when the rows it lists change: rows that stay glide from their
/// old place to their new one, new entry rows drop in from just above their place while fading in, the
/// On This Day block rises from the bottom edge, and rows that leave fade out where they were (the
/// block sinks to the bottom edge), all with the list's spring (response 0.3, damping fraction 1.0).
///
/// Only what is on screen moves, and nothing moves when more than `kMaxAnimatedChanges` rows come and
/// go before the next paint, or the model resets (a search narrowing a long journal): such changes land
/// at once. The change is read from the model's row signals. One animation drives
/// every row; the delegate asks `lookOf` for the row it paints, the view paints the leaving rows and the
/// rows gliding out of view. The model is read through its identities (`EntryListModel::RowKey`), never
/// copied. Main thread only.
class EntryListMotion final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EntryListMotion)

public:
    using RowKey = EntryListModel::RowKey;

    /// Rows that may come and go in one change for it to be animated.
    static constexpr int kMaxAnimatedChanges = 48;
    /// Pixels an inserted entry row drops into place while it fades in.
    static constexpr qreal kInsertDrop = 12;

    /// Where a row is drawn relative to its place in the list (pixels, down is positive) and at which
    /// opacity (0 to 1). At rest: 0 and 1.
    struct Look {
        qreal offsetY = 0;
        qreal opacity = 1;
        bool operator==(const Look&) const = default;
    };

    /// Follows `model` (its row signals) for the rows of `view`, painted by `delegate`. Construct it
    /// before the view gets the model, so it sees each change before the view does.
    EntryListMotion(QAbstractItemView& view, EntryListModel& model, EntryListDelegate& delegate);

    /// The look of a listed row now (at rest when it does not move).
    Look lookOf(const RowKey& key) const;
    /// Whether any row moves or fades.
    bool isRunning() const { return !m_tracks.isEmpty() || !m_leaving.isEmpty(); }
    /// Whether a change has been seen whose motion starts at the next paint.
    bool isPending() const { return m_pending && !m_large; }
    /// The spring's eased progress since the last change, 0 to 1 (1 at rest).
    qreal progress() const { return m_progress; }

    /// The rows that have left the list and are still fading out, and the look of one of them.
    QList<RowKey> leavingRows() const;
    Look lookOfLeaving(const RowKey& key) const;

    /// Works out where the rows of the last change start from, now that the new rows are laid out, and
    /// starts the spring. The view calls it before painting; calling it again does nothing.
    void resolve();
    /// Paints the rows that have left and still fade out (under the listed rows).
    void paintLeaving(QPainter& painter) const;
    /// Paints the listed rows whose place is out of view but which still glide through it.
    void paintEscaping(QPainter& painter) const;
    /// Ends every motion at once.
    void stop();
    /// Every row on screen at the next paint enters as a new one (fading and dropping in): the list
    /// takes the place of its empty state.
    void enter();

Q_SIGNALS:
    /// Rows moved: the view must be repainted.
    void frame();

private:
    /// A row's motion: from a look to a look over the spring.
    struct Track {
        qreal fromOffset = 0;
        qreal fromOpacity = 1;
        qreal toOffset = 0;
        qreal toOpacity = 1;
        int row = -1;
        /// The row glides with the rows around it (rather than fading in where it lands).
        bool glides = false;
    };
    struct Leaving {
        RowKey key;
        QPixmap picture;
        /// Where the picture sits in the row (a block partly on screen is kept as its part on screen).
        QPoint pictureAt;
        /// Where it was drawn, in content coordinates (viewport plus scroll offset).
        QRectF rect;
        Track track;
    };
    struct Seen {
        QRect rect;
        Look look;
        QPixmap picture;
        QPoint pictureAt;
    };

    /// The first change since the last paint: what is on screen is seen now. False when the change
    /// is not followed (animations off, a large change under way).
    bool seeChange();
    /// Rows that are about to leave, and rows that have just come.
    void noteRemoved(int first, int last);
    void noteInserted(int first, int last);
    /// Whether `rows` more rows coming or going surely take the change past kMaxAnimatedChanges.
    bool tooManyToFollow(int rows) const;
    /// Ends the motion; the rest of the change lands at the next paint without moving.
    void landAtOnce();
    void seeRow(int row);
    QPixmap pictureOf(int row, const QSize& size, QPoint* at);
    Look lookAt(const Track& track) const;
    int firstVisibleRow() const;
    int scrollOffset() const;
    void startSpring();

    QAbstractItemView& m_view;
    EntryListModel& m_model;
    EntryListDelegate& m_delegate;
    QVariantAnimation* m_animation;
    qreal m_progress = 1;
    QHash<RowKey, Track> m_tracks;
    QList<Leaving> m_leaving;
    QHash<RowKey, Seen> m_seen;
    QSet<RowKey> m_inserted;
    QSet<RowKey> m_removed;
    bool m_pending = false;
    /// The change since the last paint is too large to animate: it lands at once.
    bool m_large = false;
    /// The next paint brings in every row on screen as a new one.
    bool m_entering = false;
    /// Rows are being drawn into pictures: every look is at rest.
    bool m_picturing = false;
};
