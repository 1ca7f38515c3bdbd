#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QAudioOutput;
class QMediaPlayer;

/// Plays one audio file: opened on the first play(), resumed where it paused, back to the start at the
/// end. A file that cannot be opened (missing, unreadable, not audio) plays nothing, prints nothing and
/// is tried again on the next play(). GUI thread only.
class ClipPlayer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipPlayer)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)

public:
    /// Touches no file until play().
    explicit ClipPlayer(const QString& path, QObject* parent = nullptr);
    ~ClipPlayer() override;

    void play();
    void pause();

    bool isPlaying() const { return m_isPlaying; }
    /// Played fraction 0...1, refreshed every 50 ms while playing; kept on pause, 0 after the end.
    double progress() const { return m_progress; }
    QString path() const { return m_path; }

Q_SIGNALS:
    void isPlayingChanged(bool isPlaying);
    void progressChanged(double progress);

private:
    void tick();
    void finished();
    void dropPlayer();
    void setPlaying(bool playing);
    void setProgress(double progress);

    QString m_path;
    QPointer<QMediaPlayer> m_player;
    QAudioOutput* m_output = nullptr;
    QTimer m_ticks;
    bool m_isPlaying = false;
    double m_progress = 0;
};
