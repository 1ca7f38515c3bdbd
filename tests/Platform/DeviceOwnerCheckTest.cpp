#include "DeviceOwnerCheckTest.h"

#include "common/TestSupport.h"

#include "Platform/PamAuthenticator.h"
#include "Platform/ReduceMotion.h"

#include <QDBusVariant>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Outcome = DeviceOwnerAuthenticator::Outcome;
Q_DECLARE_METATYPE(std::optional<bool>)

namespace {

constexpr int kWait = 10000;

/// A folder of PAM service files; "check" reads the password from stdin and accepts only "open sesame".
struct StackFolder {
    QTemporaryDir dir;

    void write(const QString& service, const QByteArray& text)
    {
        QFile file(dir.filePath(service));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QByteArray checkScript()
    {
        const QString path = dir.filePath(QStringLiteral("check.sh"));
        QFile file(path);
        if (!file.exists()) {
            file.open(QIODevice::WriteOnly);
            file.write("#!/bin/sh\nread -r secret\n[ \"$secret\" = \"open sesame\" ]\n");
            file.close();
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        return path.toLocal8Bit();
    }

    PamAuthenticator::Options options(const QString& service) { return {service, dir.path(), 0}; }
};

/// Answers every prompt with `answer`, or refuses it when `answer` is empty; records what was asked.
struct Answering {
    QStringList prompts;
    QList<Outcome> outcomes;

    void attach(PamAuthenticator& check, const QByteArray& answer)
    {
        QObject::connect(&check, &DeviceOwnerAuthenticator::promptRequested, &check,
                         [this, &check, answer](const QString& prompt, bool) {
                             prompts << prompt;
                             if (answer.isEmpty()) {
                                 check.cancel();
                             } else {
                                 QByteArray secret = answer;
                                 secret.detach();
                                 check.answer(secret);
                                 QVERIFY(secret.isEmpty());
                             }
                         });
        QObject::connect(&check, &DeviceOwnerAuthenticator::finished, &check,
                         [this](Outcome outcome) { outcomes << outcome; });
    }
};

} // namespace

void DeviceOwnerCheckTest::pamStack_decidesTheOutcome_data()
{
    QTest::addColumn<QByteArray>("stack");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("prompts");
    QTest::addColumn<Outcome>("outcome");
    const QByteArray permit = "auth required pam_permit.so\naccount required pam_permit.so\n";
    const QByteArray check = "auth required pam_exec.so expose_authtok CHECK\naccount required pam_permit.so\n";
    QTest::newRow("permitting stack") << permit << QByteArray() << 0 << Outcome::Succeeded;
    QTest::newRow("denying stack") << QByteArray("auth required pam_deny.so\n") << QByteArray() << 0 << Outcome::Failed;
    QTest::newRow("account refused") << QByteArray("auth required pam_permit.so\naccount required pam_deny.so\n")
                                     << QByteArray() << 0 << Outcome::Failed;
    QTest::newRow("right password") << check << QByteArray("open sesame") << 1 << Outcome::Succeeded;
    QTest::newRow("wrong password") << check << QByteArray("open sesame!") << 1 << Outcome::Failed;
    QTest::newRow("prompt cancelled") << check << QByteArray() << 1 << Outcome::Failed;
}

void DeviceOwnerCheckTest::pamStack_decidesTheOutcome()
{
    QFETCH(QByteArray, stack);
    QFETCH(QByteArray, answer);
    QFETCH(int, prompts);
    QFETCH(Outcome, outcome);
    StackFolder folder;
    folder.write(QStringLiteral("vesperlog"), QByteArray(stack).replace("CHECK", folder.checkScript()));
    PamAuthenticator check(folder.options(QStringLiteral("vesperlog")));
    Answering answering;
    answering.attach(check, answer);
    check.start();
    QTRY_COMPARE_WITH_TIMEOUT(answering.outcomes.size(), 1, kWait);
    QCOMPARE(answering.outcomes.first(), outcome);
    QCOMPARE(answering.prompts.size(), prompts);
}

void DeviceOwnerCheckTest::stackThatCannotStart_isUnavailable_andSaysSo()
{
    StackFolder folder;
    vsp::test::StdoutCapture out;
    PamAuthenticator check(folder.options(QStringLiteral("vesperlog")));
    Answering answering;
    answering.attach(check, QByteArray());
    check.start();
    QTRY_COMPARE_WITH_TIMEOUT(answering.outcomes.size(), 1, kWait);
    QCOMPARE(answering.outcomes.first(), Outcome::Unavailable);
    const QStringList lines = out.lines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(
                 QStringLiteral("Vesperlog: unlock check failed — the PAM service \"vesperlog\" could not start")),
             qPrintable(lines.first()));
}

void DeviceOwnerCheckTest::stackLines_reachTheConversation()
{
    // What a module writes for the user (a security key's "Touch the key", say) arrives as a line.
    StackFolder folder;
    const QString script = folder.dir.filePath(QStringLiteral("say.sh"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\necho Touch the key\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    folder.write(QStringLiteral("vesperlog"),
                 "auth required pam_exec.so stdout " + script.toLocal8Bit() + "\naccount required pam_permit.so\n");
    PamAuthenticator check(folder.options(QStringLiteral("vesperlog")));
    QSignalSpy lines(&check, &DeviceOwnerAuthenticator::messageReceived);
    QSignalSpy finished(&check, &DeviceOwnerAuthenticator::finished);
    check.start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kWait);
    QCOMPARE(finished.first().first().value<Outcome>(), Outcome::Succeeded);
    QCOMPARE(lines.count(), 1);
    QCOMPARE(lines.first().first().toString(), QStringLiteral("Touch the key"));
    QCOMPARE(lines.first().last().toBool(), false);
}

void DeviceOwnerCheckTest::droppedWhileAsking_endsWithoutAnAnswer()
{
    StackFolder folder;
    folder.write(QStringLiteral("vesperlog"),
                 "auth required pam_exec.so expose_authtok " + folder.checkScript() + "\n");
    auto check = std::make_unique<PamAuthenticator>(folder.options(QStringLiteral("vesperlog")));
    QSignalSpy asked(check.get(), &DeviceOwnerAuthenticator::promptRequested);
    check->start();
    QTRY_COMPARE_WITH_TIMEOUT(asked.count(), 1, kWait);
    // The thread waits for an answer that never comes: going away must end it, not hang.
    check.reset();
}

void DeviceOwnerCheckTest::reduceMotion_readsEveryDesktopForm_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<std::optional<bool>>("reduce");
    const QString portal = QStringLiteral("portal");
    const QString gsettings = QStringLiteral("gsettings");
    const QString env = QStringLiteral("environment");
    QTest::newRow("portal reduce") << portal << QVariant::fromValue(QDBusVariant(uint(1))) << std::optional(true);
    QTest::newRow("portal none") << portal << QVariant(uint(0)) << std::optional(false);
    QTest::newRow("portal unknown") << portal << QVariant(uint(7)) << std::optional<bool>();
    QTest::newRow("portal text") << portal << QVariant(QStringLiteral("x")) << std::optional<bool>();
    QTest::newRow("gsettings off") << gsettings << QVariant(QByteArray("false\n")) << std::optional(true);
    QTest::newRow("gsettings on") << gsettings << QVariant(QByteArray("true\n")) << std::optional(false);
    QTest::newRow("gsettings junk") << gsettings << QVariant(QByteArray("No such key")) << std::optional<bool>();
    QTest::newRow("env on") << env << QVariant(QByteArray("1")) << std::optional(true);
    QTest::newRow("env off") << env << QVariant(QByteArray("0")) << std::optional(false);
    QTest::newRow("env empty") << env << QVariant(QByteArray()) << std::optional<bool>();
}

void DeviceOwnerCheckTest::reduceMotion_readsEveryDesktopForm()
{
    QFETCH(QString, form);
    QFETCH(QVariant, value);
    QFETCH(std::optional<bool>, reduce);
    if (form == QStringLiteral("portal")) {
        QCOMPARE(ReduceMotion::fromReducedMotionValue(value), reduce);
    } else if (form == QStringLiteral("gsettings")) {
        QCOMPARE(ReduceMotion::fromGsettingsOutput(value.toByteArray()), reduce);
    } else {
        const QByteArray saved = qgetenv("VESPERLOG_REDUCE_MOTION");
        qputenv("VESPERLOG_REDUCE_MOTION", value.toByteArray());
        const std::optional<bool> read = ReduceMotion::fromEnvironment();
        const bool on = ReduceMotion::instance().isOn();
        qputenv("VESPERLOG_REDUCE_MOTION", saved);
        QCOMPARE(read, reduce);
        QCOMPARE(on, reduce.value_or(false));
    }
}
