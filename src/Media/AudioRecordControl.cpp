#include "Media/AudioRecordControl.h"

#include "Media/AudioRecorder.h"
#include "Media/MediaEnvironment.h"
#include "Media/RecordingWaveform.h"
#include "Media/SpeechTranscriber.h"
#include "Model/ClipDuration.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/SymbolIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

#include <utility>

using vsp::Color;

namespace {
/// The least contrast of a symbol against what it is drawn on (WCAG 2, non-text contrast).
constexpr double kSymbolContrast = 3.0;

const QColor kRed(255, 59, 48);

/// The recording bar: red-tinted glass behind its items, the level dot painted in front of the first
/// item's place. It enters by fading in and growing from 92 % anchored at its leading edge.
class RecordingBar final : public QWidget {
public:
    RecordingBar(AudioRecorder* recorder, vsp::SpringValue* presence, QWidget* parent)
        : QWidget(parent),
          m_recorder(recorder),
          m_presence(presence)
    {
        connect(presence, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const double presence = std::clamp(m_presence->value(), 0.0, 1.0);
        const double scale = 0.92 + 0.08 * presence;
        p.setOpacity(presence);
        p.translate(0, height() / 2.0);
        p.scale(scale, scale);
        p.translate(0, -height() / 2.0);
        QColor tint = kRed;
        tint.setAlphaF(0.1f);
        vsp::paintGlass(p, QRectF(rect()), vsp::Glass::regular().tinted(Color(tint)), vsp::GlassShape::RoundedRect, 9);
        QColor dot = kRed;
        dot.setAlphaF(float(0.6 + 0.4 * std::clamp(m_recorder->level(), 0.0, 1.0)));
        p.setPen(Qt::NoPen);
        p.setBrush(dot);
        p.drawEllipse(QRectF(10, (height() - 7) / 2.0, 7, 7));
    }

private:
    AudioRecorder* m_recorder;
    vsp::SpringValue* m_presence;
};

/// "Discard": the cross alone, without glass, shrinking a little while pressed.
class PlainSymbolButton final : public vsp::PaintedButton {
public:
    explicit PlainSymbolButton(QWidget* parent) : vsp::PaintedButton(parent)
    {
        setFixedSize(24, 24);
        setPressFeedback(0.94, 0.85, vsp::Spring{0.18, 1.0});
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        applyPress(p, QRectF(rect()));
        constexpr qreal kSide = 9;
        const QRectF symbol((width() - kSide) / 2.0, (height() - kSide) / 2.0, kSide, kSide);
        vsp::symbols::paint(p, u"xmark", symbol, Color::secondaryStyle().resolve());
    }
};

void setTextColor(QLabel* label, const QColor& color)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
}

} // namespace

