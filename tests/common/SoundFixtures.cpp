#include "common/SoundFixtures.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMediaDevices>
#include <QProcess>
#include <QStringList>

namespace vsp::test {

namespace {

bool runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30'000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

bool hasSoundServer()
{
    return !QMediaDevices::audioInputs().isEmpty() && !QMediaDevices::audioOutputs().isEmpty();
}

bool writeSpeech(const QString& text, const QString& path)
{
    return runTool(QStringLiteral("espeak-ng"), {QStringLiteral("-v"), QStringLiteral("en-us"), QStringLiteral("-s"),
                                                 QStringLiteral("140"), QStringLiteral("-w"), path, text});
}

bool writeTone(const QString& path, double seconds, bool silent)
{
    QStringList args = {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("16000"), QStringLiteral("-c"),
                        QStringLiteral("1"),  QStringLiteral("-b"), QStringLiteral("16"),    path};
    if (silent) {
        args << QStringLiteral("trim") << QStringLiteral("0") << QString::number(seconds);
    } else {
        args << QStringLiteral("synth") << QString::number(seconds) << QStringLiteral("sine") << QStringLiteral("440")
             << QStringLiteral("vol") << QStringLiteral("0.5");
    }
    return runTool(QStringLiteral("sox"), args);
}

QProcess* playIntoSpeaker(const QString& wavPath)
{
    auto* process = new QProcess;
    process->start(QStringLiteral("paplay"), {wavPath});
    if (!process->waitForStarted(5000)) {
        delete process;
        return nullptr;
    }
    return process;
}

SlowMicrophone::SlowMicrophone()
{
    if (!m_folder.isValid() || !hasSoundServer()) {
        return;
    }
    const QString pipe = m_folder.filePath(QStringLiteral("slow.pipe"));
    QProcess load;
    load.start(QStringLiteral("pactl"),
               {QStringLiteral("load-module"), QStringLiteral("module-pipe-source"),
                QStringLiteral("source_name=vsp_slow_mic"), QStringLiteral("file=") + pipe,
                QStringLiteral("format=s16le"), QStringLiteral("rate=44100"), QStringLiteral("channels=1")});
    if (!load.waitForFinished(10'000) || load.exitCode() != 0) {
        return;
    }
    m_module = QString::fromLatin1(load.readAllStandardOutput()).trimmed();
    // Qt learns of the new source from the server's events, a moment later.
    const QDeadlineTimer limit(10'000);
    while (m_device.isNull() && !limit.hasExpired()) {
        for (const QAudioDevice& input : QMediaDevices::audioInputs()) {
            if (input.id() == "vsp_slow_mic") {
                m_device = input;
            }
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

SlowMicrophone::~SlowMicrophone()
{
    disarm();
    if (!m_module.isEmpty()) {
        QProcess::execute(QStringLiteral("pactl"), {QStringLiteral("unload-module"), m_module});
    }
}

bool SlowMicrophone::arm(int delayMs)
{
    disarm();
    if (m_device.isNull()) {
        return false;
    }
    // The feeder holds the pipe open from the start, so the source waits for data rather than making
    // silence of its own. It counts the delay from the moment a recorder has opened the source, and only
    // then feeds it: fed earlier, the pipe would store the sound and hand it over all at once.
    m_feeder = std::make_unique<QProcess>();
    m_feeder->start(QStringLiteral("sh"),
                    {QStringLiteral("-c"),
                     QStringLiteral("exec 3>\"$0\"; "
                                    "index=$(pactl list short sources | awk '$2 == \"vsp_slow_mic\" { print $1 }'); "
                                    "until pactl list short source-outputs | awk -v i=\"$index\" "
                                    "'$2 == i { found = 1 } END { exit !found }'; do sleep 0.02; done; "
                                    "sleep \"$1\"; exec parec -d vsp_speaker.monitor --raw --format=s16le "
                                    "--rate=44100 --channels=1 --latency-msec=10 >&3"),
                     m_folder.filePath(QStringLiteral("slow.pipe")), QString::number(delayMs / 1000.0, 'f', 3)});
    return m_feeder->waitForStarted(5000);
}

void SlowMicrophone::disarm()
{
    if (!m_feeder) {
        return;
    }
    m_feeder->kill();
    m_feeder->waitForFinished(5000);
    m_feeder.reset();
}

} // namespace vsp::test
