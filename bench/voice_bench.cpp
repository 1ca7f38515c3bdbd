// Voice notes, measured on this machine:
// - transcribe_10s_cold / transcribe_10s_warm: wall time from transcribe() until the text is delivered
//   for 10 s of espeak-ng speech, twice (the first loads the model, the second finds it kept), with the
//   CPU time it took and the machine's load, which the wall time depends on;
// - transcribe_gui_stall_max: the longest the GUI thread was kept from its events meanwhile, seen as the
//   largest lateness of a 4 ms timer;
// - record_first_level: from start() until the meter first shows sound, while a tone plays into the
//   test speaker that the microphone hears; the median and the worst of five;
// - first_use_stall / later_stall: the longest GUI-thread stall while a fresh process presses "Voice",
//   records, saves and plays the clip for the first time, and then a second time; each in three fresh
//   processes, with the backend warmed up beforehand for a recording (as a shown "Voice" button does) and
//   without; and for the very first press, before any warm-up, how long until the recorder is shown
//   (first_press_shown_max, target 100 ms) and the longest stall until it records (first_press_stall_max).
// - new_entry_stall: the same in a "New Entry" window, the way a user records a note: the longest stall
//   at each press and while recording, after the backend and model are loaded.
// Each stall figure comes with the longest stall of the same thread left idle meanwhile ("idle"): on a
// loaded machine the scheduler alone keeps a waiting thread from running for that long.
// Targets: 5 s, 16 ms, 300 ms and 16 ms. Voice notes do not depend on the journal, so only the smallest journal
// size is measured.

#include "common/BenchResults.h"
#include "common/BenchSupport.h"
#include "common/SoundFixtures.h"

#include "Editor/Compose/ComposeView.h"
#include "Editor/Compose/PendingAudioPreview.h"
#include "Media/AudioClipRow.h"
#include "Media/AudioRecordControl.h"
#include "Media/AudioRecorder.h"
#include "Media/ClipPlayer.h"
#include "Media/MediaEnvironment.h"
#include "Media/SpeechTranscriber.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

using vsp::bench::Result;

void waitUntil(const std::function<bool()>& done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    // Sleeps between events, as the app does: processEvents() with a time limit never waits, and a
    // spinning GUI thread would take a core from the recogniser. The timer wakes it to look again.
    QTimer poll;
    poll.start(5);
    while (!done() && clock.elapsed() < limitMs) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double loadAverage()
{
    double load = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1) {
            load = 0;
        }
        std::fclose(f);
    }
    return load;
}

struct Transcription {
    double seconds = -1;
    double cpuSeconds = 0;
    double maxStallMs = 0;
    QString text;
};

Transcription transcribeOnce(const QString& path)
{
    Transcription t;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(4);
    QElapsedTimer sinceTick;
    sinceTick.start();
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        t.maxStallMs = std::max(t.maxStallMs, double(sinceTick.nsecsElapsed()) / 1e6 - 4.0);
        sinceTick.restart();
    });
    bool done = false;
    QObject receiver;
    QElapsedTimer wall;
    const double cpu = processCpuSeconds();
    wall.start();
    ticker.start();
    sinceTick.restart();
    SpeechTranscriber::transcribe(path, &receiver, [&](std::optional<QString> text) {
        t.seconds = double(wall.nsecsElapsed()) / 1e9;
        t.cpuSeconds = processCpuSeconds() - cpu;
        t.text = text.value_or(QStringLiteral("(nothing)"));
        done = true;
    });
    waitUntil([&] { return done; }, 60'000);
    ticker.stop();
    return t;
}

/// The largest lateness of a 4 ms timer on the GUI thread between start() and stop().
class StallMeter {
public:
    StallMeter()
    {
        m_ticker.setTimerType(Qt::PreciseTimer);
        m_ticker.setInterval(4);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] {
            m_maxMs = std::max(m_maxMs, double(m_sinceTick.nsecsElapsed()) / 1e6 - 4.0);
            m_sinceTick.restart();
        });
    }
    void start()
    {
        m_maxMs = 0;
        m_sinceTick.start();
        m_ticker.start();
    }
    double stop()
    {
        m_ticker.stop();
        // A stall still under way when the window closes counts too.
        return std::max(m_maxMs, double(m_sinceTick.nsecsElapsed()) / 1e6 - 4.0);
    }

private:
    QTimer m_ticker;
    QElapsedTimer m_sinceTick;
    double m_maxMs = 0;
};

struct UseStalls {
    double shown = -1;
    double start = -1;
    double stop = -1;
    double play = -1;
};

