#include "App/Application.h"

#include "App/BundleInfo.h"
#include "App/VesperlogApp.h"
#include "Platform/MemoryTuning.h"
#include "Platform/SingleInstance.h"
#include "Views/Main/MainWindow.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <malloc.h>

namespace {

/// Resident memory of this process in bytes (from /proc), or 0.
long long residentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    return 0;
}

} // namespace

void keepLargeAllocationsInHeap()
{
    mallopt(M_MMAP_THRESHOLD, 16 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 32 * 1024 * 1024);
}

int runVesperlog(int argc, char** argv)
{
    vsp::relaunchWithHugePagesIfNeeded(argv);
    keepLargeAllocationsInHeap();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesperlog"));
    QApplication::setOrganizationName(QStringLiteral("Vesperlog"));
    QApplication::setApplicationVersion(BundleInfo::shortVersion());
    QGuiApplication::setDesktopFileName(QStringLiteral("vesperlog"));

    // One process per user writes the journal: a second launch brings the first one forward and ends.
    SingleInstance instance(qEnvironmentVariable("VESPERLOG_INSTANCE_NAME"));
    if (!instance.acquire()) {
        return 0;
    }

    VesperlogApp vesperlog;
    QObject::connect(&instance, &SingleInstance::activationRequested, &vesperlog, &VesperlogApp::showMainWindow);

    // For the start-up benchmark: report when the main window has first been painted, then end.
    if (qEnvironmentVariableIsSet("VESPERLOG_EXIT_AFTER_FIRST_PAINT")) {
        QObject::connect(vesperlog.mainWindow(), &MainWindow::firstPainted, &app, [] {
            std::printf("Vesperlog: first paint rss=%lld\n", residentBytes());
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
    }
    vesperlog.showMainWindow();
    return QApplication::exec();
}
