#pragma once

#include "Media/PendingAudio.h"

#include <QList>
#include <QWidget>

class AudioClipRow;
class QLabel;
class QVBoxLayout;

/// The voice notes recorded in the compose window that wait for the entry to be saved: the caption
/// "VOICE NOTES" and one player row each. Removing a row deletes its temporary recording at once
/// (a failure is ignored) and then takes the record out of the list.
class PendingAudioPreview final : public QWidget {
    Q_OBJECT

public:
    explicit PendingAudioPreview(QWidget* parent = nullptr);

    QList<PendingAudio> clips() const { return m_clips; }
    /// Shows these notes; emits nothing. Rows whose record is unchanged but for its transcript keep
    /// their widget and show the new transcript.
    void setClips(const QList<PendingAudio>& clips);

    QList<AudioClipRow*> rows() const { return m_rows; }

Q_SIGNALS:
    /// The user removed a note (its file is already deleted); the new list.
    void clipsEdited(const QList<PendingAudio>& clips);

private:
    void rebuild();
    void applyColors();

    QList<PendingAudio> m_clips;
    QList<AudioClipRow*> m_rows;
    QLabel* m_caption;
    QVBoxLayout* m_column;
};
