#include "App/VesperlogApp.h"

#include "App/AppCommands.h"
#include "App/BundleInfo.h"
#include "App/QuickCapture.h"
#include "App/QuickCaptureView.h"
#include "App/WindowPlacement.h"
#include "Editor/Compose/ComposeView.h"
#include "Media/AudioRecorder.h"
#include "Media/ImageLoading.h"
#include "Model/AppNotifications.h"
#include "Model/AppSettings.h"
#include "Model/ComposeDrafts.h"
#include "Model/FileChooser.h"
#include "Model/JournalStore.h"
#include "Model/Log.h"
#include "Model/MoodStore.h"
#include "Model/NotificationCenter.h"
#include "Model/NotificationManager.h"
#include "Platform/ColorSchemePortal.h"
#include "Platform/DesktopNotifications.h"
#include "Platform/DisplayLoss.h"
#include "Platform/FileDialogChooser.h"
#include "Platform/ReduceMotion.h"
#include "Platform/TerminationSignals.h"
#include "Settings/LockScreenView.h"
#include "Settings/SettingsView.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Spring.h"
#include "Update/UpdateBadge.h"
#include "Update/UpdateSheet.h"
#include "Update/Updater.h"
#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/EntryListView.h"
#include "Views/Main/JournalBanner.h"
#include "Views/Main/MainWindow.h"
#include "Views/Sidebar/SidebarFooter.h"
#include "Views/Sidebar/SidebarView.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QSessionManager>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <utility>

namespace {

/// How long after the main window first shows the quiet update check starts (milliseconds).
constexpr int kQuietUpdateCheckDelayMs = 3000;

// The application whose open edits a process exit must keep; null when none runs.
VesperlogApp* g_sessionApp = nullptr;

void keepEditsAtExit()
{
    // Qt's display connection ends the process with exit() when the display goes away (a logout, a
    // crashed X server): no event loop runs after that, but the GUI thread still has every window. The
    // edits are normally kept as the loss is found, before exit() starts (vsp::platform::watchDisplayLoss);
    // an exit nobody saw coming still keeps them here, as well as the objects torn down by then allow.
    if (g_sessionApp && QCoreApplication::instance() && QThread::currentThread() == qApp->thread()) {
        VesperlogApp* app = std::exchange(g_sessionApp, nullptr);
        vsp::logLine(
            QStringLiteral("ending without the event loop (the display may have gone away); keeping open edits"));
        app->keepOpenEdits();
    }
}

} // namespace

VesperlogApp::VesperlogApp() : VesperlogApp(Options{})
{ }

VesperlogApp::VesperlogApp(Options options)
    : m_options(std::move(options)),
      m_store(std::make_unique<JournalStore>(m_options.clock)),
      m_settings(std::make_unique<AppSettings>()),
      m_moodStore(std::make_unique<MoodStore>())
{
    Updater::Options updater = m_options.updater;
    if (updater.currentVersion.isEmpty()) {
        updater.currentVersion = BundleInfo::shortVersion();
    }
    updater.prepareToQuit = [this] { return prepareToQuitForUpdate(); };
    updater.quit = [this] { quitForUpdate(); };
    m_updater = std::make_unique<Updater>(std::move(updater));
    m_store->setReminderScheduler(&NotificationManager::reminderScheduler());
    // No change waits for the disk: the journal is written on a thread of its own.
    m_store->setBackgroundWriting(true);
    // A journal that locks on launch is locked before anything of it can show: the first window, and a
    // reminder missed earlier today that the centre shows as it starts.
    if (m_settings->appLockEnabled()) {
        m_store->setIsLocked(true);
    }
    NotificationCenter::instance().setConcealment([store = m_store.get()](const NotificationRequest& request) {
        return store->isLocked() ? NotificationManager::concealedWhileLocked(request) : request;
    });
    if (m_options.startNotifications) {
        // Reminders are shown by the desktop, also while they arrive with the application in front.
        m_notifications = new DesktopNotifications(this);
        NotificationCenter::instance().setDelivery(m_notifications);
        NotificationCenter::instance().start();
        connect(m_notifications, &DesktopNotifications::activated, this, &VesperlogApp::openNotification);
    }

    setUpAppearance();

    m_mainWindow = new MainWindow(*m_store, *m_moodStore, [this](const QString& id) { openWindow(id); });
    if (m_options.authenticator) {
        m_mainWindow->contentView()->lockScreen()->setAuthenticatorFactory(m_options.authenticator);
    }
    WindowPlacement::remember(m_mainWindow, m_settings->mainWindowGeometry(),
                              [this](const QByteArray& geometry) { m_settings->setMainWindowGeometry(geometry); });
    if (!m_options.fileChooser) {
        m_ownChooser = std::make_unique<FileDialogChooser>(m_mainWindow);
    }
    m_store->setFileChooser(m_options.fileChooser ? m_options.fileChooser : m_ownChooser.get());
    m_store->setImageCheck(vsp::photos::pictureProblem);
    m_commands = new AppCommands(*this, m_mainWindow->menuBar());
    // A recording under way when the app last ended (a crash, a kill) cannot be finished: its raw
    // samples are removed rather than left in the cache unseen, and the user is told.
    if (const int leftOver = AudioRecorder::removeLeftOverRecordings(); leftOver > 0) {
        vsp::logLine(QStringLiteral("a recording left unfinished when Vesperlog last ended was removed"));
        m_mainWindow->contentView()->entryList()->banner()->showNotice(
            tr("A voice note was being recorded when Vesperlog last ended; it could not be finished and "
               "was removed."));
    }
    m_mainWindow->contentView()->sidebar()->footer()->setUpdateBadge(new UpdateBadge(*m_updater));
    // The quiet update check starts once the window has had its first seconds to itself: it runs a copy
    // of this program, which would compete with the first paint for the processor and the disk.
    auto* quietCheck = new QTimer(this);
    quietCheck->setObjectName(QStringLiteral("quietUpdateCheck"));
    quietCheck->setSingleShot(true);
    quietCheck->setInterval(kQuietUpdateCheckDelayMs);
    connect(quietCheck, &QTimer::timeout, this, [this] { m_updater->checkQuietly(m_settings->autoUpdates()); });
    connect(m_mainWindow, &MainWindow::firstShown, quietCheck, qOverload<>(&QTimer::start));

    setUpTray();
    connectReactions();
}

