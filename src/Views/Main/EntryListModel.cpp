#include "Views/Main/EntryListModel.h"

#include "Theme/Spring.h"
#include "Model/JournalStore.h"

#include <QTimer>

namespace {

/// What a row looks like at a glance: what it is, which entry it shows and in which group.
struct RowLook {
    EntryListModel::RowKind kind;
    QUuid id;
    bool pinned;
    bool operator==(const RowLook&) const = default;
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

    const auto lookOf = [](const QList<Row>& list, const QList<JournalEntry>& source, int r) {
        const Row& row = list[r];
        return RowLook{row.kind, row.index >= 0 ? source[row.index].id : QUuid(), row.pinned};
    };
    bool sameRows = rows.size() == m_rows.size();
    for (int r = 0; sameRows && r < rows.size(); ++r) {
        sameRows = lookOf(rows, entries, r) == lookOf(m_rows, m_entries, r);
    }

    const bool onThisDayReturns = showOnThisDay && !m_showOnThisDay;
    if (sameRows) {
        m_entries = std::move(entries);
        m_onThisDay = std::move(onThisDay);
        if (!m_rows.isEmpty()) {
            Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1));
        }
    } else {
        if (m_changeLimit > 0 && vsp::animationsEnabled()) {
            Q_EMIT rowsAboutToChange(changeTo(rows, entries));
        }
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

EntryListModel::RowKey EntryListModel::keyOf(const Row& row, const QList<JournalEntry>& entries)
{
    switch (row.kind) {
    case RowKind::Entry:
        return {RowKind::Entry, entries[row.index].id, false};
    case RowKind::Caption:
        return {RowKind::Caption, QUuid(), row.pinned};
    case RowKind::OnThisDay:
        break;
    }
    return {RowKind::OnThisDay, QUuid(), false};
}

EntryListModel::RowChange EntryListModel::changeTo(const QList<Row>& rows, const QList<JournalEntry>& entries) const
{
    RowChange change;
    // A search that narrows a long list changes thousands of rows: tell that from the counts alone,
    // before hashing anything, so the keystroke stays cheap.
    if (std::abs(rows.size() - m_rows.size()) > m_changeLimit) {
        change.large = true;
        return change;
    }
    QSet<RowKey> before;
    before.reserve(m_rows.size());
    for (const Row& row : m_rows) {
        before.insert(keyOf(row, m_entries));
    }
    QSet<RowKey> after;
    after.reserve(rows.size());
    for (const Row& row : rows) {
        const RowKey key = keyOf(row, entries);
        after.insert(key);
        if (!before.contains(key)) {
            change.inserted.insert(key);
        }
    }
    for (const RowKey& key : std::as_const(before)) {
        if (!after.contains(key)) {
            change.removed.insert(key);
        }
    }
    if (change.inserted.size() + change.removed.size() > m_changeLimit) {
        return RowChange{{}, {}, true};
    }
    return change;
}

EntryListModel::RowKey EntryListModel::keyAt(int row) const
{
    if (row < 0 || row >= m_rows.size()) {
        return {};
    }
    return keyOf(m_rows[row], m_entries);
}

int EntryListModel::rowOf(const RowKey& key) const
{
    if (key.kind == RowKind::Entry) {
        return rowOf(key.id);
    }
    for (int r = 0; r < m_rows.size(); ++r) {
        if (m_rows[r].kind == key.kind && (key.kind != RowKind::Caption || m_rows[r].pinned == key.pinnedCaption)) {
            return r;
        }
    }
    return -1;
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
