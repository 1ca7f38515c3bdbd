#include "Views/Main/EntryListModel.h"

#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Theme/Spring.h"

#include <QTimer>
#include <QVarLengthArray>

#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>

namespace {

/// The last place of the run that starts at `first` (which `in` holds for) and goes on while `in`
/// holds, below `count`.
template <typename In>
int runEnd(int first, int count, const In& in)
{
    int last = first;
    while (last + 1 < count && in(last + 1)) {
        ++last;
    }
    return last;
}

/// Where the entries of one list of rows sit in another, by entry. Rows of one shared list of entries
/// are told apart by their place in it, which needs no hashing (a search keystroke); so are the rows of
/// a list and of the list the store's steps made of it (a favourite, an archive, an added or deleted
/// entry), through where each place went. Otherwise by id.
class EntryPlaces {
public:
    /// `oldToNew`: the place in `source` of each place in the list the old rows point into; null when
    /// old and new rows point into `source` alike.
    EntryPlaces(const EntryList& source, bool byPosition, const std::vector<qsizetype>* oldToNew = nullptr)
        : m_byPosition(byPosition || oldToNew),
          m_oldToNew(oldToNew)
    {
        if (m_byPosition) {
            m_at.assign(size_t(source.size()), -1);
        }
    }
    template <typename Row>
    void add(const Row& entryRow, int row, bool oldRow)
    {
        if (!m_byPosition) {
            m_byId.insert(entryRow.entry->id, row);
        } else if (const qsizetype i = place(entryRow, oldRow); i >= 0 && size_t(i) < m_at.size()) {
            m_at[size_t(i)] = row;
        }
    }
    /// The row of the entry, or -1.
    template <typename Row>
    int rowOf(const Row& entryRow, bool oldRow) const
    {
        if (m_byPosition) {
            const qsizetype i = place(entryRow, oldRow);
            return i >= 0 && size_t(i) < m_at.size() ? m_at[size_t(i)] : -1;
        }
        return m_byId.value(entryRow.entry->id, -1);
    }

private:
    template <typename Row>
    qsizetype place(const Row& entryRow, bool oldRow) const
    {
        const qsizetype i = entryRow.position;
        if (!oldRow || !m_oldToNew) {
            return i;
        }
        return i >= 0 && size_t(i) < m_oldToNew->size() ? (*m_oldToNew)[size_t(i)] : -1;
    }

    bool m_byPosition;
    const std::vector<qsizetype>* m_oldToNew;
    std::vector<int> m_at;
    QHash<QUuid, int> m_byId;
};

/// Where each place of a list of `count` entries went through `steps`: its place after them, or -1 for
/// an entry they removed.
std::vector<qsizetype> placesAfter(qsizetype count, const QList<JournalStore::EntriesStep>& steps)
{
    std::vector<qsizetype> places(static_cast<size_t>(count));
    std::iota(places.begin(), places.end(), qsizetype(0));
    for (const JournalStore::EntriesStep& step : steps) {
        const qsizetype p = step.position;
        switch (step.kind) {
        case JournalStore::EntriesStep::Kind::Changed: break;
        case JournalStore::EntriesStep::Kind::Inserted:
            for (qsizetype& place : places) {
                place += place >= p ? 1 : 0;
            }
            break;
        case JournalStore::EntriesStep::Kind::Removed:
            for (qsizetype& place : places) {
                place = place == p ? -1 : place > p ? place - 1 : place;
            }
            break;
        }
    }
    return places;
}

/// Which of `sequence` form one longest increasing run (not necessarily adjacent): those rows keep
/// their places while the others move around them.
std::vector<bool> longestIncreasing(const std::vector<int>& sequence)
{
    const size_t n = sequence.size();
    std::vector<bool> kept(n, false);
    if (std::is_sorted(sequence.cbegin(), sequence.cend())) {
        kept.assign(n, true);
        return kept;
    }
    std::vector<size_t> tails; // index into sequence of the smallest tail of each length
    std::vector<long> previous(n, -1);
    for (size_t i = 0; i < n; ++i) {
        const auto at = std::lower_bound(tails.begin(), tails.end(), sequence[i],
                                         [&](size_t t, int value) { return sequence[t] < value; });
        if (at != tails.begin()) {
            previous[i] = long(*(at - 1));
        }
        if (at == tails.end()) {
            tails.push_back(i);
        } else {
            *at = i;
        }
    }
    for (long i = tails.empty() ? -1 : long(tails.back()); i >= 0; i = previous[size_t(i)]) {
        kept[size_t(i)] = true;
    }
    return kept;
}

} // namespace

