#include "PlatformLayersTest.h"

#include "FakeSettingsPortal.h"

#include "common/TestSupport.h"

#include "Platform/ColorSchemePortal.h"
#include "Platform/ReduceMotion.h"
#include "Platform/SingleInstance.h"

#include <QDBusArgument>
#include <QDBusVariant>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

Q_DECLARE_METATYPE(ColorSchemePortal::Scheme)

void PlatformLayersTest::singleInstance_secondLaunchActivatesFirst()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("instance.sock"));
    SingleInstance first(name);
    QCOMPARE(first.acquire(), SingleInstance::Outcome::Primary);
    QVERIFY(first.isPrimary());
    QSignalSpy activated(&first, &SingleInstance::activationRequested);

    // The second launch blocks on its socket, as a separate process would; the first answers from its
    // event loop.
    std::atomic<int> result{-1};
    QThread* second = QThread::create([&] {
        SingleInstance other(name);
        result = other.acquire(5000) == SingleInstance::Outcome::HandedOver ? 0 : 1;
    });
    second->start();
    QTRY_VERIFY_WITH_TIMEOUT(result != -1, 10000);
    second->wait();
    delete second;
    QCOMPARE(result.load(), 0);
    QCOMPARE(activated.count(), 1);
}

void PlatformLayersTest::singleInstance_takesOverLeftoverSocket()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("instance.sock"));
    // What a crashed process leaves behind: the name is taken but nobody answers.
    QFile leftover(name);
    QVERIFY(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    SingleInstance instance(name);
    QCOMPARE(instance.acquire(500), SingleInstance::Outcome::Primary);
    QVERIFY(instance.isPrimary());
}

void PlatformLayersTest::singleInstance_busyFirstIsNotReplaced()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("instance.sock"));
    SingleInstance first(name);
    QCOMPARE(first.acquire(), SingleInstance::Outcome::Primary);
    QSignalSpy activated(&first, &SingleInstance::activationRequested);

    // The first instance is busy (still loading a long journal, say) and cannot answer in time: its
    // socket accepts the connection but no acknowledgement comes. The second launch must not take the
    // name over, or two processes would write one journal.
    SingleInstance second(name);
    QCOMPARE(second.acquire(300), SingleInstance::Outcome::NotAnswering);
    QVERIFY(!second.isPrimary());

    // Once the first one gets to its event loop it still owns the name and comes forward.
    QTRY_COMPARE(activated.count(), 1);
    std::atomic<int> result{-1};
    QThread* third = QThread::create([&] {
        SingleInstance other(name);
        result = other.acquire(5000) == SingleInstance::Outcome::HandedOver ? 0 : 1;
    });
    third->start();
    QTRY_VERIFY_WITH_TIMEOUT(result != -1, 10000);
    third->wait();
    delete third;
    QCOMPARE(result.load(), 0);
    QCOMPARE(activated.count(), 2);
}

void PlatformLayersTest::singleInstance_defaultNameIsPerUser()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QVERIFY(!runtime.isEmpty());
    QCOMPARE(SingleInstance::defaultServerName(), runtime + QStringLiteral("/vesperlog.sock"));
}

void PlatformLayersTest::portal_readsSchemeValues_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<ColorSchemePortal::Scheme>("expected");
    using S = ColorSchemePortal::Scheme;
    QTest::newRow("dark") << QVariant(1u) << S::Dark;
    QTest::newRow("light") << QVariant(2u) << S::Light;
    QTest::newRow("no preference") << QVariant(0u) << S::NoPreference;
    QTest::newRow("unknown number") << QVariant(7u) << S::NoPreference;
    QTest::newRow("wrapped") << QVariant::fromValue(QDBusVariant(QVariant(1u))) << S::Dark;
    QTest::newRow("wrapped twice") << QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(QVariant(2u)))))
                                   << S::Light;
    QTest::newRow("text") << QVariant(QStringLiteral("dark")) << S::NoPreference;
    QTest::newRow("nothing") << QVariant() << S::NoPreference;
}

void PlatformLayersTest::portal_readsSchemeValues()
{
    QFETCH(QVariant, value);
    QFETCH(ColorSchemePortal::Scheme, expected);
    QCOMPARE(ColorSchemePortal::schemeFromValue(value), expected);
}

void PlatformLayersTest::portal_followsSchemeChangesLive()
{
    FakeSettingsPortal portal(1);
    if (!portal.publish()) {
        QSKIP("no session bus: the suite runs inside dbus-run-session");
    }
    using S = ColorSchemePortal::Scheme;
    ColorSchemePortal reader;
    QSignalSpy changed(&reader, &ColorSchemePortal::schemeChanged);
    reader.start();
    QTRY_COMPARE(reader.scheme(), S::Dark);
    portal.changeColorScheme(2);
    QTRY_COMPARE(reader.scheme(), S::Light);
    portal.changeColorScheme(0);
    QTRY_COMPARE(reader.scheme(), S::NoPreference);
    QCOMPARE(changed.count(), 3);
}

void PlatformLayersTest::reduceMotion_followsPortalChangesLive()
{
    if (ReduceMotion::fromEnvironment()) {
        QSKIP("VESPERLOG_REDUCE_MOTION overrides the desktop");
    }
    FakeSettingsPortal portal(0);
    portal.appearance.insert(QStringLiteral("reduced-motion"), 0);
    if (!portal.publish()) {
        QSKIP("no session bus: the suite runs inside dbus-run-session");
    }
    ReduceMotion& motion = ReduceMotion::instance();
    motion.start();
    portal.change(QStringLiteral("reduced-motion"), 1);
    QTRY_VERIFY(motion.isOn());
    portal.change(QStringLiteral("reduced-motion"), 0);
    QTRY_VERIFY(!motion.isOn());
}
