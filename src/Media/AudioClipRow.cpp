#include "Media/AudioClipRow.h"

#include "Media/ClipPlayer.h"
#include "Media/MediaEnvironment.h"
#include "Model/ClipDuration.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using vsp::Color;

namespace {
/// The least contrast of a symbol against what it is drawn on (WCAG 2, non-text contrast).
constexpr double kSymbolContrast = 3.0;

void setTextColor(QLabel* label, const QColor& color)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
}

} // namespace

AudioClipRow::AudioClipRow(const QString& path, double duration, const std::optional<QString>& transcript,
                           bool isEditing, std::function<void()> onRemove, QWidget* parent)
    : QWidget(parent),
      m_path(path),
      m_player(new ClipPlayer(path, this)),
      m_onRemove(std::move(onRemove)),
      m_duration(new QLabel(this)),
      m_transcript(new QLabel(this)),
      m_play(new QToolButton(this))
{
    setMaximumWidth(680);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(8);
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    column->addLayout(row);

    m_play->setObjectName(QStringLiteral("playButton"));
    m_play->setFixedSize(34, 34);
    m_play->setAutoRaise(true);
    m_play->setCursor(Qt::PointingHandCursor);
    m_play->setAccessibleName(tr("Play voice note"));
    connect(m_play, &QToolButton::clicked, this, &AudioClipRow::togglePlayback);
    connect(m_player, &ClipPlayer::isPlayingChanged, this, [this](bool playing) {
        m_play->setAccessibleName(playing ? tr("Pause voice note") : tr("Play voice note"));
        applyColors();
    });
    connect(m_player, &ClipPlayer::progressChanged, this, qOverload<>(&QWidget::update));
    row->addWidget(m_play);

    auto* info = new QVBoxLayout;
    info->setSpacing(5);
    auto* track = new QWidget(this);
    track->setObjectName(QStringLiteral("progressTrack"));
    track->setFixedHeight(4);
    info->addWidget(track);
    m_duration->setFont(vsp::fonts::monospaced(10));
    m_duration->setText(formatClipDuration(duration));
    auto* length = new QHBoxLayout;
    length->setSpacing(6);
    m_waveIcon = new QLabel(this);
    m_waveIcon->setFixedSize(9, 9);
    length->addWidget(m_waveIcon);
    length->addWidget(m_duration);
    length->addStretch(1);
    info->addLayout(length);
    row->addLayout(info, 1);

    if (isEditing) {
        m_remove = new QToolButton(this);
        m_remove->setObjectName(QStringLiteral("removeVoiceNote"));
        m_remove->setAutoRaise(true);
        m_remove->setFixedSize(28, 28);
        m_remove->setToolTip(tr("Remove voice note"));
        m_remove->setAccessibleName(tr("Remove voice note"));
        m_remove->setCursor(Qt::PointingHandCursor);
        connect(m_remove, &QToolButton::clicked, this, [this] {
            if (m_onRemove) {
                m_onRemove();
            }
        });
        row->addWidget(m_remove);
    }

    m_transcript->setFont(vsp::fonts::system(12));
    m_transcript->setWordWrap(true);
    m_transcript->setTextFormat(Qt::PlainText);
    column->addWidget(m_transcript);
    setTranscript(transcript);

    applyColors();
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, &AudioClipRow::applyColors);
    connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, this, &AudioClipRow::applyColors);
}

void AudioClipRow::setTranscript(const std::optional<QString>& transcript)
{
    const bool show = transcript && !transcript->isEmpty();
    m_transcript->setText(show ? *transcript : QString());
    m_transcript->setVisible(show);
}

void AudioClipRow::togglePlayback()
{
    if (m_player->isPlaying()) {
        m_player->pause();
    } else {
        m_player->play();
    }
}

void AudioClipRow::applyColors()
{
    // A pale accent (yellow in the light appearance) would vanish on its own tint: darken it until it shows.
    const QColor accent = vsp::withContrast(
        Color::resolvedAccent(1.0).resolve(),
        {vsp::composite(Color::resolvedAccent(0.14).resolve(), Color::vspSurface().resolve())}, kSymbolContrast);
    m_play->setIcon(vsp::symbols::icon(m_player->isPlaying() ? u"pause.fill" : u"play.fill", accent));
    m_play->setIconSize(QSize(12, 12));
    if (m_remove) {
        m_remove->setIcon(vsp::symbols::icon(u"trash", Color::secondaryStyle().resolve()));
        m_remove->setIconSize(QSize(11, 11));
    }
    setTextColor(m_duration, Color::tertiaryStyle().resolve());
    m_waveIcon->setPixmap(vsp::symbols::pixmap(u"waveform", Color::tertiaryStyle().resolve(), 9, devicePixelRatioF()));
    setTextColor(m_transcript, Color::secondaryStyle().resolve());
    update();
}

void AudioClipRow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The sound plugins load once a note could be played, on another thread (see AudioRecordControl).
    vsp::warmUpMediaSoon(vsp::MediaUse::Playback);
}

void AudioClipRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    vsp::paintGlass(p, QRectF(rect()), vsp::Glass::regular(), vsp::GlassShape::RoundedRect, 14);
    const QColor accent = Color::resolvedAccent(1.0).resolve();
    // The play button's tinted glass circle.
    const QRectF play(m_play->geometry());
    vsp::paintGlass(p, play, vsp::Glass::regular().tinted(Color::resolvedAccent(0.14)), vsp::GlassShape::Circle, 0);
    // The track, and the played part over it: never narrower than a 4-pixel dot.
    if (auto* track = findChild<QWidget*>(QStringLiteral("progressTrack"))) {
        const QRectF t(track->mapTo(this, QPoint(0, 0)), track->size());
        p.setPen(Qt::NoPen);
        QColor trackColor = Color::tertiaryStyle().resolve();
        trackColor.setAlphaF(0.35f);
        p.setBrush(trackColor);
        p.drawRoundedRect(t, 2, 2);
        p.setBrush(accent);
        const double played = std::max(t.width() * std::clamp(m_player->progress(), 0.0, 1.0), 4.0);
        p.drawRoundedRect(QRectF(t.left(), t.top(), played, t.height()), 2, 2);
    }
}
