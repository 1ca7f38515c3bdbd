#include "Model/JournalStoreWriter.h"

#include "Model/EntryCodec.h"
#include "Model/FileIO.h"
#include "Model/Log.h"

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

    if (snapshot.writeTrash) {
        result.trashAttempted = true;
        QString error = snapshot.trashBlock;
        if (error.isEmpty()) {
            const Encoded encoded = encodeTrash(snapshot.trash);
            error = encoded.error;
            if (encoded.ok() && writeFileAtomically(snapshot.trashPath, encoded.bytes, &error)) {
                m_trashOnDisk.clear();
                for (const TrashedEntry& r : snapshot.trash) {
                    m_trashOnDisk.insert(trashKey(r));
                }
                result.trashWritten = true;
                result.trashCarriedRestored = snapshot.trashCarriesRestored;
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
    QList<JournalEntry> kept;
    QSet<QUuid> live;
    for (const TrashedEntry& r : snapshot.trash) {
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
        const Encoded encoded = encodeEntries(kept.isEmpty() ? snapshot.entries : snapshot.entries + kept);
        error = encoded.error;
        if (encoded.ok() && writeFileAtomically(snapshot.entriesPath, encoded.bytes, &error)) {
            m_entriesHoldTrashed = !kept.isEmpty();
            result.entriesWritten = true;
        }
    }
    if (!result.entriesWritten) {
        failed(QStringLiteral("save"), error);
    }
    return result;
}

} // namespace vsp
