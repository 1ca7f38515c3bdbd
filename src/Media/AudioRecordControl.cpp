#include "Media/AudioRecordControl.h"

#include "Theme/GlassChipButton.h"

#include <QHBoxLayout>

AudioRecordControl::AudioRecordControl(OnComplete onComplete, QWidget* parent)
    : QWidget(parent),
      m_onComplete(std::move(onComplete)),
      m_voice(new GlassChipButton(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_voice);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    m_voice->setObjectName(QStringLiteral("voiceButton"));
    m_voice->setSymbol(QStringLiteral("mic"), 10);
    m_voice->setText(tr("Voice"));
    m_voice->setAccessibleName(tr("Record a voice note"));
    m_voice->setEnabled(isAvailable());
    m_voice->setToolTip(tr("Voice notes are not available in this version yet"));
}

void AudioRecordControl::completeRecording(const QString& path, double duration)
{
    if (m_onComplete) {
        m_onComplete(path, duration);
    }
}
