#pragma once

#include "Model/EntryList.h"
#include "Model/JournalEntry.h"
#include "Model/JournalStore.h"
#include "Model/NavSection.h"

#include <QAbstractListModel>
#include <QDate>
#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

#include <algorithm>
#include <optional>
#include <tuple>
#include <vector>

/// The rows of the entry list, worked out from the store: the "PINNED" caption and the pinned entries,
/// the "ENTRIES" caption (only when pinned entries are shown) and the other entries, then the On This Day
/// block. Every row is painted by EntryListDelegate.
///
/// It follows the store by itself: changes of the entries, the navigation state, the sort order and the
/// pins are gathered and applied once on the next turn of the event loop (or at once by `refresh()`).
/// A refresh announces what changed in Qt's terms: rows removed, moved and inserted (by identity, see
/// `RowKey`), then `dataChanged` for the rows whose entry or look changed. A change that keeps the order
/// of the rows that stay (a search narrowing or widening) is announced in one pass from the top, each
/// run of rows that leave or come as one signal, at a cost that does not grow with the number of
/// signals. A change that would take more than `kMaxChangeSteps` steps (a search that thins a long list
/// out all over, a reversed sort) resets the model instead, which views take in one go. Rows read the
/// store's entries through a shared copy of its list and never copy an entry. Main thread only.
class EntryListModel final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EntryListModel)

