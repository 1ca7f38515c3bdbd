// The read-only queries of the store: the filtered list, On This Day, tags, statistics and calendar.
// Each is worked out afresh from the entries on every call, except that a search remembers its matches
// so the next keystroke can narrow them.

#include "Model/Dates.h"
#include "Model/JournalStore.h"

#include <QMetaObject>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <vector>

struct JournalStore::SearchState {
    /// Search forms folded on another thread for a copy of the entries, by position in that copy.
    struct Prepared {
        QList<JournalEntry> entries;
        std::vector<std::shared_ptr<const EntrySearchText>> texts;
    };

    /// The entries the matches index into (a shared copy: any change of the store's list leaves it
    /// behind, so a mismatch of the two tells that the matches are stale).
    QList<JournalEntry> entries;
    QByteArray foldedQuery;
    bool inArchive = false;
    /// Positions of the matching entries in `entries`, in journal order.
    QList<qsizetype> matches;
    bool hasMatches = false;

    /// The folding thread; it checks `cancelled` between entries and is waited for on destruction.
    std::future<void> preparing;
    std::shared_ptr<Prepared> prepared;
    std::shared_ptr<std::atomic_bool> cancelled = std::make_shared<std::atomic_bool>(false);

    /// Gives `entries` the forms the thread folded, once it has finished.
    void adoptPrepared(const QList<JournalEntry>& entries);

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
        SearchState& last = *m_search;
        last.adoptPrepared(m_entries);
        const bool inArchive = m_selectedSection == NavSection::Archive;
        const QByteArray folded = foldForSearch(m_searchQuery);
        // Every entry that holds the longer query holds the shorter one: a growing query only has to
        // look through the last matches.
        const bool narrows = last.hasMatches && last.inArchive == inArchive && last.entries.constData() == entries
                             && last.entries.size() == count && folded.contains(last.foldedQuery);
        const auto test = [&](qsizetype i) {
            const JournalEntry& e = entries[i];
            if ((!e.isArchived || inArchive) && matchesSearch(e, folded)) {
                result.append(i);
            }
        };
        if (narrows) {
            result.reserve(last.matches.size());
            for (const qsizetype i : std::as_const(last.matches)) {
                test(i);
            }
        } else {
            result.reserve(count);
            for (qsizetype i = 0; i < count; ++i) {
                test(i);
            }
        }
        last.entries = m_entries;
        last.foldedQuery = folded;
        last.inArchive = inArchive;
        last.matches = result;
        last.hasMatches = true;
    } else {
        if (m_search && m_search->hasMatches) {
            // The remembered matches would keep an old list of entries alive.
            m_search->entries = {};
            m_search->matches = {};
            m_search->hasMatches = false;
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
    // The thread folds its own copy of the list (sharing the texts); the first search hands the folded
    // forms to the entries, each taking its form only if its text is still the one folded. Nothing
    // comes back to this thread before then, so the app rests while the thread works.
    const QList<JournalEntry> snapshot = m_entries;
    const std::shared_ptr<std::atomic_bool> cancelled = m_search->cancelled;
    auto prepared = std::make_shared<SearchState::Prepared>();
    m_search->prepared = prepared;
    auto done = std::make_shared<std::promise<void>>();
    m_search->preparing = done->get_future();
    QThreadPool::globalInstance()->start([snapshot, cancelled, prepared, done] {
        prepared->entries = snapshot;
        prepared->texts.reserve(size_t(snapshot.size()));
        for (const JournalEntry& e : snapshot) {
            if (cancelled->load()) {
                break;
            }
            prepared->texts.push_back(makeSearchText(e));
        }
        done->set_value();
    });
}

void JournalStore::SearchState::adoptPrepared(const QList<JournalEntry>& entries)
{
    if (!prepared || !preparing.valid() || preparing.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        return; // not yet: entries fold on first use meanwhile
    }
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
        if (from >= 0 && size_t(from) < prepared->texts.size()) {
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
