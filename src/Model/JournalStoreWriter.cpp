#include "Model/JournalStoreWriter.h"

#include "Model/EntryCodec.h"
#include "Model/FileIO.h"
#include "Model/Log.h"

#include <malloc.h>

#include <algorithm>

namespace vsp {

JournalWriteResult JournalFileWriter::write(const JournalSnapshot& snapshot)
{
    JournalWriteResult result;
    result.entriesGeneration = snapshot.entriesGeneration;
    result.trashGeneration = snapshot.trashGeneration;
    const auto failed = [&](const QString& what, const QString& error) {
        logFailure(what, error);
        if (result.error.isEmpty()) {
            result.error = error;
        }
    };

    const QList<TrashedEntry> trash = trashToWrite(snapshot);
    if (snapshot.writeTrash) {
        result.trashAttempted = true;
        QString error = snapshot.trashBlock;
        if (error.isEmpty()) {
            std::vector<StoredPlacement> placements;
            const Encoded encoded = encodeTrash(trash, &placements);
            error = encoded.error;
            if (encoded.ok() && writeFileAtomically(snapshot.trashPath, encoded.bytes, &error)) {
                placeStoredBytes(snapshot.trashPath, placements);
                m_trashOnDisk.clear();
                for (const TrashedEntry& r : trash) {
                    m_trashOnDisk.insert(trashKey(r));
                }
                result.trashWritten = true;
                result.trashCarriedRestored =
                    trash.size() > snapshot.trash.size() - snapshot.restoredGenerations.size();
            }
        }
        if (!result.trashWritten) {
            failed(QStringLiteral("trash save"), error);
        }
    }

    // Entries kept in entries.json for want of a trash record leave it as soon as trash.json has them
    // or the trash lets go of them: else an entry deleted and then purged would come back at the next
    // launch.
    if (!snapshot.writeEntries && !m_entriesHoldTrashed) {
        return result;
    }
    result.entriesAttempted = true;
    EntryList kept;
    QSet<QUuid> live;
    for (const TrashedEntry& r : trash) {
        if (m_trashOnDisk.contains(trashKey(r))) {
            continue;
        }
        // This deletion is in no file but entries.json: the entry stays there, and comes back as a live
        // entry at the next launch rather than being lost.
        if (live.isEmpty()) {
            live.reserve(snapshot.entries.size());
            for (const JournalEntry& e : snapshot.entries) {
                live.insert(e.id);
            }
        }
        if (!live.contains(r.entry.id)) {
            live.insert(r.entry.id);
            kept.append(r.entry);
        }
    }
    QString error = snapshot.entriesBlock;
    if (error.isEmpty()) {
        // Written while it is encoded, a quarter of a megabyte at a time: the disk starts at once, and no
        // copy of the whole text is ever held (a larger piece only holds more memory).
        constexpr qsizetype kPieceBytes = 256 << 10;
        EntryList written = snapshot.entries;
        written.append(kept);
        std::vector<StoredPlacement> placements;
        const auto produce = [&](const ByteSink& sink) {
            placements.clear();
            return m_entriesFile.produce(written, kPieceBytes, sink, &placements);
        };
        // The entries that did not change are copied from the file written last; a write that failed
        // while copying is tried once more encoding every entry.
        bool saved = writeFileAtomically(snapshot.entriesPath, produce, &error);
        if (!saved && m_entriesFile.forget()) {
            error.clear();
            saved = writeFileAtomically(snapshot.entriesPath, produce, &error);
        }
        if (saved) {
            m_entriesWrittenGeneration = std::max(m_entriesWrittenGeneration, snapshot.entriesGeneration);
            m_entriesFile.written(snapshot.entriesPath);
            // The rich text is read from the new file from now on, and the old one is let go of.
            placeStoredBytes(snapshot.entriesPath, placements);
            m_entriesHoldTrashed = !kept.isEmpty();
            result.entriesWritten = true;
        }
    }
    if (!result.entriesWritten) {
        failed(QStringLiteral("save"), error);
    }
    return result;
}

QList<TrashedEntry> JournalFileWriter::trashToWrite(const JournalSnapshot& snapshot) const
{
    // A snapshot taken before the result of an earlier write came back may still carry a record its
    // entry left the trash with, though that write already put the entry in entries.json.
    const qsizetype firstRestored = snapshot.trash.size() - snapshot.restoredGenerations.size();
    QList<TrashedEntry> trash = snapshot.trash;
    for (qsizetype i = snapshot.restoredGenerations.size() - 1; i >= 0; --i) {
        if (snapshot.restoredGenerations[i] <= m_entriesWrittenGeneration) {
            trash.removeAt(firstRestored + i);
        }
    }
    return trash;
}

BackgroundJournalWriter::BackgroundJournalWriter(JournalFileWriter& files, std::function<void()> resultReady)
    : m_files(files),
      m_resultReady(std::move(resultReady)),
      m_thread([this] { run(); })
{ }

BackgroundJournalWriter::~BackgroundJournalWriter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void BackgroundJournalWriter::submit(JournalSnapshot snapshot)
{
    {
        const std::lock_guard lock(m_mutex);
        m_waiting = std::move(snapshot);
    }
    m_wake.notify_one();
}

QList<JournalWriteResult> BackgroundJournalWriter::takeResults()
{
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_results, {});
}

bool BackgroundJournalWriter::waitUntilIdle(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    const auto idle = [this] { return !m_writing && !m_waiting; };
    if (timeoutMs < 0) {
        m_idle.wait(lock, idle);
        return true;
    }
    return m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs), idle);
}

void BackgroundJournalWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_waiting || m_stopping; });
        if (!m_waiting) {
            return;
        }
        JournalSnapshot snapshot = std::move(*m_waiting);
        m_waiting.reset();
        m_writing = true;
        lock.unlock();
        JournalWriteResult result = m_files.write(snapshot);
        // The snapshot's lists are let go of here, off the GUI thread.
        snapshot = {};
        lock.lock();
        m_writing = false;
        m_results.append(std::move(result));
        lock.unlock();
        m_resultReady();
        m_idle.notify_all();
        lock.lock();
        if (!m_waiting && !m_stopping) {
            // A change leaves the list it replaced and a save its buffers free in the heap; with nothing
            // more to write, the pages go back to the system rather than staying with the process
            // (about a millisecond at 10,000 entries).
            lock.unlock();
            malloc_trim(0);
            lock.lock();
        }
    }
}

} // namespace vsp
