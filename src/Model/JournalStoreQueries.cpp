// The read-only queries of the store: the filtered list, On This Day, tags, statistics and calendar.
// Each is worked out afresh from the entries on every call, except that a search remembers its matches
// so the next keystroke can narrow them, and the uses of tags and moods, today's counts and the streak
// are counted once and then kept up to date by every change.

#include "Model/Dates.h"
#include "Model/JournalSearchIndex.h"
#include "Model/JournalStore.h"

#include <QMetaObject>
#include <QThread>
#include <QThreadPool>
#include <QVarLengthArray>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <limits>
#include <vector>

struct JournalStore::SearchState {
    /// The matches of one query, as positions in the index's list in journal order.
    struct Result {
        QByteArray foldedQuery;
        bool inArchive = false;
        vsp::JournalSearchIndex::Matches matches;
    };
    /// Results kept: typing a word and taking it back finds each shorter query's matches here.
    static constexpr int kKeptResults = 16;

    /// The folded text of the entries, once made (on another thread by `preparing`, or by the first
    /// search that needs it).
    std::unique_ptr<vsp::JournalSearchIndex> index;
    std::future<std::unique_ptr<vsp::JournalSearchIndex>> preparing;
    std::shared_ptr<std::atomic_bool> cancelled = std::make_shared<std::atomic_bool>(false);
    /// The latest last; they refer to the index's list as it stood when they were found.
    QList<Result> results;

    /// The index brought in step with `entries`: taken from the folding thread (waiting for it; it is
    /// part-way through, folding here as well would only do its work twice) or made now. Results of
    /// another list are dropped.
    vsp::JournalSearchIndex& indexFor(const EntryList& entries)
    {
        if (preparing.valid()) {
            index = preparing.get();
        }
        if (!index) {
            index = std::make_unique<vsp::JournalSearchIndex>(entries, searchThreads());
            results.clear();
            return *index;
        }
        const void* before = index->entries().constData();
        index->follow(entries);
        if (index->entries().constData() != before) {
            results.clear();
        }
        return *index;
    }

    /// Brings a finished index in step with `entries` without waiting for one being made: the next
    /// search then starts at once, and the index holds no old list of entries.
    void keepInStep(const EntryList& entries)
    {
        if (preparing.valid() && preparing.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            return;
        }
        if (index || preparing.valid()) {
            indexFor(entries);
        }
    }

    // Most keystrokes match so many entries that handing out slices costs less than one thread walking
    // them all; a core is left to the GUI thread's own painting and the rest of the desktop.
    static int searchThreads() { return std::clamp(QThread::idealThreadCount() - 1, 1, 8); }

    ~SearchState()
    {
        cancelled->store(true);
        if (preparing.valid()) {
            preparing.wait();
        }
    }
};

namespace {

/// Orders positions by the dates `dateOf` gives them, keeping the journal's order among equal dates.
template <typename DateOf>
void sortByDate(QList<qsizetype>& indices, DateOf dateOf, bool newestFirst)
{
    const auto newer = [&dateOf](qsizetype a, qsizetype b) { return dateOf(a) > dateOf(b); };
    const auto older = [&dateOf](qsizetype a, qsizetype b) { return dateOf(a) < dateOf(b); };
    // The journal is usually stored in date order already: skip the moves when nothing is out of place.
    if (newestFirst) {
        if (!std::is_sorted(indices.cbegin(), indices.cend(), newer)) {
            std::stable_sort(indices.begin(), indices.end(), newer);
        }
    } else if (!std::is_sorted(indices.cbegin(), indices.cend(), older)) {
        std::stable_sort(indices.begin(), indices.end(), older);
    }
}

void sortByDate(QList<qsizetype>& indices, const EntryList& entries, bool newestFirst)
{
    sortByDate(
        indices, [&entries](qsizetype i) { return entries[i].date; }, newestFirst);
}

QList<JournalEntry> entriesAt(const EntryList& entries, const QList<qsizetype>& indices)
{
    QList<JournalEntry> result;
    result.reserve(indices.size());
    for (const qsizetype i : indices) {
        result.append(entries[i]);
    }
    return result;
}

/// `positions` without place `p`, and every later place one lower: one pass, and when the list is
/// shared (the list's rows hold the same positions) one copy rather than a copy and then the passes.
QList<qsizetype> removedAndRenumbered(QList<qsizetype> positions, qsizetype p)
{
    const auto renumber = [p](qsizetype at) { return at - (at > p ? 1 : 0); };
    if (positions.isDetached()) {
        qsizetype* out = positions.data();
        for (const qsizetype at : std::as_const(positions)) {
            if (at != p) {
                *out++ = renumber(at);
            }
        }
        positions.resize(out - positions.constData());
        return positions;
    }
    QList<qsizetype> result;
    result.reserve(positions.size());
    for (const qsizetype at : std::as_const(positions)) {
        if (at != p) {
            result.append(renumber(at));
        }
    }
    return result;
}

} // namespace

