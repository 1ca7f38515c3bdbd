#include "AppTest.h"
#include "FakeSettingsPortal.h"

#include "common/CaptureParts.h"
#include "common/ComposeParts.h"
#include "common/FakeAuthenticator.h"
#include "common/LocalHttpsServer.h"
#include "common/StoreFixtures.h"
#include "common/TestSupport.h"

#include "App/AppCommands.h"
#include "App/ComposeWindow.h"
#include "App/QuickCapture.h"
#include "App/QuickCaptureView.h"
#include "App/VesperlogApp.h"
#include "Editor/Compose/ComposeView.h"
#include "Editor/FormattableTextEditor.h"
#include "Editor/VesperlogTextView.h"
#include "Media/AudioRecorder.h"
#include "Model/AppNotifications.h"
#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Model/FileChooser.h"
#include "Model/JournalStore.h"
#include "Model/NotificationCenter.h"
#include "Model/NotificationManager.h"
#include "Settings/LockScreenView.h"
#include "Settings/OnboardingView.h"
#include "Settings/SettingsView.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Update/UpdateSheet.h"
#include "Update/Updater.h"
#include "Views/Detail/BodyTextView.h"
#include "Views/Detail/DetailToolbar.h"
#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/EntryContextMenu.h"
#include "Views/Main/EntryListModel.h"
#include "Views/Main/EntryListView.h"
#include "Views/Main/EntryListWidget.h"
#include "Views/Main/JournalBanner.h"
#include "Views/Main/MainWindow.h"
#include "Views/Sidebar/SidebarView.h"
#include "Widgets/EntryRow.h"
#include "Widgets/OpenWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

/// The Data tab's notifications, by the row numbers of the export and import tests.
const AppNotifications::Notification kDataNotifications[] = {
    &AppNotifications::VspExportJSON, &AppNotifications::VspExportMarkdown, &AppNotifications::VspImportJSON};

/// Answers the file panels with paths in the test home and counts the questions.
class CountingChooser final : public FileChooser {
public:
    int exports = 0;
    int imports = 0;
    std::optional<QString> chooseExportDestination(JournalStore::ExportFormat, const QString& suggestedName) override
    {
        ++exports;
        return vsp::test::testHome() + QStringLiteral("/Documents/") + suggestedName;
    }
    std::optional<QString> chooseImportFile(const QString&, const QString&) override
    {
        ++imports;
        return std::nullopt;
    }
};

JournalEntry makeEntry(const QString& title, const QString& body)
{
    JournalEntry e = JournalEntry::create();
    e.title = title;
    e.body = body;
    e.date = fixtures::fixtureNow();
    return e;
}

/// An application on a journal of three entries, the first selected, with its main window shown.
struct AppFixture {
    CountingChooser chooser;
    // The update feed: it offers nothing newer than the running version.
    vsp::test::LocalHttpsServer feed;
    std::unique_ptr<VesperlogApp> app;
    /// How often the application asked its event loop to end.
    int quits = 0;

    explicit AppFixture(bool show = true, bool followDesktopScheme = false)
    {
        VesperlogApp::Options options;
        options.clock = fixtures::fixtureClock().function();
        options.fileChooser = &chooser;
        options.useTray = false;
        options.startNotifications = false;
        options.followDesktopScheme = followDesktopScheme;
        options.endEventLoop = [this] { ++quits; };
        // The lock cover's check waits for the test: no real PAM prompt.
        options.authenticator = vsp::test::FakeAuthenticator::factory(vsp::test::FakeAuthenticator::Stack::Silent);
        QVERIFY(feed.start());
        feed.route(
            QStringLiteral("/update.json"),
            {200, "application/json", R"({"version": "0.0.1", "url": "https://vesperlog.app/a.zip", "sha256": "ab"})"});
        options.updater.feedOverride = feed.url(QStringLiteral("/update.json")).toString();
        options.updater.ssl = feed.sslConfiguration();
        app = std::make_unique<VesperlogApp>(options);
        // Tests close windows without ending the test run.
        QApplication::setQuitOnLastWindowClosed(false);
        JournalStore& store = app->store();
        store.setEntries({makeEntry(QStringLiteral("First"), QStringLiteral("one")),
                          makeEntry(QStringLiteral("Second"), QStringLiteral("two")),
                          makeEntry(QStringLiteral("Third"), QStringLiteral("three"))});
        store.setSelectedSection(NavSection::Journal);
        store.setSelectedEntryID(store.entries().first().id);
        if (show) {
            app->showMainWindow();
            QVERIFY(QTest::qWaitForWindowExposed(app->mainWindow()));
        }
    }
    JournalStore& store() const { return app->store(); }
    /// The menu bar's commands, and the action of theirs called `name` (e.g. "editEntry").
    AppCommands& commands() const
    {
        return *vsp::test::child<AppCommands>(*app->mainWindow()->menuBar(), QStringLiteral("appCommands"));
    }
    QAction* command(const char* name) const
    {
        return vsp::test::child<QAction>(*app->mainWindow()->menuBar(), QString::fromLatin1(name));
    }
};

/// The access key of a text ("&View" gives V), or 0 when it has none ("&&" is a plain ampersand).
int accessKey(const QString& text)
{
    return QKeySequence::mnemonic(text)[0].key();
}

/// The texts in `texts` that share an access key with an earlier one, written "key: first / second".
QStringList clashes(const QStringList& texts)
{
    QStringList found;
    QHash<int, QString> seen;
    for (const QString& text : texts) {
        const int key = accessKey(text);
        if (key == 0) {
            continue;
        }
        if (seen.contains(key)) {
            found << QStringLiteral("%1 / %2").arg(seen.value(key), text);
        } else {
            seen.insert(key, text);
        }
    }
    return found;
}

/// The texts of the buttons and labels a window shows now: one place where Alt+key must find one control.
QStringList shownTexts(QWidget* window)
{
    QStringList texts;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->window() != window) {
            continue;
        }
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            texts << button->text();
        } else if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy()) {
            texts << label->text();
        }
    }
    return texts;
}

/// What a widget shows on screen: its most frequent colour (the ground) and the strongest contrast any
/// of its pixels has with it (its text, at the glyphs' cores).
struct Picture {
    QColor ground;
    double strongestContrast = 1;
};

Picture lookAt(QWidget* widget)
{
    // Through the window, so what shows through a transparent widget is in the picture too.
    QWidget* window = widget->window();
    const QImage image = window->grab(QRect(widget->mapTo(window, QPoint(0, 0)), widget->size()))
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            ++counts[line[x]];
        }
    }
    Picture picture;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            picture.ground = QColor(it.key());
        }
    }
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        picture.strongestContrast =
            std::max(picture.strongestContrast, vsp::contrastRatio(QColor(it.key()), picture.ground));
    }
    return picture;
}