/// Presses "Voice", records half a second, presses "Stop & save" and plays the clip for a second,
/// measuring the GUI thread's longest stall around each press.
UseStalls useOnce()
{
    UseStalls stalls;
    StallMeter meter;
    QString saved;
    AudioRecordControl control([&](const QString& path, double) { saved = path; });
    control.show();
    waitUntil([] { return false; }, 50);
    meter.start();
    QElapsedTimer press;
    press.start();
    control.startRecording();
    // The bar is shown (or not) by the time the press returns; it is painted in the next turn.
    if (control.recordingBar()->isVisible()) {
        stalls.shown = double(press.nsecsElapsed()) / 1e6;
    }
    waitUntil([&] { return control.recorder()->elapsed() >= 0.5; }, 5000);
    stalls.start = meter.stop();
    meter.start();
    control.stopAndSave();
    waitUntil([&] { return !saved.isEmpty(); }, 5000);
    waitUntil([] { return false; }, 100);
    stalls.stop = meter.stop();
    if (saved.isEmpty()) {
        return stalls;
    }
    AudioClipRow row(saved, 0.5, std::nullopt, false, nullptr);
    row.show();
    waitUntil([] { return false; }, 50);
    meter.start();
    row.player()->play();
    waitUntil([&] { return row.player()->progress() > 0.3 || !row.player()->isPlaying(); }, 5000);
    row.player()->pause();
    stalls.play = meter.stop();
    QFile::remove(saved);
    return stalls;
}

