// The trash: restore, permanent deletion, emptying and the 30-day purge at launch.

#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Model/JournalStoreWriter.h"
#include "Model/Uuid.h"

#include <QDir>

#include <algorithm>

namespace {
constexpr int kTrashDays = 30;
}

bool JournalStore::isIdInUse(const QUuid& id) const
{
    return indexOf(id) >= 0
           || std::any_of(m_trashedEntries.cbegin(), m_trashedEntries.cend(),
                          [&](const TrashedEntry& r) { return r.entry.id == id; });
}

void JournalStore::removeFoldersIfUnused(const QUuid& id)
{
    // An id can be live and trashed at once (an import can bring it back): its files then still belong
    // to an entry and must stay.
    if (isIdInUse(id)) {
        return;
    }
    deleteAllImages(id);
    deleteAllAudio(id);
}

void JournalStore::showRestored(const JournalEntry& entry)
{
    navigate([&] {
        m_selectedSection = entry.isArchived ? NavSection::Archive : NavSection::Journal;
        m_selectedTag.reset();
        m_moodFilter.reset();
        m_selectedEntryID = entry.id;
    });
}

void JournalStore::restoreFromTrash(const TrashedEntry& item)
{
    // A record is its id and its deletion date: the same entry may be in the trash twice.
    const auto record = std::find_if(m_trashedEntries.cbegin(), m_trashedEntries.cend(),
                                     [&](const TrashedEntry& r) { return vsp::trashKey(r) == vsp::trashKey(item); });
    if (record == m_trashedEntries.cend()) {
        return;
    }
    const JournalEntry entry = record->entry;
    if (const JournalEntry* live = this->entry(entry.id)) {
        // Restoring would replace a live entry that may hold newer work: keep both and show the live one.
        showRestored(*live);
        return;
    }
    // Until entries.json holds the entry, trash.json keeps its record; the save() below carries it.
    m_restoredUnsaved.append({*record, m_entriesGeneration + 1});
    m_trashedEntries.erase(record);
    Q_EMIT trashedEntriesChanged();
    m_entries.append(entry);
    countUses(entry, 1);
    followStreak(entry.date, 1);
    sortEntries(m_sortNewestFirst);
    Q_EMIT entriesChanged();
    scheduleReminder(entry);
    showRestored(entry);
    save();
    saveTrash();
}

void JournalStore::deletePermanently(const TrashedEntry& item)
{
    const qsizetype removed =
        m_trashedEntries.removeIf([&](const TrashedEntry& r) { return vsp::trashKey(r) == vsp::trashKey(item); });
    if (removed == 0) {
        return;
    }
    Q_EMIT trashedEntriesChanged();
    removeFoldersIfUnused(item.id());
    saveTrash();
}

void JournalStore::emptyTrash()
{
    const QList<TrashedEntry> removed = std::exchange(m_trashedEntries, {});
    Q_EMIT trashedEntriesChanged();
    for (const TrashedEntry& r : removed) {
        removeFoldersIfUnused(r.entry.id);
    }
    saveTrash();
}

void JournalStore::purgeExpiredTrash()
{
    const double cutoff = vsp::addDays(now(), -kTrashDays);
    QList<QUuid> expired;
    for (const TrashedEntry& r : m_trashedEntries) {
        if (r.deletedAt < cutoff) {
            expired.append(r.entry.id);
        }
    }
    if (expired.isEmpty()) {
        return;
    }
    m_trashedEntries.removeIf([&](const TrashedEntry& r) { return r.deletedAt < cutoff; });
    Q_EMIT trashedEntriesChanged();
    for (const QUuid& id : expired) {
        removeFoldersIfUnused(id);
    }
    saveTrash();
}

void JournalStore::deleteAllImages(const QUuid& id)
{
    QDir(imagesBasePath() + u'/' + vsp::uuidText(id)).removeRecursively();
}

void JournalStore::deleteAllAudio(const QUuid& id)
{
    QDir(audioBasePath() + u'/' + vsp::uuidText(id)).removeRecursively();
}

int JournalStore::daysUntilPurge(const TrashedEntry& item) const
{
    const double due = vsp::addDays(item.deletedAt, kTrashDays);
    const qint64 days = today().daysTo(vsp::localDate(due));
    return days < 0 ? 0 : int(days);
}
