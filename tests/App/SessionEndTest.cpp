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
#include "Editor/FormattableTextEditor.h"
#include "Editor/VesperlogTextView.h"
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
#include <QSessionManager>
#include <QStandardPaths>
#include <QTest>
#include <QTextCursor>

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
    entry.body = QStringLiteral("Words before");
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
    EntryDetailView* detail = app.mainWindow()->contentView()->detail();
    if (qgetenv(kChildVariable) == "body") {
        // Only the body is written in: committing it folds the new text for search.
        QTextEdit* body = detail->findChild<FormattableTextEditor*>(QStringLiteral("detailBody"))->textView();
        body->moveCursor(QTextCursor::End);
        QTest::keyClicks(body, u' ' + kEdited);
    } else {
        auto* title = detail->findChild<QLineEdit*>(QStringLiteral("detailTitleField"));
        if (!title) {
            return 4;
        }
        title->selectAll();
        QTest::keyClicks(title, kEdited);
        app.openWindow(vsp::composeWindowID());
        QTest::keyClicks(parts::titleField(qobject_cast<ComposeView*>(app.composeWindow()->content())), kComposed);
        app.openWindow(QStringLiteral("quick-capture"));
        QTest::keyClicks(parts::bodyEditor(app.quickCapture()->view()), kCaptured);
    }

    app.followSessionEnd();
    std::printf("ready %s\n", qPrintable(vsp::test::testHome()));
    std::fflush(stdout);
    return QApplication::exec();
}

SessionEndTest::Child::~Child()
{
    process.kill();
    process.waitForFinished();
    display.kill();
    display.waitForFinished();
    if (!home.isEmpty()) {
        QDir(home).removeRecursively();
    }
}

bool SessionEndTest::Child::start(const QByteArray& mode, bool onOwnDisplay)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable), QString::fromLatin1(mode));
    if (onOwnDisplay) {
        // The server prints the number of the display it found free.
        display.start(QStandardPaths::findExecutable(QStringLiteral("Xvfb")),
                      {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                       QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                       QStringLiteral("1280x800x24")});
        QByteArray number;
        if (!display.waitForStarted()) {
            return false;
        }
        while (!number.contains('\n') && display.waitForReadyRead(30000)) {
            number += display.readAllStandardOutput();
        }
        env.insert(QStringLiteral("DISPLAY"), u':' + QString::fromLatin1(number.trimmed()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    } else {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    process.setProcessEnvironment(env);
    process.start(QCoreApplication::applicationFilePath(), {});
    if (!process.waitForStarted()) {
        return false;
    }
    while (!said.contains("ready ") || said.indexOf('\n', said.indexOf("ready ")) < 0) {
        if (!process.waitForReadyRead(60000)) {
            return false;
        }
        said += process.readAllStandardOutput();
    }
    const qsizetype from = said.indexOf("ready ") + 6;
    home = QString::fromUtf8(said.mid(from, said.indexOf('\n', from) - from));
    return true;
}

bool SessionEndTest::Child::waitForEnd()
{
    const bool ended = process.waitForFinished(60000);
    said += process.readAllStandardOutput() + process.readAllStandardError();
    return ended && process.exitStatus() == QProcess::NormalExit && !said.contains("Sanitizer");
}

QByteArray SessionEndTest::Child::file(const QString& path) const
{
    return readFile(home + path);
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
    if (signalNumber == 0 && QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) {
        QSKIP("Xvfb is not installed");
    }
    Child child;
    QVERIFY2(child.start("all", signalNumber == 0), child.said.constData());
    if (signalNumber == 0) {
        child.display.kill();
    } else {
        QCOMPARE(::kill(pid_t(child.process.processId()), signalNumber), 0);
    }
    QVERIFY2(child.waitForEnd(), child.said.constData());

    const QByteArray journal = child.file(QStringLiteral("/data/Vesperlog/entries.json"));
    QVERIFY2(journal.contains(kEdited.toUtf8()), journal.constData());
    const QByteArray settings = child.file(QStringLiteral("/config/Vesperlog/Vesperlog.conf"));
    QVERIFY2(settings.contains(kComposed.toUtf8()), settings.constData());
    QVERIFY2(settings.contains(kCaptured.toUtf8()), settings.constData());
}

void SessionEndTest::displayLost_duringBodyEdit_keepsTheWordsEveryTime()
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) {
        QSKIP("Xvfb is not installed");
    }
    // The platform's exit races nothing here, but what runs inside it did crash now and then: ten ends.
    for (int run = 0; run < 10; ++run) {
        Child child;
        QVERIFY2(child.start("body", true), child.said.constData());
        child.display.kill();
        QVERIFY2(child.waitForEnd(), child.said.constData());
        const QByteArray journal = child.file(QStringLiteral("/data/Vesperlog/entries.json"));
        QVERIFY2(journal.contains((QStringLiteral("Words before ") + kEdited).toUtf8()), journal.constData());
    }
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
