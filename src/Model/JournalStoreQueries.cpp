// The read-only queries of the store: the filtered list, On This Day, tags, statistics and calendar.
// Each is worked out afresh from the entries on every call, except that a search remembers its matches
// so the next keystroke can narrow them.

#include "Model/Dates.h"
#include "Model/JournalStore.h"

#include <QMetaObject>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <vector>

struct JournalStore::SearchState {
    /// Search forms folded on other threads for a copy of the entries, by position in that copy (null
    /// where a thread was cancelled first).
    struct Prepared {
        QList<JournalEntry> entries;
        std::vector<std::shared_ptr<const EntrySearchText>> texts;
    };
    /// The matches of one query, as positions in `entries` in journal order.
    struct Result {
        QByteArray foldedQuery;
        bool inArchive = false;
        QList<qsizetype> matches;
    };
    /// Results kept: typing a word and taking it back finds each shorter query's matches here.
    static constexpr int kKeptResults = 16;

    /// The entries the results index into (a shared copy: any change of the store's list leaves it
    /// behind, so a mismatch of the two tells that the results are stale).
    QList<JournalEntry> entries;
    /// The latest last.
    QList<Result> results;

    /// The folding threads; they check `cancelled` between entries and are waited for on destruction.
    std::shared_future<void> preparing;
    std::shared_ptr<Prepared> prepared;
    std::shared_ptr<std::atomic_bool> cancelled = std::make_shared<std::atomic_bool>(false);

    /// Gives `entries` the forms the threads folded; waits for them when they are still at work (they
    /// are part-way through: folding here as well would only do their work twice).
    void adoptPrepared(const QList<JournalEntry>& entries);
    void forgetResults()
    {
        entries = {};
        results.clear();
    }

    ~SearchState()
    {
        cancelled->store(true);
        if (preparing.valid()) {
            preparing.wait();
        }
    }
};

namespace {

bool containsFolded(const QByteArray& haystack, const QByteArray& needle)
{
    if (needle.isEmpty()) {
        return true;
    }
    return memmem(haystack.constData(), size_t(haystack.size()), needle.constData(), size_t(needle.size())) != nullptr;
}

bool matchesSearch(const JournalEntry& e, const QByteArray& foldedQuery)
{
    const EntrySearchText& text = e.searchText();
    if (containsFolded(text.title, foldedQuery) || containsFolded(text.body, foldedQuery)) {
        return true;
    }
    return std::any_of(text.tags.cbegin(), text.tags.cend(),
                       [&](const QByteArray& tag) { return containsFolded(tag, foldedQuery); });
}

/// Orders positions in `entries` by date, keeping the journal's order among equal dates.
void sortByDate(QList<qsizetype>& indices, const QList<JournalEntry>& entries, bool newestFirst)
{
    const JournalEntry* e = entries.constData();
    const auto newer = [e](qsizetype a, qsizetype b) { return e[a].date > e[b].date; };
    const auto older = [e](qsizetype a, qsizetype b) { return e[a].date < e[b].date; };
    // The journal is usually stored in date order already: skip the moves when nothing is out of place.
    if (newestFirst) {
        if (!std::is_sorted(indices.cbegin(), indices.cend(), newer)) {
            std::stable_sort(indices.begin(), indices.end(), newer);
        }
    } else if (!std::is_sorted(indices.cbegin(), indices.cend(), older)) {
        std::stable_sort(indices.begin(), indices.end(), older);
    }
}

QList<JournalEntry> entriesAt(const QList<JournalEntry>& entries, const QList<qsizetype>& indices)
{
    QList<JournalEntry> result;
    result.reserve(indices.size());
    for (const qsizetype i : indices) {
        result.append(entries[i]);
    }
    return result;
}

} // namespace

