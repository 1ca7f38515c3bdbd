#include "Platform/FileReveal.h"

#include "Model/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>

namespace vsp {

namespace {

constexpr int kAnswerTimeoutMs = 2000;

void openFolderInstead(const QString& path, const std::function<bool(const QUrl&)>& openFolder,
                       const std::function<void(bool)>& done)
{
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
    const bool opened = openFolder ? openFolder(folder) : QDesktopServices::openUrl(folder);
    if (!opened) {
        logFailure(QStringLiteral("show in files"), QStringLiteral("no file manager could show %1").arg(path));
    }
    if (done) {
        done(opened);
    }
}

} // namespace

QString fileUri(const QString& path)
{
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
}

void revealInFiles(const QString& path, const QDBusConnection& bus, std::function<bool(const QUrl&)> openFolder,
                   std::function<void(bool)> done)
{
    if (!bus.isConnected()) {
        openFolderInstead(path, openFolder, done);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{fileUri(path)} << QString();
    // A file manager that starts on demand may take a while: the window must not freeze meanwhile.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, path, openFolder = std::move(openFolder), done = std::move(done)] {
                         watcher->deleteLater();
                         if (!watcher->isError()) {
                             if (done) {
                                 done(true);
                             }
                             return;
                         }
                         openFolderInstead(path, openFolder, done);
                     });
}

} // namespace vsp
