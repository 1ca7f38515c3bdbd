#pragma once

#include <QDBusConnection>
#include <QString>
#include <QUrl>

#include <functional>

namespace vsp {

/// The `file://` URI of `path` made absolute, every character outside the URI's safe set percent-encoded
/// ("/tmp/Vesperlog 1.2.app" -> "file:///tmp/Vesperlog%201.2.app"), as file managers expect it.
QString fileUri(const QString& path);

/// Shows a file in the desktop's file manager with the file selected: org.freedesktop.FileManager1
/// ShowItems on `bus`, called without waiting. When that fails (no such service, an error, or no answer
/// within two seconds) `openFolder` is asked to open the file's folder (by default the desktop's
/// handler); when that fails too, one line is printed. `done`, if given, learns afterwards whether either
/// worked. Returns at once; the answer arrives through the event loop.
void revealInFiles(const QString& path, const QDBusConnection& bus = QDBusConnection::sessionBus(),
                   std::function<bool(const QUrl& folder)> openFolder = {}, std::function<void(bool shown)> done = {});

} // namespace vsp