QString backupPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
           + QStringLiteral("/Vesperlog Backups/Vesperlog-") + fixtures::today().toString(QStringLiteral("yyyy-MM-dd"))
           + QStringLiteral(".json");
}

} // namespace

void AppTest::initTestCase()
{
    vsp::setAnimationsEnabled(false);
}

void AppTest::init()
{
    vsp::test::resetUserFolders();
    AppSettings::instance().setHasCompletedOnboarding(true);
    AppearanceManager::instance().refresh();
    QGuiApplication::clipboard()->clear();
}

void AppTest::firstLaunch_usesDefaultsAndWritesNothing()
{
    AppSettings::clearAll();
    AppearanceManager::instance().refresh();
    VesperlogApp::Options options = VesperlogApp::Options::withoutDesktop();
    VesperlogApp app(options);
    QApplication::setQuitOnLastWindowClosed(false);
    const AppSettings& settings = app.appSettings();
    QCOMPARE(settings.appearanceMode(), QStringLiteral("dark"));
    QVERIFY(!settings.autoBackup());
    QVERIFY(!settings.hasCompletedOnboarding());
    QVERIFY(!settings.appLockEnabled());
    QVERIFY(!settings.lockOnBackground());
    QVERIFY(settings.autoUpdates());
    QVERIFY(AppearanceManager::instance().isDark());
    QCOMPARE(app.mainWindow()->size(), QSize(1440, 900));
    const QStringList written = QSettings(AppSettings::fileName(), QSettings::IniFormat).allKeys();
    QVERIFY2(written.isEmpty(), qPrintable(written.join(u' ')));
    QVERIFY(app.store().entries().isEmpty());
    QCOMPARE(app.updater().phase(), Updater::Phase::Idle);
}

void AppTest::leftOverRecording_isRemovedAndTold()
{
    // The raw samples of a recording the app was killed in.
    const QString folder = AudioRecorder::recordingFolder();
    QVERIFY(folder.startsWith(vsp::test::testHome()));
    QVERIFY(QDir().mkpath(folder));
    fixtures::writeFile(folder + QStringLiteral("/vsp-rec-0F8FAD5B-D9CB-469F-A165-70867728950E.m4a.pcm"), "samples");
    vsp::test::StdoutCapture out;
    VesperlogApp::Options options = VesperlogApp::Options::withoutDesktop();
    VesperlogApp app(options);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
    QCOMPARE(
        out.lines().filter(QStringLiteral("recording")),
        QStringList{QStringLiteral("Vesperlog: a recording left unfinished when Vesperlog last ended was removed")});
    QCOMPARE(app.mainWindow()->contentView()->entryList()->banner()->messages(),
             QStringList{QStringLiteral("A voice note was being recorded when Vesperlog last ended; it could not be "
                                        "finished and was removed.")});
}

void AppTest::exportImport_runOncePerRequest_withMainWindowClosed_data()
{
    QTest::addColumn<int>("notification");
    QTest::addColumn<int>("exports");
    QTest::addColumn<int>("imports");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("json") << 0 << 1 << 0 << "json";
    QTest::newRow("markdown") << 1 << 1 << 0 << "md";
    QTest::newRow("import") << 2 << 0 << 1 << "";
}

void AppTest::exportImport_runOncePerRequest_withMainWindowClosed()
{
    QFETCH(int, notification);
    QFETCH(int, exports);
    QFETCH(int, imports);
    QFETCH(QString, suffix);
    AppFixture f;
    f.app->mainWindow()->close();
    QVERIFY(!f.app->mainWindow()->isVisible());
    AppNotifications::instance().post(kDataNotifications[notification]);
    QCOMPARE(f.chooser.exports, exports);
    QCOMPARE(f.chooser.imports, imports);
    if (exports) {
        QVERIFY(QFileInfo::exists(vsp::test::testHome() + QStringLiteral("/Documents/Vesperlog Export.") + suffix));
    }
}

void AppTest::exportImport_doNothingWhileLocked_data()
{
    exportImport_runOncePerRequest_withMainWindowClosed_data();
}

void AppTest::exportImport_doNothingWhileLocked()
{
    QFETCH(int, notification);
    AppFixture f;
    f.store().setIsLocked(true);
    AppNotifications::instance().post(kDataNotifications[notification]);
    QCOMPARE(f.chooser.exports, 0);
    QCOMPARE(f.chooser.imports, 0);
    f.store().setIsLocked(false);
    AppNotifications::instance().post(kDataNotifications[notification]);
    QCOMPARE(f.chooser.exports + f.chooser.imports, 1);
}

void AppTest::quit_backsUpOnlyWhenAsked_data()
{
    QTest::addColumn<bool>("backUp");
    QTest::addColumn<bool>("locked");
    QTest::newRow("off") << false << false;
    QTest::newRow("on") << true << false;
    // Whoever found the journal open could have switched it on: a locked journal is copied nowhere.
    QTest::newRow("on, locked") << true << true;
}

void AppTest::quit_backsUpOnlyWhenAsked()
{
    QFETCH(bool, backUp);
    QFETCH(bool, locked);
    if (backUp) {
        AppSettings::instance().setAutoBackup(true);
    }
    AppFixture f;
    f.store().setIsLocked(locked);
    f.app->mainWindow()->close();
    // What the application emits when it is about to end.
    QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection));
    QCOMPARE(QFileInfo::exists(backupPath()), backUp && !locked);
}

void AppTest::quitWithUnsavedChanges_asksFirst_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("quits");
    QTest::newRow("Cancel") << QStringLiteral("Cancel") << false;
    QTest::newRow("Quit Anyway") << QStringLiteral("Quit Anyway") << true;
    QTest::newRow("Save a Copy") << QStringLiteral("Save a Copy\u2026") << true;
}

