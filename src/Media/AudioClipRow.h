#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class ClipPlayer;
class QLabel;
class QToolButton;

/// The row of one voice note: a round play/pause button, a progress bar, the duration, the transcript
/// when there is one and, while editing, a remove button ("Remove voice note"). Each row plays its file
/// with a ClipPlayer of its own; no file is opened before the first press of play. Shown, it has the
/// media warm-up for playback start soon (vsp::warmUpMediaSoon), so that press finds the backend loaded.
class AudioClipRow final : public QWidget {
    Q_OBJECT

public:
    /// `duration` in seconds as stored with the note; `onRemove` is called by the remove button.
    AudioClipRow(const QString& path, double duration, const std::optional<QString>& transcript, bool isEditing,
                 std::function<void()> onRemove, QWidget* parent = nullptr);

    /// Replaces the transcript shown (a transcript that arrives after the row was built).
    void setTranscript(const std::optional<QString>& transcript);

    QString path() const { return m_path; }

    ClipPlayer* player() const { return m_player; }
    QToolButton* playButton() const { return m_play; }
    QToolButton* removeButton() const { return m_remove; }
    QLabel* transcriptLabel() const { return m_transcript; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyColors();
    void togglePlayback();

    QString m_path;
    ClipPlayer* m_player;
    std::function<void()> m_onRemove;
    QLabel* m_duration;
    QLabel* m_waveIcon = nullptr;
    QLabel* m_transcript;
    QToolButton* m_play;
    QToolButton* m_remove = nullptr;
};
