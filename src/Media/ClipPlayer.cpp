#include "Media/ClipPlayer.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

#include <algorithm>
#include <cmath>

ClipPlayer::ClipPlayer(const QString& path, QObject* parent) : QObject(parent), m_path(path)
{
    m_ticks.setInterval(50);
    connect(&m_ticks, &QTimer::timeout, this, &ClipPlayer::tick);
}

ClipPlayer::~ClipPlayer()
{
    m_ticks.stop();
}

void ClipPlayer::play()
{
    if (!m_player) {
        // GStreamer opens files asynchronously and reports a missing one only later; a file that is not
        // there is known now, and must not flash the pause symbol.
        const QFileInfo file(m_path);
        if (m_path.isEmpty() || !file.isFile() || !file.isReadable()) {
            return;
        }
        m_player = new QMediaPlayer(this);
        m_output = new QAudioOutput(m_player);
        m_player->setAudioOutput(m_output);
        connect(m_player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
            if (status == QMediaPlayer::EndOfMedia) {
                finished();
            } else if (status == QMediaPlayer::InvalidMedia) {
                dropPlayer();
            }
        });
        connect(m_player, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error error, const QString&) {
            if (error != QMediaPlayer::NoError) {
                dropPlayer();
            }
        });
        m_player->setSource(QUrl::fromLocalFile(m_path));
    }
    if (m_player->mediaStatus() == QMediaPlayer::EndOfMedia) {
        m_player->setPosition(0);
    }
    m_player->play();
    if (!m_player) {
        return;
    }
    setPlaying(true);
    m_ticks.start();
}

void ClipPlayer::pause()
{
    if (m_player) {
        m_player->pause();
        // The position moved on since the last tick: the bar stops where the sound stopped.
        tick();
    }
    m_ticks.stop();
    setPlaying(false);
}

void ClipPlayer::tick()
{
    if (!m_player) {
        return;
    }
    const qint64 duration = m_player->duration();
    if (duration <= 0) {
        return;
    }
    setProgress(std::clamp(double(m_player->position()) / double(duration), 0.0, 1.0));
}

void ClipPlayer::finished()
{
    m_ticks.stop();
    setPlaying(false);
    setProgress(0);
}

void ClipPlayer::dropPlayer()
{
    // An unplayable file: as if play() had never been pressed, so the next press tries again.
    m_ticks.stop();
    if (m_player) {
        m_player->disconnect(this);
        m_player->deleteLater();
        m_player = nullptr;
        m_output = nullptr;
    }
    setPlaying(false);
}

void ClipPlayer::setPlaying(bool playing)
{
    if (playing == m_isPlaying) {
        return;
    }
    m_isPlaying = playing;
    Q_EMIT isPlayingChanged(playing);
}

void ClipPlayer::setProgress(double progress)
{
    if (!std::isfinite(progress) || progress == m_progress) {
        return;
    }
    m_progress = progress;
    Q_EMIT progressChanged(progress);
}