VesperlogApp::~VesperlogApp()
{
    if (g_sessionApp == this) {
        g_sessionApp = nullptr;
    }
    delete m_signals;
    // Windows first: they read the stores until they are gone.
    delete m_updateSheet;
    delete m_quickCapture;
    delete m_settingsWindow;
    delete m_composeWindow;
    delete m_mainWindow;
    delete m_tray;
    if (m_notifications && NotificationCenter::instance().delivery() == m_notifications) {
        NotificationCenter::instance().setDelivery(nullptr);
    }
    NotificationCenter::instance().setConcealment({});
    m_store->setReminderScheduler(nullptr);
    m_store->setFileChooser(nullptr);
}

MainWindow* VesperlogApp::mainWindow() const
{
    return m_mainWindow;
}

ComposeWindow* VesperlogApp::composeWindow() const
{
    return m_composeWindow;
}

QWidget* VesperlogApp::settingsWindow() const
{
    return m_settingsWindow;
}

QuickCapturePanel* VesperlogApp::quickCapture() const
{
    return m_quickCapture;
}

UpdateSheet* VesperlogApp::updateSheet() const
{
    return m_updateSheet;
}

void VesperlogApp::setUpAppearance()
{
    AppearanceManager& appearance = AppearanceManager::instance();
    appearance.apply();
    if (m_options.followDesktopScheme) {
        m_portal = new ColorSchemePortal(this);
        connect(m_portal, &ColorSchemePortal::schemeChanged, this, [](ColorSchemePortal::Scheme scheme) {
            AppearanceManager::instance().setDesktopScheme(AppearanceManager::DesktopScheme(int(scheme)));
        });
        m_portal->start();
        ReduceMotion::instance().start();
    }
    // Every spring and transition lands at once while the desktop asks for reduced motion.
    vsp::setMotionReduced(ReduceMotion::instance().isOn());
    connect(&ReduceMotion::instance(), &ReduceMotion::changed, this, [](bool on) { vsp::setMotionReduced(on); });
}

