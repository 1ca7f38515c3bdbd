#include "Media/AudioClipsView.h"

#include "Media/AudioClipRow.h"
#include "Model/JournalStore.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"

#include <QLabel>
#include <QVBoxLayout>

AudioClipsView::AudioClipsView(const QUuid& entryID, const QList<AudioClip>& clips, bool isEditing,
                               std::function<void(const AudioClip&)> onRemove, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    auto* caption = new QLabel(tr("VOICE NOTES"), this);
    caption->setFont(vsp::fonts::tracked(vsp::fonts::system(9, QFont::DemiBold), 1.4));
    QPalette pal = caption->palette();
    pal.setColor(QPalette::WindowText, vsp::Color::tertiaryStyle().resolve());
    caption->setPalette(pal);
    column->addWidget(caption);
    for (const AudioClip& clip : clips) {
        // A recorded name that is not one plain file name plays nothing.
        const QString path = JournalStore::audioFilePath(entryID, clip.filename).value_or(QString());
        std::function<void()> remove;
        if (isEditing && onRemove) {
            remove = [onRemove, clip] { onRemove(clip); };
        }
        auto* row = new AudioClipRow(path, clip.duration, clip.transcript, isEditing, remove, this);
        column->addWidget(row);
        m_rows.append(row);
    }
}