QList<qsizetype> JournalStore::filteredEntryIndices() const
{
    QList<qsizetype> result;
    const qsizetype count = m_entries.size();
    const EntryList& entries = m_entries;
    if (!m_searchQuery.isEmpty()) {
        if (!m_search) {
            m_search = std::make_shared<SearchState>();
        }
        SearchState& search = *m_search;
        const vsp::JournalSearchIndex& index = search.indexFor(m_entries);
        const bool inArchive = m_selectedSection == NavSection::Archive;
        const QByteArray folded = foldForSearch(m_searchQuery);
        // The same query again (a word taken back) is answered from before; every entry that holds a
        // longer query holds the shorter one, so a growing query only looks through the fewest matches
        // of a query it contains.
        const SearchState::Result* exact = nullptr;
        const SearchState::Result* narrowest = nullptr;
        for (const SearchState::Result& r : std::as_const(search.results)) {
            if (r.inArchive != inArchive) {
                continue;
            }
            if (r.foldedQuery == folded) {
                exact = &r;
                break;
            }
            if (folded.contains(r.foldedQuery)
                && (!narrowest || r.matches.positions.size() < narrowest->matches.positions.size())) {
                narrowest = &r;
            }
        }
        if (exact) {
            result = exact->matches.positions;
        } else {
            // Typing on: each entry is looked at from where the shorter query was found in it.
            vsp::JournalSearchIndex::Matches found =
                index.matches(folded, inArchive, narrowest ? &narrowest->matches : nullptr,
                              narrowest ? folded.indexOf(narrowest->foldedQuery) : 0, SearchState::searchThreads());
            result = found.positions;
            if (search.results.size() >= SearchState::kKeptResults) {
                search.results.removeFirst();
            }
            search.results.append({folded, inArchive, std::move(found)});
        }
        // The index's dates lie side by side; the entries' own are a cache line apart each.
        sortByDate(
            result, [&index](qsizetype i) { return index.dateAt(i); }, m_sortNewestFirst);
        return result;
    } else {
        if (m_search) {
            m_search->keepInStep(m_entries);
        }
        const QDate currentDay = today();
        if (m_filterMemo && m_filterMemo->section == m_selectedSection && m_filterMemo->tag == m_selectedTag
            && m_filterMemo->mood == m_moodFilter && m_filterMemo->newestFirst == m_sortNewestFirst
            && m_filterMemo->day == currentDay) {
            if (m_filterMemo->version == m_entriesVersion) {
                return m_filterMemo->positions;
            }
            if (const auto steps = entriesStepsSince(m_filterMemo->version)) {
                followSteps(*m_filterMemo, *steps);
                return m_filterMemo->positions;
            }
        }
        result.reserve(m_selectedSection == NavSection::Journal ? count : 64);
        const vsp::DayRange day = vsp::dayRange(currentDay);
        for (qsizetype i = 0; i < count; ++i) {
            if (isListed(entries[i], day)) {
                result.append(i);
            }
        }
        sortByDate(result, m_entries, m_sortNewestFirst);
        m_filterMemo = FilterMemo{m_entriesVersion,  m_selectedSection, m_selectedTag, m_moodFilter,
                                  m_sortNewestFirst, currentDay,        result};
        return result;
    }
}