void VesperlogApp::setUpTray()
{
    const bool trayAvailable = m_options.useTray && QSystemTrayIcon::isSystemTrayAvailable();
    // Without a tray nothing could bring a closed main window back: closing the last window quits.
    QApplication::setQuitOnLastWindowClosed(!trayAvailable);
    if (!trayAvailable) {
        return;
    }
    m_tray = new QSystemTrayIcon(QuickCapturePanel::trayIcon());
    // The desktop's colour scheme decides the mark's colour: drawn again when it changes, also while the
    // application keeps an appearance of its own.
    vsp::onThemeChange(m_tray, [this] { m_tray->setIcon(QuickCapturePanel::trayIcon()); });
    connect(&AppearanceManager::instance(), &AppearanceManager::desktopSchemeChanged, m_tray,
            [this] { m_tray->setIcon(QuickCapturePanel::trayIcon()); });
    m_tray->setToolTip(QStringLiteral("Vesperlog"));
    auto* menu = new QMenu;
    menu->addAction(tr("Quick Capture"), this, [this] { openWindow(QStringLiteral("quick-capture")); });
    menu->addAction(tr("New Entry"), this, [this] { openWindow(vsp::composeWindowID()); });
    menu->addAction(tr("Open Vesperlog"), this, &VesperlogApp::showMainWindow);
    menu->addSeparator();
    menu->addAction(tr("Quit Vesperlog"), this, &VesperlogApp::quit);
    m_tray->setContextMenu(menu);
    connect(m_tray, &QObject::destroyed, menu, &QObject::deleteLater);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) {
            if (m_quickCapture) {
                m_quickCapture->toggle(m_tray->geometry());
            } else {
                openWindow(QStringLiteral("quick-capture"));
            }
        }
    });
    m_tray->show();
}

void VesperlogApp::connectReactions()
{
    AppNotifications& notifications = AppNotifications::instance();
    // Export and import hand the journal's content to files: never while it is locked.
    connect(&notifications, &AppNotifications::VspExportJSON, this, [this] {
        if (!m_store->isLocked()) {
            m_store->exportEntries(JournalStore::ExportFormat::Json);
        }
    });
    connect(&notifications, &AppNotifications::VspExportMarkdown, this, [this] {
        if (!m_store->isLocked()) {
            m_store->exportEntries(JournalStore::ExportFormat::Markdown);
        }
    });
    connect(&notifications, &AppNotifications::VspImportJSON, this, [this] {
        if (!m_store->isLocked()) {
            m_store->importEntries();
        }
    });
    connect(&notifications, &AppNotifications::VspUpdateRequested, this, &VesperlogApp::presentUpdateSheet);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &VesperlogApp::applicationWillTerminate);
    // Every way of quitting (menu, tray, the last window closed) arrives as the application's Quit event.
    qApp->installEventFilter(this);
    m_leaveCheck = new QTimer(this);
    // Named, so tests run it instead of waiting.
    m_leaveCheck->setObjectName(QStringLiteral("leaveCheckTimer"));
    m_leaveCheck->setSingleShot(true);
    m_leaveCheck->setInterval(kLeaveCheckMs);
    connect(m_leaveCheck, &QTimer::timeout, this, &VesperlogApp::applicationDidResignActive);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &VesperlogApp::applicationStateChanged);
    connect(m_store.get(), &JournalStore::isLockedChanged, this, [this] {
        if (!m_store->isLocked()) {
            if (const std::optional<QUuid> id = std::exchange(m_entryAfterUnlock, std::nullopt)) {
                showReminderEntry(*id);
            }
        }
    });
}

void VesperlogApp::applicationStateChanged(Qt::ApplicationState state)
{
    if (state == Qt::ApplicationActive) {
        m_leaveCheck->stop();
    } else if (!m_leaveCheck->isActive()) {
        m_leaveCheck->start();
    }
}

void VesperlogApp::applicationWillTerminate()
{
    // Words still being edited belong in the journal, and in the backup taken next.
    if (m_mainWindow) {
        m_mainWindow->contentView()->detail()->commitPendingEdits();
    }
    // A locked journal is copied nowhere: the switch may have been turned on by whoever found it open.
    if (m_settings->autoBackup() && !m_store->isLocked()) {
        m_store->performAutoBackup();
    }
}

