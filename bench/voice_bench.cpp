// Voice notes, measured on this machine:
// - transcribe_10s_cold / transcribe_10s_warm: wall time from transcribe() until the text is delivered
//   for 10 s of espeak-ng speech, twice (each loads its model), with the CPU time it took and the
//   machine's load, which the wall time depends on;
// - transcribe_gui_stall_max: the longest the GUI thread was kept from its events meanwhile, seen as the
//   largest lateness of a 4 ms timer;
// - record_first_level: from start() until the meter first shows sound, while a tone plays into the
//   test speaker that the microphone hears; the median and the worst of five.
// Targets: 5 s, 16 ms and 300 ms. Voice notes do not depend on the journal, so only the smallest journal
// size is measured.

#include "common/BenchResults.h"
#include "common/BenchSupport.h"
#include "common/SoundFixtures.h"

#include "Media/AudioRecorder.h"
#include "Media/MediaEnvironment.h"
#include "Media/SpeechTranscriber.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
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
    while (!done() && clock.elapsed() < limitMs) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
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
    vsp::prepareMediaEnvironment();
    QApplication app(argc, argv);
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
    } else {
        std::printf("record start → first level: no sound server (run through scripts/run-bench.sh)\n");
    }
    vsp::bench::recordResults(results);
    return 0;
}
