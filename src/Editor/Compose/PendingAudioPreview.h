#pragma once

#include "Model/PendingAudio.h"

#include <QList>
#include <QWidget>

class AudioClipRow;
class ComposeMotionTest;
class ComposeViewTest;
class ComposeWidgetsTest;
class QLabel;
class QVBoxLayout;
class TransitionSlot;

/// The voice notes recorded in the compose window that wait for the entry to be saved: the caption
/// "VOICE NOTES" and one player row each. Removing a row deletes its temporary recording at once
/// (a failure is ignored) and then takes the record out of the list.
///
/// Rows come and go growing from and shrinking to 90 % about their centres as they fade, and the
/// column closes up, with a spring of response 0.35 and damping 0.8.
class PendingAudioPreview final : public QWidget {
    Q_OBJECT

public:
    explicit PendingAudioPreview(QWidget* parent = nullptr);

    /// Shows these notes; emits nothing. Rows whose record is unchanged but for its transcript keep
    /// their widget and show the new transcript. With `animate`, rows that come or go play their
    /// transitions (when the list is visible and animations are on).
    void setClips(const QList<PendingAudio>& clips, bool animate = false);

Q_SIGNALS:
    /// The user removed a note (its file is already deleted); the new list.
    void clipsEdited(const QList<PendingAudio>& clips);

private:
    friend class ComposeMotionTest;
    friend class ComposeViewTest;
    friend class ComposeWidgetsTest;

    // Read by its tests alone.
    QList<PendingAudio> clips() const { return m_clips; }

    /// The rows of the notes in the list, in order (not those still leaving).
    QList<AudioClipRow*> rows() const { return m_rows; }
    /// The places of the rows still in the column, leaving ones included.
    QList<TransitionSlot*> slots() const { return m_slots; }

    void rebuild(bool animate);
    void applyColors();

    QList<PendingAudio> m_clips;
    QList<AudioClipRow*> m_rows;
    /// The row of each note, by the note's id.
    QList<QUuid> m_rowIds;
    QList<TransitionSlot*> m_slots;
    QLabel* m_caption;
    QVBoxLayout* m_column;
};