bool VesperlogApp::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::Quit) {
        // Taken here in full: Qt would go on to ask every window to close and give up at the first that
        // refuses (the first-run introduction does until it is completed).
        event->setAccepted(quit());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool VesperlogApp::confirmQuit()
{
    // Words still being edited are saved first, so a save that fails now is asked about too.
    if (m_mainWindow) {
        m_mainWindow->contentView()->detail()->commitPendingEdits();
    }
    // A write under way normally ends within a second; one that hangs (a stalled network folder) must
    // not keep the app from asking.
    constexpr int kWriteWaitMs = 5000;
    const bool written = m_store->waitForSaves(kWriteWaitMs);
    if (written && !m_store->hasUnsavedChanges()) {
        return true;
    }
    m_askingToQuit = true;
    const auto done = qScopeGuard([this] { m_askingToQuit = false; });
    showMainWindow();
    QString problem;
    for (;;) {
        QMessageBox box(QMessageBox::Warning, tr("Quit without saving?"), tr("Quit without saving?"),
                        QMessageBox::NoButton, m_mainWindow);
        box.setWindowModality(Qt::WindowModal);
        box.setInformativeText(
            tr("Vesperlog could not save your journal — %1. Changes made since then are lost "
               "when the app quits, unless you save a copy.%2")
                .arg(m_store->hasUnsavedChanges() ? m_store->lastSaveError() : tr("the last write has not finished"),
                     problem));
        QPushButton* copy = box.addButton(tr("Save a Copy…"), QMessageBox::AcceptRole);
        QPushButton* quit = box.addButton(tr("Quit Anyway"), QMessageBox::DestructiveRole);
        QPushButton* cancel = box.addButton(tr("Cancel"), QMessageBox::RejectRole);
        box.setDefaultButton(copy);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == quit) {
            return true;
        }
        if (box.clickedButton() != copy) {
            return false;
        }
        QString error;
        switch (m_store->saveCopy(&error)) {
        case JournalStore::CopyResult::Written: return true;
        case JournalStore::CopyResult::Failed: problem = tr("\n\nThe copy could not be saved — %1.").arg(error); break;
        case JournalStore::CopyResult::Cancelled: problem.clear(); break;
        }
    }
}

bool VesperlogApp::prepareToQuitForUpdate()
{
    // The new version starts from what is on disk: words being written must be there first.
    if (m_composeWindow) {
        if (auto* compose = qobject_cast<ComposeView*>(m_composeWindow->content())) {
            compose->keepDraftNow();
        }
    }
    return confirmQuit();
}

void VesperlogApp::quitForUpdate()
{
    delete m_updateSheet;
    if (m_options.endEventLoop) {
        m_options.endEventLoop();
    } else {
        Updater::quitFromUpdate();
    }
}

void VesperlogApp::followSessionEnd()
{
    if (m_signals) {
        return;
    }
    m_signals = new TerminationSignals(this);
    connect(m_signals, &TerminationSignals::received, this, [this](int signalNumber) {
        const char* name = signalNumber == SIGTERM ? "SIGTERM" : signalNumber == SIGHUP ? "SIGHUP" : "SIGINT";
        endWithSession(QString::fromLatin1(name));
    });
    // Either request of the session manager means the desktop is going away: nothing can be asked about
    // any more, and the words typed must be on disk before it kills what is left.
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { endWithSession(QStringLiteral("the session manager asked to save")); });
    connect(qApp, &QGuiApplication::saveStateRequest, this,
            [this](QSessionManager&) { endWithSession(QStringLiteral("the session manager asked to save")); });
    static bool registered = false;
    if (!registered) {
        registered = std::atexit(keepEditsAtExit) == 0;
    }
    g_sessionApp = this;
    vsp::platform::watchDisplayLoss(keepEditsAtExit);
}

void VesperlogApp::keepOpenEdits()
{
    if (m_mainWindow) {
        m_mainWindow->contentView()->detail()->commitPendingEdits();
    }
    if (m_composeWindow) {
        if (auto* compose = qobject_cast<ComposeView*>(m_composeWindow->content())) {
            compose->keepDraftNow();
        }
    }
    if (m_quickCapture && m_settings->autoSaveDraft()) {
        QuickCaptureView* capture = m_quickCapture->view();
        const QString title = capture->title();
        const QString body = capture->bodyText();
        if (!title.trimmed().isEmpty() || !body.trimmed().isEmpty()) {
            std::optional<vsp::compose::ComposeDraft> draft = vsp::compose::readDraft();
            if (!draft) {
                draft = vsp::compose::ComposeDraft{title, body, std::nullopt, capture->tags(), QString()};
            } else {
                // New Entry's words are kept too; the rich text of its draft could not hold the addition.
                const QString added = title.trimmed().isEmpty() ? body : title + u'\n' + body;
                draft->body += (draft->body.isEmpty() ? QString() : QStringLiteral("\n\n")) + added;
                draft->bodyRTF.reset();
            }
            vsp::compose::saveDraft(*draft, true);
            // Taken into the draft: a second ending must not add the same words again.
            capture->setTitle(QString());
            capture->setBodyText(QString());
        }
    }
    if (!m_store->waitForSaves(kSessionEndWaitMs)) {
        vsp::logFailure(
            QStringLiteral("session end"),
            QStringLiteral("the journal's writer did not finish within %1 s").arg(kSessionEndWaitMs / 1000));
    }
}

