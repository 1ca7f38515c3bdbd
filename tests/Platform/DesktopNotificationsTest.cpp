#include "DesktopNotificationsTest.h"

#include "FakeNotificationService.h"
#include "common/TestSupport.h"

#include "Model/Dates.h"
#include "Model/JournalEntry.h"
#include "Model/NotificationCenter.h"
#include "Model/NotificationManager.h"
#include "Platform/DesktopNotifications.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QDate kDay(2026, 3, 10);

double local(const QDate& day, int hour, int minute = 0)
{
    return vsp::fromDateTime(QDateTime(day, QTime(hour, minute)));
}

NotificationRequest simpleRequest(const QString& identifier)
{
    NotificationRequest r;
    r.identifier = identifier;
    r.title = QStringLiteral("Entry expires today");
    r.body = QStringLiteral("Return the book");
    r.trigger.hour = 9;
    return r;
}

/// Hands the centre a delivery that lives on the test's stack, and takes it back however the test ends:
/// a failed wait returns early, and the centre must never be left pointing at a destroyed delivery.
class DeliveryGuard {
public:
    DeliveryGuard(NotificationCenter& centre, NotificationDelivery* delivery) : m_centre(centre)
    {
        m_centre.setDelivery(delivery);
    }
    ~DeliveryGuard()
    {
        m_centre.stop();
        m_centre.setDelivery(nullptr);
    }
    Q_DISABLE_COPY_MOVE(DeliveryGuard)

private:
    NotificationCenter& m_centre;
};

} // namespace

DesktopNotificationsTest::DesktopNotificationsTest() = default;
DesktopNotificationsTest::~DesktopNotificationsTest() = default;

void DesktopNotificationsTest::initTestCase()
{
    // A bus of our own: the tests never depend on, nor disturb, a session the machine may have.
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(5000)) {
        QSKIP("dbus-daemon is not installed");
    }
    QElapsedTimer waited;
    waited.start();
    while (!m_daemon.canReadLine() && waited.elapsed() < 5000) {
        m_daemon.waitForReadyRead(100);
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    QVERIFY2(!m_address.isEmpty(), "the private bus reported no address");
    m_client =
        std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_address, QStringLiteral("vsp-client")));
    m_serviceBus =
        std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_address, QStringLiteral("vsp-service")));
    QVERIFY(m_client->isConnected());
    QVERIFY(m_serviceBus->isConnected());
}

