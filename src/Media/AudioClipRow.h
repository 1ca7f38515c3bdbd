#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QToolButton;

/// The row of one voice note: a round play button, a progress bar, the duration, the transcript when
/// there is one and, while editing, a remove button ("Remove voice note").
///
/// Stand-in: this build cannot play audio yet, so the play button is disabled. The interface is the
/// final one.
class AudioClipRow final : public QWidget {
    Q_OBJECT

public:
    /// `duration` in seconds as stored with the note; `onRemove` is called by the remove button.
    AudioClipRow(const QString& path, double duration, const std::optional<QString>& transcript, bool isEditing,
                 std::function<void()> onRemove, QWidget* parent = nullptr);

    /// Replaces the transcript shown (a transcript that arrives after the row was built).
    void setTranscript(const std::optional<QString>& transcript);

    QString path() const { return m_path; }
    /// "m:ss", minutes unbounded ("61:05"); negative or non-finite lengths show as "0:00".
    static QString formatClipDuration(double seconds);

    QToolButton* removeButton() const { return m_remove; }
    QLabel* transcriptLabel() const { return m_transcript; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void applyColors();

    QString m_path;
    std::function<void()> m_onRemove;
    QLabel* m_duration;
    QLabel* m_transcript;
    QToolButton* m_play;
    QToolButton* m_remove = nullptr;
};