void VesperlogApp::endWithSession(const QString& reason)
{
    if (m_endingWithSession) {
        return;
    }
    m_endingWithSession = true;
    vsp::logLine(QStringLiteral("ending with the session: ") + reason);
    // Hidden first, so the draft it keeps on closing is the one taken here, before quick capture's words
    // join it.
    if (m_composeWindow) {
        if (auto* compose = qobject_cast<ComposeView*>(m_composeWindow->content())) {
            compose->keepDraftNow();
        }
        m_composeWindow->hide();
    }
    keepOpenEdits();
    if (m_options.endEventLoop) {
        m_options.endEventLoop();
    } else {
        QCoreApplication::exit(0);
    }
}

void VesperlogApp::applicationDidResignActive()
{
    if (m_settings->appLockEnabled() && m_settings->lockOnBackground()) {
        m_store->setIsLocked(true);
    }
}

void VesperlogApp::presentUpdateSheet()
{
    showMainWindow();
    m_updater->open();
    if (m_updateSheet) {
        // Already up: it stays and shows the new phase.
        return;
    }
    m_updateSheet = new UpdateSheet(*m_updater, m_mainWindow);
    m_updateSheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_updateSheet, &QDialog::finished, this, [this] { m_updater->dismiss(); });
    m_updateSheet->open();
    Q_EMIT updateSheetShown();
}

void VesperlogApp::showMainWindow()
{
    if (!m_mainWindow) {
        return;
    }
    if (m_mainWindow->isMinimized()) {
        m_mainWindow->showNormal();
    }
    m_mainWindow->show();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}

void VesperlogApp::openNotification(const QString& identifier)
{
    showMainWindow();
    const std::optional<QUuid> id = NotificationManager::expirationEntryID(identifier);
    if (!id) {
        return;
    }
    if (m_store->isLocked()) {
        // The cover comes forward; the entry is the owner's to see once the journal is open.
        m_entryAfterUnlock = id;
    } else {
        showReminderEntry(*id);
    }
}

void VesperlogApp::showReminderEntry(const QUuid& id)
{
    // The detail shows the selected entry whatever the list holds; one gone since is not looked for.
    if (m_store->entry(id)) {
        m_store->setSelectedEntryID(id);
    }
}

void VesperlogApp::openWindow(const QString& id)
{
    if (id == vsp::composeWindowID()) {
        if (!m_composeWindow) {
            m_composeWindow = new ComposeWindow(*m_store, *m_settings, *m_moodStore, m_options.composeContent);
            const bool placed = WindowPlacement::remember(
                m_composeWindow, m_settings->composeWindowGeometry(),
                [this](const QByteArray& geometry) { m_settings->setComposeWindowGeometry(geometry); });
            // Left to the window manager, a new window may open in a corner of the screen, far from
            // the journal it writes into.
            if (!placed) {
                WindowPlacement::centreOver(m_composeWindow, m_mainWindow);
            }
        }
        m_composeWindow->present();
    } else if (id == QLatin1String("settings")) {
        if (!m_settingsWindow) {
            m_settingsWindow = new SettingsView(*m_store, *m_settings, *m_moodStore, *m_updater,
                                                BundleInfo::shortVersion(), BundleInfo::buildNumber());
            m_settingsWindow->setWindowFlag(Qt::Window);
        }
        m_settingsWindow->show();
        m_settingsWindow->raise();
        m_settingsWindow->activateWindow();
    } else if (id == QLatin1String("quick-capture")) {
        if (!m_quickCapture) {
            m_quickCapture = new QuickCapturePanel(*m_store, *m_settings);
            connect(m_quickCapture, &QuickCapturePanel::unlockRequested, this, &VesperlogApp::showMainWindow);
        }
        m_quickCapture->present(m_tray ? m_tray->geometry() : QRect());
    }
}

bool VesperlogApp::quit()
{
    // A second Ctrl+Q while the question is up waits for its answer.
    if (m_askingToQuit || !confirmQuit()) {
        return false;
    }
    // Windows are not asked to close: what must happen at the end runs on aboutToQuit.
    if (m_options.endEventLoop) {
        m_options.endEventLoop();
    } else {
        QCoreApplication::exit(0);
    }
    return true;
}

void VesperlogApp::showAbout()
{
    QString text = tr("<h3>Vesperlog</h3><p>Version %1 (%2)</p>"
                      "<p style='font-size:12px'>A private journal that stays on this computer.<br>"
                      "Made by the Vesperlog developers.</p>")
                       .arg(BundleInfo::shortVersion(), BundleInfo::buildNumber());
    if (m_updater->packageManaged()) {
        text += tr("<p style='font-size:12px'>Updates come from your package manager.</p>");
    }
    QMessageBox::about(m_mainWindow, tr("About Vesperlog"), text);
}
