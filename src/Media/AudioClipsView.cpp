#include "Media/AudioClipsView.h"

#include "Media/AudioClipRow.h"
#include "Model/JournalStore.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"

#include <QLabel>
#include <QVBoxLayout>

AudioClipsView::AudioClipsView(const QUuid& entryID, const QList<AudioClip>& clips, bool isEditing,
                               std::function<void(const AudioClip&)> onRemove, QWidget* parent)
    : QWidget(parent),
      m_entryID(entryID),
      m_isEditing(isEditing),
      m_onRemove(std::move(onRemove)),
      m_caption(new QLabel(tr("VOICE NOTES"), this)),
      m_rowsLayout(new QVBoxLayout)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    m_caption->setFont(vsp::fonts::tracked(vsp::fonts::system(9, QFont::DemiBold), 1.4));
    QPalette pal = m_caption->palette();
    pal.setColor(QPalette::WindowText, vsp::Color::tertiaryStyle().resolve());
    m_caption->setPalette(pal);
    column->addWidget(m_caption);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(8);
    column->addLayout(m_rowsLayout);
    setClips(clips);
}

AudioClipRow* AudioClipsView::makeRow(const AudioClip& clip)
{
    // A recorded name that is not one plain file name plays nothing.
    const QString path = JournalStore::audioFilePath(m_entryID, clip.filename).value_or(QString());
    std::function<void()> remove;
    if (m_isEditing) {
        remove = [this, id = clip.id] {
            if (!m_onRemove) {
                return;
            }
            for (const AudioClip& c : std::as_const(m_clips)) {
                if (c.id == id) {
                    m_onRemove(c);
                    return;
                }
            }
        };
    }
    return new AudioClipRow(path, clip.duration, clip.transcript, m_isEditing, remove, this);
}

void AudioClipsView::setClips(const QList<AudioClip>& clips)
{
    QHash<QUuid, AudioClipRow*> existing;
    for (qsizetype i = 0; i < m_clips.size() && i < m_rows.size(); ++i) {
        existing.insert(m_clips.at(i).id, m_rows.at(i));
    }
    QList<AudioClipRow*> rows;
    for (const AudioClip& clip : clips) {
        AudioClipRow* row = existing.take(clip.id);
        if (row) {
            row->setTranscript(clip.transcript);
        } else {
            row = makeRow(clip);
        }
        rows.append(row);
    }
    for (AudioClipRow* gone : std::as_const(existing)) {
        // Later: the row's own remove button may be what asked for this.
        m_rowsLayout->removeWidget(gone);
        gone->hide();
        gone->deleteLater();
    }
    for (AudioClipRow* row : std::as_const(rows)) {
        m_rowsLayout->removeWidget(row);
    }
    for (AudioClipRow* row : std::as_const(rows)) {
        m_rowsLayout->addWidget(row);
    }
    m_clips = clips;
    m_rows = rows;
    m_caption->setVisible(!clips.isEmpty());
}
