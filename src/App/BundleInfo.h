#pragma once

#include <QString>

/// The running build's version texts, as the About panel and the settings' About tab show them.
namespace BundleInfo {

/// The release version ("0.1.0"); "1.0" when the build carries none.
QString shortVersion();
/// The build number; "1" when the build carries none.
QString buildNumber();

} // namespace BundleInfo