void AppTest::quitWithUnsavedChanges_asksFirst()
{
    QFETCH(QString, answer);
    QFETCH(bool, quits);
    AppFixture f;
    // Nothing to ask while every change is on disk.
    QVERIFY(f.app->confirmQuit());
    {
        const vsp::test::FileSizeLimit limit(8);
        f.store().addEntry(makeEntry(QStringLiteral("unsaved"), QStringLiteral("only in memory")));
        // The app writes on a thread of its own; the limit holds until that write is over.
        QVERIFY(f.store().waitForSaves(10000));
    }
    QVERIFY(f.store().hasUnsavedChanges());
    QStringList asked;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) {
                continue;
            }
            asked << box->text();
            for (QAbstractButton* button : box->buttons()) {
                asked << button->text();
                if (button->text() == answer) {
                    QTimer::singleShot(0, button, &QAbstractButton::click);
                }
            }
        }
    });
    if (answer == QLatin1String("Cancel")) {
        // The Quit event of the menu, the tray or the last window is eaten.
        QEvent quit(QEvent::Quit);
        QVERIFY(QCoreApplication::sendEvent(qApp, &quit));
        QVERIFY(f.app->mainWindow()->isVisible());
    } else {
        QCOMPARE(f.app->confirmQuit(), quits);
    }
    // The buttons in the order the desktop's style lays them out.
    QVERIFY(!asked.isEmpty());
    QCOMPARE(asked.takeFirst(), QStringLiteral("Quit without saving?"));
    asked.sort();
    QCOMPARE(asked, (QStringList{QStringLiteral("Cancel"), QStringLiteral("Quit Anyway"),
                                 QStringLiteral("Save a Copy\u2026")}));
    const QString copy = vsp::test::testHome() + QStringLiteral("/Documents/Vesperlog Copy.json");
    QCOMPARE(QFileInfo::exists(copy), answer.startsWith(QStringLiteral("Save")));
    QCOMPARE(f.chooser.exports, answer.startsWith(QStringLiteral("Save")) ? 1 : 0);
}

void AppTest::secondCopyOnSameJournal_handsOverOrQuitsUntouched()
{
    // Copies of the app with runtime folders of their own (other sessions) on one journal folder.
    const QString shared = vsp::test::testHome() + QStringLiteral("/two-copies");
    const QString folder = shared + QStringLiteral("/data/Vesperlog");
    QDir().mkpath(folder);
    QFile journal(folder + QStringLiteral("/entries.json"));
    QVERIFY(journal.open(QIODevice::WriteOnly));
    journal.write("[]");
    journal.close();
    const auto launch = [&](QProcess& process, const QString& session) {
        const QString runtime = shared + u'/' + session;
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), shared + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("VESPERLOG_INSTANCE_NAME"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(VESPERLOG_APP_BINARY), {});
        QVERIFY(process.waitForStarted());
    };
    QProcess first;
    launch(first, QStringLiteral("session-1"));
    const auto stop = qScopeGuard([&] {
        first.kill();
        first.waitForFinished();
    });
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(folder + QStringLiteral("/.vesperlog.address")), 60000);
    const QStringList files = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    // The running copy can be reached: the second hands over and ends.
    QProcess second;
    launch(second, QStringLiteral("session-2"));
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(!second.readAllStandardOutput().contains("open in another Vesperlog"));

    // It cannot (its socket belongs to another user, say): the third says so and touches nothing.
    QFile address(folder + QStringLiteral("/.vesperlog.address"));
    QVERIFY(address.open(QIODevice::WriteOnly | QIODevice::Truncate));
    address.write("/nowhere/vesperlog.sock");
    address.close();
    QProcess third;
    launch(third, QStringLiteral("session-3"));
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += third.readAllStandardOutput()).contains("open in another Vesperlog"), 60000);
    QVERIFY(said.contains(QByteArray(QByteArray("process ") + QByteArray::number(first.processId()))));
    third.kill();
    third.waitForFinished();
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), files);
    QVERIFY(journal.open(QIODevice::ReadOnly));
    QCOMPARE(journal.readAll(), QByteArray("[]"));
    QCOMPARE(first.state(), QProcess::Running);
}

void AppTest::secondCopy_withHungFirst_saysSoAndTouchesNothing()
{
    // A first copy that hangs: its socket takes the connection, and no answer ever comes.
    const QString home = vsp::test::testHome() + QStringLiteral("/hung-first");
    QDir().mkpath(home + QStringLiteral("/runtime"));
    QFile::setPermissions(home + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QLocalServer hung;
    QVERIFY(hung.listen(home + QStringLiteral("/runtime/vesperlog.sock")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("VESPERLOG_INSTANCE_NAME"));
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(VESPERLOG_APP_BINARY), {});
    QVERIFY(second.waitForStarted());
    const auto stop = qScopeGuard([&] {
        second.kill();
        second.waitForFinished();
    });
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += second.readAllStandardOutput()).contains("already running but not answering"),
                             60000);
    // It stays up with its notice on screen instead of quitting silently.
    QCOMPARE(second.state(), QProcess::Running);
    QVERIFY(!QFileInfo::exists(home + QStringLiteral("/data")));
    QVERIFY(!QFileInfo::exists(home + QStringLiteral("/config")));
}

void AppTest::resignActive_locksOnlyWithBothFlags_data()
{
    QTest::addColumn<bool>("appLock");
    QTest::addColumn<bool>("onBackground");
    QTest::addColumn<bool>("locked");
    QTest::newRow("neither") << false << false << false;
    QTest::newRow("lock only") << true << false << false;
    QTest::newRow("background only") << false << true << false;
    QTest::newRow("both") << true << true << true;
}

void AppTest::resignActive_locksOnlyWithBothFlags()
{
    QFETCH(bool, appLock);
    QFETCH(bool, onBackground);
    QFETCH(bool, locked);
    AppFixture f;
    f.store().setIsLocked(false);
    AppSettings::instance().setAppLockEnabled(appLock);
    AppSettings::instance().setLockOnBackground(onBackground);
    f.app->applicationDidResignActive();
    QCOMPARE(f.store().isLocked(), locked);
}

void AppTest::leavingForOwnWindow_locksOnlyWhenStillAway_data()
{
    QTest::addColumn<bool>("comesBack");
    QTest::newRow("focus moves to New Entry") << true;
    QTest::newRow("another app takes over") << false;
}

void AppTest::leavingForOwnWindow_locksOnlyWhenStillAway()
{
    QFETCH(bool, comesBack);
    AppFixture f(false);
    AppSettings::instance().setAppLockEnabled(true);
    AppSettings::instance().setLockOnBackground(true);
    f.store().setIsLocked(false);
    // Between two of its own windows the application is briefly without an active window.
    f.app->applicationStateChanged(Qt::ApplicationInactive);
    QVERIFY(!f.store().isLocked());
    if (comesBack) {
        f.app->applicationStateChanged(Qt::ApplicationActive);
    }
    QVERIFY(vsp::test::fireTimer(*f.app, QStringLiteral("leaveCheckTimer")));
    QCOMPARE(f.store().isLocked(), !comesBack);
}