EntryListModel::EntryListModel(JournalStore& store, QObject* parent) : QAbstractListModel(parent), m_store(store)
{
    for (auto signal :
         {&JournalStore::entriesChanged, &JournalStore::sortNewestFirstChanged, &JournalStore::pinnedIDsChanged}) {
        connect(&store, signal, this, &EntryListModel::scheduleRefresh);
    }
    connect(&store, &JournalStore::navigationChanged, this, [this] {
        if (currentFilter() != m_shownFilter) {
            scheduleRefresh();
        }
    });
    m_pending = true;
    refresh();
}

EntryListModel::ListFilter EntryListModel::currentFilter() const
{
    return {m_store.selectedSection(), m_store.selectedTag(), m_store.moodFilter(), m_store.searchQuery()};
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

void EntryListModel::invalidate()
{
    m_allDataChanged = true;
    m_onThisDayMemo.reset();
    scheduleRefresh();
}

void EntryListModel::refresh()
{
    if (!m_pending) {
        return;
    }
    m_pending = false;
    const bool filterKept = m_shownFilter == currentFilter() && m_shownNewestFirst == m_store.sortNewestFirst();
    m_shownFilter = currentFilter();
    m_shownNewestFirst = m_store.sortNewestFirst();

    // A copy of the store's list shares its entries: rows point into it and stay valid whatever the
    // store does next.
    const EntryList source = m_store.entries();
    const quint64 sourceVersion = m_store.entriesVersion();
    const QList<qsizetype> filtered = m_store.filteredEntryIndices();
    // The block shows only on Today without tag or search: skip the walk over the journal otherwise (it
    // would cost every search keystroke).
    const bool onThisDayPossible =
        m_store.selectedSection() == NavSection::Today && !m_store.selectedTag() && m_store.searchQuery().isEmpty();
    // Going back to the whole list after a search asks for the block again: its entries are known while
    // the journal and the day stay the same.
    if (m_onThisDayMemo && m_onThisDayMemo->source.constData() != source.constData()) {
        if (onThisDayUntouched(source)) {
            m_onThisDayMemo->source = source;
        } else {
            m_onThisDayMemo.reset();
        }
    }
    QList<JournalEntry> onThisDay;
    if (onThisDayPossible) {
        const QDate day = m_store.today();
        if (!m_onThisDayMemo || m_onThisDayMemo->source.size() != source.size() || m_onThisDayMemo->day != day) {
            m_onThisDayMemo = OnThisDayMemo{source, day, m_store.onThisDayEntries()};
        }
        onThisDay = m_onThisDayMemo->entries;
    }
    const bool showOnThisDay = onThisDayPossible && !onThisDay.isEmpty();

    const QSet<QUuid> pinnedIDs = m_store.pinnedIDs();
    const quint64 sourceVersionBefore = std::exchange(m_sourceVersion, sourceVersion);
    // A keystroke that keeps the same matches (typing on through a common word) changes nothing: skip
    // the walk over every row.
    const bool sameFiltered =
        filtered.size() == m_filtered.size() && std::equal(filtered.cbegin(), filtered.cend(), m_filtered.cbegin());
    if (!m_allDataChanged && source.constData() == m_source.constData() && sameFiltered && pinnedIDs == m_pinnedIDs
        && showOnThisDay == m_showOnThisDay && onThisDay == m_onThisDay) {
        return;
    }
    const bool pinsChanged = pinnedIDs != m_pinnedIDs;
    // One entry changed, came or went with nothing else: its row alone is announced and moved.
    if (!m_allDataChanged && filterKept && !pinsChanged && showOnThisDay == m_showOnThisDay && onThisDay == m_onThisDay
        && source.constData() != m_source.constData()) {
        const auto steps = m_store.entriesStepsSince(sourceVersionBefore);
        if (steps && steps->size() == 1 && followStep(source, steps->constFirst(), filtered)) {
            Q_EMIT refreshed();
            return;
        }
    }
    m_filtered = filtered;
    m_pinnedIDs = pinnedIDs;
    const EntryList& entries = source;
    // The rows are made in the buffer of the rows before last: at 50,000 rows a fresh one would be
    // faulted in page by page on every keystroke.
    QList<Row> rows = std::exchange(m_spareRows, {});
    rows.clear();
    rows.reserve(filtered.size() + 3);
    QList<qsizetype> pinned;
    if (!pinnedIDs.isEmpty()) {
        for (const qsizetype i : filtered) {
            if (pinnedIDs.contains(entries[i].id)) {
                pinned.append(i);
            }
        }
    }
    if (!pinned.isEmpty()) {
        rows.append({RowKind::Caption, nullptr, true});
        for (const qsizetype i : std::as_const(pinned)) {
            rows.append({RowKind::Entry, &entries[i], true, i});
        }
        if (pinned.size() < filtered.size()) {
            rows.append({RowKind::Caption, nullptr, false});
        }
    }
    for (const qsizetype i : filtered) {
        if (pinned.isEmpty() || !pinnedIDs.contains(entries[i].id)) {
            rows.append({RowKind::Entry, &entries[i], false, i});
        }
    }
    if (showOnThisDay) {
        rows.append({RowKind::OnThisDay, nullptr, false});
    }

    // The rows as they were, and the list they point into, stay alive until every signal is out.
    const EntryList sourceBefore = m_source;
    QList<Row> rowsBefore = m_rows;
    const QList<JournalEntry> onThisDayBefore = m_onThisDay;
    m_source = source;
    // A block that leaves is pictured while its removal is announced, to fade out: it shows what it
    // showed until then, and is emptied below.
    if (showOnThisDay) {
        m_onThisDay = std::move(onThisDay);
    }
    m_entryCount = int(filtered.size());
    const bool onThisDayReturns = showOnThisDay && !m_showOnThisDay;
    m_showOnThisDay = showOnThisDay;

    const bool sameSource = sourceBefore.constData() == m_source.constData();
    // The store's steps since the last refresh say where each entry went: no entry is looked up by id.
    std::optional<std::vector<qsizetype>> oldToNew;
    if (!sameSource) {
        if (const auto steps = m_store.entriesStepsSince(sourceVersionBefore)) {
            oldToNew = placesAfter(sourceBefore.size(), *steps);
        }
    }
    const std::vector<qsizetype>* places = oldToNew ? &*oldToNew : nullptr;
    if (moveTo(rows, sameSource, places)) {
        announceChangedData(rowsBefore, onThisDayBefore, sameSource, pinsChanged, places);
    } else {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    if (!showOnThisDay) {
        m_onThisDay.clear();
    }
    m_allDataChanged = false;
    m_spareRows = std::move(rowsBefore);
    if (onThisDayReturns && !m_onThisDayExpanded) {
        m_onThisDayExpanded = true;
        Q_EMIT onThisDayExpandedChanged();
    }
    Q_EMIT refreshed();
}

bool EntryListModel::onThisDayUntouched(const EntryList& source) const
{
    using Kind = JournalStore::EntriesStep::Kind;
    const OnThisDayMemo& memo = *m_onThisDayMemo;
    if (memo.source.constData() != m_source.constData()) {
        return false;
    }
    const auto steps = m_store.entriesStepsSince(m_sourceVersion);
    if (!steps || steps->size() != 1) {
        return false;
    }
    // The block lists the entries of this month and day in earlier years: an entry dated on no such day,
    // before and after the step, leaves it as it is.
    const auto onThisDay = [&memo](const JournalEntry& e) {
        const QDate d = vsp::localDate(e.date);
        return d.month() == memo.day.month() && d.day() == memo.day.day() && d.year() < memo.day.year();
    };
    const JournalStore::EntriesStep& step = steps->constFirst();
    const qsizetype p = step.position;
    if (step.kind != Kind::Inserted && (p >= m_source.size() || onThisDay(m_source[p]))) {
        return false;
    }
    return step.kind == Kind::Removed || (p < source.size() && !onThisDay(source[p]));
}

bool EntryListModel::followStep(const EntryList& source, const JournalStore::EntriesStep& step,
                                const QList<qsizetype>& filtered)
{
    using Kind = JournalStore::EntriesStep::Kind;
    const qsizetype p = step.position;
    // Where an entry row's place goes through the step; -1 when its entry was removed.
    const auto placeAfter = [&](qsizetype at) -> qsizetype {
        switch (step.kind) {
        case Kind::Changed: break;
        case Kind::Inserted: return at >= p ? at + 1 : at;
        case Kind::Removed: return at == p ? -1 : at > p ? at - 1 : at;
        }
        return at;
    };
    if (m_sweeping || (step.kind != Kind::Removed && (p < 0 || p >= source.size()))) {
        return false;
    }
    // The rows of the main group (below the pinned group and its captions) are the filtered entries
    // that are not pinned, in the filtered order. The pinned group must stay as it is. Read only: a
    // write would copy the rows when they are shared.
    const QList<Row>& rows = m_rows;
    const int count = int(rows.size());
    int mainStart = 0;
    while (mainStart < count && (rows[mainStart].kind == RowKind::Caption || rows[mainStart].pinned)) {
        ++mainStart;
    }
    int mainEnd = count;
    if (mainEnd > mainStart && rows[mainEnd - 1].kind == RowKind::OnThisDay) {
        --mainEnd;
    }
    QVarLengthArray<qsizetype, 16> pinnedPlaces;
    for (int r = 0; r < mainStart; ++r) {
        if (rows[r].entry) {
            const qsizetype at = placeAfter(rows[r].position);
            if (at < 0 || (step.kind != Kind::Removed && at == p)) {
                return false;
            }
            pinnedPlaces.append(at);
        }
    }
    std::sort(pinnedPlaces.begin(), pinnedPlaces.end());
    const bool touchedPinned = step.kind != Kind::Removed && m_pinnedIDs.contains(source[p].id);
    if (touchedPinned || (mainStart > 0 && mainStart == mainEnd)) {
        // The pinned group or its captions change: the general way.
        return false;
    }
    // The row of the entry the step touched (or -1), and where the entry's row goes among the others.
    int oldRow = -1;
    for (int r = mainStart; r < mainEnd && oldRow < 0 && step.kind != Kind::Inserted; ++r) {
        if (rows[r].position == p) {
            oldRow = r;
        }
    }
    const qsizetype touched = step.kind == Kind::Removed ? -1 : p;
    // The filtered entries of the main group must be the rows that stay, with the touched entry where
    // the filter puts it: walked side by side, without reading an entry.
    int newRow = -1;
    {
        int r = mainStart;
        int listed = 0;
        for (const qsizetype at : filtered) {
            if (std::binary_search(pinnedPlaces.cbegin(), pinnedPlaces.cend(), at)) {
                continue;
            }
            if (at == touched) {
                newRow = mainStart + listed;
                ++listed;
                continue;
            }
            while (r < mainEnd && (r == oldRow || placeAfter(rows[r].position) < 0)) {
                ++r;
            }
            if (r >= mainEnd || placeAfter(rows[r].position) != at) {
                return false;
            }
            ++r;
            ++listed;
        }
        while (r < mainEnd && (r == oldRow || placeAfter(rows[r].position) < 0)) {
            ++r;
        }
        // With pinned entries, the "ENTRIES" caption shows only above other entries.
        if (r != mainEnd || (mainStart > 0 && listed == 0)) {
            return false;
        }
    }

    // Every row that stays points into the new list at its new place; the old list stays alive until
    // the signals are out.
    const EntryList before = std::exchange(m_source, source);
    m_sourceVersion = m_store.entriesVersion();
    m_filtered = filtered;
    m_entryCount = int(filtered.size());
    if (oldRow >= 0 && newRow < 0) {
        beginRemoveRows(QModelIndex(), oldRow, oldRow);
        // Renumbered and closed up in one pass (views may picture the leaving row until now).
        // (A changed entry the filter lets go of moves no place.)
        const qint32 shift = step.kind == Kind::Removed ? 1 : 0;
        Row* const rowsAt = m_rows.data();
        const qsizetype n = m_rows.size();
        for (qsizetype r = 0, out = 0; r < n; ++r) {
            if (r == oldRow) {
                continue;
            }
            Row row = rowsAt[r];
            if (row.entry && row.position > p) {
                row.position -= shift;
            }
            rowsAt[out++] = row;
        }
        m_rows.resize(n - 1);
        endRemoveRows();
        return true;
    }
    if (step.kind != Kind::Changed) {
        for (Row& row : m_rows) {
            if (row.entry) {
                row.position = qint32(placeAfter(row.position));
            }
        }
    }
    if (newRow < 0) {
        return true;
    }
    const Row fresh{RowKind::Entry, &m_source[p], false, p};
    if (oldRow < 0) {
        beginInsertRows(QModelIndex(), newRow, newRow);
        m_rows.insert(newRow, fresh);
        endInsertRows();
        return true;
    }
    if (newRow != oldRow) {
        // Qt names the place before which the row lands, counted before the move.
        beginMoveRows(QModelIndex(), oldRow, oldRow, QModelIndex(), newRow > oldRow ? newRow + 1 : newRow);
        m_rows.move(oldRow, newRow);
        endMoveRows();
    }
    const Row old = std::exchange(m_rows[newRow], fresh);
    if (old.entry != fresh.entry && *old.entry != *fresh.entry) {
        Q_EMIT dataChanged(index(newRow), index(newRow));
    }
    return true;
}

bool EntryListModel::moveTo(QList<Row>& rows, bool sameSource, const std::vector<qsizetype>* oldToNew)
{
    const int oldCount = int(m_rows.size());
    const int newCount = int(rows.size());
    // Where each present row goes (-1: it leaves) and which new rows were there before. Captions and
    // the block, at most three rows, are found by looking; entries through EntryPlaces.
    std::vector<int> newRowOfOld(size_t(oldCount), -1);
    std::vector<char> stays(size_t(newCount), 0);
    {
        EntryPlaces newPlaces(m_source, sameSource, oldToNew);
        QVarLengthArray<int, 4> others;
        for (int j = 0; j < newCount; ++j) {
            if (rows[j].entry) {
                newPlaces.add(rows[j], j, false);
            } else {
                others.append(j);
            }
        }
        for (int i = 0; i < oldCount; ++i) {
            // Read only: the rows are shared with the caller's copy of them, which writing would copy.
            const Row& row = std::as_const(m_rows)[i];
            int target = -1;
            if (row.entry) {
                target = newPlaces.rowOf(row, true);
            } else {
                for (const int j : std::as_const(others)) {
                    if (keyOf(rows[j]) == keyOf(row)) {
                        target = j;
                        break;
                    }
                }
            }
            newRowOfOld[size_t(i)] = target;
            if (target >= 0) {
                stays[size_t(target)] = 1;
            }
        }
    }

    // The plan: runs of rows removed and inserted, and rows moved. Too many steps and the model resets.
    int steps = 0;
    bool ordered = true;
    int lastTarget = -1;
    for (int i = 0; i < oldCount; ++i) {
        const int target = newRowOfOld[size_t(i)];
        if (target < 0) {
            steps += i == 0 || newRowOfOld[size_t(i) - 1] >= 0 ? 1 : 0;
        } else {
            ordered = ordered && target > lastTarget;
            lastTarget = target;
        }
    }
    for (int j = 0; j < newCount; ++j) {
        steps += !stays[size_t(j)] && (j == 0 || stays[size_t(j) - 1]) ? 1 : 0;
    }
    if (steps > kMaxChangeSteps) {
        return false;
    }
    if (ordered) {
        sweepTo(rows, newRowOfOld, stays);
        return true;
    }

    std::vector<int> targets; // new rows of the rows that stay, in their present order
    targets.reserve(size_t(oldCount));
    for (const int target : newRowOfOld) {
        if (target >= 0) {
            targets.push_back(target);
        }
    }
    const std::vector<bool> staying = longestIncreasing(targets);
    steps += int(std::count(staying.cbegin(), staying.cend(), false));
    if (steps > kMaxChangeSteps) {
        return false;
    }

    for (int last = oldCount - 1; last >= 0; --last) {
        if (newRowOfOld[size_t(last)] >= 0) {
            continue;
        }
        int first = last;
        while (first > 0 && newRowOfOld[size_t(first) - 1] < 0) {
            --first;
        }
        beginRemoveRows(QModelIndex(), first, last);
        m_rows.remove(first, last - first + 1);
        endRemoveRows();
        last = first;
    }
    // Each moving row goes right after the row that precedes it in the new order, taken in that order.
    std::vector<int> byTarget(targets.size());
    for (size_t k = 0; k < targets.size(); ++k) {
        byTarget[k] = int(k);
    }
    std::sort(byTarget.begin(), byTarget.end(), [&](int a, int b) { return targets[size_t(a)] < targets[size_t(b)]; });
    std::vector<int> targetAt(targets); // the target of each row as the rows stand now
    const auto find = [&](int target) {
        return int(std::find(targetAt.cbegin(), targetAt.cend(), target) - targetAt.cbegin());
    };
    for (size_t t = 0; t < byTarget.size(); ++t) {
        const int k = byTarget[t];
        if (staying[size_t(k)]) {
            continue;
        }
        const int from = find(targets[size_t(k)]);
        const int to = t == 0 ? 0 : find(targets[size_t(byTarget[t - 1])]) + 1;
        if (to == from || to == from + 1) {
            continue;
        }
        beginMoveRows(QModelIndex(), from, from, QModelIndex(), to);
        const int landing = from < to ? to - 1 : to;
        m_rows.move(from, landing);
        const int moved = targetAt[size_t(from)];
        targetAt.erase(targetAt.begin() + from);
        targetAt.insert(targetAt.begin() + landing, moved);
        endMoveRows();
    }
    for (int first = 0; first < newCount; ++first) {
        if (stays[size_t(first)]) {
            continue;
        }
        const int last = runEnd(first, newCount, [&](int j) { return !stays[size_t(j)]; });
        beginInsertRows(QModelIndex(), first, last);
        m_rows.insert(first, last - first + 1, Row{});
        std::copy(rows.cbegin() + first, rows.cbegin() + last + 1, m_rows.begin() + first);
        endInsertRows();
        first = last;
    }
    // Same rows in the same order: let every row point into the new list.
    m_rows = std::move(rows);
    return true;
}

void EntryListModel::sweepTo(QList<Row>& rows, const std::vector<int>& newRowOfOld, const std::vector<char>& stays)
{
    const int oldCount = int(m_rows.size());
    const int newCount = int(rows.size());
    // Rows above the pass are new rows, rows below it still the old ones: no signal moves a row in memory.
    m_sweepOld = std::exchange(m_rows, std::move(rows));
    m_sweepAt = 0;
    m_sweepFrom = 0;
    m_sweeping = true;
    int i = 0; // the next old row
    int j = 0; // the next new row, and the row of the pass in the model
    while (i < oldCount || j < newCount) {
        if (i < oldCount && newRowOfOld[size_t(i)] < 0) {
            const int last = runEnd(i, oldCount, [&](int k) { return newRowOfOld[size_t(k)] < 0; });
            beginRemoveRows(QModelIndex(), j, j + last - i);
            m_sweepFrom = last + 1;
            endRemoveRows();
            i = last + 1;
        } else if (j < newCount && !stays[size_t(j)]) {
            const int last = runEnd(j, newCount, [&](int k) { return !stays[size_t(k)]; });
            beginInsertRows(QModelIndex(), j, last);
            m_sweepAt = last + 1;
            endInsertRows();
            j = last + 1;
        } else {
            // Rows that stay: the new rows stand for them from here on (what they show is compared after).
            const int from = i;
            while (i < oldCount && j < newCount && newRowOfOld[size_t(i)] == j) {
                ++i;
                ++j;
            }
            if (i == from) {
                // The rows that stay were not in order after all: the views start over.
                beginResetModel();
                m_sweeping = false;
                m_sweepOld = {};
                endResetModel();
                return;
            }
            m_sweepAt = j;
            m_sweepFrom = i;
        }
    }
    m_sweeping = false;
    // Let go rather than clear(): the list is shared with the caller's copy, and clearing a shared list
    // allocates an empty one of the same capacity.
    m_sweepOld = {};
}

void EntryListModel::announceChangedData(const QList<Row>& before, const QList<JournalEntry>& onThisDayBefore,
                                         bool sameSource, bool pinsChanged, const std::vector<qsizetype>* oldToNew)
{
    if (m_rows.isEmpty()) {
        return;
    }
    if (m_allDataChanged) {
        Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1));
        return;
    }
    if (sameSource && !pinsChanged) {
        // The same entries at the same addresses with the same pins (a search keystroke): only the block,
        // always the last row, may show something else.
        const bool blockStayed = !before.isEmpty() && before.constLast().kind == RowKind::OnThisDay
                                 && m_rows.constLast().kind == RowKind::OnThisDay;
        if (blockStayed && m_onThisDay != onThisDayBefore) {
            const QModelIndex block = index(int(m_rows.size()) - 1);
            Q_EMIT dataChanged(block, block);
        }
        return;
    }
    // The rows before, by entry, to compare each row that stayed with what it showed.
    EntryPlaces places(m_source, sameSource, oldToNew);
    int special = -1;
    for (int i = 0; i < before.size(); ++i) {
        if (before[i].entry) {
            places.add(before[i], i, true);
        } else if (before[i].kind == RowKind::OnThisDay) {
            special = i;
        }
    }
    const auto changed = [&](int r) {
        const Row& row = std::as_const(m_rows)[r];
        if (row.kind == RowKind::OnThisDay) {
            return special >= 0 && m_onThisDay != onThisDayBefore;
        }
        if (!row.entry) {
            return false;
        }
        const int was = places.rowOf(row, false);
        if (was < 0) {
            return false; // inserted: already announced
        }
        const Row& old = before[was];
        return old.pinned != row.pinned || (old.entry != row.entry && *old.entry != *row.entry);
    };
    int first = -1;
    for (int r = 0; r <= m_rows.size(); ++r) {
        if (r < m_rows.size() && changed(r)) {
            if (first < 0) {
                first = r;
            }
            continue;
        }
        if (first >= 0) {
            Q_EMIT dataChanged(index(first), index(r - 1));
            first = -1;
        }
    }
}

