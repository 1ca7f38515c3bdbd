#include "Model/JournalStore.h"

#include "Model/ClockTimer.h"
#include "Model/DamagedFiles.h"
#include "Model/Dates.h"
#include "Model/EntryCodec.h"
#include "Model/FileIO.h"
#include "Model/JournalStoreWriter.h"
#include "Model/Log.h"
#include "Model/ReminderScheduler.h"
#include "Model/Uuid.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

template <typename T, typename Signal>
void assign(JournalStore* store, T& member, const T& value, Signal signal)
{
    if (member == value) {
        return;
    }
    member = value;
    Q_EMIT(store->*signal)();
}

// A value JSON cannot hold is dropped before it reaches the store.
void dropNonFinite(OptionalNumber& value)
{
    if (value && !std::isfinite(*value)) {
        value.reset();
    }
}

// `fallbackDate` replaces a date JSON cannot hold: one such entry would fail every save of the journal.
JournalEntry sanitized(JournalEntry entry, double fallbackDate)
{
    if (!std::isfinite(entry.date)) {
        entry.date = fallbackDate;
    }
    dropNonFinite(entry.latitude);
    dropNonFinite(entry.longitude);
    dropNonFinite(entry.weatherTemp);
    dropNonFinite(entry.expirationDate);
    return entry;
}

} // namespace

// ---------------------------------------------------------------- construction and files

JournalStore::JournalStore(QObject* parent) : JournalStore(Clock{}, parent)
{ }

namespace {
JournalStore::Clock& defaultClock()
{
    static JournalStore::Clock clock;
    return clock;
}
} // namespace

void JournalStore::setDefaultClock(Clock clock)
{
    defaultClock() = std::move(clock);
}

JournalStore::JournalStore(Clock clock, QObject* parent)
    : QObject(parent),
      m_clock(clock ? std::move(clock) : defaultClock())
{
    m_calendarMonth = now();
    m_selectedDate = vsp::startOfDay(today());

    // The journal is private: its folder is its owner's alone.
    vsp::ensurePrivateFolder(storeFolder());
    // A copy of the app killed while saving leaves its half-written temporary file behind; the store
    // starts only once this process holds the journal, so none of them is still being written.
    vsp::removeStaleTemporaries(entriesPath());
    vsp::removeStaleTemporaries(trashPath());
    m_entries = load();
    loadTrash();
    QSet<vsp::TrashKey> trashOnDisk;
    for (const TrashedEntry& r : std::as_const(m_trashedEntries)) {
        trashOnDisk.insert(vsp::trashKey(r));
    }
    m_files = std::make_unique<vsp::JournalFileWriter>(std::move(trashOnDisk));
    if (!m_entries.isEmpty()) {
        m_selectedEntryID = m_entries.first().id;
    }
    m_sortNewestFirst = m_settings.sortOrder() == QLatin1String("newest");
    loadTagColors();
    loadPinned();
    purgeExpiredTrash();

    // The settings window sets the sort order too: follow it so the list and the stored value never
    // disagree.
    connect(&m_settings, &AppSettings::sortOrderChanged, this,
            [this] { setSortNewestFirst(m_settings.sortOrder() == QLatin1String("newest")); });
}

JournalStore::~JournalStore()
{
    // Whatever is still being written reaches the disk before the store goes, and so does a change
    // that waited for that write.
    if (m_writer && m_writeDeferred) {
        m_writer->waitUntilIdle(-1);
        requestWrite();
    }
    m_writer.reset();
}

void JournalStore::setBackgroundWriting(bool on)
{
    if (on == bool(m_writer)) {
        return;
    }
    if (on) {
        m_writer = std::make_unique<vsp::BackgroundJournalWriter>(*m_files, [this] {
            QMetaObject::invokeMethod(this, &JournalStore::takeWriteResults, Qt::QueuedConnection);
        });
        return;
    }
    waitForSaves();
    m_writer.reset();
}