void AppTest::shortcutsUnderTheCover_reachNothing()
{
    AppFixture f;
    MainWindow* window = f.app->mainWindow();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    ContentView* content = window->contentView();
    EntryListView* list = content->entryList();
    f.store().setIsLocked(true);
    QVERIFY(content->lockScreen()->isVisible());
    const EntryList before = f.store().entries();
    QTest::keyClick(window, Qt::Key_K, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_E, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_Backspace, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("typed under the cover"));
    QVERIFY(!list->showSearch());
    QVERIFY(!content->detail()->isEditing());
    QCOMPARE(f.store().entries(), before);
    QVERIFY(!QApplication::activeModalWidget());
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(!focus || focus == content->lockScreen() || content->lockScreen()->isAncestorOf(focus));
    // The same key opens the search once the journal is open again.
    f.store().setIsLocked(false);
    QTest::keyClick(window, Qt::Key_K, Qt::ControlModifier);
    QVERIFY(list->showSearch());
}

namespace {

/// Keeps what the notification centre hands to the desktop.
struct RecordingDelivery final : NotificationDelivery {
    QList<NotificationRequest> shown;
    void show(const NotificationRequest& request, bool) override { shown.append(request); }
    void checkAvailability(std::function<void(bool, const QString&)> done) override { done(true, QString()); }
};

} // namespace

void AppTest::expirationReminderUnderTheLock_isConcealed_andOpensItsEntryAfterTheUnlock()
{
    AppFixture f;
    RecordingDelivery desktop;
    NotificationCenter& centre = NotificationCenter::instance();
    const QDate day = vsp::localDate(f.store().now());
    const auto at = [day](int hour) { return vsp::fromDateTime(QDateTime(day, QTime(hour, 0))); };
    auto now = std::make_shared<double>(at(8));
    centre.setDelivery(&desktop);
    centre.setClock([now] { return *now; });
    const auto restore = qScopeGuard([&centre] {
        centre.stop();
        centre.setDelivery(nullptr);
        centre.setClock({});
    });
    centre.start();
    JournalEntry target = f.store().entries().last();
    target.expirationDate = at(18);
    f.store().updateEntry(target);
    f.store().setIsLocked(true);
    f.app->mainWindow()->close();

    *now = at(9);
    centre.processDueRequests();
    const QString identifier = NotificationManager::expirationIdentifier(target.id);
    const auto shown = std::find_if(desktop.shown.cbegin(), desktop.shown.cend(),
                                    [&](const NotificationRequest& r) { return r.identifier == identifier; });
    QVERIFY(shown != desktop.shown.cend());
    QCOMPARE(shown->title, QStringLiteral("Entry expires today"));
    QCOMPARE(shown->body, QString());

    // The click brings the cover; the entry comes with the unlock.
    f.app->openNotification(identifier);
    QVERIFY(f.app->mainWindow()->isVisible());
    QVERIFY(f.app->mainWindow()->contentView()->lockScreen()->isVisible());
    QVERIFY(f.store().selectedEntryID() != target.id);
    f.store().setIsLocked(false);
    QCOMPARE(f.store().selectedEntryID(), target.id);
}

void AppTest::updateRequest_showsOneSheet_andDismissesOnClose()
{
    AppFixture f;
    QSignalSpy shown(f.app.get(), &VesperlogApp::updateSheetShown);
    f.command("checkForUpdates")->trigger();
    QCOMPARE(shown.count(), 1);
    QVERIFY(f.app->showUpdate());
    UpdateSheet* sheet = f.app->updateSheet();
    QTRY_COMPARE(f.app->updater().phase(), Updater::Phase::Current);
    QCOMPARE(sheet->statusText(), QStringLiteral("You're up to date"));
    // A second request while the sheet is up opens the updater again and keeps the same sheet.
    const int checks = f.app->updater().checkCount();
    Q_EMIT AppNotifications::instance().VspUpdateRequested();
    QCOMPARE(shown.count(), 1);
    QCOMPARE(f.app->updateSheet(), sheet);
    QCOMPARE(f.app->updater().checkCount(), checks + 1);
    sheet->reject();
    QCOMPARE(f.app->updater().phase(), Updater::Phase::Idle);
    QTRY_VERIFY(!f.app->showUpdate());
}

void AppTest::quietUpdateCheck_followsAutoUpdates_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("checks");
    QTest::newRow("default on") << QVariant() << 1;
    QTest::newRow("off") << QVariant(false) << 0;
}

void AppTest::quietUpdateCheck_followsAutoUpdates()
{
    QFETCH(QVariant, stored);
    QFETCH(int, checks);
    if (stored.isValid()) {
        AppSettings::instance().setAutoUpdates(stored.toBool());
    }
    AppFixture f;
    // It waits until the window has had its first seconds.
    QCOMPARE(f.app->updater().checkCount(), 0);
    QVERIFY(vsp::test::fireTimer(*f.app, QStringLiteral("quietUpdateCheck")));
    QCOMPARE(f.app->updater().checkCount(), checks);
    // Only the first showing starts it.
    f.app->mainWindow()->close();
    f.app->showMainWindow();
    QVERIFY(vsp::test::fireTimer(*f.app, QStringLiteral("quietUpdateCheck")));
    QCOMPARE(f.app->updater().checkCount(), checks);
}

void AppTest::entryMenu_whileLocked_isDisabledAndChangesNothing()
{
    AppFixture f;
    AppCommands& c = f.commands();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    f.store().setIsLocked(true);
    // Search would open in the list under the cover: it waits for the unlock too.
    for (QAction* a : {f.command("editEntry"), f.command("toggleFavorite"), f.command("duplicateEntry"),
                       f.command("copyPlainText"), f.command("deleteEntry"), f.command("toggleSearch")}) {
        QVERIFY2(!a->isEnabled(), qPrintable(a->text()));
    }
    for (QAction* a :
         {f.command("focusMode"), f.command("newEntry"), f.command("about"), f.command("checkForUpdates")}) {
        QVERIFY2(a->isEnabled(), qPrintable(a->text()));
    }
    const EntryList before = f.store().entries();
    QSignalSpy deleteRequests(&AppNotifications::instance(), &AppNotifications::VspRequestDelete);
    // The commands check the lock themselves too.
    c.runToggleFavorite();
    c.runDuplicateEntry();
    c.runCopyPlainText();
    c.runDeleteEntry();
    QCOMPARE(f.store().entries(), before);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    QCOMPARE(deleteRequests.count(), 0);
    f.store().setIsLocked(false);
    for (QAction* a : {f.command("editEntry"), f.command("toggleFavorite"), f.command("duplicateEntry"),
                       f.command("copyPlainText"), f.command("deleteEntry"), f.command("toggleSearch")}) {
        QVERIFY(a->isEnabled());
    }
}