EntryListModel::RowKey EntryListModel::keyOf(const Row& row)
{
    switch (row.kind) {
    case RowKind::Entry: return {RowKind::Entry, row.entry->id, false};
    case RowKind::Caption: return {RowKind::Caption, QUuid(), row.pinned};
    case RowKind::OnThisDay: break;
    }
    return {RowKind::OnThisDay, QUuid(), false};
}

EntryListModel::RowKey EntryListModel::keyAt(int row) const
{
    if (row < 0 || row >= count()) {
        return {};
    }
    return keyOf(rowAt(row));
}

int EntryListModel::rowOf(const RowKey& key) const
{
    if (key.kind == RowKind::Entry) {
        return rowOf(key.id);
    }
    for (int r = 0; r < count(); ++r) {
        if (rowAt(r).kind == key.kind && (key.kind != RowKind::Caption || rowAt(r).pinned == key.pinnedCaption)) {
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
    for (int r = 0; r < count(); ++r) {
        if (rowAt(r).kind == RowKind::OnThisDay) {
            Q_EMIT dataChanged(index(r), index(r), {Qt::SizeHintRole});
        }
    }
}

int EntryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

EntryListModel::RowKind EntryListModel::kind(int row) const
{
    Q_ASSERT(row >= 0 && row < count());
    return rowAt(row).kind;
}

const JournalEntry* EntryListModel::entryAt(int row) const
{
    if (row < 0 || row >= count()) {
        return nullptr;
    }
    return rowAt(row).entry;
}

bool EntryListModel::isPinnedRow(int row) const
{
    return row >= 0 && row < count() && rowAt(row).pinned;
}

QString EntryListModel::caption(int row) const
{
    if (row < 0 || row >= count() || rowAt(row).kind != RowKind::Caption) {
        return {};
    }
    return rowAt(row).pinned ? QStringLiteral("PINNED") : QStringLiteral("ENTRIES");
}

int EntryListModel::rowOf(const QUuid& id) const
{
    for (int r = 0; r < count(); ++r) {
        if (rowAt(r).entry && rowAt(r).entry->id == id) {
            return r;
        }
    }
    return -1;
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count()) {
        return {};
    }
    const int r = index.row();
    const Row& row = rowAt(r);
    switch (role) {
    case Qt::DisplayRole:
        if (row.kind == RowKind::Caption) {
            return caption(r);
        }
        if (row.kind == RowKind::OnThisDay) {
            return QStringLiteral("ON THIS DAY");
        }
        return row.entry->title;
    case KindRole: return int(row.kind);
    case EntryIdRole: return row.entry ? QVariant::fromValue(row.entry->id) : QVariant();
    case PinnedRole: return row.pinned;
    case CaptionRole: return caption(r);
    default: return {};
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
