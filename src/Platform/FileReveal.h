#pragma once

#include <QString>

namespace vsp {

/// Shows a file in the desktop's file manager with the file selected (org.freedesktop.FileManager1
/// ShowItems on the session bus, answered within two seconds); without such a file manager, opens the
/// file's folder instead. Returns false, after printing one line, when neither worked.
bool revealInFiles(const QString& path);

} // namespace vsp
