#include "App/BundleInfo.h"

#include "Update/AppBundle.h"

namespace BundleInfo {

namespace {

/// The running bundle's manifest, read once: it does not change while the program runs.
const std::optional<vsp::bundle::BundleManifest>& runningManifest()
{
    static const std::optional<vsp::bundle::BundleManifest> manifest =
        vsp::bundle::readManifest(vsp::bundle::runningBundlePath());
    return manifest;
}

} // namespace

QString shortVersion()
{
    if (runningManifest() && !runningManifest()->shortVersion.isEmpty()) {
        return runningManifest()->shortVersion;
    }
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
    if (runningManifest() && !runningManifest()->build.isEmpty()) {
        return runningManifest()->build;
    }
#ifdef VESPERLOG_BUILD_NUMBER
    const QString build = QStringLiteral(VESPERLOG_BUILD_NUMBER);
    if (!build.isEmpty()) {
        return build;
    }
#endif
    return QStringLiteral("1");
}

} // namespace BundleInfo