bool JournalStore::waitForSaves(int timeoutMs)
{
    if (!m_writer) {
        return true;
    }
    QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(timeoutMs));
    for (;;) {
        const qint64 left = deadline.isForever() ? -1 : deadline.remainingTime();
        const bool idle = m_writer->waitUntilIdle(int(left));
        // Taking in a result may ask for one more write (see applyWriteResult()), whose result may ask
        // for another: done once taking them in asks for nothing.
        const quint64 handedOver = m_writesHandedOver;
        takeWriteResults();
        if (idle && m_writesHandedOver == handedOver && !m_writeDeferred) {
            return true;
        }
        if (!idle || deadline.hasExpired()) {
            return false;
        }
    }
}

void JournalStore::takeWriteResults()
{
    if (!m_writer) {
        return;
    }
    for (const vsp::JournalWriteResult& result : m_writer->takeResults()) {
        applyWriteResult(result);
    }
    if (m_writeDeferred) {
        requestWrite();
    }
}

double JournalStore::now() const
{
    return m_clock ? m_clock() : vsp::now();
}

QDate JournalStore::today() const
{
    return vsp::localDate(now());
}

QString JournalStore::storeFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) {
        base = QDir::homePath() + QStringLiteral("/.local/share");
    }
    const QString folder = base + QStringLiteral("/Vesperlog");
    vsp::ensureFolder(folder);
    return folder;
}

QString JournalStore::entriesPath()
{
    return storeFolder() + QStringLiteral("/entries.json");
}

QString JournalStore::trashPath()
{
    return storeFolder() + QStringLiteral("/trash.json");
}

std::optional<QString> JournalStore::preserveCopy(const QByteArray& bytes, const QString& prefix, QString* error)
{
    return vsp::keepDamagedCopy(storeFolder(), bytes, prefix, now(), error);
}

QString JournalStore::writeTarget(const QString& path, QString* block)
{
    if (!QFileInfo(path).isSymLink()) {
        return path;
    }
    // A journal kept elsewhere (a synced folder) through a link: the file it leads to is replaced and
    // the link stays. A link that leads nowhere, or to no regular file, is left alone.
    if (const QString refusal = vsp::writeRefusal(path); !refusal.isEmpty()) {
        *block = refusal + QStringLiteral("; it is left unchanged");
    }
    return vsp::resolveLinks(path);
}

EntryList JournalStore::load()
{
    const QString path = entriesPath();
    m_entriesTarget = writeTarget(path, &m_entriesSaveBlock);
    if (!m_entriesSaveBlock.isEmpty()) {
        m_loadedCleanly = false;
        vsp::logFailure(QStringLiteral("load"), m_entriesSaveBlock);
        return {};
    }
    {
        // Entry by entry: neither the whole file nor a tree of it is held while the entries are made.
        QFile file(path);
        // Only a regular file is opened here: a FIFO would block the open for ever.
        if (QFileInfo(path).isFile() && file.size() <= vsp::kMaxReadableFileBytes
            && file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            // Rich text stays in the file until it is shown or written again: at 10,000 entries that is
            // about a third of what the entries would hold.
            auto streamed = vsp::decodeEntries(file, vsp::DateEncoding::ReferenceSeconds, 64 << 10,
                                               vsp::StoredFile::duplicate(file.handle(), m_entriesTarget));
            if (streamed.ok()) {
                return std::move(*streamed.value);
            }
        }
    }
    // Whatever failed is read again whole, as the rest of this function always did: a missing or
    // unreadable file is told apart, the error names the failing key and a damaged journal is copied.
    vsp::FileRead read = vsp::readWholeFile(path);
    if (read.status == vsp::FileRead::Status::Missing) {
        return {};
    }
    if (read.status == vsp::FileRead::Status::Unreadable) {
        // The journal is there but out of reach: never write over it.
        m_loadedCleanly = false;
        m_entriesSaveBlock =
            QStringLiteral("entries.json could not be read at launch (%1); it is left unchanged").arg(read.error);
        vsp::logFailure(QStringLiteral("load"), QStringLiteral("entries.json could not be read — %1").arg(read.error));
        return {};
    }
    auto decoded = vsp::decodeEntries(read.bytes);
    if (decoded.ok()) {
        return std::move(*decoded.value);
    }
    m_loadedCleanly = false;
    QString copyError;
    if (const auto copy = preserveCopy(read.bytes, QStringLiteral("entries-corrupt-"), &copyError)) {
        vsp::logLine(QStringLiteral("entries.json could not be decoded \u2014 copy preserved at ") + *copy);
        m_damagedJournalCopy = *copy;
        // What a link leads to may be another program's file: only a journal is ever replaced.
        m_entriesSaveBlock = vsp::foreignLinkBlock(path, QStringLiteral("entries.json"), QStringLiteral("a journal"));
    } else {
        m_entriesSaveBlock = QStringLiteral("entries.json could not be decoded and no copy of it could be made; "
                                            "it is left unchanged");
        vsp::logLine(QStringLiteral("entries.json could not be decoded \u2014 no copy could be made (%1); "
                                    "the file is left unchanged")
                         .arg(copyError));
    }
    return {};
}