public:
    enum class RowKind : quint8 { Caption, Entry, OnThisDay };

    /// Data roles: the row's kind (int of RowKind), the entry's id (QUuid), whether it sits in the pinned
    /// group (bool), and the caption text. Qt::DisplayRole gives the caption or the entry's title.
    enum Role { KindRole = Qt::UserRole + 1, EntryIdRole, PinnedRole, CaptionRole };

    /// The identity of a row from one refresh to the next: an entry row by its entry, whichever group
    /// it sits in (so pinning moves a row rather than replacing it); a caption by its group; the On This
    /// Day block by itself.
    struct RowKey {
        RowKind kind = RowKind::Entry;
        QUuid id;
        bool pinnedCaption = false;
        bool operator==(const RowKey&) const = default;
    };
    friend size_t qHash(const RowKey& key, size_t seed = 0) noexcept
    {
        return qHashMulti(seed, int(key.kind), key.id, key.pinnedCaption);
    }

    /// Most removed ranges, moved rows and inserted ranges one refresh announces before it resets.
    static constexpr int kMaxChangeSteps = 64;

    explicit EntryListModel(JournalStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    RowKind kind(int row) const;
    /// The entry of an entry row, or nothing for captions and the On This Day block.
    const JournalEntry* entryAt(int row) const;
    bool isPinnedRow(int row) const;
    QString caption(int row) const;
    /// The row showing the entry with this id in the main groups, or -1.
    int rowOf(const QUuid& id) const;
    /// The identity of a row (of a default key when out of range), and the row of an identity or -1.
    RowKey keyAt(int row) const;
    int rowOf(const RowKey& key) const;

    /// The number of entry rows (the store's filtered list), and the On This Day entries while the
    /// block can show, as last applied.
    int entryCount() const { return m_entryCount; }
    const QList<JournalEntry>& onThisDayEntries() const { return m_onThisDay; }
    /// Whether the On This Day block is part of the rows.
    bool showsOnThisDay() const { return m_showOnThisDay; }
    /// True when the list has nothing to show: no filtered entries and no On This Day block. (On This Day
    /// entries that the block does not show, during a search for instance, leave the list empty.)
    bool isEmpty() const { return m_entryCount == 0 && !m_showOnThisDay; }

    /// Whether the On This Day block lists its entries. It starts expanded and starts expanded again
    /// whenever the block leaves the list and comes back.
    bool onThisDayExpanded() const { return m_onThisDayExpanded; }
    void setOnThisDayExpanded(bool expanded);

    /// Works the rows out again on the next turn of the event loop, and repaints every row even when
    /// none changed (the day changed, for example: the date marks depend on it).
    void invalidate();
    /// Applies pending store changes now.
    void refresh();
    /// Whether store changes wait to be applied.
    bool isRefreshPending() const { return m_pending; }

Q_SIGNALS:
    /// After every refresh that changed the rows or their data.
    void refreshed();
    void onThisDayExpandedChanged();

private:
    /// 16 bytes: at 50,000 rows every pass over the rows (a removal renumbers them all) reads half as
    /// much memory as with the fields in declaration order.
    struct Row {
        Row() = default;
        Row(RowKind kind, const JournalEntry* entry, bool pinned, qsizetype position = -1)
            : entry(entry),
              position(qint32(position)),
              kind(kind),
              pinned(pinned)
        { }
        /// The entry shown (in the shared copy of the store's list); null for captions and the block.
        const JournalEntry* entry = nullptr;
        /// The entry's place in that list; -1 for captions and the block.
        qint32 position = -1;
        RowKind kind = RowKind::Entry;
        bool pinned = false;
    };

    void scheduleRefresh();
    /// What decides the rows among the store's navigation: section, tag, mood filter and search.
    using ListFilter = std::tuple<NavSection, std::optional<QString>, std::optional<QString>, QString>;
    ListFilter currentFilter() const;
    static RowKey keyOf(const Row& row);
    /// The row as the model stands now, also between the signals of a sweep.
    const Row& rowAt(int row) const
    {
        return !m_sweeping || row < m_sweepAt ? m_rows[row] : m_sweepOld[row - m_sweepAt + m_sweepFrom];
    }
    int count() const { return m_sweeping ? m_sweepAt + int(m_sweepOld.size()) - m_sweepFrom : int(m_rows.size()); }
    /// Turns the rows into `rows` through removals, moves and insertions and makes them the model's
    /// rows; false (nothing changed) when that takes more than kMaxChangeSteps steps. `sameSource`: both
    /// point into the same list.
    /// `oldToNew`: where each place of the list the present rows point into went in the new one, when
    /// the store's steps tell.
    bool moveTo(QList<Row>& rows, bool sameSource, const std::vector<qsizetype>* oldToNew);
    /// Whether the store's entries, since the rows were last made from `m_source`, changed in one step
    /// that touched no entry the On This Day block could list (the memo then holds for `source`).
    bool onThisDayUntouched(const EntryList& source) const;
    /// Follows one step of the store's entries by the row of the entry it touched alone (announced as
    /// moved, removed, inserted or changed), when the filtered list shows that nothing else moved; false
    /// (nothing changed) otherwise. Walks the rows' places, never the entries.
    bool followStep(const EntryList& source, const JournalStore::EntriesStep& step, const QList<qsizetype>& filtered);
    /// The rows that stay keep their order: one pass from the top, the rows before the pass taken from
    /// `rows`, the others still from the rows as they were.
    void sweepTo(QList<Row>& rows, const std::vector<int>& newRowOfOld, const std::vector<char>& stays);
    /// After the rows took their new entries: dataChanged for those that show something else than in
    /// `before` (all of them after `invalidate()`). `pinsChanged`: whether the pins differ from before.
    void announceChangedData(const QList<Row>& before, const QList<JournalEntry>& onThisDayBefore, bool sameSource,
                             bool pinsChanged, const std::vector<qsizetype>* oldToNew);

    JournalStore& m_store;
    /// The store's list as last applied, shared with it until either changes, and its version.
    EntryList m_source;
    quint64 m_sourceVersion = 0;
    QList<JournalEntry> m_onThisDay;
    /// The store's filtered list and pins the rows were made from.
    QList<qsizetype> m_filtered;
    QSet<QUuid> m_pinnedIDs;
    QList<Row> m_rows;
    /// The rows before the last refresh, kept for their buffer.
    QList<Row> m_spareRows;
    /// During a sweep the model lists m_rows up to m_sweepAt, then m_sweepOld from m_sweepFrom on.
    bool m_sweeping = false;
    int m_sweepAt = 0;
    int m_sweepFrom = 0;
    QList<Row> m_sweepOld;
    /// The On This Day entries as last asked of the store, for the list and the day they were worked out
    /// for (the list is held so that its address stands for it).
    struct OnThisDayMemo {
        EntryList source;
        QDate day;
        QList<JournalEntry> entries;
    };
    std::optional<OnThisDayMemo> m_onThisDayMemo;
    int m_entryCount = 0;
    bool m_showOnThisDay = false;
    bool m_onThisDayExpanded = true;
    bool m_pending = false;
    /// The filter of the last refresh: a navigation that leaves it alone (the calendar) keeps the rows.
    std::optional<ListFilter> m_shownFilter;
    bool m_shownNewestFirst = true;
    /// Every row repaints at the next refresh.
    bool m_allDataChanged = false;
};
