#include "Update/AppBundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace vsp::bundle {

std::optional<BundleManifest> readManifest(const QString& bundlePath)
{
    if (bundlePath.isEmpty()) {
        return std::nullopt;
    }
    QFile file(bundlePath + QStringLiteral("/bundle.json"));
    // A manifest is a few hundred bytes; anything far larger is not one.
    constexpr qint64 kMostBytes = 64 * 1024;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMostBytes) {
        return std::nullopt;
    }
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    const QJsonValue identifier = object.value(QLatin1String("identifier"));
    const QJsonValue executable = object.value(QLatin1String("executable"));
    if (!identifier.isString() || !executable.isString()) {
        return std::nullopt;
    }
    const QString program = executable.toString();
    if (program.isEmpty() || QDir::isAbsolutePath(program) || program.split(u'/').contains(QLatin1String(".."))) {
        return std::nullopt;
    }
    return BundleManifest{identifier.toString(), object.value(QLatin1String("shortVersion")).toString(),
                          object.value(QLatin1String("build")).toString(), program};
}

QString runningBundlePath()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (programFolder.isEmpty()) {
        return {};
    }
    const QString candidate = QFileInfo(programFolder + QStringLiteral("/..")).absoluteFilePath();
    const QString clean = QDir::cleanPath(candidate);
    if (!clean.endsWith(QLatin1String(".app")) || !readManifest(clean)) {
        return {};
    }
    return clean;
}

} // namespace vsp::bundle
