#pragma once

#include "Widgets/EntryRow.h"

#include <QCache>
#include <QHash>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QUuid>

#include <functional>

class EntryListModel;
class EntryListMotion;
class JournalStore;
namespace vsp {
class SpringValue;
}

/// Paints the rows of EntryListModel: captions, entry rows (EntryRow) and the On This Day block. The
/// selection follows `JournalStore::selectedEntryID`, not the view's own selection; the selection tint
/// and the hover glass move with springs (0.25 and 0.15), for which the delegate keeps a small amount
/// of animation state per entry and asks `repaint` to redraw while it moves. While the rows themselves
/// move (EntryListMotion), each row is drawn where and as faded as the motion says.
class EntryListDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    EntryListDelegate(JournalStore& store, QObject* parent = nullptr);

    /// The list's horizontal padding around each row and the gap between rows.
    static constexpr qreal kRowInset = 10;
    static constexpr qreal kRowGap = 6;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    /// The picture kept of a row at rest that is drawn as one (the On This Day block: of its part last on
    /// screen), shared rather than drawn again; `at` is set to where the picture sits in the row. Null for
    /// other rows, for a block of another size and while the block folds or unfolds.
    QPixmap restingPicture(const QModelIndex& index, const QSize& size, qreal devicePixelRatio, QPoint* at) const;

    /// The row's glass rectangle inside its item rectangle.
    static QRectF rowRect(const QRect& itemRect);
    /// The caption's font: size 9, semibold, tracking 1.2.
    static QFont captionFont();

    /// The entry under the pointer (hover glass), or none; set by the view.
    void setHoveredEntry(const QUuid& id);
    QUuid hoveredEntry() const { return m_hovered; }
    /// The On This Day row under the pointer, or -1.
    void setHoveredOnThisDayRow(int row);
    int hoveredOnThisDayRow() const { return m_hoveredOnThisDay; }
    /// Unfolds or folds the On This Day block (with the 0.3 spring when animated).
    void setOnThisDayExpanded(bool expanded, bool animated);
    /// 1 when the block is unfolded, 0 when folded, in between while it moves.
    qreal onThisDayReveal() const;
    /// Called while row heights change (the block unfolding) so the list lays its rows out again.
    void setRelayout(std::function<void()> relayout) { m_relayout = std::move(relayout); }
    /// Called whenever an animation moved: with the entry whose row must be repainted, or a null id when
    /// the whole list must.
    void setRepaint(std::function<void(const QUuid&)> repaint) { m_repaint = std::move(repaint); }
    /// The motion of the rows, asked for each row's place and opacity while rows move (none: at rest).
    void setMotion(const EntryListMotion* motion) { m_motion = motion; }
    /// Called once the list has been on screen: from then on a row's selection and hover move in with
    /// their springs; before, rows are drawn at rest.
    void setListShown() { m_listShown = true; }
    /// Re-reads the row settings (entry previews, compact list).
    void reloadOptions() { m_options = EntryRow::currentOptions(); }

    /// Forgets the pictures kept of row contents and of On This Day: the next paint draws them afresh.
    void clearContentCache()
    {
        m_contentCache.clear();
        m_dateCache.clear();
        m_backgroundCache.clear();
        m_onThisDayPicture = QPixmap();
    }

private:
    friend class EntryListViewTest;

    /// What a row's content picture depends on.
    struct ContentKey {
        QUuid id;
        size_t contentHash = 0;
        QSize size;
        qint64 day = 0;
        int flags = 0;
        qreal devicePixelRatio = 1;
        QString accent;
        bool operator==(const ContentKey&) const = default;
    };
    friend size_t qHash(const ContentKey& key, size_t seed) noexcept
    {
        return qHashMulti(seed, key.id, key.contentHash, key.size.width(), key.size.height(), key.day, key.flags,
                          key.accent);
    }
    ContentKey contentKey(const JournalEntry& entry, const QSize& size, bool pinned, qreal devicePixelRatio) const;
    /// The row's content but its date, the same whether the row is selected or not.
    QPixmap contentPixmap(const ContentKey& key, const JournalEntry& entry) const;
    /// A picture of the date mark and where it sits in the row.
    struct DatePicture {
        QPixmap picture;
        QPoint at;
    };
    DatePicture datePicture(const ContentKey& contentKey, const JournalEntry& entry, bool selected) const;
    /// The glass of a row of this size whose selection and hover are at rest (fully on or off).
    QPixmap restingBackground(const QSize& size, qreal devicePixelRatio, bool selected, bool hovered) const;

    struct RowAnimation {
        vsp::SpringValue* selection = nullptr;
        vsp::SpringValue* hover = nullptr;
    };
    RowAnimation& animationFor(const QUuid& id) const;
    void paintRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintOnThisDay(QPainter* painter, const QRect& rect, const QList<JournalEntry>& entries) const;
    /// The part `part` (within a block of `size`) of the block as drawn at rest, kept while nothing it
    /// shows changes (another part reuses what the two share); null while it folds or unfolds.
    QPixmap onThisDayPicture(const QSize& size, qreal devicePixelRatio, const QList<JournalEntry>& entries,
                             const QRect& part) const;
    void prune() const;

    JournalStore& m_store;
    const EntryListMotion* m_motion = nullptr;
    EntryRow::Options m_options;
    QUuid m_hovered;
    int m_hoveredOnThisDay = -1;
    bool m_listShown = false;
    vsp::SpringValue* m_onThisDayReveal;
    std::function<void(const QUuid&)> m_repaint;
    std::function<void()> m_relayout;
    mutable QHash<QUuid, RowAnimation> m_animations;
    /// Row contents drawn once and reused while nothing they show changes (cost in KiB).
    mutable QCache<ContentKey, QPixmap> m_contentCache{12 * 1024};
    /// Date marks drawn once, selected or not (cost in KiB).
    mutable QCache<ContentKey, DatePicture> m_dateCache{1024};
    /// Resting glass pictures by size and appearance (a few distinct row heights).
    mutable QCache<QString, QPixmap> m_backgroundCache{64};
    /// The part of the On This Day block on screen as last drawn at rest, and what it showed.
    mutable QPixmap m_onThisDayPicture;
    mutable size_t m_onThisDayKey = 0;
    /// The block's size and the part of it the kept picture shows.
    mutable QSize m_onThisDaySize;
    mutable QRect m_onThisDayPart;
};
