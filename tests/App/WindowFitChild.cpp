// A launch of the application that opens the main window, New Entry and Settings and prints, for each,
// "<name> <frame x y w h> <free area x y w h>" in logical pixels, the free area being its screen's
// available geometry; then it quits, which stores the placements. The window-fit test runs it under
// different QT_SCALE_FACTOR values. With "--place X Y" the main window and New Entry are first moved
// there (as a user would) at their default sizes.

#include "App/VesperlogApp.h"
#include "Model/AppSettings.h"
#include "Views/Main/MainWindow.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

void print(const char* name, const QWidget* window)
{
    const QRect f = window->frameGeometry();
    const QRect a = window->screen()->availableGeometry();
    std::printf("%s %d %d %d %d %d %d %d %d\n", name, f.x(), f.y(), f.width(), f.height(), a.x(), a.y(), a.width(),
                a.height());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QStringList args = QApplication::arguments();
    AppSettings::instance().setHasCompletedOnboarding(true);
    AppSettings::instance().setAutoUpdates(false);
    VesperlogApp::Options options = VesperlogApp::Options::withoutDesktop();
    VesperlogApp app(options);
    QApplication::setQuitOnLastWindowClosed(false);
    app.showMainWindow();
    app.openWindow(QStringLiteral("compose-window"));
    app.openWindow(QStringLiteral("settings"));
    if (args.size() == 4 && args.at(1) == QLatin1String("--place")) {
        const QPoint at(args.at(2).toInt(), args.at(3).toInt());
        app.mainWindow()->setGeometry(QRect(at, QSize(1440, 900)));
        app.composeWindow()->setGeometry(QRect(at, QSize(720, 600)));
    }
    // After the windows have been shown and any queued placement has run.
    QTimer::singleShot(0, &application, [&] {
        print("main", app.mainWindow());
        print("compose", app.composeWindow());
        print("settings", app.settingsWindow());
        std::fflush(stdout);
        QApplication::quit();
    });
    return QApplication::exec();
}