void AppTest::entryCommands_actOnSelectedEntry()
{
    AppFixture f;
    JournalStore& store = f.store();
    const QUuid first = store.entries().first().id;
    f.command("toggleFavorite")->trigger();
    QVERIFY(store.entry(first)->isFavorite);
    f.command("duplicateEntry")->trigger();
    QCOMPARE(store.entries().size(), 4);
    QCOMPARE(store.entries().first().title, QStringLiteral("First (copy)"));
    store.setSelectedEntryID(first);
    f.command("copyPlainText")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("First\n\none"));
    // Without a selection the entry commands do nothing, and "Edit Entry" still asks.
    store.setSelectedEntryID(std::nullopt);
    QSignalSpy edits(&AppNotifications::instance(), &AppNotifications::VspToggleEdit);
    QSignalSpy deletes(&AppNotifications::instance(), &AppNotifications::VspRequestDelete);
    f.command("editEntry")->trigger();
    f.command("deleteEntry")->trigger();
    f.command("toggleFavorite")->trigger();
    QCOMPARE(edits.count(), 1);
    QCOMPARE(deletes.count(), 0);
    QVERIFY(store.entry(first)->isFavorite);
}

void AppTest::entryMenus_actByIdThroughTheStore()
{
    AppFixture f;
    JournalStore& store = f.store();
    MainWindow* window = f.app->mainWindow();
    const JournalEntry stale = store.entries().first();
    auto* toolbar = window->findChild<DetailToolbar*>();
    QVERIFY(toolbar);
    QCOMPARE(toolbar->entry().id, stale.id);
    // Each menu is built from its copy of the entry; the stored entry then moves on.
    std::unique_ptr<QMenu> detailMenu(toolbar->buildMenu(window));
    std::unique_ptr<QMenu> rowMenu(EntryContextMenu::build(store, stale, window));
    JournalEntry renamed = stale;
    renamed.title = QStringLiteral("Renamed");
    store.updateEntry(renamed);
    const auto item = [](QMenu& menu, const QString& text) {
        for (QAction* a : menu.actions()) {
            if (a->text() == text) {
                return a;
            }
        }
        return static_cast<QAction*>(nullptr);
    };
    const QList<QAction*> duplicates = {item(*detailMenu, QStringLiteral("Duplicate Entry")),
                                        item(*rowMenu, QStringLiteral("Duplicate Entry")), f.command("duplicateEntry")};
    for (QAction* duplicate : duplicates) {
        QVERIFY(duplicate);
        store.setSelectedEntryID(stale.id);
        duplicate->trigger();
        QCOMPARE(store.entries().first().title, QStringLiteral("Renamed (copy)"));
        store.deleteEntry(store.entries().first());
    }

    // The lock shuts every entry item of the three menus, and opening them again brings it back.
    store.setIsLocked(true);
    const auto entryItems = [&] {
        QList<QAction*> items;
        for (QMenu* menu : {detailMenu.get(), detailMenu->actions().first()->menu(), rowMenu.get()}) {
            for (QAction* a : menu->actions()) {
                if (!a->isSeparator() && !a->menu()) {
                    items.append(a);
                }
            }
        }
        for (const char* name : {"toggleFavorite", "duplicateEntry", "copyPlainText", "deleteEntry"}) {
            items.append(f.command(name));
        }
        return items;
    };
    for (QAction* a : entryItems()) {
        QVERIFY2(!a->isEnabled(), qPrintable(a->text()));
    }
    store.setIsLocked(false);
    for (QAction* a : entryItems()) {
        // Clear Mood stays off for an entry without a mood.
        QVERIFY2(a->isEnabled() == (a->text() != QStringLiteral("Clear Mood")), qPrintable(a->text()));
    }
}

void AppTest::shortcuts_reachTheirCommands()
{
    AppFixture f;
    MainWindow* window = f.app->mainWindow();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    JournalStore& store = f.store();
    EntryListView* list = window->contentView()->entryList();

    QTest::keyClick(window, Qt::Key_K, Qt::ControlModifier);
    QVERIFY(list->showSearch());
    QTest::keyClick(window, Qt::Key_K, Qt::ControlModifier);
    QVERIFY(!list->showSearch());

    QCOMPARE(f.command("focusMode")->text(), QStringLiteral("Enter Focus Mode"));
    QTest::keyClick(window, Qt::Key_F11);
    QVERIFY(store.focusMode());
    QCOMPARE(f.command("focusMode")->text(), QStringLiteral("Exit Focus Mode"));
    QTest::keyClick(window, Qt::Key_F11);
    QVERIFY(!store.focusMode());

    const QUuid first = store.entries().first().id;
    QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(store.entry(first)->isFavorite);
    QTest::keyClick(window, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("First\n\none"));
    QTest::keyClick(window, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(store.entries().size(), 4);

    QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier);
    QVERIFY(f.app->composeWindow());
    QVERIFY(f.app->composeWindow()->isVisible());
}

void AppTest::deleteCommand_deletesOnlyAfterConfirmation()
{
    AppFixture f;
    JournalStore& store = f.store();
    EntryDetailView* detail = f.app->mainWindow()->contentView()->detail();
    QStringList questions;
    bool answer = false;
    detail->setConfirmation([&](const QString& question) {
        questions.append(question);
        return answer;
    });
    const QUuid first = store.entries().first().id;
    f.command("deleteEntry")->trigger();
    QCOMPARE(questions, QStringList{QStringLiteral("Delete this entry?")});
    QVERIFY(store.entry(first));
    answer = true;
    f.command("deleteEntry")->trigger();
    QVERIFY(!store.entry(first));
    QCOMPARE(store.trashedEntries().size(), 1);
}

void AppTest::editCommand_startsAndSavesEditing()
{
    AppFixture f;
    JournalStore& store = f.store();
    EntryDetailView* detail = f.app->mainWindow()->contentView()->detail();
    const QUuid first = store.entries().first().id;
    QVERIFY(detail->isVisible());
    f.command("editEntry")->trigger();
    QVERIFY(detail->isEditing());
    auto* title = detail->findChild<QLineEdit*>(QStringLiteral("detailTitleField"));
    QVERIFY(title && !title->isReadOnly());
    title->selectAll();
    QTest::keyClicks(title, QStringLiteral("Renamed"));
    QCOMPARE(store.entry(first)->title, QStringLiteral("First"));
    f.command("editEntry")->trigger();
    QVERIFY(!detail->isEditing());
    QCOMPARE(store.entry(first)->title, QStringLiteral("Renamed"));
    // Moving the selection saves edits in progress.
    f.command("editEntry")->trigger();
    QTest::keyClicks(title, QStringLiteral("!"));
    store.setSelectedEntryID(store.entries().at(1).id);
    QCOMPARE(store.entry(first)->title, QStringLiteral("Renamed!"));
}