void JournalStore::loadTrash()
{
    const QString path = trashPath();
    m_trashTarget = writeTarget(path, &m_trashSaveBlock);
    if (!m_trashSaveBlock.isEmpty()) {
        vsp::logFailure(QStringLiteral("trash load"), m_trashSaveBlock);
        return;
    }
    vsp::FileRead read = vsp::readWholeFile(path);
    if (read.status == vsp::FileRead::Status::Missing) {
        return;
    }
    if (read.status == vsp::FileRead::Status::Unreadable) {
        m_trashSaveBlock =
            QStringLiteral("trash.json could not be read at launch (%1); it is left unchanged").arg(read.error);
        vsp::logFailure(QStringLiteral("trash load"),
                        QStringLiteral("trash.json could not be read — %1").arg(read.error));
        return;
    }
    auto decoded = vsp::decodeTrash(read.bytes);
    if (decoded.ok()) {
        m_trashedEntries = std::move(*decoded.value);
        return;
    }
    QString copyError;
    if (const auto copy = preserveCopy(read.bytes, QStringLiteral("trash-corrupt-"), &copyError)) {
        vsp::logLine(QStringLiteral("trash.json could not be decoded \u2014 copy preserved at ") + *copy);
        m_damagedTrashCopy = *copy;
        m_trashSaveBlock = vsp::foreignLinkBlock(path, QStringLiteral("trash.json"), QStringLiteral("a trash file"));
    } else {
        m_trashSaveBlock = QStringLiteral("trash.json could not be decoded and no copy of it could be made; "
                                          "it is left unchanged");
        vsp::logLine(QStringLiteral("trash.json could not be decoded \u2014 no copy could be made (%1); "
                                    "the file is left unchanged")
                         .arg(copyError));
    }
}

void JournalStore::loadTagColors()
{
    m_tagColors = m_settings.tagColors();
}

void JournalStore::loadPinned()
{
    const QList<QUuid> ids = m_settings.pinnedIDs();
    m_pinnedIDs = QSet<QUuid>(ids.begin(), ids.end());
}

void JournalStore::save()
{
    ++m_entriesGeneration;
    requestWrite();
}

void JournalStore::saveTrash()
{
    ++m_trashGeneration;
    requestWrite();
}

void JournalStore::retrySave()
{
    requestWrite();
}

void JournalStore::requestWrite()
{
    vsp::JournalSnapshot snapshot;
    // Everything not on disk yet goes again: a failed write is retried by the next change.
    snapshot.writeEntries = m_entriesSavedGeneration < m_entriesGeneration;
    snapshot.writeTrash = m_trashSavedGeneration < m_trashGeneration;
    if (!snapshot.writeEntries && !snapshot.writeTrash) {
        return;
    }
    m_writeDeferred = false;
    if (m_writer && !m_writer->waitUntilIdle(0)) {
        // A write is under way: the snapshot is taken once it is done (takeWriteResults()), holding every
        // change made meanwhile. A snapshot taken now would keep one more copy of the list of entries
        // alive, and make the next change copy the list again, only to be replaced by a newer one.
        m_writeDeferred = true;
        return;
    }
    snapshot.entriesGeneration = m_entriesGeneration;
    snapshot.trashGeneration = m_trashGeneration;
    snapshot.entries = m_entries;
    snapshot.trash = m_trashedEntries;
    for (const auto& [record, generation] : std::as_const(m_restoredUnsaved)) {
        const vsp::TrashKey key = vsp::trashKey(record);
        const bool listed = std::any_of(m_trashedEntries.cbegin(), m_trashedEntries.cend(),
                                        [&](const TrashedEntry& t) { return vsp::trashKey(t) == key; });
        if (!listed) {
            snapshot.trash.append(record);
            snapshot.restoredGenerations.append(generation);
        }
    }
    snapshot.entriesPath = m_entriesTarget;
    snapshot.trashPath = m_trashTarget;
    snapshot.entriesBlock = m_entriesSaveBlock;
    snapshot.trashBlock = m_trashSaveBlock;
    if (m_writer) {
        ++m_writesHandedOver;
        m_writer->submit(std::move(snapshot));
        return;
    }
    applyWriteResult(m_files->write(snapshot));
}

