#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class AudioRecorder;
class QAbstractButton;
class GlassChipButton;
class QLabel;
class QMessageBox;
class RecordingWaveform;

namespace vsp {
class GlassButton;
class SpringValue;
} // namespace vsp

/// The one control that records a voice note. At rest a "Voice" button; while recording a compact bar
/// with a red dot that brightens with the input level, the elapsed time ("Starting…" until the microphone
/// delivers), a live waveform, "Stop & save" and "Discard". Without a usable microphone it shows the alert
/// "Microphone access needed"; a recording that fails otherwise shows "Recording failed" with the reason.
/// A recording the disk can take no more of is stopped and saved at once, and "Recording stopped" says
/// where and why; "Stop & save" while still starting says that nothing was recorded yet.
///
/// Shown, it has the media warm-up for a recording start soon (vsp::warmUpMediaSoon), so the first press
/// finds the backend loaded.
/// The control owns its recorder for its lifetime. Destroying the control while it records discards the
/// recording (its file is removed); `onComplete` is never called after that.
class AudioRecordControl final : public QWidget {
    Q_OBJECT

public:
    /// Receives the temporary recording's local path and its length in seconds, on the main thread. The
    /// file then belongs to the host.
    using OnComplete = std::function<void(const QString& path, double duration)>;

    explicit AudioRecordControl(OnComplete onComplete, QWidget* parent = nullptr);
    ~AudioRecordControl() override;

    /// What "Stop & save" does with a finished recording: hands it to the host.
    void completeRecording(const QString& path, double duration);

    /// "Voice": starts recording (or shows the alert when no microphone can be opened).
    void startRecording();
    /// "Stop & save": the recording goes to `onComplete` once its file is finished; nothing when there
    /// was none (while starting, a message says so).
    void stopAndSave();
    /// "Discard": ends the recording and deletes its file; `onComplete` is not called.
    void discard();

    AudioRecorder* recorder() const { return m_recorder; }
    GlassChipButton* voiceButton() const { return m_voice; }
    QWidget* recordingBar() const { return m_bar; }
    RecordingWaveform* waveform() const { return m_waveform; }
    // The bar's stop, discard and elapsed-time children are named "stopAndSave", "discard" and "elapsed".
    /// The open "Microphone access needed" alert, if any.
    QMessageBox* alert() const;
    /// The open message about the last recording, if any: "Recording failed" (no AAC encoder, no sound, a
    /// file that cannot be written), "Recording stopped" (cut short) or "Nothing recorded".
    QMessageBox* failureMessage() const;
    /// The opacity of the recording dot, 0.6 in silence to 1.0 at full level.
    double dotOpacity() const;

    /// The program and arguments that open this desktop's sound input settings, when one is installed.
    static std::optional<QStringList> soundSettingsCommand();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showFace();
    void showElapsed();
    void showAlert();
    void showFailure(const QString& reason);
    void showMessage(const QString& title, const QString& text, const QString& name);

    OnComplete m_onComplete;
    AudioRecorder* m_recorder;
    GlassChipButton* m_voice;
    QWidget* m_bar;
    QLabel* m_elapsed;
    RecordingWaveform* m_waveform;
    vsp::GlassButton* m_stop;
    QAbstractButton* m_discard;
    vsp::SpringValue* m_barPresence;
    QPointer<QMessageBox> m_alert;
    QPointer<QMessageBox> m_failure;
    bool m_closing = false;
    /// Why the recording under way can take no more; said once it is saved.
    QString m_cutReason;
};