void DesktopNotificationsTest::init()
{
    vsp::test::resetUserFolders();
    m_service = std::make_unique<FakeNotificationService>();
    QVERIFY(m_serviceBus->registerObject(kPath, m_service.get(),
                                         QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
    QVERIFY(m_serviceBus->registerService(kService));
    NotificationCenter::instance().stop();
}

void DesktopNotificationsTest::cleanup()
{
    NotificationCenter::instance().stop();
    NotificationCenter::instance().setDelivery(nullptr);
    NotificationCenter::instance().setClock({});
    m_serviceBus->unregisterService(kService);
    m_serviceBus->unregisterObject(kPath);
    m_service.reset();
}

void DesktopNotificationsTest::cleanupTestCase()
{
    m_client.reset();
    m_serviceBus.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("vsp-client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("vsp-service"));
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        m_daemon.waitForFinished(3000);
    }
}

void DesktopNotificationsTest::scheduledReminder_reachesTheService()
{
    DesktopNotifications desktop(*m_client);
    NotificationCenter& centre = NotificationCenter::instance();
    const DeliveryGuard guard(centre, &desktop);
    // Half a second before 20:00; the clock is then moved on to the reminder's time.
    std::shared_ptr<double> now = std::make_shared<double>(local(kDay, 20) - 0.5);
    centre.setClock([now] { return *now; });
    centre.start();

    NotificationManager::scheduleReminder(20, 0);
    QVERIFY(m_service->received.isEmpty());
    *now = local(kDay, 20);
    centre.processDueRequests();

    QTRY_COMPARE_WITH_TIMEOUT(m_service->received.size(), 1, 5000);
    const FakeNotificationService::Received& got = m_service->received.first();
    QCOMPARE(got.appName, QStringLiteral("Vesperlog"));
    QCOMPARE(got.summary, QStringLiteral("Time to write \u270D\uFE0F"));
    QCOMPARE(got.body, QStringLiteral("Take a moment to reflect on your day."));
    QCOMPARE(got.replacesId, 0u);
    QCOMPARE(got.timeout, -1);
    QCOMPARE(got.hints.value(QStringLiteral("sound-name")).toString(), QStringLiteral("message-new-instant"));
    QVERIFY(got.actions.contains(QStringLiteral("default")));
    // The daily reminder stays for tomorrow.
    QCOMPARE(centre.pendingRequests().size(), 1);
    QCOMPARE(centre.nextFireDate(NotificationManager::dailyReminderIdentifier()), local(kDay.addDays(1), 20));
}

void DesktopNotificationsTest::expirationReminder_reachesTheService_concealedWhileLocked_data()
{
    QTest::addColumn<bool>("missedAtLaunch");
    QTest::addColumn<bool>("locked");
    QTest::newRow("at its hour, locked") << false << true;
    QTest::newRow("missed, shown at launch, locked") << true << true;
    QTest::newRow("at its hour, unlocked") << false << false;
    QTest::newRow("missed, shown at launch, unlocked") << true << false;
}

void DesktopNotificationsTest::expirationReminder_reachesTheService_concealedWhileLocked()
{
    QFETCH(bool, missedAtLaunch);
    QFETCH(bool, locked);
    NotificationCenter& centre = NotificationCenter::instance();
    std::shared_ptr<double> now = std::make_shared<double>(local(kDay, 7));
    centre.setClock([now] { return *now; });
    // As the application decides it: concealed while its journal is locked.
    centre.setConcealment([locked](const NotificationRequest& request) {
        return locked ? NotificationManager::concealedWhileLocked(request) : request;
    });
    const auto noConcealment = qScopeGuard([&centre] { centre.setConcealment({}); });
    JournalEntry entry = JournalEntry::create();
    entry.title = QStringLiteral("Tell Ana about the biopsy");
    entry.tags = {QStringLiteral("health")};
    entry.body = QStringLiteral("Results on Friday");
    entry.expirationDate = local(kDay, 18);
    {
        vsp::test::StdoutCapture quiet; // permission is asked without a delivery: denied, printed
        centre.start();
        NotificationManager::scheduleExpiration(entry);
        centre.stop();
    }
    DesktopNotifications desktop(*m_client);
    const DeliveryGuard guard(centre, &desktop);
    if (missedAtLaunch) {
        // The application was closed from 07:00 to 10:00.
        *now = local(kDay, 10);
        centre.start();
    } else {
        centre.start();
        QVERIFY(m_service->received.isEmpty());
        *now = local(kDay, 9);
        centre.processDueRequests();
    }

    QTRY_COMPARE_WITH_TIMEOUT(m_service->received.size(), 1, 5000);
    const FakeNotificationService::Received& got = m_service->received.first();
    QCOMPARE(got.summary, QStringLiteral("Entry expires today"));
    QCOMPARE(got.body, locked ? QString() : entry.title);
    QVERIFY(centre.pendingRequests().isEmpty());
    if (locked) {
        for (const QString& word : {QStringLiteral("Ana"), QStringLiteral("health"), QStringLiteral("Friday")}) {
            QVERIFY(!got.summary.contains(word) && !got.body.contains(word));
        }
    }
    // Clicked, it still names its request, so the application can show the entry after the unlock.
    QCOMPARE(NotificationManager::expirationEntryID(NotificationManager::expirationIdentifier(entry.id)), entry.id);
}

void DesktopNotificationsTest::sameRequestShownAgain_replacesItsNotification()
{
    DesktopNotifications desktop(*m_client);
    QSignalSpy shown(&desktop, &DesktopNotifications::shown);

    desktop.show(simpleRequest(QStringLiteral("a")), true);
    QTRY_COMPARE(shown.count(), 1);
    desktop.show(simpleRequest(QStringLiteral("a")), true);
    QTRY_COMPARE(shown.count(), 2);
    desktop.show(simpleRequest(QStringLiteral("b")), false);
    QTRY_COMPARE(shown.count(), 3);

    QCOMPARE(m_service->received.size(), 3);
    QCOMPARE(m_service->received[0].replacesId, 0u);
    QCOMPARE(m_service->received[1].replacesId, 101u);
    QCOMPARE(m_service->received[2].replacesId, 0u);
    // Shown without sound when the centre asks for none.
    QCOMPARE(m_service->received[2].hints.value(QStringLiteral("suppress-sound")).toBool(), true);
    QVERIFY(!m_service->received[2].hints.contains(QStringLiteral("sound-name")));
}

void DesktopNotificationsTest::availability_withService_isGranted()
{
    DesktopNotifications desktop(*m_client);
    NotificationCenter centre;
    centre.setStateFile(vsp::test::testHome() + QStringLiteral("/state/auth.json"));
    centre.setDelivery(&desktop);
    std::optional<bool> answer;

    vsp::test::StdoutCapture out;
    centre.requestAuthorization([&](bool granted) { answer = granted; });

    QTRY_VERIFY(answer.has_value());
    QVERIFY(*answer);
    QCOMPARE(centre.authorizationStatus(), NotificationCenter::AuthorizationStatus::Authorized);
    QVERIFY(out.lines().isEmpty());
}

void DesktopNotificationsTest::noService_deniesAndPrintsOneLinePerAttempt()
{
    m_serviceBus->unregisterService(kService);
    DesktopNotifications desktop(*m_client);
    NotificationCenter centre;
    centre.setStateFile(vsp::test::testHome() + QStringLiteral("/state/noservice.json"));
    centre.setDelivery(&desktop);
    std::optional<bool> answer;

    vsp::test::StdoutCapture out;
    centre.requestAuthorization([&](bool granted) { answer = granted; });
    QTRY_VERIFY(answer.has_value());
    desktop.show(simpleRequest(QStringLiteral("x")), true);
    QTRY_COMPARE(out.lines().size(), 2);

    QVERIFY(!*answer);
    QCOMPARE(centre.authorizationStatus(), NotificationCenter::AuthorizationStatus::Denied);
    const QStringList lines = out.lines();
    QVERIFY2(
        lines[0].startsWith(QStringLiteral("Vesperlog: notification permission failed \u2014 no notification service")),
        qPrintable(lines[0]));
    QVERIFY2(lines[1].startsWith(QStringLiteral("Vesperlog: notification failed \u2014 ")), qPrintable(lines[1]));
    QVERIFY(m_service->received.isEmpty());
}

void DesktopNotificationsTest::noBus_deniesAndPrintsOneLinePerAttempt()
{
    const QDBusConnection dead = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=%1/no-bus-here").arg(vsp::test::testHome()), QStringLiteral("vsp-dead"));
    QVERIFY(!dead.isConnected());
    {
        DesktopNotifications desktop(dead);
        NotificationCenter centre;
        centre.setStateFile(vsp::test::testHome() + QStringLiteral("/state/nobus.json"));
        centre.setDelivery(&desktop);
        std::optional<bool> answer;

        vsp::test::StdoutCapture out;
        centre.requestAuthorization([&](bool granted) { answer = granted; });
        desktop.show(simpleRequest(QStringLiteral("x")), true);

        QCOMPARE(answer, false);
        const QStringList lines = out.lines();
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].startsWith(
                     QStringLiteral("Vesperlog: notification permission failed \u2014 no D-Bus session bus")),
                 qPrintable(lines[0]));
        QVERIFY2(lines[1].startsWith(QStringLiteral("Vesperlog: notification failed \u2014 no D-Bus session bus")),
                 qPrintable(lines[1]));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("vsp-dead"));
}

void DesktopNotificationsTest::clickOnNotification_reportsItsRequest()
{
    DesktopNotifications desktop(*m_client);
    QSignalSpy shown(&desktop, &DesktopNotifications::shown);
    QSignalSpy activated(&desktop, &DesktopNotifications::activated);
    desktop.show(simpleRequest(QStringLiteral("com.vesperlog.dailyReminder")), true);
    QTRY_COMPARE(shown.count(), 1);

    Q_EMIT m_service->ActionInvoked(999, QStringLiteral("default")); // someone else's notification
    Q_EMIT m_service->ActionInvoked(101, QStringLiteral("default"));

    QTRY_COMPARE(activated.count(), 1);
    QCOMPARE(activated.first().first().toString(), QStringLiteral("com.vesperlog.dailyReminder"));
}