AudioRecordControl::AudioRecordControl(OnComplete onComplete, QWidget* parent)
    : QWidget(parent),
      m_onComplete(std::move(onComplete)),
      m_recorder(new AudioRecorder(this)),
      m_voice(new GlassChipButton(this)),
      m_barPresence(new vsp::SpringValue(0, vsp::Spring{0.32, 0.8}, this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_voice);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    m_voice->setObjectName(QStringLiteral("voiceButton"));
    m_voice->setSymbol(QStringLiteral("mic"), 10);
    m_voice->setText(tr("Voice"));
    m_voice->setAccessibleName(tr("Record a voice note"));
    m_voice->setToolTip(tr("Record a voice note"));
    connect(m_voice, &QAbstractButton::clicked, this, &AudioRecordControl::startRecording);

    m_bar = new RecordingBar(m_recorder, m_barPresence, this);
    m_bar->setObjectName(QStringLiteral("recordingBar"));
    auto* bar = new QHBoxLayout(m_bar);
    // 10 on the left, then the 7-pixel dot painted by the bar and the row's spacing of 8.
    bar->setContentsMargins(10 + 7 + 8, 3, 10, 3);
    bar->setSpacing(8);
    m_elapsed = new QLabel(formatClipDuration(0), m_bar);
    m_elapsed->setObjectName(QStringLiteral("elapsed"));
    m_elapsed->setFont(vsp::fonts::monospaced(11, QFont::Medium));
    bar->addWidget(m_elapsed);
    m_waveform = new RecordingWaveform(5, m_bar);
    bar->addWidget(m_waveform);

    m_stop = new vsp::GlassButton(m_bar);
    m_stop->setObjectName(QStringLiteral("stopAndSave"));
    m_stop->setSide(24);
    m_stop->setSymbol(QStringLiteral("checkmark"), 10);
    m_stop->setSymbolColor([] {
        return vsp::withContrast(Color::resolvedAccent(1.0).resolve(),
                                 {vsp::composite(Color::resolvedAccent(0.18).resolve(), Color::vspSurface().resolve())},
                                 kSymbolContrast);
    });
    m_stop->setShape(vsp::GlassShape::Circle);
    m_stop->setGlass([] { return vsp::Glass::regular().tinted(Color::resolvedAccent(0.18)).makeInteractive(); });
    m_stop->setToolTip(tr("Stop & save"));
    m_stop->setAccessibleName(tr("Stop & save"));
    connect(m_stop, &QAbstractButton::clicked, this, &AudioRecordControl::stopAndSave);
    bar->addWidget(m_stop);

    m_discard = new PlainSymbolButton(m_bar);
    m_discard->setObjectName(QStringLiteral("discard"));
    m_discard->setToolTip(tr("Discard"));
    m_discard->setAccessibleName(tr("Discard"));
    connect(m_discard, &QAbstractButton::clicked, this, &AudioRecordControl::discard);
    bar->addWidget(m_discard);
    layout->addWidget(m_bar);
    m_bar->hide();

    auto applyColors = [this] { setTextColor(m_elapsed, Color::primaryStyle().resolve()); };
    applyColors();
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, applyColors);

    connect(m_recorder, &AudioRecorder::isRecordingChanged, this, &AudioRecordControl::showFace);
    connect(m_recorder, &AudioRecorder::isStartingChanged, this, &AudioRecordControl::showElapsed);
    connect(m_recorder, &AudioRecorder::elapsedChanged, this, &AudioRecordControl::showElapsed);
    connect(m_recorder, &AudioRecorder::failed, this, &AudioRecordControl::showFailure);
    connect(m_recorder, &AudioRecorder::cutShort, this, [this](const QString& reason) {
        m_cutReason = reason;
        stopAndSave();
    });
    connect(m_recorder, &AudioRecorder::levelChanged, this, [this](double level) {
        m_waveform->setLevel(level);
        m_bar->update();
    });
    connect(m_recorder, &AudioRecorder::permissionDeniedChanged, this, [this](bool denied) {
        if (denied) {
            showAlert();
        }
    });
}

AudioRecordControl::~AudioRecordControl()
{
    // Before the children go: the recorder's own teardown would otherwise report to a half-destroyed
    // control.
    m_closing = true;
    m_onComplete = nullptr;
    m_recorder->cancel();
}

void AudioRecordControl::completeRecording(const QString& path, double duration)
{
    if (m_onComplete && !m_closing) {
        m_onComplete(path, duration);
    }
}

void AudioRecordControl::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The sound plugins a press needs load once someone could record, on another thread, rather than in
    // every session; FFmpeg's (about 40 MB) waits until there is a note to save or play.
    vsp::warmUpMediaSoon(vsp::MediaUse::Recording);
}

void AudioRecordControl::startRecording()
{
    m_recorder->start();
    if (m_recorder->isRecording()) {
        // Every host transcribes what it keeps: the recogniser loads while the user speaks.
        SpeechTranscriber::prepare();
    }
}

