#include "Views/Main/EntryListModel.h"

#include "Model/JournalStore.h"

#include <QTimer>

namespace {

/// The identity of a row: what it is and which entry it shows.
struct RowKey {
    EntryListModel::RowKind kind;
    QUuid id;
    bool pinned;
    bool operator==(const RowKey&) const = default;
};

} // namespace

EntryListModel::EntryListModel(JournalStore& store, QObject* parent) : QAbstractListModel(parent), m_store(store)
{
    for (auto signal : {&JournalStore::entriesChanged, &JournalStore::selectedSectionChanged,
                        &JournalStore::selectedTagChanged, &JournalStore::moodFilterChanged,
                        &JournalStore::searchQueryChanged, &JournalStore::sortNewestFirstChanged,
                        &JournalStore::pinnedIDsChanged}) {
        connect(&store, signal, this, &EntryListModel::scheduleRefresh);
    }
    m_pending = true;
    refresh();
}

void EntryListModel::scheduleRefresh()
{
    if (m_pending) {
        return;
    }
    m_pending = true;
    // One store operation announces several properties; the rows are worked out once for all of them.
    QMetaObject::invokeMethod(this, &EntryListModel::refresh, Qt::QueuedConnection);
}

void EntryListModel::refresh()
{
    if (!m_pending) {
        return;
    }
    m_pending = false;

    QList<JournalEntry> entries = m_store.filteredEntries();
    // The block shows only on Today without tag or search: skip the walk over the journal otherwise (it
    // would cost every search keystroke).
    const bool onThisDayPossible =
        m_store.selectedSection() == NavSection::Today && !m_store.selectedTag() && m_store.searchQuery().isEmpty();
    QList<JournalEntry> onThisDay = onThisDayPossible ? m_store.onThisDayEntries() : QList<JournalEntry>();
    const bool showOnThisDay = onThisDayPossible && !onThisDay.isEmpty();

    const QSet<QUuid> pinnedIDs = m_store.pinnedIDs();
    QList<Row> rows;
    rows.reserve(entries.size() + 3);
    QList<int> others;
    others.reserve(entries.size());
    QList<int> pinned;
    for (int i = 0; i < entries.size(); ++i) {
        if (!pinnedIDs.isEmpty() && pinnedIDs.contains(entries[i].id)) {
            pinned.append(i);
        } else {
            others.append(i);
        }
    }
    if (!pinned.isEmpty()) {
        rows.append({RowKind::Caption, -1, true});
        for (const int i : pinned) {
            rows.append({RowKind::Entry, i, true});
        }
    }
    if (!others.isEmpty()) {
        if (!pinned.isEmpty()) {
            rows.append({RowKind::Caption, -1, false});
        }
        for (const int i : others) {
            rows.append({RowKind::Entry, i, false});
        }
    }
    if (showOnThisDay) {
        rows.append({RowKind::OnThisDay, -1, false});
    }

    const auto keyOf = [](const QList<Row>& list, const QList<JournalEntry>& source, int r) {
        const Row& row = list[r];
        return RowKey{row.kind, row.index >= 0 ? source[row.index].id : QUuid(), row.pinned};
    };
    bool sameRows = rows.size() == m_rows.size();
    for (int r = 0; sameRows && r < rows.size(); ++r) {
        sameRows = keyOf(rows, entries, r) == keyOf(m_rows, m_entries, r);
    }

    const bool onThisDayReturns = showOnThisDay && !m_showOnThisDay;
    if (sameRows) {
        m_entries = std::move(entries);
        m_onThisDay = std::move(onThisDay);
        if (!m_rows.isEmpty()) {
            Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1));
        }
    } else {
        beginResetModel();
        m_entries = std::move(entries);
        m_onThisDay = std::move(onThisDay);
        m_rows = std::move(rows);
        m_showOnThisDay = showOnThisDay;
        endResetModel();
    }
    m_showOnThisDay = showOnThisDay;
    if (onThisDayReturns && !m_onThisDayExpanded) {
        m_onThisDayExpanded = true;
        Q_EMIT onThisDayExpandedChanged();
    }
    Q_EMIT refreshed();
}

void EntryListModel::setOnThisDayExpanded(bool expanded)
{
    if (m_onThisDayExpanded == expanded) {
        return;
    }
    m_onThisDayExpanded = expanded;
    Q_EMIT onThisDayExpandedChanged();
    for (int r = 0; r < m_rows.size(); ++r) {
        if (m_rows[r].kind == RowKind::OnThisDay) {
            Q_EMIT dataChanged(index(r), index(r), {Qt::SizeHintRole});
        }
    }
}

int EntryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

EntryListModel::RowKind EntryListModel::kind(int row) const
{
    return m_rows.at(row).kind;
}

const JournalEntry* EntryListModel::entryAt(int row) const
{
    if (row < 0 || row >= m_rows.size() || m_rows[row].index < 0) {
        return nullptr;
    }
    return &m_entries[m_rows[row].index];
}

bool EntryListModel::isPinnedRow(int row) const
{
    return row >= 0 && row < m_rows.size() && m_rows[row].pinned;
}

QString EntryListModel::caption(int row) const
{
    if (row < 0 || row >= m_rows.size() || m_rows[row].kind != RowKind::Caption) {
        return {};
    }
    return m_rows[row].pinned ? QStringLiteral("PINNED") : QStringLiteral("ENTRIES");
}

int EntryListModel::rowOf(const QUuid& id) const
{
    for (int r = 0; r < m_rows.size(); ++r) {
        if (m_rows[r].index >= 0 && m_entries[m_rows[r].index].id == id) {
            return r;
        }
    }
    return -1;
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    const int r = index.row();
    const Row& row = m_rows[r];
    switch (role) {
    case Qt::DisplayRole:
        if (row.kind == RowKind::Caption) {
            return caption(r);
        }
        if (row.kind == RowKind::OnThisDay) {
            return QStringLiteral("ON THIS DAY");
        }
        return m_entries[row.index].title;
    case KindRole:
        return int(row.kind);
    case EntryIdRole:
        return row.index >= 0 ? QVariant::fromValue(m_entries[row.index].id) : QVariant();
    case PinnedRole:
        return row.pinned;
    case CaptionRole:
        return caption(r);
    default:
        return {};
    }
}

QHash<int, QByteArray> EntryListModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(KindRole, "kind");
    names.insert(EntryIdRole, "entryId");
    names.insert(PinnedRole, "pinned");
    names.insert(CaptionRole, "caption");
    return names;
}