/// The child process of the first-use measurement: prints "first-use <start> <stop> <play> later <…>
/// warm-up <the longest stall while warming up> idle <the longest while idle> shown <press → bar>", in ms.
int measureFirstUse(bool warm)
{
    QTemporaryDir folder;
    AudioRecorder::setRecordingFolder(folder.path());
    double warmUpStall = 0;
    if (warm) {
        StallMeter meter;
        meter.start();
        bool ready = false;
        // What a shown "Voice" button warms up: the rest loads once the recording stops.
        vsp::warmUpMedia(
            nullptr, [&] { ready = true; }, vsp::MediaUse::Recording);
        waitUntil([&] { return ready; }, 10'000);
        warmUpStall = meter.stop();
    }
    // The same quiet moment in both, so only the warm-up differs; the longest stall meanwhile is the
    // machine's own, with nothing to do on this thread.
    StallMeter idle;
    idle.start();
    waitUntil([] { return false; }, 300);
    const double idleStall = idle.stop();
    const UseStalls first = useOnce();
    const UseStalls later = useOnce();
    std::printf("first-use %.1f %.1f %.1f later %.1f %.1f %.1f warm-up %.1f idle %.1f shown %.1f\n", first.start,
                first.stop, first.play, later.start, later.stop, later.play, warmUpStall, idleStall, first.shown);
    return 0;
}

struct FirstUse {
    std::vector<double> firstPress;
    std::vector<double> shown;
    std::vector<double> first;
    std::vector<double> later;
    QString detail;
};

FirstUse runFirstUse(const char* program, bool warm)
{
    FirstUse result;
    for (int run = 0; run < 3; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QString::fromLocal8Bit(program),
                    {warm ? QStringLiteral("--first-use=warm") : QStringLiteral("--first-use=cold")});
        child.waitForFinished(60'000);
        const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
        const QStringList fields = out.mid(out.indexOf(QStringLiteral("first-use"))).simplified().split(u' ');
        if (fields.size() < 14) {
            continue;
        }
        result.firstPress.push_back(fields[1].toDouble());
        result.shown.push_back(fields[13].toDouble());
        const double f = std::max({fields[1].toDouble(), fields[2].toDouble(), fields[3].toDouble()});
        const double l = std::max({fields[5].toDouble(), fields[6].toDouble(), fields[7].toDouble()});
        result.first.push_back(f);
        result.later.push_back(l);
        result.detail +=
            QStringLiteral("  [start %1, stop %2, play %3 | later %4, %5, %6 | warm-up %7 | idle %8]")
                .arg(fields[1], fields[2], fields[3], fields[5], fields[6], fields[7], fields[9], fields[11]);
    }
    return result;
}

QString listOf(const std::vector<double>& values)
{
    QStringList parts;
    for (double v : values) {
        parts.append(QString::number(v, 'f', 0));
    }
    return parts.join(QStringLiteral(", "));
}

double largest(const std::vector<double>& values)
{
    return values.empty() ? -1 : *std::max_element(values.begin(), values.end());
}

struct NewEntryStalls {
    double idle = -1;
    double press = -1;
    double recording = -1;
    double save = -1;
    double play = -1;
};

/// Records a note in a "New Entry" window twice (press "Voice", two seconds of recording, "Stop & save",
/// play the waiting note), measuring the longest GUI stall of each step; the worse of the two.
NewEntryStalls newEntryStalls()
{
    JournalStore store;
    AppSettings settings;
    MoodStore moods;
    QWidget window;
    window.resize(720, 600);
    auto* view = new ComposeView(
        store, settings, moods, [&window] { window.close(); }, &window);
    view->setGeometry(window.rect());
    auto* record = view->findChild<AudioRecordControl*>(QStringLiteral("recordControl"));
    window.show();
    waitUntil([] { return false; }, 500);
    NewEntryStalls worst;
    StallMeter meter;
    // The window with nothing to do: what the machine's load alone costs the GUI thread.
    meter.start();
    waitUntil([] { return false; }, 2000);
    worst.idle = meter.stop();
    for (int round = 0; round < 2; ++round) {
        AudioRecorder* recorder = record->recorder();
        const qsizetype notes = view->pendingAudio().size();
        meter.start();
        record->startRecording();
        waitUntil([&] { return recorder->elapsed() >= 0.3; }, 5000);
        worst.press = std::max(worst.press, meter.stop());
        meter.start();
        waitUntil([&] { return recorder->elapsed() >= 2.3; }, 10'000);
        worst.recording = std::max(worst.recording, meter.stop());
        meter.start();
        record->stopAndSave();
        waitUntil([&] { return view->pendingAudio().size() > notes; }, 5000);
        waitUntil([] { return false; }, 500);
        worst.save = std::max(worst.save, meter.stop());
        const QList<AudioClipRow*> rows = view->findChild<PendingAudioPreview*>()->findChildren<AudioClipRow*>();
        if (!rows.isEmpty()) {
            meter.start();
            rows.last()->player()->play();
            waitUntil([&] { return rows.last()->player()->progress() > 0.3; }, 5000);
            rows.last()->player()->pause();
            worst.play = std::max(worst.play, meter.stop());
        }
    }
    window.close();
    return worst;
}

double firstLevelMs(const QString& tone)
{
    std::unique_ptr<QProcess> player(vsp::test::playIntoSpeaker(tone));
    // Let the tone reach the microphone before the clock starts.
    QElapsedTimer settle;
    settle.start();
    waitUntil([&] { return settle.elapsed() > 400; }, 1000);
    AudioRecorder recorder;
    QElapsedTimer clock;
    double ms = -1;
    QObject::connect(&recorder, &AudioRecorder::levelChanged, [&](double level) {
        if (level > 0 && ms < 0) {
            ms = double(clock.nsecsElapsed()) / 1e6;
        }
    });
    clock.start();
    recorder.start();
    waitUntil([&] { return ms >= 0; }, 5000);
    recorder.cancel();
    if (player) {
        player->kill();
        player->waitForFinished();
    }
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    const int size = vsp::bench::takeJournalSize(argc, argv, 1000);
    if (size > 1000) {
        std::printf("voice notes do not depend on the journal; measured with the smallest one only\n");
        return 0;
    }
    // The New Entry window reads and writes a journal and settings: private ones, not the user's.
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    vsp::prepareMediaEnvironment();
    QApplication app(argc, argv);
    for (const QString& argument : QCoreApplication::arguments()) {
        if (argument.startsWith(QStringLiteral("--first-use="))) {
            return measureFirstUse(argument.endsWith(QStringLiteral("warm")));
        }
    }
    // Before anything here loads the multimedia backend: each run is a fresh process.
    FirstUse unwarmed;
    FirstUse warmed;
    if (qEnvironmentVariableIsSet("PULSE_SERVER")) {
        unwarmed = runFirstUse(argv[0], false);
        warmed = runFirstUse(argv[0], true);
    }
    QTemporaryDir folder;
    AudioRecorder::setRecordingFolder(folder.path());
    const QString raw = folder.filePath(QStringLiteral("speech-raw.wav"));
    const QString speech = folder.filePath(QStringLiteral("speech.wav"));
    const QString tone = folder.filePath(QStringLiteral("tone.wav"));
    if (!vsp::test::writeSpeech(QStringLiteral("Today I went to the market and bought some fresh bread. The weather "
                                               "was lovely and I walked home through the park with my dog. Tomorrow "
                                               "I will write more about it."),
                                raw)
        || QProcess::execute(QStringLiteral("sox"), {raw, QStringLiteral("-r"), QStringLiteral("16000"), speech,
                                                     QStringLiteral("trim"), QStringLiteral("0"), QStringLiteral("10")})
               != 0
        || !vsp::test::writeTone(tone, 30)) {
        std::printf("bench_voice: espeak-ng or sox failed\n");
        return 1;
    }

    // As in the app, where the multimedia backend is loaded once the window is shown: the first
    // transcription then loads only its model.
    bool mediaReady = false;
    vsp::warmUpMedia(nullptr, [&] { mediaReady = true; });
    waitUntil([&] { return mediaReady; }, 10'000);
    const Transcription cold = transcribeOnce(speech);
    const Transcription warm = transcribeOnce(speech);
    std::printf("transcribe 10 s of speech: %.2f s cold, %.2f s warm (target 5 s); CPU %.2f s and %.2f s; load "
                "average %.1f on %d cores\n",
                cold.seconds, warm.seconds, cold.cpuSeconds, warm.cpuSeconds, loadAverage(),
                QThread::idealThreadCount());
    std::printf("longest GUI-thread stall meanwhile: %.1f ms cold, %.1f ms warm (target 16 ms)\n", cold.maxStallMs,
                warm.maxStallMs);
    std::printf("heard: %s\n", qPrintable(warm.text));

    QList<Result> results = {
        {QStringLiteral("transcribe_10s_cold"), 0, cold.seconds, QStringLiteral("s")},
        {QStringLiteral("transcribe_10s_warm"), 0, warm.seconds, QStringLiteral("s")},
        {QStringLiteral("transcribe_gui_stall_max"), 0, std::max(cold.maxStallMs, warm.maxStallMs),
         QStringLiteral("ms")},
    };
    if (vsp::test::hasSoundServer()) {
        std::vector<double> levels;
        for (int i = 0; i < 5; ++i) {
            levels.push_back(firstLevelMs(tone));
        }
        std::sort(levels.begin(), levels.end());
        std::printf("record start → first level: median %.0f ms, worst %.0f ms (target 300 ms)\n", levels[2],
                    levels.back());
        results.append({QStringLiteral("record_first_level_median"), 0, levels[2], QStringLiteral("ms")});
        results.append({QStringLiteral("record_first_level_max"), 0, levels.back(), QStringLiteral("ms")});
        std::printf("first use (record, save, play) longest GUI stall, three fresh processes: without warm-up %s ms, "
                    "warmed up %s ms (target 16 ms)\n",
                    qPrintable(listOf(unwarmed.first)), qPrintable(listOf(warmed.first)));
        std::printf("later uses: without warm-up %s ms, warmed up %s ms\n", qPrintable(listOf(unwarmed.later)),
                    qPrintable(listOf(warmed.later)));
        std::printf("per press (ms):\n without%s\n warmed%s\n", qPrintable(unwarmed.detail), qPrintable(warmed.detail));
        const NewEntryStalls entry = newEntryStalls();
        std::printf("in New Entry, longest GUI stall: pressing Voice %.1f ms, while recording %.1f ms, Stop & save "
                    "%.1f ms, playing the note %.1f ms (target 16 ms); idle for 2 s %.1f ms\n",
                    entry.press, entry.recording, entry.save, entry.play, entry.idle);
        results.append({QStringLiteral("new_entry_stall_max"), 0,
                        std::max({entry.press, entry.recording, entry.save, entry.play}), QStringLiteral("ms")});
        results.append({QStringLiteral("first_use_stall_max"), 0, largest(warmed.first), QStringLiteral("ms")});
        std::printf("first press of Voice in a fresh process, before any warm-up: recorder shown after %s ms "
                    "(target 100 ms), longest GUI stall until it records %s ms\n",
                    qPrintable(listOf(unwarmed.shown)), qPrintable(listOf(unwarmed.firstPress)));
        results.append({QStringLiteral("first_press_shown_max"), 0, largest(unwarmed.shown), QStringLiteral("ms")});
        results.append(
            {QStringLiteral("first_press_stall_max"), 0, largest(unwarmed.firstPress), QStringLiteral("ms")});
        results.append({QStringLiteral("later_use_stall_max"), 0, largest(warmed.later), QStringLiteral("ms")});
    } else {
        std::printf("record start → first level: no sound server (run through scripts/run-bench.sh)\n");
    }
    vsp::bench::recordResults(results);
    return 0;
}
