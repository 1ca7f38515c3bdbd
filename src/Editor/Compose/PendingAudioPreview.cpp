#include "Editor/Compose/PendingAudioPreview.h"

#include "Media/AudioClipRow.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Theme/Transitions.h"

#include <QFile>
#include <QLabel>
#include <QVBoxLayout>

using vsp::Color;

PendingAudioPreview::PendingAudioPreview(QWidget* parent)
    : QWidget(parent),
      m_caption(new QLabel(tr("VOICE NOTES"), this)),
      m_column(new QVBoxLayout)
{
    setObjectName(QStringLiteral("pendingAudio"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_caption->setFont(vsp::fonts::tracked(vsp::fonts::system(9, QFont::DemiBold), 1.4));
    layout->addWidget(m_caption);
    m_column->setSpacing(8);
    layout->addLayout(m_column);
    applyColors();
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this,
            &PendingAudioPreview::applyColors);
}

void PendingAudioPreview::setClips(const QList<PendingAudio>& clips, bool animate)
{
    bool sameRows = clips.size() == m_clips.size();
    for (qsizetype i = 0; sameRows && i < clips.size(); ++i) {
        sameRows = clips[i].id == m_clips[i].id && clips[i].path == m_clips[i].path;
    }
    m_clips = clips;
    if (sameRows) {
        for (qsizetype i = 0; i < clips.size(); ++i) {
            m_rows[i]->setTranscript(clips[i].transcript);
        }
        return;
    }
    rebuild(animate);
}

void PendingAudioPreview::rebuild(bool animate)
{
    const vsp::Spring spring{0.35, 0.8};
    // Rows of notes still listed stay (by id, showing the newest transcript); the others leave.
    QList<AudioClipRow*> rows;
    QList<QUuid> ids;
    for (const PendingAudio& clip : std::as_const(m_clips)) {
        const qsizetype existing = m_rowIds.indexOf(clip.id);
        if (existing >= 0 && !ids.contains(clip.id) && m_rows.at(existing)->path() == clip.path) {
            AudioClipRow* row = m_rows.at(existing);
            row->setTranscript(clip.transcript);
            rows.append(row);
        } else {
            rows.append(nullptr);
        }
        ids.append(clip.id);
    }
    for (AudioClipRow* old : std::as_const(m_rows)) {
        if (rows.contains(old)) {
            continue;
        }
        static_cast<TransitionSlot*>(old->parentWidget())->retire(m_slots, animate, spring);
    }
    TransitionSlot* previous = nullptr;
    for (qsizetype i = 0; i < m_clips.size(); ++i) {
        if (AudioClipRow* row = rows.at(i)) {
            previous = static_cast<TransitionSlot*>(row->parentWidget());
            continue;
        }
        const PendingAudio& clip = m_clips.at(i);
        const QUuid id = clip.id;
        const QString path = clip.path;
        auto* row = new AudioClipRow(clip.path, clip.duration, clip.transcript, true, [this, id, path] {
            // The file goes first; the list changes even when it cannot be deleted.
            QFile::remove(path);
            QList<PendingAudio> next = m_clips;
            next.removeIf([&](const PendingAudio& a) { return a.id == id; });
            setClips(next, true);
            Q_EMIT clipsEdited(next);
        });
        row->hide();
        auto* slot = new TransitionSlot(row, Transition{0.9, Qt::AlignCenter, false, Qt::Vertical}, spring, this);
        // Right after the row before it, leaving ones included, so the order is the list's.
        m_column->insertWidget(previous ? m_column->indexOf(previous) + 1 : 0, slot);
        m_slots.append(slot);
        if (animate) {
            slot->setPresent(true, spring);
        } else {
            slot->setPresent(true, false);
        }
        rows[i] = row;
        previous = slot;
    }
    m_rows = rows;
    m_rowIds = ids;
}

void PendingAudioPreview::applyColors()
{
    QPalette p = m_caption->palette();
    p.setColor(QPalette::WindowText, Color::tertiaryStyle().resolve());
    m_caption->setPalette(p);
}
