#include "common/SoundFixtures.h"

#include <QAudioDevice>
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

} // namespace vsp::test
