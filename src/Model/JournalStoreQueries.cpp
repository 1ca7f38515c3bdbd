// The read-only queries of the store: the filtered list, On This Day, tags, statistics and calendar.
// Each is worked out afresh from the entries on every call.

#include "Model/Dates.h"
#include "Model/JournalStore.h"

#include <algorithm>
#include <cstring>

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

QList<JournalEntry> sortedByDate(QList<JournalEntry> list, bool newestFirst)
{
    const auto newer = [](const JournalEntry& a, const JournalEntry& b) { return a.date > b.date; };
    const auto older = [](const JournalEntry& a, const JournalEntry& b) { return a.date < b.date; };
    // The journal is usually stored in date order already: skip the moves when nothing is out of place.
    if (newestFirst) {
        if (!std::is_sorted(list.cbegin(), list.cend(), newer)) {
            std::stable_sort(list.begin(), list.end(), newer);
        }
    } else if (!std::is_sorted(list.cbegin(), list.cend(), older)) {
        std::stable_sort(list.begin(), list.end(), older);
    }
    return list;
}

vsp::DayRange today()
{
    return vsp::dayRange(QDate::currentDate());
}

} // namespace

QList<JournalEntry> JournalStore::filteredEntries() const
{
    QList<JournalEntry> result;
    if (!m_searchQuery.isEmpty()) {
        const bool inArchive = m_selectedSection == NavSection::Archive;
        const QByteArray folded = foldForSearch(m_searchQuery);
        for (const JournalEntry& e : m_entries) {
            if ((!e.isArchived || inArchive) && matchesSearch(e, folded)) {
                result.append(e);
            }
        }
    } else if (m_moodFilter) {
        for (const JournalEntry& e : m_entries) {
            if (!e.isArchived && e.mood == m_moodFilter) {
                result.append(e);
            }
        }
    } else if (m_selectedTag) {
        for (const JournalEntry& e : m_entries) {
            if (!e.isArchived && e.tags.contains(*m_selectedTag)) {
                result.append(e);
            }
        }
    } else {
        const vsp::DayRange day = today();
        for (const JournalEntry& e : m_entries) {
            bool include = false;
            switch (m_selectedSection) {
            case NavSection::Today: include = !e.isArchived && day.contains(e.date); break;
            case NavSection::Journal: include = !e.isArchived; break;
            case NavSection::Archive: include = e.isArchived; break;
            case NavSection::Favorites: include = !e.isArchived && e.isFavorite; break;
            }
            if (include) {
                result.append(e);
            }
        }
    }
    return sortedByDate(std::move(result), m_sortNewestFirst);
}

QList<JournalEntry> JournalStore::onThisDayEntries() const
{
    const QDate now = QDate::currentDate();
    QList<JournalEntry> result;
    for (const JournalEntry& e : m_entries) {
        if (e.isArchived) {
            continue;
        }
        const QDate d = vsp::localDate(e.date);
        if (d.year() < now.year() && d.month() == now.month() && d.day() == now.day()) {
            result.append(e);
        }
    }
    return sortedByDate(std::move(result), true);
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
    const vsp::DayRange day = today();
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
    QDate day = QDate::currentDate();
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
    const vsp::DayRange day = today();
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
    return sortedByDate(std::move(result), false);
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