void JournalStore::applyWriteResult(const vsp::JournalWriteResult& result)
{
    if (result.trashWritten) {
        m_trashSavedGeneration = std::max(m_trashSavedGeneration, result.trashGeneration);
        m_trashFileHoldsRestored = result.trashCarriedRestored;
    }
    bool releaseRestored = false;
    if (result.entriesWritten) {
        m_entriesSavedGeneration = std::max(m_entriesSavedGeneration, result.entriesGeneration);
        const bool released = m_restoredUnsaved.removeIf([&](const std::pair<TrashedEntry, quint64>& r) {
            return r.second <= result.entriesGeneration;
        }) > 0;
        releaseRestored = released && m_trashFileHoldsRestored;
    }
    if (!result.ok()) {
        setSaveError(result.error);
    } else if (m_entriesSavedGeneration == m_entriesGeneration && m_trashSavedGeneration == m_trashGeneration) {
        setSaveError(QString());
    }
    if (releaseRestored) {
        // entries.json holds the restored entries now: trash.json lets go of their records, or they
        // would be in the trash again at the next launch.
        saveTrash();
    }
}

void JournalStore::setSaveError(const QString& error)
{
    if (m_lastSaveError == error) {
        return;
    }
    const bool wasUnsaved = hasUnsavedChanges();
    m_lastSaveError = error;
    Q_EMIT lastSaveErrorChanged();
    if (wasUnsaved != hasUnsavedChanges()) {
        Q_EMIT hasUnsavedChangesChanged();
    }
}

void JournalStore::savePinned()
{
    QList<QUuid> ids = m_pinnedIDs.values();
    // In a fixed order, so the same pins always store the same bytes.
    std::sort(ids.begin(), ids.end());
    m_settings.setPinnedIDs(ids);
}

void JournalStore::saveTagColors()
{
    m_settings.setTagColors(m_tagColors);
}

// ---------------------------------------------------------------- published state

void JournalStore::setEntries(const EntryList& entries)
{
    m_entries = entries;
    m_useCounts.reset();
    m_todayCount.reset();
    m_streakMemo.reset();
    noteEntriesReplaced();
    Q_EMIT entriesChanged();
}

void JournalStore::setTrashedEntries(const QList<TrashedEntry>& records)
{
    m_trashedEntries = records;
    Q_EMIT trashedEntriesChanged();
}

void JournalStore::setSelectedSection(NavSection section)
{
    navigate([&] { m_selectedSection = section; });
}

void JournalStore::setSelectedTag(const std::optional<QString>& tag)
{
    navigate([&] { m_selectedTag = tag; });
}

void JournalStore::setSelectedEntryID(const std::optional<QUuid>& id)
{
    assign(this, m_selectedEntryID, id, &JournalStore::selectedEntryIDChanged);
}

void JournalStore::setRestoreDraftOnCompose(bool on)
{
    assign(this, m_restoreDraftOnCompose, on, &JournalStore::restoreDraftOnComposeChanged);
}

void JournalStore::setIsLocked(bool locked)
{
    assign(this, m_isLocked, locked, &JournalStore::isLockedChanged);
}

void JournalStore::setSearchQuery(const QString& query)
{
    navigate([&] { m_searchQuery = query; });
}

