// Writes PNG pictures of the voice-note pieces in the dark and the light appearance: the "Voice" button,
// the recording bar while it starts ("voice-starting-<mode>.png") and while it records a tone, and an entry's voice notes (one playing, one with a
// transcript, one in edit mode): voice_screenshots <output folder> <tone.wav>. Needs a sound server
// (scripts/sound-server.sh) and a display (xvfb-run).

#include "Media/AudioClipRow.h"
#include "Media/AudioClipsView.h"
#include "Media/AudioRecordControl.h"
#include "Media/AudioRecorder.h"
#include "Media/ClipPlayer.h"
#include "Media/MediaEnvironment.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/Uuid.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Palette.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QVBoxLayout>

#include <cstdio>

namespace {

void pause(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

class Backdrop final : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), vsp::Color::vspBackground().resolve());
    }
};

void shoot(const QString& mode, const QString& out, const QString& tone)
{
    AppSettings::instance().setAppearanceMode(mode);
    AppearanceManager::instance().refresh();
    AppearanceManager::instance().apply();

    JournalStore store;
    const QUuid entry = vsp::newUuid();
    QList<AudioClip> clips;
    const QStringList transcripts = {QString(), QStringLiteral("walk through the park and then home for tea")};
    for (int i = 0; i < 2; ++i) {
        const auto name = store.storeAudio(tone, entry);
        clips.append(AudioClip{vsp::newUuid(), name.value_or(QString()), i == 0 ? 12.4 : 75.5,
                               transcripts.at(i).isEmpty() ? std::nullopt : std::optional(transcripts.at(i))});
    }

    Backdrop window;
    window.resize(720, 560);
    auto* column = new QVBoxLayout(&window);
    column->setContentsMargins(28, 24, 28, 24);
    column->setSpacing(16);
    auto* idle = new AudioRecordControl([](const QString&, double) {}, &window);
    column->addWidget(idle, 0, Qt::AlignLeft);
    auto* recording = new AudioRecordControl([](const QString&, double) {}, &window);
    column->addWidget(recording, 0, Qt::AlignLeft);
    auto* reading = new AudioClipsView(entry, clips, false, nullptr, &window);
    column->addWidget(reading);
    auto* editing = new AudioClipsView(
        entry, {clips.first()}, true, [](const AudioClip&) {}, &window);
    column->addWidget(editing);
    column->addStretch(1);
    window.show();

    QProcess player;
    player.start(QStringLiteral("paplay"), {tone});
    pause(300);
    recording->startRecording();
    // Until the microphone's first sound reaches this thread the bar says it is starting.
    if (recording->recorder()->isStarting()) {
        recording->grab().save(out + QStringLiteral("/voice-starting-") + mode + QStringLiteral(".png"));
    }
    reading->rows().first()->player()->play();
    pause(2300);
    const QString path = out + QStringLiteral("/voice-") + mode + QStringLiteral(".png");
    window.grab().save(path);
    std::printf("%s (recording: %s)\n", qPrintable(path), recording->recorder()->isRecording() ? "yes" : "no");
    recording->discard();
    reading->rows().first()->player()->pause();
    player.kill();
    player.waitForFinished();
}

} // namespace

int main(int argc, char** argv)
{
    vsp::prepareMediaEnvironment();
    QApplication app(argc, argv);
    if (argc < 3) {
        std::printf("usage: voice_screenshots <output folder> <tone.wav>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString tone = QString::fromLocal8Bit(argv[2]);
    shoot(QStringLiteral("dark"), out, tone);
    shoot(QStringLiteral("light"), out, tone);
    return 0;
}