bool JournalStore::isListed(const JournalEntry& e, const vsp::DayRange& today) const
{
    if (m_moodFilter) {
        return !e.isArchived && e.mood == m_moodFilter;
    }
    if (m_selectedTag) {
        return !e.isArchived && e.tags.contains(*m_selectedTag);
    }
    switch (m_selectedSection) {
    case NavSection::Today: return !e.isArchived && today.contains(e.date);
    case NavSection::Journal: return !e.isArchived;
    case NavSection::Archive: return e.isArchived;
    case NavSection::Favorites: return !e.isArchived && e.isFavorite;
    }
    return false;
}

void JournalStore::followSteps(FilterMemo& memo, const QList<EntriesStep>& steps) const
{
    // Places are renumbered as entries come and go; the entries a step touched are taken out and, where
    // the filter still lists them, put back where their date places them. Every other entry keeps its
    // date and so its order: nothing is sorted again.
    QList<qsizetype>& positions = memo.positions;
    QVarLengthArray<qsizetype, 16> touched;
    for (const EntriesStep& step : steps) {
        const qsizetype p = step.position;
        switch (step.kind) {
        case EntriesStep::Kind::Changed: touched.append(p); break;
        case EntriesStep::Kind::Inserted:
            for (qsizetype& at : positions) {
                at += at >= p ? 1 : 0;
            }
            for (qsizetype& at : touched) {
                at += at >= p ? 1 : 0;
            }
            touched.append(p);
            break;
        case EntriesStep::Kind::Removed: {
            const auto gone = [p](qsizetype at) { return at == p; };
            positions = removedAndRenumbered(std::move(positions), p);
            touched.erase(std::remove_if(touched.begin(), touched.end(), gone), touched.end());
            for (qsizetype& at : touched) {
                at -= at > p ? 1 : 0;
            }
            break;
        }
        }
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    if (!touched.isEmpty()) {
        positions.removeIf([&](qsizetype at) { return std::binary_search(touched.cbegin(), touched.cend(), at); });
    }
    // The order the filter gives: by date, and among equal dates in the journal's order.
    const bool newestFirst = memo.newestFirst;
    const auto before = [&](qsizetype a, qsizetype b) {
        const double da = m_entries[a].date;
        const double db = m_entries[b].date;
        return da != db ? (newestFirst ? da > db : da < db) : a < b;
    };
    const vsp::DayRange day = vsp::dayRange(memo.day);
    for (const qsizetype at : std::as_const(touched)) {
        if (isListed(m_entries[at], day)) {
            positions.insert(std::lower_bound(positions.cbegin(), positions.cend(), at, before) - positions.cbegin(),
                             at);
        }
    }
    memo.version = m_entriesVersion;
}

QList<JournalEntry> JournalStore::filteredEntries() const
{
    return entriesAt(m_entries, filteredEntryIndices());
}

void JournalStore::prepareSearch()
{
    if (!m_search) {
        m_search = std::make_shared<SearchState>();
    }
    if (m_search->preparing.valid() || m_search->index || m_entries.isEmpty()) {
        return;
    }
    // The folding works on a copy of the list (sharing the texts); the first search takes the index and
    // brings it in step with whatever changed meanwhile. Nothing comes back to this thread before then,
    // so the app rests while the threads work.
    auto promise = std::make_shared<std::promise<std::unique_ptr<vsp::JournalSearchIndex>>>();
    m_search->preparing = promise->get_future();
    QThreadPool::globalInstance()->start([promise, snapshot = m_entries, cancelled = m_search->cancelled] {
        promise->set_value(
            std::make_unique<vsp::JournalSearchIndex>(snapshot, SearchState::searchThreads(), cancelled.get()));
    });
}

QList<JournalEntry> JournalStore::onThisDayEntries() const
{
    // Each earlier year's instance of today's date is one range of moments: testing dates against
    // those ranges avoids turning every entry's date into a calendar day.
    const QDate now = today();
    double earliest = 0;
    bool any = false;
    for (const JournalEntry& e : m_entries) {
        if (!e.isArchived && (!any || e.date < earliest)) {
            earliest = e.date;
            any = true;
        }
    }
    QList<vsp::DayRange> days;
    const int firstYear = any ? vsp::localDate(earliest).year() : now.year();
    if (any && now.year() - firstYear > 1000) {
        // A date centuries away (a damaged or imported one): compare calendar days instead.
        QList<JournalEntry> result;
        for (const JournalEntry& e : m_entries) {
            const QDate d = vsp::localDate(e.date);
            if (!e.isArchived && d.year() < now.year() && d.month() == now.month() && d.day() == now.day()) {
                result.append(e);
            }
        }
        std::stable_sort(result.begin(), result.end(),
                         [](const JournalEntry& a, const JournalEntry& b) { return a.date > b.date; });
        return result;
    }
    if (any) {
        for (int year = now.year() - 1; year >= firstYear; --year) {
            const QDate day(year, now.month(), now.day());
            if (day.isValid()) {
                days.append(vsp::dayRange(day));
            }
        }
    }
    QList<qsizetype> result;
    for (qsizetype i = 0; i < m_entries.size() && !days.isEmpty(); ++i) {
        const JournalEntry& e = m_entries[i];
        if (!e.isArchived
            && std::any_of(days.cbegin(), days.cend(), [&](const vsp::DayRange& d) { return d.contains(e.date); })) {
            result.append(i);
        }
    }
    sortByDate(result, m_entries, true);
    return entriesAt(m_entries, result);
}

std::optional<JournalEntry> JournalStore::selectedEntry() const
{
    if (!m_selectedEntryID) {
        return std::nullopt;
    }
    if (const JournalEntry* e = entry(*m_selectedEntryID)) {
        return *e;
    }
    return std::nullopt;
}

const JournalStore::UseCounts& JournalStore::useCounts() const
{
    if (!m_useCounts) {
        UseCounts counts;
        for (const JournalEntry& e : m_entries) {
            if (e.isArchived) {
                continue;
            }
            for (const QString& tag : e.tags) {
                ++counts.tags[tag];
            }
            if (e.mood) {
                ++counts.moods[*e.mood];
            }
        }
        m_useCounts = std::move(counts);
    }
    return *m_useCounts;
}

void JournalStore::countUses(const JournalEntry& entry, int sign)
{
    if (m_todayCount && vsp::dayRange(m_todayCount->day).contains(entry.date)) {
        m_todayCount->count += entry.isArchived ? 0 : sign;
        m_todayCount->words += sign * entry.wordCount();
    }
    if (!m_useCounts || entry.isArchived) {
        return;
    }
    // A use that drops to nothing leaves the table: the sidebar lists every tag and mood it holds.
    const auto adjust = [sign](QHash<QString, int>& table, const QString& key) {
        const auto it = table.find(key);
        if (it == table.end()) {
            Q_ASSERT(sign > 0);
            table.insert(key, sign);
        } else if ((*it += sign) <= 0) {
            table.erase(it);
        }
    };
    for (const QString& tag : entry.tags) {
        adjust(m_useCounts->tags, tag);
    }
    if (!entry.tags.isEmpty()) {
        m_useCounts->sortedTags.reset();
    }
    if (entry.mood) {
        adjust(m_useCounts->moods, *entry.mood);
    }
}

QList<TagCount> JournalStore::allTags() const
{
    const UseCounts& counts = useCounts();
    if (counts.sortedTags) {
        return *counts.sortedTags;
    }
    QList<std::pair<QByteArray, TagCount>> keyed;
    keyed.reserve(counts.tags.size());
    for (auto it = counts.tags.cbegin(); it != counts.tags.cend(); ++it) {
        // UTF-8 byte order is code-point order.
        keyed.append({it.key().toUtf8(), TagCount{it.key(), it.value()}});
    }
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<TagCount> result;
    result.reserve(keyed.size());
    for (auto& [key, tag] : keyed) {
        result.append(std::move(tag));
    }
    m_useCounts->sortedTags = result;
    return result;
}

std::optional<QList<JournalStore::EntriesStep>> JournalStore::entriesStepsSince(quint64 version) const
{
    if (version < m_stepsFrom || version > m_entriesVersion) {
        return std::nullopt;
    }
    return m_steps.mid(qsizetype(version - m_stepsFrom));
}

const JournalStore::DayCount& JournalStore::todayCounts() const
{
    // Counted once a day; every change adjusts the counts for the entries it touches (countUses).
    const QDate now = today();
    if (!m_todayCount || m_todayCount->day != now) {
        const vsp::DayRange day = vsp::dayRange(now);
        DayCount counts{now};
        for (const JournalEntry& e : m_entries) {
            if (day.contains(e.date)) {
                counts.count += e.isArchived ? 0 : 1;
                counts.words += e.wordCount();
            }
        }
        m_todayCount = counts;
    }
    return *m_todayCount;
}

int JournalStore::todayCount() const
{
    return todayCounts().count;
}

int JournalStore::count(const QString& mood) const
{
    return useCounts().moods.value(mood);
}

bool JournalStore::hasMoodEntries() const
{
    return !useCounts().moods.isEmpty();
}

int JournalStore::currentStreak() const
{
    const QDate currentDay = today();
    if (m_streakMemo && m_streakMemo->day == currentDay) {
        return m_streakMemo->streak;
    }
    // Sorted dates let each day be tested with one binary search instead of converting every entry to a
    // calendar day. Only the recent days are sorted: the window grows only while the streak fills it.
    std::vector<double> dates;
    std::vector<int> perDay;
    int streak = 0;
    double start = 0;
    for (qint64 window = 64;; window *= 8) {
        const QDate first = currentDay.addDays(-window);
        const double from = first.isValid() ? vsp::startOfDay(first) : -std::numeric_limits<double>::infinity();
        dates.clear();
        bool older = false;
        for (const JournalEntry& e : m_entries) {
            if (e.date >= from) {
                dates.push_back(e.date);
            } else {
                older = true;
            }
        }
        std::sort(dates.begin(), dates.end());
        streak = 0;
        perDay.clear();
        QDate day = currentDay;
        double end = vsp::startOfDay(day.addDays(1));
        start = end;
        while (day.isValid() && day >= first) {
            start = vsp::startOfDay(day);
            const auto it = std::lower_bound(dates.cbegin(), dates.cend(), start);
            if (it == dates.cend() || *it >= end) {
                break;
            }
            ++streak;
            perDay.push_back(int(std::lower_bound(it, dates.cend(), end) - it));
            end = start;
            day = day.addDays(-1);
        }
        if (day.isValid()) {
            start = vsp::startOfDay(day);
        }
        // A streak that reaches the window's first day may go on before it.
        if (!older || !day.isValid() || day >= first) {
            break;
        }
    }
    m_streakMemo = StreakMemo{currentDay, streak, start, std::move(perDay)};
    return streak;
}

void JournalStore::followStreak(double date, int sign)
{
    if (!m_streakMemo || date < m_streakMemo->horizon) {
        return;
    }
    StreakMemo& memo = *m_streakMemo;
    const QDate day = vsp::localDate(date);
    const qint64 back = day.daysTo(memo.day);
    if (back < 0 || back > memo.streak) {
        // A later day than the memo's, or one before the day that ended the streak.
        return;
    }
    if (back == memo.streak) {
        // The day that ended the streak: an entry there may join it to the days before.
        if (sign > 0) {
            m_streakMemo.reset();
        }
        return;
    }
    int& count = memo.perDay[size_t(back)];
    count += sign;
    if (count <= 0) {
        memo.streak = int(back);
        memo.perDay.resize(size_t(back));
        memo.horizon = vsp::startOfDay(day);
    }
}

int JournalStore::totalWordCount() const
{
    int total = 0;
    for (const JournalEntry& e : m_entries) {
        total += e.wordCount();
    }
    return total;
}

int JournalStore::todayWordCount() const
{
    return todayCounts().words;
}

QList<JournalEntry> JournalStore::entriesOn(double date) const
{
    const vsp::DayRange day = vsp::dayRange(vsp::localDate(date));
    QList<JournalEntry> result;
    for (const JournalEntry& e : m_entries) {
        if (!e.isArchived && day.contains(e.date)) {
            result.append(e);
        }
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const JournalEntry& a, const JournalEntry& b) { return a.date < b.date; });
    return result;
}

QMap<QDate, int> JournalStore::entryDayCounts(double date) const
{
    const QDate inMonth = vsp::localDate(date);
    const QDate first(inMonth.year(), inMonth.month(), 1);
    const double start = vsp::startOfDay(first);
    const double end = vsp::startOfDay(first.addMonths(1));
    QMap<QDate, int> counts;
    for (const JournalEntry& e : m_entries) {
        if (!e.isArchived && e.date >= start && e.date < end) {
            ++counts[vsp::localDate(e.date)];
        }
    }
    return counts;
}