void JournalStore::setFocusMode(bool on)
{
    assign(this, m_focusMode, on, &JournalStore::focusModeChanged);
}

void JournalStore::setTagColors(const QHash<QString, QString>& colors)
{
    assign(this, m_tagColors, colors, &JournalStore::tagColorsChanged);
}

void JournalStore::setPinnedIDs(const QSet<QUuid>& ids)
{
    assign(this, m_pinnedIDs, ids, &JournalStore::pinnedIDsChanged);
}

void JournalStore::setMoodFilter(const std::optional<QString>& mood)
{
    navigate([&] { m_moodFilter = mood; });
}

void JournalStore::setSortNewestFirst(bool newestFirst)
{
    assign(this, m_sortNewestFirst, newestFirst, &JournalStore::sortNewestFirstChanged);
}

void JournalStore::setShowCalendar(bool on)
{
    navigate([&] { m_showCalendar = on; });
}

void JournalStore::setCalendarMonth(double date)
{
    navigate([&] { m_calendarMonth = date; });
}

void JournalStore::setSelectedDate(const std::optional<double>& date)
{
    navigate([&] { m_selectedDate = date; });
}

// ---------------------------------------------------------------- navigation

JournalStore::NavigationState JournalStore::navigationState() const
{
    return {m_selectedSection, m_selectedTag,   m_moodFilter,   m_searchQuery,
            m_showCalendar,    m_calendarMonth, m_selectedDate, m_selectedEntryID};
}

void JournalStore::endSearchIfListMoved(const NavigationState& before)
{
    // A list that moves to another section, tag or mood starts without a search: the query typed
    // for the old list would hide the new one.
    if (before.section != m_selectedSection || before.tag != m_selectedTag || before.mood != m_moodFilter) {
        m_searchQuery.clear();
    }
}

void JournalStore::announceNavigation(const NavigationState& before)
{
    if (before.section != m_selectedSection || before.tag != m_selectedTag || before.mood != m_moodFilter
        || before.query != m_searchQuery || before.calendar != m_showCalendar || before.month != m_calendarMonth
        || before.day != m_selectedDate) {
        Q_EMIT navigationChanged();
    }
    if (before.selected != m_selectedEntryID) {
        Q_EMIT selectedEntryIDChanged();
    }
}

void JournalStore::navigate(const std::function<void()>& change)
{
    const NavigationState before = navigationState();
    change();
    endSearchIfListMoved(before);
    announceNavigation(before);
}

void JournalStore::selectFirstListedEntry()
{
    // Positions, not copies: only the first entry's id is wanted.
    const QList<qsizetype> listed = filteredEntryIndices();
    m_selectedEntryID = listed.isEmpty() ? std::nullopt : std::optional<QUuid>(m_entries.at(listed.first()).id);
}

void JournalStore::showSection(NavSection section)
{
    navigate([&] {
        m_showCalendar = false;
        m_selectedSection = section;
        m_selectedTag.reset();
        m_moodFilter.reset();
        m_searchQuery.clear();
        selectFirstListedEntry();
    });
}

void JournalStore::showTag(const QString& tag)
{
    navigate([&] {
        m_showCalendar = false;
        m_selectedTag = tag;
        m_moodFilter.reset();
        m_searchQuery.clear();
        selectFirstListedEntry();
    });
}

void JournalStore::toggleMoodFilter(const QString& emoji)
{
    navigate([&] {
        m_showCalendar = false;
        if (m_moodFilter == emoji) {
            m_moodFilter.reset();
            m_selectedSection = NavSection::Journal;
        } else {
            m_moodFilter = emoji;
            m_selectedTag.reset();
        }
        m_searchQuery.clear();
        selectFirstListedEntry();
    });
}

void JournalStore::showCalendarToday()
{
    navigate([&] {
        // A calendar already on this month stays where it is: asking for today again moves nothing, so
        // it announces nothing, whatever the clock read since the month was set.
        const double moment = now();
        const QDate shown = vsp::localDate(m_calendarMonth);
        const QDate day = vsp::localDate(moment);
        if (!m_showCalendar || shown.year() != day.year() || shown.month() != day.month()) {
            m_calendarMonth = moment;
        }
        m_selectedDate = vsp::startOfDay(day);
        m_showCalendar = true;
    });
}

