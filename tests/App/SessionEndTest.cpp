#include "SessionEndTest.h"

#include "common/CaptureParts.h"
#include "common/ComposeParts.h"
#include "common/TestSupport.h"

#include "App/AppCommands.h"
#include "App/ComposeWindow.h"
#include "App/QuickCapture.h"
#include "App/QuickCaptureView.h"
#include "App/VesperlogApp.h"
#include "Editor/Compose/ComposeView.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <cstdio>

namespace {

const QString kEdited = QStringLiteral("Renamed in place");
const QString kComposed = QStringLiteral("Half a thought");
const QString kCaptured = QStringLiteral("Buy stamps");

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int SessionEndTest::runChild()
{
    AppSettings::instance().setHasCompletedOnboarding(true);
    AppSettings::instance().setAutoUpdates(false);
    VesperlogApp::Options options = VesperlogApp::Options::withoutDesktop();
    VesperlogApp app(options);
    JournalStore& store = app.store();
    JournalEntry entry = JournalEntry::create();
    entry.title = QStringLiteral("Before");
    store.addEntry(entry);
    store.setSelectedEntryID(entry.id);
    if (!store.waitForSaves(30000)) {
        return 2;
    }
    app.showMainWindow();
    if (!QTest::qWaitForWindowExposed(app.mainWindow())) {
        return 3;
    }
    vsp::test::child<QAction>(*app.mainWindow()->menuBar(), QStringLiteral("editEntry"))->trigger();
    auto* title = app.mainWindow()->contentView()->detail()->findChild<QLineEdit*>(QStringLiteral("detailTitleField"));
    if (!title) {
        return 4;
    }
    title->selectAll();
    QTest::keyClicks(title, kEdited);
    app.openWindow(vsp::composeWindowID());
    QTest::keyClicks(parts::titleField(qobject_cast<ComposeView*>(app.composeWindow()->content())), kComposed);
    app.openWindow(QStringLiteral("quick-capture"));
    QTest::keyClicks(parts::bodyEditor(app.quickCapture()->view()), kCaptured);

    app.followSessionEnd();
    std::printf("ready %s\n", qPrintable(vsp::test::testHome()));
    std::fflush(stdout);
    return QApplication::exec();
}

void SessionEndTest::endOfSession_keepsTypedWords_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
    QTest::newRow("SIGINT") << int(SIGINT);
    // The display's server goes away (a logout): the platform ends the process itself.
    QTest::newRow("display lost") << 0;
}

void SessionEndTest::endOfSession_keepsTypedWords()
{
    QFETCH(int, signalNumber);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
    QProcess display;
    const auto stopDisplay = qScopeGuard([&] {
        display.kill();
        display.waitForFinished();
    });
    if (signalNumber == 0) {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) {
            QSKIP("Xvfb is not installed");
        }
        // The server prints the number of the display it found free.
        display.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                             QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                             QStringLiteral("1280x800x24")});
        QVERIFY(display.waitForStarted());
        QByteArray number;
        QTRY_VERIFY_WITH_TIMEOUT((number += display.readAllStandardOutput()).contains('\n'), 30000);
        env.insert(QStringLiteral("DISPLAY"), u':' + QString::fromLatin1(number.trimmed()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    } else {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    const auto stopChild = qScopeGuard([&] {
        child.kill();
        child.waitForFinished();
    });
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += child.readAllStandardOutput()).contains("ready "), 60000);
    const qsizetype from = said.indexOf("ready ") + 6;
    const QString home = QString::fromUtf8(said.mid(from, said.indexOf('\n', from) - from));
    const auto removeHome = qScopeGuard([&] { QDir(home).removeRecursively(); });

    if (signalNumber == 0) {
        display.kill();
    } else {
        QCOMPARE(::kill(pid_t(child.processId()), signalNumber), 0);
    }
    QVERIFY(child.waitForFinished(60000));
    said += child.readAllStandardOutput();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit, said.constData());

    const QByteArray journal = readFile(home + QStringLiteral("/data/Vesperlog/entries.json"));
    QVERIFY2(journal.contains(kEdited.toUtf8()), journal.constData());
    const QByteArray settings = readFile(home + QStringLiteral("/config/Vesperlog/Vesperlog.conf"));
    QVERIFY2(settings.contains(kComposed.toUtf8()), settings.constData());
    QVERIFY2(settings.contains(kCaptured.toUtf8()), settings.constData());
}

void SessionEndTest::sessionManagerRequest_savesTheOpenEdit_data()
{
    QTest::addColumn<bool>("commitData");
    QTest::newRow("commitDataRequest") << true;
    QTest::newRow("saveStateRequest") << false;
}

void SessionEndTest::sessionManagerRequest_savesTheOpenEdit()
{
    QFETCH(bool, commitData);
    vsp::test::resetUserFolders();
    AppSettings::instance().setHasCompletedOnboarding(true);
    AppSettings::instance().setAutoUpdates(false);
    int ends = 0;
    VesperlogApp::Options options = VesperlogApp::Options::withoutDesktop();
    options.endEventLoop = [&ends] { ++ends; };
    VesperlogApp app(options);
    QApplication::setQuitOnLastWindowClosed(false);
    JournalEntry entry = JournalEntry::create();
    entry.title = QStringLiteral("Before");
    app.store().addEntry(entry);
    app.store().setSelectedEntryID(entry.id);
    app.showMainWindow();
    QVERIFY(QTest::qWaitForWindowExposed(app.mainWindow()));
    vsp::test::child<QAction>(*app.mainWindow()->menuBar(), QStringLiteral("editEntry"))->trigger();
    auto* title = app.mainWindow()->contentView()->detail()->findChild<QLineEdit*>(QStringLiteral("detailTitleField"));
    QVERIFY(title);
    title->selectAll();
    QTest::keyClicks(title, kEdited);
    app.followSessionEnd();

    // The session manager the application made at its start; the desktop's request arrives through it.
    auto* manager = qApp->findChild<QSessionManager*>();
    QVERIFY(manager);
    if (commitData) {
        Q_EMIT qApp->commitDataRequest(*manager);
    } else {
        Q_EMIT qApp->saveStateRequest(*manager);
    }
    QCOMPARE(ends, 1);
    const QByteArray journal = readFile(JournalStore::storeFolder() + QStringLiteral("/entries.json"));
    QVERIFY2(journal.contains(kEdited.toUtf8()), journal.constData());
}