void AppTest::accessKeys_areUniqueInTheMenuBarAndEachWindow()
{
    AppFixture f;
    QMenuBar* bar = f.app->mainWindow()->menuBar();
    QStringList titles;
    for (QAction* menu : bar->actions()) {
        titles << menu->text();
        if (menu->menu()) {
            QStringList items;
            for (QAction* item : menu->menu()->actions()) {
                items << item->text();
            }
            QVERIFY2(clashes(items).isEmpty(), qPrintable(clashes(items).join(u'\n')));
        }
    }
    QCOMPARE(accessKey(titles.value(2)), int(Qt::Key_V)); // Alt+V is the View menu's
    QVERIFY2(clashes(titles).isEmpty(), qPrintable(clashes(titles).join(u'\n')));
    QVERIFY2(clashes(shownTexts(f.app->mainWindow())).isEmpty(),
             qPrintable(clashes(shownTexts(f.app->mainWindow())).join(u'\n')));

    f.app->openWindow(QStringLiteral("settings"));
    auto* settings = qobject_cast<SettingsView*>(f.app->settingsWindow());
    QVERIFY(settings);
    for (int tab = 0; tab < settings->tabCount(); ++tab) {
        settings->setCurrentTab(tab);
        const QStringList found = clashes(shownTexts(f.app->settingsWindow()));
        QVERIFY2(found.isEmpty(), qPrintable(QStringLiteral("tab %1: ").arg(tab) + found.join(u'\n')));
    }
    f.command("newEntry")->trigger();
    QVERIFY2(clashes(shownTexts(f.app->composeWindow())).isEmpty(),
             qPrintable(clashes(shownTexts(f.app->composeWindow())).join(u'\n')));
    f.command("checkForUpdates")->trigger();
    QVERIFY(f.app->updateSheet());
    QVERIFY2(clashes(shownTexts(f.app->updateSheet())).isEmpty(),
             qPrintable(clashes(shownTexts(f.app->updateSheet())).join(u'\n')));
}

void AppTest::composeWindow_firstOpensCentredOverTheMainWindow()
{
    AppFixture f;
    // The whole screen of the test platform: a window centred over it fits without being moved.
    f.app->mainWindow()->setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    f.command("newEntry")->trigger();
    ComposeWindow* window = f.app->composeWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QPoint offset = window->frameGeometry().center() - f.app->mainWindow()->frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 2, qPrintable(QStringLiteral("%1,%2 off").arg(offset.x()).arg(offset.y())));
}

void AppTest::composeWindow_isSingleAndBounded()
{
    AppFixture f;
    f.command("newEntry")->trigger();
    ComposeWindow* window = f.app->composeWindow();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("New Entry"));
    QCOMPARE(window->content()->objectName(), QStringLiteral("composeView"));
    QCOMPARE(window->size(), QSize(720, 600));
    QCOMPARE(window->minimumSize(), QSize(640, 540));
    window->resize(300, 200);
    QVERIFY(window->width() >= 640 && window->height() >= 540);
    f.command("newEntry")->trigger();
    f.app->openWindow(QStringLiteral("compose-window"));
    QCOMPARE(f.app->composeWindow(), window);
    const QWidgetList tops = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(tops.cbegin(), tops.cend(), [](QWidget* w) { return qobject_cast<ComposeWindow*>(w); }), 1);
}

