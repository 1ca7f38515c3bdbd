#pragma once

#include "App/ComposeWindow.h"
#include "Platform/DeviceOwnerAuthenticator.h"
#include "Update/Updater.h"

#include <QObject>
#include <QPointer>
#include <QUuid>

#include <functional>

#include <memory>
#include <optional>

class AppCommands;
class AppSettings;
class ColorSchemePortal;
class DesktopNotifications;
class FileChooser;
class JournalStore;
class MainWindow;
class MoodStore;
class QSystemTrayIcon;
class QTimer;
class QuickCapturePanel;
class SettingsView;
class TerminationSignals;
class UpdateSheet;

/// The application: the four long-lived objects every window shares (journal store, settings, moods,
/// updater), the scenes (main window, the single "New Entry" window, the tray's quick capture, the
/// settings window), the menu commands, and the application-wide reactions:
///
/// - "VspExportJSON", "VspExportMarkdown" and "VspImportJSON" run the store's export and import, except
///   while the journal is locked;
/// - "VspUpdateRequested" opens the updater and its sheet on the main window;
/// - quitting first waits (a few seconds at most) for the journal's writes; with changes still unsaved it
///   asks "Quit without saving?" ("Save a Copy…", "Quit Anyway", "Cancel"); it then runs the automatic
///   backup when `AppSettings::autoBackup` is on and the journal is not locked;
/// - losing the active state locks the journal when both `appLockEnabled` and `lockOnBackground` are on.
///
/// They are connected once, here, so they work while the main window is closed and never run twice.
class VesperlogApp final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VesperlogApp)

public:
    struct Options {
        /// The store's clock (seconds since 2001-01-01 UTC), which the store's timers and every view's
        /// "now" go by; empty means the system's.
        std::function<double()> clock;
        /// Where export and import ask for files; null means the desktop's file dialogs.
        FileChooser* fileChooser = nullptr;
        /// Show an icon in the desktop's tray when it has one.
        bool useTray = true;
        /// Follow the desktop portal's colour scheme (off in tests).
        bool followDesktopScheme = true;
        /// Deliver local notifications through the desktop and start the notification centre.
        bool startNotifications = true;
        /// The content of the "New Entry" window; empty means the basic composer.
        ComposeWindow::ContentFactory composeContent;
        /// Ends the process's event loop; empty means QCoreApplication::exit(0) (tests count instead).
        std::function<void()> endEventLoop;
        /// Makes the lock cover's device-owner checks; empty means PAM's "vesperlog" service.
        DeviceOwnerAuthenticator::Factory authenticator;
        /// The updater's feed, network and folders; the application adds its version and quit steps.
        Updater::Options updater;

        /// An application that keeps to itself, for tests, benchmarks and screenshots: no tray icon, no
        /// desktop notifications, and the desktop's colour scheme not followed.
        static Options withoutDesktop()
        {
            Options options;
            options.useTray = false;
            options.followDesktopScheme = false;
            options.startNotifications = false;
            return options;
        }
    };

    explicit VesperlogApp(Options options);
    VesperlogApp();
    ~VesperlogApp() override;

    JournalStore& store() const { return *m_store; }
    AppSettings& appSettings() const { return *m_settings; }
    MoodStore& moodStore() const { return *m_moodStore; }
    Updater& updater() const { return *m_updater; }

    MainWindow* mainWindow() const;
    /// The "New Entry" window once it has been opened, else null.
    ComposeWindow* composeWindow() const;
    /// The settings window once it has been opened, else null.
    QWidget* settingsWindow() const;
    QuickCapturePanel* quickCapture() const;
    /// The update sheet while it is shown, else null.
    UpdateSheet* updateSheet() const;
    bool showUpdate() const { return updateSheet() != nullptr; }

    /// Shows the main window (again, after it was closed) and brings it to the front.
    void showMainWindow();
    /// A click on the notification of this request: shows the main window and, for an expiration
    /// reminder, its entry; while the journal is locked the entry waits until it is unlocked.
    void openNotification(const QString& identifier);
    /// Opens a window by its identifier: "compose-window", "settings" or "quick-capture".
    void openWindow(const QString& id);
    void showAbout();
    /// Quits after confirmQuit() agrees: the one way the menu, its shortcut, the tray and the
    /// application's Quit event (last window closed, end of the session) end the application. Windows
    /// are not asked to close first, so none can hold the quit back (the first-run introduction refuses
    /// to close until it is completed); what must happen at the end runs on aboutToQuit. Returns
    /// whether the application is ending.
    bool quit();

    /// The reactions to the application quitting and to losing the active state (public for tests).
    void applicationWillTerminate();
    void applicationDidResignActive();
    /// Follows the application's state: leaving counts only when the application is still inactive
    /// `kLeaveCheckMs` later, since focus passing between its own windows (opening New Entry or
    /// Settings) goes through a moment with no active window.
    void applicationStateChanged(Qt::ApplicationState state);
    static constexpr int kLeaveCheckMs = 300;
    /// Whether quitting may go on now: true when every change is on disk, else the user's answer to the
    /// quit question (a copy saved also lets the quit go on).
    bool confirmQuit();
    /// Before an update takes over: the compose draft and the detail's edits are saved, and the user is
    /// asked, as on quitting, when the journal could not be saved. Whether the application may quit.
    bool prepareToQuitForUpdate();
    /// After the hand-over started: closes the update sheet and ends the application.
    void quitForUpdate();

    /// Ends the application with the session, without asking, whenever the session ends it: on SIGTERM,
    /// SIGHUP and SIGINT, on the session manager's requests to save (commitDataRequest,
    /// saveStateRequest) and when the display connection is lost (the platform then ends the process
    /// itself: what is being written is kept while it exits). Call once, after the windows exist.
    void followSessionEnd();
    /// Keeps what is being written without asking: the detail's in-place edit goes to the store as an
    /// update, New Entry's text and quick capture's text become the draft (quick capture's is added to
    /// the end of a draft already kept, as plain text) when draft saving is on, and the journal's writer
    /// is waited for, at most kSessionEndWaitMs (a writer still busy then prints one line).
    void keepOpenEdits();
    /// keepOpenEdits(), then the event loop ends without asking anything. `reason` is printed.
    void endWithSession(const QString& reason);
    static constexpr int kSessionEndWaitMs = 10000;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    /// The update sheet was presented.
    void updateSheetShown();

private:
    void connectReactions();
    void presentUpdateSheet();
    void showReminderEntry(const QUuid& id);
    void setUpTray();
    void setUpAppearance();

    Options m_options;
    std::unique_ptr<JournalStore> m_store;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<MoodStore> m_moodStore;
    std::unique_ptr<Updater> m_updater;
    std::unique_ptr<FileChooser> m_ownChooser;
    QPointer<MainWindow> m_mainWindow;
    AppCommands* m_commands = nullptr;
    QPointer<ComposeWindow> m_composeWindow;
    QPointer<QWidget> m_settingsWindow;
    QPointer<QuickCapturePanel> m_quickCapture;
    QPointer<UpdateSheet> m_updateSheet;
    QSystemTrayIcon* m_tray = nullptr;
    ColorSchemePortal* m_portal = nullptr;
    DesktopNotifications* m_notifications = nullptr;
    bool m_askingToQuit = false;
    /// The entry a reminder clicked under the lock asked for, shown at the unlock.
    std::optional<QUuid> m_entryAfterUnlock;
    QTimer* m_leaveCheck = nullptr;
    TerminationSignals* m_signals = nullptr;
    bool m_endingWithSession = false;
};
