// Grabs PNGs of the screen as someone at an unattended desktop would find it: the main window on a
// generated journal with "Recently Deleted" open, then locked. The lock closes the trash sheet; the
// cover asks for the password (this computer's PAM check) and, once that is cancelled, shows Unlock.
//
//   lock_sheet_screenshots OUT_DIR [--appearance=dark|light] [--update] [--linger=MS]
//
// Writes OUT_DIR/{trash-open,locked-asking,locked-cancelled}-<appearance>.png, each the whole screen
// (run it under a real X server with a window manager; QT_SCALE_FACTOR gives scale 2). --update opens
// the update sheet over the trash too: it shows nothing of the journal and stays. With --linger
// the app stays up MS milliseconds after the last picture, locked, for an accessibility client to read;
// it prints "locked" when it is.

#include "common/BenchSupport.h"
#include "common/JournalGenerator.h"

#include "App/VesperlogApp.h"
#include "Model/AppNotifications.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Settings/LockScreenView.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/MainWindow.h"
#include "Views/Sidebar/SidebarView.h"
#include "Views/Sidebar/TrashView.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace {

void saveScreen(const QString& path)
{
    const bool ok = QGuiApplication::primaryScreen()->grabWindow(0).save(path);
    std::printf("%s %s\n", ok ? "wrote" : "failed", qPrintable(path));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    vsp::bench::installJournal(vsp::bench::generateJournal(60, 11));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesperlog"));
    QApplication::setOrganizationName(QStringLiteral("Vesperlog"));
    const vsp::bench::ToolArguments tool(
        QApplication::arguments(), "lock_sheet_screenshots OUT_DIR [--appearance=dark|light] [--update] [--linger=MS]");
    if (!tool.ok()) {
        return 2;
    }
    const QString appearance = tool.option(QStringLiteral("appearance")).value_or(QStringLiteral("dark"));
    const int linger = tool.option(QStringLiteral("linger")).value_or(QStringLiteral("0")).toInt();
    const QDir out(tool.out());
    AppSettings& settings = AppSettings::instance();
    settings.setHasCompletedOnboarding(true);
    settings.setAppearanceMode(appearance);
    settings.setJournalName(QStringLiteral("Evening Pages"));

    VesperlogApp::Options options = VesperlogApp::Options::withoutDesktop();
    VesperlogApp vesperlog(options);
    JournalStore& store = vesperlog.store();
    const EntryList listed = store.entries();
    for (int i = 5; i < 9; ++i) {
        store.deleteEntry(listed[i]);
    }
    MainWindow* window = vesperlog.mainWindow();
    // Fits the logical screen at scale 2 on a 1920 by 1200 display.
    window->resize(940, 580);
    vesperlog.showMainWindow();
    ContentView* content = window->contentView();
    const QString suffix = u'-' + appearance
                           + (tool.option(QStringLiteral("update")) ? QStringLiteral("-update") : QString())
                           + QStringLiteral(".png");

    QTimer::singleShot(1200, &app, [&] {
        content->sidebar()->openTrash();
        if (tool.option(QStringLiteral("update"))) {
            Q_EMIT AppNotifications::instance().VspUpdateRequested();
        }
        QTimer::singleShot(1000, &app, [&] {
            saveScreen(out.filePath(u"trash-open" + suffix));
            // What leaving the app with "Lock when leaving Vesperlog" on does.
            store.setIsLocked(true);
            QTimer::singleShot(2000, &app, [&] {
                saveScreen(out.filePath(u"locked-asking" + suffix));
                if (auto* dialog = window->findChild<PasswordDialog*>(QStringLiteral("passwordDialog"))) {
                    dialog->reject();
                }
                QTimer::singleShot(1500, &app, [&] {
                    saveScreen(out.filePath(u"locked-cancelled" + suffix));
                    std::printf("locked\n");
                    std::fflush(stdout);
                    QTimer::singleShot(linger, &app, [] { QCoreApplication::exit(0); });
                });
            });
        });
    });
    return QApplication::exec();
}
