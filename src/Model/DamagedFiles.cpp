#include "Model/DamagedFiles.h"

#include "Model/Dates.h"
#include "Model/FileIO.h"

#include <QDir>
#include <QFileInfo>

namespace vsp {

std::optional<QString> keepDamagedCopy(const QString& folder, const QByteArray& bytes, const QString& prefix,
                                       double when, QString* error)
{
    // The newest copy is the likeliest match, so it is compared first.
    const QFileInfoList earlier =
        QDir(folder).entryInfoList({prefix + QStringLiteral("*.json")}, QDir::Files, QDir::Time);
    for (const QFileInfo& copy : earlier) {
        if (copy.size() == bytes.size() && readWholeFile(copy.filePath()).bytes == bytes) {
            return copy.filePath();
        }
    }
    const QString wanted =
        folder + u'/' + prefix + formatLocal(when, QStringLiteral("yyyy-MM-dd-HHmmss")) + QStringLiteral(".json");
    const QString target = uniquePath(wanted);
    if (target.isEmpty()) {
        *error = QStringLiteral("no free name for a copy beside %1").arg(wanted);
        return std::nullopt;
    }
    if (!writeFileAtomically(target, bytes, error)) {
        return std::nullopt;
    }
    return target;
}

} // namespace vsp
