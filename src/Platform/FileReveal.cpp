#include "Platform/FileReveal.h"

#include "Model/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace vsp {

bool revealInFiles(const QString& path)
{
    const QUrl file = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        call << QStringList{file.toString()} << QString();
        // A desktop without a file manager service answers at once; a slow one gets two seconds.
        const QDBusMessage reply = bus.call(call, QDBus::Block, 2000);
        if (reply.type() == QDBusMessage::ReplyMessage) {
            return true;
        }
    }
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()))) {
        return true;
    }
    logFailure(QStringLiteral("show in files"), QStringLiteral("no file manager could show %1").arg(path));
    return false;
}

} // namespace vsp
