#include "FileRevealTest.h"

#include "FakeFileManager.h"
#include "common/TestSupport.h"

#include "Platform/FileReveal.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QTest>

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kPath = QStringLiteral("/org/freedesktop/FileManager1");

} // namespace

void FileRevealTest::initTestCase()
{
    m_address = vsp::test::startPrivateBus(m_daemon);
    if (m_daemon.state() == QProcess::NotRunning) {
        QSKIP("dbus-daemon is not installed");
    }
    QVERIFY2(!m_address.isEmpty(), "the private bus reported no address");
}

void FileRevealTest::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(QStringLiteral("vsp-reveal-client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("vsp-reveal-service"));
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

void FileRevealTest::fileUri_isFullyEncoded_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("uri");
    QTest::newRow("plain") << "/tmp/Vesperlog.app"
                           << "file:///tmp/Vesperlog.app";
    QTest::newRow("a space") << "/home/u/Downloads/Vesperlog 1.2.app"
                             << "file:///home/u/Downloads/Vesperlog%201.2.app";
    QTest::newRow("reserved and accented") << "/tmp/a#b?c%d/Jörð.app"
                                           << "file:///tmp/a%23b%3Fc%25d/J%C3%B6r%C3%B0.app";
}

void FileRevealTest::fileUri_isFullyEncoded()
{
    QFETCH(QString, path);
    QFETCH(QString, uri);
    QCOMPARE(vsp::fileUri(path), uri);
}

void FileRevealTest::reveal_asksTheFileManagerWithoutWaiting()
{
    QDBusConnection client = QDBusConnection::connectToBus(m_address, QStringLiteral("vsp-reveal-client"));
    QDBusConnection service = QDBusConnection::connectToBus(m_address, QStringLiteral("vsp-reveal-service"));
    FakeFileManager manager;
    QVERIFY(service.registerObject(kPath, &manager, QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerService(kService));
    int foldersOpened = 0;
    std::optional<bool> shown;
    QElapsedTimer call;
    call.start();
    // The service answers from this thread: a call that waited for it would hold the thread until its
    // two seconds ran out, and then open the folder as well.
    vsp::revealInFiles(
        QStringLiteral("/home/u/Downloads/Vesperlog 1.2.app"), client,
        [&](const QUrl&) {
            ++foldersOpened;
            return true;
        },
        [&](bool result) { shown = result; });
    QVERIFY2(call.elapsed() < 500, qPrintable(QString::number(call.elapsed())));
    QTRY_VERIFY(shown.has_value());
    QVERIFY(*shown);
    QCOMPARE(manager.shown, QStringList{QStringLiteral("file:///home/u/Downloads/Vesperlog%201.2.app")});
    QCOMPARE(foldersOpened, 0);
    service.unregisterService(kService);
    service.unregisterObject(kPath);
}

void FileRevealTest::reveal_withoutAFileManager_opensTheFolder()
{
    QDBusConnection client = QDBusConnection::connectToBus(m_address, QStringLiteral("vsp-reveal-client"));
    for (const bool folderOpens : {true, false}) {
        QList<QUrl> folders;
        std::optional<bool> shown;
        vsp::test::StdoutCapture out;
        vsp::revealInFiles(
            QStringLiteral("/tmp/parked/Vesperlog 2.app"), client,
            [&](const QUrl& folder) {
                folders.append(folder);
                return folderOpens;
            },
            [&](bool result) { shown = result; });
        QTRY_VERIFY(shown.has_value());
        QCOMPARE(*shown, folderOpens);
        QCOMPARE(folders, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/parked"))});
        // One line only when nothing could show it.
        QCOMPARE(out.lines().size(), folderOpens ? 0 : 1);
    }
}
