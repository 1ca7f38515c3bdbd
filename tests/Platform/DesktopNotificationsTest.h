#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QProcess>

#include <memory>

class FakeNotificationService;

/// Runs against a private D-Bus daemon of its own with a fake notification service on it.
class DesktopNotificationsTest final : public QObject {
    Q_OBJECT

public:
    DesktopNotificationsTest();
    ~DesktopNotificationsTest() override;

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void scheduledReminder_reachesTheService();
    void expirationReminder_reachesTheService_concealedWhileLocked_data();
    void expirationReminder_reachesTheService_concealedWhileLocked();
    void sameRequestShownAgain_replacesItsNotification();
    void availability_withService_isGranted();
    void noService_deniesAndPrintsOneLinePerAttempt();
    void noBus_deniesAndPrintsOneLinePerAttempt();
    void clickOnNotification_reportsItsRequest();

private:
    QProcess m_daemon;
    QString m_address;
    std::unique_ptr<QDBusConnection> m_client;
    std::unique_ptr<QDBusConnection> m_serviceBus;
    std::unique_ptr<FakeNotificationService> m_service;
};