QList<qsizetype> JournalStore::filteredEntryIndices() const
{
    QList<qsizetype> result;
    const qsizetype count = m_entries.size();
    const JournalEntry* entries = m_entries.constData();
    if (!m_searchQuery.isEmpty()) {
        if (!m_search) {
            m_search = std::make_shared<SearchState>();
        }
        SearchState& search = *m_search;
        search.adoptPrepared(m_entries);
        const bool inArchive = m_selectedSection == NavSection::Archive;
        const QByteArray folded = foldForSearch(m_searchQuery);
        if (search.entries.constData() != entries || search.entries.size() != count) {
            search.forgetResults();
            search.entries = m_entries;
        }
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
            if (folded.contains(r.foldedQuery) && (!narrowest || r.matches.size() < narrowest->matches.size())) {
                narrowest = &r;
            }
        }
        if (exact) {
            result = exact->matches;
        } else {
            const auto test = [&](qsizetype i) {
                const JournalEntry& e = entries[i];
                if ((!e.isArchived || inArchive) && matchesSearch(e, folded)) {
                    result.append(i);
                }
            };
            if (narrowest) {
                result.reserve(narrowest->matches.size());
                for (const qsizetype i : std::as_const(narrowest->matches)) {
                    test(i);
                }
            } else {
                result.reserve(count);
                for (qsizetype i = 0; i < count; ++i) {
                    test(i);
                }
            }
            if (search.results.size() >= SearchState::kKeptResults) {
                search.results.removeFirst();
            }
            search.results.append({folded, inArchive, result});
        }
    } else {
        if (m_search && !m_search->results.isEmpty()) {
            // The remembered matches would keep an old list of entries alive.
            m_search->forgetResults();
        }
        result.reserve(m_selectedSection == NavSection::Journal ? count : 64);
        const vsp::DayRange day = vsp::dayRange(today());
        for (qsizetype i = 0; i < count; ++i) {
            const JournalEntry& e = entries[i];
            bool include = false;
            if (m_moodFilter) {
                include = !e.isArchived && e.mood == m_moodFilter;
            } else if (m_selectedTag) {
                include = !e.isArchived && e.tags.contains(*m_selectedTag);
            } else {
                switch (m_selectedSection) {
                case NavSection::Today: include = !e.isArchived && day.contains(e.date); break;
                case NavSection::Journal: include = !e.isArchived; break;
                case NavSection::Archive: include = e.isArchived; break;
                case NavSection::Favorites: include = !e.isArchived && e.isFavorite; break;
                }
            }
            if (include) {
                result.append(i);
            }
        }
    }
    sortByDate(result, m_entries, m_sortNewestFirst);
    return result;
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
    if (m_search->preparing.valid() || m_entries.isEmpty()) {
        return;
    }
    // The threads fold their own copy of the list (sharing the texts), each a slice of it; the first
    // search hands the folded forms to the entries, each taking its form only if its text is still the
    // one folded. Nothing comes back to this thread before then, so the app rests while they work.
    const QList<JournalEntry> snapshot = m_entries;
    const std::shared_ptr<std::atomic_bool> cancelled = m_search->cancelled;
    auto prepared = std::make_shared<SearchState::Prepared>();
    prepared->entries = snapshot;
    prepared->texts.resize(size_t(snapshot.size()));
    m_search->prepared = prepared;
    auto done = std::make_shared<std::promise<void>>();
    m_search->preparing = done->get_future().share();
    const qsizetype parts = std::clamp<qsizetype>(QThread::idealThreadCount() - 1, 1, 4);
    const qsizetype slice = (snapshot.size() + parts - 1) / parts;
    auto working = std::make_shared<std::atomic<qsizetype>>(parts);
    for (qsizetype part = 0; part < parts; ++part) {
        const qsizetype first = part * slice;
        const qsizetype last = std::min(snapshot.size(), first + slice);
        QThreadPool::globalInstance()->start([prepared, cancelled, done, working, first, last] {
            // Each thread writes its own slots of the vector: no two touch the same one. The entries
            // are only read (at(), never operator[]): the list shares its data with the store's, and a
            // detaching copy made by several threads at once frees it under the others.
            for (qsizetype i = first; i < last && !cancelled->load(); ++i) {
                prepared->texts[size_t(i)] = makeSearchText(prepared->entries.at(i));
            }
            if (working->fetch_sub(1) == 1) {
                done->set_value();
            }
        });
    }
}

void JournalStore::SearchState::adoptPrepared(const QList<JournalEntry>& entries)
{
    if (!prepared || !preparing.valid()) {
        return;
    }
    preparing.wait();
    const QList<JournalEntry>& snapshot = prepared->entries;
    const bool sameList = entries.constData() == snapshot.constData();
    QHash<QUuid, qsizetype> at;
    if (!sameList) {
        at.reserve(snapshot.size());
        for (qsizetype i = 0; i < snapshot.size(); ++i) {
            at.insert(snapshot[i].id, i);
        }
    }
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const qsizetype from = sameList ? i : at.value(entries[i].id, -1);
        if (from >= 0 && size_t(from) < prepared->texts.size() && prepared->texts[size_t(from)]) {
            entries[i].adoptSearchText(prepared->texts[size_t(from)]);
        }
    }
    // Taken once; what changes later folds when it is next searched.
    prepared.reset();
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

QList<TagCount> JournalStore::allTags() const
{
    QHash<QString, int> counts;
    for (const JournalEntry& e : m_entries) {
        if (e.isArchived) {
            continue;
        }
        for (const QString& tag : e.tags) {
            ++counts[tag];
        }
    }
    QList<std::pair<QByteArray, TagCount>> keyed;
    keyed.reserve(counts.size());
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        // UTF-8 byte order is code-point order.
        keyed.append({it.key().toUtf8(), TagCount{it.key(), it.value()}});
    }
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<TagCount> result;
    result.reserve(keyed.size());
    for (auto& [key, tag] : keyed) {
        result.append(std::move(tag));
    }
    return result;
}

int JournalStore::todayCount() const
{
    const vsp::DayRange day = vsp::dayRange(today());
    return int(std::count_if(m_entries.cbegin(), m_entries.cend(),
                             [&](const JournalEntry& e) { return !e.isArchived && day.contains(e.date); }));
}

int JournalStore::count(const QString& mood) const
{
    return int(std::count_if(m_entries.cbegin(), m_entries.cend(),
                             [&](const JournalEntry& e) { return !e.isArchived && e.mood == mood; }));
}

bool JournalStore::hasMoodEntries() const
{
    return std::any_of(m_entries.cbegin(), m_entries.cend(),
                       [](const JournalEntry& e) { return !e.isArchived && e.mood.has_value(); });
}

int JournalStore::currentStreak() const
{
    // Sorted dates let each day be tested with one binary search instead of converting every entry to a
    // calendar day.
    std::vector<double> dates;
    dates.reserve(size_t(m_entries.size()));
    for (const JournalEntry& e : m_entries) {
        dates.push_back(e.date);
    }
    std::sort(dates.begin(), dates.end());
    int streak = 0;
    QDate day = today();
    double end = vsp::startOfDay(day.addDays(1));
    while (day.isValid()) {
        const double start = vsp::startOfDay(day);
        const auto it = std::lower_bound(dates.cbegin(), dates.cend(), start);
        if (it == dates.cend() || *it >= end) {
            break;
        }
        ++streak;
        end = start;
        day = day.addDays(-1);
    }
    return streak;
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
    const vsp::DayRange day = vsp::dayRange(today());
    int total = 0;
    for (const JournalEntry& e : m_entries) {
        if (day.contains(e.date)) {
            total += e.wordCount();
        }
    }
    return total;
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
