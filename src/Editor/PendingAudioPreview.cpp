#include "Editor/PendingAudioPreview.h"

#include "App/Theme/AppearanceManager.h"
#include "App/Theme/Fonts.h"
#include "App/Theme/Palette.h"
#include "Media/AudioClipRow.h"

#include <QFile>
#include <QLabel>
#include <QVBoxLayout>

using vsp::Color;

PendingAudioPreview::PendingAudioPreview(QWidget* parent)
    : QWidget(parent), m_caption(new QLabel(tr("VOICE NOTES"), this)), m_column(new QVBoxLayout)
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

void PendingAudioPreview::setClips(const QList<PendingAudio>& clips)
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
    rebuild();
}

void PendingAudioPreview::rebuild()
{
    // Later, not now: the row whose button asked for this may still be handling its click.
    for (AudioClipRow* old : std::as_const(m_rows)) {
        old->hide();
        old->deleteLater();
    }
    m_rows.clear();
    for (const PendingAudio& clip : std::as_const(m_clips)) {
        const QUuid id = clip.id;
        const QString path = clip.path;
        auto* row = new AudioClipRow(clip.path, clip.duration, clip.transcript, true, [this, id, path] {
            // The file goes first; the list changes even when it cannot be deleted.
            QFile::remove(path);
            QList<PendingAudio> next = m_clips;
            next.removeIf([&](const PendingAudio& a) { return a.id == id; });
            setClips(next);
            Q_EMIT clipsEdited(next);
        });
        m_column->addWidget(row);
        m_rows.append(row);
    }
}

void PendingAudioPreview::applyColors()
{
    QPalette p = m_caption->palette();
    p.setColor(QPalette::WindowText, Color::tertiaryStyle().resolve());
    m_caption->setPalette(p);
}