void AppTest::newEntry_fromShortcutToSavedSelectedRow()
{
    AppFixture f;
    JournalStore& store = f.store();
    QTest::keyClick(f.app->mainWindow(), Qt::Key_N, Qt::ControlModifier);
    ComposeWindow* window = f.app->composeWindow();
    QVERIFY(window && window->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto* compose = qobject_cast<ComposeView*>(window->content());
    QVERIFY(compose);

    QTest::keyClicks(parts::titleField(compose), QStringLiteral("Harbour at dusk"));
    QWidget* body = parts::editor(compose)->textView();
    body->setFocus();
    QTest::keyClicks(body, QStringLiteral("Gulls over the water"));
    QTest::keyClick(body, Qt::Key_Return, Qt::ControlModifier);

    // Saved, stored on disk, selected, first in the list, and the window has gone.
    QTRY_VERIFY(!window->isVisible());
    QCOMPARE(store.entries().size(), 4);
    const std::optional<JournalEntry> saved = store.selectedEntry();
    QVERIFY(saved);
    QCOMPARE(saved->title, QStringLiteral("Harbour at dusk"));
    QCOMPARE(saved->body, QStringLiteral("Gulls over the water"));
    // The app writes on a thread of its own.
    QVERIFY(store.waitForSaves(10000));
    QFile file(JournalStore::storeFolder() + QStringLiteral("/entries.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("Harbour at dusk"));
    EntryListModel* model = f.app->mainWindow()->contentView()->entryList()->list()->listModel();
    QTRY_VERIFY(!model->isRefreshPending());
    int firstEntryRow = 0;
    while (firstEntryRow < model->rowCount() && !model->entryAt(firstEntryRow)) {
        ++firstEntryRow;
    }
    QVERIFY(firstEntryRow < model->rowCount());
    QCOMPARE(model->entryAt(firstEntryRow)->id, saved->id);
}

void AppTest::quickCapture_fromFileMenu_addsEntry()
{
    AppFixture f;
    f.command("quickCapture")->trigger();
    QuickCapturePanel* panel = f.app->quickCapture();
    QVERIFY(panel && panel->isVisible());
    QPlainTextEdit* body = parts::bodyEditor(panel->view());
    QTest::keyClicks(body, QStringLiteral("Buy stamps"));
    QTest::keyClick(body, Qt::Key_Return);
    QTest::keyClicks(body, QStringLiteral("and envelopes"));
    QTest::keyClick(body, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(f.store().entries().first().title, QStringLiteral("Quick Note"));
    QCOMPARE(f.store().entries().first().body, QStringLiteral("Buy stamps\nand envelopes"));
    QVERIFY(!panel->isVisible());
}

void AppTest::composePlacement_rememberedOntoAVisibleScreen_data()
{
    QTest::addColumn<QRect>("placed");
    QTest::addColumn<bool>("onScreen");
    QTest::newRow("where it was") << QRect(30, 20, 660, 560) << true;
    // The screen it stood on is gone.
    QTest::newRow("off every screen") << QRect(5000, 4000, 650, 550) << false;
    QTest::newRow("larger than the screen") << QRect(-40, 10, 3000, 2000) << false;
}

void AppTest::composePlacement_rememberedOntoAVisibleScreen()
{
    QFETCH(QRect, placed);
    QFETCH(bool, onScreen);
    {
        AppFixture f;
        f.command("newEntry")->trigger();
        ComposeWindow* window = f.app->composeWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->setGeometry(placed);
        QCOMPARE(window->geometry(), placed);
        window->close();
    }
    // The next launch, on the same settings.
    AppFixture f;
    f.command("newEntry")->trigger();
    ComposeWindow* window = f.app->composeWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    if (onScreen) {
        QCOMPARE(window->geometry(), placed);
    } else {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        // Wholly on the screen, frame included, and only as much smaller as that takes.
        const QRect frame = window->frameGeometry();
        QVERIFY2(
            screen.contains(frame),
            qPrintable(
                QStringLiteral("%1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
        QCOMPARE(frame.size(), (placed.size() + frame.size() - window->size()).boundedTo(screen.size()));
    }
}

void AppTest::windows_fitAScaledScreen_data()
{
    // The arguments of a launch at scale 1 before the one at scale 2 (none: a first launch).
    QTest::addColumn<QStringList>("before");
    QTest::newRow("first launch") << QStringList{};
    QTest::newRow("placed at scale 1") << QStringList{QStringLiteral("--place"), QStringLiteral("300"),
                                                      QStringLiteral("200")};
    QTest::newRow("placed far right at scale 1")
        << QStringList{QStringLiteral("--place"), QStringLiteral("1700"), QStringLiteral("900")};
}

void AppTest::windows_fitAScaledScreen()
{
    QFETCH(QStringList, before);
    // One screen of 1920×1200 device pixels, as Xvfb gives.
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"screens": [{"name": "S", "x": 0, "y": 0, "width": 1920, "height": 1200, "logicalDpi": 96}]})");
    file.close();
    const auto launch = [&](const QString& scale, const QStringList& arguments) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
        child.setProcessEnvironment(environment);
        child.start(QStringLiteral(VESPERLOG_WINDOW_FIT_CHILD), arguments);
        child.waitForFinished(120000);
        return QString::fromUtf8(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    };
    if (!before.isEmpty()) {
        QCOMPARE(launch(QStringLiteral("1"), before).size(), 3);
    }
    const QStringList windows = launch(QStringLiteral("2"), {});
    QCOMPARE(windows.size(), 3);
    for (const QString& line : windows) {
        const QStringList f = line.split(u' ');
        QCOMPARE(f.size(), 9);
        const QRect frame(f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt());
        const QRect free(f[5].toInt(), f[6].toInt(), f[7].toInt(), f[8].toInt());
        QCOMPARE(free, QRect(0, 0, 960, 600));
        QVERIFY2(free.contains(frame), qPrintable(line));
    }
}

void AppTest::appWideShortcuts_workFromNewEntryWindow()
{
    AppFixture f;
    f.command("newEntry")->trigger();
    ComposeWindow* compose = f.app->composeWindow();
    QVERIFY(QTest::qWaitForWindowActive(compose));
    auto* view = qobject_cast<ComposeView*>(compose->content());
    QVERIFY(view);
    // From the focused title field, as the user types there.
    QTest::keyClick(parts::titleField(view), Qt::Key_Comma, Qt::ControlModifier);
    QVERIFY(f.app->settingsWindow());
    QVERIFY(f.app->settingsWindow()->isVisible());
    compose->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(compose));
    QTest::keyClick(parts::titleField(view), Qt::Key_Q, Qt::ControlModifier);
    QTRY_COMPARE(f.quits, 1);
    // The settings window is one of ours too.
    f.app->settingsWindow()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.app->settingsWindow()));
    QTest::keyClick(f.app->settingsWindow(), Qt::Key_Q, Qt::ControlModifier);
    QTRY_COMPARE(f.quits, 2);
}

void AppTest::quit_whileIntroductionIsOpen_stillQuits()
{
    AppSettings::instance().setHasCompletedOnboarding(false);
    AppFixture f;
    MainWindow* window = f.app->mainWindow();
    // The introduction is a dialog over the main window, shown a moment after it.
    QVERIFY(vsp::test::fireTimer(*window->contentView(), QStringLiteral("onboardingTimer")));
    QWidget* intro = window->findChild<QWidget*>(QStringLiteral("onboarding"));
    QVERIFY(intro);
    QVERIFY(QTest::qWaitForWindowActive(intro));

    f.command("quit")->trigger();
    QTRY_COMPARE(f.quits, 1);
    QTest::keyClick(intro, Qt::Key_Q, Qt::ControlModifier);
    QTRY_COMPARE(f.quits, 2);
    // Quitting is not completing the introduction: it comes again at the next launch.
    QVERIFY(!AppSettings::instance().hasCompletedOnboarding());
}

void AppTest::sessionEnd_keepsEditsAndBothDrafts_withoutAsking()
{
    AppFixture f;
    JournalStore& store = f.store();
    const QUuid first = store.entries().first().id;
    f.command("editEntry")->trigger();
    auto* title =
        f.app->mainWindow()->contentView()->detail()->findChild<QLineEdit*>(QStringLiteral("detailTitleField"));
    QVERIFY(title);
    title->selectAll();
    QTest::keyClicks(title, QStringLiteral("Renamed"));
    f.app->openWindow(vsp::composeWindowID());
    auto* compose = qobject_cast<ComposeView*>(f.app->composeWindow()->content());
    QTest::keyClicks(parts::titleField(compose), QStringLiteral("Half a thought"));
    f.command("quickCapture")->trigger();
    QTest::keyClicks(parts::titleField(f.app->quickCapture()->view()), QStringLiteral("Errands"));
    QTest::keyClicks(parts::bodyEditor(f.app->quickCapture()->view()), QStringLiteral("Buy stamps"));
    f.app->followSessionEnd();
    f.app->endWithSession(QStringLiteral("a test"));
    QCOMPARE(f.quits, 1);
    QCOMPARE(store.entry(first)->title, QStringLiteral("Renamed"));
    QVERIFY(!store.hasUnsavedChanges());
    // Quick capture's words follow New Entry's in the one draft.
    QCOMPARE(f.app->appSettings().draftTitle(), QStringLiteral("Half a thought"));
    QCOMPARE(f.app->appSettings().draftBody(), QStringLiteral("Errands\nBuy stamps"));
    QVERIFY(f.app->quickCapture()->view()->bodyText().isEmpty());
    // Asked again (the second request of the session manager), nothing is added twice.
    f.app->keepOpenEdits();
    QCOMPARE(f.app->appSettings().draftBody(), QStringLiteral("Errands\nBuy stamps"));
    QCOMPARE(f.quits, 1);
}

void AppTest::selectedRowDate_readableOnEveryAccent_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("mode");
    for (const vsp::AccentPreset& p : vsp::accentPresets()) {
        for (const char* mode : {"light", "dark"}) {
            QTest::addRow("%s %s", qPrintable(p.name.toString()), mode)
                << p.name.toString() << QString::fromLatin1(mode);
        }
    }
}

void AppTest::selectedRowDate_readableOnEveryAccent()
{
    QFETCH(QString, preset);
    QFETCH(QString, mode);
    AppSettings::instance().setAccentColorPreset(preset);
    AppSettings::instance().setAppearanceMode(mode);
    // A selected row painted on the list's background; the date line's free middle shows its glass.
    QImage image(320, 110, QImage::Format_RGB32);
    image.fill(vsp::Color::vspBackground().resolve());
    {
        QPainter p(&image);
        EntryRow::PaintState state;
        state.selection = 1;
        EntryRow::paint(p, QRectF(0, 0, 320, 110), makeEntry(QStringLiteral("Title"), QString()), EntryRow::Options{},
                        state);
    }
    const QColor behindDate = image.pixelColor(200, int(EntryRow::kVerticalPadding + 6));
    const double ratio = vsp::contrastRatio(EntryRow::dateColor(true), behindDate);
    QVERIFY2(ratio >= vsp::kTextContrast, qPrintable(QString::number(ratio)));
}

void AppTest::appearanceSwitch_recoloursEveryWindowAtOnce_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::newRow("dark to light") << QStringLiteral("dark") << QStringLiteral("light");
    QTest::newRow("light to dark") << QStringLiteral("light") << QStringLiteral("dark");
}

