#pragma once

#include "Model/Uuid.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

/// A voice note recorded in a compose window (or quick capture) and not yet stored with an entry. Its
/// file is the recorder's temporary file; whoever holds the record deletes that file when the note is
/// removed or abandoned, and JournalStore::addNewEntry() deletes it once it has copied it.
struct PendingAudio {
    /// Identity of the record, used to find it again when its transcript arrives.
    QUuid id;
    /// Local path of the temporary recording.
    QString path;
    /// Seconds, as the recorder reported it.
    double duration = 0;
    /// Recognised text; absent until the transcriber delivers some.
    std::optional<QString> transcript;

    friend bool operator==(const PendingAudio&, const PendingAudio&) = default;
};

/// `clips` with a new note for the recording at `path` (a fresh id) appended.
inline QList<PendingAudio> withRecording(QList<PendingAudio> clips, const QString& path, double duration)
{
    clips.append(PendingAudio{vsp::newUuid(), path, duration, std::nullopt});
    return clips;
}

/// Gives the note `id` its transcript; false when the note is no longer in `clips` (removed, or saved
/// with an entry, while the transcriber worked).
inline bool setTranscript(QList<PendingAudio>& clips, const QUuid& id, const QString& text)
{
    for (PendingAudio& clip : clips) {
        if (clip.id == id) {
            clip.transcript = text;
            return true;
        }
    }
    return false;
}
