#pragma once

#include "Model/AudioClip.h"

#include <QList>
#include <QUuid>
#include <QWidget>

#include <functional>

class AudioClipRow;

/// An entry's voice notes: the caption "VOICE NOTES" and one AudioClipRow per clip, in order, each
/// playing its file from the entry's audio folder; only while editing does a row offer its remove
/// control, which calls `onRemove` with that clip. The interface is the final one.
class AudioClipsView final : public QWidget {
    Q_OBJECT

public:
    AudioClipsView(const QUuid& entryID, const QList<AudioClip>& clips, bool isEditing,
                   std::function<void(const AudioClip&)> onRemove, QWidget* parent = nullptr);

    QList<AudioClipRow*> rows() const { return m_rows; }

private:
    QList<AudioClipRow*> m_rows;
};
