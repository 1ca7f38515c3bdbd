#pragma once

#include "Model/JournalEntry.h"

#include <QAbstractListModel>
#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

#include <algorithm>

class JournalStore;

/// The rows of the entry list, worked out from the store: the "PINNED" caption and the pinned entries,
/// the "ENTRIES" caption (only when pinned entries are shown) and the other entries, then the On This Day
/// block. Every row is painted by EntryListDelegate.
///
/// It follows the store by itself: changes of the entries, the navigation state, the sort order and the
/// pins are gathered and applied once on the next turn of the event loop (or at once by `refresh()`).
/// When the rows stay the same entries in the same order only their data is announced as changed, so
/// the view keeps its place; otherwise the model is reset. Main thread only.
class EntryListModel final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EntryListModel)

public:
    enum class RowKind { Caption, Entry, OnThisDay };

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

    /// What a refresh that replaces the rows changes, by identity.
    struct RowChange {
        /// Rows that leave the list and rows that join it (both empty when the change is large).
        QSet<RowKey> removed;
        QSet<RowKey> inserted;
        /// More rows come and go than the change limit: the rows are simply replaced.
        bool large = false;
    };

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

    /// How many rows may come and go in one refresh for the change to be worked out and announced by
    /// `rowsAboutToChange` (default 0: never; it is also skipped while animations are off). Above it
    /// the change is announced as large, without its rows.
    void setChangeLimit(int limit) { m_changeLimit = std::max(0, limit); }

    /// The store's filtered list and, while the block can show, its On This Day entries, as last applied.
    const QList<JournalEntry>& entries() const { return m_entries; }
    const QList<JournalEntry>& onThisDayEntries() const { return m_onThisDay; }
    /// Whether the On This Day block is part of the rows.
    bool showsOnThisDay() const { return m_showOnThisDay; }
    /// True when the list has nothing to show: no filtered entries and no On This Day block. (On This Day
    /// entries that the block does not show, during a search for instance, leave the list empty.)
    bool isEmpty() const { return m_entries.isEmpty() && !m_showOnThisDay; }

    /// Whether the On This Day block lists its entries. It starts expanded and starts expanded again
    /// whenever the block leaves the list and comes back.
    bool onThisDayExpanded() const { return m_onThisDayExpanded; }
    void setOnThisDayExpanded(bool expanded);

    /// Works the rows out again on the next turn of the event loop (the day changed, for example).
    void invalidate() { scheduleRefresh(); }
    /// Applies pending store changes now.
    void refresh();
    /// Whether store changes wait to be applied.
    bool isRefreshPending() const { return m_pending; }

Q_SIGNALS:
    /// Just before the rows are replaced by others, while the old rows can still be read: which rows
    /// leave and which join. Only emitted with a change limit set and animations on.
    void rowsAboutToChange(const EntryListModel::RowChange& change);
    /// After every refresh that changed the rows or their data.
    void refreshed();
    void onThisDayExpandedChanged();

private:
    struct Row {
        RowKind kind;
        int index; // into m_entries for entries; -1 otherwise
        bool pinned;
    };

    void scheduleRefresh();
    static RowKey keyOf(const Row& row, const QList<JournalEntry>& entries);
    RowChange changeTo(const QList<Row>& rows, const QList<JournalEntry>& entries) const;

    JournalStore& m_store;
    QList<JournalEntry> m_entries;
    QList<JournalEntry> m_onThisDay;
    QList<Row> m_rows;
    bool m_showOnThisDay = false;
    bool m_onThisDayExpanded = true;
    bool m_pending = false;
    int m_changeLimit = 0;
};