void AudioRecordControl::stopAndSave()
{
    if (m_recorder->isStarting()) {
        m_recorder->stop({});
        showMessage(tr("Nothing recorded"),
                    tr("Nothing was recorded yet: the microphone had not started. Press Voice to try again."),
                    QStringLiteral("nothingRecorded"));
        return;
    }
    QPointer<AudioRecordControl> self(this);
    m_recorder->stop(
        [self, cut = std::exchange(m_cutReason, QString())](std::optional<AudioRecorder::Recording> recording) {
            if (!self || !recording) {
                return;
            }
            self->completeRecording(recording->path, recording->duration);
            if (!cut.isEmpty()) {
                self->showMessage(tr("Recording stopped"),
                                  tr("The recording stopped at %1 because %2. Everything up to then is kept.")
                                      .arg(formatClipDuration(recording->duration), cut),
                                  QStringLiteral("recordingCut"));
            }
        });
}

void AudioRecordControl::discard()
{
    m_recorder->cancel();
}

QMessageBox* AudioRecordControl::alert() const
{
    return m_alert;
}

QMessageBox* AudioRecordControl::failureMessage() const
{
    return m_failure;
}

double AudioRecordControl::dotOpacity() const
{
    return 0.6 + 0.4 * std::clamp(m_recorder->level(), 0.0, 1.0);
}

void AudioRecordControl::showFace()
{
    const bool recording = m_recorder->isRecording();
    if (recording) {
        showElapsed();
        m_waveform->setLevel(m_recorder->level());
        m_barPresence->setValue(0);
        m_voice->hide();
        m_bar->show();
        m_barPresence->animateTo(1);
    } else {
        m_bar->hide();
        m_barPresence->setValue(0);
        m_voice->show();
    }
    updateGeometry();
}

void AudioRecordControl::showElapsed()
{
    // Until the microphone delivers, no time is counted: a clock standing at 0:00 would look like a
    // recording that hears nothing.
    m_elapsed->setText(m_recorder->isStarting() ? tr("Starting…") : formatClipDuration(m_recorder->elapsed()));
}

void AudioRecordControl::showFailure(const QString& reason)
{
    showMessage(tr("Recording failed"), tr("The voice note could not be recorded: %1.").arg(reason),
                QStringLiteral("recordingFailed"));
}

void AudioRecordControl::showMessage(const QString& title, const QString& text, const QString& name)
{
    if (m_closing) {
        return;
    }
    if (m_failure) {
        m_failure->close();
    }
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, this);
    box->setObjectName(name);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    m_failure = box;
    box->open();
}

std::optional<QStringList> AudioRecordControl::soundSettingsCommand()
{
    // Each desktop's own sound panel first, then the stand-alone PulseAudio mixer on its input tab.
    const QList<QStringList> candidates = {
        {QStringLiteral("gnome-control-center"), QStringLiteral("sound")},
        {QStringLiteral("systemsettings"), QStringLiteral("kcm_pulseaudio")},
        {QStringLiteral("pavucontrol"), QStringLiteral("--tab=4")},
    };
    for (const QStringList& command : candidates) {
        const QString program = QStandardPaths::findExecutable(command.first());
        if (!program.isEmpty()) {
            QStringList found = command;
            found.first() = program;
            return found;
        }
    }
    return std::nullopt;
}

void AudioRecordControl::showAlert()
{
    if (m_alert) {
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, tr("Microphone access needed"),
                                tr("Vesperlog found no microphone it can open. Connect one, or choose a working "
                                   "input device in your sound settings, to record voice notes."),
                                QMessageBox::NoButton, this);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    const std::optional<QStringList> settings = soundSettingsCommand();
    QPushButton* open = nullptr;
    if (settings) {
        open = box->addButton(tr("Open Sound Settings"), QMessageBox::AcceptRole);
        open->setObjectName(QStringLiteral("openSoundSettings"));
    }
    box->setDefaultButton(box->addButton(QMessageBox::Cancel));
    connect(box, &QMessageBox::finished, this, [this, box, open, settings] {
        if (open && box->clickedButton() == open && settings) {
            QProcess::startDetached(settings->first(), settings->mid(1));
        }
        m_recorder->setPermissionDenied(false);
    });
    m_alert = box;
    box->open();
}