// ---------------------------------------------------------------- entry operations

int JournalStore::indexOf(const QUuid& id) const
{
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].id == id) {
            return int(i);
        }
    }
    return -1;
}

const JournalEntry* JournalStore::entry(const QUuid& id) const
{
    const int i = indexOf(id);
    return i < 0 ? nullptr : &m_entries[i];
}

void JournalStore::scheduleReminder(const JournalEntry& entry)
{
    if (m_reminders && entry.expirationDate) {
        m_reminders->scheduleExpiration(entry);
    }
}

void JournalStore::cancelReminder(const QUuid& id)
{
    if (m_reminders) {
        m_reminders->cancelExpiration(id);
    }
}

void JournalStore::addEntry(const JournalEntry& given)
{
    const JournalEntry entry = sanitized(given, now());
    const NavigationState before = navigationState();
    m_entries.prepend(entry);
    noteEntriesStep({EntriesStep::Kind::Inserted, 0});
    countUses(entry, 1);
    followStreak(entry.date, 1);
    m_selectedEntryID = entry.id;
    m_selectedSection = NavSection::Today;
    m_selectedTag.reset();
    endSearchIfListMoved(before);
    save();
    // Announced once every property is set and the write is handed on.
    Q_EMIT entriesChanged();
    announceNavigation(before);
    scheduleReminder(entry);
    requestReviewIfAppropriate();
}

void JournalStore::updateEntry(const JournalEntry& given)
{
    const int i = indexOf(given.id);
    if (i < 0) {
        return;
    }
    const JournalEntry entry = sanitized(given, m_entries[i].date);
    countUses(m_entries[i], -1);
    if (m_entries[i].date != entry.date) {
        followStreak(m_entries[i].date, -1);
        followStreak(entry.date, 1);
    }
    m_entries.replace(i, entry);
    noteEntriesStep({EntriesStep::Kind::Changed, i});
    countUses(entry, 1);
    Q_EMIT entriesChanged();
    save();
    if (entry.expirationDate) {
        scheduleReminder(entry);
    } else {
        cancelReminder(entry.id);
    }
}

void JournalStore::deleteEntry(const JournalEntry& given)
{
    // Callers may pass the stored entry itself, which removing it below frees: work from a copy.
    const JournalEntry entry = given;
    cancelReminder(entry.id);
    const int index = indexOf(entry.id);
    const bool live = index >= 0;
    // Only a live entry goes to the trash: a second delete, or one after the record was destroyed for
    // good, must not bring the entry back as a record.
    if (live) {
        m_trashedEntries.prepend(TrashedEntry{sanitized(entry, m_entries[index].date), now()});
        // Positions as they stand before each removal: every earlier one has gone by then. No entry
        // before `index` has this id.
        qsizetype position = index;
        m_entries.removeIf(
            [&](const JournalEntry& e) {
                if (e.id != entry.id) {
                    ++position;
                    return false;
                }
                noteEntriesStep({EntriesStep::Kind::Removed, position});
                countUses(e, -1);
                followStreak(e.date, -1);
                return true;
            },
            index);
    }
    const bool unpinned = m_pinnedIDs.remove(entry.id);
    const bool selectionMoves = m_selectedEntryID == entry.id;
    if (selectionMoves) {
        // Only the first place is needed: the list itself would copy every entry listed.
        const QList<qsizetype> remaining = filteredEntryIndices();
        m_selectedEntryID = remaining.isEmpty() ? std::nullopt : std::optional<QUuid>(m_entries[remaining.first()].id);
    }
    // Announced once the entry, the pins and the selection all stand as they end: a view that follows
    // the entries never sees the selection pointing at an entry that has gone (the detail would leave
    // for its empty page and come back).
    if (live) {
        Q_EMIT trashedEntriesChanged();
        Q_EMIT entriesChanged();
    }
    if (unpinned) {
        Q_EMIT pinnedIDsChanged();
    }
    if (selectionMoves && m_selectedEntryID != entry.id) {
        Q_EMIT selectedEntryIDChanged();
    }
    // The trash is written first: a crash between the two writes leaves the entry in both files, never
    // in neither.
    saveTrash();
    save();
    // The settings file is written on this thread: only when the pins did change.
    if (unpinned) {
        savePinned();
    }
}

