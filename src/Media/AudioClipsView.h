#pragma once

#include "Model/AudioClip.h"

#include <QHash>
#include <QList>
#include <QUuid>
#include <QWidget>

#include <functional>

class AudioClipRow;
class QLabel;
class QVBoxLayout;

/// An entry's voice notes: the caption "VOICE NOTES" and one AudioClipRow per clip, in order, each
/// playing its file from the entry's audio folder; only while editing does a row offer its remove
/// control, which calls `onRemove` with that clip. With no clips it shows nothing, caption included.
class AudioClipsView final : public QWidget {
    Q_OBJECT

public:
    AudioClipsView(const QUuid& entryID, const QList<AudioClip>& clips, bool isEditing,
                   std::function<void(const AudioClip&)> onRemove, QWidget* parent = nullptr);

    /// Shows `clips` in their order. A row is kept for every clip whose id it already shows (with its
    /// player, so a note that plays goes on playing); rows of clips no longer listed go away.
    void setClips(const QList<AudioClip>& clips);
    QList<AudioClip> clips() const { return m_clips; }
    QUuid entryID() const { return m_entryID; }

    QList<AudioClipRow*> rows() const { return m_rows; }
    QLabel* caption() const { return m_caption; }

private:
    AudioClipRow* makeRow(const AudioClip& clip);

    QUuid m_entryID;
    bool m_isEditing;
    std::function<void(const AudioClip&)> m_onRemove;
    QList<AudioClip> m_clips;
    QList<AudioClipRow*> m_rows;
    QLabel* m_caption;
    QVBoxLayout* m_rowsLayout;
};
