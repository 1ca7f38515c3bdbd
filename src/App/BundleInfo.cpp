#include "App/BundleInfo.h"

namespace BundleInfo {

QString shortVersion()
{
#ifdef VESPERLOG_VERSION
    const QString version = QStringLiteral(VESPERLOG_VERSION);
    if (!version.isEmpty()) {
        return version;
    }
#endif
    return QStringLiteral("1.0");
}

QString buildNumber()
{
#ifdef VESPERLOG_BUILD_NUMBER
    const QString build = QStringLiteral(VESPERLOG_BUILD_NUMBER);
    if (!build.isEmpty()) {
        return build;
    }
#endif
    return QStringLiteral("1");
}

} // namespace BundleInfo