void JournalStore::duplicateEntry(const JournalEntry& source)
{
    JournalEntry copy = JournalEntry::create();
    copy.date = now();
    copy.title = source.title + QStringLiteral(" (copy)");
    copy.body = source.body;
    copy.bodyRTF = source.bodyRTF;
    copy.tags = source.tags;
    copy.mood = source.mood;
    copy.type = source.type;
    addEntry(copy);
}

void JournalStore::toggleFavorite(const JournalEntry& entry)
{
    const int i = indexOf(entry.id);
    if (i < 0) {
        return;
    }
    m_entries.edit(i).isFavorite = !m_entries[i].isFavorite;
    noteEntriesStep({EntriesStep::Kind::Changed, i});
    Q_EMIT entriesChanged();
    save();
}

void JournalStore::toggleArchive(const JournalEntry& entry)
{
    const int i = indexOf(entry.id);
    if (i < 0) {
        return;
    }
    countUses(m_entries[i], -1);
    m_entries.edit(i).isArchived = !m_entries[i].isArchived;
    noteEntriesStep({EntriesStep::Kind::Changed, i});
    countUses(m_entries[i], 1);
    Q_EMIT entriesChanged();
    save();
}

void JournalStore::togglePin(const JournalEntry& entry)
{
    if (!m_pinnedIDs.remove(entry.id)) {
        m_pinnedIDs.insert(entry.id);
    }
    Q_EMIT pinnedIDsChanged();
    savePinned();
}

void JournalStore::toggleSortOrder()
{
    setSortNewestFirst(!m_sortNewestFirst);
    m_settings.setSortOrder(m_sortNewestFirst ? QStringLiteral("newest") : QStringLiteral("oldest"));
}

void JournalStore::deleteTag(const QString& tag)
{
    bool changed = false;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].tags.contains(tag)) {
            countUses(m_entries[i], -1);
            m_entries.edit(i).tags.removeAll(tag);
            noteEntriesStep({EntriesStep::Kind::Changed, i});
            countUses(m_entries[i], 1);
            changed = true;
        }
    }
    if (changed) {
        Q_EMIT entriesChanged();
    }
    if (m_selectedTag == tag) {
        setSelectedTag(std::nullopt);
    }
    save();
}

void JournalStore::setTagColor(const QString& color, const QString& tag)
{
    m_tagColors.insert(tag, color);
    Q_EMIT tagColorsChanged();
    saveTagColors();
}

void JournalStore::clearTagColor(const QString& tag)
{
    if (m_tagColors.remove(tag)) {
        Q_EMIT tagColorsChanged();
    }
    saveTagColors();
}

void JournalStore::requestReviewIfAppropriate()
{
    const qint64 n = m_settings.totalSaveCount() + 1;
    m_settings.setTotalSaveCount(n);
    if (n == 5 || (n >= 6 && n % 50 == 0)) {
        if (!m_reviewDelay) {
            m_reviewDelay = new ClockTimer(*this, 1500, this);
            connect(m_reviewDelay, &ClockTimer::timeout, this, &JournalStore::reviewRequested);
        }
        m_reviewDelay->start();
    }
}

void JournalStore::noteEntriesStep(EntriesStep step)
{
    ++m_entriesVersion;
    if (m_steps.size() >= kKeptSteps) {
        m_steps.removeFirst();
        ++m_stepsFrom;
    }
    m_steps.append(step);
}

void JournalStore::noteEntriesReplaced()
{
    ++m_entriesVersion;
    m_steps.clear();
    m_stepsFrom = m_entriesVersion;
}

void JournalStore::sortEntries(bool newestFirst)
{
    noteEntriesReplaced();
    if (newestFirst) {
        m_entries.stableSort([](const JournalEntry& a, const JournalEntry& b) { return a.date > b.date; });
    } else {
        m_entries.stableSort([](const JournalEntry& a, const JournalEntry& b) { return a.date < b.date; });
    }
}
