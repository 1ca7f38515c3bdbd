#pragma once

#include "Model/EncodedJournal.h"
#include "Model/EntryList.h"
#include "Model/JournalEntry.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

/// The part of the store that puts the journal on disk: it turns a snapshot of the entries and the trash
/// into entries.json and trash.json, trash first, and remembers what the files hold. Used by one thread at
/// a time (the store's writer).
namespace vsp {

/// One trash record as the files tell it apart from another with the same id.
using TrashKey = std::pair<QUuid, double>;
inline TrashKey trashKey(const TrashedEntry& record)
{
    return {record.entry.id, record.deletedAt};
}

/// What to write. The lists are implicitly shared copies of the store's own, taken when the change was
/// made; the writer never changes them.
struct JournalSnapshot {
    bool writeEntries = false;
    bool writeTrash = false;
    /// The store's count of changes to each file when the snapshot was taken.
    quint64 entriesGeneration = 0;
    quint64 trashGeneration = 0;
    EntryList entries;
    /// The trash records in store order, followed by the restored ones entries.json may not hold yet.
    QList<TrashedEntry> trash;
    /// For each restored record `trash` ends with, in order: the change to entries.json that holds its
    /// entry again.
    QList<quint64> restoredGenerations;
    /// The files to replace (symbolic links already resolved at launch).
    QString entriesPath;
    QString trashPath;
    /// Why a file must not be replaced (it was not loaded as a journal); empty when it may.
    QString entriesBlock;
    QString trashBlock;
};

/// What came of a snapshot.
struct JournalWriteResult {
    quint64 entriesGeneration = 0;
    quint64 trashGeneration = 0;
    bool entriesAttempted = false;
    bool entriesWritten = false;
    bool trashAttempted = false;
    bool trashWritten = false;
    /// The trash written held restored records.
    bool trashCarriedRestored = false;
    /// The cause of the first failure, as the system names it; empty when every attempted write worked.
    QString error;
    bool ok() const { return error.isEmpty(); }
};

class JournalFileWriter final {
public:
    /// `trashOnDisk` are the records trash.json held at launch.
    explicit JournalFileWriter(QSet<TrashKey> trashOnDisk = {}) : m_trashOnDisk(std::move(trashOnDisk)) { }

    /// Writes what the snapshot asks for: trash.json, then entries.json. Entries whose trash record could
    /// not be written stay in entries.json, so a deletion is in at least one file; once the trash holds
    /// them, entries.json is written again without them, so nothing deleted comes back. Each failure
    /// prints its "Vesperlog: … failed — …" line.
    JournalWriteResult write(const JournalSnapshot& snapshot);

private:
    /// The records of `snapshot.trash` to write: restored ones whose entry entries.json already holds
    /// are left out, or trash.json would keep them after the store let go of them.
    QList<TrashedEntry> trashToWrite(const JournalSnapshot& snapshot) const;

    QSet<TrashKey> m_trashOnDisk;
    /// The store's count of changes to entries.json when it was last written.
    quint64 m_entriesWrittenGeneration = 0;
    /// entries.json holds entries that are in the trash (kept there while trash.json could not be written).
    bool m_entriesHoldTrashed = false;
    /// entries.json as last written, entry by entry.
    EncodedJournal m_entriesFile;
};

/// One thread that writes snapshots in the order they come, through one JournalFileWriter. A snapshot
/// handed over while another is being written waits; a newer one replaces a waiting one (it holds all
/// of it), so a burst of changes costs one more write, not one per change.
class BackgroundJournalWriter final {
public:
    /// Writes through `files` (which no other thread may use while this writer lives). `resultReady` is
    /// called on the writer thread after each write; the results wait in takeResults().
    BackgroundJournalWriter(JournalFileWriter& files, std::function<void()> resultReady);
    /// Writes what is still waiting, then ends the thread.
    ~BackgroundJournalWriter();
    BackgroundJournalWriter(const BackgroundJournalWriter&) = delete;
    BackgroundJournalWriter& operator=(const BackgroundJournalWriter&) = delete;

    void submit(JournalSnapshot snapshot);
    /// The results of the writes finished since the last call, oldest first.
    QList<JournalWriteResult> takeResults();
    /// Waits until nothing is waiting or being written; at most `timeoutMs` milliseconds (negative: as
    /// long as it takes). True when the writer is idle.
    bool waitUntilIdle(int timeoutMs);

private:
    void run();

    JournalFileWriter& m_files;
    std::function<void()> m_resultReady;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<JournalSnapshot> m_waiting;
    bool m_writing = false;
    bool m_stopping = false;
    QList<JournalWriteResult> m_results;
    std::thread m_thread;
};

} // namespace vsp