void AppTest::appearanceSwitch_recoloursEveryWindowAtOnce()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    AppSettings::instance().setAppearanceMode(from);
    AppFixture f;
    f.command("newEntry")->trigger();
    auto* compose = qobject_cast<ComposeView*>(f.app->composeWindow()->content());
    QVERIFY(QTest::qWaitForWindowExposed(f.app->composeWindow()));
    QTest::keyClicks(parts::titleField(compose), QStringLiteral("Harbour at dusk"));
    ContentView* content = f.app->mainWindow()->contentView();

    AppSettings::instance().setAppearanceMode(to);
    QCOMPARE(AppearanceManager::instance().isDark(), to == QLatin1String("dark"));
    // Queued rebuilds run; no time passes.
    QCoreApplication::processEvents();
    const QColor background = vsp::Color::vspBackground().resolve();

    const QList<std::pair<const char*, QWidget*>> shown = {
        {"sidebar", content->sidebar()},
        {"list", content->entryList()},
        {"detail", content->detail()},
        {"detail title", vsp::test::child<QLabel>(*content->detail(), QStringLiteral("detailTitle"))},
        {"detail body", vsp::test::child<BodyTextView>(*content->detail(), QStringLiteral("detailBodyText"))},
        {"compose window", compose},
        {"compose title", parts::titleField(compose)},
    };
    for (const auto& [name, widget] : shown) {
        QVERIFY2(widget, name);
        const Picture picture = lookAt(widget);
        // The ground is the new appearance's, and what is written on it stands out from it.
        QVERIFY2(std::abs(vsp::relativeLuminance(picture.ground) - vsp::relativeLuminance(background)) < 0.1,
                 qPrintable(QStringLiteral("%1: ground %2").arg(QLatin1String(name), picture.ground.name())));
        QVERIFY2(picture.strongestContrast >= 4.5, qPrintable(QStringLiteral("%1: text contrast %2 on %3")
                                                                  .arg(QLatin1String(name))
                                                                  .arg(picture.strongestContrast)
                                                                  .arg(picture.ground.name())));
    }
}

void AppTest::systemAppearance_followsDesktopSchemeLive()
{
    FakeSettingsPortal portal(1);
    if (!portal.publish()) {
        QSKIP("no session bus: the suite runs inside dbus-run-session");
    }
    AppearanceManager& appearance = AppearanceManager::instance();
    const auto restore =
        qScopeGuard([&] { appearance.setDesktopScheme(AppearanceManager::DesktopScheme::NoPreference); });
    const auto mark = [] { return QuickCapturePanel::trayIcon().pixmap(16).toImage(); };
    AppSettings::instance().setAppearanceMode(QStringLiteral("system"));
    AppFixture f(true, true);
    QTRY_VERIFY(appearance.isDark());
    const QImage darkDesktopMark = mark();

    portal.changeColorScheme(2);
    QTRY_VERIFY(!appearance.isDark());
    QCOMPARE(QApplication::palette().color(QPalette::Window),
             vsp::Color::vspBackground().resolve(vsp::Appearance::Light));
    QVERIFY(mark() != darkDesktopMark);

    // An appearance of the application's own stays, while the tray's mark still follows the desktop.
    AppSettings::instance().setAppearanceMode(QStringLiteral("light"));
    QSignalSpy desktopChanged(&appearance, &AppearanceManager::desktopSchemeChanged);
    QSignalSpy appearanceChanged(&appearance, &AppearanceManager::appearanceChanged);
    portal.changeColorScheme(1);
    QTRY_COMPARE(desktopChanged.count(), 1);
    QCOMPARE(appearanceChanged.count(), 0);
    QVERIFY(!appearance.isDark());
    QCOMPARE(mark(), darkDesktopMark);
}

void AppTest::quitForUpdate_savesTheDetailsEditsAndTheDraftFirst()
{
    AppFixture f;
    JournalStore& store = f.store();
    EntryDetailView* detail = f.app->mainWindow()->contentView()->detail();
    const QUuid first = store.entries().first().id;
    f.command("editEntry")->trigger();
    auto* title = detail->findChild<QLineEdit*>(QStringLiteral("detailTitleField"));
    QVERIFY(title);
    title->selectAll();
    QTest::keyClicks(title, QStringLiteral("Renamed"));
    f.app->openWindow(vsp::composeWindowID());
    auto* compose = qobject_cast<ComposeView*>(f.app->composeWindow()->content());
    QVERIFY(QTest::qWaitForWindowExposed(f.app->composeWindow()));
    QTest::keyClicks(parts::titleField(compose), QStringLiteral("Half a thought"));

    // The hand-over is started only once this said yes; the new version reads what is on disk.
    QVERIFY(f.app->prepareToQuitForUpdate());
    QCOMPARE(store.entry(first)->title, QStringLiteral("Renamed"));
    QVERIFY(store.waitForSaves(10000));
    QCOMPARE(f.app->appSettings().draftTitle(), QStringLiteral("Half a thought"));
    f.app->quitForUpdate();
    QCOMPARE(f.quits, 1);
}
