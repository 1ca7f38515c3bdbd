#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class GlassChipButton;

/// The voice-note record control: a "Voice" button that, with a recorder, turns into a recording bar
/// whose "Stop & save" hands the temporary recording to the host.
///
/// Stand-in: this build has no recorder yet, so the "Voice" button is shown disabled and says so in
/// its tooltip. The interface is the final one.
class AudioRecordControl final : public QWidget {
    Q_OBJECT

public:
    /// Receives the temporary recording's local path and its length in seconds, on the main thread.
    using OnComplete = std::function<void(const QString& path, double duration)>;

    explicit AudioRecordControl(OnComplete onComplete, QWidget* parent = nullptr);

    /// Whether recording is possible in this build.
    static bool isAvailable() { return false; }

    /// What "Stop & save" does with a finished recording: hands it to the host. The file then belongs
    /// to the host.
    void completeRecording(const QString& path, double duration);

    GlassChipButton* voiceButton() const { return m_voice; }

private:
    OnComplete m_onComplete;
    GlassChipButton* m_voice;
};
